#include "app/gridtools/GridPrint.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStatusBar>
#include <algorithm>
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
#include "dataset/ViewWalk.h"
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

// What the print of a range reads and paints, handed to the worker.
struct TRangeJob {
  TPrintRange Range;
  const TRecordView* View = nullptr;  // the view the grid shows, or none
  std::vector<std::string> Names;     // the shown columns' fields
  std::vector<TPrintColumn> Columns;
  QString Title;

  int64_t Count() const { return int64_t{Range.Last} - Range.First + 1; }
};

using TCellsFunction = std::function<void(const std::vector<QString>& cells)>;

// Hands the cells of each record of the range to paint, in the range's order, read through reader (a data set
// of its own on the file); reports progress and obeys the cancel flag every 256 records.
void WalkRange(TDataSet& reader, const TRangeJob& job, const TPassControl& control,
               const TCellsFunction& paint) {
  std::vector<int32_t> indexes;
  for (const std::string& name : job.Names) indexes.push_back(ColumnIndex(reader, name));
  const TPrintRange& range = job.Range;
  // A data set without record numbers (an ISAM table's before it is numbered) steps from its first record.
  const bool numbered = job.View || reader.IsSequenced();
  if (!numbered) reader.MoveBy(range.First - 1);
  const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader, indexes);
  std::vector<QString> cells(indexes.size());
  const auto paintRecord = [&](int32_t position, std::span<const std::string_view> values) {
    for (size_t i = 0; i < values.size(); ++i) cells[i] = DisplayText(values[i]);
    paint(cells);
    if (const int64_t done = int64_t{position} - range.First + 1; done % 256 == 0) {
      control.CheckCancel();
      control.Progress(done, job.Count());
    }
  };
  if (job.View) {
    WalkView(*cursor, *job.View, range.First, range.Last, control, paintRecord);
    return;
  }
  for (int32_t position = range.First; position <= range.Last; ++position) {
    if (position == range.First && numbered)
      cursor->MoveTo(position);
    else if (position > range.First && !cursor->Next())
      break;
    paintRecord(position, cursor->Values());
  }
}

void PaintRange(TDataSet& reader, const TRangeJob& job, QPagedPaintDevice& device, const QString& deviceName,
                const TPassControl& control) {
  TTablePrinter table(device, job.Title, job.Columns, job.Count());
  if (!table.Begin()) RaisePrintError(deviceName, "Cannot print: the printer cannot be used");
  WalkRange(reader, job, control, [&table](const std::vector<QString>& cells) { table.AddRow(cells); });
  table.Finish();
}

// Prints the range on printer; a PDF file is written through a QSaveFile, so that a print that does not
// complete leaves none and an earlier file of that name unchanged.
void PrintRange(TDataSet& reader, const TRangeJob& job, QPrinter& printer, const TPassControl& control) {
  const QString fileName = printer.outputFileName();
  if (printer.outputFormat() != QPrinter::PdfFormat || fileName.isEmpty()) {
    PaintRange(reader, job, printer, printer.printerName(), control);
    return;
  }
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    RaisePrintError(fileName, "Cannot print: " + file.errorString().toStdString());
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(printer.resolution());
    pdf.setPageLayout(printer.pageLayout());
    pdf.setTitle(job.Title);
    PaintRange(reader, job, pdf, fileName, control);
  }
  control.CheckCancel();
  if (!file.commit()) RaisePrintError(fileName, "Cannot print: " + file.errorString().toStdString());
}

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
  TRangeJob job;
  range.First = std::clamp(range.First, 1, count);
  range.Last = std::clamp(range.Last, range.First, count);
  if (range.Preview) range.Last = std::min(range.Last, range.First + kPreviewLimit - 1);
  job.Range = range;
  std::shared_ptr<QPrinter> printer;
  if (!range.Preview) {
    printer = PrinterFunction()(&grid_);
    if (!printer) return;
  }
  std::vector<int> indexes;
  ShownColumns(indexes, job.Columns);
  for (const int column : indexes) job.Names.push_back(dataSet->Fields()[column].FieldName());
  // The worker reads the view the grid shows; the pass stops before the view can go (DataSetChanging).
  if (const auto* shown = dynamic_cast<const TViewDataSet*>(dataSet)) job.View = &shown->View();
  job.Title = title_();

  done_ = std::make_shared<std::atomic<bool>>(false);
  progress_.Start(
      range.Preview
          ? QStringLiteral("Reading records %1 to %2 for the preview").arg(range.First).arg(range.Last)
          : QStringLiteral("Printing records %1 to %2").arg(range.First).arg(range.Last));
  if (statusBar_) statusBar_->showMessage(QStringLiteral("Printing (Esc cancels)"));
  pass_.Start(
      TReaderSource::For(*info),
      [this, job = std::move(job), printer, done = done_](
          TDataSet& reader, TPassControl& control, const TReaderPass::TPost& post) -> std::function<void()> {
        control.OnProgress = [this, &post](int64_t done, int64_t total) {
          post([this, done, total] { progress_.SetProgress(done, total); });
        };
        return NamingFile(control.FileName, [&]() -> std::function<void()> {
          if (!printer) {
            // The preview's pages are painted on this thread from the records read here.
            auto rows = std::make_shared<std::vector<std::vector<QString>>>();
            WalkRange(reader, job, control,
                      [&rows](const std::vector<QString>& cells) { rows->push_back(cells); });
            return [this, rows, columns = job.Columns, title = job.Title] { Preview(title, columns, *rows); };
          }
          PrintRange(reader, job, *printer, control);
          done->store(true);
          return [this] {
            Ended(QStringLiteral("Printed"));
            emit PrintEnded();
          };
        });
      });
}

void TGridPrint::Preview(const QString& title, const std::vector<TPrintColumn>& columns,
                         const std::vector<std::vector<QString>>& rows) {
  Ended(QString());
  PreviewFunction()(&grid_, [&](QPrinter& printer) {
    TTablePrinter table(printer, title, columns, static_cast<int64_t>(rows.size()));
    if (!table.Begin()) return;
    for (const std::vector<QString>& cells : rows) table.AddRow(cells);
    table.Finish();
  });
  emit PrintEnded();
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
