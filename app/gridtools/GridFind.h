#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/gridtools/LatestRequest.h"
#include "app/gridtools/ReaderPass.h"
#include "app/gridtools/RecordSearch.h"

class QComboBox;
class QLineEdit;
class QStatusBar;
class QWidget;
class TDataSet;
class TDBGrid;
class TFileInfo;

// A data window's find: Ctrl+F opens a bar below the grid (the text, "All columns" or one column, Next and
// Previous); F3 and Shift+F3 find the next and the previous cell holding the text, letter case aside, from
// the current cell on. The search reads through a reader of its own on a worker thread, its progress in the
// status bar; Esc ends it. A hit moves the grid's cursor to the record through the data set and selects the
// cell; "not found" is said in the status bar. In a query's or sort's view it searches the view, in its
// order. Its owner destroys it before the grid; destroying it ends a running search.
class TGridFind : public QObject {
  Q_OBJECT

 public:
  // scope: the widget whose focus (its own or a child's) the shortcuts need; the bar is put into it by the
  // owner (Bar). holder: the holder whose file the window shows (none once it is gone).
  TGridFind(TDBGrid& grid, QWidget& scope, std::function<TFileInfo*()> holder, QStatusBar* statusBar);
  ~TGridFind() override;

  // The find bar, hidden until Open.
  QWidget* Bar() const { return bar_; }
  QLineEdit* TextEdit() const { return text_; }
  // Item 0 is "All columns", then the grid's columns in their order on screen.
  QComboBox* ColumnChoice() const { return columns_; }

  // Shows the bar with the grid's columns, the text selected and focused.
  void Open();
  void FindNext() { Find(false); }
  void FindPrevious() { Find(true); }
  // Finds the record whose value in column (of the grid's) begins with text, letter case and leading blanks
  // aside: from the record after the current one on, or from the current one itself where fromCurrent.
  void FindPrefix(int column, const QString& text, bool fromCurrent);
  void Cancel();
  bool Running() const { return pass_.Running(); }
  // Asked when a find would start on a data set without record numbers: true when they are being read and
  // retry will run once they are there.
  std::function<bool(std::function<void()> retry)> DeferUntilNumbered;

 signals:
  // A search ended: found, not found, failed or cancelled.
  void SearchEnded();

 private:
  void Find(bool backward);
  // The current record's number, where a find starts; 0 (said in the status bar where it matters) when the
  // data set is empty, cannot tell or has no record numbers; retry runs once they are there where they are
  // being read (DeferUntilNumbered).
  int32_t StartingRecord(TDataSet& dataSet, std::function<void()> retry);
  // Starts the search of request; columns: the grid's column of each of the request's columns.
  void Run(TSearchRequest request, std::vector<int> columns, const QString& text, bool backward);
  void FillColumns();
  // The outcome of a search: columns are the grid's columns the hit's column indexes.
  void Found(const TSearchHit& hit, const std::vector<int>& columns, const QString& text, bool backward);
  void ShowStatus(const QString& text);

  TDBGrid& grid_;
  std::function<TFileInfo*()> holder_;
  QStatusBar* statusBar_;
  QPointer<QWidget> bar_;
  QLineEdit* text_;
  QComboBox* columns_;
  TReaderPass pass_;
  TLatestRequest waiting_;  // a find waiting for record numbers
};
