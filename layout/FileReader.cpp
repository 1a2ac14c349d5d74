#include "layout/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/BinaryOpenMode.h"

TFileReader::TFileReader() : buffer_(new char[kBufferSize]) {
  buffer_[0] = '\0';
}

TFileReader::~TFileReader() = default;

void TFileReader::Open(const std::string& name) {
  if (!FileExists(name)) throw EFileReaderException("File does not exists");
  TFile file;
  file.Open(name, GetDefaultBinaryOpenMode());
  const int64_t size = file.Size();
  if (size > std::numeric_limits<int32_t>::max()) throw EInOutError(EOVERFLOW);
  file_ = std::move(file);
  fileName_ = name;
  size_ = size;
  position_ = 0;
  windowStart_ = windowEnd_ = 0;
}

void TFileReader::Seek(int64_t offset) {
  if (offset < 0) throw EInOutError(EINVAL);
  if (offset >= size_) ThrowEof();
  position_ = offset;
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
  if (position_ >= windowStart_ && position_ + count <= windowEnd_) {
    std::memcpy(buffer_.get(), window_.get() + (position_ - windowStart_), static_cast<size_t>(count));
  } else {
    // Memo texts lie at scattered offsets: read just the block instead of refilling the window.
    file_.ReadAt(position_, buffer_.get(), static_cast<size_t>(count));
  }
  return std::string_view(buffer_.get(), static_cast<size_t>(count));
}

std::string_view TFileReader::PeekBytes(int32_t n) {
  if (n < 0 || n > kMaxViewBytes) ThrowInvalidCount(n);
  const auto count = static_cast<int32_t>(std::min<int64_t>(n, size_ - position_));
  if (count <= 0) return std::string_view();
  return std::string_view(WindowAt(position_, count), static_cast<size_t>(count));
}

int32_t TFileReader::FileSize() const {
  const int64_t size = file_.Size();
  if (size > std::numeric_limits<int32_t>::max()) throw EInOutError(EOVERFLOW);
  return static_cast<int32_t>(size);
}

const char* TFileReader::FillWindow(int64_t pos, int32_t n) {
  if (!window_) window_.reset(new char[kWindowSize]);
  // Reading backwards (a grid scrolling up) keeps the wanted bytes in the upper half of the new window, so
  // the records before them come from the same fill.
  const bool backwards = windowEnd_ > windowStart_ && pos < windowStart_;
  const int64_t start = backwards ? std::max<int64_t>(0, pos + n - kWindowSize / 2) : pos;
  const auto want = static_cast<size_t>(std::min<int64_t>(kWindowSize, size_ - start));
  windowStart_ = windowEnd_ = start;
  const size_t got = file_.ReadSomeAt(start, window_.get(), want);
  windowEnd_ = start + static_cast<int64_t>(got);
  // The file shrank below the size taken at opening.
  if (pos + n > windowEnd_) throw EInOutError(EIO);
  return window_.get() + (pos - windowStart_);
}

void TFileReader::ThrowEof() {
  throw EFileReaderException("EOF-Error");
}

void TFileReader::ThrowInvalidCount(int32_t n) {
  throw EFileReaderException("Invalid read count " + std::to_string(n));
}
