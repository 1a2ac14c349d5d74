#include "app/gridtools/GridColumnSizer.h"

#include <QEvent>
#include <QHeaderView>

#include "app/DBGrid.h"

TGridColumnSizer::TGridColumnSizer(TDBGrid& grid) : grid_(grid) {
  TDataSetTableModel* model = grid_.Model();
  connect(model, &QAbstractItemModel::dataChanged, this, [this] { Fit(); });
  // After the grid's own first widths for a newly bound data set.
  connect(
      model, &QAbstractItemModel::modelReset, this, [this] { Fit(); }, Qt::QueuedConnection);
  grid_.View()->viewport()->installEventFilter(this);
}

void TGridColumnSizer::SetAutoSize(bool on) {
  autoSize_ = on;
  Fit();
}

void TGridColumnSizer::SetAutoWidth(bool on) {
  autoWidth_ = on;
  Fit();
}

void TGridColumnSizer::Fit() {
  if (fitting_ || (!autoSize_ && !autoWidth_)) return;
  fitting_ = true;
  if (autoSize_) FitToValues();
  if (autoWidth_) FitToWidth();
  fitting_ = false;
}

void TGridColumnSizer::FitToValues() {
  // The held rows are all on screen, so the view's measure of a column is that of the rows shown.
  QTableView* view = grid_.View();
  for (int c = 0; c < grid_.Model()->columnCount(); ++c)
    if (!view->isColumnHidden(c)) view->resizeColumnToContents(c);
}

void TGridColumnSizer::FitToWidth() {
  QTableView* view = grid_.View();
  const int columns = grid_.Model()->columnCount();
  int64_t total = 0;
  int last = -1;
  for (int c = 0; c < columns; ++c) {
    if (view->isColumnHidden(c)) continue;
    total += view->columnWidth(c);
    last = c;
  }
  const int available = view->viewport()->width();
  if (total <= 0 || available <= 0) return;
  // Each column keeps its share; the last one takes what rounding left over.
  int used = 0;
  for (int c = 0; c < columns; ++c) {
    if (view->isColumnHidden(c)) continue;
    const int width =
        c == last ? available - used : static_cast<int>(int64_t{view->columnWidth(c)} * available / total);
    view->setColumnWidth(c, std::max(width, 1));
    used += width;
  }
}

bool TGridColumnSizer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && autoWidth_) Fit();
  return QObject::eventFilter(watched, event);
}
