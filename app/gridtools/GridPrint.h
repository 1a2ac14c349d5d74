#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "app/gridtools/PrintRangeDialog.h"
#include "app/gridtools/ReaderPass.h"
#include "app/gridtools/TablePrinter.h"

class QPrinter;
class QStatusBar;
class TDBGrid;
class TFileInfo;
class TPassProgress;

// A data window's "print grid" (the rows on screen) and "print data set" (all records or a range, in the
// order the grid shows, a query's or sort's view included), through Qt's print support: the columns as on
// screen, their titles repeated on every page, "Page k of n" below. A preview comes first where asked for
// (its Print button prints, to a PDF file too). Printing a range without preview reads and paints on a worker
// thread through a reader of its own, the progress and a Cancel button in the progress bar below the grid
// (Esc cancels too); a PDF file is written through a QSaveFile, so that a cancelled or failed print leaves
// none. Its owner destroys it before the grid.
class TGridPrint : public QObject {
  Q_OBJECT

 public:
  // A preview holds its pages in memory: it shows at most this many records.
  static constexpr int32_t kPreviewLimit = 10000;

  // Shows pages that paint paints, to be printed from there: the default is the print preview dialog.
  using TPreviewFunction = std::function<void(QWidget* parent, const std::function<void(QPrinter&)>& paint)>;
  // The printer for a print without preview: the default asks with the print dialog; none when cancelled.
  using TPrinterFunction = std::function<std::unique_ptr<QPrinter>(QWidget* parent)>;
  // Replace the dialogs (tests print to PDF files) and return what they replaced; empty functions restore
  // them.
  static TPreviewFunction SetPreviewFunction(TPreviewFunction function);
  static TPrinterFunction SetPrinterFunction(TPrinterFunction function);

  // title: the heading of each page (the window's caption).
  TGridPrint(TDBGrid& grid, std::function<TFileInfo*()> holder, std::function<QString()> title,
             TPassProgress& progress, QStatusBar* statusBar);
  ~TGridPrint() override;

  void PrintGrid();
  // Asks for the range, then prints it.
  void PrintDataSet();
  // Positions outside 1 … the record count are clamped to it.
  void PrintDataSet(TPrintRange range);
  void Cancel();
  bool Running() const { return pass_.Running(); }

 signals:
  // A print of the data set ended: shown, printed, failed or cancelled.
  void PrintEnded();

 private:
  // The grid's shown columns in their order on screen: their indexes and titles with widths.
  void ShownColumns(std::vector<int>& indexes, std::vector<TPrintColumn>& columns) const;
  // Shows the preview of rows read for it.
  void Preview(const QString& title, const std::vector<TPrintColumn>& columns,
               const std::vector<std::vector<QString>>& rows);
  // Hides the progress bar and shows status (none: clears the status bar).
  void Ended(const QString& status);

  TDBGrid& grid_;
  std::function<TFileInfo*()> holder_;
  std::function<QString()> title_;
  TPassProgress& progress_;
  QStatusBar* statusBar_;
  TReaderPass pass_;
  // Set on the worker once the print run is complete: a cancel that comes after it changes nothing.
  std::shared_ptr<std::atomic<bool>> done_;
};
