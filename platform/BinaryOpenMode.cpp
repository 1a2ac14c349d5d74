#include "platform/BinaryOpenMode.h"

#include <atomic>

namespace {
// Readers on worker threads (filter and sort passes) set it as the GUI thread's readers do.
std::atomic<TBinaryOpenMode> defaultMode = TBinaryOpenMode::bomReadWrite;
}  // namespace

TBinaryOpenMode GetDefaultBinaryOpenMode() {
  return defaultMode.load(std::memory_order_relaxed);
}
void SetDefaultBinaryOpenMode(TBinaryOpenMode mode) {
  defaultMode.store(mode, std::memory_order_relaxed);
}
