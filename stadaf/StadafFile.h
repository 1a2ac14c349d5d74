#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "stadaf/StadafDataSet.h"
#include "stadaf/StadafFieldList.h"
#include "support/DynamicIntegerArray.h"

// The field list class of a probed version: TStadaf110FieldList for 100 and 110, TStadaf200FieldList for
// 200, TStadaf210FieldList for 210; any other raises EStadafException "Unsupported Stadaf version
// detected, application shutting down".
std::unique_ptr<TStadafFieldList> CreateStadafFieldList(int32_t version);

// Probes the file's version, creates the field list of that version, opens the file (SetDataFileName)
// and reads its header (LoadLayout with the file's ".ini" name).
std::unique_ptr<TStadafFieldList> OpenStadafFieldList(const std::string& fileName);

// What the holder of one record type of a STADAF file keeps: the offsets of that type's records, the
// field list over the file, and the open data set that reads through it. Construction runs the holder's
// steps in order: probe, field list of the version, data set, SetDataFileName, LoadLayout, Setup, Open;
// every error propagates and leaves nothing behind. The data set goes before the field list.
class TStadafTypeView {
 public:
  // offsets may be empty: a data set without records.
  TStadafTypeView(const std::string& fileName, Ref<IDynamicIntegerArray> offsets, uint8_t recordType);
  TStadafTypeView(const TStadafTypeView&) = delete;
  TStadafTypeView& operator=(const TStadafTypeView&) = delete;
  ~TStadafTypeView();

  TStadafDataSet& DataSet() const { return *dataSet_; }
  TStadafFieldList& FieldList() const { return *fieldList_; }
  const Ref<IDynamicIntegerArray>& Offsets() const { return offsets_; }
  uint8_t RecordType() const { return recordType_; }

 private:
  Ref<IDynamicIntegerArray> offsets_;
  uint8_t recordType_;
  std::unique_ptr<TStadafFieldList> fieldList_;
  std::unique_ptr<TStadafDataSet> dataSet_;
};
