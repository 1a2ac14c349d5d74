#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Writes STADAF files byte by byte: header areas of the versions 1.10, 2.00 and 2.10 and records. Used by
// kw_mkstadaf for the bundled samples, by the STADAF benchmark and by tests that need valid files.

struct TStadafFieldSpec {
  char Type = 'F';          // 'F' fixed, 'D' length-prefixed, 'S' structured
  int32_t Size = 0;         // F: width; D: digits of the length prefix; S: 0
  std::string Name;         // at most 30 characters
  std::string RefCode;      // 2.10 reference code ("Tk", "Rl", "Rt"), else empty
  int32_t ElementSize = 0;  // S: element size written into each record's structure header
};

// A 30-byte name, type and size as a field description entry: 37 bytes, or 39 with the 2.10 reference
// code.
std::string StadafFieldEntry(const TStadafFieldSpec& field, bool version210);

// A constant entry of version 1.10: the rule padded with blanks to 40 bytes, then CR.
std::string StadafConstantEntry(std::string_view rule);

// The bytes of one record: each field's value in order (F padded with blanks or cut to its width; D the
// length prefix and the value; S the structure header and the value), then CR. A first field whose name
// ends in "RecordLength" receives the record's total length instead of its value.
void AppendStadafRecord(std::string& out, const std::vector<TStadafFieldSpec>& fields,
                        const std::vector<std::string>& values);

// A STADAF file under construction: its layout, text block and records.
class TStadafFileBuilder {
 public:
  // "1.10", "2.00" or "2.10". Version 2.00 gets its five groups (fare, rule, ticket, routing, routing
  // segment) from AddGroup in that order.
  explicit TStadafFileBuilder(std::string version);

  // Version 1.10: the one layout, its constants and separator character.
  void SetLayout(std::vector<TStadafFieldSpec> fields, std::vector<std::string> constants = {},
                 char separator = '|');
  // Versions 2.00 and 2.10: a record-type group; returns its index.
  int32_t AddGroup(std::string code, std::vector<TStadafFieldSpec> fields);
  void SetTextBlock(std::string text) { textBlock_ = std::move(text); }
  void SetSender(std::string name, std::string code, std::string label);
  void SetWrittenAt(std::string yyyymmddhhmm) { writtenAt_ = std::move(yyyymmddhhmm); }

  // Appends a record of the group (version 1.10: group 0, the layout).
  void AddRecord(int32_t group, const std::vector<std::string>& values);

  const std::string& Body() const { return body_; }
  int32_t RecordCount() const { return recordCount_; }
  int32_t GroupRecordCount(int32_t group) const { return groupCounts_[static_cast<size_t>(group)]; }
  int32_t HeaderSize() const { return static_cast<int32_t>(Header(0, 0, {}).size()); }

  // The header area for a file of fileSize bytes with recordCount records, groupCounts[g] of group g.
  std::string Header(int64_t fileSize, int32_t recordCount, const std::vector<int32_t>& groupCounts) const;
  // Header and records as added.
  std::string Build() const;

 private:
  const std::vector<TStadafFieldSpec>& FieldsOf(int32_t group) const;

  std::string version_;
  std::string writtenAt_ = "202601150930";
  std::string senderName_ = "Kestrelwing Samples";
  std::string senderCode_ = "KWS";
  std::string label_ = "kw_mkstadaf 1.0";
  std::vector<TStadafFieldSpec> layout_;
  std::vector<std::string> constants_;
  char separator_ = '|';
  std::vector<std::string> groupCodes_;
  std::vector<std::vector<TStadafFieldSpec>> groupFields_;
  std::string textBlock_;
  std::string body_;
  int32_t recordCount_ = 0;
  std::vector<int32_t> groupCounts_;
};

// The record layouts of the samples and the benchmark: fare, rule, ticket, routing and routing segment
// records of versions 2.00 and 2.10 (each starting with <Prefix>RecordLength and <Prefix>RecordType), and
// the single fare layout of version 1.10.
std::vector<TStadafFieldSpec> FareFields();
std::vector<TStadafFieldSpec> RuleFields();
std::vector<TStadafFieldSpec> TicketFields();
std::vector<TStadafFieldSpec> RoutingFields();
std::vector<TStadafFieldSpec> RoutingSegmentFields();
std::vector<TStadafFieldSpec> MixClassFields();
std::vector<TStadafFieldSpec> Fare110Fields();

// The bundled samples, byte for byte.
std::string BuildSample110();
std::string BuildSample200();
std::string BuildSample210();

// Short benchmark records (about 60 bytes, few fields each, some length-prefixed or structured) of the
// five record types.
std::vector<TStadafFieldSpec> ShortFareFields();
std::vector<TStadafFieldSpec> ShortRuleFields();
std::vector<TStadafFieldSpec> ShortTicketFields();
std::vector<TStadafFieldSpec> ShortRoutingFields();
std::vector<TStadafFieldSpec> ShortRoutingSegmentFields();

// The benchmark files: long records (about 166 bytes; fare, rule and routing records 7 : 1 : 2) or short
// ones (about 60 bytes; fares, routings, rules, tickets and routing segments 5 : 2 : 1 : 1 : 1, interleaved).
enum class TBenchShape { LongRecords, ShortRecords };

struct TBenchOptions {
  TBenchShape Shape = TBenchShape::LongRecords;
  // Most records of one type a 2.00 header states (seven digits); a file that would need more gets longer
  // fares instead.
  int32_t TypeCap = 9999999;
};

struct TBenchFileFigures {
  int64_t Bytes = 0;
  int32_t Records = 0;
  int32_t Fares = 0;
  int32_t Rules = 0;
  int32_t Tickets = 0;
  int32_t Routings = 0;
  int32_t Segments = 0;
};

// A version 2.00 benchmark file of about bytes bytes (at least one pool of 2,000 records), written to a
// temporary file renamed into place: a failure leaves no file at path and raises std::runtime_error.
TBenchFileFigures WriteBenchStadaf200(const std::string& path, int64_t bytes,
                                      const TBenchOptions& options = {});
