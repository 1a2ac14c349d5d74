#pragma once

#include <memory>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "dataset/RecordView.h"

// A data set showing the records of another one through a view: record n of this data set is the record
// at position n of the view. Moving, paging, GetRecNo, SetRecNo, GetRecordCount and bookmarks are in view
// positions; values come from the base data set, brought to the record each row shows. The base must stay
// open while this one is; it is moved by this one and is not shown elsewhere meanwhile.
class TViewDataSet : public TAbstractDataSet {
 public:
  // Raises EDatabaseError when base has no record numbers (CheckViewable).
  TViewDataSet(TDataSet& base, TRecordView view);
  ~TViewDataSet() override;

  TDataSet& Base() const { return base_; }
  const TRecordView& View() const { return view_; }
  // The base's record number of the active row; 0 when there is none.
  int32_t BaseRecNo() const;

  bool GetFieldData(const TField& field, void* destination) override;
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  bool IsSequenced() override { return true; }
  bool GetCanModify() override { return false; }
  // Positions outside 1 … record count are clamped to it.
  void SetRecNo(int32_t recNo) override;
  // The base's field for one of ours, the base brought to the active row's record; none without a row.
  TField* BaseFieldAtActiveRow(const TField& field);

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override;
  void InternalInitFieldDefs() override;
  int64_t RecordBufferSize() const override { return HeaderSize; }
  void InternalInitRecord(char* buffer) override;
  void ClearCalcFields(char* /*buffer*/) override {}

 private:
  TDataSet& base_;
  TRecordView view_;
};
