#pragma once

#include <memory>
#include <vector>

#include "app/gridtools/ReaderPass.h"
#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"

// What a view pass reads and makes: the holder's file, the query's entries (none: every record) and the
// sort's columns (none: record order).
struct TViewRequest : TReaderSource {
  std::vector<TFilterEntry> Where;
  std::vector<TSortColumn> Sort;

  static TViewRequest For(const TFileInfo& info);
};

// Runs the filter and sort of a request as a reader pass; the view comes back by Finished.
class TViewPass : public TReaderPass {
  Q_OBJECT

 public:
  explicit TViewPass(QObject* parent = nullptr);

  // Starts a pass; one that is running is cancelled first.
  void Start(TViewRequest request);

 signals:
  // done of total records of the current step ("Filtering" or "Sorting").
  void Progress(const QString& step, qint64 done, qint64 total);
  void Finished(std::shared_ptr<TRecordView> view);
};
