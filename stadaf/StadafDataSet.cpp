#include "stadaf/StadafDataSet.h"

#include <algorithm>
#include <cstring>

#include "layout/TextHelpers.h"
#include "stadaf/RecordOffsets.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafException.h"
#include "stadaf/StadafFieldList.h"
#include "stadaf/StadafRecordValues.h"

TStadafDataSet::~TStadafDataSet() {
  Close();
}

void TStadafDataSet::Setup(TStadafFieldList* fieldList, Ref<IDynamicIntegerArray> offsets,
                           int32_t recordType) {
  fieldList_ = fieldList;
  offsets_ = std::move(offsets);
  wideOffsets_ = offsets_ ? dynamic_cast<const IRecordOffsets*>(offsets_.get()) : nullptr;
  recordType_ = recordType;
  const Ref<IReadOnlyRecordBuffers> source = Query<IReadOnlyRecordBuffers>(Source());
  source->SetRecordCount(offsets_ ? offsets_->GetCount() : 0);
}

Ref<IRecordBuffers> TStadafDataSet::CreateRecordBuffers() {
  return MakeRef<IRecordBuffers>(new TReadOnlyRecordBuffers);
}

void TStadafDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  if (fieldList_ != nullptr) {
    const bool typed = dynamic_cast<const TStadaf200FieldList*>(fieldList_) != nullptr;
    for (int32_t i = 0; i < fieldList_->FieldCount(); ++i) {
      const TDravikField& field = fieldList_->FieldByIndex(i);
      if (typed && field.RecordType() != recordType_) continue;
      if (field.Size() >= 1)
        FieldDefs().Add(field.Name(), TFieldType::ftString, field.Size());
      else
        FieldDefs().Add(field.Name(), TFieldType::ftMemo, 0);
    }
  }
  TAbstractDataSet::InternalInitFieldDefs();
}

void TStadafDataSet::InternalOpen() {
  TAbstractDataSet::InternalOpen();
  layoutFields_.clear();
  if (fieldList_ == nullptr) return;
  for (const auto& field : Fields()) {
    layoutFields_.resize(std::max<size_t>(layoutFields_.size(), static_cast<size_t>(field->FieldNo())));
    layoutFields_[static_cast<size_t>(field->FieldNo() - 1)] = &fieldList_->FieldByName(field->FieldName());
  }
  // No record lies at offset 0 (the header does), so the first request reads its record.
  fieldList_->SetPosition(0);
}

void TStadafDataSet::InternalInitRecord(char* buffer) {
  std::memset(buffer, 0, HeaderSize);
}

bool TStadafDataSet::HasActiveRecord() const {
  return fieldList_ != nullptr && offsets_ && ActiveBuffer() != nullptr && !IsEmpty();
}

int64_t TStadafDataSet::RecordOffset(int32_t recNo) const {
  return wideOffsets_ ? wideOffsets_->OffsetAt(recNo - 1) : offsets_->GetItem(recNo - 1);
}

void TStadafDataSet::HoldRecord(int32_t recNo) {
  const int64_t offset = RecordOffset(recNo);
  if (offset == fieldList_->Position()) return;
  fieldList_->SetPosition(offset);
  fieldList_->ReadRecord();
  // An offset list that does not fit the file (a cache of another file) must not show another type's
  // record as blank values.
  const auto* typed = dynamic_cast<const TStadaf200FieldList*>(fieldList_);
  if (typed && typed->CurrentRecordType() != recordType_)
    ThrowNaming(EStadafException("The record at offset " + std::to_string(offset) +
                                 " is not of record type " + RecordTypeName(recordType_)),
                fieldList_->DataReader() ? fieldList_->DataReader()->FileName() : std::string());
  fieldList_->SetPosition(offset);
}

TDravikField& TStadafDataSet::ActiveRecordField(const TField& field) {
  HoldRecord(RecordNumberOfId(RecordIdOfBuffer(ActiveBuffer())));
  const auto index = static_cast<size_t>(field.FieldNo() - 1);
  if (&field.DataSet() == this && index < layoutFields_.size() && layoutFields_[index] != nullptr)
    return *layoutFields_[index];
  return fieldList_->FieldByName(field.FieldName());
}

bool TStadafDataSet::GetFieldData(const TField& field, void* destination) {
  if (!HasActiveRecord()) return false;
  if (destination == nullptr) return true;
  const char* value = ActiveRecordField(field).GetValue();
  CopyValueToFieldData(std::string_view(value, strnlen(value, static_cast<size_t>(field.DataSize()))), field,
                       destination);
  return true;
}

std::unique_ptr<TMemoryStream> TStadafDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  auto stream = std::make_unique<TMemoryStream>();
  if (mode == TBlobStreamMode::bmWrite || !HasActiveRecord()) return stream;
  const char* value = ActiveRecordField(field).GetValue();
  stream->Write(value, static_cast<int32_t>(std::strlen(value)) + 1);
  stream->SetPosition(0);
  return stream;
}

void TStadafDataSet::SetRecNo(int32_t recNo) {
  SetRecNoOfNumberedRecords(recNo);
}

std::unique_ptr<TRecordValues> TStadafDataSet::CreateRecordValues(std::span<const int32_t> columns) {
  if (!Active() || fieldList_ == nullptr || !offsets_) return nullptr;
  return OpenStadafRecordValues(*this, columns);
}
