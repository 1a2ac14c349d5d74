#include "tools/kwisam/Csv.h"

#include <cstdio>

bool TCsvReader::ReadRecord(std::vector<std::string>& fields) {
  fields.clear();
  using traits = std::char_traits<char>;
  int c = in_.sgetc();
  if (c == traits::eof()) return false;
  std::string field;
  bool quoted = false;
  while (true) {
    c = in_.sbumpc();
    if (quoted) {
      if (c == traits::eof()) {
        unterminated_ = true;
        break;
      }
      if (c == '"') {
        if (in_.sgetc() == '"') {
          in_.sbumpc();
          field.push_back('"');
        } else {
          quoted = false;
        }
      } else {
        field.push_back(static_cast<char>(c));
      }
      continue;
    }
    if (c == traits::eof() || c == '\n') break;
    if (c == '\r' && in_.sgetc() == '\n') continue;
    if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c == '"' && field.empty()) {
      quoted = true;
    } else {
      field.push_back(static_cast<char>(c));
    }
  }
  fields.push_back(std::move(field));
  return true;
}

void AppendCsvField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}
