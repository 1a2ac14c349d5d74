#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

// Faults fresh memory in on a thread of its own, ahead of a loop that fills it, so that the loop does not
// wait for the system to clear its pages. Several ranges filled at once are populated a slice of each in
// turn. Only a hint: the contents are never touched, and where the system cannot populate memory without
// writing to it, nothing happens. Memory freed meanwhile is harmless (populating it fails or maps pages
// that are never used); the destructor waits for the slice under way.
class TMemoryPrefaulter {
 public:
  TMemoryPrefaulter();
  TMemoryPrefaulter(const TMemoryPrefaulter&) = delete;
  TMemoryPrefaulter& operator=(const TMemoryPrefaulter&) = delete;
  ~TMemoryPrefaulter();

  void Add(void* memory, size_t bytes);
  // Whether the system populates memory at all (for tests and measurements).
  static bool Supported();

 private:
  struct TRange {
    char* next;
    char* end;
    size_t slice;
  };
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TRange> ranges_;
  bool stop_ = false;
  std::thread worker_;
};
