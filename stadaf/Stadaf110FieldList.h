#pragma once

#include <string_view>

#include "stadaf/RecordSkipPlan.h"
#include "stadaf/StadafFieldList.h"

// Versions 1.00 and 1.10: one record layout for every record. After the fixed part and the 8-digit record
// count: 4-digit count of field descriptions and the 37-byte entries, 8-digit count of constants and the
// 41-byte constant entries (rules of the Transformer), the separator character, the text block and CR LF.
// A record is all fields in order, then one byte that is not compared.
class TStadaf110FieldList : public TStadafFieldList {
 public:
  TStadaf110FieldList();

  // The record count field as an integer; a text that is no integer raises EConvertError.
  int32_t GetRecordCount() override;
  void ReadHeader() override;
  uint8_t SkipRecord() override;

  // A 41-byte constant entry: 40 bytes of rule text (up to a zero byte, trailing blanks included) and CR.
  void AddConstant(std::string_view entry);

 private:
  TRecordSkipPlan skipPlan_;
};
