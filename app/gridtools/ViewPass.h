#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "support/DynamicIntegerArray.h"

class TFileInfo;

// What a view pass reads and makes: the holder's file, the query's entries (none: every record) and the
// sort's columns (none: record order).
struct TViewRequest {
  std::string FileName;
  Ref<IDynamicIntegerArray> Offsets;
  uint8_t RecordType = 0;
  std::string Extension;
  std::vector<TFilterEntry> Where;
  std::vector<TSortColumn> Sort;

  static TViewRequest For(const TFileInfo& info);
};

// Runs the filter and sort of a request on a worker thread through a data set of its own on the file
// (data sets are not shared across threads). Progress and the outcome come back as queued signals on the
// thread that started it; destroying it cancels a running pass and waits for its thread, which looks at
// the cancel flag every few thousand records.
class TViewPass : public QObject {
  Q_OBJECT

 public:
  explicit TViewPass(QObject* parent = nullptr);
  ~TViewPass() override;

  // Starts a pass; one that is running is cancelled first.
  void Start(TViewRequest request);
  void Cancel();
  bool Running() const { return thread_ != nullptr; }

 signals:
  // done of total records of the current step ("Filtering" or "Sorting").
  void Progress(const QString& step, qint64 done, qint64 total);
  void Finished(std::shared_ptr<TRecordView> view);
  // The error that ended the pass, to be raised again where it is shown.
  void Failed(std::exception_ptr error);
  void Cancelled();

 private:
  void Stop();
  void Ended();

  QThread* thread_ = nullptr;
  uint64_t pass_ = 0;  // the number of the latest pass; calls queued by earlier ones are dropped
  std::shared_ptr<std::atomic<bool>> cancel_;
};
