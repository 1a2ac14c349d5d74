#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

// RFC 4180 records from a stream: fields separated by commas, records by CR LF or LF, quoted fields
// with doubled quotes and line breaks inside. Returns false at the end of the input.
class TCsvReader {
 public:
  explicit TCsvReader(std::istream& in) : in_(*in.rdbuf()) {}
  bool ReadRecord(std::vector<std::string>& fields);
  // Set when a quoted field runs to the end of the input.
  bool Unterminated() const { return unterminated_; }

 private:
  std::streambuf& in_;
  bool unterminated_ = false;
};

// Appends a field for CSV output: quoted (quotes doubled) when it holds a comma, quote or line break.
void AppendCsvField(std::string& out, std::string_view utf8);
// Appends a JSON string; characters below 0x20, quote and backslash escaped.
void AppendJsonString(std::string& out, std::string_view utf8);
