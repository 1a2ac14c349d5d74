#include "app/gridtools/TablePrinter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <algorithm>
#include <cmath>

namespace {

QFont PrintFont(bool bold) {
  QFont font;
  font.setPointSizeF(8);
  font.setBold(bold);
  return font;
}

}  // namespace

TTablePrinter::TTablePrinter(QPagedPaintDevice& printer, QString title, std::vector<TPrintColumn> columns,
                             int64_t rowCount)
    : printer_(printer),
      title_(std::move(title)),
      columns_(std::move(columns)),
      rowCount_(rowCount),
      font_(PrintFont(false)),
      boldFont_(PrintFont(true)),
      metrics_(font_, &printer_),
      boldMetrics_(boldFont_, &printer_) {
  const QFontMetricsF& metrics = metrics_;
  pageWidth_ = printer_.width();
  pageHeight_ = printer_.height();
  lineHeight_ = metrics.height();
  padding_ = std::ceil(metrics.averageCharWidth() / 2);
  rowHeight_ = std::ceil(lineHeight_ * 1.3);
  // The page's title and the column titles above the rows, the footer below them.
  top_ = 2 * rowHeight_ + rowHeight_;
  const double footer = 2 * rowHeight_;
  rowsPerPage_ = std::max(1, static_cast<int>((pageHeight_ - top_ - footer) / rowHeight_));
  double total = 0;
  for (const TPrintColumn& column : columns_) total += std::max(column.Width, 1);
  left_.push_back(0);
  for (const TPrintColumn& column : columns_)
    left_.push_back(left_.back() + pageWidth_ * std::max(column.Width, 1) / std::max(total, 1.0));
}

int64_t TTablePrinter::PageCount() const {
  return std::max<int64_t>(1, (rowCount_ + rowsPerPage_ - 1) / rowsPerPage_);
}

bool TTablePrinter::Begin() {
  return painter_.begin(&printer_);
}

void TTablePrinter::StartPage() {
  if (page_ > 0) {
    PaintFooter();
    printer_.newPage();
  }
  ++page_;
  rowOnPage_ = 0;
  painter_.setFont(boldFont_);
  painter_.drawText(QRectF(0, 0, pageWidth_, rowHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                    boldMetrics_.elidedText(title_, Qt::ElideMiddle, pageWidth_));
  const double titles = 2 * rowHeight_;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const QRectF cell(left_[i] + padding_, titles, left_[i + 1] - left_[i] - 2 * padding_, rowHeight_);
    painter_.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                      boldMetrics_.elidedText(columns_[i].Title, Qt::ElideRight, cell.width()));
  }
  painter_.drawLine(QPointF(0, top_), QPointF(pageWidth_, top_));
  painter_.setFont(font_);
}

void TTablePrinter::PaintFooter() {
  painter_.setFont(font_);
  painter_.drawText(QRectF(0, pageHeight_ - rowHeight_, pageWidth_, rowHeight_), Qt::AlignCenter,
                    QStringLiteral("Page %1 of %2").arg(page_).arg(PageCount()));
}

void TTablePrinter::AddRow(const std::vector<QString>& cells) {
  if (page_ == 0 || rowOnPage_ >= rowsPerPage_) StartPage();
  const double y = top_ + rowOnPage_ * rowHeight_;
  for (size_t i = 0; i < columns_.size() && i < cells.size(); ++i) {
    const QRectF cell(left_[i] + padding_, y, left_[i + 1] - left_[i] - 2 * padding_, rowHeight_);
    QString text = cells[i];
    for (qsizetype k = 0; k < text.size(); ++k)
      if (text[k] == QLatin1Char('\r') || text[k] == QLatin1Char('\n')) {
        text.truncate(k);
        break;
      }
    painter_.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics_.elidedText(text, Qt::ElideRight, cell.width()));
  }
  ++rowOnPage_;
  painter_.setPen(QPen(Qt::lightGray, 0));
  painter_.drawLine(QPointF(0, y + rowHeight_), QPointF(pageWidth_, y + rowHeight_));
  painter_.setPen(QPen(Qt::black, 0));
}

void TTablePrinter::Finish() {
  if (page_ == 0) StartPage();
  PaintFooter();
  painter_.end();
}
