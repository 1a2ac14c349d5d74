#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/File.h"
#include "support/Exception.h"

class TReadAhead;

// Errors of the reader itself: "File does not exists", "EOF-Error", "Invalid read count <n>".
class EFileReaderException : public Exception {
 public:
  using Exception::Exception;
};

// Reads one file byte-exactly. Every read and move is checked against the size taken at opening, so bytes
// appended later are never seen and nothing is read past that end; a file that shrank below it gives
// EInOutError (EIO) instead. Reads go through a read-ahead window filled by positioned reads, so sequential
// reading and moving inside the window cost no system call.
//
// Positions and sizes are 64-bit: files of any size the system can hold open (files past 2 GiB included).
class TFileReader {
 public:
  static constexpr int32_t kBufferSize = 65000;               // receives ReadChars and PeekBlock
  static constexpr int32_t kMaxCharsCount = kBufferSize - 1;  // ReadChars adds a zero byte
  static constexpr int32_t kPeekBlockSize = 32768;
  static constexpr int32_t kWindowSize = 256 * 1024;
  static constexpr int32_t kMaxViewBytes = kWindowSize / 2;  // limit of ReadBytes and PeekBytes
  static constexpr int32_t kJumpSize = 16 * 1024;            // read at a jump away from the window

  TFileReader();
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;
  ~TFileReader();

  // Opens name for reading and moves to position 0. A missing file raises "File does not exists"; on any
  // failure the file open before stays open and unchanged.
  void Open(const std::string& name);

  // offset >= size: "EOF-Error"; negative offset: EInOutError (EINVAL). Never reads.
  void Seek(int64_t offset) {
    if (static_cast<uint64_t>(offset) >= static_cast<uint64_t>(size_)) ThrowBadSeek(offset);
    position_ = offset;
  }

  // n bytes as a new text. Position + n > size: "EOF-Error", nothing read, Position unchanged.
  std::string ReadString(int32_t n);

  // n bytes (0 ... kMaxCharsCount, else "Invalid read count <n>") copied into the reader's buffer and
  // followed by a zero byte; the result is valid until the next read. EOF checks as ReadString.
  const char* ReadChars(int32_t n) {
    const uint64_t offset = WindowOffset();
    if (static_cast<uint32_t>(n) - 1u < static_cast<uint32_t>(kMaxCharsCount) &&
        WindowHolds(offset, static_cast<uint32_t>(n))) {
      std::memcpy(buffer_.get(), view_ + offset, static_cast<size_t>(n));
      buffer_[n] = '\0';
      position_ += n;
      return buffer_.get();
    }
    return ReadCharsSlow(n);
  }

  // The next min(32768, size - Position) bytes, copied into the reader's buffer, without a zero byte added;
  // Position does not change.
  std::string_view PeekBlock();

  // The file's size as the system reports it now; a reader that was never opened raises EInOutError (EBADF).
  int64_t FileSize() const;

  // Like ReadChars without the copy: a view of the next n bytes (0 ... kMaxViewBytes) inside the window,
  // valid until the next call on this reader. Same checks; Position += n.
  std::string_view ReadBytes(int32_t n) {
    const uint64_t offset = WindowOffset();
    if (static_cast<uint32_t>(n) - 1u < static_cast<uint32_t>(kMaxViewBytes) &&
        WindowHolds(offset, static_cast<uint32_t>(n))) {
      position_ += n;
      return std::string_view(view_ + offset, static_cast<size_t>(n));
    }
    return ReadBytesSlow(n);
  }

  // A view of the next min(n, size - Position) bytes (n in 0 ... kMaxViewBytes) inside the window, valid
  // until the next call on this reader; fewer bytes only at the end of the file. Position does not change.
  std::string_view PeekBytes(int32_t n);

  // The bytes from Position to the end of the read-ahead window, without reading (empty when the window does
  // not hold Position). For parsing many small records in place; Advance moves past those consumed.
  std::string_view WindowedBytes() const {
    const uint64_t offset = WindowOffset();
    if (offset >= windowLength_) return std::string_view();
    return std::string_view(view_ + offset, static_cast<size_t>(windowLength_ - offset));
  }
  // Position += n for n bytes of WindowedBytes (no check beyond that).
  void Advance(size_t n) { position_ += static_cast<int64_t>(n); }

  // For a pass over the whole file: a second thread reads the next stretch while the caller works through
  // the window, where a second processor is free (else nothing changes). The bytes, the checks and the
  // errors are those of reading without it. Ends with the next Open or with the reader.
  void EnableReadAhead();
  // Back to reading in the caller's thread, before jumping about after a pass.
  void DisableReadAhead();

  // Bytes the reader's own window fills read from the file so far (for measuring).
  int64_t BytesFilled() const { return bytesFilled_; }

  const std::string& FileName() const { return fileName_; }
  bool IsOpen() const { return file_.IsOpen(); }
  int64_t Position() const { return position_; }
  // The size taken at opening, which bounds every read (0 for a reader never opened).
  int64_t OpenedSize() const { return size_; }

 private:
  // Offset of Position in the window; beyond windowLength_ when the window does not hold it (the window
  // never reaches past the size taken at opening, so bytes inside it need no end-of-file check).
  uint64_t WindowOffset() const { return static_cast<uint64_t>(position_ - windowStart_); }
  // The window holds count >= 1 bytes from offset (no wrap-around for a position before the window).
  bool WindowHolds(uint64_t offset, uint64_t count) const {
    return offset < windowLength_ && count <= windowLength_ - offset;
  }
  // Pointer to n > 0 bytes at pos, reading them into the window when it does not hold them; raises
  // "EOF-Error" when pos + n passes the size taken at opening.
  const char* WindowAt(int64_t pos, int32_t n);
  const char* ReadCharsSlow(int32_t n);
  std::string_view ReadBytesSlow(int32_t n);
  const char* FillWindow(int64_t pos, int32_t n);
  // The window moved on to pos from the stretch the read-ahead thread read after the old window; false
  // when that stretch does not serve (another place, nothing read ahead), nothing changed then.
  bool TakeReadAhead(int64_t pos, int32_t n);
  void StartReadAhead();
  // The reader's errors name its file.
  template <class TError>
  [[noreturn]] void Throw(TError error) const {
    ThrowNaming(std::move(error), fileName_);
  }
  [[noreturn]] void ThrowEof() const;
  [[noreturn]] void ThrowBadSeek(int64_t offset) const;
  [[noreturn]] void ThrowInvalidCount(int32_t n) const;

  TFile file_;
  std::string fileName_;
  int64_t position_ = 0;
  int64_t size_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<char[]> window_;  // allocated on first use: a reader that is never read costs no window
  char* view_ = nullptr;            // the window's bytes: in window_, or in a buffer of the read-ahead
  std::unique_ptr<TReadAhead> readAhead_;
  bool readingAhead_ = false;  // readAhead_ is in use
  int64_t windowStart_ = 0;
  uint64_t windowLength_ = 0;
  int64_t bytesFilled_ = 0;
};
