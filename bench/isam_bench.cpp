// The engine library against SQLite used directly: adds of 100-byte records to a table with a unique
// and a duplicates index (one add per call and per transaction, as the table layer will do them), a
// read of every record in index order, and random greater-or-equal searches. Both sides run in WAL
// mode with synchronous=NORMAL: every write that returned survives the death of the process.
// Usage: kw_bench_isam [records] (default 1,000,000). Target: every figure >= 0.5 of SQLite's.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "IsamBenchSupport.h"
#include "engine/CtreeBlocks.h"

namespace {

using namespace kwctree;
using namespace isambench;

class TEngineSide {
 public:
  explicit TEngineSide(const std::string& folder) {
    void* library = ::dlopen(KW_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library) Fail(::dlerror());
    ctree_ = reinterpret_cast<TCtreeFunction>(::dlsym(library, kCtreeEntry));
    const auto initIsam = reinterpret_cast<TInitIsamFunction>(::dlsym(library, kInitIsamEntry));
    if (!ctree_ || !initIsam || initIsam(100, 1024, 32) != 0) Fail("engine does not start");
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
    if (Call(fnCreateIFile, -1, &block) != 0) Fail("create failed");
    data_ = ifil.TableFileNumber;
  }
  ~TEngineSide() { Call(fnCloseISAM, 0, nullptr); }

  void Add(uint32_t records) {
    char record[kRecordLength];
    for (uint32_t i = 0; i < records; ++i) {
      MakeRecord(i, record);
      if (Call(fnAddRecord, data_, record) != 0) Fail("add failed");
    }
  }
  uint32_t ReadAll(int64_t& checksum) {
    char record[kRecordLength];
    uint32_t read = 0;
    for (int16_t rc = Call(fnFirstRecord, data_ + 1, record); rc == 0;
         rc = Call(fnNextRecord, data_ + 1, record)) {
      checksum += record[0];
      ++read;
    }
    return read;
  }
  void Search(const std::vector<int32_t>& probes, int64_t& checksum) {
    char record[kRecordLength];
    for (int32_t probe : probes) {
      char key[4];
      std::memcpy(key, &probe, 4);
      Call(fnTransformKey, data_ + 1, key);
      if (ctree_(fnGetGTERecord, static_cast<int16_t>(data_ + 1), key, nullptr, record, nullptr, 0) == 0)
        checksum += record[0];
    }
  }

 private:
  int16_t Call(uint16_t fn, int file, void* p1) {
    return ctree_(fn, static_cast<int16_t>(file), p1, nullptr, nullptr, nullptr, 0);
  }
  TCtreeFunction ctree_ = nullptr;
  int16_t data_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  const uint32_t records = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  std::mt19937 random(7);
  std::vector<int32_t> probes(100000);
  for (int32_t& p : probes) p = static_cast<int32_t>(random());

  bench::TempFolder engineFolder, sqliteFolder;
  TSqliteSide raw(sqliteFolder.Path(""));
  TEngineSide ours(engineFolder.Path(""));
  // Adds once each; reads and searches in alternating rounds, best of three, so that a load that
  // comes and goes on the machine does not favour one side.
  const double rawAdds = Rate(records, [&] { raw.Add(records); });
  const double ourAdds = Rate(records, [&] { ours.Add(records); });
  double rawReads = 0, ourReads = 0, rawSearches = 0, ourSearches = 0;
  int64_t rawSum = 0, ourSum = 0;
  for (int round = 0; round < 3; ++round) {
    uint32_t n = 0;
    rawReads = std::max(rawReads, Rate(records, [&] { n = raw.ReadAll(rawSum); }));
    if (n != records) Fail("SQLite read lost records");
    ourReads = std::max(ourReads, Rate(records, [&] { n = ours.ReadAll(ourSum); }));
    if (n != records) Fail("index order read lost records");
    rawSearches = std::max(rawSearches, Rate(probes.size(), [&] { raw.Search(probes, rawSum); }));
    ourSearches = std::max(ourSearches, Rate(probes.size(), [&] { ours.Search(probes, ourSum); }));
  }
  if (rawSum != ourSum) Fail("the two sides read different records");

  bool ok = true;
  const auto line = [&](const char* what, double engine, double sqlite) {
    const double ratio = engine / sqlite;
    ok = ok && ratio >= 0.5;
    std::printf("%-36s engine %9.0f/s   sqlite %9.0f/s   ratio %.2f (target >= 0.50)\n", what, engine, sqlite,
                ratio);
  };
  std::printf("%u records of %d bytes, unique and duplicates index\n", records, kRecordLength);
  line("adds, one transaction each", ourAdds, rawAdds);
  line("reads in index order", ourReads, rawReads);
  line("random greater-or-equal searches", ourSearches, rawSearches);
  return ok ? 0 : 1;
}
