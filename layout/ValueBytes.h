#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Byte copying for the hot path of reading records into field values; internal to the layout library.

inline bool HasZeroByte(uint64_t word) {
  return ((word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull) != 0;
}

inline bool HasZeroByte(uint32_t word) {
  return ((word - 0x01010101u) & ~word & 0x80808080u) != 0;
}

// Whether bytes[0, n) hold a zero byte: eight at a time, the last eight (or four) overlapping the bytes
// before them, without calling out, as values are short.
inline bool HasZeroByteIn(const char* bytes, size_t n) {
  uint64_t word;
  if (n >= 8) {
    for (; n > 8; bytes += 8, n -= 8) {
      std::memcpy(&word, bytes, 8);
      if (HasZeroByte(word)) return true;
    }
    std::memcpy(&word, bytes + n - 8, 8);
    return HasZeroByte(word);
  }
  if (n >= 4) {
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, bytes, 4);
    std::memcpy(&tail, bytes + n - 4, 4);
    return HasZeroByte(head) || HasZeroByte(tail);
  }
  for (; n > 0; ++bytes, --n)
    if (*bytes == '\0') return true;
  return false;
}

// Copies the bytes of source[0, n) before its first zero byte to destination and returns their count. Record
// values are short and rarely hold a zero byte, so this moves eight bytes at a time without calling out; it
// writes only inside destination[0, n).
inline size_t CopyUntilZero(char* destination, const char* source, size_t n) {
  size_t i = 0;
  if (n >= 8) {
    uint64_t word;
    for (; i + 8 <= n; i += 8) {
      std::memcpy(&word, source + i, 8);
      if (HasZeroByte(word)) break;
      std::memcpy(destination + i, &word, 8);
    }
    if (i + 8 > n) {
      // The rest as one word overlapping the bytes already copied.
      std::memcpy(&word, source + n - 8, 8);
      if (!HasZeroByte(word)) {
        std::memcpy(destination + n - 8, &word, 8);
        return n;
      }
    }
  } else if (n >= 4) {
    // Two words overlapping in the middle.
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, source, 4);
    std::memcpy(&tail, source + n - 4, 4);
    if (!HasZeroByte(head) && !HasZeroByte(tail)) {
      std::memcpy(destination, &head, 4);
      std::memcpy(destination + n - 4, &tail, 4);
      return n;
    }
  }
  for (; i < n; ++i) {
    if (source[i] == '\0') return i;
    destination[i] = source[i];
  }
  return n;
}
