#include "stadaf/RecordTypeIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "layout/TextHelpers.h"
#include "platform/File.h"
#include "platform/IdleProcessors.h"
#include "platform/MemoryPrefaulter.h"
#include "stadaf/RecordOffsets.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafException.h"
#include "stadaf/StadafFieldList.h"
#include "stadaf/StadafFile.h"
#include "support/Convert.h"

namespace {

void StoreInt32(char* p, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(bits >> (8 * i));
}

int32_t LoadInt32(const char* p) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return static_cast<int32_t>(bits);
}

// Sequential reads of a cache file that tell a short file apart from a failing one: running out of bytes
// gives false (a torn cache), a system error raises EInOutError.
// Offsets are read and checked in pieces small enough to stay in the processor's cache.
constexpr int32_t kCachePiece = 256 * 1024;

class TCacheReader {
 public:
  explicit TCacheReader(const TFile& file) : file_(file), size_(file.Size()) {}

  bool Int32(int32_t& value) {
    char bytes[4];
    if (!Take(bytes, sizeof bytes)) return false;
    value = LoadInt32(bytes);
    return true;
  }
  bool Text(int32_t length, std::string& text) {
    if (length < 0 || length > Left()) return false;
    text.resize(static_cast<size_t>(length));
    return Take(text.data(), text.size());
  }
  bool Bytes(void* destination, int32_t count) {
    if (count < 0 || count > Left()) return false;
    return Take(destination, static_cast<size_t>(count));
  }
  bool Int64(int64_t& value) {
    char bytes[8];
    if (!Take(bytes, sizeof bytes)) return false;
    value = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(LoadInt32(bytes))) |
                                 static_cast<uint64_t>(static_cast<uint32_t>(LoadInt32(bytes + 4))) << 32);
    return true;
  }
  int64_t Left() const { return size_ - position_; }
  void Skip(int64_t count) { position_ += std::clamp<int64_t>(count, 0, Left()); }

 private:
  bool Take(void* destination, size_t count) {
    if (static_cast<int64_t>(count) > Left()) return false;
    if (count > 0) file_.ReadAt(position_, destination, count);
    position_ += static_cast<int64_t>(count);
    return true;
  }

  const TFile& file_;
  int64_t size_;
  int64_t position_ = 0;
};

constexpr std::string_view kTemporaryInfix = ".tmp-";

// Temporary files of target ("<target>.tmp-PID-N") whose writer process is gone: a writer killed while
// writing leaves one behind, and nobody else would ever remove it.
void RemoveAbandonedTemporaries(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string prefix =
      target.substr(slash == std::string::npos ? 0 : slash + 1) + std::string(kTemporaryInfix);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name.substr(0, prefix.size()) != prefix) continue;
    const std::string_view rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    const std::optional<int32_t> pid = TryStrToInt(rest.substr(0, dash));
    if (dash == std::string_view::npos || !pid || *pid <= 0) continue;
    if (::kill(*pid, 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

// Writes a new file that replaces target only once it is complete: bytes go to a sibling temporary file,
// which is flushed to disk and then renamed over target. Abandoned, it removes the temporary file.
class TReplacingFileWriter {
 public:
  explicit TReplacingFileWriter(const std::string& target) : target_(target) {
    RemoveAbandonedTemporaries(target_);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; fd_ < 0; ++attempt) {
      temporary_ = target_ + std::string(kTemporaryInfix) + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++);
      fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && (errno != EEXIST || attempt > 100)) throw EInOutError(errno);
    }
  }
  TReplacingFileWriter(const TReplacingFileWriter&) = delete;
  TReplacingFileWriter& operator=(const TReplacingFileWriter&) = delete;
  ~TReplacingFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
  }

  void Int32(int32_t value) {
    char bytes[4];
    StoreInt32(bytes, value);
    Write(bytes, sizeof bytes);
  }
  void Int64(int64_t value) {
    Int32(static_cast<int32_t>(static_cast<uint32_t>(value)));
    Int32(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32)));
  }
  void Write(const void* data, size_t count) {
    const auto* p = static_cast<const char*>(data);
    while (count > 0) {
      if (pending_.size() - used_ >= count) {
        std::copy(p, p + count, pending_.data() + used_);
        used_ += count;
        return;
      }
      if (used_ > 0) {
        Flush();
      } else {
        // Larger than the buffer: straight to the file.
        WriteAll(p, count);
        return;
      }
    }
  }
  void Commit() {
    Flush();
    if (::fsync(fd_) != 0) throw EInOutError(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw EInOutError(errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) throw EInOutError(errno);
    committed_ = true;
  }

 private:
  void Flush() {
    WriteAll(pending_.data(), used_);
    used_ = 0;
  }
  void WriteAll(const char* p, size_t count) {
    while (count > 0) {
      const ssize_t written = ::write(fd_, p, count);
      if (written < 0) {
        if (errno == EINTR) continue;
        throw EInOutError(errno);
      }
      p += written;
      count -= static_cast<size_t>(written);
    }
  }

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  bool committed_ = false;
  std::array<char, 64 * 1024> pending_{};
  size_t used_ = 0;
};

int64_t CurrentFileSize(const std::string& fileName) {
  struct stat st;
  return ::stat(fileName.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// Offset lists of millions of records fill fresh memory; backing it with huge pages where the system
// offers them saves most of the page faults of filling it. Only a hint.
void AdviseHugePages(void* memory, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t{1} << 21;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(memory) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(kHugePage - 1);
  if (memory != nullptr && end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

// Whether every little-endian offset of the count bytes lies in 0 ... dataFileSize - 1. Negative offsets
// compare as large unsigned values. Sixteen offsets a step in vector registers (plain SSE2: unsigned
// comparison as signed after flipping the sign bits), without a branch per offset.
bool OffsetsWithin(const char* bytes, size_t count, int64_t dataFileSize) {
  const auto limit = static_cast<uint32_t>(std::clamp<int64_t>(dataFileSize, 0, int64_t{1} << 31));
  if (limit == 0) return count < 4;
  size_t at = 0;
  uint32_t outside = 0;
  if constexpr (std::endian::native == std::endian::little) {
    using TLanes = int32_t __attribute__((vector_size(16)));
    constexpr int32_t kSign = INT32_MIN;
    const TLanes sign = {kSign, kSign, kSign, kSign};
    const auto last = static_cast<int32_t>((limit - 1) ^ 0x80000000u);
    const TLanes lastAllowed = {last, last, last, last};
    TLanes flags[4] = {};
    for (; at + 64 <= count; at += 64) {
      for (int lane = 0; lane < 4; ++lane) {
        TLanes offsets;
        std::memcpy(&offsets, bytes + at + 16 * lane, 16);
        flags[lane] |= (offsets ^ sign) > lastAllowed;
      }
    }
    const TLanes any = flags[0] | flags[1] | flags[2] | flags[3];
    outside = static_cast<uint32_t>(any[0] | any[1] | any[2] | any[3]);
  }
  for (; at + 4 <= count; at += 4) {
    uint32_t offset;
    std::memcpy(&offset, bytes + at, 4);
    if constexpr (std::endian::native == std::endian::big) offset = __builtin_bswap32(offset);
    outside |= static_cast<uint32_t>(offset >= limit);
  }
  return outside == 0;
}

// Room for the records the header announces for the type (a 2.00 or 2.10 header counts them), so that the
// list grows without copies; never more than the file could hold (a record takes at least 10 bytes).
void ReserveForType(TStadafFieldList& list, uint8_t key, int32_t count, TDynamicIntegerArray& offsets,
                    TMemoryPrefaulter* prefaulter) {
  const auto* typed = dynamic_cast<const TStadaf200FieldList*>(&list);
  if (typed == nullptr || key == 0 || key > 5) return;
  const int64_t fits = list.DataReader() ? list.DataReader()->OpenedSize() / 10 : 0;
  const int64_t announced = std::min<int64_t>({typed->TypeRecordCount(key), count, fits});
  if (announced <= 0) return;
  TMemoryStream& stream = offsets.GetStream();
  stream.Reserve(announced * 4);
  AdviseHugePages(stream.Memory(), static_cast<size_t>(announced * 4));
  if (prefaulter != nullptr) prefaulter->Add(stream.Memory(), static_cast<size_t>(announced * 4));
}

// The indexing loop for one kind of offset list (32-bit below 2 GiB, else 64-bit).
template <class TOffsets>
void IndexRecords(TStadafFieldList& list, int32_t count, const TIndexProgress& progress, IInterfaceMap& index,
                  TMemoryPrefaulter* prefaulter) {
  // The offset lists by key, made on the first record of their type; the index holds the references.
  std::array<TOffsets*, 256> byKey{};
  // Records are skipped in batches that end where progress is reported, so that the reports come as they
  // would record by record, also before an error.
  std::array<int64_t, kIndexProgressInterval> batchOffsets;
  std::array<uint8_t, kIndexProgressInterval> batchKeys;
  for (int32_t i = 0; i < count;) {
    if (i % kIndexProgressInterval == 0 && progress.OnStep) progress.OnStep(i, count);
    const int32_t batch =
        list.SkipRecords(batchOffsets.data(), batchKeys.data(),
                         std::min(count - i, kIndexProgressInterval - i % kIndexProgressInterval));
    for (int32_t k = 0; k < batch; ++k) {
      const uint8_t key = batchKeys[static_cast<size_t>(k)];
      TOffsets*& offsets = byKey[key];
      if (offsets == nullptr) [[unlikely]] {
        auto* created = new TOffsets;
        index.SetItem(std::to_string(key), MakeRef<IDynamicIntegerArray>(created));
        offsets = created;
        if constexpr (std::is_same_v<TOffsets, TDynamicIntegerArray>)
          ReserveForType(list, key, count, *created, prefaulter);
      }
      if constexpr (std::is_same_v<TOffsets, TWideRecordOffsets>)
        offsets->Append(batchOffsets[static_cast<size_t>(k)]);
      else
        offsets->Add(static_cast<int32_t>(batchOffsets[static_cast<size_t>(k)]));
    }
    i += batch;
  }
}

}  // namespace

bool IsWideDataFile(int64_t dataFileSize) {
  return dataFileSize > INT32_MAX;
}

std::string IndexProgressText(int32_t recordNo, int32_t count) {
  return std::to_string(recordNo) + " / " + std::to_string(count);
}

Ref<IInterfaceMap> BuildRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress) {
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  const std::unique_ptr<TStadafFieldList> list = OpenStadafFieldList(fileName);
  list->SetPosition(list->DataStart());
  const int32_t count = list->GetRecordCount();
  // A negative count would open as an empty file: refused like a count of 0.
  if (count < 0) throw EStadafException("Recordcount is " + std::to_string(count));
  // One sequential pass: reading the next stretch overlaps with measuring the records of this one, where a
  // processor is left idle. On a busy machine the second thread only competes with the first (measured: the
  // pass took 7 to 25 % longer with it at a load of 7 on 2 processors).
  // The same idle processor clears the offset lists' fresh pages ahead of the loop that fills them. Declared
  // after the index, so that it stops before the lists can go.
  std::unique_ptr<TMemoryPrefaulter> prefaulter;
  if (IdleProcessors() >= 1) {
    list->DataReader()->EnableReadAhead();
    prefaulter = std::make_unique<TMemoryPrefaulter>();
  }
  if (IsWideDataFile(list->DataReader()->OpenedSize()))
    IndexRecords<TWideRecordOffsets>(*list, count, progress, *index, prefaulter.get());
  else
    IndexRecords<TDynamicIntegerArray>(*list, count, progress, *index, prefaulter.get());
  if (progress.OnDone) progress.OnDone();
  return index;
}

Ref<IInterfaceMap> ReadRecordTypeIndexCache(const std::string& stampText, const std::string& cacheFileName,
                                            int64_t dataFileSize, std::optional<int32_t> recordType) {
  const std::string onlyKey = recordType ? std::to_string(*recordType) : std::string();
  TFile file;
  file.Open(cacheFileName);
  TCacheReader reader(file);
  int32_t length = 0;
  std::string text;
  if (!reader.Int32(length) || !reader.Text(length, text) || text != stampText) return {};
  int32_t entries = 0;
  if (!reader.Int32(entries) || entries < 0) return {};
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  // Where a processor is idle, it clears the lists' fresh pages ahead of the reads that fill them.
  std::unique_ptr<TMemoryPrefaulter> prefaulter;
  if (IdleProcessors() >= 1) prefaulter = std::make_unique<TMemoryPrefaulter>();
  for (int32_t i = 0; i < entries; ++i) {
    std::string key;
    int32_t bytes = 0;
    if (!reader.Int32(length) || !reader.Text(length, key) || !reader.Int32(bytes)) return {};
    if (bytes < 0 || bytes % 4 != 0 || bytes > reader.Left()) return {};
    if (recordType && key != onlyKey) {
      reader.Skip(bytes);
      continue;
    }
    const Ref<IDynamicIntegerArray> offsets = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
    TMemoryStream& stream = offsets->GetStream();
    // Straight from the file into the stream's memory, in pieces checked while they are in the cache.
    stream.Reserve(bytes);
    AdviseHugePages(stream.Memory(), static_cast<size_t>(bytes));
    if (prefaulter) prefaulter->Add(stream.Memory(), static_cast<size_t>(bytes));
    char* target = reinterpret_cast<char*>(stream.AppendUninitialized(bytes));
    for (int32_t done = 0; done < bytes;) {
      const int32_t piece = std::min<int32_t>(bytes - done, kCachePiece);
      if (!reader.Bytes(target + done, piece)) return {};
      if (!OffsetsWithin(target + done, static_cast<size_t>(piece), dataFileSize)) return {};
      done += piece;
    }
    stream.SetPosition(0);
    index->SetItem(key, offsets);
  }
  return index;
}

void WriteRecordTypeIndexCache(const std::string& stampText, const Ref<IInterfaceMap>& index,
                               const std::string& cacheFileName) {
  TReplacingFileWriter writer(cacheFileName);
  writer.Int32(static_cast<int32_t>(stampText.size()));
  writer.Write(stampText.data(), stampText.size());
  const int32_t entries = index ? index->GetCount() : 0;
  writer.Int32(entries);
  for (int32_t i = 0; i < entries; ++i) {
    const std::string key = index->GetNameAt(i);
    writer.Int32(static_cast<int32_t>(key.size()));
    writer.Write(key.data(), key.size());
    const Ref<IDynamicIntegerArray> offsets = QueryStrict<IDynamicIntegerArray>(index->GetItemAt(i));
    TMemoryStream& stream = offsets->GetStream();
    writer.Int32(stream.Size());
    if (stream.Size() > 0) writer.Write(stream.Memory(), static_cast<size_t>(stream.Size()));
  }
  writer.Commit();
}

namespace {

constexpr char kWideCacheMagic[8] = {'K', 'W', 'O', 'F', '6', '4', '\r', '\n'};
constexpr int32_t kWordsPerPiece = kCachePiece / 4;

// Reads one entry's runs; false unless they start at item 0, and both their first items and their high
// parts rise, inside 0 ... count - 1.
bool ReadRuns(TCacheReader& reader, int32_t runCount, int32_t count,
              std::vector<TWideRecordOffsets::TRun>& runs) {
  runs.clear();
  runs.reserve(static_cast<size_t>(runCount));
  for (int32_t r = 0; r < runCount; ++r) {
    int32_t first = 0;
    int32_t high = 0;
    if (!reader.Int32(first) || !reader.Int32(high)) return false;
    const TWideRecordOffsets::TRun run{first, static_cast<uint32_t>(high)};
    if (r == 0 ? first != 0 : first <= runs.back().firstIndex || run.high <= runs.back().high) return false;
    if (first >= count) return false;
    runs.push_back(run);
  }
  return true;
}

// Reads the count low words into offsets and checks that the offsets they make with runs rise strictly and
// end before dataFileSize.
bool ReadLowWords(TCacheReader& reader, int32_t count, const std::vector<TWideRecordOffsets::TRun>& runs,
                  int64_t dataFileSize, TWideRecordOffsets& offsets) {
  size_t run = 0;
  uint64_t previous = 0;
  for (int32_t done = 0; done < count;) {
    const std::span<uint32_t> words = offsets.AppendLowWords(std::min(count - done, kWordsPerPiece));
    if (!reader.Bytes(words.data(), static_cast<int32_t>(words.size() * 4))) return false;
    for (size_t i = 0; i < words.size(); ++i) {
      const int32_t item = done + static_cast<int32_t>(i);
      if constexpr (std::endian::native == std::endian::big) words[i] = __builtin_bswap32(words[i]);
      const bool newRun = run + 1 < runs.size() && runs[run + 1].firstIndex == item;
      if (newRun) ++run;
      const uint64_t offset = static_cast<uint64_t>(runs[run].high) << 32 | words[i];
      if (item > 0 && !newRun && offset <= previous) return false;
      previous = offset;
    }
    done += static_cast<int32_t>(words.size());
  }
  return count == 0 || previous < static_cast<uint64_t>(dataFileSize);
}

}  // namespace

Ref<IInterfaceMap> ReadWideRecordTypeIndexCache(const std::string& stampText,
                                                const std::string& cacheFileName, int64_t dataFileSize,
                                                std::optional<int32_t> recordType) {
  const std::string onlyKey = recordType ? std::to_string(*recordType) : std::string();
  TFile file;
  file.Open(cacheFileName);
  TCacheReader reader(file);
  char magic[sizeof kWideCacheMagic];
  if (!reader.Bytes(magic, sizeof magic) || std::memcmp(magic, kWideCacheMagic, sizeof magic) != 0) return {};
  int32_t length = 0;
  std::string text;
  if (!reader.Int32(length) || !reader.Text(length, text) || text != stampText) return {};
  int64_t writtenSize = 0;
  if (!reader.Int64(writtenSize) || writtenSize != dataFileSize) return {};
  int32_t entries = 0;
  if (!reader.Int32(entries) || entries < 0) return {};
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  std::vector<TWideRecordOffsets::TRun> runs;
  for (int32_t i = 0; i < entries; ++i) {
    std::string key;
    int32_t count = 0;
    int32_t runCount = 0;
    if (!reader.Int32(length) || !reader.Text(length, key) || !reader.Int32(count) || !reader.Int32(runCount))
      return {};
    if (count < 0 || runCount < 0 || runCount > count || (count > 0) != (runCount > 0)) return {};
    const int64_t bytes = int64_t{runCount} * 8 + int64_t{count} * 4;
    if (bytes > reader.Left()) return {};
    if (recordType && key != onlyKey) {
      reader.Skip(bytes);
      continue;
    }
    auto* offsets = new TWideRecordOffsets;
    const Ref<IDynamicIntegerArray> held = MakeRef<IDynamicIntegerArray>(offsets);
    if (!ReadRuns(reader, runCount, count, runs)) return {};
    if (!ReadLowWords(reader, count, runs, dataFileSize, *offsets)) return {};
    offsets->SetRuns(runs);
    index->SetItem(key, held);
  }
  return index;
}

void WriteWideRecordTypeIndexCache(const std::string& stampText, int64_t dataFileSize,
                                   const Ref<IInterfaceMap>& index, const std::string& cacheFileName) {
  TReplacingFileWriter writer(cacheFileName);
  writer.Write(kWideCacheMagic, sizeof kWideCacheMagic);
  writer.Int32(static_cast<int32_t>(stampText.size()));
  writer.Write(stampText.data(), stampText.size());
  writer.Int64(dataFileSize);
  const int32_t entries = index ? index->GetCount() : 0;
  writer.Int32(entries);
  for (int32_t i = 0; i < entries; ++i) {
    const std::string key = index->GetNameAt(i);
    writer.Int32(static_cast<int32_t>(key.size()));
    writer.Write(key.data(), key.size());
    const Ref<IDynamicIntegerArray> offsets = QueryStrict<IDynamicIntegerArray>(index->GetItemAt(i));
    const int32_t count = offsets->GetCount();
    writer.Int32(count);
    const auto* wide = dynamic_cast<const TWideRecordOffsets*>(offsets.get());
    if (wide == nullptr) {
      // A 32-bit list: one run of high part 0, and its byte form as the low words.
      writer.Int32(count > 0 ? 1 : 0);
      if (count > 0) {
        writer.Int32(0);
        writer.Int32(0);
        writer.Write(offsets->GetStream().Memory(), static_cast<size_t>(count) * 4);
      }
      continue;
    }
    writer.Int32(static_cast<int32_t>(wide->Runs().size()));
    for (const TWideRecordOffsets::TRun& run : wide->Runs()) {
      writer.Int32(run.firstIndex);
      writer.Int32(static_cast<int32_t>(run.high));
    }
    for (int32_t done = 0; done < count;) {
      const std::span<const uint32_t> words = wide->LowWordsFrom(done);
      if constexpr (std::endian::native == std::endian::little) {
        writer.Write(words.data(), words.size() * 4);
      } else {
        for (const uint32_t word : words) writer.Int32(static_cast<int32_t>(word));
      }
      done += static_cast<int32_t>(words.size());
    }
  }
  writer.Commit();
}

std::string FileStampText(const std::string& fileName) {
  struct stat st;
  if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string();
  const time_t modified = st.st_mtime;
  struct tm local {};
  if (::localtime_r(&modified, &local) == nullptr) return std::string();
  local.tm_sec -= local.tm_sec % 2;
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string RecordTypeIndexCacheName(const std::string& fileName) {
  return CompanionFileName(fileName, ".of1");
}

std::string WideRecordTypeIndexCacheName(const std::string& fileName) {
  return CompanionFileName(fileName, kWideCacheExtension);
}

std::string UserCacheFileName(const std::string& fileName, std::string_view extension) {
  std::string base;
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return std::string();
    base = std::string(home) + "/.cache";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  // Keyed by the full path, so that files of the same name in different folders keep their own caches.
  std::string fullPath = fileName;
  if (char* resolved = ::realpath(fileName.c_str(), nullptr)) {
    fullPath = resolved;
    std::free(resolved);
  }
  uint64_t hash = 14695981039346656037ull;
  for (const char c : fullPath) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
  const size_t slash = fullPath.rfind('/');
  const std::string name = ChangeFileExt(fullPath.substr(slash == std::string::npos ? 0 : slash + 1), "");
  return base + "/" + kUserCacheFolder + "/" + name + "-" + key + std::string(extension);
}

namespace {

// Whether the records an index lists are of the types it lists them under: the first and the last record of
// each type are classified (two reads per type). A cache written for another file, or for an earlier
// content of this one within the stamp's resolution, fails this.
bool IndexFitsFile(const std::string& fileName, const Ref<IInterfaceMap>& index) {
  const std::unique_ptr<TStadafFieldList> list = OpenStadafFieldList(fileName);
  auto* typed = dynamic_cast<TStadaf200FieldList*>(list.get());
  for (int32_t i = 0; i < index->GetCount(); ++i) {
    const std::optional<int32_t> key = TryStrToInt(index->GetNameAt(i));
    const Ref<IDynamicIntegerArray> offsets = Query<IDynamicIntegerArray>(index->GetItemAt(i));
    if (!key || !offsets) return false;
    if (offsets->GetCount() == 0) continue;
    if (!typed && *key != 1) return false;
    for (const int64_t offset :
         {RecordOffsetAt(*offsets, 0), RecordOffsetAt(*offsets, offsets->GetCount() - 1)}) {
      if (offset < list->DataStart()) return false;
      if (!typed) continue;
      const int32_t result = typed->ClassifyRecord(offset);
      const bool fits =
          *key == 0 ? result == TStadaf200FieldList::kUnknownTypeCode
                    : result == TStadaf200FieldList::kClassified && typed->CurrentRecordType() == *key;
      if (!fits) return false;
    }
  }
  return true;
}

// The cache at cacheFileName when it is valid for the file as it is now. A cache that cannot be read is no
// cache: it is rebuilt, never a reason for the file not to open.
Ref<IInterfaceMap> ReadValidCache(const std::string& fileName, const std::string& stamp,
                                  const std::string& cacheFileName, std::optional<int32_t> recordType) {
  if (cacheFileName.empty() || !FileExists(cacheFileName)) return {};
  try {
    const int64_t size = CurrentFileSize(fileName);
    Ref<IInterfaceMap> index = IsWideDataFile(size)
                                   ? ReadWideRecordTypeIndexCache(stamp, cacheFileName, size, recordType)
                                   : ReadRecordTypeIndexCache(stamp, cacheFileName, size, recordType);
    if (index && IndexFitsFile(fileName, index)) return index;
  } catch (const Exception&) {
  }
  return {};
}

// Writes the cache beside the file, else in the user's cache folder; false when neither could be written.
bool WriteCacheSomewhere(const std::string& stamp, int64_t dataFileSize, const Ref<IInterfaceMap>& index,
                         const std::vector<std::string>& cacheFileNames) {
  for (const std::string& cacheFileName : cacheFileNames) {
    if (cacheFileName.empty()) continue;
    try {
      const size_t slash = cacheFileName.rfind('/');
      if (slash != std::string::npos) std::filesystem::create_directories(cacheFileName.substr(0, slash));
      if (IsWideDataFile(dataFileSize))
        WriteWideRecordTypeIndexCache(stamp, dataFileSize, index, cacheFileName);
      else
        WriteRecordTypeIndexCache(stamp, index, cacheFileName);
      return true;
    } catch (const Exception&) {
    } catch (const std::filesystem::filesystem_error&) {
    }
  }
  return false;
}

}  // namespace

Ref<IInterfaceMap> OpenRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress,
                                       bool useCache, std::optional<int32_t> recordType) {
  return NamingFile(fileName, [&] {
    const std::string stamp = FileStampText(fileName);
    const int64_t size = CurrentFileSize(fileName);
    std::vector<std::string> caches;
    if (useCache) {
      // A file past 2 GiB has offsets the ".of1" form cannot hold: its cache has a form of its own.
      caches =
          IsWideDataFile(size)
              ? std::vector<std::string>{WideRecordTypeIndexCacheName(fileName),
                                         UserCacheFileName(fileName, kWideCacheExtension)}
              : std::vector<std::string>{RecordTypeIndexCacheName(fileName), UserCacheFileName(fileName)};
      for (const std::string& cacheFileName : caches)
        if (Ref<IInterfaceMap> index = ReadValidCache(fileName, stamp, cacheFileName, recordType))
          return index;
    }
    Ref<IInterfaceMap> index = BuildRecordTypeIndex(fileName, progress);
    if (useCache) WriteCacheSomewhere(stamp, size, index, caches);
    return index;
  });
}

Ref<IDynamicIntegerArray> RecordTypeOffsets(const Ref<IInterfaceMap>& index, int32_t recordType) {
  if (!index) return {};
  return Query<IDynamicIntegerArray>(index->GetItem(std::to_string(recordType)));
}
