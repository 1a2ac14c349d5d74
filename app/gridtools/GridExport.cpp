#include "app/gridtools/GridExport.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStatusBar>
#include <optional>
#include <set>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridClipboard.h"
#include "app/gridtools/PassProgress.h"
#include "core/FileInfo.h"
#include "dataset/ViewDataSet.h"
#include "layout/TextHelpers.h"

namespace {

TExportHeader HeaderOf(const TFileInfo& info) {
  return {info.RecordType(), RecordTypeName(info.RecordType())};
}

// The grid's selection as rows to write: the rows and columns that hold a selected cell, columns in their
// order on screen, cells between them that are not selected empty (as Copy takes them). Memo cells give
// their text.
TExportRows SelectedRows(const TDBGrid& grid) {
  TExportRows rows;
  TDataSet& dataSet = *grid.DataSet();
  const TDataSetTableModel& model = *grid.Model();
  const QHeaderView* titles = grid.View()->horizontalHeader();
  std::set<int> heldRows;
  std::set<int> visualColumns;
  std::set<std::pair<int, int>> selected;
  for (const QModelIndex& cell : grid.View()->selectionModel()->selectedIndexes()) {
    if (titles->isSectionHidden(cell.column()) || cell.column() >= dataSet.Fields().Count()) continue;
    heldRows.insert(cell.row());
    visualColumns.insert(titles->visualIndex(cell.column()));
    selected.emplace(cell.row(), cell.column());
  }
  std::vector<int> columns;
  for (const int visual : visualColumns) {
    const int column = titles->logicalIndex(visual);
    const TField& field = dataSet.Fields()[column];
    columns.push_back(column);
    rows.Columns.push_back({field.FieldName(), field.IsBlob(), field.Size()});
  }
  // Held row r shows record (active record number - active row + r) where the data set numbers its records.
  const int32_t active = dataSet.GetRecNo();
  for (const int row : heldRows) {
    rows.RecNos.push_back(active > 0 ? int64_t{active} - dataSet.ActiveRecord() + row
                                     : static_cast<int64_t>(rows.RecNos.size()) + 1);
    std::vector<std::string>& values = rows.Values.emplace_back(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
      if (selected.contains({row, columns[i]})) values[i] = model.CellValue(row, columns[i]);
  }
  return rows;
}

}  // namespace

TGridExport::TGridExport(TDBGrid& grid, std::function<TFileInfo*()> holder, TPassProgress& progress,
                         QStatusBar* statusBar)
    : grid_(grid), holder_(std::move(holder)), progress_(progress), statusBar_(statusBar) {
  setObjectName(QStringLiteral("GridExport"));
  // The export may read the view the grid shows, which goes once the grid shows another data set.
  connect(&grid_, &TDBGrid::DataSetChanging, this, [this] { pass_.Stop(); });
  connect(&progress_, &TPassProgress::CancelRequested, this, [this] { Cancel(); });
  connect(&pass_, &TReaderPass::Failed, this, [this](const std::exception_ptr& error) {
    RunGuarded([&] { std::rethrow_exception(error); });
    Ended(QString());
  });
  connect(&pass_, &TReaderPass::Cancelled, this, [this] {
    if (const int64_t records = written_ ? written_->load() : -1; records >= 0)
      Written(path_, records);
    else
      Ended(QStringLiteral("Export cancelled"));
  });
}

TGridExport::~TGridExport() {
  pass_.Stop();
}

void TGridExport::Run() {
  TDataSet* dataSet = grid_.DataSet();
  if (dataSet == nullptr || !dataSet->Active() || holder_() == nullptr) return;
  if (const std::optional<TExportChoice> choice =
          TExportDialog::Ask(&grid_, TGridClipboard::HasSelection(grid_)))
    Export(*choice);
}

void TGridExport::Cancel() {
  pass_.Cancel();
}

void TGridExport::Export(const TExportChoice& choice) {
  TDataSet* dataSet = grid_.DataSet();
  const TFileInfo* info = holder_();
  if (dataSet == nullptr || !dataSet->Active() || info == nullptr) return;
  pass_.Stop();
  if (choice.SelectionOnly) {
    ExportSelection(choice, *info);
    return;
  }
  // The worker reads the view the grid shows; the pass stops before the view can go (DataSetChanging).
  const TRecordView* view = nullptr;
  if (const auto* shown = dynamic_cast<const TViewDataSet*>(dataSet)) view = &shown->View();

  written_ = std::make_shared<std::atomic<int64_t>>(-1);
  path_ = choice.Target.Path;
  progress_.Start(QStringLiteral("Exporting to %1").arg(QFileInfo(path_).fileName()));
  if (statusBar_) statusBar_->showMessage(QStringLiteral("Exporting (Esc cancels)"));
  pass_.Start(TReaderSource::For(*info),
              [this, view, header = HeaderOf(*info), target = choice.Target, written = written_](
                  TDataSet& reader, TPassControl& control, const TReaderPass::TPost& post) {
                int64_t records = 0;
                control.OnProgress = [this, &post, &records](int64_t done, int64_t total) {
                  records = done;
                  post([this, done, total] { progress_.SetProgress(done, total); });
                };
                ExportRecords(reader, view, header, target, control);
                written->store(records);
                return std::function<void()>([this, path = target.Path, records] { Written(path, records); });
              });
}

void TGridExport::ExportSelection(const TExportChoice& choice, const TFileInfo& info) {
  int64_t records = 0;
  if (RunGuarded([&] {
        const TExportRows rows = SelectedRows(grid_);
        records = static_cast<int64_t>(rows.Values.size());
        ExportRows(rows, HeaderOf(info), choice.Target);
      }))
    Written(choice.Target.Path, records);
  else
    emit ExportEnded();
}

void TGridExport::Written(const QString& path, int64_t records) {
  Ended(QStringLiteral("Exported %1 %2 to %3")
            .arg(records)
            .arg(records == 1 ? QStringLiteral("record") : QStringLiteral("records"), path));
}

void TGridExport::Ended(const QString& status) {
  progress_.Finish();
  if (statusBar_) {
    if (status.isEmpty())
      statusBar_->clearMessage();
    else
      statusBar_->showMessage(status);
  }
  emit ExportEnded();
}
