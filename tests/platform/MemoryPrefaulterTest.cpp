#include "platform/MemoryPrefaulter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Filling memory while it is being faulted in, as the indexing pass does: every value written stays, in
// several ranges at once and in memory freed before the prefaulter ends.
TEST(MemoryPrefaulter, NeverChangesWhatIsWrittenMeanwhile) {
  constexpr size_t kValues = size_t{24} << 20;  // 96 MiB of 32-bit values in all
  std::vector<std::unique_ptr<uint32_t[]>> ranges;
  {
    TMemoryPrefaulter prefaulter;
    for (int r = 0; r < 3; ++r) {
      ranges.emplace_back(new uint32_t[kValues / 3]);
      prefaulter.Add(ranges.back().get(), kValues / 3 * sizeof(uint32_t));
    }
    for (size_t i = 0; i < kValues / 3; ++i)
      for (size_t r = 0; r < ranges.size(); ++r) ranges[r][i] = static_cast<uint32_t>(i * 3 + r) | 1u;
    auto freed = std::make_unique<char[]>(size_t{8} << 20);
    prefaulter.Add(freed.get(), size_t{8} << 20);
    freed.reset();
  }
  size_t wrong = 0;
  for (size_t i = 0; i < kValues / 3; ++i)
    for (size_t r = 0; r < ranges.size(); ++r)
      wrong += ranges[r][i] != (static_cast<uint32_t>(i * 3 + r) | 1u);
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
