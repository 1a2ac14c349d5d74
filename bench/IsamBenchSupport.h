#pragma once

// What the ISAM benchmarks share: the records they store and SQLite used directly, in WAL mode with
// synchronous=NORMAL (every write that returned survives the death of the process), as the baseline.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace isambench {

constexpr int kRecordLength = 100;

// Record i: a unique key that visits the 32-bit range in scattered order, a group key shared by
// 1,000 records each, and filler.
inline void MakeRecord(uint32_t i, char* record) {
  const int32_t unique = static_cast<int32_t>(i * 2654435761u);
  const int32_t group = static_cast<int32_t>(i % 1000);
  std::memset(record, 'a' + static_cast<int>(i % 26), kRecordLength);
  std::memcpy(record, &unique, 4);
  std::memcpy(record + 4, &group, 4);
}

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "isam benchmark: %s\n", what);
  std::exit(1);
}

// Records per second of a run over count items.
template <class F>
double Rate(double count, F run) {
  const double start = bench::NowMs();
  run();
  return count / ((bench::NowMs() - start) / 1000);
}

class TSqliteSide {
 public:
  explicit TSqliteSide(const std::string& folder) {
    if (sqlite3_open((folder + "/raw.db").c_str(), &db_) != SQLITE_OK) Fail("sqlite open failed");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec(
        "CREATE TABLE t(id INTEGER PRIMARY KEY, k1 INTEGER NOT NULL, k2 INTEGER NOT NULL, data BLOB NOT "
        "NULL)");
    Exec("CREATE UNIQUE INDEX t_k1 ON t(k1)");
    Exec("CREATE INDEX t_k2 ON t(k2)");
    sqlite3_prepare_v2(db_, "BEGIN IMMEDIATE", -1, &begin_, nullptr);
    sqlite3_prepare_v2(db_, "INSERT INTO t(k1, k2, data) VALUES(?1, ?2, ?3)", -1, &insert_, nullptr);
    sqlite3_prepare_v2(db_, "COMMIT", -1, &commit_, nullptr);
    sqlite3_prepare_v2(db_, "SELECT data FROM t ORDER BY k1", -1, &scan_, nullptr);
    sqlite3_prepare_v2(db_, "SELECT data FROM t WHERE k1 >= ?1 ORDER BY k1 LIMIT 1", -1, &search_, nullptr);
    sqlite3_prepare_v2(db_, "SELECT k1, k2, data FROM t WHERE k1 = ?1", -1, &find_, nullptr);
  }
  ~TSqliteSide() {
    for (sqlite3_stmt* s : {begin_, insert_, commit_, scan_, search_, find_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }

  void Add(uint32_t records) {
    char record[kRecordLength];
    for (uint32_t i = 0; i < records; ++i) {
      MakeRecord(i, record);
      int32_t k1, k2;
      std::memcpy(&k1, record, 4);
      std::memcpy(&k2, record + 4, 4);
      sqlite3_step(begin_);
      sqlite3_reset(begin_);
      sqlite3_bind_int(insert_, 1, k1);
      sqlite3_bind_int(insert_, 2, k2);
      sqlite3_bind_blob(insert_, 3, record, kRecordLength, SQLITE_STATIC);
      if (sqlite3_step(insert_) != SQLITE_DONE) Fail("insert failed");
      sqlite3_reset(insert_);
      if (sqlite3_step(commit_) != SQLITE_DONE) Fail("commit failed");
      sqlite3_reset(commit_);
    }
  }
  uint32_t ReadAll(int64_t& checksum) {
    char record[kRecordLength];
    uint32_t read = 0;
    while (sqlite3_step(scan_) == SQLITE_ROW) {
      std::memcpy(record, sqlite3_column_blob(scan_, 0), kRecordLength);
      checksum += record[0];
      ++read;
    }
    sqlite3_reset(scan_);
    return read;
  }
  // Exact searches; returns how many were found.
  uint32_t Find(const std::vector<int32_t>& keys, int64_t& checksum) {
    uint32_t found = 0;
    for (int32_t key : keys) {
      sqlite3_bind_int(find_, 1, key);
      if (sqlite3_step(find_) == SQLITE_ROW) {
        checksum += sqlite3_column_int(find_, 1);
        ++found;
      }
      sqlite3_reset(find_);
    }
    return found;
  }
  void Search(const std::vector<int32_t>& probes, int64_t& checksum) {
    char record[kRecordLength];
    for (int32_t probe : probes) {
      sqlite3_bind_int(search_, 1, probe);
      if (sqlite3_step(search_) == SQLITE_ROW) {
        std::memcpy(record, sqlite3_column_blob(search_, 0), kRecordLength);
        checksum += record[0];
      }
      sqlite3_reset(search_);
    }
  }

 private:
  void Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sqlite3_errmsg(db_));
  }
  sqlite3* db_ = nullptr;
  sqlite3_stmt *begin_ = nullptr, *insert_ = nullptr, *commit_ = nullptr, *scan_ = nullptr,
               *search_ = nullptr, *find_ = nullptr;
};

}  // namespace isambench
