#pragma once

#include <memory>
#include <string>

#include "dataset/AbstractDataSet.h"

class TDravikFieldList;

// Record source of an RFF file: ids are byte offsets plus 1, stepped by the layout's record length. Ids are
// 32-bit, so in a file of 4 GiB or more they are record numbers instead (record counts stay below 2^31).
class IRFFRecordBuffers : public IRecordBuffers {
 public:
  static constexpr Guid IID = Guid::Parse("{A4B8E1D3-5C27-4F69-8E0B-2D7F1C9A6E54}");

  // Opens the data and memo files and loads the layout from the file of the same name ending ".ini".
  virtual void SetFileName(const std::string& name) = 0;
  virtual TDravikFieldList& GetFieldList() = 0;
  // The data set's field objects, handed over when it opens.
  virtual void SetFields(TFields* fields) = 0;
  // The byte offset of the record an id names, and the id of the record at a byte offset.
  virtual int64_t OffsetOfId(TRecordId id) = 0;
  virtual TRecordId IdOfOffset(int64_t offset) = 0;
};

// An RFF data file, its ".ini" layout and ".rfm" memo texts, shown read-only.
class TRFFDataSet : public TAbstractDataSet {
 public:
  TRFFDataSet() = default;
  ~TRFFDataSet() override;

  // Called once, before the data set is opened.
  void SetFileName(const std::string& name);
  TDravikFieldList& FieldList();

  int32_t GetRecNo() override;
  void SetRecNo(int32_t recNo) override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override { return false; }
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  // Reads the layout's records itself (rff/RFFRecordValues.h).
  std::unique_ptr<TRecordValues> CreateRecordValues(std::span<const int32_t> columns) override;

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override;
  void InternalInitFieldDefs() override;
  void InternalOpen() override;

 private:
  IRFFRecordBuffers& RffSource();
};
