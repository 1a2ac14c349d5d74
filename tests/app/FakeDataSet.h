#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "dataset/AbstractDataSet.h"
#include "support/Exception.h"
#include "support/MemoryStream.h"

// How often the data set asked its source for something.
struct TSourceCalls {
  int64_t first = 0, last = 0, next = 0, prior = 0, data = 0;
  int64_t Total() const { return first + last + next + prior + data; }
};

// Record numbers 1 … count as ids, every call counted.
class TCountingRecordBuffers : public TReadOnlyRecordBuffers {
 public:
  TCountingRecordBuffers(TSourceCalls& calls, const int32_t& failRecord)
      : calls_(calls), failRecord_(failRecord) {}
  TRecordId FirstRecord() override { return ++calls_.first, TReadOnlyRecordBuffers::FirstRecord(); }
  TRecordId LastRecord() override { return ++calls_.last, TReadOnlyRecordBuffers::LastRecord(); }
  TRecordId NextRecord(TRecordId id) override {
    return ++calls_.next, TReadOnlyRecordBuffers::NextRecord(id);
  }
  TRecordId PriorRecord(TRecordId id) override {
    return ++calls_.prior, TReadOnlyRecordBuffers::PriorRecord(id);
  }
  int32_t GetRecordData(TRecordId id, char* destination) override {
    ++calls_.data;
    if (failRecord_ != 0 && RecordNumberOfId(id) == failRecord_)
      throw Exception("Record " + std::to_string(failRecord_) + " unreadable");
    return TReadOnlyRecordBuffers::GetRecordData(id, destination);
  }

 private:
  TSourceCalls& calls_;
  const int32_t& failRecord_;
};

// A data set of generated records: CODE "C<n>", NAME "Name <n> caf\xE9" (Windows-1252) and the memo
// NOTE "Memo of record <n>". Counts source calls, field reads and memo reads.
class TFakeDataSet : public TAbstractDataSet {
 public:
  explicit TFakeDataSet(int32_t count, bool positionsByNumber = true)
      : count_(count), positionsByNumber_(positionsByNumber) {}
  ~TFakeDataSet() override { Close(); }

  static std::string Code(int64_t n) { return "C" + std::to_string(n); }
  static std::string Name(int64_t n) { return "Name " + std::to_string(n) + " caf\xE9"; }
  static std::string Memo(int64_t n) { return "Memo of record " + std::to_string(n); }

  TSourceCalls calls;
  int64_t fieldReads = 0;
  int64_t memoReads = 0;
  bool failMemo = false;
  int32_t failRecord = 0;       // fetching this record fails
  int32_t failFieldRecord = 0;  // reading the field values of this record fails

  bool IsSequenced() override { return true; }
  void SetRecNo(int32_t recNo) override {
    if (!positionsByNumber_ || recNo < 1 || recNo > count_) return;
    SetCurrentRecordId(RecordIdOfNumber(recNo));
    Resync(rmExact | rmCenter);
  }

  bool GetFieldData(const TField& field, void* destination) override {
    const char* buffer = FieldDataBuffer();
    if (!IsCursorOpen() || buffer == nullptr) return false;
    if (destination == nullptr) return true;
    ++fieldReads;
    const int64_t n = RecordNumberOfId(RecordIdOfBuffer(buffer));
    if (failFieldRecord != 0 && n == failFieldRecord)
      throw Exception("Fields of record " + std::to_string(n) + " unreadable");
    const std::string value = field.FieldNo() == 1 ? Code(n) : Name(n);
    const size_t size = static_cast<size_t>(field.DataSize());
    std::memset(destination, 0, size);
    std::memcpy(destination, value.data(), std::min(value.size(), size - 1));
    return true;
  }

  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField&, TBlobStreamMode) override {
    ++memoReads;
    if (failMemo) throw Exception("Memo unreadable");
    const char* buffer = FieldDataBuffer();
    auto stream = std::make_unique<TMemoryStream>();
    if (buffer == nullptr) return stream;
    const std::string text = Memo(RecordNumberOfId(RecordIdOfBuffer(buffer)));
    stream->Write(text.data(), static_cast<int32_t>(text.size()));
    return stream;
  }

  // The record number of a held row.
  int32_t RowRecNo(int32_t row) {
    TActiveRowScope scope(*this, row);
    return RecordNumberOfId(RecordIdOfBuffer(FieldDataBuffer()));
  }

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override {
    auto* source = new TCountingRecordBuffers(calls, failRecord);
    source->SetRecordCount(count_);
    return Ref<IRecordBuffers>(static_cast<IRecordBuffers*>(source));
  }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("CODE", TFieldType::ftString, 12);
    FieldDefs().Add("NAME", TFieldType::ftString, 24);
    FieldDefs().Add("NOTE", TFieldType::ftMemo, 0);
    TAbstractDataSet::InternalInitFieldDefs();
  }

 private:
  int32_t count_;
  bool positionsByNumber_;
};
