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

}  // namespace bench
