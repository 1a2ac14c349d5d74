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

// Bytes of a record the columns show: a longer record is not read beyond them.
constexpr int32_t kColumnsEnd = 64;

// Length of the file's first line: the bytes before its first CR or LF. The search stops where a record
// could no longer fit a record buffer, so that a file without line ends is not read to its end.
int32_t FirstLineLength(const TFile& file) {
  constexpr int64_t kLongest = TAbstractDataSet::MaxRecordSize - 2;
  char chunk[4096];
  int64_t length = 0;
  for (;;) {
    const size_t n = file.ReadSomeAt(length, chunk, sizeof chunk);
    const char* end = std::find_if(chunk, chunk + n, [](char c) { return c == '\r' || c == '\n'; });
    length += end - chunk;
    if (length > kLongest) throw EDatabaseError("Record size exceeds 65535 bytes");
    if (end != chunk + n || n < sizeof chunk) return static_cast<int32_t>(length);
  }
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
  recordFile_.Open(fileName_);
  recordSize_ = NamingFile(fileName_, [&] { return FirstLineLength(recordFile_); }) + 2;
  recordText_.assign(static_cast<size_t>(std::min(recordSize_, kColumnsEnd)), '\0');
  const int64_t size = recordFile_.Size();
  const int64_t count = size / recordSize_;
  // Record numbers are 32-bit: a file of more records is refused rather than shown cut short.
  if (count > INT32_MAX)
    ThrowNaming(
        Exception("Too many records: " + std::to_string(size) + " bytes hold " + std::to_string(count) +
                  " records of " + std::to_string(recordSize_) + " bytes; at most 2147483647 can be shown"),
        fileName_);
  Query<IReadOnlyRecordBuffers>(Source())->SetRecordCount(static_cast<int32_t>(count));
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
