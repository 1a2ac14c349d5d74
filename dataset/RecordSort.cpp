#include "dataset/RecordSort.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "dataset/DataSet.h"
#include "dataset/RecordValues.h"
#include "dataset/ValueText.h"
#include "platform/IdleProcessors.h"
#include "platform/MemoryPrefaulter.h"

namespace {

constexpr int64_t kStride = 4096;
// Entries are sorted by 96 bits: the 64-bit key, then the 32-bit record number.
constexpr int32_t kSortBits = 96;
constexpr int32_t kKeyBits = 64;
// Ranges up to this many entries are sorted by comparison (runs of equal keys, ordered by record number,
// are often a few dozen entries); from the second many bits at a time.
constexpr size_t kSmallRange = 64;
constexpr size_t kWideRange = size_t{1} << 16;

// 12 bytes: the key in two halves keeps the entry free of 8-byte alignment padding.
struct TEntry {
  uint32_t keyHigh;
  uint32_t keyLow;
  uint32_t recNo;

  uint64_t Key() const { return uint64_t{keyHigh} << 32 | keyLow; }
  void SetKey(uint64_t key) {
    keyHigh = static_cast<uint32_t>(key >> 32);
    keyLow = static_cast<uint32_t>(key);
  }
};
static_assert(sizeof(TEntry) == 12);

bool KeyThenRecord(const TEntry& a, const TEntry& b) {
  if (a.keyHigh != b.keyHigh) return a.keyHigh < b.keyHigh;
  if (a.keyLow != b.keyLow) return a.keyLow < b.keyLow;
  return a.recNo < b.recNo;
}

bool SameKey(const TEntry& a, const TEntry& b) {
  return a.keyHigh == b.keyHigh && a.keyLow == b.keyLow;
}

// Bytes 8 * level … 8 * level + 7 of text, big-endian, zeros past its end.
uint64_t TextChunk(std::string_view text, int32_t level) {
  const size_t from = static_cast<size_t>(level) * 8;
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = from + i;
    key = key << 8 | (at < text.size() ? static_cast<unsigned char>(text[at]) : 0u);
  }
  return key;
}

// A chunk with a zero byte holds the end of its value: equal chunks then mean equal values.
bool EndsValue(uint64_t chunk) {
  for (int i = 0; i < 8; ++i)
    if (((chunk >> (8 * i)) & 0xFF) == 0) return true;
  return false;
}

// Doubles as unsigned integers of the same order; 0, below every number, for a blank value.
uint64_t NumberKey(const TDecimal& number) {
  const auto bits = std::bit_cast<uint64_t>(number.ToDouble());
  return bits >> 63 ? ~bits : bits | uint64_t{1} << 63;
}

// One bit per record number.
class TRecordBits {
 public:
  explicit TRecordBits(uint32_t maxRecNo) : words_(maxRecNo / 64 + 1, 0) {}
  void Set(uint32_t recNo, bool value) {
    const uint64_t mask = uint64_t{1} << (recNo % 64);
    words_[recNo / 64] = value ? words_[recNo / 64] | mask : words_[recNo / 64] & ~mask;
  }
  bool Get(uint32_t recNo) const { return words_[recNo / 64] >> (recNo % 64) & 1; }

 private:
  std::vector<uint64_t> words_;
};

// A range of entries to sort, whose leading bits sorted are known to be in order.
struct TRange {
  TEntry* first;
  TEntry* last;
  int32_t sorted;
};

// The ranges left to sort, shared by the threads of one sort: a thread takes a range, and either sorts it or
// splits it into more ranges for any thread to take.
class TRangeQueue {
 public:
  explicit TRangeQueue(TRange whole) : todo_{whole} {}

  // The next range, waiting while none is left but another thread may still add some; none once every range
  // is taken and no thread is at work on one, or after Fail.
  std::optional<TRange> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || !todo_.empty() || working_ == 0; });
    if (failed_ || todo_.empty()) return std::nullopt;
    const TRange range = todo_.back();
    todo_.pop_back();
    ++working_;
    return range;
  }

  // The range taken is done with; added are the ranges its split left.
  void Done(std::span<const TRange> added) {
    {
      const std::lock_guard lock(mutex_);
      todo_.insert(todo_.end(), added.begin(), added.end());
      --working_;
    }
    changed_.notify_all();
  }

  // A thread failed: the others take nothing more.
  void Fail() {
    {
      const std::lock_guard lock(mutex_);
      failed_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TRange> todo_;
  size_t working_ = 0;
  bool failed_ = false;
};

// Sorts entries in place by key, then record number; looks at the cancel flag while it runs.
class TEntrySorter {
 public:
  explicit TEntrySorter(const TPassControl& control) : control_(control) {}

  // Where the entries are many and a processor is idle, on two threads: the ranges a distribution leaves
  // are shared, each thread taking the next one left, large ones split again for both to take.
  void Sort(TEntry* first, TEntry* last) {
    if (static_cast<size_t>(last - first) < kShareFrom || IdleProcessors() < 1) {
      RadixSort(first, last, 0);
      return;
    }
    TRangeQueue queue({first, last, 0});
    std::exception_ptr helperError;
    std::thread helper;
    try {
      helper = std::thread([&] {
        try {
          TEntrySorter(control_).SortTaken(queue);
        } catch (...) {
          helperError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: this one takes every range.
    }
    try {
      SortTaken(queue);
    } catch (...) {
      if (helper.joinable()) helper.join();
      throw;
    }
    if (helper.joinable()) helper.join();
    if (helperError) std::rethrow_exception(helperError);
  }

 private:
  // From this many entries a sort may share its work with a second thread.
  static constexpr size_t kShareFrom = size_t{1} << 20;

  // Sorts or splits the ranges it takes from queue until none is left.
  void SortTaken(TRangeQueue& queue) {
    std::vector<TRange> split;
    while (const std::optional<TRange> range = queue.Take()) {
      split.clear();
      try {
        control_.CheckCancel();
        if (static_cast<size_t>(range->last - range->first) < kWideRange) {
          RadixSort(range->first, range->last, range->sorted);
        } else if (const int32_t sorted = Unsorted(range->first, range->last, range->sorted);
                   sorted < kSortBits) {
          Distribute<11>(range->first, range->last, sorted, [&](TEntry* from, TEntry* to, int32_t bits) {
            split.push_back({from, to, bits});
          });
        }
      } catch (...) {
        queue.Fail();
        throw;
      }
      queue.Done(split);
    }
  }

  // In place by the 96 bits of key and record number, the most significant first (an American flag sort: no
  // second block of entries), 11 bits at a time over many entries, so that one pass over the block leaves
  // ranges that fit the caches, up to 8 bits over fewer; ranges of a few entries by comparison. Leading bits
  // that all entries of a range share are passed over without a pass of their own.
  void RadixSort(TEntry* first, TEntry* last, int32_t sorted) {
    const auto n = static_cast<size_t>(last - first);
    if (n <= kSmallRange) {
      // By insertion: few entries, often nearly in order.
      for (TEntry* e = first + 1; e < last; ++e) {
        const TEntry entry = *e;
        TEntry* to = e;
        for (; to != first && KeyThenRecord(entry, to[-1]); --to) *to = to[-1];
        *to = entry;
      }
      return;
    }
    sorted = Unsorted(first, last, sorted);
    if (sorted >= kSortBits) return;
    const auto sortRange = [this](TEntry* from, TEntry* to, int32_t bits) { RadixSort(from, to, bits); };
    if (n >= kWideRange)
      Distribute<11>(first, last, sorted, sortRange);
    else
      Distribute<8>(first, last, sorted, sortRange);
  }

  // The leading bits that entries first … last - 1 share, at least sorted; kSortBits when they are in order.
  int32_t Unsorted(TEntry* first, TEntry* last, int32_t sorted) {
    // The three words apart: 32-bit steps, which the compiler does several at a time.
    std::array<uint32_t, 3> any{};
    std::array<uint32_t, 3> all{~0u, ~0u, ~0u};
    for (const TEntry* e = first; e != last; ++e) {
      any[0] |= e->keyHigh;
      any[1] |= e->keyLow;
      any[2] |= e->recNo;
      all[0] &= e->keyHigh;
      all[1] &= e->keyLow;
      all[2] &= e->recNo;
    }
    Work(static_cast<size_t>(last - first));
    int32_t shared = 0;
    for (size_t word = 0; word < 3 && shared == static_cast<int32_t>(32 * word); ++word)
      shared += std::countl_zero(any[word] ^ all[word]);
    sorted = std::max(sorted, shared);
    // Equal keys in record order already, as the first pass leaves them when a column holds one value.
    if (sorted < kSortBits && sorted >= kKeyBits && std::is_sorted(first, last, KeyThenRecord))
      return kSortBits;
    return sorted;
  }

  // One pass of the sort on the next bits after the sorted ones, then sortRange(first, last, sorted bits) of
  // each range it made: up to kWidth bits, fewer for a range of few entries, whose pass would otherwise be
  // mostly its digits' bookkeeping.
  template <int32_t kWidth, class TSortRange>
  void Distribute(TEntry* first, TEntry* last, int32_t sorted, const TSortRange& sortRange) {
    constexpr size_t kMaxDigits = size_t{1} << kWidth;
    const auto n = static_cast<size_t>(last - first);
    const int32_t fitting = std::clamp(static_cast<int32_t>(std::bit_width(n)) - 3, 3, kWidth);
    const int32_t width = std::min(fitting, kSortBits - sorted);
    const size_t digits = size_t{1} << width;
    const int32_t shift = kSortBits - sorted - width;
    const auto mask = static_cast<uint32_t>(digits - 1);
    // A digit lies within the key or within the key's low half and the record number.
    const bool inKey = shift >= 32;
    const int32_t wordShift = inKey ? shift - 32 : shift;
    const auto digit = [inKey, wordShift, mask](const TEntry& e) {
      const uint64_t word = inKey ? e.Key() : uint64_t{e.keyLow} << 32 | e.recNo;
      return static_cast<size_t>(static_cast<uint32_t>(word >> wordShift) & mask);
    };
    // On the stack: the sort makes this pass for ranges of a few dozen entries too, very many of them.
    std::array<size_t, kMaxDigits> heads;
    std::array<size_t, kMaxDigits> ends;
    std::fill_n(heads.begin(), digits, 0);
    for (const TEntry* e = first; e != last; ++e) ++heads[digit(*e)];
    size_t at = 0;
    for (size_t d = 0; d < digits; ++d) {
      const size_t size = heads[d];
      heads[d] = at;
      at += size;
      ends[d] = at;
    }
    Permute(first, heads.data(), ends.data(), digits, digit);
    Work(n);
    size_t from = 0;
    for (size_t d = 0; d < digits; ++d) {
      if (ends[d] - from > 1) sortRange(first + from, first + ends[d], sorted + width);
      from = ends[d];
    }
  }

  // Moves every entry into its digit's range, heads[d] … ends[d] - 1, the unplaced entries of digit d
  // starting at heads[d]. Round after round, each unplaced entry of each digit's range is swapped once
  // into the range it belongs to: the swaps of a round do not wait on each other, so that the processor
  // overlaps their cache misses (following one entry's chain of swaps would wait on each in turn).
  template <class TDigit>
  static void Permute(TEntry* first, size_t* heads, const size_t* ends, size_t digits, const TDigit& digit) {
    std::array<uint16_t, 1 << 11> open;
    size_t openCount = 0;
    for (size_t d = 0; d < digits; ++d)
      if (heads[d] != ends[d]) open[openCount++] = static_cast<uint16_t>(d);
    // The entries left in the last open range belong there.
    while (openCount > 1) {
      size_t stillOpen = 0;
      for (size_t r = 0; r < openCount; ++r) {
        const size_t d = open[r];
        TEntry* const end = first + ends[d];
        TEntry* e = first + heads[d];
        for (; end - e >= 4; e += 4)
          for (size_t j = 0; j < 4; ++j) std::swap(e[j], first[heads[digit(e[j])]++]);
        for (; e != end; ++e) std::swap(*e, first[heads[digit(*e)]++]);
        if (heads[d] != ends[d]) open[stillOpen++] = static_cast<uint16_t>(d);
      }
      openCount = stillOpen;
    }
  }

  // The cancel flag is looked at after every few million entries sorted.
  void Work(size_t entries) {
    work_ += entries;
    if (work_ >= kStride * 1024) {
      work_ = 0;
      control_.CheckCancel();
    }
  }

  const TPassControl& control_;
  uint64_t work_ = 0;
};

// One sort: the entries, the reader and what is known of the columns.
class TSortPass {
 public:
  TSortPass(TDataSet& reader, const std::vector<TSortColumn>& columns, const TPassControl& control,
            TEntry* entries, size_t count, uint32_t maxRecNo)
      : reader_(reader), control_(control), entries_(entries), count_(count), exact_(maxRecNo) {
    // A column named twice is read once per record.
    for (const TSortColumn& column : columns) {
      const int32_t index = ColumnIndex(reader, column.FieldName);
      const auto known = std::find(readColumns_.begin(), readColumns_.end(), index);
      const auto value = static_cast<size_t>(known - readColumns_.begin());
      if (known == readColumns_.end()) readColumns_.push_back(index);
      columns_.push_back({&reader.Fields()[index], column.Descending, true, value});
    }
  }

  size_t Sort(bool walkAll, size_t capacity) {
    FirstPass(walkAll, capacity);
    SortEntries(0, count_);
    ResolveRuns(0, count_, 0, 0);
    // A cancel that came after the last look: the sort is not taken.
    control_.CheckCancel();
    return count_;
  }

 private:
  struct TColumn {
    const TField* field;
    bool descending;
    bool numeric;  // every value so far is a number or blank
    size_t value;  // the index of its value among the cursor's columns
  };

  // Whether a text column's values end within the chunks up to level: a string field holds at most its size.
  bool EndsByWidth(const TColumn& column, int32_t level) const {
    return !column.field->IsBlob() && int64_t{column.field->Size()} <= (int64_t{level} + 1) * 8;
  }

  // Brings the cursor to recNo, stepping when it is the next record.
  void MoveTo(uint32_t recNo) {
    const auto target = static_cast<int32_t>(recNo);
    if (cursor_->OnRecord() && cursor_->RecNo() + 1 == target)
      cursor_->Next();
    else
      cursor_->MoveTo(target);
  }

  std::string_view Read(size_t column) { return ComparableText(cursor_->Value(columns_[column].value)); }

  // The key of the reader's record for column at level; notes whether a number's key is exact.
  uint64_t KeyOf(size_t column, int32_t level, std::string_view text, uint32_t recNo) {
    TDecimal number;
    const bool isNumber = columns_[column].numeric && !text.empty() && number.Parse(text);
    return KeyOf(column, level, text, recNo, isNumber ? &number : nullptr);
  }
  // The same with the value parsed already: number is none when the value is no number.
  uint64_t KeyOf(size_t column, int32_t level, std::string_view text, uint32_t recNo,
                 const TDecimal* number) {
    const TColumn& c = columns_[column];
    uint64_t key = 0;
    if (c.numeric) {
      key = number != nullptr ? NumberKey(*number) : 0;
      exact_.Set(recNo, number == nullptr || number->ExactAsDouble());
    } else {
      key = TextChunk(text, level);
    }
    return c.descending ? ~key : key;
  }

  void Tick(size_t done, bool report) {
    if (++ticks_ % kStride != 0) return;
    control_.CheckCancel();
    if (report) control_.Progress(static_cast<int64_t>(done), static_cast<int64_t>(total_));
  }

  // Reads every record once: which columns are numeric, and the first column's keys. The first column is
  // keyed as a number until a value is none; the records before it are then keyed again as text. With
  // walkAll the records are those a walk reaches, which may be one more than counted (a partial record
  // at the end of a file, which then raises as it does in a window), up to the entries' capacity.
  void FirstPass(bool walkAll, size_t capacity) {
    reader_.First();
    cursor_ = OpenRecordValues(reader_, readColumns_);
    // Only this walk reads in record order; what follows moves about.
    cursor_->ReadAhead(walkAll);
    size_t textFrom = 0;
    total_ = walkAll ? capacity - 1 : count_;
    if (walkAll) count_ = 0;
    // Per column read, the values of the records the cursor holds (walking all), else of the one record.
    THeldRun held(readColumns_.size());
    const bool runs = walkAll && cursor_->HoldsRecords() && !readColumns_.empty();
    for (size_t i = 0;;) {
      size_t n = 1;
      if (walkAll && (!cursor_->OnRecord() || i == capacity)) break;
      if (!walkAll && i == count_) break;
      if (!walkAll) MoveTo(entries_[i].recNo);
      // The columns in the order the single-record path reads them; in runs, as many records as every
      // column's values are held for.
      if (runs) n = std::min(THeldRun::kRecords, capacity - i);
      for (size_t column = columns_.size(); column-- > 0;) {
        const size_t value = columns_[column].value;
        if (runs)
          n = std::min(n, cursor_->HeldValues(value, held.Column(value, n)));
        else
          held.Column(value)[0] = cursor_->Value(value);
      }
      for (size_t k = 0; k < n; ++k, ++i) {
        if (walkAll) entries_[count_++] = TEntry{0, 0, static_cast<uint32_t>(i + 1)};
        Tick(i, true);
        TEntry& entry = entries_[i];
        for (size_t column = columns_.size(); column-- > 0;) {
          const std::string_view text = ComparableText(held.At(columns_[column].value, k));
          TDecimal number;
          const bool isNumber = columns_[column].numeric && !text.empty() && number.Parse(text);
          if (columns_[column].numeric && !text.empty() && !isNumber) {
            columns_[column].numeric = false;
            if (column == 0) textFrom = i;
          }
          if (column == 0) entry.SetKey(KeyOf(0, 0, text, entry.recNo, isNumber ? &number : nullptr));
        }
      }
      if (runs)
        cursor_->Skip(n);
      else if (walkAll)
        cursor_->Next();
    }
    cursor_->ReadAhead(false);
    control_.CheckCancel();
    control_.Progress(static_cast<int64_t>(count_), static_cast<int64_t>(count_));
    if (!columns_.empty() && !columns_[0].numeric) ComputeKeys(0, textFrom, 0, 0);
  }

  // Keys of column at level for the entries begin … end - 1, read in their order.
  void ComputeKeys(size_t begin, size_t end, size_t column, int32_t level) {
    for (size_t i = begin; i < end; ++i) {
      Tick(i, false);
      MoveTo(entries_[i].recNo);
      entries_[i].SetKey(KeyOf(column, level, Read(column), entries_[i].recNo));
    }
  }

  // By key, then record number; the cancel flag is looked at while it runs, too.
  void SortEntries(size_t begin, size_t end) {
    TEntrySorter(control_).Sort(entries_ + begin, entries_ + end);
  }

  // Sorts entries begin … end - 1 among themselves by the column at level and resolves their ties.
  void SortBy(size_t begin, size_t end, size_t column, int32_t level) {
    ComputeKeys(begin, end, column, level);
    SortEntries(begin, end);
    ResolveRuns(begin, end, column, level);
  }

  // Entries begin … end - 1 are sorted by their keys of column at level; orders each run of equal keys.
  void ResolveRuns(size_t begin, size_t end, size_t column, int32_t level) {
    if (column >= columns_.size()) return;
    for (size_t runBegin = begin; runBegin < end;) {
      size_t runEnd = runBegin + 1;
      while (runEnd < end && SameKey(entries_[runEnd], entries_[runBegin])) ++runEnd;
      if (runEnd - runBegin > 1) ResolveRun(runBegin, runEnd, column, level);
      runBegin = runEnd;
    }
  }

  // Entries begin … end - 1 have equal keys of column at level, in record order.
  void ResolveRun(size_t begin, size_t end, size_t column, int32_t level) {
    const TColumn& c = columns_[column];
    if (!c.numeric) {
      const uint64_t chunk = c.descending ? ~entries_[begin].Key() : entries_[begin].Key();
      if (EndsValue(chunk) || EndsByWidth(c, level))
        NextColumn(begin, end, column);
      else
        SortBy(begin, end, column, level + 1);
      return;
    }
    bool exact = true;
    for (size_t i = begin; i < end && exact; ++i) exact = exact_.Get(entries_[i].recNo);
    if (exact) {
      NextColumn(begin, end, column);
      return;
    }
    // Numbers of more digits than a double tells apart: compared exactly, each read again.
    SortExactly(begin, end, column);
  }

  void NextColumn(size_t begin, size_t end, size_t column) {
    if (column + 1 < columns_.size()) SortBy(begin, end, column + 1, 0);
  }

  int CompareExactly(uint32_t a, uint32_t b, size_t column) {
    MoveTo(a);
    std::string first(Read(column));
    MoveTo(b);
    const std::string_view second = Read(column);
    TDecimal x;
    TDecimal y;
    const bool xNumber = !first.empty() && x.Parse(first);
    const bool yNumber = !second.empty() && y.Parse(second);
    int order = xNumber && yNumber ? x.Compare(y) : xNumber ? 1 : yNumber ? -1 : 0;
    return columns_[column].descending ? -order : order;
  }

  void SortExactly(size_t begin, size_t end, size_t column) {
    std::sort(entries_ + begin, entries_ + end, [&](const TEntry& a, const TEntry& b) {
      Tick(0, false);
      const int order = CompareExactly(a.recNo, b.recNo, column);
      return order != 0 ? order < 0 : a.recNo < b.recNo;
    });
    for (size_t runBegin = begin; runBegin < end;) {
      size_t runEnd = runBegin + 1;
      while (runEnd < end && CompareExactly(entries_[runBegin].recNo, entries_[runEnd].recNo, column) == 0)
        ++runEnd;
      if (runEnd - runBegin > 1) NextColumn(runBegin, runEnd, column);
      runBegin = runEnd;
    }
  }

  TDataSet& reader_;
  std::vector<int32_t> readColumns_;  // the reader's columns the cursor reads
  std::unique_ptr<TRecordValues> cursor_;
  const TPassControl& control_;
  TEntry* entries_;
  size_t count_;
  size_t total_ = 0;  // records the first pass expects to read
  std::vector<TColumn> columns_;
  TRecordBits exact_;
  uint64_t ticks_ = 0;
};

// A block for count entries that std::free releases. A large one is asked for in huge pages where the
// system gives them on request: the sort moves entries across the whole block, and small pages would cost a
// page fault per 4 KiB filled and a translation miss per move.
TEntry* AllocateEntries(size_t count) {
  const size_t bytes = count * sizeof(TEntry);
  void* block = nullptr;
#if defined(__linux__)
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes >= 4 * kHugePage) {
    block = std::aligned_alloc(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
    if (block != nullptr) ::madvise(block, bytes, MADV_HUGEPAGE);
  }
#endif
  if (block == nullptr) block = std::malloc(bytes);
  if (block == nullptr) throw std::bad_alloc();
  return static_cast<TEntry*>(block);
}

struct TFreeEntries {
  void operator()(TEntry* entries) const { std::free(entries); }
};

}  // namespace

TRecordView TRecordSort::Run(TDataSet& reader, TRecordView input, const TPassControl& control) const {
  return NamingFile(control.FileName, [&] {
    CheckViewable(reader);
    const bool walkAll = input.EveryRecord();
    size_t count = static_cast<size_t>(input.Count());
    // Every record: room for one past the count, a partial record at the end of the file.
    const size_t capacity = walkAll ? count + 1 : count;
    std::unique_ptr<TEntry, TFreeEntries> entries(AllocateEntries(std::max<size_t>(capacity, 1)));
    // The first pass fills the block as it walks the file: its pages are faulted in ahead of it.
    std::unique_ptr<TMemoryPrefaulter> prefaulter;
    if (walkAll && IdleProcessors() >= 1) {
      prefaulter = std::make_unique<TMemoryPrefaulter>();
      prefaulter->Add(entries.get(), std::max<size_t>(capacity, 1) * sizeof(TEntry));
    }
    uint32_t maxRecNo = walkAll ? static_cast<uint32_t>(capacity) : 0;
    bool ascending = true;
    for (size_t i = 0; i < count && !walkAll; ++i) {
      const auto recNo = static_cast<uint32_t>(input.RecordAt(static_cast<int32_t>(i + 1)));
      ascending = ascending && recNo > maxRecNo;
      maxRecNo = std::max(maxRecNo, recNo);
      entries.get()[i] = TEntry{0, 0, recNo};
    }
    input = TRecordView();
    // Read in record order, so that the first pass walks the file from its start to its end.
    if (!ascending)
      std::sort(entries.get(), entries.get() + count,
                [](const TEntry& a, const TEntry& b) { return a.recNo < b.recNo; });
    count = TSortPass(reader, columns_, control, entries.get(), count, maxRecNo).Sort(walkAll, capacity);
    // The record numbers, moved to the front of the block in place: entry i lies at or after word i.
    auto* recNos = reinterpret_cast<uint32_t*>(entries.get());
    for (size_t i = 0; i < count; ++i) {
      const uint32_t recNo = entries.get()[i].recNo;
      std::memcpy(recNos + i, &recNo, sizeof recNo);
    }
    TRecordView sorted;
    sorted.Adopt(reinterpret_cast<uint32_t*>(entries.release()), static_cast<int32_t>(count),
                 static_cast<int64_t>(std::max<size_t>(capacity, 1) * 3));
    sorted.ShrinkToFit();
    return sorted;
  });
}
