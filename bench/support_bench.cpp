// Offset lists of the record-type index: appending, reading back by index, and copying the byte form
// out and into a fresh list (what the index cache does), at 10 million items.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "support/DynamicIntegerArray.h"

namespace {

constexpr int32_t kItems = 10'000'000;

Ref<IDynamicIntegerArray> NewArray() {
  return MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
}

Ref<IDynamicIntegerArray> FilledArray() {
  Ref<IDynamicIntegerArray> array = NewArray();
  for (int32_t i = 0; i < kItems; ++i) array->Add(i * 37);
  return array;
}

void ReportPerItem(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kItems);
  state.counters["per_item"] =
      benchmark::Counter(static_cast<double>(kItems),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Add(benchmark::State& state) {
  for (auto _ : state) {
    Ref<IDynamicIntegerArray> array = NewArray();
    for (int32_t i = 0; i < kItems; ++i) array->Add(i * 37);
    benchmark::DoNotOptimize(array->GetStream().Memory());
  }
  ReportPerItem(state);
}
BENCHMARK(BM_Add)->Unit(benchmark::kMillisecond);

void BM_GetItem(benchmark::State& state) {
  Ref<IDynamicIntegerArray> array = FilledArray();
  for (auto _ : state) {
    int64_t sum = 0;
    const int32_t count = array->GetCount();
    for (int32_t i = 0; i < count; ++i) sum += array->GetItem(i);
    benchmark::DoNotOptimize(sum);
  }
  ReportPerItem(state);
}
BENCHMARK(BM_GetItem)->Unit(benchmark::kMillisecond);

// Out into a plain buffer (as written to a file) and back into a fresh array (as read from one).
void BM_CopyStreamOutAndIn(benchmark::State& state) {
  Ref<IDynamicIntegerArray> array = FilledArray();
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    TMemoryStream& out = array->GetStream();
    out.SetPosition(0);
    bytes.resize(static_cast<size_t>(out.Size()));
    out.Read(bytes.data(), out.Size());

    Ref<IDynamicIntegerArray> copy = NewArray();
    copy->GetStream().Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    benchmark::DoNotOptimize(copy->GetCount());
  }
  ReportPerItem(state);
}
BENCHMARK(BM_CopyStreamOutAndIn)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
