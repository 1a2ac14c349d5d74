#pragma once

#include <cstdint>

#include "dataset/DataSetTypes.h"
#include "support/Interface.h"

// A record source: how many records there are, how to step from one record id to the next, and the
// field data of a record.
class IRecordBuffers : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{3C1F0B52-8E4A-4D6B-9F27-5A1E6C0D8B41}");

  virtual TRecordId FirstRecord() = 0;
  virtual TRecordId LastRecord() = 0;
  virtual TRecordId NextRecord(TRecordId id) = 0;
  virtual TRecordId PriorRecord(TRecordId id) = 0;
  // Told the data-area offset of each blob field when the data set opens.
  virtual void RegisterBlobField(int32_t offset) = 0;
  virtual void FieldDefsChanged() = 0;
  // Copies the record's field data to destination; returns the source's record byte count. With no
  // destination it only returns that count.
  virtual int32_t GetRecordData(TRecordId id, char* destination) = 0;
  virtual int32_t GetRecordCount() = 0;
};

class IReadOnlyRecordBuffers : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{7D2E4A90-1B3C-4F85-A6D7-0E9C2B8F4A13}");

  virtual void SetRecordCount(int32_t count) = 0;
};

// Record ids are the record numbers 1 … count; data sets on it produce their field data themselves.
class TReadOnlyRecordBuffers : public TInterfacedObject,
                               public IRecordBuffers,
                               public IReadOnlyRecordBuffers {
 public:
  void* QueryInterface(const Guid& iid) override {
    if (void* p = QueryAmong<IRecordBuffers, IReadOnlyRecordBuffers>(this, iid)) return p;
    return TInterfacedObject::QueryInterface(iid);
  }

  void SetRecordCount(int32_t count) override { count_ = count; }
  int32_t GetRecordCount() override { return count_; }
  TRecordId FirstRecord() override { return MakeRecordId(count_ != 0 ? 1 : 0); }
  TRecordId LastRecord() override { return MakeRecordId(static_cast<uint32_t>(count_)); }
  TRecordId NextRecord(TRecordId id) override {
    const int64_t next = static_cast<int64_t>(static_cast<int32_t>(IdValue(id))) + 1;
    return MakeRecordId(next <= count_ ? static_cast<uint32_t>(next) : 0);
  }
  TRecordId PriorRecord(TRecordId id) override {
    const auto value = static_cast<int32_t>(IdValue(id));
    return MakeRecordId(value >= 2 ? static_cast<uint32_t>(value - 1) : 0);
  }
  int32_t GetRecordData(TRecordId, char*) override { return -1; }
  void RegisterBlobField(int32_t) override {}
  void FieldDefsChanged() override {}

 private:
  int32_t count_ = 0;
};

// Record numbers of a TReadOnlyRecordBuffers source are its ids.
inline TRecordId RecordIdOfNumber(int32_t recNo) {
  return MakeRecordId(static_cast<uint32_t>(recNo));
}
inline int32_t RecordNumberOfId(TRecordId id) {
  return static_cast<int32_t>(IdValue(id));
}
