// Opening an RFF file and fetching rows must not depend on the file's size: compares a 1 MiB file with
// a 1 GiB one generated here.
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "rff/RFFDataSet.h"

namespace {

constexpr int kRecordLength = 100;  // 98 characters and CR LF

void WriteRffFile(const std::string& path, int64_t bytes) {
  std::ofstream ini(path.substr(0, path.size() - 4) + ".ini", std::ios::binary);
  ini << "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nORIGIN, 3\r\nDEST, 3\r\nFARE_BASIS, 8\r\nAMOUNT, 10\r\nCURRENCY, "
         "3\r\n"
         "CITY_NAME, 20\r\nREMARKS, 48\r\n";
  std::string chunk;
  for (int i = 0; i < 10486; ++i) {
    char record[kRecordLength + 1];
    std::snprintf(record, sizeof record, "LH FRAJFKY%07d%10.2fEUR%-20s%-48s\r\n", i, 100.0 + i % 997,
                  "Frankfurt", "Valid Monday to Thursday");
    chunk.append(record, kRecordLength);
  }
  bytes -= bytes % kRecordLength;  // whole records only
  std::ofstream out(path, std::ios::binary);
  for (int64_t written = 0; written < bytes; written += static_cast<int64_t>(chunk.size()))
    out.write(chunk.data(), static_cast<std::streamsize>(std::min<int64_t>(chunk.size(), bytes - written)));
}

struct Figures {
  double openAndLastMs = 0;
  double medianWindowMs = 0;
};

// Reads every value of the buffered rows, as the grid's model does.
void ReadWindow(TRFFDataSet& ds, std::string& scratch) {
  for (int32_t row = 0; row < ds.BufferedRecordCount(); ++row) {
    TActiveRowScope scope(ds, row);
    for (const auto& field : ds.Fields()) field->GetAsString(scratch);
  }
}

Figures Measure(const std::string& path) {
  Figures figures;
  std::string scratch;
  const double start = bench::NowMs();
  TRFFDataSet ds;
  ds.SetFileName(path);
  ds.Open();
  ds.Last();
  ds.Fields()[0].GetAsString(scratch);
  figures.openAndLastMs = bench::NowMs() - start;

  ds.SetBufferCount(50);
  std::mt19937 random(42);
  std::uniform_int_distribution<int32_t> position(1, ds.GetRecordCount() - 50);
  std::vector<double> times;
  for (int i = 0; i < 1000; ++i) {
    const int32_t recNo = position(random);
    const double t = bench::NowMs();
    ds.SetRecNo(recNo);
    ReadWindow(ds, scratch);
    times.push_back(bench::NowMs() - t);
  }
  figures.medianWindowMs = bench::Median(times);
  return figures;
}

}  // namespace

int main() {
  bench::TempFolder folder;
  const std::string small = folder.Path("small.rff");
  const std::string large = folder.Path("large.rff");
  WriteRffFile(small, int64_t{1} << 20);
  WriteRffFile(large, int64_t{1} << 30);
  auto* figures = bench::SharedBlock<Figures[2]>();
  const long smallKiB = bench::RunInChild([&] { (*figures)[0] = Measure(small); });
  const long largeKiB = bench::RunInChild([&] { (*figures)[1] = Measure(large); });
  if (smallKiB < 0 || largeKiB < 0) {
    std::fprintf(stderr, "a measurement failed\n");
    return 1;
  }
  const Figures& s = (*figures)[0];
  const Figures& l = (*figures)[1];
  std::printf("1 MiB file: open+fetch last %.3f ms, median 50-row fetch %.4f ms, peak RSS %ld KiB\n",
              s.openAndLastMs, s.medianWindowMs, smallKiB);
  std::printf("1 GiB file: open+fetch last %.3f ms, median 50-row fetch %.4f ms, peak RSS %ld KiB\n",
              l.openAndLastMs, l.medianWindowMs, largeKiB);
  const double ratio = l.openAndLastMs / std::max(s.openAndLastMs, 1e-6);
  bench::Report("RFF open+fetch last, 1 GiB vs 1 MiB", ratio, "x", "<= 2x", ratio <= 2.0);
  bench::Report("RFF median 50-row fetch at random rows, 1 GiB", l.medianWindowMs, "ms", "< 1 ms",
                l.medianWindowMs < 1.0);
  const double memoryDeltaMiB = static_cast<double>(largeKiB - smallKiB) / 1024.0;
  bench::Report("RFF peak memory, 1 GiB case minus 1 MiB case", memoryDeltaMiB, "MiB", "<= 50 MiB",
                memoryDeltaMiB <= 50.0);
  return 0;
}
