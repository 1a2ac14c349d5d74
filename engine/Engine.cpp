// The engine library's entry points: file numbers, the instance and its status block, and the
// dispatch of "ctree" function numbers onto the open data files.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CtreeBlocks.h"
#include "engine/DataFile.h"
#include "engine/Keys.h"

#define KW_EXPORT extern "C" __attribute__((visibility("default")))

namespace kwctree {
namespace {

struct TSlot {
  std::shared_ptr<TDataFile> file;
  int index = -1;  // -1: the data file itself
};

struct TEngine {
  std::mutex mutex;
  bool initialized = false;
  std::vector<TSlot> slots;
  TStatusBlock status{};
  TInstanceRecord instance{0, nullptr};
  int16_t isamLock = lvFree;
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

std::string DataFileName(const std::string& name) {
  const size_t slash = name.rfind('/');
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExtension ? name : name + ".dat";
}

// The table name of a data file: without ".dat", which DataFileName adds back.
std::string TableName(const std::string& dataPath) {
  const std::string dat = ".dat";
  const bool plain =
      dataPath.size() > dat.size() && dataPath.compare(dataPath.size() - dat.size(), dat.size(), dat) == 0;
  return plain ? dataPath.substr(0, dataPath.size() - dat.size()) : dataPath;
}

std::string BlockName(const char* p, size_t max) {
  if (!p) return {};
  const void* end = std::memchr(p, 0, max);
  return end ? std::string(p, static_cast<const char*>(end)) : std::string();
}

class TDispatcher {
 public:
  explicit TDispatcher(TEngine& e) : e_(e) {}

  int16_t Call(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, int16_t count);

 private:
  TSlot* Slot(int16_t file) {
    if (file < 0 || static_cast<size_t>(file) >= e_.slots.size() || !e_.slots[static_cast<size_t>(file)].file)
      return nullptr;
    return &e_.slots[static_cast<size_t>(file)];
  }
  // First of count consecutive free numbers, or -1.
  int16_t Available(int count) const {
    int run = 0;
    for (size_t i = 0; i < e_.slots.size(); ++i) {
      run = e_.slots[i].file ? 0 : run + 1;
      if (run == count) return static_cast<int16_t>(i + 1 - static_cast<size_t>(count));
    }
    return -1;
  }
  bool Free(int16_t first, int count) const {
    if (first < 0 || static_cast<size_t>(first) + static_cast<size_t>(count) > e_.slots.size()) return false;
    for (int i = 0; i < count; ++i)
      if (e_.slots[static_cast<size_t>(first + i)].file) return false;
    return true;
  }
  void Place(int16_t first, const std::shared_ptr<TDataFile>& f, bool withIndexes) {
    e_.slots[static_cast<size_t>(first)] = {f, -1};
    if (!withIndexes) return;
    for (size_t i = 0; i < f->Definition().Indexes.size(); ++i)
      e_.slots[static_cast<size_t>(first) + 1 + i] = {f, static_cast<int>(i)};
  }
  // By value: the slots it clears may hold the only other reference.
  void CloseFile(std::shared_ptr<TDataFile> f) {
    for (TSlot& s : e_.slots)
      if (s.file == f) s = TSlot{};
  }
  int16_t OpenTable(int16_t file, const TOpenBlock* block, bool withIndexes, int32_t* plong);
  int16_t Create(const TIsamBlock* block);
  int16_t Move(int16_t file, TDataFile::TMove how, void* key, void* out);
  int16_t CopyFixed(const TDataFile& f, void* out) {
    if (!out) return kBadDefinition;
    const std::string& r = f.CurrentRecord();
    std::memcpy(out, r.data(), std::min<size_t>(r.size(), f.Definition().RecordLength));
    return kSuccess;
  }
  int16_t Block(const std::string& (*)(void), void*, int32_t*) = delete;

  TEngine& e_;
};

int16_t TDispatcher::OpenTable(int16_t file, const TOpenBlock* block, bool withIndexes, int32_t* plong) {
  if (!block) return kBadDefinition;
  std::unique_ptr<TDataFile> opened;
  const std::string path = BlockName(block->FileName, sizeof block->FileName);
  int16_t rc = TDataFile::Open(path, block->Mode, withIndexes, opened);
  if (rc != kSuccess) return rc;
  std::shared_ptr<TDataFile> f(std::move(opened));
  const int count = withIndexes ? 1 + static_cast<int>(f->Definition().Indexes.size()) : 1;
  if (file < 0) file = Available(count);
  if (file < 0 || !Free(file, count)) return file < 0 ? kFileNumberRange : kFileNumberInUse;
  Place(file, f, withIndexes);
  if (plong) *plong = file;
  return kSuccess;
}

int16_t TDispatcher::Create(const TIsamBlock* block) {
  if (!block || !block->Ifil || !block->Ifil->Name) return kBadDefinition;
  TIfil& ifil = *block->Ifil;
  TTableDef table;
  try {
    table = ReadIfil(ifil);
  } catch (const TDefinitionError& error) {
    return error.Code;
  }
  // Index files: a named one holds its index and the unnamed ones after it; "+" asks for the data
  // file's folder, which is where relative names go anyway.
  std::string file;
  for (TIndexDef& index : table.Indexes) {
    if (!index.FileName.empty()) file = index.FileName[0] == '+' ? index.FileName.substr(1) : index.FileName;
    index.StoredFile = file;
  }
  const std::string path = DataFileName(BlockName(ifil.Name, 4096));
  int16_t rc = TDataFile::Create(path, table);
  if (rc != kSuccess) return rc;
  TOpenBlock open{};
  open.Mode = ifil.DataFileMode;
  std::strncpy(open.FileName, path.c_str(), sizeof open.FileName - 1);
  int32_t number = -1;
  rc = OpenTable(-1, &open, true, &number);
  if (rc == kSuccess) ifil.TableFileNumber = static_cast<int16_t>(number);
  return rc;
}

int16_t TDispatcher::Move(int16_t file, TDataFile::TMove how, void* key, void* out) {
  TSlot* s = Slot(file);
  if (!s) return kFileNotActive;
  std::string k;
  if (key) {
    if (s->index < 0) return kBadDefinition;
    k.assign(static_cast<const char*>(key),
             static_cast<size_t>(s->file->Definition().Indexes[static_cast<size_t>(s->index)].KeyLength));
  }
  const int16_t rc = s->file->Move(s->index, how, k);
  if (rc != kSuccess) return rc;
  return CopyFixed(*s->file, out);
}

// Copies a self-contained block to the caller: size asked with a null buffer, kBufferTooSmall when the
// given size is short.
template <class Build>
int16_t HandBlock(Build build, void* out, int32_t* plong) {
  if (!plong) return kBadDefinition;
  const std::string sized = build(0);
  if (!out || *plong < static_cast<int32_t>(sized.size())) {
    *plong = static_cast<int32_t>(sized.size());
    return out ? kBufferTooSmall : kSuccess;
  }
  const std::string block = build(reinterpret_cast<uintptr_t>(out));
  std::memcpy(out, block.data(), block.size());
  *plong = static_cast<int32_t>(block.size());
  return kSuccess;
}

int16_t TDispatcher::Call(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2,
                          int16_t count) {
  using M = TDataFile::TMove;
  if (!e_.initialized) return kFileNumberRange;
  switch (function) {
    case fnAvailableFileNbr:
      return Available(count > 0 ? count : 1);
    case fnOpenCtFile:
      if (file < 0) return kFileNumberRange;
      return OpenTable(file, static_cast<const TOpenBlock*>(p1), false, nullptr);
    case fnOpenFileWithResource:
      return OpenTable(file, static_cast<const TOpenBlock*>(p1), true, plong);
    case fnCreateIFile:
      return Create(static_cast<const TIsamBlock*>(p1));
    case fnCloseISAM:
      for (TSlot& s : e_.slots) s = TSlot{};
      return kSuccess;
    case fnRebuildIFile: {
      const auto* block = static_cast<const TIsamBlock*>(p1);
      if (!block || !block->Ifil || !block->Ifil->Name) return kBadDefinition;
      return TDataFile::Rebuild(DataFileName(BlockName(block->Ifil->Name, 4096)));
    }
    case fnCloseIFile: {
      const auto* block = static_cast<const TIsamBlock*>(p1);
      if (!block || !block->Ifil) return kBadDefinition;
      TSlot* s = Slot(block->Ifil->TableFileNumber);
      if (!s) return kFileNotActive;
      CloseFile(s->file);
      return kSuccess;
    }
    case fnPermIIndex: {
      const auto* block = static_cast<const TIsamBlock*>(p1);
      if (!block || !block->Ifil || !block->Ifil->Name) return kBadDefinition;
      TSlot* s = Slot(block->Ifil->DataFileNumber);
      if (!s || s->index >= 0) return kFileNotActive;
      std::vector<TIndexDef> indexes;
      try {
        indexes = ReadIndexRecords(*block->Ifil, 0);
      } catch (const TDefinitionError& error) {
        return error.Code;
      }
      std::string name = BlockName(block->Ifil->Name, 4096);
      if (!name.empty() && name[0] == '+') name.erase(0, 1);
      if (name.empty()) return kBadDefinition;
      return s->file->AddIndexes(name, std::move(indexes));
    }
    default:
      break;
  }
  TSlot* s = Slot(file);
  if (!s) return file < 0 || static_cast<size_t>(file) >= e_.slots.size() ? kFileNumberRange : kFileNotActive;
  TDataFile& f = *s->file;
  switch (function) {
    case fnCloseCtFile:
      if (s->index >= 0) {
        *s = TSlot{};
      } else {
        CloseFile(s->file);
      }
      return kSuccess;
    case fnCloseRFile:
      CloseFile(s->file);
      return kSuccess;
    case fnPutDoda:
      try {
        return f.PutFields(ReadDoda(static_cast<const TDodaField*>(p1), count));
      } catch (const TDefinitionError& error) {
        return error.Code;
      }
    case fnGetDODA:
      if (!f.HasFields()) return kResourceNotFound;
      return HandBlock([&](uintptr_t base) { return DodaBlock(f.Definition().Fields, base); }, p1, plong);
    case fnGetIFile:
      if (!f.HasResources()) return kResourceNotFound;
      return HandBlock(
          [&](uintptr_t base) { return IfilBlock(f.Definition(), TableName(f.DataPath()), -1, base); }, p1,
          plong);
    case fnAddRecord:
      if (!p1) return kBadDefinition;
      return f.Add(std::string_view(static_cast<const char*>(p1), f.Definition().RecordLength));
    case fnReWriteRecord:
    case fnReWriteVRecord: {
      if (!p1) return kBadDefinition;
      // A fixed-part rewrite keeps the variable part that follows it.
      if (function == fnReWriteRecord) {
        if (!f.HasCurrent()) return kNoCurrentRecord;
        if (f.ReRead() != kSuccess) return kInterference;
        std::string whole = f.CurrentRecord();
        whole.resize(std::max<size_t>(whole.size(), f.Definition().RecordLength));
        std::memcpy(whole.data(), p1, f.Definition().RecordLength);
        return f.Rewrite(whole);
      }
      if (!plong || *plong < 0) return kBadDefinition;
      return f.Rewrite(std::string_view(static_cast<const char*>(p1), static_cast<size_t>(*plong)));
    }
    case fnAddVRecord:
      if (!p1 || !plong || *plong < 0) return kBadDefinition;
      return f.Add(std::string_view(static_cast<const char*>(p1), static_cast<size_t>(*plong)));
    case fnDeleteRecord:
      return f.Delete();
    case fnFirstRecord:
      return Move(file, M::First, nullptr, p1);
    case fnLastRecord:
      return Move(file, M::Last, nullptr, p1);
    case fnNextRecord:
      return Move(file, M::Next, nullptr, p1);
    case fnPreviousRecord:
      return Move(file, M::Previous, nullptr, p1);
    case fnGetRecord:
      if (!p1) return kBadDefinition;
      return Move(file, M::Equal, p1, p2);
    case fnGetGTERecord:
      if (!p1) return kBadDefinition;
      return Move(file, M::GreaterOrEqual, p1, p2);
    case fnGetGTRecord:
      if (!p1) return kBadDefinition;
      return Move(file, M::Greater, p1, p2);
    case fnReReadRecord: {
      const int16_t rc = f.ReRead();
      return rc != kSuccess ? rc : CopyFixed(f, p1);
    }
    case fnReReadVRecord: {
      if (!p1 || !plong) return kBadDefinition;
      const int16_t rc = f.ReRead();
      if (rc != kSuccess) return rc;
      if (*plong < static_cast<int32_t>(f.CurrentRecord().size())) return kBufferTooSmall;
      std::memcpy(p1, f.CurrentRecord().data(), f.CurrentRecord().size());
      return kSuccess;
    }
    case fnVRecordLength:
      if (!plong) return kBadDefinition;
      if (!f.HasCurrent()) return kNoCurrentRecord;
      *plong = static_cast<int32_t>(f.CurrentRecord().size());
      return kSuccess;
    case fnCurrentFileOffset:
      if (!plong) return kBadDefinition;
      if (!f.HasCurrent()) return kInterference;
      *plong = static_cast<int32_t>(f.CurrentPosition());
      return kSuccess;
    case fnSetRecord: {
      if (!plong || *plong == 0) return kInterference;
      const int16_t rc = f.SetRecord(static_cast<uint32_t>(*plong));
      if (rc != kSuccess) return rc;
      return p1 ? CopyFixed(f, p1) : int16_t{kSuccess};
    }
    case fnNbrOfRecords:
    case fnNbrOfKeyEntries: {
      if (!plong) return kBadDefinition;
      int64_t n = 0;
      const int16_t rc = f.Count(function == fnNbrOfRecords ? -1 : s->index, n);
      if (rc == kSuccess) *plong = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
      return rc;
    }
    case fnLockCtData:
      if (!plong) return kBadDefinition;
      return f.Lock(static_cast<uint32_t>(*plong), count);
    case fnLockISAM:
      if (count != lvFree && count != lvNoWait && count != lvWait) return kBadDefinition;
      e_.isamLock = count;
      return kSuccess;
    case fnTransformKey: {
      if (!p1 || s->index < 0) return kBadDefinition;
      const TIndexDef& index = f.Definition().Indexes[static_cast<size_t>(s->index)];
      std::string key(static_cast<const char*>(p1), static_cast<size_t>(index.KeyLength));
      TransformKey(index, key);
      std::memcpy(p1, key.data(), key.size());
      return kSuccess;
    }
    case fnCurrentISAMKey: {
      if (!p1 || !plong || s->index < 0) return kBadDefinition;
      if (!f.HasCurrent()) return kNoCurrentRecord;
      const std::string key = f.CurrentKey(s->index);
      if (*plong < static_cast<int32_t>(key.size())) return kBufferTooSmall;
      std::memcpy(p1, key.data(), key.size());
      *plong = static_cast<int32_t>(key.size());
      return kSuccess;
    }
    default:
      return kUnsupported;
  }
}

void SetStatus(TEngine& e, int16_t rc) {
  StoreStatus(e.status.UserErrorCode, rc);
  StoreStatus(e.status.IsamError, rc);
  // The system's error number only where the storage failed; elsewhere errno is not about this call.
  const bool io = rc == kReadFailed || rc == kWriteFailed || rc == kCannotOpen || rc == kCannotCreate;
  StoreStatus(e.status.SystemIoCode, static_cast<int16_t>(io ? errno : 0));
}

}  // namespace
}  // namespace kwctree

using namespace kwctree;

KW_EXPORT int16_t ctree(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* /*p3*/,
                        int16_t count) {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  int16_t rc;
  try {
    rc = TDispatcher(e).Call(function, file, p1, plong, p2, count);
  } catch (...) {  // nothing may cross the C boundary; in practice memory running out
    rc = kWriteFailed;
  }
  if (function == fnCloseISAM && rc == kSuccess) {
    e.initialized = false;
    e.instance.Instance = 0;
  }
  // AvailableFileNbr answers a number, not a code.
  if (function != fnAvailableFileNbr) SetStatus(e, rc);
  return rc;
}

KW_EXPORT int16_t INTISAM(int16_t indexBuffers, int16_t files, int16_t nodeSectors) {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  if (indexBuffers < 3 || files < 0 || nodeSectors < 1) return kBadInitParameters;
  if (!e.initialized) {
    e.slots.assign(static_cast<size_t>(files), TSlot{});
    e.initialized = true;
  }
  e.instance.Instance = 1;
  e.instance.Status = &e.status;
  return kSuccess;
}

KW_EXPORT int32_t WCHCTREE() {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  return e.instance.Instance;
}

KW_EXPORT void* GETCTREE(int32_t instance) {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  return instance != 0 && instance == e.instance.Instance ? &e.instance : nullptr;
}

KW_EXPORT int16_t TSTFILNUM(int16_t file) {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  if (file < 0 || static_cast<size_t>(file) >= e.slots.size()) return kFileNumberRange;
  return e.slots[static_cast<size_t>(file)].file ? kFileNumberInUse : kSuccess;
}

KW_EXPORT int16_t DELRFIL(int16_t dataFile) {
  TEngine& e = Engine();
  std::lock_guard lock(e.mutex);
  if (!e.initialized) return kFileNumberRange;
  if (dataFile < 0 || static_cast<size_t>(dataFile) >= e.slots.size()) return kFileNumberRange;
  TSlot& s = e.slots[static_cast<size_t>(dataFile)];
  if (!s.file || s.index >= 0) return kFileNotActive;
  std::shared_ptr<TDataFile> f = s.file;
  const std::vector<std::string> files = f->FilePaths();
  for (TSlot& slot : e.slots)
    if (slot.file == f) slot = TSlot{};
  f.reset();
  int16_t rc = kSuccess;
  for (const std::string& path : files)
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) rc = kWriteFailed;
  return rc;
}

KW_EXPORT int16_t RNGENT(int16_t /*keyNumber*/, int32_t /*a*/, int32_t /*b*/) {
  return kUnsupported;
}

KW_EXPORT int16_t KWCHECK(const char* dataFileName, char* report, int32_t reportSize) {
  if (!dataFileName) return kBadDefinition;
  std::string text;
  int16_t rc;
  try {
    rc = TDataFile::Check(dataFileName, text);
  } catch (...) {
    rc = kReadFailed;
  }
  if (report && reportSize > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(reportSize - 1));
    std::memcpy(report, text.data(), n);
    report[n] = '\0';
  }
  return rc;
}
