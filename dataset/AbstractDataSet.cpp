#include "dataset/AbstractDataSet.h"

#include <algorithm>
#include <cstring>

namespace {
void WriteId(char* header, TRecordId id) {
  const uint32_t v = IdValue(id);
  const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                  static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  std::memcpy(header, bytes, 4);
}
}  // namespace

TRecordId TAbstractDataSet::RecordIdOfBuffer(const char* buffer) {
  const auto* b = reinterpret_cast<const unsigned char*>(buffer);
  return MakeRecordId(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                      static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

const Ref<IRecordBuffers>& TAbstractDataSet::Source() {
  if (!source_) source_ = CreateRecordBuffers();
  return source_;
}

void TAbstractDataSet::InternalInitFieldDefs() {
  fieldOffsets_.assign(static_cast<size_t>(FieldDefs().Count()), 0);
  Source()->FieldDefsChanged();
  dataSize_ = 0;
}

void TAbstractDataSet::InternalOpen() {
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  fieldOffsets_.assign(static_cast<size_t>(Fields().Count()), 0);
  // Summed in 64 bits: many large fields must not wrap the sum to a size that passes the check below.
  int64_t dataSize = 0;
  for (int32_t i = 0; i < Fields().Count(); ++i) {
    const TField& field = Fields()[i];
    const auto offset = static_cast<int32_t>(std::min<int64_t>(dataSize, INT32_MAX));
    fieldOffsets_[static_cast<size_t>(i)] = offset;
    if (field.IsBlob())
      Source()->RegisterBlobField(offset);
    else
      dataSize += field.DataSize();
  }
  dataSize_ = static_cast<int32_t>(std::min<int64_t>(dataSize, INT32_MAX - HeaderSize));
  // A record buffer's size is a 16-bit quantity.
  if (RecordBufferSize() > MaxRecordSize) throw EDatabaseError("Record size exceeds 65535 bytes");
  SetBookmarkSize(HeaderSize);
  cursorOpen_ = true;
  atStart_ = true;
  atEnd_ = false;
}

void TAbstractDataSet::InternalClose() {
  cursorOpen_ = false;
  BindFields(false);
}

int64_t TAbstractDataSet::RecordBufferSize() const {
  return HeaderSize + static_cast<int64_t>(dataSize_) + CalcFieldsSize();
}

int32_t TAbstractDataSet::GetRecordSize() {
  return static_cast<uint16_t>(RecordBufferSize());
}

void TAbstractDataSet::InternalInitRecord(char* buffer) {
  std::memset(buffer, 0, static_cast<size_t>(HeaderSize + dataSize_));
}

void TAbstractDataSet::ClearCalcFields(char* buffer) {
  std::memset(buffer + HeaderSize + dataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
}

TGetResult TAbstractDataSet::GetRecord(char* buffer, TGetMode mode) {
  TGetResult result = TGetResult::grOK;
  if (mode == TGetMode::gmNext) {
    const TRecordId candidate = atStart_ ? Source()->FirstRecord() : Source()->NextRecord(currentId_);
    if (candidate != TRecordId::None) {
      atStart_ = false;
      currentId_ = candidate;
    } else {
      atEnd_ = true;
      result = TGetResult::grEOF;
    }
  } else if (mode == TGetMode::gmPrior) {
    const TRecordId candidate = atEnd_ ? Source()->LastRecord() : Source()->PriorRecord(currentId_);
    if (candidate != TRecordId::None) {
      atEnd_ = false;
      currentId_ = candidate;
    } else {
      atStart_ = true;
      result = TGetResult::grBOF;
    }
  }
  if (result == TGetResult::grOK && currentId_ != TRecordId::None) {
    Source()->GetRecordData(currentId_, buffer + HeaderSize);
    std::memset(buffer, 0, HeaderSize);
    WriteId(buffer, currentId_);
    buffer[BookmarkFlagByte] = 0;
    if (CalcFieldsSize() > 0) {
      ClearCalcFields(buffer);
      GetCalcFields(buffer);
    }
  }
  return result;
}

std::vector<TRecordId> TAbstractDataSet::HeldRecordIds() {
  std::vector<TRecordId> ids;
  for (int32_t row = 0; row < BufferedRecordCount(); ++row) {
    const TActiveRowScope scope(*this, row);
    ids.push_back(RecordIdOfBuffer(ActiveBuffer()));
  }
  ids.push_back(currentId_);
  return ids;
}

void TAbstractDataSet::RenameHeldRecords(const std::vector<TRecordId>& ids) {
  const int32_t rows = std::min<int32_t>(BufferedRecordCount(), static_cast<int32_t>(ids.size()) - 1);
  for (int32_t row = 0; row < rows; ++row) {
    const TActiveRowScope scope(*this, row);
    WriteId(ActiveBuffer(), ids[static_cast<size_t>(row)]);
  }
  if (!ids.empty()) currentId_ = ids.back();
}

void TAbstractDataSet::InternalFirst() {
  currentId_ = Source()->FirstRecord();
  atStart_ = true;
  atEnd_ = currentId_ == TRecordId::None;
}

void TAbstractDataSet::InternalLast() {
  currentId_ = Source()->LastRecord();
  atStart_ = currentId_ == TRecordId::None;
  atEnd_ = true;
}

void TAbstractDataSet::InternalSetToRecord(char* buffer) {
  currentId_ = RecordIdOfBuffer(buffer);
  atStart_ = false;
  atEnd_ = false;
}

void TAbstractDataSet::InternalGotoBookmark(const char* bookmark) {
  currentId_ = RecordIdOfBuffer(bookmark);
}

void TAbstractDataSet::GetBookmarkData(const char* buffer, char* bookmark) {
  std::memcpy(bookmark, buffer, HeaderSize);
}

void TAbstractDataSet::SetBookmarkData(char* buffer, const char* bookmark) {
  std::memcpy(buffer, bookmark, HeaderSize);
}

uint8_t TAbstractDataSet::GetBookmarkFlag(const char* buffer) {
  return static_cast<uint8_t>(buffer[BookmarkFlagByte]);
}

void TAbstractDataSet::SetBookmarkFlag(char* buffer, uint8_t flag) {
  buffer[BookmarkFlagByte] = static_cast<char>(flag);
}

int32_t TAbstractDataSet::GetRecNo() {
  UpdateCursorPos();
  return static_cast<int32_t>(IdValue(currentId_));
}

char* TAbstractDataSet::FieldDataBuffer() const {
  switch (State()) {
    case TDataSetState::dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      return ActiveBuffer();
    case TDataSetState::dsCalcFields:
      return CalcBuffer();
    default:
      return nullptr;
  }
}

bool TAbstractDataSet::GetFieldData(const TField& field, void* destination) {
  char* buffer = FieldDataBuffer();
  if (!cursorOpen_ || buffer == nullptr) return false;
  if (field.FieldKind() != TFieldKind::fkData) {
    const char* value = buffer + HeaderSize + dataSize_ + field.Offset();
    if (value[0] == 0 || destination == nullptr) return false;
    std::memcpy(destination, value + 1, static_cast<size_t>(field.DataSize()));
    return true;
  }
  if (destination == nullptr) return true;
  std::memcpy(destination, buffer + HeaderSize + FieldOffset(field.FieldNo()),
              static_cast<size_t>(field.DataSize()));
  return true;
}

void TAbstractDataSet::SetRecNoOfNumberedRecords(int32_t recNo) {
  const int32_t count = GetRecordCount();
  if (!Active() || count <= 0) return;
  recNo = std::clamp(recNo, 1, count);
  // Compare with the active row, not with wherever the last fetch left the cursor.
  UpdateCursorPos();
  if (recNo == RecordNumberOfId(CurrentRecordId())) return;
  SetCurrentRecordId(RecordIdOfNumber(recNo));
  Resync(0);
}

void TAbstractDataSet::CopyValueToFieldData(std::string_view value, const TField& field, void* destination) {
  const auto size = static_cast<size_t>(field.DataSize());
  if (size == 0) return;
  const size_t length = std::min(strnlen(value.data(), value.size()), size - 1);
  auto* out = static_cast<char*>(destination);
  std::memcpy(out, value.data(), length);
  std::memset(out + length, 0, size - length);
}
