#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

enum class TDumpFormat { dfJsonLines, dfCsv, dfTsv };

struct TDumpColumn {
  std::string name;  // 8-bit, as the data set names it
  bool memo = false;
  int32_t size = 0;
};

// Writes a data set's columns and records in one of the dump formats. Texts arrive as 8-bit
// Windows-1252 bytes and leave as UTF-8.
class TDumpWriter {
 public:
  TDumpWriter(std::ostream& out, TDumpFormat format) : out_(out), format_(format) {}

  // The columns alone (--schema).
  void WriteSchema(const std::vector<TDumpColumn>& columns);
  // jsonl: the header line with the record type and count; csv/tsv: the row of column names.
  void WriteHeader(const std::vector<TDumpColumn>& columns, int recordType, std::string_view typeName,
                   int64_t count);
  void WriteRecord(int64_t recNo, const std::vector<std::string>& values);

 private:
  // Leaves the UTF-8 form of 8-bit text in utf8_.
  void Decode(std::string_view bytes);
  void WriteJsonString(std::string_view bytes);
  // Opens the header object: {"columns":[...  (the caller closes the array).
  void WriteJsonColumns(const std::vector<TDumpColumn>& columns);
  void WriteCsvField(std::string_view bytes);
  void WriteTsvField(std::string_view bytes);
  void WriteDelimitedRow(const std::vector<std::string>& values);

  std::ostream& out_;
  TDumpFormat format_;
  std::string utf8_;
};
