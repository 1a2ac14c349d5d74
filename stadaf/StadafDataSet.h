#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "support/DynamicIntegerArray.h"

class TDravikField;
class TStadafFieldList;

// The records of one record type of a STADAF file as a read-only data set. Record ids are record numbers;
// record number n is the record at entry n - 1 of the offsets. Record buffers hold only their 16-byte
// header: field values are read from the file through the field list when asked for, and the field list
// holds the one record read last, so consecutive requests for one record read it once.
//
// Fixed fields (Size 1 or more) are string columns of Size characters; length-prefixed and structured
// fields are memo columns. A 2.00 or 2.10 list contributes only the fields of the data set's record type.
class TStadafDataSet : public TAbstractDataSet {
 public:
  TStadafDataSet() = default;
  ~TStadafDataSet() override;

  // Called once, before opening. fieldList (not owned) has its header read already; offsets may be empty
  // (no records).
  void Setup(TStadafFieldList* fieldList, Ref<IDynamicIntegerArray> offsets, int32_t recordType);

  TStadafFieldList* FieldList() const { return fieldList_; }
  const Ref<IDynamicIntegerArray>& Offsets() const { return offsets_; }
  int32_t RecordType() const { return recordType_; }

  // The value, zero bytes after it, in exactly the field's data size (the last byte always zero).
  bool GetFieldData(const TField& field, void* destination) override;
  // The value and one zero byte; empty in write mode.
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override { return false; }
  // Numbers outside 1 ... record count are clamped to it.
  void SetRecNo(int32_t recNo) override;
  // Reads the values of records in place where they are plainly valid (stadaf/StadafRecordValues.h).
  std::unique_ptr<TRecordValues> CreateRecordValues(std::span<const int32_t> columns) override;

  // The byte offset of record recNo (1 ... record count).
  int64_t RecordOffset(int32_t recNo) const;
  // Reads record recNo into the field list unless the list holds it already: its position names the record
  // whose values its fields hold. Raises the list's errors, and EStadafException for a record of another
  // type.
  void HoldRecord(int32_t recNo);

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override;
  void InternalInitFieldDefs() override;
  void InternalOpen() override;
  int64_t RecordBufferSize() const override { return HeaderSize; }
  // Buffers are only their header: nothing behind it is cleared.
  void InternalInitRecord(char* buffer) override;
  void ClearCalcFields(char* /*buffer*/) override {}

 private:
  // Reads the active row's record into the field list unless it holds it already; returns the layout
  // field of the data set's field.
  TDravikField& ActiveRecordField(const TField& field);
  bool HasActiveRecord() const;

  TStadafFieldList* fieldList_ = nullptr;
  Ref<IDynamicIntegerArray> offsets_;
  const class IRecordOffsets* wideOffsets_ = nullptr;  // offsets_ when it holds offsets past 2 GiB
  int32_t recordType_ = 0;
  std::vector<TDravikField*> layoutFields_;  // by field number - 1
};
