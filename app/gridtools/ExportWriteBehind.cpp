#include "app/gridtools/ExportWriteBehind.h"

#include <QFileDevice>
#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#endif
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr size_t kBufferSize = 1 << 20;
// Written stretches go to the disk in pieces of this size; the syncing thread follows every kSyncStretch.
constexpr int64_t kStretch = 8 << 20;
constexpr int64_t kSyncStretch = 128 << 20;

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

}  // namespace

TWriteBehind::TWriteBehind(QFileDevice& file, TExportTimes& times) : file_(file), times_(times) {
  for (int i = 0; i < kBuffers; ++i) {
    buffers_[i].Bytes = std::make_unique<char[]>(kBufferSize);
    if (i != filling_) idle_.push_back(i);
  }
}

TWriteBehind::~TWriteBehind() {
  Abandon();
}

bool TWriteBehind::Finish() {
  if (!started_) {
    if (filling_ < 0) return false;
    const bool written = WriteOut(buffers_[filling_]);
    times_.WriteMs += behind_.WriteMs;
    behind_ = {};
    return written;
  }
  if (filling_ >= 0 && !failed_) Queue(filling_);
  filling_ = -1;
  Stop();
  return !failed_;
}

void TWriteBehind::Abandon() {
  {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
  }
  filling_ = -1;
  Stop();
}

std::streamsize TWriteBehind::xsputn(const char* bytes, std::streamsize count) {
  for (std::streamsize left = count; left > 0;) {
    if (filling_ < 0 || failed_) return 0;
    TBuffer& buffer = buffers_[filling_];
    const size_t piece = std::min(static_cast<size_t>(left), kBufferSize - buffer.Size);
    std::memcpy(buffer.Bytes.get() + buffer.Size, bytes, piece);
    buffer.Size += piece;
    bytes += piece;
    left -= static_cast<std::streamsize>(piece);
    if (buffer.Size == kBufferSize) Hand();
  }
  return count;
}

TWriteBehind::int_type TWriteBehind::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

// Queues the buffer being filled for writing and goes on with a free one, waiting for one if need be.
void TWriteBehind::Hand() {
  if (!started_) {
    started_ = true;
    handle_ = file_.handle();
    writing_ = std::thread([this] { WriteQueued(); });
#if defined(__linux__)
    syncing_ = std::thread([this] { SyncBehind(); });
#endif
  }
  Queue(filling_);
  filling_ = -1;
  const auto start = TClock::now();
  std::unique_lock lock(mutex_);
  freed_.wait(lock, [this] { return !idle_.empty() || failed_; });
  times_.WaitMs += MsSince(start);
  if (failed_) return;
  filling_ = idle_.front();
  idle_.pop_front();
}

void TWriteBehind::Queue(int index) {
  {
    std::lock_guard lock(mutex_);
    full_.push_back(index);
  }
  queued_.notify_one();
}

void TWriteBehind::Stop() {
  if (!started_) return;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  queued_.notify_one();
  syncWanted_.notify_one();
  if (writing_.joinable()) writing_.join();
  if (syncing_.joinable()) syncing_.join();
  times_.WriteMs += behind_.WriteMs;
  times_.WriteBackMs += behind_.WriteBackMs;
  times_.SyncMs += behind_.SyncMs;
  behind_ = {};
}

// The writing thread: the full buffers in turn, until the end or a failure.
void TWriteBehind::WriteQueued() {
  for (;;) {
    int index = -1;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return abandoned_ || closing_ || !full_.empty(); });
      if (abandoned_ || full_.empty()) return;
      index = full_.front();
      full_.pop_front();
    }
    const bool written = WriteOut(buffers_[index]);
    bool syncDue = false;
    {
      std::lock_guard lock(mutex_);
      if (!written) failed_ = true;
      idle_.push_back(index);
      written_ = offset_;
      syncDue = written_ - synced_ >= kSyncStretch;
    }
    freed_.notify_one();
    if (syncDue) syncWanted_.notify_one();
    if (!written) return;
  }
}

// The syncing thread. A failed sync fails the export: the system reports a write-back error once, so the
// closing sync would not see it again.
void TWriteBehind::SyncBehind() {
#if defined(__linux__)
  std::unique_lock lock(mutex_);
  for (;;) {
    syncWanted_.wait(lock, [this] { return abandoned_ || closing_ || written_ - synced_ >= kSyncStretch; });
    if (abandoned_ || closing_) return;
    const int64_t upTo = written_;
    lock.unlock();
    const auto start = TClock::now();
    const int failure = ::fdatasync(handle_) == 0 ? 0 : errno;
    behind_.SyncMs += MsSince(start);
    lock.lock();
    synced_ = upTo;
    if (failure != 0) {
      syncError_ = std::strerror(failure);
      failed_ = true;
      freed_.notify_one();
      return;
    }
  }
#endif
}

// A write cut short (the disk full, the file too large) is continued, so that the error that stopped it
// reaches the file's errorString() instead of "Unknown error".
bool TWriteBehind::WriteOut(TBuffer& buffer) {
  const auto start = TClock::now();
  const auto size = static_cast<qint64>(buffer.Size);
  buffer.Size = 0;
  for (qint64 done = 0; done < size;) {
    const qint64 written = file_.write(buffer.Bytes.get() + done, size - done);
    if (written <= 0) return false;
    done += written;
  }
  behind_.WriteMs += MsSince(start);
  offset_ += size;
#if defined(__linux__)
  if (started_ && offset_ - handed_ >= kStretch) {
    const auto handing = TClock::now();
    ::sync_file_range(handle_, handed_, offset_ - handed_, SYNC_FILE_RANGE_WRITE);
    handed_ = offset_;
    behind_.WriteBackMs += MsSince(handing);
  }
#endif
  return true;
}
