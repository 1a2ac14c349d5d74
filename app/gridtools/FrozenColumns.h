#pragma once

#include <QObject>
#include <QPointer>
#include <QTableView>

class TDBGrid;

// Fixed columns: the first columns on screen drawn again, titles included, by a table of their own laid
// over the grid's left edge, so that they stay in place while the grid scrolls the others beneath. It
// shares the grid's model and selection, so a click in it moves the grid's cursor; keys, the wheel and
// the context menu go to the grid.
class TFrozenColumns : public QObject {
  Q_OBJECT

 public:
  explicit TFrozenColumns(TDBGrid& grid);
  ~TFrozenColumns() override;

  // Fixes the first count columns on screen (0: none).
  void SetCount(int count);
  int Count() const { return count_; }
  QTableView* Overlay() const { return overlay_; }
  // The width the fixed columns take; 0 when there are none.
  int FixedWidth() const;
  // Lays the fixed columns out again after the grid's columns or rows changed.
  void Sync();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TDBGrid& grid_;
  QPointer<QTableView> overlay_;  // a child of the grid's view
  int count_ = 0;
};
