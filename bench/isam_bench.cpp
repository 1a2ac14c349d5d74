// The engine library against SQLite used directly: adds of 100-byte records to a table with a unique
// and a duplicates index (one add per call and per transaction, as the table layer will do them), a
// read of every record in index order, and random greater-or-equal searches. Both sides run in WAL
// mode with synchronous=NORMAL: every write that returned survives the death of the process.
// Usage: kw_bench_isam [records] (default 1,000,000). Target: every figure >= 0.5 of SQLite's.
#include <dlfcn.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "engine/CtreeBlocks.h"

namespace {

using namespace kwctree;

constexpr int kRecordLength = 100;

// Record i: a unique key that visits the 32-bit range in scattered order, a group key shared by
// 1,000 records each, and filler.
void MakeRecord(uint32_t i, char* record) {
  const int32_t unique = static_cast<int32_t>(i * 2654435761u);
  const int32_t group = static_cast<int32_t>(i % 1000);
  std::memset(record, 'a' + static_cast<int>(i % 26), kRecordLength);
  std::memcpy(record, &unique, 4);
  std::memcpy(record + 4, &group, 4);
}

struct Figures {
  double addsPerSecond = 0;
  double readsPerSecond = 0;
  double searchesPerSecond = 0;
  int64_t checksum = 0;
};

void Fail(const char* what) {
  std::fprintf(stderr, "kw_bench_isam: %s\n", what);
  std::exit(1);
}

Figures RunEngine(const std::string& folder, uint32_t records, const std::vector<int32_t>& probes) {
  void* library = ::dlopen(KW_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) Fail(::dlerror());
  const auto ctree = reinterpret_cast<TCtreeFunction>(::dlsym(library, kCtreeEntry));
  const auto initIsam = reinterpret_cast<TInitIsamFunction>(::dlsym(library, kInitIsamEntry));
  if (!ctree || !initIsam || initIsam(100, 1024, 32) != 0) Fail("engine does not start");

  TKeySegment uniqueSegment{0, 4, smSigned}, groupSegment{4, 4, smSigned};
  char uniqueName[] = "unique", groupName[] = "group";
  TIndexRecord indexes[2] = {};
  indexes[0] = {4, 0, 0, 0, 32, 1, &uniqueSegment, uniqueName, nullptr, nullptr, nullptr};
  indexes[1] = {8, 0, 1, 0, 32, 1, &groupSegment, groupName, nullptr, nullptr, nullptr};
  std::string name = folder + "/BENCH";
  TIfil ifil{};
  ifil.Name = name.data();
  ifil.DataFileNumber = -1;
  ifil.RecordLength = kRecordLength;
  ifil.DataFileMode = 0xC1;  // shared, as the table layer opens by default
  ifil.IndexCount = 2;
  ifil.IndexFileMode = 0xC1 & 0xFF7B;
  ifil.Indexes = indexes;
  TIsamBlock block{};
  block.Ifil = &ifil;
  if (ctree(fnCreateIFile, -1, &block, nullptr, nullptr, nullptr, 0) != 0) Fail("create failed");
  const int16_t data = ifil.TableFileNumber;

  Figures f;
  char record[kRecordLength];
  double start = bench::NowMs();
  for (uint32_t i = 0; i < records; ++i) {
    MakeRecord(i, record);
    if (ctree(fnAddRecord, data, record, nullptr, nullptr, nullptr, 0) != 0) Fail("add failed");
  }
  f.addsPerSecond = records / ((bench::NowMs() - start) / 1000);

  start = bench::NowMs();
  uint32_t read = 0;
  for (int16_t rc = ctree(fnFirstRecord, data + 1, record, nullptr, nullptr, nullptr, 0); rc == 0;
       rc = ctree(fnNextRecord, data + 1, record, nullptr, nullptr, nullptr, 0)) {
    f.checksum += record[0];
    ++read;
  }
  f.readsPerSecond = read / ((bench::NowMs() - start) / 1000);
  if (read != records) Fail("index order read lost records");

  start = bench::NowMs();
  for (int32_t probe : probes) {
    char key[4];
    std::memcpy(key, &probe, 4);
    ctree(fnTransformKey, data + 1, key, nullptr, nullptr, nullptr, 0);
    if (ctree(fnGetGTERecord, data + 1, key, nullptr, record, nullptr, 0) == 0) f.checksum += record[0];
  }
  f.searchesPerSecond = probes.size() / ((bench::NowMs() - start) / 1000);
  ctree(fnCloseISAM, 0, nullptr, nullptr, nullptr, nullptr, 0);
  return f;
}

Figures RunSqlite(const std::string& folder, uint32_t records, const std::vector<int32_t>& probes) {
  sqlite3* db = nullptr;
  if (sqlite3_open((folder + "/raw.db").c_str(), &db) != SQLITE_OK) Fail("sqlite open failed");
  const auto exec = [&](const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sqlite3_errmsg(db));
  };
  exec("PRAGMA journal_mode=WAL");
  exec("PRAGMA synchronous=NORMAL");
  exec(
      "CREATE TABLE t(id INTEGER PRIMARY KEY, k1 INTEGER NOT NULL, k2 INTEGER NOT NULL, data BLOB NOT NULL)");
  exec("CREATE UNIQUE INDEX t_k1 ON t(k1)");
  exec("CREATE INDEX t_k2 ON t(k2)");
  sqlite3_stmt *begin, *insert, *commit, *scan, *search;
  sqlite3_prepare_v2(db, "BEGIN IMMEDIATE", -1, &begin, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO t(k1, k2, data) VALUES(?1, ?2, ?3)", -1, &insert, nullptr);
  sqlite3_prepare_v2(db, "COMMIT", -1, &commit, nullptr);
  sqlite3_prepare_v2(db, "SELECT data FROM t ORDER BY k1", -1, &scan, nullptr);
  sqlite3_prepare_v2(db, "SELECT data FROM t WHERE k1 >= ?1 ORDER BY k1 LIMIT 1", -1, &search, nullptr);

  Figures f;
  char record[kRecordLength];
  double start = bench::NowMs();
  for (uint32_t i = 0; i < records; ++i) {
    MakeRecord(i, record);
    int32_t k1, k2;
    std::memcpy(&k1, record, 4);
    std::memcpy(&k2, record + 4, 4);
    sqlite3_step(begin);
    sqlite3_reset(begin);
    sqlite3_bind_int(insert, 1, k1);
    sqlite3_bind_int(insert, 2, k2);
    sqlite3_bind_blob(insert, 3, record, kRecordLength, SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) Fail("insert failed");
    sqlite3_reset(insert);
    if (sqlite3_step(commit) != SQLITE_DONE) Fail("commit failed");
    sqlite3_reset(commit);
  }
  f.addsPerSecond = records / ((bench::NowMs() - start) / 1000);

  start = bench::NowMs();
  uint32_t read = 0;
  while (sqlite3_step(scan) == SQLITE_ROW) {
    std::memcpy(record, sqlite3_column_blob(scan, 0), kRecordLength);
    f.checksum += record[0];
    ++read;
  }
  sqlite3_reset(scan);
  f.readsPerSecond = read / ((bench::NowMs() - start) / 1000);

  start = bench::NowMs();
  for (int32_t probe : probes) {
    sqlite3_bind_int(search, 1, probe);
    if (sqlite3_step(search) == SQLITE_ROW) {
      std::memcpy(record, sqlite3_column_blob(search, 0), kRecordLength);
      f.checksum += record[0];
    }
    sqlite3_reset(search);
  }
  f.searchesPerSecond = probes.size() / ((bench::NowMs() - start) / 1000);
  for (sqlite3_stmt* s : {begin, insert, commit, scan, search}) sqlite3_finalize(s);
  sqlite3_close(db);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t records = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  std::mt19937 random(7);
  std::vector<int32_t> probes(100000);
  for (int32_t& p : probes) p = static_cast<int32_t>(random());

  bench::TempFolder engineFolder, sqliteFolder;
  const Figures raw = RunSqlite(sqliteFolder.Path(""), records, probes);
  const Figures ours = RunEngine(engineFolder.Path(""), records, probes);
  if (raw.checksum != ours.checksum)
    std::printf("checksums differ: %lld / %lld\n", (long long)ours.checksum, (long long)raw.checksum);

  bool ok = true;
  const auto line = [&](const char* what, double engine, double sqlite) {
    const double ratio = engine / sqlite;
    ok = ok && ratio >= 0.5;
    std::printf("%-40s engine %10.0f/s   sqlite %10.0f/s   ratio %.2f (target >= 0.50)\n", what, engine,
                sqlite, ratio);
  };
  std::printf("%u records of %d bytes, unique and duplicates index\n", records, kRecordLength);
  line("adds, one transaction each", ours.addsPerSecond, raw.addsPerSecond);
  line("reads in index order", ours.readsPerSecond, raw.readsPerSecond);
  line("random greater-or-equal searches", ours.searchesPerSecond, raw.searchesPerSecond);
  return ok ? 0 : 1;
}
