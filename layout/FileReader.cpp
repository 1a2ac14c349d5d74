#include "layout/FileReader.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

// A thread that reads one stretch of the file at a time into one of two buffers, each with room before
// the stretch for the bytes the window carries over from the stretch before (a record across its end).
class TReadAhead {
 public:
  static constexpr size_t kCarry = TFileReader::kMaxViewBytes;
  static constexpr size_t kStretch = TFileReader::kWindowSize;

  explicit TReadAhead(const TFile& file) : file_(file) {
    for (auto& buffer : buffers_) buffer.reset(new char[kCarry + kStretch]);
    worker_ = std::thread([this] { Run(); });
  }
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;
  ~TReadAhead() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }

  // Reads count bytes at start into the buffer that does not hold view (the window), behind its carry room.
  void Start(int64_t start, size_t count, const char* view) {
    Wait();
    std::lock_guard lock(mutex_);
    target_ = Holds(0, view) ? 1 : 0;
    start_ = start;
    count_ = count;
    got_ = 0;
    error_ = nullptr;
    pending_ = true;
    changed_.notify_all();
  }
  // Waits for the stretch under way, if any; its start, or -1 when none was asked for.
  int64_t Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    return count_ > 0 ? start_ : -1;
  }
  // After Wait: the bytes read (a failed read rethrows its error).
  size_t Got() const {
    if (error_) std::rethrow_exception(error_);
    return got_;
  }
  char* Stretch() const { return buffers_[target_].get() + kCarry; }
  // After Wait: forgets the stretch, so that it is never taken twice.
  void Forget() { count_ = 0; }

 private:
  bool Holds(int index, const char* p) const {
    return p >= buffers_[index].get() && p < buffers_[index].get() + kCarry + kStretch;
  }
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stop_ || pending_; });
      if (stop_) return;
      const int64_t start = start_;
      const size_t count = count_;
      char* target = buffers_[target_].get() + kCarry;
      lock.unlock();
      size_t got = 0;
      std::exception_ptr error;
      try {
        got = file_.ReadSomeAt(start, target, count);
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      got_ = got;
      error_ = error;
      pending_ = false;
      changed_.notify_all();
    }
  }

  const TFile& file_;
  std::unique_ptr<char[]> buffers_[2];
  int target_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool pending_ = false;
  bool stop_ = false;
  int64_t start_ = 0;
  size_t count_ = 0;
  size_t got_ = 0;
  std::exception_ptr error_;
  std::thread worker_;
};

TFileReader::TFileReader() : buffer_(new char[kBufferSize]) {
  buffer_[0] = '\0';
}

TFileReader::~TFileReader() = default;

void TFileReader::EnableReadAhead() {
  if (!file_.IsOpen()) return;
  if (readAhead_) {
    readingAhead_ = true;
    if (windowLength_ > 0) StartReadAhead();
    return;
  }
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0 || CPU_COUNT(&cpus) < 2) return;
  readAhead_ = std::make_unique<TReadAhead>(file_);
  readingAhead_ = true;
  if (windowLength_ > 0) StartReadAhead();
}

void TFileReader::DisableReadAhead() {
  // The thread and its buffers stay until the reader goes: the window may lie in one of them.
  readingAhead_ = false;
}

void TFileReader::StartReadAhead() {
  const int64_t end = windowStart_ + static_cast<int64_t>(windowLength_);
  const auto count = static_cast<size_t>(std::min<int64_t>(TReadAhead::kStretch, size_ - end));
  if (count > 0) readAhead_->Start(end, count, view_);
}

bool TFileReader::TakeReadAhead(int64_t pos, int32_t n) {
  const int64_t end = windowStart_ + static_cast<int64_t>(windowLength_);
  const int64_t stretchStart = readAhead_->Wait();
  readAhead_->Forget();
  const auto carry = static_cast<size_t>(end - pos);
  if (stretchStart != end || windowLength_ == 0 || pos < windowStart_ || pos > end ||
      carry > TReadAhead::kCarry)
    return false;
  const size_t got = readAhead_->Got();
  char* stretch = readAhead_->Stretch();
  std::memmove(stretch - carry, view_ + (pos - windowStart_), carry);
  view_ = stretch - carry;
  windowStart_ = pos;
  windowLength_ = carry + got;
  // The file shrank below the size taken at opening.
  if (static_cast<uint64_t>(n) > windowLength_) Throw(EInOutError(EIO));
  StartReadAhead();
  return true;
}

void TFileReader::Open(const std::string& name) {
  if (!FileExists(name)) ThrowNaming(EFileReaderException("File does not exists"), name);
  TFile file;
  file.Open(name);
  const int64_t size = file.Size();
  readAhead_.reset();
  readingAhead_ = false;
  file_ = std::move(file);
  fileName_ = name;
  size_ = size;
  position_ = 0;
  windowStart_ = 0;
  windowLength_ = 0;
}

void TFileReader::ThrowBadSeek(int64_t offset) const {
  if (offset < 0) Throw(EInOutError(EINVAL));
  ThrowEof();
}

std::string TFileReader::ReadString(int32_t n) {
  if (n < 0) ThrowInvalidCount(n);
  if (position_ + n > size_) ThrowEof();
  std::string result;
  if (n <= kMaxViewBytes) {
    result.assign(ReadBytes(n));
  } else {
    result.resize(static_cast<size_t>(n));
    file_.ReadAt(position_, result.data(), result.size());
    position_ += n;
  }
  return result;
}

std::string_view TFileReader::PeekBlock() {
  const auto count = static_cast<int32_t>(std::min<int64_t>(kPeekBlockSize, size_ - position_));
  if (count <= 0) return std::string_view(buffer_.get(), 0);
  if (WindowHolds(WindowOffset(), static_cast<uint64_t>(count))) {
    std::memcpy(buffer_.get(), view_ + WindowOffset(), static_cast<size_t>(count));
  } else if (size_ <= kWindowSize) {
    // A file that fits the window is read once and held whole.
    std::memcpy(buffer_.get(), FillWindow(position_, count), static_cast<size_t>(count));
  } else {
    // Memo texts lie at scattered offsets: read just the block instead of refilling the window.
    file_.ReadAt(position_, buffer_.get(), static_cast<size_t>(count));
  }
  return std::string_view(buffer_.get(), static_cast<size_t>(count));
}

std::string_view TFileReader::PeekBytes(int32_t n) {
  if (n < 0 || n > kMaxViewBytes) ThrowInvalidCount(n);
  const auto count = static_cast<int32_t>(std::min<int64_t>(n, size_ - position_));
  if (count <= 0) return std::string_view(buffer_.get(), 0);
  return std::string_view(WindowAt(position_, count), static_cast<size_t>(count));
}

int64_t TFileReader::FileSize() const {
  return file_.Size();
}

const char* TFileReader::ReadCharsSlow(int32_t n) {
  if (n == 0) {
    buffer_[0] = '\0';
    return buffer_.get();
  }
  if (n < 0 || n > kMaxCharsCount) ThrowInvalidCount(n);
  const char* source = WindowAt(position_, n);
  std::memcpy(buffer_.get(), source, static_cast<size_t>(n));
  buffer_[n] = '\0';
  position_ += n;
  return buffer_.get();
}

std::string_view TFileReader::ReadBytesSlow(int32_t n) {
  if (n == 0) return std::string_view(buffer_.get(), 0);
  if (n < 0 || n > kMaxViewBytes) ThrowInvalidCount(n);
  const char* source = WindowAt(position_, n);
  position_ += n;
  return std::string_view(source, static_cast<size_t>(n));
}

const char* TFileReader::WindowAt(int64_t pos, int32_t n) {
  if (pos + n > size_) ThrowEof();
  const auto offset = static_cast<uint64_t>(pos - windowStart_);
  if (WindowHolds(offset, static_cast<uint64_t>(n))) return view_ + offset;
  return FillWindow(pos, n);
}

const char* TFileReader::FillWindow(int64_t pos, int32_t n) {
  if (readingAhead_ && TakeReadAhead(pos, n)) return view_;
  if (!window_) window_.reset(new char[kWindowSize]);
  view_ = window_.get();
  // Reading backwards (a grid scrolling up) keeps the wanted bytes in the upper half of the new window, so
  // the records before them come from the same fill. A file that fits the window is held whole, so that
  // jumping about in it (memo texts) reads it once.
  const bool backwards = windowLength_ != 0 && pos < windowStart_;
  int64_t start = backwards ? std::max<int64_t>(0, pos + n - kWindowSize / 2) : pos;
  // A jump away from the window (the next record of a sorted view, a memo text) reads a short stretch:
  // filling the whole window for each would read 256 KiB per record. Reading on from the window, or back
  // into the bytes before it, fills the whole window again.
  const bool jump = windowLength_ != 0 &&
                    (pos + n < windowStart_ || pos > windowStart_ + static_cast<int64_t>(windowLength_));
  int64_t length = kWindowSize;
  if (jump) {
    start = pos;
    length = std::max<int64_t>(n, kJumpSize);
  }
  if (size_ <= kWindowSize) {
    start = 0;
    length = kWindowSize;
  }
  const auto want = static_cast<size_t>(std::min<int64_t>(length, size_ - start));
  windowStart_ = start;
  windowLength_ = 0;
  windowLength_ = file_.ReadSomeAt(start, window_.get(), want);
  bytesFilled_ += static_cast<int64_t>(windowLength_);
  // The file shrank below the size taken at opening.
  if (static_cast<uint64_t>(pos + n - start) > windowLength_) Throw(EInOutError(EIO));
  if (readingAhead_) StartReadAhead();
  return window_.get() + (pos - start);
}

void TFileReader::ThrowEof() const {
  Throw(EFileReaderException("EOF-Error"));
}

void TFileReader::ThrowInvalidCount(int32_t n) const {
  Throw(EFileReaderException("Invalid read count " + std::to_string(n)));
}
