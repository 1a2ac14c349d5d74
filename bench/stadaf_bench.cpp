// The STADAF indexing pass, reopening with its cache and fetching rows, on a version 2.00 file of about
// 1 GiB generated here: fares, rules and routings in the mix 7 : 1 : 2.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "stadaf/RecordTypeIndex.h"
#include "stadaf/StadafFile.h"
#include "tools/mkstadaf/StadafWriter.h"

namespace {

constexpr int kRuns = 3;

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown";
}

double TimeMs(const std::function<void()>& body) {
  const double start = bench::NowMs();
  body();
  return bench::NowMs() - start;
}

double MedianOf(int runs, const std::function<void()>& body) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(TimeMs(body));
  return bench::Median(times);
}

struct TFetchFigures {
  double medianMs = 0;
  double worstMs = 0;
};

// 50 rows at each of 1,000 random record numbers of the fares, every value of every row read.
TFetchFigures FetchWindows(const std::string& path, const Ref<IInterfaceMap>& index) {
  TStadafTypeView view(path, RecordTypeOffsets(index, 1), 1);
  TStadafDataSet& ds = view.DataSet();
  ds.SetBufferCount(50);
  std::mt19937 random(42);
  std::uniform_int_distribution<int32_t> position(1, ds.GetRecordCount() - 50);
  std::string value;
  std::vector<double> times;
  for (int i = 0; i < 1000; ++i) {
    const int32_t recNo = position(random);
    times.push_back(TimeMs([&] {
      ds.SetRecNo(recNo);
      for (int32_t row = 0; row < ds.BufferedRecordCount(); ++row) {
        TActiveRowScope scope(ds, row);
        for (const auto& field : ds.Fields()) field->GetAsString(value);
      }
    }));
  }
  TFetchFigures figures;
  figures.medianMs = bench::Median(times);
  figures.worstMs = *std::max_element(times.begin(), times.end());
  return figures;
}

}  // namespace

int main() {
  bench::TempFolder folder;
  const std::string path = folder.Path("bench.daf");
  TBenchFileFigures file;
  const double writeMs = TimeMs([&] { file = WriteBenchStadaf200(path, int64_t{1} << 30); });
  std::printf("machine: %ld CPUs (nproc), %s\n", ::sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str());
  std::printf("file: %lld bytes, %d records (%d fares, %d rules, %d routings), written in %.1f s\n",
              static_cast<long long>(file.Bytes), file.Records, file.Fares, file.Rules, file.Routings,
              writeMs / 1e3);

  // Peak memory first, while this process is still small: the child starts with its parent's pages.
  const long indexKiB = bench::RunInChild([&] { BuildRecordTypeIndex(path); });

  const std::string wc = "wc -l '" + path + "' > /dev/null";
  if (std::system(wc.c_str()) != 0) return 1;  // brings the file into the page cache
  const double wcMs = MedianOf(kRuns, [&] {
    if (std::system(wc.c_str()) != 0) std::exit(1);
  });
  const double passMs = MedianOf(kRuns, [&] { BuildRecordTypeIndex(path); });

  OpenRecordTypeIndex(path, {}, true);  // writes the cache
  // Each reopening in a fresh process, as the viewer meets it: its memory is new, not reused.
  auto* reopenTimes = bench::SharedBlock<double[5]>();
  for (double& time : *reopenTimes)
    bench::RunInChild([&] { time = TimeMs([&] { OpenRecordTypeIndex(path, {}, true); }); });
  const double reopenMs = bench::Median(std::vector<double>(*reopenTimes, *reopenTimes + 5));
  const Ref<IInterfaceMap> index = OpenRecordTypeIndex(path, {}, true);
  if (RecordTypeOffsets(index, 1)->GetCount() != file.Fares) {
    std::fprintf(stderr, "the cache did not give the fares\n");
    return 1;
  }
  const TFetchFigures fetch = FetchWindows(path, index);

  std::printf("wc -l: %.1f ms (%.0f MB/s); indexing pass: %.1f ms (%.0f MB/s, %.1f ns per record)\n", wcMs,
              file.Bytes / wcMs / 1e3, passMs, file.Bytes / passMs / 1e3, passMs * 1e6 / file.Records);
  const double speedRatio = wcMs / passMs;
  bench::Report("STADAF indexing pass speed / wc -l speed", speedRatio, "x", ">= 0.25", speedRatio >= 0.25);
  const double reopenShare = 100.0 * reopenMs / passMs;
  std::printf("reopen with valid cache: %.2f ms\n", reopenMs);
  bench::Report("STADAF reopen with cache, share of the pass", reopenShare, "%", "< 2 %", reopenShare < 2.0);
  const double limitMiB = 4.0 * file.Records / (1 << 20) + 64.0;
  bench::Report("STADAF peak memory while indexing", indexKiB / 1024.0, "MiB",
                ("<= " + std::to_string(static_cast<int>(limitMiB)) + " MiB (4 B/record + 64)").c_str(),
                indexKiB >= 0 && indexKiB / 1024.0 <= limitMiB);
  std::printf("50-row fetch at random fare numbers: worst %.3f ms\n", fetch.worstMs);
  bench::Report("STADAF median 50-row fetch at random rows", fetch.medianMs, "ms", "< 1 ms",
                fetch.medianMs < 1.0);
  return 0;
}
