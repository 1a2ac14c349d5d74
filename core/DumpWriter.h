#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// dfHtml: a UTF-8 HTML document with one table (the viewer's export); the others as kwdump writes them.
enum class TDumpFormat { dfJsonLines, dfCsv, dfTsv, dfHtml };

struct TDumpColumn {
  std::string name;  // 8-bit, as the data set names it
  bool memo = false;
  int32_t size = 0;
};

// The writer's output bytes: a block that grows when needed, appended to without the checks and calls of a
// std::string; Room gives the free bytes to write to directly.
class TDumpBuffer {
 public:
  const char* data() const { return data_.get(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

  // Space for at least n more bytes at the end; the bytes written there count once SetEnd is given the end
  // of them.
  char* Room(size_t n) {
    if (capacity_ - size_ < n) Reserve(size_ + n);
    return data_.get() + size_;
  }
  void SetEnd(const char* end) { size_ = static_cast<size_t>(end - data_.get()); }

  void append(const char* bytes, size_t n) {
    if (n == 0) return;  // bytes may be null then
    std::memcpy(Room(n), bytes, n);
    size_ += n;
  }
  void append(const char* begin, const char* end) { append(begin, static_cast<size_t>(end - begin)); }
  void append(size_t n, char c) {
    if (n == 0) return;
    std::memset(Room(n), c, n);
    size_ += n;
  }
  TDumpBuffer& operator+=(char c) {
    *Room(1) = c;
    ++size_;
    return *this;
  }
  TDumpBuffer& operator+=(std::string_view bytes) {
    append(bytes.data(), bytes.size());
    return *this;
  }

 private:
  void Reserve(size_t capacity);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Writes a data set's columns and records in one of the dump formats. Texts arrive as 8-bit
// Windows-1252 bytes and leave as UTF-8. Output collects in a buffer that goes to the stream in large
// pieces; Flush before anything else writes to the stream's destination.
class TDumpWriter {
 public:
  TDumpWriter(std::ostream& out, TDumpFormat format) : out_(out), format_(format) {}
  TDumpWriter(const TDumpWriter&) = delete;
  TDumpWriter& operator=(const TDumpWriter&) = delete;
  ~TDumpWriter();

  void Flush();

  // The columns alone (--schema).
  void WriteSchema(const std::vector<TDumpColumn>& columns);
  // jsonl: the header line with the record type and count; csv/tsv: the row of column names.
  void WriteHeader(const std::vector<TDumpColumn>& columns, int recordType, std::string_view typeName,
                   int64_t count);
  void WriteRecord(int64_t recNo, const std::vector<std::string>& values);
  // The same from views of the values, as a record value cursor gives them (no copy per value).
  void WriteRecord(int64_t recNo, std::span<const std::string_view> values);
  // html: closes the table and the document after the last record; nothing for the other formats.
  void WriteFooter();
  // The UTF-8 byte order mark, for programs that take a CSV file without one for their own code page.
  void WriteByteOrderMark() { buffer_ += "\xEF\xBB\xBF"; }

 private:
  // Each appends to buffer_, decoding and escaping byte by byte in one pass; runs of bytes that need
  // neither are copied whole. WriteJsonEscaped: the inside of the quotes.
  void WriteJsonString(std::string_view bytes);
  void WriteJsonEscaped(std::string_view bytes);
  // Opens the header object: {"columns":[...  (the caller closes the array).
  void WriteJsonColumns(const std::vector<TDumpColumn>& columns);
  void WriteCsvField(std::string_view bytes);
  void WriteTsvField(std::string_view bytes);
  // A row's values, separated, each in quotes or not: the values without a byte that look names copied
  // at once, the others through write.
  template <class TValues, class TLook>
  void WriteFields(const TValues& values, const TLook& look, bool quote, char separator,
                   void (TDumpWriter::*write)(std::string_view));
  // Rows of values of any kind that converts to std::string_view.
  template <class TValues>
  void WriteValues(int64_t recNo, const TValues& values);
  template <class TValues>
  void WriteDelimitedRow(const TValues& values);
  // & < > " as entities, line breaks as <br>, other control characters as numeric references.
  void WriteHtmlText(std::string_view bytes);
  template <class TValues>
  void WriteHtmlRow(const TValues& values, const char* cell);
  void WriteNumber(int64_t value);
  void FlushWhenFull() {
    if (buffer_.size() >= kFlushSize) Flush();
  }

  static constexpr size_t kFlushSize = 256 * 1024;

  std::ostream& out_;
  TDumpFormat format_;
  TDumpBuffer buffer_;
};
