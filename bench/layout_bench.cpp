// Loading layout files of many fields: time per line must stay flat as layouts grow (names in descending
// order, the worst case for a sorted name list), and the memory a loaded layout holds follows the values
// held, not the widest value each field allows.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "layout/DravikFieldList.h"

namespace {

class TLayoutFile {
 public:
  TLayoutFile(int64_t fields, const char* size) {
    char pattern[] = "/tmp/kw_layout_bench_XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    folder_ = pattern;
    std::ofstream out(Path(), std::ios::binary);
    out << "[FIELDDESCRIPTIONS]\r\n";
    for (int64_t i = fields; i > 0; --i) out << "F" << i << ", " << size << "\r\n";
  }
  ~TLayoutFile() { std::filesystem::remove_all(folder_); }
  std::string Path() const { return folder_ + "/wide.ini"; }

 private:
  std::string folder_;
};

void BM_LoadLayout(benchmark::State& state) {
  const TLayoutFile file(state.range(0), "1");
  for (auto _ : state) {
    TDravikFieldList list;
    list.LoadLayout(file.Path());
    benchmark::DoNotOptimize(list.FieldCount());
  }
  state.SetComplexityN(state.range(0));
  state.counters["per_line"] =
      benchmark::Counter(static_cast<double>(state.range(0)),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadLayout)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Resident memory added by loading 40,000 length-prefixed fields of up to 65,000 bytes each (a field list
// that reserved each field's widest value took 2.6 GB).
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void BM_WideVariableFieldsMemory(benchmark::State& state) {
  const TLayoutFile file(40000, "-5");
  long added = 0;
  for (auto _ : state) {
    const long before = ResidentKiB();
    TDravikFieldList list;
    list.LoadLayout(file.Path());
    added = ResidentKiB() - before;
    benchmark::DoNotOptimize(list.FieldCount());
  }
  state.counters["added_MiB"] = static_cast<double>(added) / 1024.0;
  state.counters["target_MiB"] = 64;
}
BENCHMARK(BM_WideVariableFieldsMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
