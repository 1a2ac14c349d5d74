#include "platform/MemoryPrefaulter.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

namespace {

#ifdef __linux__
// Linux 5.14 on; defined here for older headers. An older kernel refuses it with EINVAL.
constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE
#endif
constexpr size_t kPage = 4096;
constexpr size_t kMinSlice = size_t{2} << 20;
constexpr size_t kSlicesPerRange = 16;

// Faults the pages of [begin, end) in as writable, without writing to them.
bool Populate(char* begin, char* end) {
#ifdef __linux__
  return ::madvise(begin, static_cast<size_t>(end - begin), kPopulateWrite) == 0;
#else
  (void)begin;
  (void)end;
  return false;
#endif
}

}  // namespace

TMemoryPrefaulter::TMemoryPrefaulter() {
  if (Supported()) worker_ = std::thread([this] { Run(); });
}

TMemoryPrefaulter::~TMemoryPrefaulter() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

bool TMemoryPrefaulter::Supported() {
#ifdef __linux__
  static const bool supported = [] {
    // Populating one page of a fresh mapping tells whether the kernel knows the advice.
    void* page = ::mmap(nullptr, kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return false;
    const bool known = Populate(static_cast<char*>(page), static_cast<char*>(page) + kPage);
    ::munmap(page, kPage);
    return known;
  }();
  return supported;
#else
  return false;
#endif
}

void TMemoryPrefaulter::Add(void* memory, size_t bytes) {
  if (!worker_.joinable() || memory == nullptr) return;
  // Whole pages inside the range only: a page shared with other data is left to the first write.
  const auto first = (reinterpret_cast<uintptr_t>(memory) + kPage - 1) & ~uintptr_t{kPage - 1};
  const auto last = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~uintptr_t{kPage - 1};
  if (last <= first) return;
  const size_t size = last - first;
  const size_t slice = std::max(kMinSlice, (size / kSlicesPerRange + kPage - 1) & ~(kPage - 1));
  {
    std::lock_guard lock(mutex_);
    ranges_.push_back({reinterpret_cast<char*>(first), reinterpret_cast<char*>(last), slice});
  }
  changed_.notify_all();
}

void TMemoryPrefaulter::Run() {
  std::unique_lock lock(mutex_);
  for (size_t turn = 0;;) {
    changed_.wait(lock, [this] { return stop_ || !ranges_.empty(); });
    if (stop_) return;
    turn %= ranges_.size();
    TRange& range = ranges_[turn];
    char* begin = range.next;
    char* end = begin + std::min(range.slice, static_cast<size_t>(range.end - begin));
    range.next = end;
    if (end == range.end)
      ranges_.erase(ranges_.begin() + static_cast<std::ptrdiff_t>(turn));
    else
      ++turn;
    lock.unlock();
    Populate(begin, end);
    lock.lock();
  }
}
