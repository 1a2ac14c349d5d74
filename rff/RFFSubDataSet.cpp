#include "rff/RFFSubDataSet.h"

#include <algorithm>
#include <cstring>

#include "platform/BinaryOpenMode.h"

namespace {

struct TRfcColumn {
  const char* name;
  int32_t width;
  int32_t offset;
};

constexpr TRfcColumn kColumns[] = {
    {"Tariff1_ID", 13, 0}, {"Car1", 3, 13},   {"Class1", 6, 16}, {"Dest1", 4, 22}, {"Tariff2_ID", 13, 26},
    {"Car2", 3, 39},       {"Class2", 6, 42}, {"Dest2", 4, 48},  {"Jaw", 6, 52},   {"HIP", 6, 58},
};

// Length of the file's first line: the bytes before its first CR or LF.
int32_t FirstLineLength(const std::string& fileName) {
  TFile file;
  file.Open(fileName, TBinaryOpenMode::bomReadOnly);
  char chunk[4096];
  int64_t length = 0;
  for (;;) {
    const size_t n = file.ReadSomeAt(length, chunk, sizeof chunk);
    const char* end = std::find_if(chunk, chunk + n, [](char c) { return c == '\r' || c == '\n'; });
    length += end - chunk;
    if (end != chunk + n || n < sizeof chunk) break;
    if (length > INT32_MAX - 2) break;
  }
  return static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX - 2));
}

}  // namespace

TRFFSubDataSet::~TRFFSubDataSet() {
  Close();
}

void TRFFSubDataSet::SetFileName(const std::string& name) {
  if (!Active()) fileName_ = name;
}

Ref<IRecordBuffers> TRFFSubDataSet::CreateRecordBuffers() {
  return MakeRef<IRecordBuffers>(new TReadOnlyRecordBuffers);
}

void TRFFSubDataSet::InternalOpen() {
  heldId_ = -1;
  SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadOnly);
  recordSize_ = FirstLineLength(fileName_) + 2;
  recordText_.assign(static_cast<size_t>(recordSize_), '\0');
  recordFile_.Open(fileName_, GetDefaultBinaryOpenMode());
  const int64_t count = recordFile_.Size() / recordSize_;
  Query<IReadOnlyRecordBuffers>(Source())->SetRecordCount(
      static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX)));
  TAbstractDataSet::InternalOpen();
}

void TRFFSubDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  columnOffsets_.clear();
  for (const TRfcColumn& column : kColumns) {
    if (column.offset >= recordSize_) break;
    FieldDefs().Add(column.name, TFieldType::ftString, column.width);
    columnOffsets_.push_back(column.offset);
  }
  TAbstractDataSet::InternalInitFieldDefs();
}

void TRFFSubDataSet::InternalClose() {
  recordFile_.Close();
  heldId_ = -1;
  recordText_.clear();
  columnOffsets_.clear();
  SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadWrite);
  TAbstractDataSet::InternalClose();
}

bool TRFFSubDataSet::GetFieldData(const TField& field, void* destination) {
  const char* buffer = FieldDataBuffer();
  if (buffer == nullptr || !IsCursorOpen()) return false;
  const int64_t id = IdValue(RecordIdOfBuffer(buffer));
  if (heldId_ == -1 || id != heldId_) {
    heldId_ = -1;
    recordFile_.ReadAt((id - 1) * recordSize_, recordText_.data(), recordText_.size());
    heldId_ = id;
  }
  if (destination == nullptr) return true;
  const int32_t offset = columnOffsets_[static_cast<size_t>(field.FieldNo() - 1)];
  const int32_t length = std::min(field.Size(), recordSize_ - offset);
  auto* out = static_cast<char*>(destination);
  std::memcpy(out, recordText_.data() + offset, static_cast<size_t>(length));
  out[length] = '\0';
  return true;
}
