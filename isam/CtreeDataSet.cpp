#include "isam/CtreeDataSet.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "isam/CtreeFields.h"
#include "isam/CtreeTable.h"

// The table's records as a record source. Without record positions, ids are record positions, stepped by the
// table's moves in its active order; with them, ids are record numbers, and the table is moved only to read
// a record's values.
class TCtreeRecordBuffers : public TInterfacedObject, public IRecordBuffers {
 public:
  explicit TCtreeRecordBuffers(TCTreeTable& table) : table_(table) {}

  void* QueryInterface(const Guid& iid) override {
    if (void* p = QueryAmong<IRecordBuffers>(this, iid)) return p;
    return TInterfacedObject::QueryInterface(iid);
  }

  TRecordId FirstRecord() override {
    if (positions_) return Numbered(1);
    table_.First();
    return Arrived(table_.Eof());
  }
  TRecordId LastRecord() override {
    if (positions_) return Numbered(static_cast<int64_t>(positions_->size()));
    table_.Last();
    return Arrived(table_.Bof());
  }
  TRecordId NextRecord(TRecordId id) override {
    if (positions_) return id == TRecordId::None ? id : Numbered(int64_t{IdValue(id)} + 1);
    if (!MoveTo(id)) return TRecordId::None;
    table_.Next();
    return Stepped(id, table_.Eof());
  }
  TRecordId PriorRecord(TRecordId id) override {
    if (positions_) return id == TRecordId::None ? id : Numbered(int64_t{IdValue(id)} - 1);
    if (!MoveTo(id)) return TRecordId::None;
    table_.Prior();
    return Stepped(id, table_.Bof());
  }
  int32_t GetRecordData(TRecordId, char*) override { return -1; }
  // Counted when first asked for: a count reads the whole table, and opening or moving need none.
  int32_t GetRecordCount() override {
    if (positions_) return static_cast<int32_t>(positions_->size());
    if (count_ < 0) count_ = table_.Active() ? table_.RecordCount() : 0;
    return count_;
  }
  void RegisterBlobField(int32_t) override {}
  void FieldDefsChanged() override {}

  // The table was opened, changed its order or was moved by another; positions: its numbering, if any.
  void Restart(std::shared_ptr<const TRecordPositions> positions) {
    positions_ = std::move(positions);
    count_ = -1;
    current_ = TRecordId::None;
  }
  // The record position of the record with that id; 0 for none.
  int32_t PositionOf(TRecordId id) const {
    if (!positions_) return static_cast<int32_t>(IdValue(id));
    const uint32_t number = IdValue(id);
    return number >= 1 && number <= positions_->size() ? (*positions_)[number - 1] : 0;
  }
  // Makes the record with that id the table's current one; false when it is gone.
  bool MoveTo(TRecordId id) {
    if (id == TRecordId::None) return false;
    if (id == current_) return true;
    const int32_t position = PositionOf(id);
    if (position == 0) return false;
    table_.SetRecordPosition(position);
    if (table_.NoCurrentRecord() || table_.GetRecordPosition() != position) {
      current_ = TRecordId::None;
      return false;
    }
    current_ = id;
    return true;
  }

 private:
  TRecordId Arrived(bool outside) {
    current_ = outside ? TRecordId::None : MakeRecordId(static_cast<uint32_t>(table_.GetRecordPosition()));
    return current_;
  }
  // After a step from the record with id from: a step that failed leaves the table where it was, which is
  // an error rather than the same record again.
  TRecordId Stepped(TRecordId from, bool outside) {
    const TRecordId arrived = Arrived(outside);
    if (!outside && (arrived == from || arrived == TRecordId::None))
      throw EDatabaseError("Unable to move to the next record of the table: error " +
                           std::to_string(table_.LastError()));
    return arrived;
  }
  TRecordId Numbered(int64_t number) const {
    const bool inside = number >= 1 && number <= static_cast<int64_t>(positions_->size());
    return inside ? MakeRecordId(static_cast<uint32_t>(number)) : TRecordId::None;
  }

  TCTreeTable& table_;
  std::shared_ptr<const TRecordPositions> positions_;
  int32_t count_ = -1;
  TRecordId current_ = TRecordId::None;
};

namespace {

// Columns wide enough for a field's text in any of its values.
int32_t TextWidth(const TCtreeField& field) {
  switch (field.DataType()) {
    case dtBoolean:
      return 5;
    case dtChar:
      return 1;
    case dtSmallInt:
      return 6;
    case dtInteger:
    case dtAutoCounter:
      return 11;
    case dtDate:
      return 12;
    case dtDateTime:
      return 26;
    case dtFloat:
      return 24;
    default:
      return std::max<int32_t>(field.Size(), 1);
  }
}

}  // namespace

TCtreeDataSet::TCtreeDataSet(std::unique_ptr<TCTreeTable> table) : table_(std::move(table)) {}

TCtreeDataSet::~TCtreeDataSet() {
  Close();
}

std::vector<std::string> TCtreeDataSet::IndexNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < table_->IndexCount(); ++i) names.push_back(table_->IndexDefs(i).Name());
  return names;
}

void TCtreeDataSet::SetIndexName(const std::string& name) {
  indexName_ = name;
  indexChosen_ = true;
  if (!Active()) return;
  if (name.empty())
    table_->SetIndexFieldNames("");
  else
    table_->SetIndexName(name);
  indexName_ = table_->IndexName();
  positions_.reset();
  Buffers().Restart(nullptr);
  First();
}

std::shared_ptr<const TRecordPositions> TCtreeDataSet::ReadRecordPositions(const TPassControl& control) {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  auto positions = std::make_shared<TRecordPositions>();
  const int64_t total = table_->RecordCount();
  positions->reserve(static_cast<size_t>(std::max<int64_t>(total, 0)));
  // Walked as a source without numbers, whose ids are the positions; the walk moves the table under the rows.
  TCtreeRecordBuffers& source = Buffers();
  source.Restart(nullptr);
  for (TRecordId id = source.FirstRecord(); id != TRecordId::None; id = source.NextRecord(id)) {
    if (positions->size() >= static_cast<size_t>(INT32_MAX))
      throw EDatabaseError("The table holds more records than can be numbered");
    positions->push_back(static_cast<int32_t>(IdValue(id)));
    if (positions->size() % 4096 == 0) {
      control.CheckCancel();
      control.Progress(static_cast<int64_t>(positions->size()), total);
    }
  }
  control.CheckCancel();
  control.Progress(static_cast<int64_t>(positions->size()), static_cast<int64_t>(positions->size()));
  source.Restart(positions_);
  First();
  return positions;
}

bool TCtreeDataSet::NumberHeldRows(const std::shared_ptr<const TRecordPositions>& positions) {
  if (!Active() || positions_ || !positions) return false;
  // The held rows' ids are record positions: each gets its number, found in one pass over the positions.
  std::vector<TRecordId> ids = HeldRecordIds();
  std::unordered_map<uint32_t, uint32_t> numbers;
  for (const TRecordId id : ids)
    if (id != TRecordId::None) numbers.emplace(IdValue(id), 0);
  size_t found = 0;
  for (size_t i = 0; i < positions->size() && found < numbers.size(); ++i) {
    const auto it = numbers.find(static_cast<uint32_t>((*positions)[i]));
    if (it != numbers.end() && it->second == 0) {
      it->second = static_cast<uint32_t>(i + 1);
      ++found;
    }
  }
  if (found < numbers.size()) return false;
  for (TRecordId& id : ids)
    if (id != TRecordId::None) id = MakeRecordId(numbers[IdValue(id)]);
  positions_ = positions;
  Buffers().Restart(positions_);
  RenameHeldRecords(ids);
  DataEvent(TDataEvent::deDataSetChange, 0);
  return true;
}

void TCtreeDataSet::SetRecordPositions(std::shared_ptr<const TRecordPositions> positions) {
  if (NumberHeldRows(positions)) return;
  int32_t position = 0;
  if (Active() && !IsEmpty()) position = Buffers().PositionOf(RecordIdOfBuffer(ActiveBuffer()));
  positions_ = std::move(positions);
  if (!Active()) return;
  Buffers().Restart(positions_);
  First();
  if (!positions_ || position == 0) return;
  const auto found = std::find(positions_->begin(), positions_->end(), position);
  if (found != positions_->end()) SetRecNo(static_cast<int32_t>(found - positions_->begin()) + 1);
}

Ref<IRecordBuffers> TCtreeDataSet::CreateRecordBuffers() {
  return MakeRef<IRecordBuffers>(new TCtreeRecordBuffers(*table_));
}

void TCtreeDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (int i = 0; i < table_->FieldCount(); ++i) {
    const TCtreeField& field = table_->Fields(i);
    if (field.IsVariable())
      FieldDefs().Add(field.Name(), TFieldType::ftMemo, 0);
    else
      FieldDefs().Add(field.Name(), TFieldType::ftString, TextWidth(field));
  }
  TAbstractDataSet::InternalInitFieldDefs();
}

void TCtreeDataSet::InternalOpen() {
  table_->SetFileMode(TFileMode::fmReadOnly);
  table_->Open();
  // The table's first index unless another order was chosen before opening.
  if (indexChosen_) {
    if (indexName_.empty())
      table_->SetIndexFieldNames("");
    else
      table_->SetIndexName(indexName_);
  }
  indexName_ = table_->IndexName();
  positions_.reset();
  Buffers().Restart(nullptr);
  TAbstractDataSet::InternalOpen();
  tableFields_.clear();
  for (const auto& field : Fields()) {
    tableFields_.resize(std::max<size_t>(tableFields_.size(), static_cast<size_t>(field->FieldNo())));
    tableFields_[static_cast<size_t>(field->FieldNo() - 1)] = table_->FindField(field->FieldName());
  }
}

void TCtreeDataSet::InternalClose() {
  TAbstractDataSet::InternalClose();
  tableFields_.clear();
  table_->Close();
}

void TCtreeDataSet::InternalInitRecord(char* buffer) {
  std::memset(buffer, 0, HeaderSize);
}

TCtreeRecordBuffers& TCtreeDataSet::Buffers() {
  return static_cast<TCtreeRecordBuffers&>(*Source());
}

TCtreeField* TCtreeDataSet::ActiveRecordField(const TField& field) {
  if (ActiveBuffer() == nullptr || IsEmpty()) return nullptr;
  const TRecordId id = RecordIdOfBuffer(ActiveBuffer());
  if (!Buffers().MoveTo(id)) {
    if (positions_ && goneRecordsRaise_)
      throw EDatabaseError("Record " + std::to_string(IdValue(id)) +
                           " is no longer in the table: it changed since its records were numbered");
    return nullptr;
  }
  const auto index = static_cast<size_t>(field.FieldNo() - 1);
  if (&field.DataSet() == this && index < tableFields_.size()) return tableFields_[index];
  return table_->FindField(field.FieldName());
}

bool TCtreeDataSet::GetFieldData(const TField& field, void* destination) {
  TCtreeField* tableField = ActiveRecordField(field);
  if (!tableField) return false;
  if (destination == nullptr) return true;
  CopyValueToFieldData(tableField->AsString(), field, destination);
  return true;
}

bool TCtreeDataSet::PictureBytes(const TField& field, std::string& out) {
  out.clear();
  auto* picture = dynamic_cast<TCTreeGraphicField*>(ActiveRecordField(field));
  if (picture == nullptr) return false;
  // Without the zero byte that storing a picture appends.
  const std::vector<uint8_t>& bytes = picture->GetGraphicStream().Memory();
  out.assign(bytes.begin(), bytes.end());
  if (!out.empty() && out.back() == '\0') out.pop_back();
  return true;
}

std::unique_ptr<TMemoryStream> TCtreeDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  auto stream = std::make_unique<TMemoryStream>();
  if (mode == TBlobStreamMode::bmWrite) return stream;
  TCtreeField* tableField = ActiveRecordField(field);
  if (!tableField) return stream;
  if (tableField->DataType() == dtMemo) {
    const char* text = tableField->BlobData();
    stream->Write(text, static_cast<int32_t>(std::strlen(text)) + 1);
  } else {
    const std::string text = tableField->AsString();
    stream->Write(text.c_str(), static_cast<int32_t>(text.size()) + 1);
  }
  stream->SetPosition(0);
  return stream;
}
