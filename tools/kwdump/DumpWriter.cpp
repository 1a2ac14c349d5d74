#include "tools/kwdump/DumpWriter.h"

#include <cstdio>

#include "support/Windows1252.h"

namespace {
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
}  // namespace

void TDumpWriter::Decode(std::string_view bytes) {
  utf8_.clear();
  AppendWindows1252AsUtf8(utf8_, bytes);
}

void TDumpWriter::WriteJsonString(std::string_view bytes) {
  Decode(bytes);
  out_ << '"';
  for (const char c : utf8_) {
    if (const char* escape = BackslashEscape(c)) {
      out_ << escape;
    } else if (c == '"') {
      out_ << "\\\"";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out_ << escaped;
    } else {
      out_ << c;
    }
  }
  out_ << '"';
}

// RFC 4180: a field with a comma, quote or line break is quoted, quotes doubled.
void TDumpWriter::WriteCsvField(std::string_view bytes) {
  Decode(bytes);
  if (utf8_.find_first_of(",\"\r\n") == std::string::npos) {
    out_ << utf8_;
    return;
  }
  out_ << '"';
  for (const char c : utf8_) {
    if (c == '"') out_ << '"';
    out_ << c;
  }
  out_ << '"';
}

// TSV cannot quote: tab, line breaks and backslash are written as \t, \n, \r and \\.
void TDumpWriter::WriteTsvField(std::string_view bytes) {
  Decode(bytes);
  for (const char c : utf8_) {
    if (const char* escape = BackslashEscape(c))
      out_ << escape;
    else
      out_ << c;
  }
}

void TDumpWriter::WriteDelimitedRow(const std::vector<std::string>& values) {
  const bool csv = format_ == TDumpFormat::dfCsv;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out_ << (csv ? ',' : '\t');
    csv ? WriteCsvField(values[i]) : WriteTsvField(values[i]);
  }
  out_ << (csv ? "\r\n" : "\n");
}

void TDumpWriter::WriteJsonColumns(const std::vector<TDumpColumn>& columns) {
  out_ << "{\"columns\":[";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) out_ << ',';
    out_ << "{\"name\":";
    WriteJsonString(columns[i].name);
    out_ << ",\"kind\":\"" << (columns[i].memo ? "memo" : "string") << "\",\"size\":" << columns[i].size
         << '}';
  }
}

void TDumpWriter::WriteSchema(const std::vector<TDumpColumn>& columns) {
  if (format_ == TDumpFormat::dfJsonLines) {
    WriteJsonColumns(columns);
    out_ << "]}\n";
    return;
  }
  WriteDelimitedRow({"name", "kind", "size"});
  for (const auto& c : columns)
    WriteDelimitedRow({c.name, c.memo ? "memo" : "string", std::to_string(c.size)});
}

void TDumpWriter::WriteHeader(const std::vector<TDumpColumn>& columns, int recordType,
                              std::string_view typeName, int64_t count) {
  if (format_ != TDumpFormat::dfJsonLines) {
    std::vector<std::string> names;
    for (const auto& c : columns) names.push_back(c.name);
    WriteDelimitedRow(names);
    return;
  }
  WriteJsonColumns(columns);
  out_ << "],\"record_type\":" << recordType << ",\"type_name\":";
  WriteJsonString(typeName);
  out_ << ",\"count\":" << count << "}\n";
}

void TDumpWriter::WriteRecord(int64_t recNo, const std::vector<std::string>& values) {
  if (format_ != TDumpFormat::dfJsonLines) {
    WriteDelimitedRow(values);
    return;
  }
  out_ << "{\"recno\":" << recNo << ",\"values\":[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out_ << ',';
    WriteJsonString(values[i]);
  }
  out_ << "]}\n";
}
