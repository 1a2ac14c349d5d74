#include "core/DumpWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "support/Windows1252.h"

namespace {

// Per byte: whether a format copies it as it is. Bytes from 0x80 on are decoded, the rest escaped or quoted.
using TPlainBytes = std::array<bool, 256>;

constexpr TPlainBytes PlainBytes(std::string_view special) {
  TPlainBytes plain{};
  for (int c = 0; c < 0x80; ++c) plain[c] = special.find(static_cast<char>(c)) == std::string_view::npos;
  return plain;
}

constexpr TPlainBytes kJsonPlain = [] {
  TPlainBytes plain = PlainBytes("\"\\");
  for (int c = 0; c < 0x20; ++c) plain[c] = false;
  return plain;
}();
constexpr TPlainBytes kCsvPlain = PlainBytes("\"");
constexpr TPlainBytes kCsvUnquoted = PlainBytes(",\"\r\n");
// A comma, quote or line break anywhere makes a CSV field quoted.
constexpr TPlainBytes kCsvQuoting = [] {
  TPlainBytes quoting{};
  for (const char c : std::string_view(",\"\r\n")) quoting[static_cast<unsigned char>(c)] = true;
  return quoting;
}();
constexpr TPlainBytes kTsvPlain = PlainBytes("\\\n\r\t");
// The document around an HTML table; the values are UTF-8 whatever the reader's default.
constexpr const char* kHtmlStart =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n<table>\n";
constexpr TPlainBytes kHtmlPlain = [] {
  TPlainBytes plain = PlainBytes("&<>\"");
  for (int c = 0; c < 0x20; ++c) plain[c] = c == '\t';
  return plain;
}();

// The backslash escape that JSON strings and TSV fields share, or nullptr for any other character.
const char* BackslashEscape(char c) {
  switch (c) {
    case '\\':
      return "\\\\";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    default:
      return nullptr;
  }
}

// What a format must look at besides the plain bytes: two characters, and every byte below a limit
// or from 0x80 on (bytes compared as signed, so that those from 0x80 on count as below).
struct TLookFor {
  char first;
  char second;
  signed char below;
};
constexpr TLookFor kCsvLook{',', '"', 0x0E};
constexpr TLookFor kJsonLook{'"', '\\', 0x20};
constexpr TLookFor kTsvLook{'\\', '\\', 0x0E};

// Whether any byte of a word (of 4 or 8 bytes) is one to look at, all bytes at once: a byte equal to c shows
// as a zero byte of word ^ c...c, and (word - b...b) & ~word has a high bit set where a byte below 0x80 is
// below b. A borrow can mark a byte above a marked one, never a word without one, so any() is exact.
template <class TWord>
[[gnu::always_inline]] inline bool AnyToLookAtIn(TWord word, const TLookFor& look) {
  constexpr TWord kOnes = static_cast<TWord>(0x0101010101010101ull);
  constexpr TWord kHigh = static_cast<TWord>(0x8080808080808080ull);
  const auto hasZero = [](TWord w) { return (w - kOnes) & ~w & kHigh; };
  const TWord first = word ^ (kOnes * static_cast<unsigned char>(look.first));
  const TWord second = word ^ (kOnes * static_cast<unsigned char>(look.second));
  const TWord below = (word - kOnes * static_cast<unsigned char>(look.below)) & ~word;
  return ((hasZero(first) | hasZero(second) | below | word) & kHigh) != 0;
}

// Whether any byte of bytes is one to look at: the usual plain ASCII value is then copied whole. Sixteen
// bytes at a time where the processor can; a short value or the last bytes one at a time.
bool AnyToLookAt(std::string_view bytes, const TLookFor& look) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(look.first), second = _mm_set1_epi8(look.second),
                below = _mm_set1_epi8(look.below);
  auto any16 = [&](const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, first), _mm_cmpeq_epi8(v, second)),
                                     _mm_cmplt_epi8(v, below));
    return _mm_movemask_epi8(hit) != 0;
  };
  if (bytes.size() >= 16) {
    for (; i + 16 <= bytes.size(); i += 16)
      if (any16(bytes.data() + i)) return true;
    // The last bytes within a final, overlapping block.
    return i < bytes.size() && any16(bytes.data() + bytes.size() - 16);
  }
#endif
  for (; i < bytes.size(); ++i) {
    const auto c = static_cast<signed char>(bytes[i]);
    if (c == look.first || c == look.second || c < look.below) return true;
  }
  return false;
}

// The n bytes (sizeof(TWord) ... 2 * sizeof(TWord)) from p as a first and a last word, overlapping: copied
// to to when neither holds a byte to look at; false, nothing copied, otherwise.
template <class TWord>
[[gnu::always_inline]] inline bool CopyInTwoWords(char* to, const char* p, size_t n, const TLookFor& look) {
  TWord head, tail;
  std::memcpy(&head, p, sizeof head);
  std::memcpy(&tail, p + n - sizeof tail, sizeof tail);
  if (AnyToLookAtIn(head, look) || AnyToLookAtIn(tail, look)) return false;
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
  return true;
}

// Copies bytes to to (room for bytes.size() bytes) when none is one to look at and returns the end of the
// copy, else returns nullptr (the bytes at to then count for nothing). A value of fewer than 16 bytes, the
// usual one, is looked at and copied in two overlapping words of 8 or 4 bytes (its first, middle and last
// byte when shorter), without a loop or a library call.
[[gnu::always_inline]] inline char* CopyIfPlain(char* to, std::string_view bytes, const TLookFor& look) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  if (n >= 16) {
    if (AnyToLookAt(bytes, look)) return nullptr;
    std::memcpy(to, p, n);
  } else if (n >= 8) {
    if (!CopyInTwoWords<uint64_t>(to, p, n, look)) return nullptr;
  } else if (n >= 4) {
    if (!CopyInTwoWords<uint32_t>(to, p, n, look)) return nullptr;
  } else if (n > 0) {
    const auto plain = [&](char c) {
      return c != look.first && c != look.second && static_cast<signed char>(c) >= look.below;
    };
    const char first = p[0], middle = p[n / 2], last = p[n - 1];
    if (!plain(first) || !plain(middle) || !plain(last)) return nullptr;
    to[0] = first;
    to[n / 2] = middle;
    to[n - 1] = last;
  }
  return to + n;
}

// Appends bytes to out, copying runs of plain bytes whole, decoding bytes from 0x80 on and handing every
// other byte to escape(out, byte).
template <class Escape>
void AppendEscaped(TDumpBuffer& out, std::string_view bytes, const TPlainBytes& plain, Escape escape) {
  size_t run = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (plain[c]) continue;
    out.append(bytes.data() + run, i - run);
    if (c >= 0x80)
      out += Windows1252ToUtf8(bytes.substr(i, 1));
    else
      escape(out, static_cast<char>(c));
    run = i + 1;
  }
  out.append(bytes.data() + run, bytes.size() - run);
}

}  // namespace

void TDumpBuffer::Reserve(size_t capacity) {
  capacity = std::max(capacity, 2 * capacity_);
  auto data = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

TDumpWriter::~TDumpWriter() {
  try {
    Flush();
  } catch (...) {
  }
}

void TDumpWriter::Flush() {
  if (buffer_.empty()) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

// Straight into the buffer (an int64_t takes at most 20 characters): no copy through a library call per
// line of JSON.
void TDumpWriter::WriteNumber(int64_t value) {
  char* to = buffer_.Room(24);
  buffer_.SetEnd(std::to_chars(to, to + 24, value).ptr);
}

void TDumpWriter::WriteJsonString(std::string_view bytes) {
  buffer_ += '"';
  WriteJsonEscaped(bytes);
  buffer_ += '"';
}

void TDumpWriter::WriteJsonEscaped(std::string_view bytes) {
  AppendEscaped(buffer_, bytes, kJsonPlain, [](TDumpBuffer& out, char c) {
    if (const char* escape = BackslashEscape(c)) {
      out += escape;
    } else if (c == '"') {
      out += "\\\"";
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += escaped;
    }
  });
}

// RFC 4180: a field with a comma, quote or line break is quoted, quotes doubled.
void TDumpWriter::WriteCsvField(std::string_view bytes) {
  bool quoted = false;
  for (const char c : bytes) quoted |= kCsvQuoting[static_cast<unsigned char>(c)];
  if (!quoted) {
    AppendEscaped(buffer_, bytes, kCsvUnquoted, [](TDumpBuffer&, char) {});
    return;
  }
  buffer_ += '"';
  AppendEscaped(buffer_, bytes, kCsvPlain, [](TDumpBuffer& out, char c) { out.append(2, c); });
  buffer_ += '"';
}

// TSV cannot quote: tab, line breaks and backslash are written as \t, \n, \r and \\.
void TDumpWriter::WriteTsvField(std::string_view bytes) {
  AppendEscaped(buffer_, bytes, kTsvPlain, [](TDumpBuffer& out, char c) { out += BackslashEscape(c); });
}

// The values are written through a pointer of their own into room taken once for the row as it is when all
// are plain (the usual case), so that neither a check for room nor a reload of the buffer's state, which
// every byte store may have changed, comes between them; a value with a byte to look at goes through
// write, which appends it to the buffer as it is then.
template <class TValues, class TLook>
void TDumpWriter::WriteFields(const TValues& values, const TLook& look, bool quote, char separator,
                              void (TDumpWriter::*write)(std::string_view)) {
  const size_t extra = quote ? 3 : 1;  // separator and quotes
  size_t left = 0;                     // the room the values still to come take when plain
  for (size_t i = 0; i < values.size(); ++i) left += std::string_view(values[i]).size() + extra;
  char* to = buffer_.Room(left);
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string_view value = values[i];
    left -= value.size() + extra;
    if (i > 0) *to++ = separator;
    if (quote) *to++ = '"';
    if (char* end = CopyIfPlain(to, value, look)) {
      to = end;
    } else {
      buffer_.SetEnd(to);
      (this->*write)(value);
      to = buffer_.Room(left + extra);
    }
    if (quote) *to++ = '"';
  }
  buffer_.SetEnd(to);
}

template <class TValues>
void TDumpWriter::WriteDelimitedRow(const TValues& values) {
  if (format_ == TDumpFormat::dfCsv) {
    WriteFields(values, kCsvLook, false, ',', &TDumpWriter::WriteCsvField);
    buffer_ += "\r\n";
  } else {
    WriteFields(values, kTsvLook, false, '\t', &TDumpWriter::WriteTsvField);
    buffer_ += '\n';
  }
  FlushWhenFull();
}

void TDumpWriter::WriteHtmlText(std::string_view bytes) {
  for (size_t run = 0; run < bytes.size();) {
    // Plain bytes up to the next one to escape or decode, copied whole.
    size_t i = run;
    while (i < bytes.size() && kHtmlPlain[static_cast<unsigned char>(bytes[i])]) ++i;
    buffer_.append(bytes.data() + run, i - run);
    if (i == bytes.size()) break;
    const char c = bytes[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      buffer_ += Windows1252ToUtf8(bytes.substr(i, 1));
    } else if (c == '&') {
      buffer_ += "&amp;";
    } else if (c == '<') {
      buffer_ += "&lt;";
    } else if (c == '>') {
      buffer_ += "&gt;";
    } else if (c == '"') {
      buffer_ += "&quot;";
    } else if (c == '\n' || c == '\r') {
      // CR LF, LF and CR alone each break the line once.
      buffer_ += "<br>";
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "&#%u;", static_cast<unsigned>(static_cast<unsigned char>(c)));
      buffer_ += escaped;
    }
    run = i + 1;
  }
}

template <class TValues>
void TDumpWriter::WriteHtmlRow(const TValues& values, const char* cell) {
  buffer_ += "<tr>";
  for (const std::string_view value : values) {
    buffer_ += '<';
    buffer_ += cell;
    buffer_ += '>';
    WriteHtmlText(value);
    buffer_ += "</";
    buffer_ += cell;
    buffer_ += '>';
  }
  buffer_ += "</tr>\n";
  FlushWhenFull();
}

void TDumpWriter::WriteJsonColumns(const std::vector<TDumpColumn>& columns) {
  buffer_ += "{\"columns\":[";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) buffer_ += ',';
    buffer_ += "{\"name\":";
    WriteJsonString(columns[i].name);
    buffer_ += ",\"kind\":\"";
    buffer_ += columns[i].memo ? "memo" : "string";
    buffer_ += "\",\"size\":";
    WriteNumber(columns[i].size);
    buffer_ += '}';
    FlushWhenFull();
  }
}

void TDumpWriter::WriteSchema(const std::vector<TDumpColumn>& columns) {
  if (format_ == TDumpFormat::dfHtml) {
    buffer_ += kHtmlStart;
    WriteHtmlRow(std::vector<std::string>{"name", "kind", "size"}, "th");
    for (const auto& c : columns)
      WriteHtmlRow(std::vector<std::string>{c.name, c.memo ? "memo" : "string", std::to_string(c.size)},
                   "td");
    WriteFooter();
    return;
  }
  if (format_ == TDumpFormat::dfJsonLines) {
    WriteJsonColumns(columns);
    buffer_ += "]}\n";
    return;
  }
  WriteDelimitedRow(std::vector<std::string>{"name", "kind", "size"});
  for (const auto& c : columns)
    WriteDelimitedRow(std::vector<std::string>{c.name, c.memo ? "memo" : "string", std::to_string(c.size)});
}

void TDumpWriter::WriteHeader(const std::vector<TDumpColumn>& columns, int recordType,
                              std::string_view typeName, int64_t count) {
  if (format_ != TDumpFormat::dfJsonLines) {
    std::vector<std::string> names;
    for (const auto& c : columns) names.push_back(c.name);
    if (format_ == TDumpFormat::dfHtml) {
      buffer_ += kHtmlStart;
      WriteHtmlRow(names, "th");
    } else {
      WriteDelimitedRow(names);
    }
    return;
  }
  WriteJsonColumns(columns);
  buffer_ += "],\"record_type\":";
  WriteNumber(recordType);
  buffer_ += ",\"type_name\":";
  WriteJsonString(typeName);
  buffer_ += ",\"count\":";
  WriteNumber(count);
  buffer_ += "}\n";
  FlushWhenFull();
}

void TDumpWriter::WriteRecord(int64_t recNo, const std::vector<std::string>& values) {
  WriteValues(recNo, values);
}

void TDumpWriter::WriteRecord(int64_t recNo, std::span<const std::string_view> values) {
  WriteValues(recNo, values);
}

template <class TValues>
void TDumpWriter::WriteValues(int64_t recNo, const TValues& values) {
  if (format_ == TDumpFormat::dfHtml) {
    WriteHtmlRow(values, "td");
    return;
  }
  if (format_ != TDumpFormat::dfJsonLines) {
    WriteDelimitedRow(values);
    return;
  }
  buffer_ += "{\"recno\":";
  WriteNumber(recNo);
  buffer_ += ",\"values\":[";
  WriteFields(values, kJsonLook, true, ',', &TDumpWriter::WriteJsonEscaped);
  buffer_ += "]}\n";
  FlushWhenFull();
}

void TDumpWriter::WriteFooter() {
  if (format_ == TDumpFormat::dfHtml) buffer_ += "</table>\n</body>\n</html>\n";
}
