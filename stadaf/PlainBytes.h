#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Reading record bytes in place: what the checked readers accept, for the plainly valid case only.

// Plain decimal digits as an int, or -1 when any byte is not a digit: what TryStrToInt gives for up to nine
// plain digits, without an optional the compiler spills on every call. Unrolled for each count.
template <int32_t kCount>
inline int32_t PlainDigitsOf(const char* p) {
  int32_t value = 0;
  uint32_t bad = 0;
  for (int32_t i = 0; i < kCount; ++i) {
    const auto digit = static_cast<uint32_t>(static_cast<unsigned char>(p[i])) - '0';
    bad |= static_cast<uint32_t>(digit > 9);
    value = value * 10 + static_cast<int32_t>(digit);
  }
  return bad != 0 ? -1 : value;
}

inline int32_t PlainDigits(const char* p, int32_t count) {
  switch (count) {
    case 1:
      return PlainDigitsOf<1>(p);
    case 2:
      return PlainDigitsOf<2>(p);
    case 3:
      return PlainDigitsOf<3>(p);
    case 4:
      return PlainDigitsOf<4>(p);
    case 5:
      return PlainDigitsOf<5>(p);
    case 6:
      return PlainDigitsOf<6>(p);
    case 7:
      return PlainDigitsOf<7>(p);
    case 8:
      return PlainDigitsOf<8>(p);
    case 9:
      return PlainDigitsOf<9>(p);
    default:
      return -1;
  }
}

// Bytes before the first zero byte of the count bytes (count when there is none); short data, the usual
// case, without a library call.
inline size_t BytesBeforeZero(const char* p, size_t count) {
  if (count > 32) {
    const void* zero = std::memchr(p, '\0', count);
    return zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - p) : count;
  }
  for (size_t i = 0; i < count; ++i)
    if (p[i] == '\0') return i;
  return count;
}
