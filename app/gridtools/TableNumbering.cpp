#include "app/gridtools/TableNumbering.h"

#include <QStatusBar>
#include <utility>

#include "app/MessageBox.h"
#include "core/FileInfo.h"
#include "isam/CtreeDataSet.h"

namespace {

const QString kProgressText = QStringLiteral("Numbering records");

TCtreeDataSet* TableOf(TFileInfo* info) {
  return info != nullptr ? dynamic_cast<TCtreeDataSet*>(&info->GetDataSet()) : nullptr;
}

}  // namespace

TTableNumbering::TTableNumbering(std::function<TFileInfo*()> holder, QStatusBar* statusBar)
    : holder_(std::move(holder)), statusBar_(statusBar) {
  setObjectName(QStringLiteral("TableNumbering"));
  connect(&pass_, &TReaderPass::Failed, this, [this](const std::exception_ptr& error) {
    ClearProgress();
    deferred_.clear();
    RunGuarded([&] { std::rethrow_exception(error); });
  });
  connect(&pass_, &TReaderPass::Cancelled, this, [this] {
    ClearProgress();
    deferred_.clear();
  });
}

void TTableNumbering::Start() {
  TFileInfo* info = holder_();
  TCtreeDataSet* table = TableOf(info);
  if (table == nullptr || !table->Active() || table->RecordPositions()) return;
  pass_.Start(TReaderSource::For(*info),
              [this, indexName = table->IndexName()](TDataSet& reader, TPassControl& control,
                                                     const TReaderPass::TPost& post) {
                control.OnProgress = [this, &post](int64_t done, int64_t total) {
                  post([this, done, total] { ShowProgress(done, total); });
                };
                auto positions = dynamic_cast<TCtreeDataSet&>(reader).ReadRecordPositions(control);
                return std::function<void()>([this, indexName, positions] { Apply(indexName, positions); });
              });
}

void TTableNumbering::Stop() {
  pass_.Stop();
  ClearProgress();
  deferred_.clear();
}

bool TTableNumbering::Defer(std::function<void()> action) {
  if (!Running()) Start();
  if (!Running()) return false;
  deferred_.push_back(std::move(action));
  return true;
}

void TTableNumbering::Apply(const std::string& indexName,
                            const std::shared_ptr<const TRecordPositions>& positions) {
  ClearProgress();
  const std::vector<std::function<void()>> deferred = std::exchange(deferred_, {});
  TCtreeDataSet* table = TableOf(holder_());
  if (table == nullptr || !table->Active() || table->RecordPositions() || table->IndexName() != indexName)
    return;
  if (!RunGuarded([&] { table->SetRecordPositions(positions); })) return;
  emit Numbered();
  for (const std::function<void()>& action : deferred) action();
}

void TTableNumbering::ShowProgress(qint64 done, qint64 total) {
  if (statusBar_ == nullptr) return;
  const qint64 percent = total > 0 ? std::min<qint64>(100, done * 100 / total) : 100;
  statusBar_->showMessage(QStringLiteral("%1: %2 %").arg(kProgressText).arg(percent));
}

void TTableNumbering::ClearProgress() {
  // Only its own message: the status bar is the main window's.
  if (statusBar_ != nullptr && statusBar_->currentMessage().startsWith(kProgressText))
    statusBar_->clearMessage();
}
