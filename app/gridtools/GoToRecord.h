#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;
class TDBGrid;

// "Go to record" of a data window (Ctrl+G in the grid): asks for a record number and moves the grid's
// cursor there through the data set (TDBGrid::GoToRecord). In a view of a query or sort, numbers count in
// the view, as the scroll bar does.
class TGoToRecord : public QObject {
  Q_OBJECT

 public:
  // Asks for a record number from 1 to count, offering current; none when the question was cancelled.
  using TAskFunction = std::function<std::optional<int32_t>(QWidget* parent, int32_t current, int32_t count)>;
  // Replaces the question (tests answer it) and returns the one it replaced; an empty function restores
  // the input dialog.
  static TAskFunction SetAskFunction(TAskFunction function);

  // Lives as long as the grid, as its child.
  explicit TGoToRecord(TDBGrid& grid);

  // Asks and moves; nothing for a grid without records.
  void Run();

 private:
  TDBGrid& grid_;
};
