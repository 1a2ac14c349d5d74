// kw_mkstadaf: writes the bundled STADAF sample files, or a large version 2.00 file for timing.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "tools/mkstadaf/StadafWriter.h"

namespace {

constexpr const char* kUsage =
    "usage: kw_mkstadaf FOLDER            write stadaf110.daf, stadaf200.daf and stadaf210.daf\n"
    "       kw_mkstadaf --bench [--short] FILE MIB\n"
    "                                     write a version 2.00 file of about MIB MiB of long records\n"
    "                                     (about 166 bytes) or, with --short, short ones (about 60 bytes)\n";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 2 && argv[1][0] != '-') {
      const std::string folder = argv[1];
      WriteFile(folder + "/stadaf110.daf", BuildSample110());
      WriteFile(folder + "/stadaf200.daf", BuildSample200());
      WriteFile(folder + "/stadaf210.daf", BuildSample210());
      return 0;
    }
    const bool shortRecords = argc == 5 && std::string(argv[2]) == "--short";
    if ((argc == 4 || shortRecords) && std::string(argv[1]) == "--bench") {
      const std::string path = argv[argc - 2];
      char* end = nullptr;
      const long long mib = std::strtoll(argv[argc - 1], &end, 10);
      if (*end != '\0' || mib <= 0 || mib > (1LL << 43)) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      TBenchOptions options;
      if (shortRecords) options.Shape = TBenchShape::ShortRecords;
      const TBenchFileFigures figures = WriteBenchStadaf200(path, static_cast<int64_t>(mib) << 20, options);
      std::printf(
          "%s: %lld bytes, %d records (%d fares, %d rules, %d tickets, %d routings, %d routing segments)\n",
          path.c_str(), static_cast<long long>(figures.Bytes), figures.Records, figures.Fares, figures.Rules,
          figures.Tickets, figures.Routings, figures.Segments);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kw_mkstadaf: %s\n", e.what());
    return 1;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
