#include "support/Windows1252.h"

#include <cstdint>

namespace {
// Code points of the bytes 0x80 … 0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
}  // namespace

void AppendWindows1252AsUtf8(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
      continue;
    }
    const uint32_t cp = byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
    if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendWindows1252AsUtf8(out, text);
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text, uint32_t* badCodePoint) {
  std::string out;
  out.reserve(text.size());
  if (badCodePoint) *badCodePoint = 0;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    const size_t length = lead >= 0xF0 && lead < 0xF5   ? 4
                          : lead >= 0xE0                ? 3
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                                                        : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    uint32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return std::nullopt;
    i += length;
    if (cp >= 0xA0 && cp <= 0xFF) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    int byte = -1;
    for (int b = 0; b < 32 && byte < 0; ++b)
      if (kHighControls[b] == cp) byte = 0x80 + b;
    if (byte < 0) {
      if (badCodePoint) *badCodePoint = cp;
      return std::nullopt;
    }
    out.push_back(static_cast<char>(byte));
  }
  return out;
}
