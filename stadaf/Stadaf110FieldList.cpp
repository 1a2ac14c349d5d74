#include "stadaf/Stadaf110FieldList.h"

#include <algorithm>

#include "layout/FileReader.h"
#include "support/Convert.h"

namespace {

constexpr int32_t kCountWidth = 8;
constexpr int32_t kFieldCountDigits = 4;
constexpr int32_t kConstantCountDigits = 8;
constexpr int32_t kEntrySize = 37;
constexpr size_t kConstantEntrySize = 41;
constexpr size_t kRuleSize = 40;

}  // namespace

TStadaf110FieldList::TStadaf110FieldList() : TStadafFieldList("1.10", kCountWidth, true) {}

int32_t TStadaf110FieldList::GetRecordCount() {
  return StrToInt(RecordCountText());
}

void TStadaf110FieldList::ReadHeader() {
  TFileReader& reader = HeaderReader(true);
  ClearFields();
  ReadFixedPart(reader);
  const int32_t fieldCount = StrToIntDef(reader.ReadBytes(kFieldCountDigits), 0);
  for (int32_t i = 0; i < fieldCount; ++i) AddFieldFromEntry(reader.ReadString(kEntrySize));
  const int32_t constantCount = StrToIntDef(reader.ReadBytes(kConstantCountDigits), 0);
  for (int32_t i = 0; i < constantCount; ++i) AddConstant(reader.ReadString(kConstantEntrySize));
  SetSeparatorChar(static_cast<uint8_t>(reader.ReadBytes(1)[0]));
  ReadHeaderEnd(reader);
}

void TStadaf110FieldList::AddConstant(std::string_view entry) {
  if (entry.size() != kConstantEntrySize || entry[kRuleSize] != '\r')
    throw EStadafException(std::string(entry) + ": Unexpected constant description");
  const std::string_view rule = entry.substr(0, kRuleSize);
  Transformer().AddRule(std::string(rule.substr(0, std::min(rule.find('\0'), rule.size()))));
}

uint8_t TStadaf110FieldList::SkipRecord() {
  if (SkipPlansStale()) {
    skipPlan_.Clear();
    for (const auto& field : Fields()) skipPlan_.Add(*field);
    SetSkipPlansBuilt();
  }
  SkipRecordAt(Position(), skipPlan_, false);
  return 1;
}
