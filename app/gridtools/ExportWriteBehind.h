#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>

#include "app/gridtools/RecordExport.h"

class QFileDevice;

// An export's output written to its file from a thread of its own, through a few fixed buffers, so that
// encoding goes on while write() copies into the system's cache. The file is synced before it is renamed
// into place, and the system would start writing its pages back only at that sync, which then waits for the
// whole file: the writing thread hands each written stretch to the disk, and a second thread syncs the file
// every kSyncStretch bytes, so that the closing sync has little left. The threads start with the first full
// buffer; output that fits in one is written by the calling thread in Finish. Worth it only with a processor
// to spare: on a busy machine the threads cost more processor time than the closing sync they save.
class TWriteBehind : public std::streambuf {
 public:
  // file open for writing; times receives the writing side's figures once its threads have ended.
  TWriteBehind(QFileDevice& file, TExportTimes& times);
  TWriteBehind(const TWriteBehind&) = delete;
  TWriteBehind& operator=(const TWriteBehind&) = delete;
  ~TWriteBehind() override;

  // Writes what is left and waits for the threads; false once a write or a sync failed.
  bool Finish();
  // Ends the threads at once, leaving what is not written; later output is dropped.
  void Abandon();
  bool Failed() const { return failed_; }
  // Why a sync failed, after Finish or Abandon; empty when none did (a failed write leaves its error in the
  // file's errorString()).
  const std::string& SyncError() const { return syncError_; }

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize count) override;
  int_type overflow(int_type c) override;

 private:
  struct TBuffer {
    std::unique_ptr<char[]> Bytes;
    size_t Size = 0;
  };

  void Hand();
  void Queue(int index);
  void Stop();
  void WriteQueued();
  void SyncBehind();
  bool WriteOut(TBuffer& buffer);

  static constexpr int kBuffers = 3;

  QFileDevice& file_;
  TExportTimes& times_;
  TBuffer buffers_[kBuffers];
  // The calling thread's: the buffer it fills (-1 after a failure left it none), whether the threads run.
  int filling_ = 0;
  bool started_ = false;
  int handle_ = -1;
  std::thread writing_;
  std::thread syncing_;
  std::mutex mutex_;
  // Under mutex_: the free buffers and those queued for writing, the bytes written and synced, the end.
  std::deque<int> idle_;
  std::deque<int> full_;
  int64_t written_ = 0;
  int64_t synced_ = 0;
  bool closing_ = false;
  bool abandoned_ = false;
  std::string syncError_;
  std::atomic<bool> failed_ = false;
  std::condition_variable queued_;      // to the writing thread: a buffer is full, or the end
  std::condition_variable freed_;       // to the calling thread: a buffer is free, or a failure
  std::condition_variable syncWanted_;  // to the syncing thread: kSyncStretch written since, or the end
  // The writing thread's: bytes written, bytes handed to the disk, its figures and the syncing thread's,
  // added to times_ once both have ended.
  int64_t offset_ = 0;
  int64_t handed_ = 0;
  TExportTimes behind_;
};
