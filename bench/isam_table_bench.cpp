// The table layer (TCTreeTable over the engine library) against SQLite used directly: inserts of
// 1,000,000 rows into a table with a unique and a duplicates index (one post, and one transaction, per
// row), an export of every row in the unique index's order as text, and 100,000 exact key searches.
// Then the viewer's path: opening a table as a data set and moving to its last row, on this table and on
// one of 1,000 rows; numbering the table's records in the unique index's order and a query on one column
// through a second data set numbered alike, as a data window's passes do, against the same query in SQLite
// (no target: for the record). Usage: kw_bench_isam_table [rows] (default 1,000,000). Targets: every figure
// >= 0.5 of SQLite's; the large table's opening within 2 x the small one's.
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <random>

#include "IsamBenchSupport.h"
#include "dataset/RecordFilter.h"
#include "isam/CtreeDataSet.h"
#include "isam/CtreeTable.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"

namespace {

using namespace isambench;

constexpr int kFillerLength = kRecordLength - 9;

void AppendNumber(std::string& out, int32_t value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

class TTableSide {
 public:
  TTableSide(const std::string& folder, const std::string& name) {
    table_ = std::make_unique<TCTreeTable>();
    table_->SetTableName(folder + "/" + name);
    table_->ClearFields();
    table_->AddField("unique", kIntegerField, 4);
    table_->AddField("group", kIntegerField, 4);
    table_->AddField("filler", kStringField, kFillerLength);
    table_->AddIndex("unique", "unique").Unique = true;
    table_->AddIndex("group", "group");
    if (!table_->CreateTable() || !table_->Open()) Fail("table not created");
    unique_ = &table_->FieldByName("unique");
    group_ = &table_->FieldByName("group");
    filler_ = &table_->FieldByName("filler");
  }

  void Insert(uint32_t rows) {
    char record[kRecordLength];
    for (uint32_t i = 0; i < rows; ++i) {
      MakeRecord(i, record);
      int32_t unique, group;
      std::memcpy(&unique, record, 4);
      std::memcpy(&group, record + 4, 4);
      table_->Insert();
      unique_->SetAsInteger(unique);
      group_->SetAsInteger(group);
      filler_->SetAsString(std::string_view(record + 8, kFillerLength));
      if (!table_->Post()) Fail("post failed");
    }
  }
  uint32_t Export(std::string& text) {
    uint32_t rows = 0;
    table_->SetIndexName("unique");
    for (table_->First(); !table_->Eof(); table_->Next()) {
      text.clear();
      text += unique_->AsString();
      text += ',';
      text += group_->AsString();
      text += ',';
      text += filler_->AsString();
      ++rows;
    }
    return rows;
  }
  uint32_t Find(const std::vector<int32_t>& keys, int64_t& checksum) {
    uint32_t found = 0;
    table_->SetIndexName("unique");
    for (const int32_t key : keys) {
      table_->SetKey();
      unique_->SetAsInteger(key);
      if (table_->GotoKey()) {
        checksum += group_->AsInteger();
        ++found;
      }
    }
    return found;
  }

 private:
  std::unique_ptr<TCTreeTable> table_;
  TCtreeField *unique_ = nullptr, *group_ = nullptr, *filler_ = nullptr;
};

// SQLite's side of the export: the same text from the same columns.
uint32_t ExportSqlite(sqlite3* db, std::string& text) {
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT k1, k2, data FROM t ORDER BY k1", -1, &scan, nullptr);
  uint32_t rows = 0;
  while (sqlite3_step(scan) == SQLITE_ROW) {
    text.clear();
    AppendNumber(text, sqlite3_column_int(scan, 0));
    text += ',';
    AppendNumber(text, sqlite3_column_int(scan, 1));
    text += ',';
    text.append(static_cast<const char*>(sqlite3_column_blob(scan, 2)) + 8, kFillerLength);
    ++rows;
  }
  sqlite3_finalize(scan);
  return rows;
}

// Milliseconds to open the table as the viewer does and show its last rows; the median of five.
double OpenAndGoToLast(const std::string& tableName) {
  std::vector<double> times;
  for (int round = 0; round < 5; ++round) {
    const double start = bench::NowMs();
    auto table = std::make_unique<TCTreeTable>();
    table->SetTableName(tableName);
    TCtreeDataSet dataSet(std::move(table));
    dataSet.Open();
    dataSet.SetBufferCount(40);
    dataSet.Last();
    if (dataSet.FieldByName("unique").AsString().empty()) Fail("no last row");
    times.push_back(bench::NowMs() - start);
  }
  return bench::Median(times);
}

std::unique_ptr<TCtreeDataSet> OpenDataSet(const std::string& tableName) {
  auto table = std::make_unique<TCTreeTable>();
  table->SetTableName(tableName);
  auto dataSet = std::make_unique<TCtreeDataSet>(std::move(table));
  dataSet->Open();
  dataSet->SetIndexName("unique");
  return dataSet;
}

// Records per second of numbering the table, and of a query for the groups >= 990 through a second data set
// numbered alike; the query finds matches records.
void NumberAndQuery(const std::string& tableName, double& numbering, double& query, int32_t& matches) {
  auto shown = OpenDataSet(tableName);
  const double count = shown->GetRecordCount();
  numbering = Rate(count, [&] { shown->SetRecordPositions(shown->ReadRecordPositions(TPassControl{})); });
  auto reader = OpenDataSet(tableName);
  reader->SetRecordPositions(shown->RecordPositions());
  const TRecordFilter filter(*shown, {{"group", ">=990"}});
  query = Rate(count, [&] { matches = filter.Run(*reader, TPassControl{}).Count(); });
}

// SQLite's side of the query over its rows: the same rows in the same order, their columns read.
double QuerySqlite(sqlite3* db, double rows, int32_t& matches) {
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT k1, k2, data FROM t WHERE k2 >= 990 ORDER BY k1", -1, &scan, nullptr);
  matches = 0;
  const double rate = Rate(rows, [&] {
    while (sqlite3_step(scan) == SQLITE_ROW) matches += sqlite3_column_bytes(scan, 2) > 0 ? 1 : 0;
  });
  sqlite3_finalize(scan);
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t rows = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  std::mt19937 random(11);
  std::vector<int32_t> keys(100000);
  for (int32_t& k : keys) k = static_cast<int32_t>((random() % rows) * 2654435761u);

  bench::TempFolder tableFolder, sqliteFolder;
  ::setenv(kEngineLibraryVariable, KW_ENGINE_PATH, 1);
  InitializeCtreeSession(0);
  SetEngineEnvironment(tableFolder.Path("") + "/", "bench", tableFolder.Path("ctreelog.txt"));
  TSqliteSide raw(sqliteFolder.Path(""));
  auto ours = std::make_unique<TTableSide>(tableFolder.Path(""), "rows");
  const double rawInserts = Rate(rows, [&] { raw.Add(rows); });
  const double ourInserts = Rate(rows, [&] { ours->Insert(rows); });
  sqlite3* db = nullptr;
  sqlite3_open_v2(sqliteFolder.Path("raw.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  double rawExports = 0, ourExports = 0, rawFinds = 0, ourFinds = 0;
  int64_t rawSum = 0, ourSum = 0;
  std::string text;
  // Alternating rounds, best of three, so that a load that comes and goes favours neither side.
  for (int round = 0; round < 3; ++round) {
    uint32_t n = 0;
    rawExports = std::max(rawExports, Rate(rows, [&] { n = ExportSqlite(db, text); }));
    if (n != rows) Fail("SQLite export lost rows");
    ourExports = std::max(ourExports, Rate(rows, [&] { n = ours->Export(text); }));
    if (n != rows) Fail("table export lost rows");
    rawFinds = std::max(rawFinds, Rate(keys.size(), [&] { n = raw.Find(keys, rawSum); }));
    if (n != keys.size()) Fail("SQLite missed keys");
    ourFinds = std::max(ourFinds, Rate(keys.size(), [&] { n = ours->Find(keys, ourSum); }));
    if (n != keys.size()) Fail("GotoKey missed keys");
  }
  sqlite3_close(db);
  if (rawSum != ourSum) Fail("the two sides found different rows");

  bool ok = true;
  const auto line = [&](const char* what, double table, double sqlite) {
    const double ratio = table / sqlite;
    ok = ok && ratio >= 0.5;
    std::printf("%-36s table %9.0f/s   sqlite %9.0f/s   ratio %.2f (target >= 0.50)\n", what, table, sqlite,
                ratio);
  };
  std::printf("%u rows, unique and duplicates index, through TCTreeTable\n", rows);
  line("inserts, one post each", ourInserts, rawInserts);
  line("export in index order", ourExports, rawExports);
  line("GotoKey", ourFinds, rawFinds);

  // Both tables close before the viewer's path is timed; the session ends after every table.
  TTableSide(tableFolder.Path(""), "small").Insert(1000);
  ours.reset();
  const double largeMs = OpenAndGoToLast(tableFolder.Path("rows")),
               smallMs = OpenAndGoToLast(tableFolder.Path("small"));
  const double ratio = largeMs / smallMs;
  ok = ok && ratio <= 2.0;
  std::printf("%-36s %u rows %.2f ms   1,000 rows %.2f ms   ratio %.2f (target <= 2.00)\n",
              "data set: open and go to the last row", rows, largeMs, smallMs, ratio);
  double numbering = 0, query = 0, rawQuery = 0;
  int32_t matches = 0, rawMatches = 0;
  NumberAndQuery(tableFolder.Path("rows"), numbering, query, matches);
  sqlite3_open_v2(sqliteFolder.Path("raw.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  rawQuery = QuerySqlite(db, rows, rawMatches);
  sqlite3_close(db);
  if (matches != rawMatches) Fail("the two sides' queries found different rows");
  std::printf("%-36s %9.0f/s\n", "data set: numbering the records", numbering);
  std::printf("%-36s table %9.0f/s   sqlite %9.0f/s   ratio %.2f (for the record)\n",
              "data set: query on one column", query, rawQuery, query / rawQuery);
  FinalizeCtreeSession();
  return ok ? 0 : 1;
}
