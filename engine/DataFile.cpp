#include "engine/DataFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "engine/Keys.h"

namespace kwctree {

namespace {

enum { kIfilResource = 1, kDodaResource = 2 };

// Lock file layout: the change counter in the first page, lock bytes after it.
constexpr off_t kLockFileSize = 4096;
constexpr off_t kOpenLockByte = 4096;
constexpr off_t kWriterLockByte = 4097;
constexpr off_t kRecordLockBase = 8192;
constexpr int kMaxReadAhead = 256;

// Stands in for the counter where there is no lock file: odd, so nothing read is kept.
std::atomic<uint64_t> gNoCounter{1};

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A read-only opener of a WAL database needs to create its "-shm" file beside it. Where the folder cannot
// be written and no "-wal" file shows a writer, nobody is changing the file, and it is read as immutable.
bool ReadableOnlyAsImmutable(const std::string& path) {
  const std::string folder = Folder(path);
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0 && !FileExists(path + "-wal");
}

// The path as an SQLite URI that opens it immutable.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      uri += escaped;
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

std::string WithoutExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

int16_t WriteCode(int rc) {
  if (rc == SQLITE_CONSTRAINT || (rc & 0xFF) == SQLITE_CONSTRAINT) return kKeyExists;
  if ((rc & 0xFF) == SQLITE_READONLY) return kFileModeViolation;
  return kWriteFailed;
}

uint32_t Position(sqlite3_stmt* s, int column) {
  return static_cast<uint32_t>(sqlite3_column_int64(s, column));
}

std::string Blob(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, column)))
           : std::string();
}

// Resets a statement when it goes out of scope, so that no read transaction stays open.
struct TReset {
  sqlite3_stmt* s;
  ~TReset() {
    if (s) {
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
  }
};

}  // namespace

TDataFile::~TDataFile() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  if (db_) sqlite3_close_v2(db_);
  if (lockMap_) ::munmap(lockMap_, kLockFileSize);
  if (lockFd_ >= 0) ::close(lockFd_);
}

std::vector<std::string> TDataFile::FilePaths() const {
  std::set<std::string> files = {dataPath_};
  for (const TIndexDef& index : table_.Indexes) files.insert(IndexFilePath(index));
  std::vector<std::string> result;
  for (const std::string& f : files)
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) result.push_back(f + suffix);
  result.push_back(dataPath_ + "-lock");
  return result;
}

std::string TDataFile::IndexFilePath(const TIndexDef& index) const {
  if (index.StoredFile.empty()) return WithoutExtension(dataPath_) + ".idx";
  if (index.StoredFile[0] == '/') return index.StoredFile;
  return Folder(dataPath_) + index.StoredFile;
}

std::string TDataFile::SchemaOf(const TIndexDef& index) const {
  const auto it = schemas_.find(IndexFilePath(index));
  return it == schemas_.end() ? std::string() : it->second;
}

std::string TDataFile::KeyTable(const TIndexDef& index) const {
  return SchemaOf(index) + ".k" + std::to_string(index.Id);
}

sqlite3_stmt* TDataFile::Statement(const std::string& sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
    return nullptr;
  statements_.emplace(sql, s);
  return s;
}

int16_t TDataFile::Exec(const std::string& sql) {
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? kSuccess : kWriteFailed;
}

bool TDataFile::SetFileLock(int64_t byte, short type, bool wait) {
  if (lockFd_ < 0) return true;
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  // Open-file-description locks: released when this handle closes or the process dies, and they
  // exclude other handles of the same process too.
  for (;;) {
    if (::fcntl(lockFd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

int16_t TDataFile::OpenLockFile(bool create) {
  const std::string path = dataPath_ + "-lock";
  lockFd_ = ::open(path.c_str(), (readOnly_ ? O_RDONLY : O_RDWR | (create ? O_CREAT : 0)) | O_CLOEXEC, 0666);
  if (lockFd_ < 0 && !readOnly_ && !create && errno == ENOENT)
    lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFd_ < 0) {
    if (readOnly_) {  // a read-only opener gets by without: nothing it reads is kept
      counter_ = &gNoCounter;
      return kSuccess;
    }
    return kCannotOpen;
  }
  struct stat st;
  if (::fstat(lockFd_, &st) != 0) return kCannotOpen;
  if (st.st_size < kLockFileSize && !readOnly_ && ::ftruncate(lockFd_, kLockFileSize) != 0)
    return kCannotOpen;
  if (st.st_size < kLockFileSize && readOnly_) {
    counter_ = &gNoCounter;
    return kSuccess;
  }
  lockMap_ =
      ::mmap(nullptr, kLockFileSize, readOnly_ ? PROT_READ : PROT_READ | PROT_WRITE, MAP_SHARED, lockFd_, 0);
  if (lockMap_ == MAP_FAILED) {
    lockMap_ = nullptr;
    return kCannotOpen;
  }
  counter_ = static_cast<std::atomic<uint64_t>*>(lockMap_);
  return kSuccess;
}

int16_t TDataFile::Open(const std::string& dataPath, uint16_t mode, bool withIndexes,
                        std::unique_ptr<TDataFile>& out) {
  if (!FileExists(dataPath)) return kCannotOpen;
  std::unique_ptr<TDataFile> f(new TDataFile);
  f->dataPath_ = dataPath;
  const int16_t rc = f->OpenFiles(mode, withIndexes, false);
  if (rc != kSuccess) return rc;
  out = std::move(f);
  return kSuccess;
}

int16_t TDataFile::OpenFiles(uint16_t mode, bool withIndexes, bool createMissing) {
  readOnly_ = (mode & fmReadOnlyBit) != 0;
  const bool exclusive = !readOnly_ && !(mode & fmSharedBit);
  if (OpenLockFile(false) != kSuccess) return kCannotOpen;
  if (!SetFileLock(kOpenLockByte, exclusive ? F_WRLCK : F_RDLCK, false)) return kCannotOpen;
  immutable_ = readOnly_ && ReadableOnlyAsImmutable(dataPath_);
  const int flags =
      (readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
  const std::string name = immutable_ ? ImmutableUri(dataPath_) : dataPath_;
  if (sqlite3_open_v2(name.c_str(), &db_, flags, nullptr) != SQLITE_OK) return kCannotOpen;
  sqlite3_busy_timeout(db_, 60000);
  if (exclusive) Exec("PRAGMA main.locking_mode=EXCLUSIVE");
  Exec("PRAGMA main.synchronous=NORMAL");
  if (LoadDefinition() != kSuccess) return kCannotOpen;
  if (withIndexes) {
    if (!hasIfil_) return kResourceNotFound;
    const int16_t rc = AttachIndexFiles(createMissing);
    if (rc != kSuccess) return rc;
    if (exclusive)
      for (const auto& [path, schema] : schemas_) Exec("PRAGMA " + schema + ".locking_mode=EXCLUSIVE");
    if (!readOnly_ && RepairIfInterrupted() != kSuccess) return kCannotOpen;
  }
  return kSuccess;
}

int16_t TDataFile::LoadDefinition() {
  sqlite3_stmt* s = Statement("SELECT kind, data FROM main.kw_resource");
  if (!s) return kCannotOpen;
  TReset reset{s};
  int rc;
  try {
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      const std::string bytes = Blob(s, 1);
      if (sqlite3_column_int(s, 0) == kIfilResource) {
        LoadIndexes(bytes, table_);
        hasIfil_ = true;
      } else if (sqlite3_column_int(s, 0) == kDodaResource) {
        LoadFields(bytes, table_);
        hasDoda_ = true;
      }
    }
  } catch (const TDefinitionError&) {
    return kReadFailed;
  }
  return rc == SQLITE_DONE ? kSuccess : kReadFailed;
}

int16_t TDataFile::AttachIndexFiles(bool createMissing) {
  for (const TIndexDef& index : table_.Indexes) {
    const std::string path = IndexFilePath(index);
    if (schemas_.count(path)) continue;
    if (!FileExists(path)) {
      if (!createMissing) return kCannotOpen;
      // The connection was opened without the right to create files, so that ATTACH never makes a
      // missing index file by accident; a new one is made here on purpose.
      sqlite3* created = nullptr;
      const int rc =
          sqlite3_open_v2(path.c_str(), &created, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
      const bool ok = rc == SQLITE_OK && sqlite3_exec(created, "PRAGMA journal_mode=WAL", nullptr, nullptr,
                                                      nullptr) == SQLITE_OK;
      sqlite3_close_v2(created);
      if (!ok) return kCannotCreate;
    }
    const std::string schema = "i" + std::to_string(schemas_.size());
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, ("ATTACH ? AS " + schema).c_str(), -1, &s, nullptr) != SQLITE_OK)
      return kCannotOpen;
    sqlite3_bind_text(s, 1, (immutable_ ? ImmutableUri(path) : path).c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return kCannotOpen;
    schemas_[path] = schema;
    Exec("PRAGMA " + schema + ".synchronous=NORMAL");
  }
  if (createMissing) return kSuccess;
  // Each index file must hold the key tables of its indexes.
  for (const TIndexDef& index : table_.Indexes) {
    sqlite3_stmt* s = Statement("SELECT 1 FROM " + SchemaOf(index) + ".sqlite_schema WHERE name='k" +
                                std::to_string(index.Id) + "'");
    if (!s) return kCannotOpen;
    TReset reset{s};
    if (sqlite3_step(s) != SQLITE_ROW) return kCannotOpen;
  }
  return kSuccess;
}

template <class F>
int16_t TDataFile::Write(F change) {
  if (readOnly_) return kFileModeViolation;
  if (Exec("BEGIN IMMEDIATE") != kSuccess) return kWriteFailed;
  if (!SetFileLock(kWriterLockByte, F_WRLCK, true)) {
    Exec("ROLLBACK");
    return kWriteFailed;
  }
  int16_t rc = kSuccess;
  const uint64_t before = Counter();
  if (before & 1) {
    // A writer died between the commits of two files: the records are the truth.
    for (const TIndexDef& index : table_.Indexes)
      if ((rc = FillIndex(index)) != kSuccess) break;
  }
  if (rc == kSuccess) {
    counter_->store(before | 1, std::memory_order_release);
    rc = change();
  }
  if (rc == kSuccess && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    rc = kWriteFailed;
  if (rc != kSuccess) Exec("ROLLBACK");
  // Even again: this write is complete (or rolled back); readers drop what they read ahead.
  if (rc == kSuccess || !(before & 1)) counter_->store((before | 1) + 1, std::memory_order_release);
  SetFileLock(kWriterLockByte, F_UNLCK, false);
  cache_.clear();
  return rc;
}

int16_t TDataFile::RepairIfInterrupted() {
  if (!(Counter() & 1)) return kSuccess;
  return Write([] { return kSuccess; });
}

int16_t TDataFile::FillIndex(const TIndexDef& index) {
  if (Exec("DELETE FROM " + KeyTable(index)) != kSuccess) return kWriteFailed;
  sqlite3_stmt* all = Statement("SELECT pos, data FROM main.kw_record");
  sqlite3_stmt* insert = Statement("INSERT INTO " + KeyTable(index) + "(key, pos) VALUES(?1, ?2)");
  if (!all || !insert) return kWriteFailed;
  TReset resetAll{all};
  int rc;
  while ((rc = sqlite3_step(all)) == SQLITE_ROW) {
    const uint32_t position = Position(all, 0);
    const std::string key = BuildKey(index, table_, Blob(all, 1), position);
    TReset resetInsert{insert};
    sqlite3_bind_blob(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_int64(insert, 2, position);
    const int irc = sqlite3_step(insert);
    if (irc != SQLITE_DONE) return WriteCode(irc);
  }
  return rc == SQLITE_DONE ? kSuccess : kReadFailed;
}

int16_t TDataFile::InsertKeys(std::string_view record, uint32_t position) {
  for (const TIndexDef& index : table_.Indexes) {
    sqlite3_stmt* s = Statement("INSERT INTO " + KeyTable(index) + "(key, pos) VALUES(?1, ?2)");
    if (!s) return kWriteFailed;
    TReset reset{s};
    const std::string key = BuildKey(index, table_, record, position);
    sqlite3_bind_blob(s, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, position);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return WriteCode(rc);
  }
  return kSuccess;
}

int16_t TDataFile::DeleteKeys(std::string_view record, uint32_t position) {
  for (const TIndexDef& index : table_.Indexes) {
    sqlite3_stmt* s = Statement("DELETE FROM " + KeyTable(index) + " WHERE key = ?1 AND pos = ?2");
    if (!s) return kWriteFailed;
    TReset reset{s};
    const std::string key = BuildKey(index, table_, record, position);
    sqlite3_bind_blob(s, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, position);
    if (sqlite3_step(s) != SQLITE_DONE) return kWriteFailed;
  }
  return kSuccess;
}

int16_t TDataFile::ReadRecord(uint32_t position, std::string& record) {
  sqlite3_stmt* s = Statement("SELECT data FROM main.kw_record WHERE pos = ?1");
  if (!s) return kReadFailed;
  TReset reset{s};
  sqlite3_bind_int64(s, 1, position);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return kInterference;
  if (rc != SQLITE_ROW) return kReadFailed;
  record = Blob(s, 0);
  return kSuccess;
}

void TDataFile::MakeCurrent(uint32_t position, std::string record) {
  hasCurrent_ = true;
  currentPosition_ = position;
  currentRecord_ = std::move(record);
}

int16_t TDataFile::Add(std::string_view record) {
  if (record.size() < table_.RecordLength) return kBadDefinition;
  uint32_t position = 0;
  const int16_t rc = Write([&]() -> int16_t {
    sqlite3_stmt* s = Statement("INSERT INTO main.kw_record(data) VALUES(?1)");
    if (!s) return kWriteFailed;
    {
      TReset reset{s};
      sqlite3_bind_blob(s, 1, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
      if (sqlite3_step(s) != SQLITE_DONE) return kWriteFailed;
    }
    const sqlite3_int64 rowid = sqlite3_last_insert_rowid(db_);
    // Positions are 32-bit; a table that used them all up takes no more records.
    if (rowid <= 0 || rowid > 0xFFFFFFFFLL) return kWriteFailed;
    position = static_cast<uint32_t>(rowid);
    return InsertKeys(record, position);
  });
  if (rc == kSuccess) MakeCurrent(position, std::string(record));
  return rc;
}

int16_t TDataFile::DeleteKeysOf(uint32_t position) {
  std::string old;
  const int16_t rc = ReadRecord(position, old);
  return rc == kSuccess ? DeleteKeys(old, position) : rc;
}

int16_t TDataFile::Rewrite(std::string_view record) {
  if (!hasCurrent_) return kNoCurrentRecord;
  if (record.size() < table_.RecordLength) return kBadDefinition;
  const uint32_t position = currentPosition_;
  const int16_t rc = Write([&]() -> int16_t {
    if (const int16_t rc = DeleteKeysOf(position); rc != kSuccess) return rc;
    sqlite3_stmt* s = Statement("UPDATE main.kw_record SET data = ?1 WHERE pos = ?2");
    if (!s) return kWriteFailed;
    {
      TReset reset{s};
      sqlite3_bind_blob(s, 1, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
      sqlite3_bind_int64(s, 2, position);
      if (sqlite3_step(s) != SQLITE_DONE) return kWriteFailed;
    }
    return InsertKeys(record, position);
  });
  if (rc == kSuccess) MakeCurrent(position, std::string(record));
  return rc;
}

int16_t TDataFile::Delete() {
  if (!hasCurrent_) return kNoCurrentRecord;
  const uint32_t position = currentPosition_;
  const int16_t rc = Write([&]() -> int16_t {
    if (const int16_t rc = DeleteKeysOf(position); rc != kSuccess) return rc;
    sqlite3_stmt* s = Statement("DELETE FROM main.kw_record WHERE pos = ?1");
    if (!s) return kWriteFailed;
    TReset reset{s};
    sqlite3_bind_int64(s, 1, position);
    return sqlite3_step(s) == SQLITE_DONE ? kSuccess : kWriteFailed;
  });
  if (rc == kSuccess) hasCurrent_ = false;
  return rc;
}

std::string TDataFile::CurrentKey(int index) const {
  return BuildKey(table_.Indexes[static_cast<size_t>(index)], table_, currentRecord_, currentPosition_);
}

sqlite3_stmt* TDataFile::MoveStatement(int index, TMove how) {
  const size_t slot = static_cast<size_t>(index + 1) * 7 + static_cast<size_t>(how);
  if (slot < moveStatements_.size() && moveStatements_[slot]) return moveStatements_[slot];
  const bool physical = index < 0;
  const bool forward = how != TMove::Last && how != TMove::Previous;
  std::string where;
  switch (how) {
    case TMove::First:
    case TMove::Last:
      break;
    case TMove::Next:
    case TMove::Greater:
      where = physical ? "WHERE r.pos > ?1" : "WHERE k.key > ?1";
      break;
    case TMove::Previous:
      where = physical ? "WHERE r.pos < ?1" : "WHERE k.key < ?1";
      break;
    case TMove::GreaterOrEqual:
      where = "WHERE k.key >= ?1";
      break;
    case TMove::Equal:
      where = "WHERE k.key = ?1";
      break;
  }
  std::string sql;
  if (physical) {
    sql = "SELECT r.pos, r.data FROM main.kw_record r " + where + " ORDER BY r.pos" +
          (forward ? "" : " DESC") + " LIMIT ?2";
  } else {
    // The key table drives: index order, then each record by its position.
    const TIndexDef& def = table_.Indexes[static_cast<size_t>(index)];
    sql = "SELECT k.pos, r.data FROM " + KeyTable(def) + " k CROSS JOIN main.kw_record r ON r.pos = k.pos " +
          where + " ORDER BY k.key" + (forward ? "" : " DESC") + " LIMIT ?2";
  }
  if (slot >= moveStatements_.size()) moveStatements_.resize(slot + 1, nullptr);
  return moveStatements_[slot] = Statement(sql);
}

int16_t TDataFile::Fetch(int index, TMove how, std::string_view key, int limit) {
  const bool physical = index < 0;
  const bool forward = how != TMove::Last && how != TMove::Previous;
  sqlite3_stmt* s = MoveStatement(index, how);
  if (!s) return kReadFailed;
  TReset reset{s};
  const uint64_t counter = Counter();
  if (how != TMove::First && how != TMove::Last) {
    if (physical) {
      sqlite3_bind_int64(s, 1, currentPosition_);
    } else {
      sqlite3_bind_blob(s, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    }
  }
  sqlite3_bind_int(s, 2, limit);
  cache_.clear();
  cacheNext_ = 0;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) cache_.push_back({Position(s, 0), Blob(s, 1)});
  if (rc != SQLITE_DONE) {
    cache_.clear();
    return kReadFailed;
  }
  cacheIndex_ = index;
  cacheForward_ = forward;
  cacheCounter_ = counter;
  return kSuccess;
}

int16_t TDataFile::Move(int index, TMove how, std::string_view key) {
  const bool physical = index < 0;
  const bool step = how == TMove::Next || how == TMove::Previous;
  if (step && !hasCurrent_) return kNoCurrentRecord;
  const bool forward = how != TMove::Last && how != TMove::Previous;
  // A step continues what was read ahead when nothing was written meanwhile and the current record
  // is the one served last.
  const uint64_t counter = Counter();
  const bool cached = step && cacheIndex_ == index && cacheForward_ == forward && counter == cacheCounter_ &&
                      !(counter & 1) && cacheNext_ > 0 && cache_[cacheNext_ - 1].position == currentPosition_;
  if (cached && cacheNext_ < cache_.size()) {
    TCached& c = cache_[cacheNext_++];
    MakeCurrent(c.position, std::move(c.record));
    return kSuccess;
  }
  if (cached && cache_.size() < static_cast<size_t>(readAhead_))
    return kNotFound;  // the read-ahead hit the end
  readAhead_ = cached || (step && cacheIndex_ == index) ? std::min(readAhead_ * 4, kMaxReadAhead) : 1;
  std::string start;
  if (step && !physical) {
    start = CurrentKey(index);
    key = start;
  }
  const int16_t rc = Fetch(index, how, key, step ? readAhead_ : 1);
  if (rc != kSuccess) return rc;
  if (cache_.empty()) return kNotFound;
  TCached& c = cache_[cacheNext_++];
  MakeCurrent(c.position, std::move(c.record));
  return kSuccess;
}

int16_t TDataFile::SetRecord(uint32_t position) {
  std::string record;
  const int16_t rc = ReadRecord(position, record);
  if (rc != kSuccess) return rc;
  MakeCurrent(position, std::move(record));
  cache_.clear();
  return kSuccess;
}

int16_t TDataFile::ReRead() {
  if (!hasCurrent_) return kNoCurrentRecord;
  std::string record;
  const int16_t rc = ReadRecord(currentPosition_, record);
  if (rc != kSuccess) return rc;
  currentRecord_ = std::move(record);
  return kSuccess;
}

int16_t TDataFile::Count(int index, int64_t& count) {
  sqlite3_stmt* s =
      Statement(index < 0 ? std::string("SELECT count(*) FROM main.kw_record")
                          : "SELECT count(*) FROM " + KeyTable(table_.Indexes[static_cast<size_t>(index)]));
  if (!s) return kReadFailed;
  TReset reset{s};
  if (sqlite3_step(s) != SQLITE_ROW) return kReadFailed;
  count = sqlite3_column_int64(s, 0);
  return kSuccess;
}

int16_t TDataFile::Lock(uint32_t position, int16_t value) {
  const off_t byte = kRecordLockBase + static_cast<off_t>(position);
  switch (value) {
    case lvFree:
      SetFileLock(byte, F_UNLCK, false);
      return kSuccess;
    case lvNoWait:
    case lvWait:
      if (lockFd_ < 0 || readOnly_) return kSuccess;  // nobody can write a file no writer has opened
      return SetFileLock(byte, F_WRLCK, value == lvWait) ? kSuccess : kRecordLocked;
    default:
      return kBadDefinition;
  }
}

int16_t TDataFile::StoreResource(int kind, const std::string& bytes) {
  sqlite3_stmt* s = Statement("INSERT OR REPLACE INTO main.kw_resource(kind, data) VALUES(?1, ?2)");
  if (!s) return kWriteFailed;
  TReset reset{s};
  sqlite3_bind_int(s, 1, kind);
  sqlite3_bind_blob(s, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  return sqlite3_step(s) == SQLITE_DONE ? kSuccess : kWriteFailed;
}

int16_t TDataFile::PutFields(const std::vector<TFieldDef>& fields) {
  const int16_t rc = Write([&] { return StoreResource(kDodaResource, StoreFields(fields)); });
  if (rc == kSuccess) {
    table_.Fields = fields;
    hasDoda_ = true;
  }
  return rc;
}

int16_t TDataFile::AddIndexes(const std::string& indexFile, std::vector<TIndexDef> indexes) {
  if (!hasIfil_) return kResourceNotFound;
  if (readOnly_) return kFileModeViolation;
  TTableDef grown = table_;
  int32_t nextId = 0;
  for (const TIndexDef& index : table_.Indexes) nextId = std::max(nextId, index.Id + 1);
  for (TIndexDef& index : indexes) {
    index.StoredFile = indexFile;
    index.Id = nextId++;
    grown.Indexes.push_back(index);
  }
  std::string path = indexFile[0] == '/' ? indexFile : Folder(dataPath_) + indexFile;
  if (FileExists(path)) return kCannotCreate;
  const TTableDef saved = table_;
  table_ = grown;
  int16_t rc = AttachIndexFiles(true);
  if (rc == kSuccess) {
    rc = Write([&]() -> int16_t {
      for (const TIndexDef& index : indexes) {
        if (Exec("CREATE TABLE " + KeyTable(index) +
                 "(key BLOB PRIMARY KEY, pos INTEGER NOT NULL) WITHOUT ROWID") != kSuccess)
          return kWriteFailed;
        const int16_t rc = FillIndex(index);
        if (rc != kSuccess) return rc;
      }
      return StoreResource(kIfilResource, StoreIndexes(table_));
    });
  }
  if (rc != kSuccess) {
    table_ = saved;
    ::unlink(path.c_str());
  }
  return rc;
}

int16_t TDataFile::Create(const std::string& dataPath, const TTableDef& table) {
  std::unique_ptr<TDataFile> f(new TDataFile);
  f->dataPath_ = dataPath;
  f->table_ = table;
  if (FileExists(dataPath)) return kCannotCreate;
  for (const TIndexDef& index : table.Indexes)
    if (FileExists(f->IndexFilePath(index))) return kCannotCreate;
  const auto removeAll = [&] {
    const std::vector<std::string> files = f->FilePaths();
    f.reset();
    for (const std::string& path : files) ::unlink(path.c_str());
  };
  ::unlink((dataPath + "-lock").c_str());  // a stale one from files deleted by hand
  if (sqlite3_open_v2(dataPath.c_str(), &f->db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    removeAll();
    return kCannotCreate;
  }
  int16_t rc = f->Exec("PRAGMA journal_mode=WAL");
  if (rc == kSuccess) rc = f->OpenLockFile(true);
  if (rc == kSuccess) rc = f->AttachIndexFiles(true);
  if (rc == kSuccess)
    rc = f->Write([&]() -> int16_t {
      if (f->Exec("CREATE TABLE main.kw_record(pos INTEGER PRIMARY KEY, data BLOB NOT NULL)") != kSuccess ||
          f->Exec("CREATE TABLE main.kw_resource(kind INTEGER PRIMARY KEY, data BLOB NOT NULL)") != kSuccess)
        return kWriteFailed;
      for (const TIndexDef& index : f->table_.Indexes)
        if (f->Exec("CREATE TABLE " + f->KeyTable(index) +
                    "(key BLOB PRIMARY KEY, pos INTEGER NOT NULL) WITHOUT ROWID") != kSuccess)
          return kWriteFailed;
      return f->StoreResource(kIfilResource, StoreIndexes(f->table_));
    });
  if (rc != kSuccess) {
    removeAll();
    return kCannotCreate;
  }
  return kSuccess;
}

int16_t TDataFile::Rebuild(const std::string& dataPath) {
  std::unique_ptr<TDataFile> f;
  int16_t rc = Open(dataPath, fmExclusiveBit, false, f);
  if (rc != kSuccess) return rc;
  if (!f->hasIfil_) return kResourceNotFound;
  std::set<std::string> files;
  for (const TIndexDef& index : f->table_.Indexes) files.insert(f->IndexFilePath(index));
  for (const std::string& path : files)
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
  if ((rc = f->AttachIndexFiles(true)) != kSuccess) return rc;
  for (const TIndexDef& index : f->table_.Indexes)
    if (f->Exec("CREATE TABLE " + f->KeyTable(index) +
                "(key BLOB PRIMARY KEY, pos INTEGER NOT NULL) WITHOUT ROWID") != kSuccess)
      return kWriteFailed;
  return f->Write([&]() -> int16_t {
    for (const TIndexDef& index : f->table_.Indexes) {
      const int16_t rc = f->FillIndex(index);
      if (rc != kSuccess) return rc;
    }
    return kSuccess;
  });
}

int16_t TDataFile::Check(const std::string& dataPath, std::string& report) {
  std::unique_ptr<TDataFile> f;
  int16_t rc = Open(dataPath, fmReadOnlyBit | fmSharedBit, true, f);
  if (rc != kSuccess) {
    report = "cannot open the table's files";
    return rc;
  }
  const auto fail = [&](std::string what) {
    if (report.size() < 4000) report += what + "\n";
  };
  if (f->Counter() & 1) fail("a write was interrupted and its indexes are not repaired yet");
  for (const auto& schema : std::vector<std::string>{"main"}) {
    sqlite3_stmt* s = f->Statement("PRAGMA " + schema + ".quick_check");
    TReset reset{s};
    if (!s || sqlite3_step(s) != SQLITE_ROW ||
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) != "ok")
      fail("data file damaged");
  }
  for (const auto& [path, schema] : f->schemas_) {
    sqlite3_stmt* s = f->Statement("PRAGMA " + schema + ".quick_check");
    TReset reset{s};
    if (!s || sqlite3_step(s) != SQLITE_ROW ||
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) != "ok")
      fail("index file damaged: " + path);
  }
  int64_t records = 0;
  if (f->Count(-1, records) != kSuccess) fail("records cannot be counted");
  for (size_t i = 0; i < f->table_.Indexes.size(); ++i) {
    const TIndexDef& index = f->table_.Indexes[i];
    int64_t keys = 0;
    if (f->Count(static_cast<int>(i), keys) != kSuccess || keys != records)
      fail("index " + index.Name + ": " + std::to_string(keys) + " keys for " + std::to_string(records) +
           " records");
    sqlite3_stmt* all = f->Statement("SELECT pos, data FROM main.kw_record");
    sqlite3_stmt* find = f->Statement("SELECT pos FROM " + f->KeyTable(index) + " WHERE key = ?1");
    if (!all || !find) {
      fail("index " + index.Name + " cannot be read");
      continue;
    }
    TReset resetAll{all};
    while (sqlite3_step(all) == SQLITE_ROW) {
      const uint32_t position = Position(all, 0);
      const std::string key = BuildKey(index, f->table_, Blob(all, 1), position);
      TReset resetFind{find};
      sqlite3_bind_blob(find, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
      if (sqlite3_step(find) != SQLITE_ROW || Position(find, 0) != position)
        fail("index " + index.Name + ": record " + std::to_string(position) + " has no key of its own");
    }
  }
  return report.empty() ? kSuccess : kIntegrityFailed;
}

}  // namespace kwctree
