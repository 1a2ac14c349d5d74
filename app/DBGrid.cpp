#include "app/DBGrid.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "app/MessageBox.h"

namespace {

constexpr int kWheelNotch = 120;
constexpr int kMaxInitialColumnCharacters = 64;

class TSyncScope {
 public:
  explicit TSyncScope(int& counter) : counter_(counter) { ++counter_; }
  ~TSyncScope() { --counter_; }
  TSyncScope(const TSyncScope&) = delete;
  TSyncScope& operator=(const TSyncScope&) = delete;

 private:
  int& counter_;
};

}  // namespace

TDBGridView::TDBGridView(TDBGrid& grid) : QTableView(&grid), grid_(grid) {}

void TDBGridView::keyPressEvent(QKeyEvent* event) {
  // Copies the selection, never one cell's text as the table view would.
  if (event->matches(QKeySequence::Copy)) {
    if (grid_.OnCopy) grid_.OnCopy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    grid_.SelectAllRecords();
    return;
  }
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  auto across = [this](CursorAction action) {
    return [this, action] {
      const QModelIndex next = moveCursor(action, Qt::NoModifier);
      if (next.isValid()) selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
    };
  };
  std::function<void()> move;
  switch (event->key()) {
    case Qt::Key_Up:
      move = [this] { grid_.MoveBy(-1); };
      break;
    case Qt::Key_Down:
      move = [this] { grid_.MoveBy(1); };
      break;
    case Qt::Key_PageUp:
      move = [this] { grid_.MoveBy(-grid_.VisibleRowCount()); };
      break;
    case Qt::Key_PageDown:
      move = [this] { grid_.MoveBy(grid_.VisibleRowCount()); };
      break;
    case Qt::Key_Home:
      if (control)
        move = [this] { grid_.First(); };
      else if (shift)
        move = across(MoveHome);
      break;
    case Qt::Key_End:
      if (control)
        move = [this] { grid_.Last(); };
      else if (shift)
        move = across(MoveEnd);
      break;
    case Qt::Key_Left:
      if (shift) move = across(MoveLeft);
      break;
    case Qt::Key_Right:
      if (shift) move = across(MoveRight);
      break;
    default:
      break;
  }
  if (move && shift) {
    grid_.Extend(move);
    return;
  }
  if (move) {
    move();
    // A plain move leaves one cell selected, also where the cursor could not go further.
    if (currentIndex().isValid())
      selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
    grid_.SetAnchor(currentIndex());
    return;
  }
  // Keys the table view handles; Shift alone (pressed before Shift+arrow) keeps the anchor.
  const QModelIndex before = currentIndex();
  QTableView::keyPressEvent(event);
  if (currentIndex() != before && !shift) grid_.SetAnchor(currentIndex());
}

void TDBGridView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) && index.isValid()) {
    grid_.Extend([this, index] { selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate); });
    event->accept();
    return;
  }
  QTableView::mousePressEvent(event);
  grid_.SetAnchor(currentIndex());
}

void TDBGridView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    QTableView::wheelEvent(event);
    return;
  }
  wheelRemainder_ += delta;
  const int notches = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ %= kWheelNotch;
  if (notches != 0) grid_.MoveBy(-notches * QApplication::wheelScrollLines());
  event->accept();
}

void TDBGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (current.isValid()) {
    grid_.currentColumn_ = current.column();
    ShowColumn(current.column());
  }
  TDataSet* dataSet = grid_.DataSet();
  if (grid_.Syncing() || !current.isValid() || !dataSet || !dataSet->Active()) return;
  const int distance = current.row() - dataSet->ActiveRecord();
  if (distance == 0) return;
  // The view is making its own selection for this cell.
  const bool extending = grid_.extending_;
  grid_.extending_ = true;
  grid_.MoveBy(distance);
  grid_.extending_ = extending;
}

void TDBGridView::ShowColumn(int column) {
  // Only across: the held rows always fit the height, and the view never scrolls them itself.
  const QHeaderView* titles = horizontalHeader();
  if (titles->isSectionHidden(column) || titles->visualIndex(column) < grid_.fixedColumns_) return;
  int fixed = 0;
  for (int visual = 0; visual < grid_.fixedColumns_ && visual < titles->count(); ++visual)
    fixed += titles->sectionSize(titles->logicalIndex(visual));
  const int left = titles->sectionPosition(column) - fixed;
  const int right = titles->sectionPosition(column) + titles->sectionSize(column);
  QScrollBar* bar = horizontalScrollBar();
  const int width = viewport()->width();
  if (left < bar->value())
    bar->setValue(left);
  else if (right > bar->value() + width)
    bar->setValue(std::min(left, right - width));
}

bool TDBGridView::viewportEvent(QEvent* event) {
  // The grid shows its cell hints itself, as the mouse moves.
  if (event->type() == QEvent::ToolTip) return true;
  return QTableView::viewportEvent(event);
}

TDBGrid::TDBGrid(QWidget* parent)
    : QWidget(parent),
      view_(new TDBGridView(*this)),
      scrollBar_(new QScrollBar(Qt::Vertical, this)),
      model_(new TDataSetTableModel(this)) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 0, 0);
  layout->addWidget(scrollBar_, 0, 1);

  view_->setModel(model_);
  view_->setFrameShape(QFrame::NoFrame);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setTabKeyNavigation(false);
  view_->setAutoScroll(false);
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideRight);
  view_->setShowGrid(true);
  // Record numbers beside the rows.
  view_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  view_->verticalHeader()->setSectionsClickable(false);
  view_->verticalHeader()->setMinimumSectionSize(1);
  view_->verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* titles = view_->horizontalHeader();
  titles->setSectionsMovable(true);
  titles->setSectionResizeMode(QHeaderView::Interactive);
  titles->setHighlightSections(false);
  titles->setFont(QFont(QStringLiteral("Tahoma"), 8));
  QPalette palette = view_->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
    palette.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  view_->setPalette(palette);

  view_->viewport()->setMouseTracking(true);
  view_->viewport()->installEventFilter(this);
  titles->viewport()->setMouseTracking(true);
  titles->viewport()->installEventFilter(this);
  setFocusProxy(view_);
  // Any selection but the grid's own for "all records" ends that state.
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (keepingAll_ == 0) allRecords_ = false;
  });

  scrollBar_->setTracking(false);
  connect(scrollBar_, &QScrollBar::actionTriggered, this, &TDBGrid::ScrollBarAction);
  connect(scrollBar_, &QScrollBar::sliderReleased, this,
          [this] { ScrollBarAction(QAbstractSlider::SliderMove); });
  UpdateScrollBar();
}

TDBGrid::~TDBGrid() {
  if (dataSet_) dataSet_->RemoveDataEventHandler(eventToken_);
}

void TDBGrid::SetDataSet(TDataSet* dataSet) {
  emit DataSetChanging();
  if (dataSet_) dataSet_->RemoveDataEventHandler(eventToken_);
  dataSet_ = dataSet;
  eventToken_ = 0;
  allRecords_ = false;
  {
    TSyncScope sync(syncing_);
    model_->SetDataSet(dataSet_);
  }
  reportedRecord_.clear();
  if (dataSet_) {
    eventToken_ =
        dataSet_->AddDataEventHandler([this](TDataEvent event, int32_t info) { OnDataEvent(event, info); });
    // The window opens also when a record in it cannot be read; the error is shown, not passed on.
    RunGuarded([&] {
      dataSet_->SetBufferCount(VisibleRowCount());
      dataSet_->First();
      RaiseIfActiveRowUnreadable();
    });
  }
  SizeColumns();
  SyncCurrentCell();
  UpdateScrollBar();
  emit RecordChanged();
}

int TDBGrid::VisibleRowCount() const {
  return std::max(1, view_->viewport()->height() / view_->verticalHeader()->defaultSectionSize());
}

void TDBGrid::MoveBy(int32_t distance) {
  if (dataSet_ && dataSet_->Active() && distance != 0)
    RunGuarded([&] {
      dataSet_->MoveBy(distance);
      RaiseIfActiveRowUnreadable();
    });
}

void TDBGrid::First() {
  if (dataSet_ && dataSet_->Active())
    RunGuarded([&] {
      dataSet_->First();
      RaiseIfActiveRowUnreadable();
    });
}

void TDBGrid::Last() {
  if (dataSet_ && dataSet_->Active())
    RunGuarded([&] {
      dataSet_->Last();
      RaiseIfActiveRowUnreadable();
    });
}

void TDBGrid::RaiseIfActiveRowUnreadable() {
  const std::exception_ptr error = dataSet_ && dataSet_->Active() && !dataSet_->IsEmpty()
                                       ? model_->RowError(dataSet_->ActiveRecord())
                                       : nullptr;
  if (!error) {
    reportedRecord_.clear();
    return;
  }
  // Once per arrival: refills and resizes while the cursor stays on the record do not repeat it.
  TDataSet::TBookmark record = dataSet_->GetBookmark();
  if (!record.empty() && record == reportedRecord_) return;
  reportedRecord_ = std::move(record);
  std::rethrow_exception(error);
}

void TDBGrid::GoToRecord(int32_t recNo) {
  if (!dataSet_ || !dataSet_->Active()) return;
  RunGuarded([&] {
    const int32_t count = dataSet_->GetRecordCount();
    if (count <= 0) return;
    const int32_t target = std::clamp(recNo, 1, count);
    dataSet_->SetRecNo(target);
    if (dataSet_->GetRecNo() == target) {
      RaiseIfActiveRowUnreadable();
      return;
    }
    // No positioning by number: walk from whichever of the first, the last and the current record
    // lies nearest.
    const int64_t fromCurrent = static_cast<int64_t>(target) - dataSet_->GetRecNo();
    const int64_t fromFirst = static_cast<int64_t>(target) - 1;
    const int64_t fromLast = static_cast<int64_t>(count) - target;
    if (fromFirst <= std::llabs(fromCurrent) && fromFirst <= fromLast) {
      dataSet_->First();
      dataSet_->MoveBy(static_cast<int32_t>(fromFirst));
    } else if (fromLast <= std::llabs(fromCurrent)) {
      dataSet_->Last();
      dataSet_->MoveBy(static_cast<int32_t>(-fromLast));
    } else {
      dataSet_->MoveBy(static_cast<int32_t>(fromCurrent));
    }
    RaiseIfActiveRowUnreadable();
  });
  UpdateScrollBar();
}

void TDBGrid::ScrollBarAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      MoveBy(1);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      MoveBy(-1);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      MoveBy(VisibleRowCount());
      break;
    case QAbstractSlider::SliderPageStepSub:
      MoveBy(-VisibleRowCount());
      break;
    case QAbstractSlider::SliderToMinimum:
      First();
      break;
    case QAbstractSlider::SliderToMaximum:
      Last();
      break;
    case QAbstractSlider::SliderMove: {
      // While the thumb is dragged nothing moves; the jump comes when it is let go.
      if (scrollBar_->isSliderDown() || !dataSet_ || !dataSet_->Active()) break;
      const int position = scrollBar_->sliderPosition();
      bool sequenced = false;
      RunGuarded([&] { sequenced = dataSet_->IsSequenced(); });
      if (sequenced)
        GoToRecord(position);
      else if (position <= scrollBar_->minimum())
        First();
      else if (position >= scrollBar_->maximum())
        Last();
      break;
    }
    default:
      break;
  }
  UpdateScrollBar();
}

void TDBGrid::OnDataEvent(TDataEvent event, int32_t info) {
  {
    TSyncScope sync(syncing_);
    model_->DataSetEvent(event, info);
  }
  if (event == TDataEvent::deDataSetScroll && info != 0 && !allRecords_) ShiftSelection(info);
  if (model_->columnCount() != sizedColumns_) SizeColumns();
  SyncCurrentCell();
  if (allRecords_) KeepAllSelected();
  UpdateScrollBar();
  emit RecordChanged();
}

void TDBGrid::SyncCurrentCell() {
  TSyncScope sync(syncing_);
  if (!dataSet_ || !dataSet_->Active() || model_->rowCount() == 0 || model_->columnCount() == 0) return;
  const int row = std::clamp(dataSet_->ActiveRecord(), 0, model_->rowCount() - 1);
  const QModelIndex current = view_->currentIndex();
  // After the model was reset (rows added or taken as the grid's height changed) the view has no current
  // cell: the column stays the one the user was in.
  const int column = current.isValid() ? current.column() : currentColumn_;
  const QModelIndex target = model_->index(row, std::min(column, model_->columnCount() - 1));
  if (extending_ || allRecords_) {
    if (target != current) view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    return;
  }
  if (target != current || !view_->selectionModel()->isSelected(target)) {
    view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    SetAnchor(target);
  }
}

void TDBGrid::SelectCell(int column) {
  if (!dataSet_ || !dataSet_->Active() || model_->rowCount() == 0 || column < 0 ||
      column >= model_->columnCount())
    return;
  const QModelIndex target =
      model_->index(std::clamp(dataSet_->ActiveRecord(), 0, model_->rowCount() - 1), column);
  TSyncScope sync(syncing_);
  view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
  SetAnchor(target);
}

void TDBGrid::SelectAllRecords() {
  allRecords_ = dataSet_ && dataSet_->Active();
  KeepAllSelected();
}

void TDBGrid::SelectNone() {
  allRecords_ = false;
  view_->clearSelection();
}

void TDBGrid::KeepAllSelected() {
  TSyncScope keep(keepingAll_);
  view_->selectAll();
}

void TDBGrid::SetAnchor(const QModelIndex& index) {
  anchorRow_ = index.isValid() ? index.row() : -1;
  anchorColumn_ = index.isValid() ? index.column() : -1;
}

void TDBGrid::Extend(const std::function<void()>& move) {
  if (anchorRow_ < 0) SetAnchor(view_->currentIndex());
  const bool extending = extending_;
  extending_ = true;
  move();
  extending_ = extending;
  SelectFromAnchor();
}

void TDBGrid::SelectFromAnchor() {
  const QModelIndex current = view_->currentIndex();
  const int rows = model_->rowCount();
  if (!current.isValid() || anchorRow_ < 0 || rows == 0 || anchorColumn_ >= model_->columnCount()) return;
  const int anchorRow = std::min(anchorRow_, rows - 1);
  const int top = std::min(anchorRow, current.row());
  const int bottom = std::max(anchorRow, current.row());
  // The columns between the two as they stand on screen, which may not be their order in the data set.
  const QHeaderView* titles = view_->horizontalHeader();
  const int from = titles->visualIndex(anchorColumn_);
  const int to = titles->visualIndex(current.column());
  QItemSelection selection;
  for (int visual = std::min(from, to); visual <= std::max(from, to); ++visual) {
    const int column = titles->logicalIndex(visual);
    if (!titles->isSectionHidden(column))
      selection.select(model_->index(top, column), model_->index(bottom, column));
  }
  view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TDBGrid::ShiftSelection(int32_t distance) {
  const int64_t rows = model_->rowCount();
  if (rows == 0) {
    anchorRow_ = -1;
    return;
  }
  if (anchorRow_ >= 0)
    anchorRow_ = static_cast<int>(std::clamp<int64_t>(anchorRow_ + int64_t{distance}, 0, rows - 1));
  QItemSelectionModel* selectionModel = view_->selectionModel();
  const QItemSelection old = selectionModel->selection();
  if (old.isEmpty()) return;
  QItemSelection moved;
  for (const QItemSelectionRange& range : old) {
    const int64_t top = std::max<int64_t>(range.top() + int64_t{distance}, 0);
    const int64_t bottom = std::min<int64_t>(range.bottom() + int64_t{distance}, rows - 1);
    if (top <= bottom)
      moved.select(model_->index(static_cast<int>(top), range.left()),
                   model_->index(static_cast<int>(bottom), range.right()));
  }
  selectionModel->select(moved, QItemSelectionModel::ClearAndSelect);
}

void TDBGrid::UpdateScrollBar() {
  const QSignalBlocker block(scrollBar_);
  if (!dataSet_ || !dataSet_->Active()) {
    scrollBar_->setRange(0, 0);
    scrollBar_->setEnabled(false);
    FitRecordNumbers(0);
    return;
  }
  scrollBar_->setEnabled(true);
  scrollBar_->setSingleStep(1);
  if (dataSet_->IsSequenced()) {
    const int32_t count = dataSet_->GetRecordCount();
    FitRecordNumbers(count);
    scrollBar_->setRange(count > 0 ? 1 : 0, std::max(count, 0));
    scrollBar_->setPageStep(VisibleRowCount());
    scrollBar_->setValue(dataSet_->GetRecNo());
  } else {
    FitRecordNumbers(0);
    scrollBar_->setRange(0, 2);
    scrollBar_->setPageStep(1);
    scrollBar_->setValue(dataSet_->Bof() ? 0 : dataSet_->Eof() ? 2 : 1);
  }
}

void TDBGrid::FitRecordNumbers(int32_t count) {
  int digits = 0;
  for (int64_t rest = count; rest > 0; rest /= 10) ++digits;
  if (digits == recordNumberDigits_) return;
  recordNumberDigits_ = digits;
  QHeaderView* numbers = view_->verticalHeader();
  numbers->setVisible(digits > 0);
  // As wide as the largest number from the start, so that scrolling never changes the columns' room.
  if (digits > 0)
    numbers->setFixedWidth(numbers->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('9'))) + 10);
}

void TDBGrid::FitRows() {
  if (!dataSet_) return;
  const int rows = VisibleRowCount();
  RunGuarded([&] {
    if (rows != dataSet_->BufferCount()) dataSet_->SetBufferCount(rows);
    // A window that only shrank may not have been reported.
    if (dataSet_->Active() && model_->rowCount() != dataSet_->BufferedRecordCount())
      OnDataEvent(TDataEvent::deLayoutChange, 0);
    UpdateScrollBar();
  });
}

void TDBGrid::SizeColumns() {
  sizedColumns_ = model_->columnCount();
  if (!dataSet_ || !dataSet_->Active()) return;
  const QFontMetrics cells = view_->fontMetrics();
  const QFontMetrics titles(view_->horizontalHeader()->font());
  const int digit = cells.horizontalAdvance(QLatin1Char('0'));
  for (int c = 0; c < sizedColumns_ && c < dataSet_->Fields().Count(); ++c) {
    const TField& field = dataSet_->Fields()[c];
    const int characters = field.IsBlob() ? 0 : std::min(field.Size(), kMaxInitialColumnCharacters);
    int width = std::max(characters * digit, cells.horizontalAdvance(TDataSetTableModel::MemoMarker()));
    width = std::max(width, titles.horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()));
    view_->setColumnWidth(c, width + 8);
  }
}

bool TDBGrid::CellAt(QPoint point, int& column, int& row) const {
  // Fixed columns are a table of their own laid over the view's: the point is in whichever is on top.
  const QAbstractItemView* table = view_;
  for (const QWidget* at = childAt(point); at != nullptr && at != this; at = at->parentWidget())
    if (const auto* over = qobject_cast<const QAbstractItemView*>(at); over && over->model() == model_) {
      table = over;
      break;
    }
  const QWidget* viewport = table->viewport();
  const QPoint local = viewport->mapFrom(this, point);
  if (!viewport->rect().contains(local)) return false;
  const QModelIndex index = table->indexAt(local);
  if (!index.isValid()) return false;
  column = index.column();
  row = index.row();
  return true;
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == view_->viewport() && event->type() == QEvent::Resize) FitRows();
  if (widget && event->type() == QEvent::MouseMove && OnMouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    const QPoint point = widget->mapTo(this, move->position().toPoint());
    OnMouseMove(move->modifiers(), point.x(), point.y());
  }
  if (widget && event->type() == QEvent::Leave && OnMouseLeave) OnMouseLeave();
  return QWidget::eventFilter(watched, event);
}
