// The data window's export of a whole file against kwdump's, on an RFF file of about 1 GiB of 60-byte records
// generated here: the export reads through a reader of its own and writes CSV through a QSaveFile in the same
// folder, as the window's worker thread does; kwdump writes the same bytes to /dev/null. Target: 400 MB/s of
// input for both. Runs interleaved, medians printed, with where the export's wall time went. A third argument
// puts the export's output in another folder (/dev/shm: the same export without the disk). The export writes
// from a thread of its own when a processor is idle as it starts; how many runs did is printed.
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/gridtools/RecordExport.h"
#include "core/FileInfo.h"
#include "dataset/RecordView.h"
#include "tools/kwdump/Kwdump.h"

namespace {

// Processor time of this process so far (user and system), in ms.
double CpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_usec) / 1000;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double ExportMs(const std::string& input, const std::string& output, TExportTimes& times) {
  const double start = bench::NowMs();
  const TFileInfo reader(input, nullptr, 0, ".RFF");
  TPassControl control;
  control.FileName = input;
  TExportTarget target;
  target.Path = QFile::decodeName(output.c_str());
  target.Format = TDumpFormat::dfCsv;
  ExportRecords(reader.GetDataSet(), nullptr, {0, "None"}, target, control, &times);
  return bench::NowMs() - start;
}

double KwdumpMs(const std::string& input) {
  std::string program = "kwdump";
  std::string format = "--format";
  std::string csv = "csv";
  std::string file = input;
  char* argv[] = {program.data(), format.data(), csv.data(), file.data(), nullptr};
  std::ofstream out("/dev/null", std::ios::binary);
  const double start = bench::NowMs();
  RunKwdump(4, argv, out, std::cerr);
  return bench::NowMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t mib = argc > 1 ? std::stoll(argv[1]) : 1024;
  const int runs = argc > 2 ? std::stoi(argv[2]) : 3;
  bench::TempFolder folder;
  const std::string output =
      argc > 3 ? std::string(argv[3]) + "/kw_bench_fares.csv" : folder.Path("fares.csv");
  const std::string input = folder.Path("fares.rff");
  bench::WriteFareRffFile(input, mib << 20, "Valid Monday, to \"Thursday\"");
  const double mb =
      static_cast<double>((mib << 20) / bench::kFareRecordLength * bench::kFareRecordLength) / 1e6;
  std::vector<double> exportMs;
  std::vector<double> exportCpuMs;
  std::vector<double> kwdumpMs;
  std::vector<TExportTimes> times;
  for (int run = 0; run < runs; ++run) {
    kwdumpMs.push_back(KwdumpMs(input));
    const double cpu = CpuMs();
    exportMs.push_back(ExportMs(input, output, times.emplace_back()));
    exportCpuMs.push_back(CpuMs() - cpu);
    std::remove(output.c_str());
  }
  const double grid = bench::Median(exportMs);
  const double dump = bench::Median(kwdumpMs);
  const double gridCpu = bench::Median(exportCpuMs);
  std::printf(
      "grid export to CSV: %.0f ms, %.0f MB/s of input (target 400); processor time %.0f ms, %.0f MB/s "
      "(the rest waits for the disk: the file is synced before it is renamed into place)\n",
      grid, mb / grid * 1000, gridCpu, mb / gridCpu * 1000);
  auto median = [&times](double TExportTimes::*part) {
    std::vector<double> values;
    for (const TExportTimes& t : times) values.push_back(t.*part);
    return bench::Median(values);
  };
  const auto threaded =
      std::count_if(times.begin(), times.end(), [](const TExportTimes& t) { return t.WritingThread; });
  std::printf("  of which: reading and encoding %.0f ms, write() %.0f ms, closing sync and rename %.0f ms\n",
              median(&TExportTimes::EncodeMs), median(&TExportTimes::WriteMs),
              median(&TExportTimes::CommitMs));
  std::printf(
      "  writing thread in %d of %d runs: waiting for a buffer %.0f ms, for the last writes %.0f ms; "
      "alongside write-back %.0f ms, syncs behind %.0f ms\n",
      static_cast<int>(threaded), runs, median(&TExportTimes::WaitMs), median(&TExportTimes::FinishMs),
      median(&TExportTimes::WriteBackMs), median(&TExportTimes::SyncMs));
  std::printf("kwdump --format csv: %.0f ms, %.0f MB/s of input (target 400)\n", dump, mb / dump * 1000);
  return 0;
}
