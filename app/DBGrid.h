#pragma once

#include <QTableView>
#include <QWidget>
#include <functional>
#include <string>

#include "app/DataSetModel.h"

class QScrollBar;
class TDBGrid;

// The table part of the grid: draws the held rows and turns vertical keys, wheel turns and clicks into
// moves of the data set. It never scrolls vertically itself.
class TDBGridView : public QTableView {
 public:
  explicit TDBGridView(TDBGrid& grid);
  TDBGrid& Grid() const { return grid_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  bool viewportEvent(QEvent* event) override;

 private:
  // Scrolls horizontally so that column is on screen, as much of it as fits.
  void ShowColumn(int column);

  TDBGrid& grid_;
  int wheelRemainder_ = 0;
};

// A read-only grid over a data set: the window of rows the data set holds, fitted to the grid's
// height, and a vertical scroll bar beside it that shows the record number among the record count.
// Every move goes through the data set (MoveBy, First, Last, SetRecNo), so record counts up to
// 2^31 - 1 work. Errors of the data set go to the application's error handler: a record that cannot
// be read is reported once, when the cursor reaches it.
class TDBGrid : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultRowHeight = 17;

  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;

  // Binds the grid to dataSet (not owned; none unbinds). A bound, open data set moves to its first
  // record.
  void SetDataSet(TDataSet* dataSet);
  TDataSet* DataSet() const { return dataSet_; }
  TDBGridView* View() const { return view_; }
  QScrollBar* VerticalScrollBar() const { return scrollBar_; }
  TDataSetTableModel* Model() const { return model_; }

  // Rows that fit the grid's height; the data set holds this many.
  int VisibleRowCount() const;

  // Navigation; errors go to the application's error handler.
  void MoveBy(int32_t distance);
  void First();
  void Last();
  // Makes record recNo (1-based) the active one: by SetRecNo where the data set supports it, else by
  // moving from the nearest of the first record, the last record and the current one.
  void GoToRecord(int32_t recNo);

  // Makes the active row's cell in column the current and only selected one.
  void SelectCell(int column);
  // Selects every record of the data set as a state, without reading any: the held rows show it selected,
  // and Copy and export take it for all records. Scrolling keeps it; a click, a key move or another
  // selection ends it.
  void SelectAllRecords();
  // Clears the selection, "all records" included.
  void SelectNone();
  bool AllRecordsSelected() const { return allRecords_; }
  // The first count columns on screen are fixed: drawn over the left edge, always in sight, and covering
  // that much of the columns scrolled beneath them.
  void SetFixedColumnCount(int count) { fixedColumns_ = count; }
  // Makes the data set hold as many rows as fit the grid's height (after the row height changed).
  void FitRows();

  // The cell hint's text as the mouse handler last set it.
  const QString& HintText() const { return hintText_; }
  void SetHintText(const QString& text) { hintText_ = text; }
  // The data window's mouse-move handler: key state and a position in the grid's coordinates.
  std::function<void(Qt::KeyboardModifiers, int, int)> OnMouseMove;
  std::function<void()> OnMouseLeave;

  // Column and data-set row under a point in the grid's coordinates; false over titles and empty areas.
  bool CellAt(QPoint point, int& column, int& row) const;

  // Runs the Copy command (Ctrl+C in the grid); none: the key does nothing.
  std::function<void()> OnCopy;

 signals:
  // SetDataSet is about to bind another data set (or none); the one bound so far may go right after.
  void DataSetChanging();
  // The active record, the held rows or the bound data set changed.
  void RecordChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TDBGridView;
  void OnDataEvent(TDataEvent event, int32_t info);
  // Raises the error of the active row when its values could not be read and the cursor has just
  // come to it.
  void RaiseIfActiveRowUnreadable();
  void SyncCurrentCell();
  void UpdateScrollBar();
  // Record numbers beside the rows, room for those of count records; none (0): no numbers.
  void FitRecordNumbers(int32_t count);
  void KeepAllSelected();
  void SizeColumns();
  void ScrollBarAction(int action);
  bool Syncing() const { return syncing_ > 0; }
  // Shift with a move: the move runs with the selection left alone, which then spans from the anchor
  // to the new current cell.
  void Extend(const std::function<void()>& move);
  void SelectFromAnchor();
  // The held rows moved by distance: the selection and its anchor move with their records; what
  // leaves the window is no longer selected.
  void ShiftSelection(int32_t distance);
  void SetAnchor(const QModelIndex& index);

  TDBGridView* view_;
  QScrollBar* scrollBar_;
  TDataSetTableModel* model_;
  TDataSet* dataSet_ = nullptr;
  int32_t eventToken_ = 0;
  int syncing_ = 0;
  bool extending_ = false;
  bool allRecords_ = false;
  int keepingAll_ = 0;  // selecting the held rows for "all records"
  int fixedColumns_ = 0;
  int anchorRow_ = -1;  // where a Shift selection starts, in held rows
  int anchorColumn_ = -1;
  int sizedColumns_ = -1;
  int currentColumn_ = 0;  // the column of the current cell, kept across model resets
  int recordNumberDigits_ = -1;
  QString hintText_;
  TDataSet::TBookmark reportedRecord_;  // the unreadable record whose error was shown last
};
