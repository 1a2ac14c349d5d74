#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "support/DynamicIntegerArray.h"

// Record offsets past 2 GiB. The 32-bit offset list keeps the byte form of the ".of1" cache and serves files
// below 2 GiB; a larger file's offsets go to a TWideRecordOffsets, which answers this interface as well.
class IRecordOffsets : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{3F0C8B72-9E41-4D1A-B6C5-7A2E94D0F813}");

  // Offset of item index; outside 0 ... count - 1 it fails as GetItem does.
  virtual int64_t OffsetAt(int32_t index) const = 0;
};

// 64-bit offsets in 4 bytes each: the low 32 bits of every offset, in chunks so that growing never copies
// (and never holds twice the list), and the high 32 bits as runs: the index where a new high part starts
// and that part. Offsets of one record type rise through the file, so a file of N x 4 GiB has at most N + 1
// runs. GetItem and Add serve offsets below 2 GiB only (a larger one fails); GetStream is an empty stream,
// as the byte form is the ".of1" form, which cannot hold these offsets.
class TWideRecordOffsets final : public TInterfacedObject,
                                 public IDynamicIntegerArray,
                                 public IRecordOffsets {
 public:
  static constexpr int32_t kChunkBits = 18;  // 1 MiB chunks: little slack per record type
  static constexpr int32_t kChunkSize = 1 << kChunkBits;

  struct TRun {
    int32_t firstIndex;
    uint32_t high;
  };

  TWideRecordOffsets() = default;

  void* QueryInterface(const Guid& iid) override;

  int32_t GetItem(int32_t index) override;
  void Clear() override;
  void Add(int32_t value) override { Append(value); }
  int32_t GetCount() const override { return count_; }
  TMemoryStream& GetStream() override { return emptyStream_; }

  int64_t OffsetAt(int32_t index) const override {
    if (index < 0 || index >= count_) RaiseListIndexError(index);
    return static_cast<int64_t>(static_cast<uint64_t>(HighAt(index)) << 32 | LowAt(index));
  }

  void Append(int64_t offset) {
    const auto high = static_cast<uint32_t>(static_cast<uint64_t>(offset) >> 32);
    if (runs_.empty() || runs_.back().high != high) runs_.push_back({count_, high});
    if ((count_ & (kChunkSize - 1)) == 0) NewChunk();
    chunks_.back()[count_ & (kChunkSize - 1)] = static_cast<uint32_t>(offset);
    ++count_;
  }

  // The cache's view: the runs, and the low words from item first to the end of its chunk.
  const std::vector<TRun>& Runs() const { return runs_; }
  std::span<const uint32_t> LowWordsFrom(int32_t first) const {
    const auto at = static_cast<size_t>(first & (kChunkSize - 1));
    const auto end = std::min<size_t>(kChunkSize, at + static_cast<size_t>(count_ - first));
    return {chunks_[static_cast<size_t>(first >> kChunkBits)].get() + at, end - at};
  }
  // Filling from the cache: up to wanted (> 0) new items whose low words the caller writes, as far as the
  // current chunk reaches; the runs come afterwards with SetRuns.
  std::span<uint32_t> AppendLowWords(int32_t wanted);
  void SetRuns(std::vector<TRun> runs) { runs_ = std::move(runs); }

 private:
  uint32_t LowAt(int32_t index) const {
    return chunks_[static_cast<size_t>(index >> kChunkBits)][index & (kChunkSize - 1)];
  }
  uint32_t HighAt(int32_t index) const;
  void NewChunk();

  std::vector<std::unique_ptr<uint32_t[]>> chunks_;
  std::vector<TRun> runs_;
  int32_t count_ = 0;
  TMemoryStream emptyStream_;
};

// The offset of item index of an offset list of either kind.
int64_t RecordOffsetAt(IDynamicIntegerArray& offsets, int32_t index);
