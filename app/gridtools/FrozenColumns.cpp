#include "app/gridtools/FrozenColumns.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "app/DBGrid.h"

TFrozenColumns::TFrozenColumns(TDBGrid& grid) : grid_(grid), overlay_(new QTableView(grid.View())) {
  QTableView* view = grid_.View();
  overlay_->setObjectName(QStringLiteral("FixedColumns"));
  overlay_->setModel(grid_.Model());
  QItemSelectionModel* own = overlay_->selectionModel();
  overlay_->setSelectionModel(view->selectionModel());
  delete own;
  overlay_->setFocusPolicy(Qt::NoFocus);
  overlay_->setFrameShape(QFrame::NoFrame);
  overlay_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  overlay_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  overlay_->setSelectionMode(view->selectionMode());
  overlay_->setSelectionBehavior(view->selectionBehavior());
  overlay_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  overlay_->setAutoScroll(false);
  overlay_->setWordWrap(false);
  overlay_->setShowGrid(view->showGrid());
  overlay_->setPalette(view->palette());
  overlay_->setItemDelegate(view->itemDelegate());
  overlay_->horizontalHeader()->setFont(view->horizontalHeader()->font());
  overlay_->horizontalHeader()->setHighlightSections(false);
  overlay_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  overlay_->verticalHeader()->hide();
  overlay_->verticalHeader()->setMinimumSectionSize(1);
  overlay_->hide();
  // The cells' mouse moves give hints as the grid's do; the context menu is the grid's.
  overlay_->viewport()->setMouseTracking(true);
  overlay_->viewport()->installEventFilter(&grid_);
  overlay_->viewport()->installEventFilter(this);
  overlay_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(overlay_, &QWidget::customContextMenuRequested, view, [this, view](const QPoint& at) {
    emit view->customContextMenuRequested(view->viewport()->mapFrom(overlay_->viewport(), at));
  });

  QHeaderView* titles = view->horizontalHeader();
  connect(titles, &QHeaderView::sectionResized, this, [this] { Sync(); });
  connect(titles, &QHeaderView::sectionMoved, this, [this] { Sync(); });
  connect(titles, &QHeaderView::geometriesChanged, this, [this] { Sync(); });
  connect(view->verticalHeader(), &QHeaderView::sectionResized, this, [this] { Sync(); });
  connect(grid_.Model(), &QAbstractItemModel::modelReset, this, [this] { Sync(); });
  connect(grid_.Model(), &QAbstractItemModel::layoutChanged, this, [this] { Sync(); });
  view->viewport()->installEventFilter(this);
}

TFrozenColumns::~TFrozenColumns() {
  grid_.SetFixedColumnCount(0);
  delete overlay_;
}

void TFrozenColumns::SetCount(int count) {
  count_ = std::max(count, 0);
  // The grid keeps its current cell in sight beside them.
  grid_.SetFixedColumnCount(count_);
  Sync();
}

int TFrozenColumns::FixedWidth() const {
  if (count_ == 0) return 0;
  const QHeaderView* titles = grid_.View()->horizontalHeader();
  int width = 0;
  for (int visual = 0; visual < count_ && visual < titles->count(); ++visual)
    width += titles->sectionSize(titles->logicalIndex(visual));
  return width;
}

void TFrozenColumns::Sync() {
  QTableView* view = grid_.View();
  const QHeaderView* titles = view->horizontalHeader();
  const int columns = grid_.Model()->columnCount();
  if (count_ == 0 || columns == 0) {
    overlay_->hide();
    return;
  }
  QHeaderView* own = overlay_->horizontalHeader();
  for (int visual = 0; visual < columns; ++visual) {
    const int column = titles->logicalIndex(visual);
    // The same order as the grid's, so that the first columns on screen are the fixed ones.
    const int at = own->visualIndex(column);
    if (at != visual) own->moveSection(at, visual);
    overlay_->setColumnHidden(column, visual >= count_ || titles->isSectionHidden(column));
    own->resizeSection(column, titles->sectionSize(column));
  }
  overlay_->setTextElideMode(view->textElideMode());
  own->setTextElideMode(titles->textElideMode());
  own->setDefaultAlignment(titles->defaultAlignment());
  own->setFixedHeight(titles->height());
  QHeaderView* rows = overlay_->verticalHeader();
  rows->setDefaultSectionSize(view->verticalHeader()->defaultSectionSize());
  for (int row = 0; row < grid_.Model()->rowCount(); ++row) rows->resizeSection(row, view->rowHeight(row));
  const QRect area = view->viewport()->geometry();
  overlay_->setGeometry(area.left(), titles->geometry().top(), std::min(FixedWidth() + 1, area.width()),
                        area.bottom() - titles->geometry().top() + 1);
  overlay_->show();
  overlay_->raise();
}

bool TFrozenColumns::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_.View()->viewport()) {
    if (event->type() == QEvent::Resize) Sync();
    return false;
  }
  // The fixed columns move through the grid's records as the grid does.
  if (event->type() == QEvent::Wheel) {
    QCoreApplication::sendEvent(grid_.View()->viewport(), event);
    return true;
  }
  return false;
}
