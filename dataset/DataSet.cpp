#include "dataset/DataSet.h"

#include <algorithm>

namespace {
// Runs a function when the scope ends, normally or by an exception.
template <class F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() noexcept(false) {
    if (std::uncaught_exceptions() > count_) {
      try {
        f_();
      } catch (...) {
      }
    } else {
      f_();
    }
  }

 private:
  F f_;
  int count_ = std::uncaught_exceptions();
};
}  // namespace

TDataSet::~TDataSet() {
  FreeBuffers();
}

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (!field) throw EDatabaseError("Field '" + std::string(name) + "' not found");
  return *field;
}

void TDataSet::Open() {
  if (Active()) return;
  try {
    InternalOpen();
  } catch (...) {
    InternalClose();
    DestroyFields();
    throw;
  }
  state_ = TDataSetState::dsBrowse;
  bof_ = true;
  eof_ = false;
  SetBufListSize(bufferCount_ + 1);
  DataEvent(TDataEvent::deUpdateState, 0);
  First();
}

void TDataSet::Close() {
  if (!Active()) return;
  state_ = TDataSetState::dsInactive;
  ClearBuffers();
  FreeBuffers();
  InternalClose();
  DestroyFields();
  DataEvent(TDataEvent::deUpdateState, 0);
}

void TDataSet::CreateFields() {
  fields_.Clear();
  int32_t fieldNo = 1;
  for (const TFieldDef& def : fieldDefs_) fields_.Add(std::make_unique<TField>(*this, def, fieldNo++));
}

void TDataSet::DestroyFields() {
  if (defaultFields_) fields_.Clear();
}

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  if (!binding) return;
  for (const auto& field : fields_) {
    if (field->FieldKind() == TFieldKind::fkData) continue;
    field->SetOffset(calcFieldsSize_);
    calcFieldsSize_ += 1 + field->DataSize();
  }
}

void TDataSet::GetCalcFields(char* buffer) {
  if (calcFieldsSize_ == 0 || !OnCalcFields) return;
  const TDataSetState saved = state_;
  char* savedBuffer = calcBuffer_;
  state_ = TDataSetState::dsCalcFields;
  calcBuffer_ = buffer;
  Finally restore([&] {
    state_ = saved;
    calcBuffer_ = savedBuffer;
  });
  ClearCalcFields(buffer);
  OnCalcFields(*this);
}

char* TDataSet::ActiveBuffer() const {
  if (buffers_.empty()) return nullptr;
  return buffers_[static_cast<size_t>(activeRecord_)];
}

char* TDataSet::AllocRecordBuffer() {
  return new char[static_cast<size_t>(GetRecordSize())];
}

void TDataSet::FreeRecordBuffer(char* buffer) {
  delete[] buffer;
}

void TDataSet::SetBufListSize(int32_t size) {
  while (static_cast<int32_t>(buffers_.size()) > size) {
    FreeRecordBuffer(buffers_.back());
    buffers_.pop_back();
  }
  buffers_.reserve(static_cast<size_t>(size));
  while (static_cast<int32_t>(buffers_.size()) < size) buffers_.push_back(AllocRecordBuffer());
}

void TDataSet::FreeBuffers() {
  SetBufListSize(0);
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::SetCurrentRecord(int32_t index) {
  if (currentRecord_ == index) return;
  InternalSetToRecord(buffers_[static_cast<size_t>(index)]);
  currentRecord_ = index;
}

void TDataSet::MoveBuffer(int32_t from, int32_t to) {
  if (from == to) return;
  char* buffer = buffers_[static_cast<size_t>(from)];
  buffers_.erase(buffers_.begin() + from);
  buffers_.insert(buffers_.begin() + to, buffer);
}

bool TDataSet::FetchIntoSpare(TGetMode mode) {
  try {
    return GetRecord(buffers_[static_cast<size_t>(recordCount_)], mode) == TGetResult::grOK;
  } catch (...) {
    // The cursor may have moved onto the record that failed; the next step must start again from a
    // held row, or that record would be skipped.
    CursorPosChanged();
    throw;
  }
}

bool TDataSet::RestartWith(TGetMode mode) {
  bool found = false;
  try {
    found = FetchIntoSpare(mode);
  } catch (...) {
    // With no row held there is nothing to go back to: the cursor names no record.
    if (recordCount_ == 0) ClearBuffers();
    throw;
  }
  if (!found) {
    ClearBuffers();
    return false;
  }
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  return true;
}

bool TDataSet::FetchAhead(bool (TDataSet::*fetch)()) {
  try {
    return (this->*fetch)();
  } catch (const Exception&) {
    // Reading ahead fills the window beyond the record asked for. A record there that cannot be read
    // ends the fill as an end would; the cursor steps onto it only by a move, which reports the error.
    return false;
  }
}

bool TDataSet::GetNextRecord() {
  if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
  const bool ok = FetchIntoSpare(TGetMode::gmNext);
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    MoveBuffer(0, recordCount_);
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  const bool ok = FetchIntoSpare(TGetMode::gmPrior);
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int32_t TDataSet::GetNextRecords() {
  int32_t fetched = 0;
  while (recordCount_ < bufferCount_ && FetchAhead(&TDataSet::GetNextRecord)) ++fetched;
  return fetched;
}

int32_t TDataSet::GetPriorRecords() {
  int32_t fetched = 0;
  while (recordCount_ < bufferCount_ && FetchAhead(&TDataSet::GetPriorRecord)) ++fetched;
  return fetched;
}

void TDataSet::First() {
  if (!Active()) return;
  InternalFirst();
  const bool any = RestartWith(TGetMode::gmNext);
  Finally done([&] {
    bof_ = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
  });
  if (any) GetNextRecords();
}

void TDataSet::Last() {
  if (!Active()) return;
  InternalLast();
  const bool any = RestartWith(TGetMode::gmPrior);
  Finally done([&] {
    eof_ = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
  });
  if (any) GetPriorRecords();
}

int32_t TDataSet::MoveBy(int32_t distance) {
  int32_t moved = 0;
  if (!Active() || !((distance > 0 && !eof_) || (distance < 0 && !bof_))) return moved;
  bof_ = false;
  eof_ = false;
  const int32_t oldRecordCount = recordCount_;
  int32_t scrolled = 0;
  Finally notify([&] {
    if (recordCount_ != oldRecordCount)
      DataEvent(TDataEvent::deLayoutChange, 0);
    else
      DataEvent(TDataEvent::deDataSetScroll, scrolled);
  });
  while (distance > 0) {
    if (activeRecord_ < recordCount_ - 1) {
      ++activeRecord_;
    } else {
      if (recordCount_ < bufferCount_) {
        if (!GetNextRecord()) {
          eof_ = true;
          break;
        }
        activeRecord_ = recordCount_ - 1;
      } else {
        if (!GetNextRecord()) {
          eof_ = true;
          break;
        }
        --scrolled;
      }
    }
    --distance;
    ++moved;
  }
  while (distance < 0) {
    if (activeRecord_ > 0) {
      --activeRecord_;
    } else {
      const int32_t before = recordCount_;
      if (!GetPriorRecord()) {
        bof_ = true;
        break;
      }
      activeRecord_ = 0;
      if (recordCount_ == before) ++scrolled;
    }
    ++distance;
    --moved;
  }
  return moved;
}

void TDataSet::Resync(TResyncMode mode) {
  if (!Active()) return;
  // The target comes into the spare buffer: if it cannot be read, the held rows stay as they were.
  if (mode & rmExact) {
    CursorPosChanged();
    if (!FetchIntoSpare(TGetMode::gmCurrent)) throw EDatabaseError("Record not found");
  } else if (!FetchIntoSpare(TGetMode::gmCurrent) && !FetchIntoSpare(TGetMode::gmNext) &&
             !FetchIntoSpare(TGetMode::gmPrior)) {
    ClearBuffers();
    DataEvent(TDataEvent::deDataSetChange, 0);
    return;
  }
  int32_t above = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  // The cursor was placed without a step, so its end flags may still be those of an earlier position:
  // the fill below starts from the held row again.
  CursorPosChanged();
  Finally done([&] { DataEvent(TDataEvent::deDataSetChange, 0); });
  while (above > 0 && FetchAhead(&TDataSet::GetPriorRecord)) --above;
  GetNextRecords();
  GetPriorRecords();
}

void TDataSet::Refresh() {
  if (!Active()) return;
  // Without a held row the cursor names no record, and a refetch "in place" would hold an empty buffer.
  if (IsEmpty()) {
    InternalRefresh();
    First();
    return;
  }
  UpdateCursorPos();
  InternalRefresh();
  Resync(0);
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

TDataSet::TBookmark TDataSet::GetBookmark() {
  if (!Active() || IsEmpty() || bookmarkSize_ <= 0 || GetBookmarkFlag(ActiveBuffer()) != 0) return {};
  TBookmark bookmark(static_cast<size_t>(bookmarkSize_));
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (!Active() || bookmark.empty()) return;
  InternalGotoBookmark(bookmark.data());
  Resync(rmExact | rmCenter);
}

void TDataSet::SetBufferCount(int32_t count) {
  if (count < 1) count = 1;
  if (count == bufferCount_) return;
  if (!Active()) {
    bufferCount_ = count;
    return;
  }
  const int32_t oldRecordCount = recordCount_;
  Finally notify([&] {
    if (recordCount_ != oldRecordCount) DataEvent(TDataEvent::deLayoutChange, 0);
  });
  if (recordCount_ > count) {
    // Keep the active row inside the smaller window: drop rows above it first, then below.
    const int32_t dropTop = std::max(0, activeRecord_ - (count - 1));
    for (int32_t i = 0; i < dropTop; ++i) MoveBuffer(0, static_cast<int32_t>(buffers_.size()) - 1);
    activeRecord_ -= dropTop;
    currentRecord_ = currentRecord_ >= dropTop ? currentRecord_ - dropTop : -1;
    recordCount_ = std::min(recordCount_ - dropTop, count);
    if (currentRecord_ >= recordCount_) currentRecord_ = -1;
  }
  SetBufListSize(count + 1);
  bufferCount_ = count;
  if (recordCount_ > 0) {
    GetNextRecords();
    GetPriorRecords();
  }
}

int32_t TDataSet::AddDataEventHandler(DataEventHandler handler) {
  handlers_.emplace_back(nextHandlerToken_, std::move(handler));
  return nextHandlerToken_++;
}

void TDataSet::RemoveDataEventHandler(int32_t token) {
  std::erase_if(handlers_, [token](const auto& entry) { return entry.first == token; });
}

void TDataSet::DataEvent(TDataEvent event, int32_t info) {
  for (size_t i = 0; i < handlers_.size(); ++i) handlers_[i].second(event, info);
}

std::unique_ptr<TMemoryStream> TDataSet::CreateBlobStream(const TField& /*field*/, TBlobStreamMode /*mode*/) {
  return nullptr;
}
