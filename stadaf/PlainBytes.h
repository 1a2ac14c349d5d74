#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Reading record bytes in place: what the checked readers accept, for the plainly valid case only.

// Plain decimal digits as an int, or -1 when any byte is not a digit: what TryStrToInt gives for up to nine
// plain digits, without an optional the compiler spills on every call. Unrolled for each count.
template <int32_t kCount>
[[gnu::always_inline]] inline int32_t PlainDigitsOf(const char* p) {
  int32_t value = 0;
  uint32_t bad = 0;
  for (int32_t i = 0; i < kCount; ++i) {
    const auto digit = static_cast<uint32_t>(static_cast<unsigned char>(p[i])) - '0';
    bad |= static_cast<uint32_t>(digit > 9);
    value = value * 10 + static_cast<int32_t>(digit);
  }
  return bad != 0 ? -1 : value;
}

// The eight bytes from p on as one word whose lowest byte is p[0], whatever the processor's byte order.
inline uint64_t LoadWord(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// The first count (1 to 8) bytes of a word from LoadWord as plain decimal digits, or -1 when any is not a
// digit: PlainDigitsOf without a loop, the bytes checked and combined in the word's lanes. The digits are
// moved to the word's top and zeros ('0') put before them, so that every lane holds a digit.
inline int32_t PlainDigitsOfWord(uint64_t word, int32_t count) {
  constexpr uint64_t kZeros = 0x3030303030303030;
  constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
  if (count < 8) word = (word << (8 * (8 - count))) | (kZeros >> (8 * count));
  // 0x30 to 0x39 only: the high nibble is 3, and stays 3 with 6 added (no lane carries into the next).
  if ((word & kHighNibbles) != kZeros || ((word + 0x0606060606060606) & kHighNibbles) != kZeros) return -1;
  word -= kZeros;
  // Pairs, then fours, then all eight: the first byte is the most significant digit.
  word = word * 10 + (word >> 8);
  word = (((word & 0x000000FF000000FF) * (100 + (uint64_t{1000000} << 32))) +
          (((word >> 16) & 0x000000FF000000FF) * (1 + (uint64_t{10000} << 32)))) >>
         32;
  return static_cast<int32_t>(word);
}

[[gnu::always_inline]] inline int32_t PlainDigits(const char* p, int32_t count) {
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

// BytesBeforeZero where readable bytes from p on may be read (readable >= count): up to 32 bytes in two
// vector compares instead of a loop, the bytes past count ignored.
inline size_t BytesBeforeZeroWithin(const char* p, size_t count, size_t readable) {
#if defined(__SSE2__)
  if (count <= 32 && readable >= 32) {
    const __m128i zero = _mm_setzero_si128();
    const auto low = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero)));
    const auto high = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), zero)));
    const uint64_t zeros = (low | (uint64_t{high} << 16)) & ((uint64_t{1} << count) - 1);
    return zeros != 0 ? static_cast<size_t>(__builtin_ctzll(zeros)) : count;
  }
#endif
  (void)readable;
  return BytesBeforeZero(p, count);
}

// How many of the first bytes are decimal digits, counting at most limit (at most 16 where 16 bytes may be
// read, the usual case: one vector compare).
inline size_t LeadingDigits(const char* p, size_t limit, size_t readable) {
  size_t n = 0;
#if defined(__SSE2__)
  if (readable >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Bytes from 0x80 on compare as negative, below '0'.
    const __m128i other =
        _mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8('0')), _mm_cmpgt_epi8(v, _mm_set1_epi8('9')));
    const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(other));
    if (mask != 0) return std::min<size_t>(static_cast<size_t>(__builtin_ctz(mask)), limit);
    n = 16;
  }
#endif
  while (n < limit && n < readable && p[n] >= '0' && p[n] <= '9') ++n;
  return std::min(n, limit);
}
