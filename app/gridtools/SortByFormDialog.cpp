#include "app/gridtools/SortByFormDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DisplayText.h"
#include "dataset/DataSet.h"

namespace {
constexpr int kNameRole = Qt::UserRole;
}  // namespace

TSortByFormDialog::TSortByFormDialog(TDataSet& dataSet, const std::vector<TSortColumn>& current,
                                     QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget) {
  setObjectName(QStringLiteral("SortByFormDialog"));
  setWindowTitle(QStringLiteral("Sort by form"));
  list_->setObjectName(QStringLiteral("SortColumns"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Column"), QStringLiteral("Descending")});
  list_->setRootIsDecorated(false);
  auto addItem = [this](const std::string& name, bool checked, bool descending) {
    auto* item = new QTreeWidgetItem(list_, {DisplayText(name)});
    item->setData(0, kNameRole, QByteArray::fromStdString(name));
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    item->setCheckState(1, descending ? Qt::Checked : Qt::Unchecked);
  };
  // The current sort's columns first, in its order, then the others.
  for (const TSortColumn& column : current)
    if (dataSet.FindField(column.FieldName))
      addItem(dataSet.FieldByName(column.FieldName).FieldName(), true, column.Descending);
  for (const auto& field : dataSet.Fields()) {
    bool listed = false;
    for (const TSortColumn& column : current)
      listed = listed || dataSet.FindField(column.FieldName) == field.get();
    if (!listed) addItem(field->FieldName(), false, false);
  }
  auto* up = new QPushButton(QStringLiteral("Up"));
  auto* down = new QPushButton(QStringLiteral("Down"));
  connect(up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* moves = new QHBoxLayout;
  moves->addWidget(up);
  moves->addWidget(down);
  moves->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(moves);
  layout->addWidget(buttons);
}

void TSortByFormDialog::MoveCurrent(int by) {
  QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr) return;
  const int from = list_->indexOfTopLevelItem(item);
  const int to = from + by;
  if (to < 0 || to >= list_->topLevelItemCount()) return;
  list_->takeTopLevelItem(from);
  list_->insertTopLevelItem(to, item);
  list_->setCurrentItem(item);
}

std::vector<TSortColumn> TSortByFormDialog::Columns() const {
  std::vector<TSortColumn> columns;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    if (item->checkState(0) != Qt::Checked) continue;
    columns.push_back(
        {item->data(0, kNameRole).toByteArray().toStdString(), item->checkState(1) == Qt::Checked});
  }
  return columns;
}
