#include "dataset/ViewWalk.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// What a block aims at: the values it holds, and the time its reading keeps the records from being handed
// out.
constexpr size_t kHeldBytes = size_t{64} << 20;
constexpr double kReadingSeconds = 0.5;
// Values that make a block give up and read record by record instead.
constexpr size_t kMostHeldBytes = size_t{128} << 20;
constexpr int32_t kFewestRecords = 4096;
constexpr int32_t kMostRecords = 1 << 20;

class TViewWalk {
 public:
  TViewWalk(TRecordValues& cursor, const TRecordView& view, const TPassControl& control,
            const TViewRecordFunction& each)
      : cursor_(cursor), view_(view), control_(control), each_(each) {}

  void Run(int32_t first, int32_t last) {
    int32_t records = kFewestRecords;
    for (int64_t from = first; from <= last;) {
      control_.CheckCancel();
      const auto to = static_cast<int32_t>(std::min<int64_t>(last, from + records - 1));
      const auto start = TClock::now();
      if (ReadBlock(static_cast<int32_t>(from), to)) {
        // The next block as large as this one's values and reading time allow.
        const double read = static_cast<double>(to - from + 1);
        const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
        const double byBytes = kHeldBytes / std::max(static_cast<double>(held_.size()) / read, 1.0);
        const double byTime = kReadingSeconds / std::max(seconds / read, 1e-9);
        records = static_cast<int32_t>(
            std::clamp(std::min(byBytes, byTime), double{kFewestRecords}, double{kMostRecords}));
        HandOut(static_cast<int32_t>(from), to);
      } else {
        WalkInViewOrder(static_cast<int32_t>(from), to);
        records = kFewestRecords;
      }
      from = int64_t{to} + 1;
    }
  }

 private:
  struct TEntry {
    uint32_t recNo;
    uint32_t index;  // in the block
  };

  // Reads the values of the block's records in record order; false (nothing held) when one cannot be read or
  // the values outgrow the buffer.
  bool ReadBlock(int32_t from, int32_t to) {
    entries_.clear();
    for (int32_t position = from; position <= to; ++position)
      entries_.push_back(
          {static_cast<uint32_t>(view_.RecordAt(position)), static_cast<uint32_t>(position - from)});
    std::sort(entries_.begin(), entries_.end(),
              [](const TEntry& a, const TEntry& b) { return a.recNo < b.recNo; });
    held_.clear();
    starts_.assign(entries_.size(), 0);
    try {
      for (size_t i = 0; i < entries_.size(); ++i) {
        if (i % 4096 == 4095) control_.CheckCancel();
        cursor_.MoveTo(static_cast<int32_t>(entries_[i].recNo));
        starts_[entries_[i].index] = held_.size();
        const std::span<const std::string_view> values = cursor_.Values();
        values_.resize(values.size());
        for (const std::string_view value : values) {
          const auto length = static_cast<uint32_t>(value.size());
          held_.append(reinterpret_cast<const char*>(&length), sizeof length);
          held_.append(value);
        }
        if (held_.size() > kMostHeldBytes) return false;
      }
    } catch (const EPassCancelled&) {
      throw;
    } catch (...) {
      // Walked in view order instead, the records before it are handed out first.
      return false;
    }
    return true;
  }

  void HandOut(int32_t from, int32_t to) {
    // The values lie in record order: ask for those a few records ahead while these are handed out.
    constexpr size_t kAhead = 16;
    const size_t count = starts_.size();
    for (int32_t position = from; position <= to; ++position) {
      const auto i = static_cast<size_t>(position - from);
      if (i + kAhead < count) __builtin_prefetch(held_.data() + starts_[i + kAhead]);
      const char* p = held_.data() + starts_[i];
      for (std::string_view& value : values_) {
        uint32_t length;
        std::memcpy(&length, p, sizeof length);
        value = std::string_view(p + sizeof length, length);
        p += sizeof length + length;
      }
      each_(position, values_);
    }
  }

  void WalkInViewOrder(int32_t from, int32_t to) {
    held_.clear();
    held_.shrink_to_fit();
    for (int32_t position = from; position <= to; ++position) {
      if ((position - from) % 4096 == 4095) control_.CheckCancel();
      cursor_.MoveTo(view_.RecordAt(position));
      each_(position, cursor_.Values());
    }
  }

  TRecordValues& cursor_;
  const TRecordView& view_;
  const TPassControl& control_;
  const TViewRecordFunction& each_;
  std::vector<TEntry> entries_;
  std::vector<size_t> starts_;  // by index in the block: where its values start in held_
  std::string held_;            // each value as a 4-byte length and its bytes
  std::vector<std::string_view> values_;
};

}  // namespace

void WalkView(TRecordValues& cursor, const TRecordView& view, int32_t first, int32_t last,
              const TPassControl& control, const TViewRecordFunction& each) {
  if (first > last) return;
  TViewWalk(cursor, view, control, each).Run(first, last);
}
