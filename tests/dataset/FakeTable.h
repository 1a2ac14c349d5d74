#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "support/Exception.h"

// A read-only data set over a table of texts: record n is rows[n - 1], every column a string column of
// its widest value (or a memo column); ids are record numbers, as in a STADAF file's data set. Values are
// read when asked for, and reading record failRecNo fails as an unreadable record does.
class TFakeTable : public TAbstractDataSet {
 public:
  struct TColumn {
    std::string name;
    bool memo = false;
  };

  TFakeTable(std::vector<TColumn> columns, std::vector<std::vector<std::string>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {
    Query<IReadOnlyRecordBuffers>(Source())->SetRecordCount(static_cast<int32_t>(rows_.size()));
  }
  ~TFakeTable() override { Close(); }

  int32_t failRecNo = 0;
  int64_t reads = 0;
  // Without record numbers, as an ISAM table's data set.
  bool numbered = true;

  bool IsSequenced() override { return numbered; }
  int32_t GetRecNo() override { return numbered ? TAbstractDataSet::GetRecNo() : -1; }
  void SetRecNo(int32_t recNo) override {
    if (!numbered || recNo < 1 || recNo > GetRecordCount()) return;
    SetCurrentRecordId(RecordIdOfNumber(recNo));
    Resync(0);
  }

  bool GetFieldData(const TField& field, void* destination) override {
    const std::string* value = ActiveValue(field);
    if (value == nullptr) return false;
    if (destination != nullptr) {
      const auto size = static_cast<size_t>(field.DataSize());
      std::memset(destination, 0, size);
      std::memcpy(destination, value->data(), std::min(value->size(), size - 1));
    }
    return true;
  }
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode) override {
    auto stream = std::make_unique<TMemoryStream>();
    if (const std::string* value = ActiveValue(field)) {
      stream->Write(value->c_str(), static_cast<int32_t>(value->size()) + 1);
      stream->SetPosition(0);
    }
    return stream;
  }

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override {
    return MakeRef<IRecordBuffers>(new TReadOnlyRecordBuffers);
  }
  int64_t RecordBufferSize() const override { return HeaderSize; }
  void InternalInitRecord(char* buffer) override { std::memset(buffer, 0, HeaderSize); }
  void ClearCalcFields(char*) override {}
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (size_t c = 0; c < columns_.size(); ++c) {
      size_t width = 1;
      for (const auto& row : rows_) width = std::max(width, row[c].size());
      if (columns_[c].memo)
        FieldDefs().Add(columns_[c].name, TFieldType::ftMemo, 0);
      else
        FieldDefs().Add(columns_[c].name, TFieldType::ftString, static_cast<int32_t>(width));
    }
    TAbstractDataSet::InternalInitFieldDefs();
  }

 private:
  const std::string* ActiveValue(const TField& field) {
    const char* buffer = FieldDataBuffer();
    if (buffer == nullptr) return nullptr;
    const int32_t recNo = RecordNumberOfId(RecordIdOfBuffer(buffer));
    ++reads;
    if (recNo == failRecNo) throw Exception("EOF-Error");
    return &rows_[static_cast<size_t>(recNo - 1)][static_cast<size_t>(field.FieldNo() - 1)];
  }

  std::vector<TColumn> columns_;
  std::vector<std::vector<std::string>> rows_;
};
