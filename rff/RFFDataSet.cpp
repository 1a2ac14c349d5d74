#include "rff/RFFDataSet.h"

#include <cstring>
#include <vector>

#include "layout/DravikFieldList.h"
#include "layout/FileReader.h"
#include "layout/TextHelpers.h"
#include "rff/RFFRecordValues.h"
#include "support/Text.h"

namespace {

// Ids are byte offsets plus 1, compared and stepped as unsigned 32-bit values; in a file where offset + 1
// would not fit them, record numbers (offset / record length + 1).
class TRFFRecordBuffers : public TInterfacedObject, public IRFFRecordBuffers {
 public:
  void* QueryInterface(const Guid& iid) override {
    if (void* p = QueryAmong<IRFFRecordBuffers, IRecordBuffers>(this, iid)) return p;
    return TInterfacedObject::QueryInterface(iid);
  }

  void SetFileName(const std::string& name) override {
    layout_.SetDataFileName(name);
    layout_.LoadLayout(CompanionFileName(name, ".ini"));
    ResolveValueFields();  // the layout's fields were made anew
  }
  TDravikFieldList& GetFieldList() override { return layout_; }
  void SetFields(TFields* fields) override {
    fields_ = fields;
    ResolveValueFields();
  }

  int32_t GetRecordCount() override { return layout_.GetRecordCount(); }
  TRecordId FirstRecord() override { return MakeRecordId(layout_.GetRecordCount() > 0 ? 1 : 0); }
  TRecordId LastRecord() override {
    const int32_t n = layout_.GetRecordCount();
    if (n <= 0) return TRecordId::None;
    if (NumberIds()) return MakeRecordId(static_cast<uint32_t>(n));
    return MakeRecordId(static_cast<uint32_t>(n - 1) * RecordLength() + 1);
  }
  TRecordId NextRecord(TRecordId id) override {
    if (NumberIds()) {
      // The next record needs only to start inside the file, as with offset ids.
      const uint64_t nextOffset = static_cast<uint64_t>(IdValue(id)) * RecordLength();
      return MakeRecordId(IdValue(id) != 0 && nextOffset < DataFileSize() ? IdValue(id) + 1 : 0);
    }
    const uint64_t next = static_cast<uint64_t>(IdValue(id)) + RecordLength();
    return MakeRecordId(next <= DataFileSize() ? static_cast<uint32_t>(next) : 0);
  }
  TRecordId PriorRecord(TRecordId id) override {
    if (NumberIds()) return MakeRecordId(IdValue(id) > 1 ? IdValue(id) - 1 : 0);
    const uint32_t rl = RecordLength();
    return MakeRecordId(IdValue(id) > rl ? IdValue(id) - rl : 0);
  }
  int64_t OffsetOfId(TRecordId id) override {
    const int64_t n = static_cast<int64_t>(IdValue(id)) - 1;
    return NumberIds() ? n * RecordLength() : n;
  }
  TRecordId IdOfOffset(int64_t offset) override {
    return MakeRecordId(static_cast<uint32_t>((NumberIds() ? offset / RecordLength() : offset) + 1));
  }
  void RegisterBlobField(int32_t) override {}
  void FieldDefsChanged() override {}

  int32_t GetRecordData(TRecordId id, char* destination) override {
    if (destination == nullptr) return layout_.GetRecordLength();
    layout_.SetPosition(OffsetOfId(id));
    layout_.ReadRecord();
    char* out = destination;
    for (const TValueField& field : valueFields_) {
      // The value and its zero byte, cut so that the last byte is always the zero byte.
      const char* value = field.layoutField->GetValue();
      const size_t length = strnlen(value, field.dataSize - 1);
      std::memcpy(out, value, length);
      std::memset(out + length, 0, field.dataSize - length);
      out += field.dataSize;
    }
    return layout_.GetRecordLength();
  }

 private:
  // Looked up once: a record read then copies values without a lookup by name per field.
  void ResolveValueFields() {
    valueFields_.clear();
    if (fields_ == nullptr) return;
    for (const auto& field : *fields_)
      if (!field->IsBlob())
        valueFields_.push_back(
            {&layout_.FieldByName(field->FieldName()), static_cast<size_t>(field->DataSize())});
  }
  uint32_t RecordLength() { return static_cast<uint32_t>(layout_.GetRecordLength()); }
  // Whether offset + 1 may not fit a 32-bit id: ids are then record numbers.
  bool NumberIds() const { return DataFileSize() > UINT32_MAX - 1; }
  uint64_t DataFileSize() const {
    const TFileReader* reader = layout_.DataReader();
    return reader && reader->IsOpen() ? static_cast<uint64_t>(reader->OpenedSize()) : 0;
  }

  // A field the record buffer holds, with the layout field that gives its value.
  struct TValueField {
    TDravikField* layoutField;
    size_t dataSize;
  };

  TDravikFieldList layout_;
  TFields* fields_ = nullptr;
  std::vector<TValueField> valueFields_;
};

}  // namespace

TRFFDataSet::~TRFFDataSet() {
  Close();
}

Ref<IRecordBuffers> TRFFDataSet::CreateRecordBuffers() {
  return MakeRef<IRecordBuffers>(new TRFFRecordBuffers);
}

IRFFRecordBuffers& TRFFDataSet::RffSource() {
  return *static_cast<IRFFRecordBuffers*>(Source()->QueryInterface(IRFFRecordBuffers::IID));
}

void TRFFDataSet::SetFileName(const std::string& name) {
  RffSource().SetFileName(name);
}

TDravikFieldList& TRFFDataSet::FieldList() {
  return RffSource().GetFieldList();
}

void TRFFDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  TDravikFieldList& layout = FieldList();
  for (int32_t i = 0; i < layout.FieldCount(); ++i) {
    const TDravikField& field = layout.FieldByIndex(i);
    if (UpperCase(field.Name()).find("MEMO") != std::string::npos)
      FieldDefs().Add(field.Name(), TFieldType::ftMemo, 0);
    else
      FieldDefs().Add(field.Name(), TFieldType::ftString, field.Size());
  }
  TAbstractDataSet::InternalInitFieldDefs();
}

void TRFFDataSet::InternalOpen() {
  // Records cannot be read without their layout: the missing layout file reads as any missing file does.
  if (FieldList().LayoutFileName().empty())
    ThrowNaming(Exception("File not found"), CompanionFileName(FieldList().DataFileName(), ".ini"));
  TAbstractDataSet::InternalOpen();
  RffSource().SetFields(&Fields());
}

int32_t TRFFDataSet::GetRecNo() {
  UpdateCursorPos();
  const auto rl = static_cast<uint32_t>(FieldList().GetRecordLength());
  if (rl == 0) return 0;
  if (CurrentRecordId() != TRecordId::None)
    return static_cast<int32_t>(RffSource().OffsetOfId(CurrentRecordId()) / rl + 1);
  return static_cast<int32_t>((IdValue(CurrentRecordId()) - 1u) / rl + 1u);
}

void TRFFDataSet::SetRecNo(int32_t recNo) {
  // Record n starts at RL * (n - 1), in 64 bits: as a 32-bit id the product wraps onto some other byte of
  // the file. A start outside the data file fails as the refetch's seek would, before the cursor moves, so
  // the cursor stays on the row it was on.
  const TFileReader* reader = FieldList().DataReader();
  const int64_t size = reader ? reader->OpenedSize() : 0;
  const int64_t offset =
      static_cast<int64_t>(FieldList().GetRecordLength()) * (static_cast<int64_t>(recNo) - 1);
  if (offset < 0 || offset >= size) throw EFileReaderException("EOF-Error");
  SetCurrentRecordId(RffSource().IdOfOffset(offset));
  Resync(0);
}

std::unique_ptr<TMemoryStream> TRFFDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  auto stream = std::make_unique<TMemoryStream>();
  if (mode == TBlobStreamMode::bmWrite) return stream;
  const char* buffer = ActiveBuffer();
  if (buffer == nullptr || IsEmpty()) return stream;
  TDravikFieldList& layout = FieldList();
  layout.SetPosition(RffSource().OffsetOfId(RecordIdOfBuffer(buffer)));
  layout.ReadRecord();
  const char* value = layout.FieldByName(field.FieldName()).GetValue();
  stream->Write(value, static_cast<int32_t>(std::strlen(value)) + 1);
  stream->SetPosition(0);
  return stream;
}

std::unique_ptr<TRecordValues> TRFFDataSet::CreateRecordValues(std::span<const int32_t> columns) {
  if (!Active()) return nullptr;
  return OpenRFFRecordValues(*this, columns);
}
