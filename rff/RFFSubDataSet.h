#pragma once

#include <string>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "platform/File.h"

// An RFC file: fixed-length lines pairing two tariffs, read one record at a time as the grid asks.
class TRFFSubDataSet : public TAbstractDataSet {
 public:
  TRFFSubDataSet() = default;
  ~TRFFSubDataSet() override;

  // Taken only while the data set is closed.
  void SetFileName(const std::string& name);
  const std::string& FileName() const { return fileName_; }
  // Bytes per record: the first line's length plus its CR LF.
  int32_t RecordSize() const { return recordSize_; }

  bool GetFieldData(const TField& field, void* destination) override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override { return false; }

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override;
  void InternalInitFieldDefs() override;
  void InternalOpen() override;
  void InternalClose() override;

 private:
  std::string fileName_;
  TFile recordFile_;
  int32_t recordSize_ = 0;
  std::string recordText_;
  int64_t heldId_ = -1;
  std::vector<int32_t> columnOffsets_;
};
