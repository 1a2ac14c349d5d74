#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "support/Exception.h"

// Source of `count` records with ids 1 … count; the first field of record n holds "R<n>". Counts
// the calls the data set makes.
class TCountingSource : public TInterfacedObject, public IRecordBuffers {
 public:
  explicit TCountingSource(int32_t count) : count_(count) {}
  void* QueryInterface(const Guid& iid) override {
    if (void* p = QueryAmong<IRecordBuffers>(this, iid)) return p;
    return TInterfacedObject::QueryInterface(iid);
  }

  TRecordId FirstRecord() override {
    log.push_back("First");
    return MakeRecordId(count_ > 0 ? 1 : 0);
  }
  TRecordId LastRecord() override {
    log.push_back("Last");
    return MakeRecordId(static_cast<uint32_t>(count_));
  }
  TRecordId NextRecord(TRecordId id) override {
    log.push_back("Next " + std::to_string(IdValue(id)));
    return MakeRecordId(IdValue(id) < static_cast<uint32_t>(count_) ? IdValue(id) + 1 : 0);
  }
  TRecordId PriorRecord(TRecordId id) override {
    log.push_back("Prior " + std::to_string(IdValue(id)));
    return MakeRecordId(IdValue(id) > 1 ? IdValue(id) - 1 : 0);
  }
  void RegisterBlobField(int32_t offset) override { blobOffsets.push_back(offset); }
  void FieldDefsChanged() override { ++fieldDefsChanged; }
  int32_t GetRecordData(TRecordId id, char* destination) override {
    ++reads;
    if (failRead != 0 && IdValue(id) == failRead) throw Exception("Record unreadable");
    if (destination) std::snprintf(destination, 8, "R%u", IdValue(id));
    return 8;
  }
  int32_t GetRecordCount() override { return count_; }

  std::vector<std::string> log;
  std::vector<int32_t> blobOffsets;
  int fieldDefsChanged = 0;
  int64_t reads = 0;
  uint32_t failRead = 0;  // reading the record with this id fails

 private:
  int32_t count_;
};

struct TFakeColumn {
  std::string name;
  TFieldType type;
  int32_t size;
};

// A data set over TCountingSource with the given columns; exposes the cursor operations.
class TFakeDataSet : public TAbstractDataSet {
 public:
  TFakeDataSet(int32_t count, std::vector<TFakeColumn> columns)
      : source_(new TCountingSource(count)), columns_(std::move(columns)) {
    Source();
  }
  ~TFakeDataSet() override { Close(); }

  TCountingSource& Fake() { return *source_; }
  // Keeps only the 16-byte header in its buffers, as data sets do that read their values elsewhere.
  bool headerOnlyBuffers = false;
  bool IsSequenced() override { return true; }

  // Jumps to record recNo as a bookmark does: the cursor is placed, then the window refilled around it.
  void SetRecNoByBookmark(uint32_t recNo) {
    std::vector<char> bookmark(HeaderSize, 0);
    std::memcpy(bookmark.data(), &recNo, sizeof recNo);
    GotoBookmark(bookmark);
  }

  using TAbstractDataSet::GetRecord;
  using TAbstractDataSet::InternalFirst;
  using TAbstractDataSet::InternalGotoBookmark;
  using TAbstractDataSet::InternalLast;
  using TDataSet::ActiveBuffer;

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override { return Ref<IRecordBuffers>(source_); }
  int64_t RecordBufferSize() const override {
    return headerOnlyBuffers ? HeaderSize : TAbstractDataSet::RecordBufferSize();
  }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (const auto& c : columns_) FieldDefs().Add(c.name, c.type, c.size);
    TAbstractDataSet::InternalInitFieldDefs();
  }

 private:
  TCountingSource* source_;
  std::vector<TFakeColumn> columns_;
};
