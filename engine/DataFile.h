#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Definition.h"

namespace kwctree {

// One open data file with its index files: a SQLite database for the records and the definition
// resources, one SQLite database per index file (attached to the same connection) holding a key table
// per index, and a lock file "<data file>-lock" for record locks, the opening mode and a change
// counter. A record and all its keys are written in one transaction over the attached databases; the
// change counter is odd while a write is under way, so that a write that died between the commits of
// two files is seen and its indexes rebuilt from the records before anyone writes again.
class TDataFile {
 public:
  enum class TMove { First, Last, Next, Previous, Equal, GreaterOrEqual, Greater };

  ~TDataFile();
  TDataFile(const TDataFile&) = delete;
  TDataFile& operator=(const TDataFile&) = delete;

  // Opens the data file; withIndexes also attaches the index files of its stored definition.
  static int16_t Open(const std::string& dataPath, uint16_t mode, bool withIndexes,
                      std::unique_ptr<TDataFile>& out);
  // Creates the data file and the index files of the definition (none may exist); leaves them closed.
  static int16_t Create(const std::string& dataPath, const TTableDef& table);
  // Replaces every index file of the data file by one built from the records.
  static int16_t Rebuild(const std::string& dataPath);
  // Checks the data file against its indexes; report says what is wrong.
  static int16_t Check(const std::string& dataPath, std::string& report);

  const TTableDef& Definition() const { return table_; }
  const std::string& DataPath() const { return dataPath_; }
  std::vector<std::string> FilePaths() const;  // data, index, lock and SQLite side files
  bool HasResources() const { return hasIfil_; }
  bool HasFields() const { return hasDoda_; }

  int16_t Add(std::string_view record);
  int16_t Rewrite(std::string_view record);
  int16_t Delete();
  // index -1: physical order. key: index form, for the searches.
  int16_t Move(int index, TMove how, std::string_view key);
  int16_t SetRecord(uint32_t position);
  int16_t ReRead();
  int16_t Count(int index, int64_t& count);
  int16_t Lock(uint32_t position, int16_t value);
  int16_t PutFields(const std::vector<TFieldDef>& fields);
  int16_t AddIndexes(const std::string& indexFile, std::vector<TIndexDef> indexes);

  bool HasCurrent() const { return hasCurrent_; }
  uint32_t CurrentPosition() const { return currentPosition_; }
  const std::string& CurrentRecord() const { return currentRecord_; }
  std::string CurrentKey(int index) const;

 private:
  struct TCached {
    uint32_t position;
    std::string record;
  };

  TDataFile() = default;
  int16_t OpenFiles(uint16_t mode, bool withIndexes, bool attachMissing);
  int16_t OpenLockFile(bool create);
  int16_t AttachIndexFiles(bool createMissing);
  std::string IndexFilePath(const TIndexDef& index) const;
  std::string SchemaOf(const TIndexDef& index) const;
  std::string KeyTable(const TIndexDef& index) const;
  sqlite3_stmt* Statement(const std::string& sql);
  int16_t Exec(const std::string& sql);
  int16_t LoadDefinition();
  int16_t StoreResource(int kind, const std::string& bytes);

  // Runs change inside one write transaction with the change counter odd; rolls back on failure.
  template <class F>
  int16_t Write(F change);
  int16_t RepairIfInterrupted();
  int16_t FillIndex(const TIndexDef& index);
  int16_t InsertKeys(std::string_view record, uint32_t position);
  int16_t DeleteKeys(std::string_view record, uint32_t position);
  // The keys of the stored record at position: the first step of rewriting or deleting it.
  int16_t DeleteKeysOf(uint32_t position);
  int16_t ReadRecord(uint32_t position, std::string& record);
  void MakeCurrent(uint32_t position, std::string record);
  int16_t Fetch(int index, TMove how, std::string_view key, int limit);
  sqlite3_stmt* MoveStatement(int index, TMove how);
  uint64_t Counter() const { return counter_->load(std::memory_order_acquire); }
  bool SetFileLock(int64_t byte, short type, bool wait);

  std::string dataPath_;
  TTableDef table_;
  bool hasIfil_ = false;
  bool hasDoda_ = false;
  bool readOnly_ = false;
  // Read without the "-shm" file a WAL reader needs, where it cannot be made (see ReadableOnlyAsImmutable).
  bool immutable_ = false;
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> statements_;
  std::vector<sqlite3_stmt*> moveStatements_;   // by index and move; owned by statements_
  std::map<std::string, std::string> schemas_;  // index file path -> schema name
  int lockFd_ = -1;
  void* lockMap_ = nullptr;
  std::atomic<uint64_t>* counter_ = nullptr;

  bool hasCurrent_ = false;
  uint32_t currentPosition_ = 0;
  std::string currentRecord_;

  // Records read ahead for the next moves in one direction; valid while the change counter stays.
  std::vector<TCached> cache_;
  size_t cacheNext_ = 0;
  int cacheIndex_ = -2;
  bool cacheForward_ = true;
  uint64_t cacheCounter_ = 0;
  int readAhead_ = 1;
};

}  // namespace kwctree
