// Filter and sort views on files of about 1 GiB generated here, against the STADAF indexing pass on the
// STADAF file: a filter on one column within 2 x the pass, a sort of all records by one column within
// 5 x, and the sort's extra memory within 12 bytes per record + 64 MiB. A version 2.00 STADAF file of
// long records (the fares of it) and an RFF file of 60-byte records (about 18 million) are used.
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "BenchSupport.h"
#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "rff/RFFDataSet.h"
#include "stadaf/RecordTypeIndex.h"
#include "stadaf/StadafFile.h"
#include "tools/mkstadaf/StadafWriter.h"

namespace {

double TimeMs(const std::function<void()>& body) {
  const double start = bench::NowMs();
  body();
  return bench::NowMs() - start;
}

long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return -1;
}

// Runs body; its time and the memory it needed beyond what the process held before (peak resident).
struct TPassFigures {
  double ms = 0;
  double extraMiB = 0;
  int32_t records = 0;
};

TPassFigures Measure(const std::function<int32_t()>& body) {
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  const long before = StatusKiB("VmRSS:");
  TPassFigures figures;
  figures.ms = TimeMs([&] { figures.records = body(); });
  figures.extraMiB = (StatusKiB("VmHWM:") - before) / 1024.0;
  return figures;
}

void ReportFile(const char* kind, TDataSet& reader, const std::string& filterField,
                const std::string& pattern, const std::string& sortField, double passMs) {
  const int32_t count = reader.GetRecordCount();
  TPassControl control;
  const TPassFigures filter = Measure([&] {
    return TRecordFilter(reader, {{filterField, pattern}}).Run(reader, control).Count();
  });
  const TPassFigures sort = Measure(
      [&] { return TRecordSort({{sortField}}).Run(reader, TRecordView::All(count), control).Count(); });
  std::printf("%s: %d records; filter %s=%s: %.1f ms, %d match; sort by %s: %.1f ms\n", kind, count,
              filterField.c_str(), pattern.c_str(), filter.ms, filter.records, sortField.c_str(), sort.ms);
  const std::string name = std::string(kind) + " ";
  bench::Report((name + "filter / STADAF indexing pass").c_str(), filter.ms / passMs, "x", "<= 2",
                filter.ms <= 2 * passMs);
  bench::Report((name + "sort / STADAF indexing pass").c_str(), sort.ms / passMs, "x", "<= 5",
                sort.ms <= 5 * passMs);
  const double limitMiB = 12.0 * count / (1 << 20) + 64.0;
  bench::Report((name + "sort extra memory").c_str(), sort.extraMiB, "MiB",
                ("<= " + std::to_string(static_cast<int>(limitMiB)) + " MiB (12 B/record + 64)").c_str(),
                sort.records == count && sort.extraMiB <= limitMiB);
}

}  // namespace

int main() {
  bench::TempFolder folder;
  const std::string stadaf = folder.Path("bench.daf");
  const TBenchFileFigures file = WriteBenchStadaf200(stadaf, int64_t{1} << 30);
  std::printf("STADAF file: %lld bytes, %d records, %d fares\n", static_cast<long long>(file.Bytes),
              file.Records, file.Fares);
  BuildRecordTypeIndex(stadaf);  // brings the file into the page cache
  std::vector<double> passes;
  for (int i = 0; i < 3; ++i) passes.push_back(TimeMs([&] { BuildRecordTypeIndex(stadaf); }));
  const double passMs = bench::Median(passes);
  std::printf("STADAF indexing pass: %.1f ms\n", passMs);
  {
    const Ref<IInterfaceMap> index = OpenRecordTypeIndex(stadaf, {}, false);
    TStadafTypeView fares(stadaf, RecordTypeOffsets(index, 1), 1);
    ReportFile("STADAF fares", fares.DataSet(), "FaCarrier", "L*", "FaAmount", passMs);
  }
  std::filesystem::remove(stadaf);

  const std::string rff = folder.Path("bench.rff");
  bench::WriteFareRffFile(rff, int64_t{1} << 30, "Valid Monday to Thursday");
  TRFFDataSet reader;
  reader.SetFileName(rff);
  reader.Open();
  reader.First();
  ReportFile("RFF", reader, "AMOUNT", ">=3000", "AMOUNT", passMs);
  return 0;
}
