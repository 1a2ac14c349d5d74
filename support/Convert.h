#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The general form of TryStrToInt, for text that is not up to nine plain decimal digits.
std::optional<int32_t> TryStrToIntGeneral(std::string_view text);
[[noreturn]] void RaiseNotAnInteger(std::string_view text);

// The one integer syntax of the system: an optional sign, then decimal digits or "$" and hexadecimal
// digits. Hexadecimal values fill 32 bits (so "$FFFFFFFF" is -1); decimal values must fit an int32.
// Inline for the common case of record counts and length indicators: up to nine plain digits.
inline std::optional<int32_t> TryStrToInt(std::string_view text) {
  if (text.empty() || text.size() > 9) return TryStrToIntGeneral(text);
  int32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return TryStrToIntGeneral(text);
    value = value * 10 + (c - '0');
  }
  return value;
}

// Throws EConvertError "'<text>' is not a valid integer value".
inline int32_t StrToInt(std::string_view text) {
  if (const auto value = TryStrToInt(text)) return *value;
  RaiseNotAnInteger(text);
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
