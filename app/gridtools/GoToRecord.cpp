#include "app/gridtools/GoToRecord.h"

#include <QInputDialog>
#include <QShortcut>
#include <algorithm>

#include "app/DBGrid.h"
#include "app/MessageBox.h"

namespace {

std::optional<int32_t> AskByDialog(QWidget* parent, int32_t current, int32_t count) {
  bool ok = false;
  const int recNo =
      QInputDialog::getInt(parent, QStringLiteral("Go to record"),
                           QStringLiteral("Record number (1 to %1):").arg(count), current, 1, count, 1, &ok);
  if (!ok) return std::nullopt;
  return recNo;
}

TGoToRecord::TAskFunction& AskFunction() {
  static TGoToRecord::TAskFunction function = AskByDialog;
  return function;
}

}  // namespace

TGoToRecord::TAskFunction TGoToRecord::SetAskFunction(TAskFunction function) {
  TAskFunction previous = std::move(AskFunction());
  AskFunction() = function ? std::move(function) : TAskFunction(AskByDialog);
  return previous;
}

TGoToRecord::TGoToRecord(TDBGrid& grid) : QObject(&grid), grid_(grid) {
  setObjectName(QStringLiteral("GoToRecord"));
  auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), &grid_, nullptr, nullptr,
                                 Qt::WidgetWithChildrenShortcut);
  connect(shortcut, &QShortcut::activated, this, [this] { Run(); });
}

void TGoToRecord::Run() {
  TDataSet* dataSet = grid_.DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return;
  int32_t count = 0;
  int32_t current = 1;
  if (!RunGuarded([&] {
        count = dataSet->GetRecordCount();
        current = std::clamp(dataSet->GetRecNo(), 1, std::max(count, 1));
      }))
    return;
  if (count <= 0) return;
  const std::optional<int32_t> recNo = AskFunction()(&grid_, current, count);
  if (!recNo) return;
  grid_.GoToRecord(*recNo);
  grid_.setFocus();
}
