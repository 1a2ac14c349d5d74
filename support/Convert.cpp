#include "support/Convert.h"

#include "support/Exception.h"

std::optional<int32_t> TryStrToIntGeneral(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return std::nullopt;
      }
      value = value * 16 + static_cast<uint64_t>(digit);
      if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    const auto bits = static_cast<uint32_t>(negative ? (0u - static_cast<uint32_t>(value)) : value);
    return static_cast<int32_t>(bits);
  }
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648ll) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

void RaiseNotAnInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue) {
  return TryStrToInt(text).value_or(defaultValue);
}
