#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "core/ReaderSource.h"
#include "dataset/RecordView.h"

class TDataSet;

// Runs a pass over a file on a worker thread through a data set of its own on the file (data sets are not
// shared across threads). What the pass reports comes back as queued calls on the thread that started it;
// Cancel sets the flag the pass looks at every few thousand records (a pass cancelled before its outcome
// was handed over ends as cancelled), and destroying this object cancels a running pass and waits for its
// thread.
class TReaderPass : public QObject {
  Q_OBJECT

 public:
  // Queues a function to run on the starting thread; dropped when the pass was replaced or this object is
  // gone meanwhile.
  using TPost = std::function<void(std::function<void()>)>;
  // The pass itself, on the worker: reads through reader, obeys control (its cancel flag and file name set)
  // and returns what hands its outcome over on the starting thread.
  using TWork =
      std::function<std::function<void()>(TDataSet& reader, TPassControl& control, const TPost& post)>;

  explicit TReaderPass(QObject* parent = nullptr);
  ~TReaderPass() override;

  // Starts a pass; one that is running is cancelled first.
  void Start(TReaderSource source, TWork work);
  void Cancel();
  // Cancels a running pass and waits for its thread.
  void Stop();
  bool Running() const { return thread_ != nullptr; }

 signals:
  // The error that ended the pass, to be raised again where it is shown.
  void Failed(std::exception_ptr error);
  void Cancelled();

 private:
  void Ended();

  QThread* thread_ = nullptr;
  uint64_t pass_ = 0;  // the number of the latest pass; calls queued by earlier ones are dropped
  std::shared_ptr<std::atomic<bool>> cancel_;
};
