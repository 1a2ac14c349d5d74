#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <vector>

class QPagedPaintDevice;

// A column of a printed table: its title and its width on screen, which sets its share of the page's width.
struct TPrintColumn {
  QString Title;
  int Width = 0;
};

// Paints a table over pages of a printer or PDF writer: the title at the top of each page, the column titles
// repeated under it, the rows, and a footer "Page k of n". The columns share the page's width in proportion
// to their widths on screen; a value too wide for its column is cut short with an ellipsis, and only its
// first line is printed. Usable on a worker thread (QPainter paints on a printer there).
class TTablePrinter {
 public:
  // rowCount: the rows that will be added, for the page count.
  TTablePrinter(QPagedPaintDevice& printer, QString title, std::vector<TPrintColumn> columns,
                int64_t rowCount);

  int RowsPerPage() const { return rowsPerPage_; }
  int64_t PageCount() const;

  // Starts painting; false when the printer cannot be painted on (its output file cannot be written).
  bool Begin();
  // One row of values, one per column.
  void AddRow(const std::vector<QString>& cells);
  // Ends the last page (an empty table gets one page with the titles) and the print run.
  void Finish();

 private:
  void StartPage();
  void PaintFooter();

  QPagedPaintDevice& printer_;
  QPainter painter_;
  QString title_;
  std::vector<TPrintColumn> columns_;
  std::vector<double> left_;  // each column's left edge on the page, and the right edge after the last
  int64_t rowCount_;
  QFont font_;
  QFont boldFont_;
  QFontMetricsF metrics_;
  QFontMetricsF boldMetrics_;
  double pageWidth_ = 0;
  double pageHeight_ = 0;
  double lineHeight_ = 0;
  double rowHeight_ = 0;
  double padding_ = 0;
  int rowsPerPage_ = 1;
  int64_t page_ = 0;   // pages started
  int rowOnPage_ = 0;  // rows painted on the current page
  double top_ = 0;     // the first row's top on a page
};
