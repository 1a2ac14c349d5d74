// The table's record operations: positions and locks, moves, the variable part, key searches,
// editing and posting.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "isam/CtreeTable.h"
#include "isam/EngineBinding.h"
#include "isam/EngineTexts.h"
#include "support/MessageBox.h"
#include "support/Text.h"

using namespace kwctree;

// ---- Positions and locks -------------------------------------------------------------------------

int32_t TCTreeTable::GetRecordPosition() {
  CheckOpen();
  THandlerOff off(*this);
  int32_t position = 0;
  const int16_t rc =
      CallEngine(fnCurrentFileOffset, dataFileNumber_, nullptr, &position, nullptr, nullptr, 0);
  noCurrentRecord_ = rc == kInterference;
  return rc == kSuccess ? position : 0;
}

void TCTreeTable::SetRecordPosition(int32_t position) {
  const int32_t previous = GetRecordPosition();
  CheckBrowse();
  THandlerOff off(*this);
  int32_t wanted = position;
  const int16_t rc =
      CallEngine(fnSetRecord, dataFileNumber_, recordBuffer_.data(), &wanted, nullptr, nullptr, 0);
  noCurrentRecord_ = rc == kInterference;
  if (rc == kSuccess) {
    bof_ = eof_ = false;
    if (position != previous) variablePartLoaded_ = false;
    savedImage_ = recordBuffer_;
  }
}

bool TCTreeTable::LockRecord() {
  if (lockedPosition_ != 0) throw ECTreeException("Unable to get second lock");
  int32_t position = GetRecordPosition();
  if (noCurrentRecord_) return false;
  THandlerOff off(*this);
  const int16_t rc =
      CallEngine(fnLockCtData, dataFileNumber_, nullptr, &position, nullptr, nullptr, lockMode_);
  lockedPosition_ = rc == kSuccess ? position : 0;
  return rc == kSuccess;
}

bool TCTreeTable::UnlockRecord() {
  if (lockedPosition_ == 0) return false;
  THandlerOff off(*this);
  int32_t position = lockedPosition_;
  int16_t rc = CallEngine(fnLockCtData, dataFileNumber_, nullptr, &position, nullptr, nullptr, lvFree);
  if (rc != kSuccess) {
    position = GetRecordPosition();
    rc = CallEngine(fnLockCtData, dataFileNumber_, nullptr, &position, nullptr, nullptr, lvFree);
  }
  lockedPosition_ = 0;
  return rc == kSuccess;
}

// ---- Moves ---------------------------------------------------------------------------------------

int16_t TCTreeTable::Move(uint16_t function) {
  CheckBrowse();
  if ((function == fnNextRecord || function == fnPreviousRecord) && activeIndex_ &&
      activeIndex_->HasVariableSegment && !variablePartLoaded_)
    ReadVariablePart();
  variablePartLoaded_ = false;
  const int16_t rc = CallEngine(function, keyFileNumber_, recordBuffer_.data(), nullptr, nullptr, nullptr, 0);
  if (rc == kSuccess) {
    savedImage_ = recordBuffer_;
    NotifyObservers();
  }
  return rc;
}

void TCTreeTable::First() {
  const int16_t rc = Move(fnFirstRecord);
  bof_ = true;
  eof_ = rc == kNoCurrentRecord || rc == kNotFound;
}

void TCTreeTable::Last() {
  const int16_t rc = Move(fnLastRecord);
  bof_ = rc == kNoCurrentRecord || rc == kNotFound;
  eof_ = true;
}

void TCTreeTable::Next() {
  const int16_t rc = Move(fnNextRecord);
  bof_ = false;
  eof_ = rc == kNoCurrentRecord || rc == kNotFound;
}

void TCTreeTable::Prior() {
  const int16_t rc = Move(fnPreviousRecord);
  bof_ = rc == kNoCurrentRecord || rc == kNotFound;
  eof_ = false;
}

int32_t TCTreeTable::RecordCount() {
  CheckOpen();
  int32_t count = 0;
  // Counting the key entries of the first index is cheaper where there is one; a table without
  // indexes counts its records (rather than reporting none, as variable-length tables once did).
  const bool byIndex = isVariableLength_ && !indexes_.empty();
  const int16_t rc = byIndex
                         ? CallEngine(fnNbrOfKeyEntries, static_cast<int16_t>(dataFileNumber_ + 1), nullptr,
                                      &count, nullptr, nullptr, 0)
                         : CallEngine(fnNbrOfRecords, dataFileNumber_, nullptr, &count, nullptr, nullptr, 0);
  return rc == kSuccess ? count : 0;
}

int16_t TCTreeTable::ReadVariablePart() {
  if (variablePartLoaded_ || !isVariableLength_ || !active_) return kSuccess;
  variablePartLoaded_ = true;
  int32_t length = 0;
  int16_t rc = CallEngine(fnVRecordLength, dataFileNumber_, nullptr, &length, nullptr, nullptr, 0);
  std::vector<char> whole;
  if (rc == kSuccess) {
    whole.assign(static_cast<size_t>(std::max(length, 0)), '\0');
    int32_t size = length;
    rc = CallEngine(fnReReadVRecord, dataFileNumber_, whole.data(), &size, nullptr, nullptr, 0);
  }
  size_t at = recordLength_;
  for (auto& field : fields_) {
    if (!field->IsVariable()) continue;
    auto& variable = static_cast<TCTreeMemoField&>(*field);
    // A record that could not be read shows no texts rather than the previous record's.
    if (rc != kSuccess || at >= whole.size())
      variable.Clear();
    else
      at += variable.TakeVariableBytes(whole.data() + at, whole.size() - at);
  }
  return rc;
}

void TCTreeTable::ClearRecord() {
  recordBuffer_ = nullTemplate_;
  LayOutRecord();
  for (auto it = fields_.rbegin(); it != fields_.rend(); ++it)
    if ((*it)->IsVariable()) static_cast<TCTreeMemoField&>(**it).Clear();
}

// ---- Active index --------------------------------------------------------------------------------

void TCTreeTable::SelectIndex(int position) {
  activeIndex_ = indexes_.at(static_cast<size_t>(position)).get();
  indexName_ = activeIndex_->Name();
  indexFieldNames_ = activeIndex_->FieldNames();
  keyFileNumber_ = static_cast<int16_t>(dataFileNumber_ + position + 1);
  NotifyObservers();
}

void TCTreeTable::SetIndexName(std::string_view name) {
  const std::string wanted(name.substr(0, 253));
  if (wanted.empty()) {
    SetIndexFieldNames("");
    return;
  }
  const int position = IndexPosition(wanted);
  if (position < 0) {
    if (active_) throw ECTreeException("Index " + wanted + " not found");
    indexName_ = wanted;
    return;
  }
  if (!active_) {
    indexName_ = indexes_[static_cast<size_t>(position)]->Name();
    indexFieldNames_.clear();
    return;
  }
  SelectIndex(position);
}

bool TCTreeTable::FindIndexByFieldNames(std::string_view names) {
  int found = -1;
  for (size_t i = 0; i < indexes_.size(); ++i)
    if (SameText(indexes_[i]->FieldNames(), names)) found = static_cast<int>(i);
  if (found < 0)
    for (size_t i = 0; i < indexes_.size() && found < 0; ++i)
      if (indexes_[i]->FieldNames().size() >= names.size() &&
          SameText(std::string_view(indexes_[i]->FieldNames()).substr(0, names.size()), names))
        found = static_cast<int>(i);
  if (found < 0) {
    if (!active_) return false;
    throw ECtreeIndexException("Table: " + UpperCase(tableName_) + "\r\n" +
                               "Index with FieldNames=" + std::string(names) + " not found");
  }
  SelectIndex(found);
  return true;
}

void TCTreeTable::SetIndexFieldNames(std::string_view names) {
  const std::string wanted(names.substr(0, 254));
  if (wanted.empty()) {
    // Physical order.
    activeIndex_ = nullptr;
    indexName_.clear();
    indexFieldNames_.clear();
    keyFileNumber_ = dataFileNumber_;
    if (active_) NotifyObservers();
    return;
  }
  if (!active_) {
    indexFieldNames_ = wanted;
    indexName_.clear();
    return;
  }
  FindIndexByFieldNames(wanted);
}

// ---- Key search ----------------------------------------------------------------------------------

void TCTreeTable::SetKey() {
  CheckBrowse();
  if (keyFileNumber_ == dataFileNumber_ || !activeIndex_) throw ECTreeException("No index selected");
  state_ = TCTreeTableState::ctsSetKey;
  keyFieldCount_ = activeIndex_->SegmentCount();
  ClearRecord();
}

void TCTreeTable::SetKeyFieldCount(int count) {
  if (state_ != TCTreeTableState::ctsSetKey) throw ECTreeException("Table not in SetKey mode");
  if (!activeIndex_) throw ECTreeException("Table has no active index");
  if (count < 1 || count > activeIndex_->SegmentCount())
    throw ECTreeException("Invalid value for KeyFieldCount");
  keyFieldCount_ = count;
}

TCtreeField& TCTreeTable::KeyField(int i) const {
  if (!activeIndex_) throw ECTreeException("Table has no active index");
  return *fields_.at(activeIndex_->Segments(i).FieldIndex);
}

bool TCTreeTable::GotoKey() {
  return SearchKey(fnGetRecord);
}

bool TCTreeTable::GotoNearest() {
  return SearchKey(fnGetGTERecord);
}

bool TCTreeTable::SearchKey(uint16_t function) {
  bof_ = eof_ = false;
  if (state_ != TCTreeTableState::ctsSetKey) throw ECTreeException("Table not in SetKey mode");
  savedImage_ = recordBuffer_;
  TCTreeIndexDef& index = *activeIndex_;
  std::vector<char> key(static_cast<size_t>(std::max<int16_t>(index.KeyLength(), 0)), '\0');
  size_t at = 0;
  size_t compareLength = 0;
  for (int i = 0; i < index.SegmentCount(); ++i) {
    const TCTreeSegment& segment = index.Segments(i);
    TCtreeField& field = *fields_.at(segment.FieldIndex);
    const size_t length = static_cast<size_t>(std::max<int16_t>(segment.Length, 0));
    const char* source = nullptr;
    size_t available = 0;
    if (i < keyFieldCount_) {
      if (field.IsVariable()) {
        const auto& blob = static_cast<TCTreeMemoField&>(field).Blob();
        source = blob.data();
        available = blob.size();
      } else {
        source = reinterpret_cast<const char*>(field.Data());
        available = field.GetDataSize();
      }
      compareLength += length;
    } else if (field.NullValue() && field.DataType() != dtAutoCounter) {
      source = reinterpret_cast<const char*>(field.NullValue());
      available = field.GetDataSize();
    }
    if (source) std::memcpy(key.data() + at, source, std::min(length, available));
    at += length;
  }
  const auto searchResult = [&]() -> int16_t {
    if (CallEngine(fnTransformKey, keyFileNumber_, key.data(), nullptr, nullptr, nullptr, 0) != kSuccess)
      return kBadDefinition;
    if ((function != fnGetRecord || index.Unique) && keyFieldCount_ == index.SegmentCount())
      return CallEngine(function, keyFileNumber_, key.data(), nullptr, recordBuffer_.data(), nullptr, 0);
    THandlerOff off(*this);
    int16_t rc =
        CallEngine(fnGetGTERecord, keyFileNumber_, key.data(), nullptr, recordBuffer_.data(), nullptr, 0);
    if (rc != kSuccess && rc != kNotFound && rc != kInterference)
      WriteLog("Unexpected key search result: " + std::to_string(rc));
    if (rc != kSuccess) return rc;
    std::vector<char> found(key.size() + 16, '\0');
    int32_t size = static_cast<int32_t>(found.size());
    rc = CallEngine(fnCurrentISAMKey, keyFileNumber_, found.data(), &size, nullptr, nullptr, 0);
    if (rc != kSuccess) return rc;
    return std::memcmp(found.data(), key.data(), std::min(compareLength, key.size())) == 0 ? kSuccess
                                                                                           : kNotFound;
  };
  int16_t rc;
  try {
    rc = searchResult();
  } catch (...) {
    state_ = TCTreeTableState::ctsBrowse;
    throw;
  }
  state_ = TCTreeTableState::ctsBrowse;
  if (rc != kSuccess)
    recordBuffer_ = nullTemplate_;
  else
    variablePartLoaded_ = false;
  LayOutRecord();
  savedImage_ = recordBuffer_;
  if (rc == kSuccess) NotifyObservers();
  return rc == kSuccess;
}

// ---- Editing -------------------------------------------------------------------------------------

int16_t TCTreeTable::ReReadCurrent(char* into, bool whole) {
  int16_t rc = CallEngine(fnReReadRecord, dataFileNumber_, into, nullptr, nullptr, nullptr, 0);
  if (rc == kSuccess && whole) {
    variablePartLoaded_ = false;
    rc = ReadVariablePart();
  }
  return rc;
}

bool TCTreeTable::Edit() {
  if (state_ == TCTreeTableState::ctsEdit) return true;
  CheckBrowse();
  if (editMode_ == TEditMode::emPessimistic) {
    if (!LockRecord()) return false;
  } else {
    CheckOpen();
  }
  int16_t rc;
  {
    THandlerOff off(*this);
    rc = ReReadCurrent(reinterpret_cast<char*>(recordBuffer_.data()), isVariableLength_);
  }
  bool success = rc == kSuccess;
  if (success && autoEdit_) success = recordBuffer_ == savedImage_;
  if (!success) {
    UnlockRecord();
    return false;
  }
  state_ = TCTreeTableState::ctsEdit;
  savedImage_ = recordBuffer_;
  return true;
}

void TCTreeTable::Insert() {
  CheckBrowse();
  ClearRecord();
  variablePartLoaded_ = true;
  state_ = TCTreeTableState::ctsInsert;
  NotifyObservers();
}

void TCTreeTable::Cancel() {
  if (!active_ && state_ != TCTreeTableState::ctsRestructure) return;
  if (state_ == TCTreeTableState::ctsRestructure) {
    state_ = TCTreeTableState::ctsBrowse;
    ReadStructure(false);
    Close();
    fileMode_ = savedFileMode_;
    return;
  }
  if (editMode_ == TEditMode::emPessimistic && state_ == TCTreeTableState::ctsEdit) UnlockRecord();
  state_ = TCTreeTableState::ctsBrowse;
  {
    THandlerOff off(*this);
    CallEngine(fnReReadRecord, dataFileNumber_, recordBuffer_.data(), nullptr, nullptr, nullptr, 0);
  }
  variablePartLoaded_ = false;
  NotifyObservers();
}

std::vector<char> TCTreeTable::WholeRecord() const {
  size_t size = recordLength_;
  for (const auto& field : fields_)
    if (field->IsVariable()) size += static_cast<TCTreeMemoField&>(*field).Blob().size();
  std::vector<char> whole;
  whole.reserve(size);
  whole.insert(whole.end(), recordBuffer_.begin(), recordBuffer_.end());
  for (const auto& field : fields_)
    if (field->IsVariable()) {
      const auto& blob = static_cast<TCTreeMemoField&>(*field).Blob();
      whole.insert(whole.end(), blob.begin(), blob.end());
    }
  return whole;
}

// The ISAM lock value is set around an add or rewrite, and freed however the write ends.
class TCTreeTable::TIsamLock {
 public:
  explicit TIsamLock(TCTreeTable& table) : table_(table) {
    table_.CallEngine(fnLockISAM, 0, nullptr, nullptr, nullptr, nullptr, table_.lockMode_);
  }
  ~TIsamLock() {
    try {
      table_.CallEngine(fnLockISAM, 0, nullptr, nullptr, nullptr, nullptr, lvFree);
    } catch (const Exception&) {
      // The write's own result is what the caller hears of.
    }
  }

 private:
  TCTreeTable& table_;
};

int16_t TCTreeTable::WriteWholeRecord(uint16_t function) {
  std::vector<char> whole;
  try {
    whole = WholeRecord();
  } catch (const std::bad_alloc&) {
    throw ECTreeException("Unable to allocate variable record write buffer");
  }
  int32_t length = static_cast<int32_t>(whole.size());
  TIsamLock lock(*this);
  int16_t rc;
  if (function == fnReWriteVRecord && !variablePartLoaded_)
    rc = CallEngine(fnReWriteRecord, dataFileNumber_, recordBuffer_.data(), nullptr, nullptr, nullptr, 0);
  else
    rc = CallEngine(function, dataFileNumber_, whole.data(), &length, nullptr, nullptr, 0);
  return rc;
}

int16_t TCTreeTable::WriteFixedRecord(uint16_t function) {
  TIsamLock lock(*this);
  return CallEngine(function, dataFileNumber_, recordBuffer_.data(), nullptr, nullptr, nullptr, 0);
}

bool TCTreeTable::Post() {
  if (memoryCheck_ && MemoryCorrupted()) {
    if (defaultErrorAction_ & acWriteToLogFile)
      WriteLog(state_ == TCTreeTableState::ctsEdit ? "Memory corruption detected - Edit/Post aborted"
               : state_ == TCTreeTableState::ctsInsert
                   ? "Memory corruption detected - Insert/Post aborted"
                   : "Memory corruption detected - Restructure/Post aborted");
    Cancel();
    if (defaultErrorAction_ & acException) throw ECTreeException("Memory corruption detected - post aborted");
    return false;
  }
  auto markUndeleted = [&] {
    if (useInternalDeleteFlag_ && !fields_.empty() && !fields_[0]->IsVariable()) {
      std::memset(fields_[0]->Data(), 0, fields_[0]->GetDataSize());
      fields_[0]->Data()[0] = ' ';
    }
  };
  int16_t rc = kSuccess;
  uint16_t function = 0;
  switch (state_) {
    case TCTreeTableState::ctsEdit: {
      markUndeleted();
      function = isVariableLength_ ? fnReWriteVRecord : fnReWriteRecord;
      bool mayWrite = true;
      if (editMode_ == TEditMode::emOptimistic) {
        if (!LockRecord()) {
          rc = kRecordLocked;
          mayWrite = false;
        } else {
          THandlerOff off(*this);
          const int16_t reread = CallEngine(fnReReadRecord, dataFileNumber_, compareBuffer_.data(), nullptr,
                                            nullptr, nullptr, 0);
          if (reread != kSuccess || compareBuffer_ != savedImage_) {
            UnlockRecord();
            rc = -1;
            mayWrite = false;
          }
        }
      }
      if (mayWrite) {
        rc = isVariableLength_ ? WriteWholeRecord(fnReWriteVRecord) : WriteFixedRecord(fnReWriteRecord);
        UnlockRecord();
      }
      state_ = TCTreeTableState::ctsBrowse;
      break;
    }
    case TCTreeTableState::ctsInsert:
      markUndeleted();
      function = isVariableLength_ ? fnAddVRecord : fnAddRecord;
      rc = isVariableLength_ ? WriteWholeRecord(fnAddVRecord) : WriteFixedRecord(fnAddRecord);
      state_ = TCTreeTableState::ctsBrowse;
      break;
    case TCTreeTableState::ctsRestructure:
      function = fnCreateIFile;
      rc = Restructure() ? kSuccess : -1;
      fileMode_ = savedFileMode_;
      if (rc == kSuccess) Open();
      break;
    default:
      throw ECTreeException("Table not in insert/edit mode");
  }
  if (rc == kSuccess)
    savedImage_ = recordBuffer_;
  else
    lastError_ = rc;
  NotifyObservers();
  if (rc != kSuccess) ApplyErrorPolicy(function, rc, true);
  return rc == kSuccess;
}

// ---- Restructuring -------------------------------------------------------------------------------

int16_t TCTreeTable::DeleteTableFiles(int16_t dataFile) {
  const auto deleteFile = EngineEntryPoints().DeleteRFile;
  return deleteFile ? deleteFile(dataFile) : -1;
}

void TCTreeTable::BeginRestructure() {
  savedFileMode_ = fileMode_;
  Close();
  state_ = TCTreeTableState::ctsRestructure;
}

bool TCTreeTable::Restructure() {
  state_ = TCTreeTableState::ctsBrowse;
  auto target = std::make_unique<TCTreeTable>();
  target->SetFileMode(TFileMode::fmExclusive);
  target->SetDatabaseName(databaseName_);
  target->tableName_ = tableName_ + "_";
  while (target->DataFileExists()) target->tableName_ += "_";
  // The new structure is this table's field and index lists as they stand.
  target->useInternalDeleteFlag_ = false;
  for (const auto& field : fields_)
    target->AddField(field->Name(), FieldClassForType(field->GetInternalFieldType()), field->Size());
  for (const auto& index : indexes_) {
    TCTreeIndexDef& copy = target->AddIndex(index->Name(), index->FieldNames());
    copy.Unique = index->Unique;
    copy.SetDescending(index->Descending);
  }
  auto fail = [&] {
    Close();
    fileMode_ = savedFileMode_;
    return false;
  };
  if (!target->CreateTable()) return fail();
  bool copied = false;
  try {
    copied = CopyRecordsInto(*target);
  } catch (const Exception&) {
    copied = false;
  }
  if (!copied) {
    if (target->Active()) target->DeleteTableFiles(target->dataFileNumber_);
    target->active_ = false;
    target->state_ = TCTreeTableState::ctsInactive;
    std::remove(target->DataFileName().c_str());
    std::remove((target->GetFullTableName() + ".idx").c_str());
    return fail();
  }
  // The old files go; the new ones take their names.
  DeleteTableFiles(dataFileNumber_);
  active_ = false;
  state_ = TCTreeTableState::ctsInactive;
  dataFileNumber_ = keyFileNumber_ = -1;
  const std::string newData = target->DataFileName();
  const std::string newIndex = target->GetFullTableName() + ".idx";
  target->Close();
  target.reset();
  std::rename(newData.c_str(), (GetFullTableName() + dataFileExtension_).c_str());
  std::rename(newIndex.c_str(), (GetFullTableName() + ".idx").c_str());
  return true;
}

bool TCTreeTable::CopyRecordsInto(TCTreeTable& target) {
  // This table reads its records in the structure its file holds.
  if (!ReadStructure(true)) return false;
  fileMode_ = savedFileMode_;
  Open();
  if (!indexFieldNames_.empty()) FindIndexByFieldNames(indexFieldNames_);
  target.Open();
  First();
  const int total = RecordCount();
  int i = 1;
  bool loop = false;
  while (!eof_ && !loop) {
    target.Insert();
    for (const auto& field : target.fields_) {
      TCtreeField* source = FindField(field->Name());
      if (!source) continue;
      try {
        if (field->IsVariable() && source->IsVariable())
          field->Assign(*source);
        else
          field->SetAsString(source->AsString());
      } catch (const Exception&) {
        // A value the new field cannot hold stays empty.
      }
    }
    if (OnRestructureWriteRecord) OnRestructureWriteRecord(*this, target);
    if (!target.Post()) return false;
    ++i;
    if (OnRestructureProgress) OnRestructureProgress(*this, i, total);
    Next();
    loop = total > 0 && i > total + 10;
  }
  if (loop) {
    ShowMessageBox({"Error",
                    "Index loop detected - table restructure aborted.\r\nDelete index file and try again.",
                    TMessageButtons::mbOK, TMessageKind::mkError, DataFileName()});
    return false;
  }
  return true;
}

bool TCTreeTable::DataFileExists() const {
  struct stat st {};
  return ::stat((GetFullTableName() + dataFileExtension_).c_str(), &st) == 0;
}
