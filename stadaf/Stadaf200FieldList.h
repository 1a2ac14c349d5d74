#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stadaf/RecordSkipPlan.h"
#include "stadaf/StadafFieldList.h"
#include "support/StringMap.h"

// One record-type group of a 2.00 or 2.10 header, with the fields it described.
struct TStadafTypeGroup {
  std::string Code;         // the group's two-letter code (2.10), or the record code of its type (2.00)
  uint8_t RecordType = 0;   // 1 ... 5; 0 for a 2.10 code that names no known type
  int32_t RecordCount = 0;  // as stated in the header; not used for reading
  int32_t FirstField = 0;   // index of its first field in the list
  int32_t FieldCount = 0;   // number of fields it described
};

// Version 2.00: records of five types in one file. After the fixed part and the 9-digit record count: CR,
// then for the types 1 to 5 in order one group each (7-digit record count, CR, 3-digit description count,
// CR, 37-byte entries), then the text block and CR LF. A record starts with up to 19 digits and its
// two-letter type code, holds exactly the fields of its type, and ends with CR.
class TStadaf200FieldList : public TStadafFieldList {
 public:
  // ClassifyRecord results.
  static constexpr int32_t kClassified = 0;
  static constexpr int32_t kUnknownTypeCode = -1;
  static constexpr int32_t kNoTypeCode = -2;

  TStadaf200FieldList();

  // The record count field as an integer; 0 for a text that is no integer.
  int32_t GetRecordCount() override;
  // The fields whose RecordType is CurrentRecordType, in order (or, for type 0, those of the 2.10 group the
  // record was matched to), then one byte that must be CR ("Unexpected end of record").
  void ReadFields(std::string& separator) override;
  void ReadHeader() override;
  uint8_t SkipRecord() override;
  int32_t SkipRecords(int64_t* offsets, uint8_t* keys, int32_t max) override;

  // Classifies the record at offset by the second letter of the two bytes that follow its leading digits
  // (up to 19), upper-cased: "A" fare 1, "L" rule 2, "K" ticket 3, "T" routing 4, "S" routing segment 5.
  // Returns 0 and sets CurrentRecordType; -2 when no code follows the digits within the record's first
  // 20 bytes (or within the bytes up to the end of the file, for a shorter last record) and -1 for any
  // other letter, both with CurrentRecordType 0. An offset outside the file gives 0 with CurrentRecordType
  // 0: the read then reports the end of the file. Reads through the data reader; Position does not change.
  int32_t ClassifyRecord(int64_t offset);

  // Record type of the record read (or classified) last: 1 ... 5, or 0.
  uint8_t CurrentRecordType() const { return currentRecordType_; }
  // Record code to type name: "FA" "Fare" ... "RS" "Routingsegment", "MC" "MixClasses", "OJ" "Openjaws",
  // "AS" "AddOn/SideTrip", "CO" "Companion".
  const TStringMapper& TypeNames() const { return *typeNames_; }
  // Per record type 1 ... 5: the group's record count and description count from the header (0 when the
  // header had no group of that type).
  int32_t TypeRecordCount(uint8_t recordType) const;
  int32_t TypeFieldCount(uint8_t recordType) const;
  const std::vector<TStadafTypeGroup>& TypeGroups() const { return groups_; }

 protected:
  explicit TStadaf200FieldList(std::string_view versionText);

  // Reads one group: record count, CR, description count, CR, then the entries through AddFieldFromEntry,
  // each field getting recordType. Counts that are no integer: "Header corrupted".
  void ReadTypeGroup(TFileReader& reader, std::string code, uint8_t recordType, int32_t entrySize);
  // After the groups: the text block and CR LF, then "Recordcount is 0" for a record count of 0.
  void FinishHeader(TFileReader& reader);
  // Empties the groups and the per-type counts before a header is read.
  void ResetTypeGroups();

 private:
  struct TClassification {
    int32_t result = kNoTypeCode;
    uint8_t recordType = 0;
    char code[2] = {0, 0};
  };

  TClassification Classify(int64_t offset);
  // Before a record at offset is read: classifies it and, for a code that names no type, looks for a 2.10
  // group of that code. An unclassifiable record raises EStadafException naming its offset, so the read
  // position never moves by a classification result. A record at or past the end of the file is left to
  // the read, which reports "EOF-Error".
  // SkipRecord for a record of a known type wholly inside the reader's window with plainly valid fields:
  // its type, or 0 (nothing moved) when the checked path must decide.
  uint8_t SkipRecordInWindow();
  void PrepareRecord(int64_t offset);
  int32_t UnknownGroupOfCode(const char code[2]) const;
  void BuildSkipPlans();

  std::unique_ptr<TStringMapper> typeNames_;
  std::array<int32_t, 6> typeRecordCounts_{};
  std::array<int32_t, 6> typeFieldCounts_{};
  std::vector<TStadafTypeGroup> groups_;
  uint8_t currentRecordType_ = 0;
  int32_t currentGroup_ = -1;  // the 2.10 group a type-0 record is read through, or -1
  std::array<TRecordSkipPlan, 6> typePlans_;
  std::vector<TRecordSkipPlan> groupPlans_;
};

// Version 2.10: after the fixed part and record count: CR, 2-digit group count K, CR, K two-letter codes,
// CR, then one group per code (39-byte entries with a reference code), the text block and CR LF. A code
// gives its type by its letters, case ignored: "F" fare, "T" ticket, "RL" rule, "RS" routing segment,
// "RT" routing; any other code no type.
//
// A record whose code names no type but equals (case ignored) the code of such a group is read through
// that group's fields and indexed under the key "0", which is never shown.
class TStadaf210FieldList : public TStadaf200FieldList {
 public:
  TStadaf210FieldList();

  TDravikField* AddFieldFromEntry(std::string_view entry) override;
  void ReadHeader() override;

  int32_t TypeGroupCount() const { return typeGroupCount_; }
  const std::string& TypeCodes() const { return typeCodes_; }

  // The record type a group code names; 0 for none.
  static uint8_t RecordTypeOfCode(std::string_view code);

 private:
  int32_t typeGroupCount_ = 0;
  std::string typeCodes_;
};
