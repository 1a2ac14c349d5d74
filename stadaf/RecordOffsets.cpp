#include "stadaf/RecordOffsets.h"

#include <algorithm>

#include "stadaf/StadafException.h"

void* TWideRecordOffsets::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IDynamicIntegerArray, IRecordOffsets>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}

int32_t TWideRecordOffsets::GetItem(int32_t index) {
  const int64_t offset = OffsetAt(index);
  if (offset > INT32_MAX)
    throw EStadafException("Record offset " + std::to_string(offset) + " does not fit a 32-bit offset list");
  return static_cast<int32_t>(offset);
}

void TWideRecordOffsets::Clear() {
  chunks_.clear();
  runs_.clear();
  count_ = 0;
}

uint32_t TWideRecordOffsets::HighAt(int32_t index) const {
  // The last run that starts at or before index; there are a handful, so the search is short.
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](int32_t i, const TRun& run) { return i < run.firstIndex; });
  return after == runs_.begin() ? 0 : std::prev(after)->high;
}

void TWideRecordOffsets::NewChunk() {
  chunks_.push_back(std::make_unique_for_overwrite<uint32_t[]>(kChunkSize));
}

std::span<uint32_t> TWideRecordOffsets::AppendLowWords(int32_t wanted) {
  const int32_t at = count_ & (kChunkSize - 1);
  if (at == 0) NewChunk();
  const int32_t n = std::min(wanted, kChunkSize - at);
  count_ += n;
  return {chunks_.back().get() + at, static_cast<size_t>(n)};
}

int64_t RecordOffsetAt(IDynamicIntegerArray& offsets, int32_t index) {
  if (const auto* wide = dynamic_cast<const IRecordOffsets*>(&offsets)) return wide->OffsetAt(index);
  return offsets.GetItem(index);
}
