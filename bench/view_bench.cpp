// Filter and sort views on files of about 1 GiB generated here, against the STADAF indexing pass on the
// STADAF file: a filter on one column within 2 x the pass, a sort of all records by one column within
// 5 x, and the sort's extra memory within 12 bytes per record + 64 MiB. A version 2.00 STADAF file of
// long records (the fares of it) and an RFF file of 60-byte records (about 18 million) are used.
//
// Also for the record (no target): the sorted view read in view order, as kwdump and export write it.
//
// kw_bench_view [ROUNDS [FOLDER]]: ROUNDS rounds (3), each timing the pass and then the filters and sorts
// of one file, so that every ratio compares figures taken moments apart (this machine's speed drifts by up
// to 2x over minutes); the medians are reported. FOLDER keeps the generated files and takes them from
// there when present, for runs one after another.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "BenchSupport.h"
#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "dataset/ViewWalk.h"
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

// One file's filter and sort, each round's figures beside the pass timed just before them.
class TFileRounds {
 public:
  TFileRounds(const char* kind, TDataSet& reader, std::string filterField, std::string pattern,
              std::string sortField)
      : kind_(kind),
        reader_(reader),
        filterField_(std::move(filterField)),
        pattern_(std::move(pattern)),
        sortField_(std::move(sortField)) {}

  void Round(double passMs) {
    const int32_t count = reader_.GetRecordCount();
    TPassControl control;
    const TPassFigures filter = Measure([&] {
      return TRecordFilter(reader_, {{filterField_, pattern_}}).Run(reader_, control).Count();
    });
    TRecordView sorted;
    const TPassFigures sort = Measure([&] {
      sorted = TRecordSort({{sortField_}}).Run(reader_, TRecordView::All(count), control);
      return sorted.Count();
    });
    int64_t bytes = 0;
    const double walkMs = TimeMs([&] {
      const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader_);
      WalkView(*cursor, sorted, 1, sorted.Count(), control,
               [&](int32_t, std::span<const std::string_view> values) {
                 for (const std::string_view value : values) bytes += static_cast<int64_t>(value.size());
               });
    });
    std::printf(
        "%s: %d records; pass %.1f ms; filter %s=%s: %.1f ms, %d match; sort by %s: %.1f ms; sorted view "
        "read "
        "in its order: %.1f ms (%lld value bytes)\n",
        kind_, count, passMs, filterField_.c_str(), pattern_.c_str(), filter.ms, filter.records,
        sortField_.c_str(), sort.ms, walkMs, static_cast<long long>(bytes));
    walkRates_.push_back(count / walkMs * 1000);
    filterRatios_.push_back(filter.ms / passMs);
    sortRatios_.push_back(sort.ms / passMs);
    sortMiB_.push_back(sort.extraMiB);
    sortedAll_ = sortedAll_ && sort.records == count;
  }

  void Report() const {
    const std::string name = std::string(kind_) + " ";
    const double filter = bench::Median(filterRatios_);
    const double sort = bench::Median(sortRatios_);
    bench::Report((name + "filter / STADAF indexing pass").c_str(), filter, "x", "<= 2", filter <= 2);
    bench::Report((name + "sort / STADAF indexing pass").c_str(), sort, "x", "<= 5", sort <= 5);
    const double limitMiB = 12.0 * reader_.GetRecordCount() / (1 << 20) + 64.0;
    const double mib = *std::max_element(sortMiB_.begin(), sortMiB_.end());
    bench::Report((name + "sort extra memory").c_str(), mib, "MiB",
                  ("<= " + std::to_string(static_cast<int>(limitMiB)) + " MiB (12 B/record + 64)").c_str(),
                  sortedAll_ && mib <= limitMiB);
    std::printf("%s sorted view read in its order: %.0f records/s (for the record)\n", kind_,
                bench::Median(walkRates_));
  }

 private:
  const char* kind_;
  TDataSet& reader_;
  std::string filterField_;
  std::string pattern_;
  std::string sortField_;
  std::vector<double> filterRatios_;
  std::vector<double> sortRatios_;
  std::vector<double> sortMiB_;
  std::vector<double> walkRates_;
  bool sortedAll_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::stoi(argv[1])) : 3;
  bench::TempFolder temp;
  const bool keep = argc > 2;
  const auto path = [&](const char* name) {
    return keep ? std::string(argv[2]) + "/" + name : temp.Path(name);
  };
  const std::string stadaf = path("kw_bench_view.daf");
  if (!keep || !std::filesystem::exists(stadaf)) {
    const TBenchFileFigures file = WriteBenchStadaf200(stadaf, int64_t{1} << 30);
    std::printf("STADAF file: %lld bytes, %d records, %d fares\n", static_cast<long long>(file.Bytes),
                file.Records, file.Fares);
  }
  const std::string rff = path("kw_bench_view.rff");
  if (!keep || !std::filesystem::exists(rff))
    bench::WriteFareRffFile(rff, int64_t{1} << 30, "Valid Monday to Thursday");

  BuildRecordTypeIndex(stadaf);  // brings the file into the page cache
  const Ref<IInterfaceMap> index = OpenRecordTypeIndex(stadaf, {}, false);
  TStadafTypeView fares(stadaf, RecordTypeOffsets(index, 1), 1);
  TRFFDataSet reader;
  reader.SetFileName(rff);
  reader.Open();
  reader.First();
  TFileRounds stadafRounds("STADAF fares", fares.DataSet(), "FaCarrier", "L*", "FaAmount");
  TFileRounds rffRounds("RFF", reader, "AMOUNT", ">=3000", "AMOUNT");
  for (int round = 0; round < rounds; ++round)
    for (TFileRounds* file : {&stadafRounds, &rffRounds})
      file->Round(TimeMs([&] { BuildRecordTypeIndex(stadaf); }));
  stadafRounds.Report();
  rffRounds.Report();
  if (!keep) {
    std::filesystem::remove(stadaf);
    std::filesystem::remove(rff);
  }
  return 0;
}
