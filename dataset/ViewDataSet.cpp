#include "dataset/ViewDataSet.h"

#include <algorithm>
#include <cstring>

TViewDataSet::TViewDataSet(TDataSet& base, TRecordView view) : base_(base), view_(std::move(view)) {
  CheckViewable(base_);
  Query<IReadOnlyRecordBuffers>(Source())->SetRecordCount(view_.Count());
  // The base reads only the record a row asks for, not a window of rows around it.
  base_.SetBufferCount(1);
}

TViewDataSet::~TViewDataSet() {
  Close();
}

Ref<IRecordBuffers> TViewDataSet::CreateRecordBuffers() {
  return MakeRef<IRecordBuffers>(new TReadOnlyRecordBuffers);
}

void TViewDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const auto& field : base_.Fields())
    FieldDefs().Add(field->FieldName(), field->DataType(), field->Size());
  TAbstractDataSet::InternalInitFieldDefs();
}

void TViewDataSet::InternalInitRecord(char* buffer) {
  std::memset(buffer, 0, HeaderSize);
}

int32_t TViewDataSet::BaseRecNo() const {
  const char* buffer = FieldDataBuffer();
  if (buffer == nullptr || !IsCursorOpen()) return 0;
  const int32_t position = RecordNumberOfId(RecordIdOfBuffer(buffer));
  return position >= 1 && position <= view_.Count() ? view_.RecordAt(position) : 0;
}

TField* TViewDataSet::BaseFieldAtActiveRow(const TField& field) {
  const int32_t recNo = BaseRecNo();
  if (recNo == 0) return nullptr;
  MoveToRecNo(base_, recNo);
  return &base_.Fields()[field.FieldNo() - 1];
}

bool TViewDataSet::GetFieldData(const TField& field, void* destination) {
  TField* baseField = BaseFieldAtActiveRow(field);
  return baseField != nullptr && base_.GetFieldData(*baseField, destination);
}

std::unique_ptr<TMemoryStream> TViewDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  TField* baseField = mode == TBlobStreamMode::bmWrite ? nullptr : BaseFieldAtActiveRow(field);
  if (baseField == nullptr) return std::make_unique<TMemoryStream>();
  return base_.CreateBlobStream(*baseField, mode);
}

void TViewDataSet::SetRecNo(int32_t recNo) {
  SetRecNoOfNumberedRecords(recNo);
}
