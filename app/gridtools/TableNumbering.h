#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "app/gridtools/ReaderPass.h"

class QStatusBar;
class TFileInfo;

// Gives the ISAM table a data window shows the record numbers that find, query and sort by form, go to
// record and print ranges work by: reads the positions of its records in the shown order on a worker thread,
// with the progress in the status bar, and numbers the table by them unless its order changed meanwhile.
// Destroying it cancels a running pass.
class TTableNumbering : public QObject {
  Q_OBJECT

 public:
  // holder: the holder whose data set the window shows (none once it is gone).
  TTableNumbering(std::function<TFileInfo*()> holder, QStatusBar* statusBar);

  // Numbers the holder's table unless it has its numbers; other data sets are left alone.
  void Start();
  // Cancels a running pass and waits for its thread.
  void Stop();
  bool Running() const { return pass_.Running(); }
  // Where the holder's table has no numbers: keeps action to run once they are there, reading them unless
  // that is under way (after a failure too), and returns true; false where there is nothing to number.
  // Actions kept are dropped when the reading fails or stops.
  bool Defer(std::function<void()> action);

 signals:
  // The table has its record numbers.
  void Numbered();

 private:
  void Apply(const std::string& indexName, const std::shared_ptr<const TRecordPositions>& positions);
  void ShowProgress(qint64 done, qint64 total);
  void ClearProgress();

  std::function<TFileInfo*()> holder_;
  QStatusBar* statusBar_;
  TReaderPass pass_;
  std::vector<std::function<void()>> deferred_;
};
