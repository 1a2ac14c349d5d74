#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "support/Convert.h"

// The integer of a count or length field of a record. Nearly all are plain decimal digits, read here
// without the general conversion; anything else goes through TryStrToInt, the one integer syntax (sign,
// "$" and hexadecimal digits), so the result is the same either way.
inline std::optional<int32_t> CountOf(std::string_view text) {
  if (text.empty() || text.size() > 9) return TryStrToInt(text);
  int32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return TryStrToInt(text);
    value = value * 10 + (c - '0');
  }
  return value;
}

// As CountOf; text that is no integer raises StrToInt's EConvertError.
inline int32_t StrictCountOf(std::string_view text) {
  if (const auto value = CountOf(text)) return *value;
  return StrToInt(text);
}
