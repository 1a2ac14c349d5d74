#include "app/gridtools/GridPrint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MessageBox.h"
#include "app/gridtools/PassProgress.h"
#include "core/FileInfo.h"
#include "dataset/RecordValues.h"
#include "dataset/ViewDataSet.h"
#include "isam/CtreeDataSet.h"
#include "support/Exception.h"

namespace {

void PreviewByDialog(QWidget* parent, const std::function<void(QPrinter&)>& paint) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&paint](QPrinter* to) { paint(*to); });
  dialog.exec();
}

std::unique_ptr<QPrinter> PrinterByDialog(QWidget* parent) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dialog(printer.get(), parent);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  return printer;
}

TGridPrint::TPreviewFunction& PreviewFunction() {
  static TGridPrint::TPreviewFunction function = PreviewByDialog;
  return function;
}

TGridPrint::TPrinterFunction& PrinterFunction() {
  static TGridPrint::TPrinterFunction function = PrinterByDialog;
  return function;
}

[[noreturn]] void RaisePrintError(const QString& fileName, const std::string& message) {
  Exception error(message);
  error.SetFileNameOnce(QFile::encodeName(fileName).toStdString());
  throw error;
}

// The PDF file a print run writes: a temporary file beside it until the run is complete, then renamed into
// place; removed when the run does not complete. Other printers are left as they are.
class TPdfOutput {
 public:
  explicit TPdfOutput(QPrinter& printer) : printer_(printer) {
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) return;
    target_ = printer.outputFileName();
    QTemporaryFile temporary(target_ + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) RaisePrintError(target_, "Cannot print: " + temporary.errorString().toStdString());
    temporary.setAutoRemove(false);
    temporary_ = temporary.fileName();
    printer.setOutputFileName(temporary_);
  }
  TPdfOutput(const TPdfOutput&) = delete;
  TPdfOutput& operator=(const TPdfOutput&) = delete;
  ~TPdfOutput() {
    if (!temporary_.isEmpty()) QFile::remove(temporary_);
  }
  // The file the printer writes, for messages.
  QString Name() const { return target_.isEmpty() ? printer_.printerName() : target_; }
  void Commit() {
    if (temporary_.isEmpty()) return;
    // rename replaces an earlier file in one step.
    if (std::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
      RaisePrintError(target_, "Cannot print: the file cannot be written");
    temporary_.clear();
    printer_.setOutputFileName(target_);
  }

 private:
  QPrinter& printer_;
  QString target_;
  QString temporary_;
};

}  // namespace

TGridPrint::TPreviewFunction TGridPrint::SetPreviewFunction(TPreviewFunction function) {
  TPreviewFunction previous = std::move(PreviewFunction());
  PreviewFunction() = function ? std::move(function) : TPreviewFunction(PreviewByDialog);
  return previous;
}

TGridPrint::TPrinterFunction TGridPrint::SetPrinterFunction(TPrinterFunction function) {
  TPrinterFunction previous = std::move(PrinterFunction());
  PrinterFunction() = function ? std::move(function) : TPrinterFunction(PrinterByDialog);
  return previous;
}

TGridPrint::TGridPrint(TDBGrid& grid, std::function<TFileInfo*()> holder, std::function<QString()> title,
                       TPassProgress& progress, QStatusBar* statusBar)
    : grid_(grid),
      holder_(std::move(holder)),
      title_(std::move(title)),
      progress_(progress),
      statusBar_(statusBar) {
  setObjectName(QStringLiteral("GridPrint"));
  // A print may read the view the grid shows, which goes once the grid shows another data set.
  connect(&grid_, &TDBGrid::DataSetChanging, this, [this] { pass_.Stop(); });
  connect(&progress_, &TPassProgress::CancelRequested, this, [this] { Cancel(); });
  connect(&pass_, &TReaderPass::Failed, this, [this](const std::exception_ptr& error) {
    RunGuarded([&] { std::rethrow_exception(error); });
    Ended(QString());
    emit PrintEnded();
  });
  connect(&pass_, &TReaderPass::Cancelled, this, [this] {
    Ended(done_ && done_->load() ? QStringLiteral("Printed") : QStringLiteral("Print cancelled"));
    emit PrintEnded();
  });
}

TGridPrint::~TGridPrint() {
  pass_.Stop();
}

void TGridPrint::Cancel() {
  pass_.Cancel();
}

void TGridPrint::ShownColumns(std::vector<int>& indexes, std::vector<TPrintColumn>& columns) const {
  const QHeaderView* titles = grid_.View()->horizontalHeader();
  const TDataSetTableModel& model = *grid_.Model();
  for (int visual = 0; visual < titles->count(); ++visual) {
    const int column = titles->logicalIndex(visual);
    if (titles->isSectionHidden(column) || column >= model.columnCount()) continue;
    indexes.push_back(column);
    columns.push_back({model.headerData(column, Qt::Horizontal).toString(), titles->sectionSize(column)});
  }
}

void TGridPrint::PrintGrid() {
  TDataSet* dataSet = grid_.DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return;
  std::vector<int> indexes;
  std::vector<TPrintColumn> columns;
  ShownColumns(indexes, columns);
  // The rows on screen, read now: the grid may move while the preview is open.
  const TDataSetTableModel& model = *grid_.Model();
  std::vector<std::vector<QString>> rows;
  if (!RunGuarded([&] {
        for (int row = 0; row < model.rowCount(); ++row) {
          std::vector<QString>& cells = rows.emplace_back();
          for (const int column : indexes)
            cells.push_back(model.IsMemoColumn(column) ? DisplayText(model.CellValue(row, column))
                                                       : model.index(row, column).data().toString());
        }
      }))
    return;
  const QString title = title_();
  PreviewFunction()(&grid_, [&](QPrinter& printer) {
    TTablePrinter table(printer, title, columns, static_cast<int64_t>(rows.size()));
    if (!table.Begin()) {
      RunGuarded(
          [&] { RaisePrintError(printer.outputFileName(), "Cannot print: the printer cannot be used"); });
      return;
    }
    for (const std::vector<QString>& cells : rows) table.AddRow(cells);
    table.Finish();
  });
}

void TGridPrint::PrintDataSet() {
  TDataSet* dataSet = grid_.DataSet();
  if (dataSet == nullptr || !dataSet->Active() || holder_() == nullptr) return;
  int32_t count = 0;
  if (!RunGuarded([&] { count = dataSet->GetRecordCount(); }) || count <= 0) return;
  if (const std::optional<TPrintRange> range = TPrintRangeDialog::Ask(&grid_, count)) PrintDataSet(*range);
}

void TGridPrint::PrintDataSet(TPrintRange range) {
  TDataSet* dataSet = grid_.DataSet();
  const TFileInfo* info = holder_();
  if (dataSet == nullptr || !dataSet->Active() || info == nullptr) return;
  int32_t count = 0;
  if (!RunGuarded([&] { count = dataSet->GetRecordCount(); }) || count <= 0) return;
  pass_.Stop();
  range.First = std::clamp(range.First, 1, count);
  range.Last = std::clamp(range.Last, range.First, count);
  if (range.Preview) range.Last = std::min(range.Last, range.First + kPreviewLimit - 1);

  std::shared_ptr<QPrinter> printer;
  if (!range.Preview) {
    printer = PrinterFunction()(&grid_);
    if (!printer) return;
  }
  std::vector<int> indexes;
  std::vector<TPrintColumn> columns;
  ShownColumns(indexes, columns);
  std::vector<std::string> names;
  for (const int column : indexes) names.push_back(dataSet->Fields()[column].FieldName());
  // The worker reads the view the grid shows; the pass stops before the view can go (DataSetChanging).
  const TRecordView* view = nullptr;
  if (const auto* shown = dynamic_cast<const TViewDataSet*>(dataSet)) view = &shown->View();
  std::optional<std::string> indexName;
  if (const auto* table = dynamic_cast<const TCtreeDataSet*>(dataSet)) indexName = table->IndexName();

  done_ = std::make_shared<std::atomic<bool>>(false);
  progress_.Start(range.Preview
                      ? QStringLiteral("Reading records for the preview")
                      : QStringLiteral("Printing records %1 to %2").arg(range.First).arg(range.Last));
  if (statusBar_) statusBar_->showMessage(QStringLiteral("Printing (Esc cancels)"));
  pass_.Start(TReaderSource::For(*info),
              [this, range, view, indexName, names, columns, printer, title = title_(), done = done_](
                  TDataSet& reader, TPassControl& control, const TReaderPass::TPost& post) {
                return NamingFile(control.FileName, [&]() -> std::function<void()> {
                  if (indexName) dynamic_cast<TCtreeDataSet&>(reader).SetIndexName(*indexName);
                  std::vector<int32_t> indexes;
                  for (const std::string& name : names) indexes.push_back(ColumnIndex(reader, name));
                  const int64_t total = int64_t{range.Last} - range.First + 1;
                  std::vector<QString> cells(indexes.size());
                  // Calls paint with each record's cells, in the range's order.
                  auto walk = [&](const std::function<void(const std::vector<QString>&)>& paint) {
                    // A data set without record numbers (an ISAM table's) steps from its first record.
                    const bool numbered = view || reader.IsSequenced();
                    if (!numbered) reader.MoveBy(range.First - 1);
                    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader, indexes);
                    for (int32_t position = range.First; position <= range.Last; ++position) {
                      if (view)
                        cursor->MoveTo(view->RecordAt(position));
                      else if (position == range.First && numbered)
                        cursor->MoveTo(position);
                      else if (position > range.First && !cursor->Next())
                        break;
                      const std::span<const std::string_view> values = cursor->Values();
                      for (size_t i = 0; i < values.size(); ++i) cells[i] = DisplayText(values[i]);
                      paint(cells);
                      const int64_t done = int64_t{position} - range.First + 1;
                      if (done % 256 == 0) {
                        control.CheckCancel();
                        post([this, done, total] { progress_.SetProgress(done, total); });
                      }
                    }
                  };
                  if (range.Preview) {
                    auto rows = std::make_shared<std::vector<std::vector<QString>>>();
                    walk([&](const std::vector<QString>& row) { rows->push_back(row); });
                    return [this, rows, columns, title] {
                      Ended(QString());
                      PreviewFunction()(&grid_, [&](QPrinter& to) {
                        TTablePrinter table(to, title, columns, static_cast<int64_t>(rows->size()));
                        if (!table.Begin()) return;
                        for (const std::vector<QString>& row : *rows) table.AddRow(row);
                        table.Finish();
                      });
                      emit PrintEnded();
                    };
                  }
                  TPdfOutput output(*printer);
                  {
                    TTablePrinter table(*printer, title, columns, total);
                    if (!table.Begin())
                      RaisePrintError(output.Name(), "Cannot print: the printer cannot be used");
                    walk([&](const std::vector<QString>& row) { table.AddRow(row); });
                    table.Finish();
                  }
                  control.CheckCancel();
                  output.Commit();
                  done->store(true);
                  return [this] {
                    Ended(QStringLiteral("Printed"));
                    emit PrintEnded();
                  };
                });
              });
}

void TGridPrint::Ended(const QString& status) {
  progress_.Finish();
  if (statusBar_) {
    if (status.isEmpty())
      statusBar_->clearMessage();
    else
      statusBar_->showMessage(status);
  }
}
