#include "isam/CtreeTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "isam/EngineBinding.h"
#include "isam/EngineTexts.h"
#include "platform/File.h"
#include "support/Text.h"

using namespace kwctree;

namespace {

constexpr const char* kDeleteFlagName = "Internal delete flag";

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string WithoutFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file named path, else one in its folder that differs only in letter case.
std::optional<std::string> ExistingAnyCase(const std::string& path) {
  if (FileExists(path)) return path;
  const std::string folder = FolderOf(path);
  if (const auto entry = StoredEntryName(folder, WithoutFolder(path))) return folder + *entry;
  return std::nullopt;
}

int16_t LockValue(TLockMode mode) {
  switch (mode) {
    case TLockMode::lmBlocking:
      return lvWait;
    case TLockMode::lmNoBlocking:
      return lvNoWait;
    case TLockMode::lmNone:
      return lvFree;
  }
  throw ECTreeException("Unknown LockMode");
}

TLockMode LockModeOf(int16_t value) {
  switch (value) {
    case lvWait:
      return TLockMode::lmBlocking;
    case lvNoWait:
      return TLockMode::lmNoBlocking;
    case lvFree:
      return TLockMode::lmNone;
    default:
      throw ECTreeException("Unknown LockMode");
  }
}

// A definition resource read from the engine: asked for its size first, then into a buffer of that size.
int16_t ReadResource(TCTreeTable& table, uint16_t function, int16_t file, std::vector<char>& buffer) {
  int32_t size = 0;
  int16_t rc = table.CallEngine(function, file, nullptr, &size, nullptr, nullptr, 0);
  if (rc != kSuccess && rc != kBufferTooSmall) return rc;
  if (size <= 0) return kResourceNotFound;
  // Pointer-aligned, as the blocks hold pointers into themselves.
  buffer.assign(static_cast<size_t>(size) + sizeof(void*), '\0');
  char* aligned = buffer.data();
  return table.CallEngine(function, file, aligned, &size, nullptr, nullptr, 0);
}

// Taken while a table opens or closes files (TCtreeSession::LockFiles); none without a session.
std::unique_lock<std::recursive_mutex> LockSessionFiles() {
  if (const TCtreeSession* session = GetSession()) return session->LockFiles();
  return {};
}

}  // namespace

TCTreeTable::TCTreeTable() {
  if (TCtreeSession* session = GetSession()) session->RegisterTable(this);
}

TCTreeTable::~TCTreeTable() {
  observers_.clear();
  try {
    if (active_) Close();
  } catch (const Exception&) {
    // Closing on destruction has no one left to report to.
  }
  if (TCtreeSession* session = GetSession()) session->UnregisterTable(this);
}

// ---- Properties ----------------------------------------------------------------------------------

void TCTreeTable::SetTableName(std::string_view name) {
  if (active_) throw ECTreeException("Unable to change table name for active table");
  std::string stored(name);
  // Stored without its extension.
  const size_t slash = stored.rfind('/');
  const size_t dot = stored.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stored.erase(dot);
  tableName_ = stored;
  openingFromName_ = true;
  try {
    ReadStructure(true);
  } catch (...) {
    openingFromName_ = false;
    throw;
  }
  openingFromName_ = false;
}

int TCTreeTable::FieldCount() const {
  const int count = static_cast<int>(fields_.size());
  return useInternalDeleteFlag_ && count > 0 ? count - 1 : count;
}

void TCTreeTable::SetMaxRetryCount(int count) {
  if (count >= 0) maxRetryCount_ = count;
}

TLockMode TCTreeTable::LockMode() const {
  return LockModeOf(lockMode_);
}
void TCTreeTable::SetLockMode(TLockMode mode) {
  lockMode_ = LockValue(mode);
}
TLockMode TCTreeTable::NavigationLockMode() const {
  return LockModeOf(navigationLockMode_);
}
void TCTreeTable::SetNavigationLockMode(TLockMode mode) {
  navigationLockMode_ = LockValue(mode);
}

void TCTreeTable::SetErrorHandlerEnabled(bool enabled) {
  errorHandlerEnabled_ = enabled;
  savedErrorHandlerEnabled_ = enabled;
}

void TCTreeTable::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void TCTreeTable::SetDatabaseName(std::string_view name) {
  databaseName_ = std::string(name.substr(0, 252));
}

void TCTreeTable::SetDataFileExtension(std::string_view extension) {
  if (extension.find('.') != std::string_view::npos && extension.size() <= 4) dataFileExtension_ = extension;
}

void TCTreeTable::SetUseInternalDeleteFlag(bool value) {
  if (value == useInternalDeleteFlag_) return;
  if (active_) throw ECTreeException("Unable to switch delete flag usage for active table");
  useInternalDeleteFlag_ = value;
  ClearFields();
}

// ---- Engine calls and the error policy -------------------------------------------------------------

int16_t TCTreeTable::CallEngine(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                                int16_t count) {
  int attempt = 1;
  int16_t result;
  TErrorAction action = 0;
  do {
    ++attempt;
    result = CallCtree(function, file, p1, plong, p2, p3, count);
    action = errorHandlerEnabled_ ? ApplyErrorPolicy(function, result, false) : 0;
  } while ((action & acRetry) && !(action & acException) && maxRetryCount_ >= attempt);
  if ((action & acWriteToLogFile) && result != kKeyExists && result != kInterference)
    WriteLog("Table: " + UpperCase(tableName_) + ", " + std::to_string(result) + "=" +
             GetEngineFunctionName(function) + ", " +
             (GetSession() ? GetSession()->GetEngineStatusText() : std::string("<")));
  if (action & acException) RaiseEngineError(result, function);
  if (result != kSuccess) lastError_ = result;
  return result;
}

TErrorAction TCTreeTable::ApplyErrorPolicy(uint16_t function, int16_t result, bool logAndRaise) {
  TErrorAction action = 0;
  if (result != kSuccess && result != kNoCurrentRecord && result != kNotFound) action = defaultErrorAction_;
  if ((action & acWriteToLogFile) && result != kKeyExists && result != kInterference && logAndRaise)
    WriteLog("Table: " + UpperCase(tableName_) + ", " + std::to_string(result) + "=" +
             GetEngineFunctionName(function) + ", " +
             (GetSession() ? GetSession()->GetEngineStatusText() : std::string("<")));
  if (OnError) OnError(*this, function, result, action);
  // A retry would let pending window messages run here; this layer has no window of its own.
  if (logAndRaise && (action & acException)) RaiseEngineError(result, function);
  return action;
}

void TCTreeTable::WriteLog(const std::string& line) const {
  if (const TCtreeSession* session = GetSession()) session->WriteLog(line);
}

void TCTreeTable::RaiseEngineError(int16_t result, uint16_t function) const {
  if (const TCtreeSession* session = GetSession()) session->RaiseEngineError(result, function);
  throw ECTreeException("Error " + std::to_string(result) + ", Function " + GetEngineFunctionName(function));
}

int16_t TCTreeTable::RangeEntry(int16_t keyNumber, int32_t a, int32_t b) {
  const auto entry = EngineEntryPoints().RangeEntry;
  return entry ? entry(keyNumber, a, b) : -1;
}

// ---- Checks --------------------------------------------------------------------------------------

void TCTreeTable::CheckWritable() const {
  if (state_ != TCTreeTableState::ctsEdit && state_ != TCTreeTableState::ctsInsert &&
      state_ != TCTreeTableState::ctsSetKey)
    throw ECTreeException("Table not in Edit/SetKey mode");
}

void TCTreeTable::BeforeFieldRead(TCtreeField&) {}

void TCTreeTable::CheckRestructure() const {
  if (state_ != TCTreeTableState::ctsRestructure)
    throw ECTreeException("Table not in field restructure mode");
}

void TCTreeTable::CheckBrowse() const {
  if (state_ != TCTreeTableState::ctsBrowse) throw ECTreeException("Table not in browse mode");
}

void TCTreeTable::CheckOpen() const {
  if (!active_) throw ECTreeException("Table not open");
}

TCtreeFieldClass TCTreeTable::FieldClassForType(uint16_t dodaType) const {
  switch (dodaType) {
    case 8:
      return kBooleanField;
    case 16:
      return kCharField;
    case 33:
      return kSmallIntField;
    case 51:
      return kIntegerField;
    case 75:
      return kDateField;
    case 103:
      return kFloatField;
    case 124:
      return kDateTimeField;
    case 128:
      return kAutoCounterField;
    case 144:
      return kStringField;
    case 146:
      return kMemoField;
    case 170:
      return kGraphicField;
    default:
      throw ECTreeException("Unexpected field type");
  }
}

bool TCTreeTable::MemoryCorrupted() const {
  return !fields_.empty() && !fields_[0]->IsVariable() && fields_[0]->Data() != recordBuffer_.data();
}

// ---- Names ---------------------------------------------------------------------------------------

std::string TCTreeTable::GetFullTableName() const {
  if (tableName_.find('/') != std::string::npos) return tableName_;
  if (const TCtreeSession* session = GetSession())
    if (const TDatabaseEntry* database = session->FindDatabase(databaseName_)) {
      std::string folder = database->Folder;
      if (!folder.empty() && folder.back() != '/') folder += '/';
      return folder + tableName_;
    }
  return tableName_;
}

std::string TCTreeTable::DataFileName() const {
  const std::string name = GetFullTableName() + dataFileExtension_;
  return ExistingAnyCase(name).value_or(name);
}

std::string TCTreeTable::GetNewIndexFileName() const {
  const std::string full = GetFullTableName();
  if (!ExistingAnyCase(full + ".idx")) return full + ".idx";
  for (int k = 0; k < 256; ++k) {
    char extension[8];
    std::snprintf(extension, sizeof extension, ".i%02x", k);
    if (!ExistingAnyCase(full + extension)) return full + extension;
  }
  throw ECTreeException("Number of index files must not be greater then 256");
}

// ---- Fields and indexes --------------------------------------------------------------------------

TCtreeField* TCTreeTable::FindField(std::string_view name) const {
  for (const auto& field : fields_)
    if (SameText(field->Name(), name)) return field.get();
  return nullptr;
}

TCtreeField& TCTreeTable::FieldByName(std::string_view name) const {
  if (TCtreeField* field = FindField(name)) return *field;
  throw ECTreeBadFieldname("Table: " + UpperCase(tableName_) + " - Invalid FieldName " + std::string(name));
}

TCtreeField& TCTreeTable::Fields(int i) const {
  const int position = useInternalDeleteFlag_ && !fields_.empty() ? i + 1 : i;
  if (i < 0 || position >= static_cast<int>(fields_.size()))
    throw ECTreeException("Field index out of range: " + std::to_string(i));
  return *fields_[static_cast<size_t>(position)];
}

TCtreeField& TCTreeTable::AddField(const std::string& name, TCtreeFieldClass fieldClass, uint16_t size) {
  if (active_ && !refreshing_ && state_ != TCTreeTableState::ctsRestructure)
    throw ECTreeException("Table is not in restructure mode - unable to add field");
  if (FindField(name)) throw ECTreeException("Duplicate field name");
  std::unique_ptr<TCtreeField> field = fieldClass(this, size, name);
  if (!field->IsVariable() && isVariableLength_)
    throw ECTreeException("Variable/Fix field mix not supported");
  if (fields_.empty()) useInternalDeleteFlag_ = name == kDeleteFlagName;
  if (field->IsVariable()) {
    isVariableLength_ = true;
    field->SetOffset(static_cast<int16_t>(variableFieldCount_++));
  } else if (!fields_.empty()) {
    const TCtreeField& previous = *fields_.back();
    field->SetOffset(static_cast<int16_t>(previous.Offset() + previous.GetDataSize()));
  }
  fields_.push_back(std::move(field));
  return *fields_.back();
}

void TCTreeTable::ResetBuffers() {
  recordBuffer_.clear();
  savedImage_.clear();
  compareBuffer_.clear();
  nullTemplate_.clear();
  recordLength_ = 0;
}

void TCTreeTable::ClearFields() {
  if (state_ != TCTreeTableState::ctsInactive && state_ != TCTreeTableState::ctsRestructure)
    throw ECTreeException("Table is open or not in restructure mode - unable to clear field list");
  fields_.clear();
  ResetBuffers();
  isVariableLength_ = false;
  variableFieldCount_ = 0;
  if (useInternalDeleteFlag_) AddField(kDeleteFlagName, kStringField, 1);
}

void TCTreeTable::ClearIndexes() {
  activeIndex_ = nullptr;
  indexes_.clear();
}

int TCTreeTable::IndexPosition(std::string_view name) const {
  for (size_t i = 0; i < indexes_.size(); ++i)
    if (SameText(indexes_[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

TCTreeIndexDef& TCTreeTable::AddIndex(const std::string& name, std::string_view fieldNames) {
  if (IndexPosition(name) >= 0) throw ECTreeException("Duplicate index name");
  auto index = std::make_unique<TCTreeIndexDef>(name);
  size_t start = 0;
  while (start <= fieldNames.size()) {
    const size_t end = std::min(fieldNames.find(';', start), fieldNames.size());
    const std::string_view fieldName = fieldNames.substr(start, end - start);
    for (size_t position = 0; position < fields_.size(); ++position) {
      TCtreeField& field = *fields_[position];
      if (fieldName.empty() || !SameText(field.Name(), fieldName)) continue;
      TCTreeSegment& segment = index->AddSegment(field.Offset(), static_cast<int16_t>(field.GetDataSize()),
                                                 field.GetSegmentType());
      segment.FieldIndex = static_cast<uint16_t>(position);
      index->AddFieldName(field.Name());
      if (field.IsVariable()) index->HasVariableSegment = true;
      break;
    }
    start = end + 1;
  }
  indexes_.push_back(std::move(index));
  TCTreeIndexDef& added = *indexes_.back();
  if (state_ != TCTreeTableState::ctsRestructure) {
    ++pendingIndexCount_;
    if (active_) {
      Close();
      const int16_t rc = BuildNewIndexes();
      pendingIndexCount_ = 0;
      Open();
      if (rc != kSuccess)
        throw ECTreeException("Unable to build index " + name + ": " + GetEngineErrorText(rc));
      return *indexes_[static_cast<size_t>(IndexPosition(name))];
    }
  }
  return added;
}

// ---- Engine blocks -------------------------------------------------------------------------------

uint16_t TCTreeTable::FileModeValue() const {
  uint16_t mode = fileMode_ == TFileMode::fmExclusive ? fmExclusiveBit
                  : fileMode_ == TFileMode::fmShared  ? fmSharedBit
                                                      : fmReadOnlyBit;
  if (!virtualFileHandle_) mode |= fmPermanentBit;
  if (isVariableLength_) mode |= fmVariableBit;
  return mode | 0xC0;
}

void TCTreeTable::FillOpenBlock(TOpenBlock& block) const {
  block = TOpenBlock{};
  block.Mode = FileModeValue();
  const std::string name = DataFileName();
  std::strncpy(block.FileName, name.c_str(), sizeof block.FileName - 1);
}

void TCTreeTable::LayOutRecord() {
  size_t offset = 0;
  for (auto& field : fields_) {
    if (field->IsVariable()) continue;
    field->SetData(recordBuffer_.data() + offset);
    offset += field->GetDataSize();
  }
}

void TCTreeTable::RefreshStructure() {
  if (active_ && !refreshing_) throw ECTreeException("Table is open - unable to refresh structure");
  doda_.clear();
  size_t length = 0;
  for (const auto& field : fields_) {
    TDodaField record{};
    record.Name = const_cast<char*>(field->Name().c_str());
    record.Type = field->GetInternalFieldType();
    record.Length = field->GetDataSize();
    doda_.push_back(record);
    if (!field->IsVariable()) length += field->GetDataSize();
  }
  if (length > UINT16_MAX)
    throw ECTreeException("Record length of " + std::to_string(length) + " bytes exceeds 65535");
  recordLength_ = static_cast<uint16_t>(length);
  recordBuffer_.assign(recordLength_, 0);
  savedImage_.assign(recordLength_, 0);
  compareBuffer_.assign(recordLength_, 0);

  indexRecords_.clear();
  for (auto& index : indexes_) {
    TIndexRecord record{};
    record.KeyLength = index->KeyLength();
    record.KeyType = index->KeyType;
    record.Duplicates = index->Unique ? 0 : 1;
    record.NullKey = index->NullKey ? 1 : 0;
    record.EmptyChar = index->EmptyChar;
    record.SegmentCount = static_cast<int16_t>(index->SegmentCount());
    record.Segments = index->BuildSegmentArray();
    record.IndexName = const_cast<char*>(index->Name().c_str());
    record.IndexFileName =
        index->IndexFileName().empty() ? nullptr : const_cast<char*>(index->IndexFileName().c_str());
    record.AlternateSequence = index->HasAlternateSequence ? index->AlternateSequence.data() : nullptr;
    indexRecords_.push_back(record);
  }

  // The engine adds ".dat" to a name without extension; a data file found in another letter case, or
  // with an extension of its own, is named whole.
  const std::string dataFile = DataFileName();
  const std::string dat = ".dat";
  ifilName_ =
      dataFile.size() > dat.size() && dataFile.compare(dataFile.size() - dat.size(), dat.size(), dat) == 0
          ? dataFile.substr(0, dataFile.size() - dat.size())
          : dataFile;
  ifil_ = TIfil{};
  ifil_.Name = ifilName_.data();
  ifil_.DataFileNumber = -1;
  ifil_.RecordLength = recordLength_;
  ifil_.DataExtensionSize = extensionSize_;
  ifil_.DataFileMode = FileModeValue();
  ifil_.IndexCount = static_cast<int16_t>(indexes_.size());
  ifil_.IndexExtensionSize = indexExtensionSize_;
  ifil_.IndexFileMode = ifil_.DataFileMode & 0xFF7B;
  ifil_.Indexes = indexRecords_.empty() ? nullptr : indexRecords_.data();
  ifil_.TableFileNumber = active_ ? dataFileNumber_ : -1;
  isamBlock_ = TIsamBlock{};
  isamBlock_.Ifil = &ifil_;

  LayOutRecord();
  // The null template: every fixed field set to its empty value.
  const TCTreeTableState state = state_;
  state_ = TCTreeTableState::ctsEdit;
  try {
    for (auto& field : fields_)
      if (!field->IsVariable()) field->SetAsString("");
  } catch (...) {
    state_ = state;
    throw;
  }
  state_ = state;
  nullTemplate_ = recordBuffer_;
  std::fill(recordBuffer_.begin(), recordBuffer_.end(), 0);
}

// ---- Reading the structure -----------------------------------------------------------------------

bool TCTreeTable::ReadStructure(bool openDataFile) {
  const auto lock = LockSessionFiles();
  THandlerOff off(*this);
  bool openedHere = false;
  auto closeOpened = [&] {
    if (openedHere) {
      CallEngine(fnCloseRFile, dataFileNumber_, nullptr, nullptr, nullptr, nullptr, 0);
      dataFileNumber_ = -1;
    }
  };
  if (openDataFile) {
    refreshing_ = true;
    RefreshStructure();
    refreshing_ = false;
    if (ressourceUsage_ & reDODA) isVariableLength_ = false;
    TOpenBlock block;
    FillOpenBlock(block);
    const int16_t number = CallEngine(fnAvailableFileNbr, 0, nullptr, nullptr, nullptr, nullptr, 1);
    if (number < 0) return false;
    if (CallEngine(fnOpenCtFile, number, &block, nullptr, nullptr, nullptr, 0) != kSuccess) return false;
    dataFileNumber_ = number;
    openedHere = true;
  }

  std::vector<char> doda;
  if (ReadResource(*this, fnGetDODA, dataFileNumber_, doda) != kSuccess) {
    if (ressourceUsage_ & reDODA) {
      closeOpened();
      return false;
    }
  } else if (ressourceUsage_ & reDODA) {
    const bool saved = useInternalDeleteFlag_;
    useInternalDeleteFlag_ = false;
    const TCTreeTableState state = state_;
    state_ = TCTreeTableState::ctsInactive;
    ClearFields();
    useInternalDeleteFlag_ = saved;
    refreshing_ = true;
    try {
      const auto* records = reinterpret_cast<const TDodaField*>(doda.data());
      const size_t count = doda.size() / sizeof(TDodaField);
      for (size_t i = 0; i < count && records[i].Name; ++i)
        AddField(records[i].Name, FieldClassForType(records[i].Type),
                 static_cast<uint16_t>(records[i].Length - 1));
    } catch (...) {
      refreshing_ = false;
      state_ = state;
      closeOpened();
      throw;
    }
    refreshing_ = false;
    state_ = state;
  }

  std::vector<char> ifilBlock;
  const int16_t ifilResult = ReadResource(*this, fnGetIFile, dataFileNumber_, ifilBlock);
  if (!(ressourceUsage_ & reDODA) && ifilResult == kSuccess) {
    const auto* stored = reinterpret_cast<const TIfil*>(ifilBlock.data());
    if (stored->RecordLength > recordLength_ + 1) {
      // Covers the bytes the known fields leave over (a string field takes its size and a NUL).
      refreshing_ = true;
      AddField("Additional dummy field", kStringField,
               static_cast<uint16_t>(stored->RecordLength - recordLength_ - 1));
      RefreshStructure();
      refreshing_ = false;
    }
  }
  if (ressourceUsage_ & reIFIL) {
    if (ifilResult != kSuccess) {
      closeOpened();
      return false;
    }
    try {
      ClearIndexes();
      const auto* stored = reinterpret_cast<const TIfil*>(ifilBlock.data());
      for (int16_t i = 0; i < stored->IndexCount; ++i) {
        const TIndexRecord& record = stored->Indexes[i];
        auto index = std::make_unique<TCTreeIndexDef>(record.IndexName && record.IndexName[0]
                                                          ? std::string(record.IndexName)
                                                          : "i_dummy_" + std::to_string(i));
        index->KeyType = record.KeyType;
        index->Unique = record.Duplicates == 0;
        index->NullKey = record.NullKey != 0;
        index->EmptyChar = record.EmptyChar;
        if (record.IndexFileName) index->SetIndexFileName(record.IndexFileName);
        if (record.AlternateSequence) {
          std::copy(record.AlternateSequence, record.AlternateSequence + 256,
                    index->AlternateSequence.begin());
          index->HasAlternateSequence = true;
        }
        bool allDescending = record.SegmentCount > 0;
        for (int16_t s = 0; s < record.SegmentCount; ++s) {
          const TKeySegment& stored = record.Segments[s];
          const int16_t kind = stored.Mode & ~(smDescendingFlag | smAlternateFlag);
          int found = -1;
          for (size_t position = 0; position < fields_.size() && found < 0; ++position) {
            const TCtreeField& field = *fields_[position];
            if (kind == smVariable      ? field.IsVariable() && field.Offset() == stored.Offset
                : kind == smFieldNumber ? static_cast<int>(position) == stored.Offset
                                        : !field.IsVariable() && field.Offset() == stored.Offset)
              found = static_cast<int>(position);
          }
          if (found < 0)
            throw ECTreeException(kind == smVariable ? "Unexpected VARSEG offset"
                                                     : "Unexpected mode specific offset");
          TCTreeSegment& segment = index->AddSegment(stored.Offset, stored.Length, stored.Mode);
          segment.FieldIndex = static_cast<uint16_t>(found);
          segment.Descending = (stored.Mode & smDescendingFlag) != 0;
          segment.AlternateSequence = (stored.Mode & smAlternateFlag) != 0;
          allDescending = allDescending && segment.Descending;
          const TCtreeField& field = *fields_[static_cast<size_t>(found)];
          if (field.IsVariable()) index->HasVariableSegment = true;
          index->AddFieldName(field.Name());
        }
        index->Descending = allDescending;
        indexes_.push_back(std::move(index));
      }
    } catch (...) {
      closeOpened();
      throw;
    }
  }
  closeOpened();
  refreshing_ = true;
  RefreshStructure();
  refreshing_ = false;
  return true;
}

// ---- Opening and closing -------------------------------------------------------------------------

bool TCTreeTable::Open() {
  if (active_) return true;
  const auto lock = LockSessionFiles();
  if (pendingIndexCount_ > 0) BuildNewIndexes();
  if (!ReadStructure(true)) ThrowNaming(ECTreeException("Unable to read table information"), DataFileName());
  state_ = TCTreeTableState::ctsBrowse;
  int16_t rc;
  if (ressourceUsage_ & reIFIL) {
    TOpenBlock block;
    FillOpenBlock(block);
    int32_t number = -1;
    auto openWithResource = [&] {
      try {
        return CallEngine(fnOpenFileWithResource, -1, &block, &number, nullptr, nullptr, 0);
      } catch (const Exception&) {
        autoRebuild_ = true;
        return int16_t{-1};
      }
    };
    rc = openWithResource();
    if (rc != kSuccess && autoRebuild_) {
      try {
        RebuildIndexes();
      } catch (const Exception&) {
        // The second try reports the failure.
      }
      rc = openWithResource();
    }
    if (rc == kSuccess) dataFileNumber_ = keyFileNumber_ = static_cast<int16_t>(number);
  } else {
    const int16_t number = CallEngine(fnAvailableFileNbr, 0, nullptr, nullptr, nullptr, nullptr, 1);
    if (number < 0) {
      state_ = TCTreeTableState::ctsInactive;
      return false;
    }
    TOpenBlock block;
    FillOpenBlock(block);
    rc = CallEngine(fnOpenCtFile, number, &block, nullptr, nullptr, nullptr, 0);
    if (rc == kSuccess) dataFileNumber_ = keyFileNumber_ = number;
  }
  if (rc != kSuccess) {
    state_ = TCTreeTableState::ctsInactive;
    ThrowNaming(ECTreeException("Unable to open table "), DataFileName());
  }
  active_ = true;
  refreshing_ = true;
  RefreshStructure();
  refreshing_ = false;
  activeIndex_ = nullptr;
  First();
  if (!indexes_.empty() && !openingFromName_) {
    const int named = IndexPosition(indexName_);
    bool selected = false;
    if (!indexFieldNames_.empty()) {
      try {
        selected = FindIndexByFieldNames(indexFieldNames_);
      } catch (const ECTreeException&) {
      }
    }
    if (!selected) SelectIndex(named >= 0 ? named : 0);
    First();
  }
  NotifyObservers();
  return true;
}

void TCTreeTable::Close() {
  if (!active_) return;
  const auto lock = LockSessionFiles();
  UnlockRecord();
  active_ = false;
  state_ = TCTreeTableState::ctsInactive;
  {
    THandlerOff off(*this);
    CallEngine(fnCloseRFile, dataFileNumber_, nullptr, nullptr, nullptr, nullptr, 0);
  }
  dataFileNumber_ = keyFileNumber_ = -1;
  activeIndex_ = nullptr;
  NotifyObservers();
}

// ---- Creating, rebuilding and adding indexes -----------------------------------------------------

bool TCTreeTable::CreateTable() {
  pendingIndexCount_ = 0;
  RefreshStructure();
  const int16_t rc = CallEngine(fnCreateIFile, 0, &isamBlock_, nullptr, nullptr, nullptr, 0);
  if (rc != kSuccess) return false;
  int16_t stored = kSuccess;
  try {
    stored = CallEngine(fnPutDoda, ifil_.TableFileNumber, doda_.data(), nullptr, nullptr, nullptr,
                        static_cast<int16_t>(doda_.size()));
  } catch (...) {
    CallEngine(fnCloseIFile, 0, &isamBlock_, nullptr, nullptr, nullptr, 0);
    throw;
  }
  CallEngine(fnCloseIFile, 0, &isamBlock_, nullptr, nullptr, nullptr, 0);
  return stored == kSuccess;
}

void TCTreeTable::RebuildIndexes() {
  if (!ReadStructure(true)) ThrowNaming(ECTreeException("Unable to read table information"), DataFileName());
  refreshing_ = true;
  RefreshStructure();
  refreshing_ = false;
  const int16_t rc = CallEngine(fnRebuildIFile, 0, &isamBlock_, nullptr, nullptr, nullptr, 0);
  if (rc != kSuccess)
    ThrowNaming(ECTreeException("Unable to rebuild table: " + std::to_string(rc)), DataFileName());
}

int16_t TCTreeTable::BuildNewIndexes() {
  const int pending = std::min(pendingIndexCount_, static_cast<int>(indexes_.size()));
  pendingIndexCount_ = 0;
  indexes_.erase(indexes_.begin(), indexes_.end() - pending);
  activeIndex_ = nullptr;
  const TFileMode savedMode = fileMode_;
  fileMode_ = TFileMode::fmExclusive;
  std::string indexFile = WithoutFolder(GetNewIndexFileName());
  const std::string indexPath = FolderOf(DataFileName()) + indexFile;
  if (GetSession() && GetSession()->EngineLevel() >= 6800) indexFile = "+" + indexFile;
  refreshing_ = true;
  RefreshStructure();
  refreshing_ = false;
  TOpenBlock block;
  FillOpenBlock(block);
  int32_t number = -1;
  int16_t rc = CallEngine(fnOpenFileWithResource, -1, &block, &number, nullptr, nullptr, 0);
  if (rc == kSuccess) {
    ifil_.DataFileNumber = static_cast<int16_t>(number);
    ifil_.Name = indexFile.data();
    rc = CallEngine(fnPermIIndex, 0, &isamBlock_, nullptr, nullptr, nullptr, 0);
    ifil_.Name = ifilName_.data();
    ifil_.DataFileNumber = -1;
    if (rc != kSuccess) std::remove(indexPath.c_str());
    CallEngine(fnCloseRFile, static_cast<int16_t>(number), nullptr, nullptr, nullptr, nullptr, 0);
  }
  fileMode_ = savedMode;
  return rc;
}

// ---- Observers -----------------------------------------------------------------------------------

void TCTreeTable::AddObserver(TCTreeTableObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void TCTreeTable::RemoveObserver(TCTreeTableObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TCTreeTable::NotifyObservers() {
  if (!autoUpdate_) return;
  for (TCTreeTableObserver* observer : std::vector<TCTreeTableObserver*>(observers_))
    observer->TableChanged(*this);
}
