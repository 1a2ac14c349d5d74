#pragma once

#include <QString>
#include <memory>

class QMimeData;
class TDBGrid;

// The grid's Copy: the selected cells of the held rows as a table a spreadsheet pastes, text/plain
// (tab-separated, a header row of column names) and text/html (a <table> with <th> headers). Rows and
// columns that hold a selected cell are copied, columns in their order on screen; cells between them that
// are not selected stay empty. Memo cells give their text, values are decoded as the grid shows them.
class TGridClipboard {
 public:
  // Whether the grid has anything to copy.
  static bool HasSelection(const TDBGrid& grid);
  // The selection in both formats; none when nothing is selected. Errors of reading a memo propagate.
  static std::unique_ptr<QMimeData> SelectionData(const TDBGrid& grid);
  // Puts SelectionData on the clipboard; errors go to the application's error handler. With all records
  // selected and not all of them on screen it copies nothing and says so (export writes them).
  static void Copy(const TDBGrid& grid);
  // Whether the grid holds every record of its data set.
  static bool AllRecordsHeld(const TDBGrid& grid);
};
