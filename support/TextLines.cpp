#include "support/TextLines.h"

namespace {
constexpr char kQuote = '"';
constexpr char kComma = ',';

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// Bytes 1 to 32: skipped between items (byte 0 ends the text).
bool IsSkippable(char c) {
  return c != '\0' && IsBlankOrControl(c);
}

bool NeedsQuotes(std::string_view item) {
  for (const char c : item)
    if (IsBlankOrControl(c) || c == kQuote || c == kComma) return true;
  return false;
}

// Reads the quoted item starting at text[pos] (the opening quote); pos ends after the closing quote, or
// at the end of the text when the quote is never closed.
std::string ReadQuotedItem(std::string_view text, size_t& pos) {
  std::string item;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == kQuote) {
      if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
        item += kQuote;
        pos += 2;
        continue;
      }
      ++pos;
      return item;
    }
    item += c;
    ++pos;
  }
  return item;
}
}  // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') ++pos;
    lines.emplace_back(text.substr(start, pos - start));
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string FormatCommaText(const std::vector<std::string>& items) {
  if (items.size() == 1 && items.front().empty()) return "\"\"";
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += kComma;
    const std::string& item = items[i];
    if (!NeedsQuotes(item)) {
      text += item;
      continue;
    }
    text += kQuote;
    for (const char c : item) {
      if (c == kQuote) text += kQuote;
      text += c;
    }
    text += kQuote;
  }
  return text;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
  // A byte 0 ends the text, as it ends a zero-terminated one.
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> items;
  size_t pos = 0;
  while (pos < text.size() && IsSkippable(text[pos])) ++pos;
  while (pos < text.size()) {
    if (text[pos] == kQuote) {
      items.push_back(ReadQuotedItem(text, pos));
    } else {
      const size_t start = pos;
      while (pos < text.size() && !IsBlankOrControl(text[pos]) && text[pos] != kComma) ++pos;
      items.emplace_back(text.substr(start, pos - start));
    }
    while (pos < text.size() && IsSkippable(text[pos])) ++pos;
    if (pos < text.size() && text[pos] == kComma) {
      if (pos + 1 == text.size()) items.emplace_back();
      do {
        ++pos;
      } while (pos < text.size() && IsSkippable(text[pos]));
    }
  }
  return items;
}

std::string_view TrimText(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
