#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Where a seek counts from.
enum class TSeekOrigin : int32_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// A growable in-memory byte stream: one contiguous block, its size and a current position. Sizes and
// positions are 32-bit, so a stream holds at most 2 GiB - 1 bytes; growing beyond that fails with
// "Out of memory while expanding memory stream". The position may be set anywhere; reads and writes at
// a negative position do nothing, and a write beyond the end fills the gap with zero bytes.
class TMemoryStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream();

  int32_t Position() const { return position_; }
  void SetPosition(int32_t position) { position_ = position; }
  int32_t Size() const { return size_; }
  // Grows (new bytes are zero) or shrinks the stream; a position beyond the new end moves to it.
  void SetSize(int32_t size);

  // The first byte of the block, or nullptr while nothing was ever written; valid until the stream
  // next grows.
  uint8_t* Memory() { return data_; }
  const uint8_t* Memory() const { return data_; }

  // Copies at most Size() - Position() bytes to buffer; the position advances by the count returned.
  int32_t Read(void* buffer, int32_t count);
  // Writes count bytes at the position, growing the block as needed; the position advances.
  int32_t Write(const void* buffer, int32_t count);
  // Reads count bytes from source's position and writes them here; a count of 0 copies the whole
  // source from its first byte. A source holding fewer bytes fails with "Stream read error" and
  // copies nothing.
  int64_t CopyFrom(TMemoryStream& source, int32_t count);
  int32_t Seek(int32_t offset, TSeekOrigin origin);
  // Size 0, position 0, memory released.
  void Clear();

  // Appends one little-endian 32-bit value at the end and leaves the position there.
  void AppendInt32(int32_t value) {
    // Works on a local copy of the size: the byte store may alias the members, which would force reloads.
    const int32_t size = size_;
    if (capacity_ - size < 4) [[unlikely]]
      return AppendInt32Growing(value);
    StoreInt32(data_ + size, value);
    size_ = size + 4;
    position_ = size + 4;
  }
  // The little-endian 32-bit value at byte offset; the caller has checked offset + 4 <= Size().
  int32_t Int32At(int32_t offset) const { return LoadInt32(data_ + offset); }

  // Makes room for at least capacity bytes without changing the size.
  void Reserve(int64_t capacity);
  // Makes the stream count bytes longer at its end and returns those bytes, not initialised, for the
  // caller to fill (a file read straight into them, say); the position moves to the new end.
  uint8_t* AppendUninitialized(int32_t count);

 private:
  static void StoreInt32(uint8_t* p, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap32(bits);
    std::memcpy(p, &bits, 4);
  }
  static int32_t LoadInt32(const uint8_t* p) {
    uint32_t bits;
    std::memcpy(&bits, p, 4);
    if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap32(bits);
    return static_cast<int32_t>(bits);
  }
  // AppendInt32 when the block is full; kept out of line so that the common path makes no call.
  void AppendInt32Growing(int32_t value);
  // Grows to end bytes, zero-filling what lies between the old end and from.
  void Extend(int64_t end, int64_t from);

  // The size and the position are not neighbours, so that appending stores them as two plain integers
  // rather than as one combined vector store that the next append has to wait for.
  uint8_t* data_ = nullptr;
  int32_t size_ = 0;
  int32_t capacity_ = 0;
  int32_t position_ = 0;
};
