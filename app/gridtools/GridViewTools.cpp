#include "app/gridtools/GridViewTools.h"

#include <QAction>
#include <QShortcut>
#include <QStatusBar>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/QueryByFormDialog.h"
#include "app/gridtools/SortByFormDialog.h"
#include "core/FileInfo.h"

TGridViewTools::TGridViewTools(TDBGrid& grid, TGridContextMenu& menu, std::function<TFileInfo*()> holder,
                               QStatusBar* statusBar)
    : grid_(grid), menu_(menu), holder_(std::move(holder)), statusBar_(statusBar) {
  setObjectName(QStringLiteral("GridViewTools"));
  menu_.Bind(TGridMenuEntry::gmQueryByForm, this, [this] { QueryByForm(); });
  menu_.Bind(TGridMenuEntry::gmSortByForm, this, [this] { SortByForm(); });
  menu_.Bind(TGridMenuEntry::gmShowAllRecords, this, [this] { ShowAll(); });
  menu_.Bind(TGridMenuEntry::gmCancelPass, this, [this] { Cancel(); });
  connect(&menu_, &TGridContextMenu::AboutToShow, this, [this] { UpdateEntries(); });
  auto* escape =
      new QShortcut(QKeySequence(Qt::Key_Escape), &grid_, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [this] {
    Cancel();
    emit EscapePressed();
  });

  connect(&pass_, &TViewPass::Progress, this, [this](const QString& step, qint64 done, qint64 total) {
    const qint64 percent = total > 0 ? std::min<qint64>(100, done * 100 / total) : 100;
    ShowStatus(QStringLiteral("%1: %2 % (Esc cancels)").arg(step).arg(percent));
  });
  connect(&pass_, &TViewPass::Finished, this, [this](const std::shared_ptr<TRecordView>& view) {
    ShowStatus(QString());
    RunGuarded([&] { Show(view); });
    emit PassEnded();
  });
  connect(&pass_, &TViewPass::Failed, this, [this](const std::exception_ptr& error) {
    ShowStatus(QString());
    RunGuarded([&] { std::rethrow_exception(error); });
    emit PassEnded();
  });
  connect(&pass_, &TViewPass::Cancelled, this, [this] {
    ShowStatus(QStringLiteral("Cancelled"));
    emit PassEnded();
  });
}

TGridViewTools::~TGridViewTools() {
  pass_.Cancel();
  // The grid must not outlive its binding to the view.
  if (shown_ && grid_.DataSet() == shown_.get()) grid_.SetDataSet(nullptr);
}

void TGridViewTools::UpdateEntries() {
  TFileInfo* info = holder_();
  const bool idle = info != nullptr && !Running();
  menu_.Entry(TGridMenuEntry::gmQueryByForm)->setEnabled(idle);
  menu_.Entry(TGridMenuEntry::gmSortByForm)->setEnabled(idle);
  menu_.Entry(TGridMenuEntry::gmShowAllRecords)->setEnabled(idle && shown_ != nullptr);
  menu_.Entry(TGridMenuEntry::gmCancelPass)->setEnabled(Running());
}

void TGridViewTools::QueryByForm() {
  TFileInfo* info = holder_();
  if (info == nullptr) return;
  TQueryByFormDialog dialog(info->GetDataSet(), where_, &grid_);
  if (dialog.exec() == QDialog::Accepted) Query(dialog.Entries());
}

void TGridViewTools::SortByForm() {
  TFileInfo* info = holder_();
  if (info == nullptr) return;
  TSortByFormDialog dialog(info->GetDataSet(), sort_, &grid_);
  if (dialog.exec() == QDialog::Accepted) Sort(dialog.Columns());
}

void TGridViewTools::Query(std::vector<TFilterEntry> entries) {
  where_ = std::move(entries);
  StartPass();
}

void TGridViewTools::Sort(std::vector<TSortColumn> columns) {
  sort_ = std::move(columns);
  StartPass();
}

void TGridViewTools::ShowAll() {
  pass_.Cancel();
  waiting_.Drop();
  where_.clear();
  sort_.clear();
  TFileInfo* info = holder_();
  if (!shown_ || info == nullptr) return;
  RunGuarded([&] { grid_.SetDataSet(&info->GetDataSet()); });
  shown_.reset();
}

void TGridViewTools::Cancel() {
  pass_.Cancel();
  waiting_.Drop();
}

void TGridViewTools::StartPass() {
  TFileInfo* info = holder_();
  if (info == nullptr) return;
  if (where_.empty() && sort_.empty()) {
    ShowAll();
    return;
  }
  // A pass that waits for record numbers is dropped by the next one, by Cancel and by ShowAll.
  std::function<void()> latest = waiting_.Wrap([this] { StartPass(); });
  if (!info->GetDataSet().IsSequenced() && DeferUntilNumbered && DeferUntilNumbered(std::move(latest)))
    return;
  TViewRequest request = TViewRequest::For(*info);
  request.Where = where_;
  request.Sort = sort_;
  ShowStatus(QStringLiteral("Reading records (Esc cancels)"));
  pass_.Start(std::move(request));
}

void TGridViewTools::Show(const std::shared_ptr<TRecordView>& view) {
  TFileInfo* info = holder_();
  if (info == nullptr) return;
  auto dataSet = std::make_unique<TViewDataSet>(info->GetDataSet(), std::move(*view));
  dataSet->Open();
  grid_.SetDataSet(dataSet.get());
  shown_ = std::move(dataSet);
}

void TGridViewTools::ShowStatus(const QString& text) {
  if (statusBar_ == nullptr) return;
  if (text.isEmpty())
    statusBar_->clearMessage();
  else
    statusBar_->showMessage(text);
}
