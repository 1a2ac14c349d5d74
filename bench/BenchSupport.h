#pragma once

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Small helpers for the timed benchmark programs: a temporary folder, a clock, medians, and running a
// case in a child process so that its peak memory is its own.
namespace bench {

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kw_bench_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Zeroed memory that a child process can write its figures into.
template <class T>
T* SharedBlock() {
  void* p = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) {
    std::perror("mmap");
    std::exit(1);
  }
  return static_cast<T*>(p);
}

// Runs body in a child process; returns the child's peak resident memory in KiB (-1 on failure).
inline long RunInChild(const std::function<void()>& body) {
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    std::fflush(stdout);
    ::_exit(0);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1;
  return usage.ru_maxrss;
}

inline void Report(const char* name, double value, const char* unit, const char* target, bool met) {
  std::printf("%-52s %12.3f %-4s target: %-28s %s\n", name, value, unit, target, met ? "met" : "MISSED");
}

// 60-byte fare records (58 characters and CR LF) of the layout written beside path as NAME.ini, as many
// whole records as fit bytes; remark fills the last field (28 characters).
constexpr int kFareRecordLength = 60;
inline void WriteFareRffFile(const std::string& path, int64_t bytes, const char* remark) {
  std::ofstream ini(path.substr(0, path.size() - 4) + ".ini", std::ios::binary);
  ini << "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nORIGIN, 3\r\nDEST, 3\r\nFARE_BASIS, 8\r\nAMOUNT, 10\r\nCURRENCY, "
         "3\r\n"
         "REMARKS, 28\r\n";
  static const char* const kCarriers[] = {"LH", "AF", "LX", "OS", "SK", "IB", "TP", "BA", "KL", "AY"};
  std::ofstream out(path, std::ios::binary);
  std::string chunk;
  for (int64_t k = 0, written = 0; written + kFareRecordLength <= bytes;) {
    chunk.clear();
    for (int i = 0; i < 16384 && written + kFareRecordLength <= bytes;
         ++i, ++k, written += kFareRecordLength) {
      char record[kFareRecordLength + 1];
      std::snprintf(record, sizeof record, "%-3sFRAJFKY%07lld%10.2fEUR%-28s\r\n", kCarriers[k * 7 % 10],
                    static_cast<long long>(k * 7919 % 9999991),
                    50.0 + static_cast<double>(k * 104729 % 400000) / 100, remark);
      chunk.append(record, kFareRecordLength);
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
}

}  // namespace bench
