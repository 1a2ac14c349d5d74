#include "layout/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <limits>

TFileReader::TFileReader() : buffer_(new char[kBufferSize]) {
  buffer_[0] = '\0';
}

TFileReader::~TFileReader() = default;

void TFileReader::Open(const std::string& name) {
  if (!FileExists(name)) ThrowNaming(EFileReaderException("File does not exists"), name);
  TFile file;
  file.Open(name);
  const int64_t size = file.Size();
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
    std::memcpy(buffer_.get(), window_.get() + WindowOffset(), static_cast<size_t>(count));
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
  if (WindowHolds(offset, static_cast<uint64_t>(n))) return window_.get() + offset;
  return FillWindow(pos, n);
}

const char* TFileReader::FillWindow(int64_t pos, int32_t n) {
  if (!window_) window_.reset(new char[kWindowSize]);
  // Reading backwards (a grid scrolling up) keeps the wanted bytes in the upper half of the new window, so
  // the records before them come from the same fill. A file that fits the window is held whole, so that
  // jumping about in it (memo texts) reads it once.
  const bool backwards = windowLength_ != 0 && pos < windowStart_;
  int64_t start = backwards ? std::max<int64_t>(0, pos + n - kWindowSize / 2) : pos;
  if (size_ <= kWindowSize) start = 0;
  const auto want = static_cast<size_t>(std::min<int64_t>(kWindowSize, size_ - start));
  windowStart_ = start;
  windowLength_ = 0;
  windowLength_ = file_.ReadSomeAt(start, window_.get(), want);
  // The file shrank below the size taken at opening.
  if (static_cast<uint64_t>(pos + n - start) > windowLength_) Throw(EInOutError(EIO));
  return window_.get() + (pos - start);
}

void TFileReader::ThrowEof() const {
  Throw(EFileReaderException("EOF-Error"));
}

void TFileReader::ThrowInvalidCount(int32_t n) const {
  Throw(EFileReaderException("Invalid read count " + std::to_string(n)));
}
