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

constexpr int kRecordLength = 60;  // 58 characters and CR LF

void WriteRffFile(const std::string& path, int64_t bytes) {
  std::ofstream ini(path.substr(0, path.size() - 4) + ".ini", std::ios::binary);
  ini << "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nORIGIN, 3\r\nDEST, 3\r\nFARE_BASIS, 8\r\nAMOUNT, 10\r\nCURRENCY, "
         "3\r\n"
         "REMARKS, 28\r\n";
  static const char* const kCarriers[] = {"LH", "AF", "LX", "OS", "SK", "IB", "TP", "BA", "KL", "AY"};
  std::string chunk;
  const int32_t perChunk = 17476;  // about 1 MiB
  std::ofstream out(path, std::ios::binary);
  int64_t written = 0;
  for (int64_t n = 0; written < bytes; n += perChunk) {
    chunk.clear();
    for (int32_t i = 0; i < perChunk; ++i) {
      const int64_t k = n + i;
      char record[kRecordLength + 1];
      std::snprintf(record, sizeof record, "%-3sFRAJFKY%07lld%10.2fEUR%-28s\r\n", kCarriers[k * 7 % 10],
                    static_cast<long long>(k * 7919 % 9999991),
                    50.0 + static_cast<double>(k * 104729 % 400000) / 100, "Valid Monday to Thursday");
      chunk.append(record, kRecordLength);
    }
    const int64_t size = std::min<int64_t>(static_cast<int64_t>(chunk.size()), bytes - written);
    out.write(chunk.data(), static_cast<std::streamsize>(size - size % kRecordLength));
    written += size - size % kRecordLength;
    if (size % kRecordLength != 0) break;
  }
}

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
  WriteRffFile(rff, int64_t{1} << 30);
  TRFFDataSet reader;
  reader.SetFileName(rff);
  reader.Open();
  reader.First();
  ReportFile("RFF", reader, "AMOUNT", ">=3000", "AMOUNT", passMs);
  return 0;
}
