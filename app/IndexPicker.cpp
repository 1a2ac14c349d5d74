#include "app/IndexPicker.h"

#include "app/DisplayText.h"
#include "app/MessageBox.h"
#include "isam/CtreeDataSet.h"

TIndexPicker::TIndexPicker(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("IndexPicker"));
  setToolTip(QStringLiteral("Order of the rows: an index of the table, or physical order"));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  hide();
  connect(this, &QComboBox::currentIndexChanged, this, [this](int item) { Choose(item); });
}

void TIndexPicker::SetDataSet(TCtreeDataSet* dataSet) {
  dataSet_ = dataSet;
  filling_ = true;
  clear();
  if (dataSet_) {
    // The first entry is physical order (no name); the others name their index.
    addItem(QString::fromLatin1(kPhysicalOrder), QString());
    for (const std::string& name : dataSet_->IndexNames()) {
      addItem(DisplayText(name), QString::fromStdString(name));
      if (name == dataSet_->IndexName()) setCurrentIndex(count() - 1);
    }
  }
  filling_ = false;
  setVisible(dataSet_ != nullptr);
}

void TIndexPicker::Choose(int item) {
  if (filling_ || !dataSet_ || item < 0) return;
  const std::string name = itemData(item).toString().toStdString();
  if (OnChoosing) OnChoosing();
  RunGuarded([&] { dataSet_->SetIndexName(name); });
  if (OnChosen) OnChosen();
}
