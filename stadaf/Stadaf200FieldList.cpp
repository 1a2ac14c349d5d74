#include "stadaf/Stadaf200FieldList.h"

#include <array>
#include <utility>

#include "layout/FileReader.h"
#include "stadaf/PlainBytes.h"
#include "support/Convert.h"
#include "support/Text.h"

namespace {

constexpr int32_t kCountWidth = 9;
constexpr int32_t kEntrySize200 = 37;
constexpr int32_t kEntrySize210 = 39;
constexpr int32_t kGroupRecordCountDigits = 7;
constexpr int32_t kGroupFieldCountDigits = 3;
constexpr int32_t kGroupCountDigits = 2;
constexpr int32_t kClassifyBytes = 20;
constexpr int32_t kMaxLeadingDigits = 19;

// The record codes of the types 1 to 5.
constexpr const char* kTypeCodes[] = {"", "FA", "RL", "TK", "RT", "RS"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The record type the second letter of a record's code names, in either letter case; 0 for none. A table,
// as the indexing pass looks it up for every record.
constexpr std::array<uint8_t, 256> kTypeOfSecondLetter = [] {
  std::array<uint8_t, 256> types{};
  for (const auto& [letter, type] : {std::pair{'A', 1}, {'L', 2}, {'K', 3}, {'T', 4}, {'S', 5}}) {
    types[static_cast<unsigned char>(letter)] = static_cast<uint8_t>(type);
    types[static_cast<unsigned char>(letter - 'A' + 'a')] = static_cast<uint8_t>(type);
  }
  return types;
}();

uint8_t RecordTypeOfSecondLetter(char c) {
  return kTypeOfSecondLetter[static_cast<unsigned char>(c)];
}

int32_t HeaderCount(TFileReader& reader, int32_t digits) {
  const auto count = TryStrToInt(reader.ReadBytes(digits));
  if (!count) throw EStadafException("Header corrupted");
  return *count;
}

void SkipCr(TFileReader& reader) {
  reader.ReadBytes(1);
}

}  // namespace

// ---- TStadaf200FieldList

TStadaf200FieldList::TStadaf200FieldList() : TStadaf200FieldList("2.00") {}

TStadaf200FieldList::TStadaf200FieldList(std::string_view versionText)
    : TStadafFieldList(versionText, kCountWidth, false), typeNames_(std::make_unique<TStringMapper>()) {
  OnFetchRecord = [this](TDravikFieldList& /*list*/, int64_t offset, int32_t& length) {
    PrepareRecord(offset);
    length = 0;
  };
  for (const char* line : {"FA=Fare", "RL=Rule", "TK=Ticket", "RT=Routing", "RS=Routingsegment",
                           "MC=MixClasses", "OJ=Openjaws", "AS=AddOn/SideTrip", "CO=Companion"})
    typeNames_->AddLine(line, -1);
}

int32_t TStadaf200FieldList::GetRecordCount() {
  return StrToIntDef(RecordCountText(), 0);
}

int32_t TStadaf200FieldList::TypeRecordCount(uint8_t recordType) const {
  return recordType >= 1 && recordType <= 5 ? typeRecordCounts_[recordType] : 0;
}

int32_t TStadaf200FieldList::TypeFieldCount(uint8_t recordType) const {
  return recordType >= 1 && recordType <= 5 ? typeFieldCounts_[recordType] : 0;
}

void TStadaf200FieldList::ReadFields(std::string& separator) {
  const auto& fields = Fields();
  if (currentRecordType_ == 0 && currentGroup_ >= 0) {
    const TStadafTypeGroup& group = groups_[static_cast<size_t>(currentGroup_)];
    for (int32_t i = 0; i < group.FieldCount; ++i)
      ReadField(*fields[static_cast<size_t>(group.FirstField + i)]);
  } else {
    for (const auto& field : fields)
      if (field->RecordType() == currentRecordType_) ReadField(*field);
  }
  const std::string_view end = RecordReader().ReadBytes(1);
  separator.assign(end);
  if (end[0] != '\r') throw EStadafException("Unexpected end of record");
}

void TStadaf200FieldList::ResetTypeGroups() {
  groups_.clear();
  typeRecordCounts_.fill(0);
  typeFieldCounts_.fill(0);
  currentRecordType_ = 0;
  currentGroup_ = -1;
}

void TStadaf200FieldList::ReadHeader() {
  TFileReader& reader = HeaderReader(true);
  ClearFields();
  ResetTypeGroups();
  ReadFixedPart(reader);
  SkipCr(reader);
  for (uint8_t type = 1; type <= 5; ++type) ReadTypeGroup(reader, kTypeCodes[type], type, kEntrySize200);
  FinishHeader(reader);
}

void TStadaf200FieldList::ReadTypeGroup(TFileReader& reader, std::string code, uint8_t recordType,
                                        int32_t entrySize) {
  TStadafTypeGroup group;
  group.Code = std::move(code);
  group.RecordType = recordType;
  group.RecordCount = HeaderCount(reader, kGroupRecordCountDigits);
  SkipCr(reader);
  const int32_t descriptions = HeaderCount(reader, kGroupFieldCountDigits);
  SkipCr(reader);
  group.FirstField = FieldCount();
  for (int32_t i = 0; i < descriptions; ++i)
    AddFieldFromEntry(reader.ReadString(entrySize))->SetRecordType(recordType);
  group.FieldCount = FieldCount() - group.FirstField;
  if (recordType >= 1 && recordType <= 5) {
    typeRecordCounts_[recordType] = group.RecordCount;
    typeFieldCounts_[recordType] = descriptions;
  }
  groups_.push_back(std::move(group));
}

void TStadaf200FieldList::FinishHeader(TFileReader& reader) {
  ReadHeaderEnd(reader);
  if (GetRecordCount() == 0) throw EStadafException("Recordcount is 0");
}

TStadaf200FieldList::TClassification TStadaf200FieldList::Classify(int64_t offset) {
  TClassification result;
  TFileReader& reader = RecordReader();
  reader.Seek(offset);
  const std::string_view bytes = reader.PeekBytes(kClassifyBytes);
  const size_t limit = std::min<size_t>(kMaxLeadingDigits, bytes.size());
  size_t p = 0;
  while (p < limit && IsDigit(bytes[p])) ++p;
  // No code: the first 19 bytes are digits, or the file ends before the code's second letter.
  if (p == kMaxLeadingDigits || p + 1 >= bytes.size()) return result;
  result.code[0] = bytes[p];
  result.code[1] = bytes[p + 1];
  result.recordType = RecordTypeOfSecondLetter(bytes[p + 1]);
  result.result = result.recordType != 0 ? kClassified : kUnknownTypeCode;
  return result;
}

int32_t TStadaf200FieldList::ClassifyRecord(int64_t offset) {
  currentRecordType_ = 0;
  currentGroup_ = -1;
  // No bytes to classify: the record is read as type 0, and the read reports the end of the file.
  const TFileReader& reader = RecordReader();
  if (offset < 0 || offset >= reader.OpenedSize()) return kClassified;
  const TClassification classification = Classify(offset);
  currentRecordType_ = classification.recordType;
  return classification.result;
}

int32_t TStadaf200FieldList::UnknownGroupOfCode(const char code[2]) const {
  const std::string_view wanted(code, 2);
  for (size_t i = 0; i < groups_.size(); ++i)
    if (groups_[i].RecordType == 0 && SameText(groups_[i].Code, wanted)) return static_cast<int32_t>(i);
  return -1;
}

void TStadaf200FieldList::PrepareRecord(int64_t offset) {
  currentRecordType_ = 0;
  currentGroup_ = -1;
  const TFileReader& reader = RecordReader();
  if (offset < 0 || offset >= reader.OpenedSize()) return;
  const TClassification classification = Classify(offset);
  currentRecordType_ = classification.recordType;
  if (classification.result == kClassified) return;
  if (classification.result == kUnknownTypeCode) {
    currentGroup_ = UnknownGroupOfCode(classification.code);
    if (currentGroup_ >= 0) return;
    throw EStadafException("Unknown record type code at offset " + std::to_string(offset));
  }
  throw EStadafException("No record type code at offset " + std::to_string(offset));
}

void TStadaf200FieldList::BuildSkipPlans() {
  for (TRecordSkipPlan& plan : typePlans_) plan.Clear();
  for (const auto& field : Fields())
    if (field->RecordType() < typePlans_.size()) typePlans_[field->RecordType()].Add(*field);
  groupPlans_.assign(groups_.size(), TRecordSkipPlan());
  for (size_t g = 0; g < groups_.size(); ++g) {
    const TStadafTypeGroup& group = groups_[g];
    for (int32_t i = 0; i < group.FieldCount; ++i) groupPlans_[g].Add(FieldByIndex(group.FirstField + i));
  }
  SetSkipPlansBuilt();
}

uint8_t TStadaf200FieldList::SkipRecordInWindow() {
  TFileReader& reader = RecordReader();
  const int64_t start = Position();
  if (start < 0 || start >= reader.OpenedSize()) return 0;
  reader.Seek(start);
  const std::string_view window = reader.WindowedBytes();
  // Classified from the same bytes Classify looks at: all of them must be in the window.
  if (window.size() <= static_cast<size_t>(kClassifyBytes)) return 0;
  size_t p = 0;
  while (p < kMaxLeadingDigits && IsDigit(window[p])) ++p;
  if (p == kMaxLeadingDigits) return 0;
  const uint8_t recordType = RecordTypeOfSecondLetter(window[p + 1]);
  if (recordType == 0) return 0;
  const size_t length = typePlans_[recordType].SkipInMemory(window.data(), window.size());
  if (length == 0 || length >= window.size() || window[length] != '\r') return 0;
  reader.Advance(length + 1);
  currentRecordType_ = recordType;
  currentGroup_ = -1;
  SetPosition(start + static_cast<int64_t>(length) + 1);
  return recordType;
}

uint8_t TStadaf200FieldList::SkipRecord() {
  if (SkipPlansStale()) BuildSkipPlans();
  // The common case without a call per step; anything unusual (a record across the window's end, an
  // unknown code, a field that is not plainly valid) is decided by the checked path, with its errors.
  if (const uint8_t recordType = SkipRecordInWindow()) return recordType;
  const int64_t start = Position();
  PrepareRecord(start);
  const TRecordSkipPlan& plan = currentRecordType_ == 0 && currentGroup_ >= 0
                                    ? groupPlans_[static_cast<size_t>(currentGroup_)]
                                    : typePlans_[currentRecordType_];
  SkipRecordAt(start, plan, true);
  return currentRecordType_;
}

int32_t TStadaf200FieldList::SkipRecords(int64_t* offsets, uint8_t* keys, int32_t max) {
  if (SkipPlansStale()) BuildSkipPlans();
  TFileReader& reader = RecordReader();
  int32_t n = 0;
  while (n < max) {
    // The records wholly inside the window with plainly valid fields, as SkipRecordInWindow passes them one
    // at a time.
    const int64_t start = Position();
    size_t at = 0;
    if (start >= 0 && start < reader.OpenedSize()) {
      reader.Seek(start);
      const std::string_view window = reader.WindowedBytes();
      // Locals only inside the loop: a store through keys (bytes) could change any member as far as the
      // compiler knows, and would make it load them again for every record.
      const TRecordSkipPlan* plans = typePlans_.data();
      uint8_t lastType = 0;
      while (n < max && window.size() - at > static_cast<size_t>(kClassifyBytes)) {
        const char* record = window.data() + at;
        const size_t left = window.size() - at;
        const size_t p = LeadingDigits(record, kMaxLeadingDigits, left);
        if (p == kMaxLeadingDigits) break;
        const uint8_t recordType = RecordTypeOfSecondLetter(record[p + 1]);
        if (recordType == 0) break;
        const size_t length = plans[recordType].SkipInMemory(record, left);
        if (length == 0 || length >= left || record[length] != '\r') break;
        offsets[n] = start + static_cast<int64_t>(at);
        keys[n++] = recordType;
        lastType = recordType;
        at += length + 1;
      }
      if (lastType != 0) {
        currentRecordType_ = lastType;
        currentGroup_ = -1;
      }
    }
    if (at > 0) {
      reader.Advance(at);
      SetPosition(start + static_cast<int64_t>(at));
      continue;
    }
    // Anything else, one record the checked way (which reads the window on when a record crosses its end).
    offsets[n] = start;
    keys[n++] = SkipRecord();
  }
  return n;
}

// ---- TStadaf210FieldList

TStadaf210FieldList::TStadaf210FieldList() : TStadaf200FieldList("2.10") {}

TDravikField* TStadaf210FieldList::AddFieldFromEntry(std::string_view entry) {
  return AddFieldFromEntryOfSize(entry, kEntrySize210);
}

uint8_t TStadaf210FieldList::RecordTypeOfCode(std::string_view code) {
  if (code.empty()) return 0;
  const char first = UpperAscii(code[0]);
  if (first == 'F') return 1;
  if (first == 'T') return 3;
  if (first == 'R' && code.size() >= 2) {
    switch (UpperAscii(code[1])) {
      case 'L':
        return 2;
      case 'S':
        return 5;
      case 'T':
        return 4;
      default:
        break;
    }
  }
  return 0;
}

void TStadaf210FieldList::ReadHeader() {
  // Version 2.10 reads without checking for a data reader; a list without one reads as an empty file.
  TFileReader& reader = HeaderReader(false);
  ClearFields();
  ResetTypeGroups();
  typeGroupCount_ = 0;
  typeCodes_.clear();
  ReadFixedPart(reader);
  SkipCr(reader);
  const int32_t groupCount = HeaderCount(reader, kGroupCountDigits);
  if (groupCount < 0) throw EStadafException("Header corrupted");
  typeGroupCount_ = groupCount;
  SkipCr(reader);
  typeCodes_ = reader.ReadString(2 * groupCount);
  SkipCr(reader);
  for (int32_t g = 0; g < groupCount; ++g) {
    std::string code = typeCodes_.substr(static_cast<size_t>(2 * g), 2);
    const uint8_t type = RecordTypeOfCode(code);
    ReadTypeGroup(reader, std::move(code), type, kEntrySize210);
  }
  FinishHeader(reader);
}
