#include "stadaf/RecordTypeIndex.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <vector>

#include "layout/TextHelpers.h"
#include "platform/File.h"
#include "stadaf/StadafFieldList.h"
#include "stadaf/StadafFile.h"

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
  int64_t Left() const { return size_ - position_; }

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

// Writes a new file that replaces target only once it is complete: bytes go to a sibling temporary file,
// which is flushed to disk and then renamed over target. Abandoned, it removes the temporary file.
class TReplacingFileWriter {
 public:
  explicit TReplacingFileWriter(const std::string& target) : target_(target) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; fd_ < 0; ++attempt) {
      temporary_ = target_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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
// compare as large unsigned values; the loop has no branch, so it vectorises.
bool OffsetsWithin(const char* bytes, size_t count, int64_t dataFileSize) {
  const auto limit = static_cast<uint32_t>(std::clamp<int64_t>(dataFileSize, 0, int64_t{1} << 31));
  uint32_t outside = 0;
  for (size_t at = 0; at + 4 <= count; at += 4) {
    uint32_t offset;
    std::memcpy(&offset, bytes + at, 4);
    if constexpr (std::endian::native == std::endian::big) offset = __builtin_bswap32(offset);
    outside |= static_cast<uint32_t>(offset >= limit);
  }
  return outside == 0;
}

}  // namespace

std::string IndexProgressText(int32_t recordNo, int32_t count) {
  return std::to_string(recordNo) + " / " + std::to_string(count);
}

Ref<IInterfaceMap> BuildRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress) {
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  const std::unique_ptr<TStadafFieldList> list = OpenStadafFieldList(fileName);
  list->SetPosition(list->DataStart());
  const int32_t count = list->GetRecordCount();
  // The offset lists by key, made on the first record of their type; the index holds the references.
  std::array<TDynamicIntegerArray*, 256> byKey{};
  for (int32_t i = 0; i < count; ++i) {
    if (i % kIndexProgressInterval == 0 && progress.OnStep) progress.OnStep(i, count);
    const int32_t offset = list->Position();
    const uint8_t key = list->SkipRecord();
    TDynamicIntegerArray*& offsets = byKey[key];
    if (offsets == nullptr) {
      auto* created = new TDynamicIntegerArray;
      index->SetItem(std::to_string(key), MakeRef<IDynamicIntegerArray>(created));
      offsets = created;
    }
    offsets->Add(offset);
  }
  if (progress.OnDone) progress.OnDone();
  return index;
}

Ref<IInterfaceMap> ReadRecordTypeIndexCache(const std::string& stampText, const std::string& cacheFileName,
                                            int64_t dataFileSize) {
  TFile file;
  file.Open(cacheFileName, TBinaryOpenMode::bomReadOnly);
  TCacheReader reader(file);
  int32_t length = 0;
  std::string text;
  if (!reader.Int32(length) || !reader.Text(length, text) || text != stampText) return {};
  int32_t entries = 0;
  if (!reader.Int32(entries) || entries < 0) return {};
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  for (int32_t i = 0; i < entries; ++i) {
    std::string key;
    int32_t bytes = 0;
    if (!reader.Int32(length) || !reader.Text(length, key) || !reader.Int32(bytes)) return {};
    if (bytes < 0 || bytes % 4 != 0 || bytes > reader.Left()) return {};
    const Ref<IDynamicIntegerArray> offsets = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
    TMemoryStream& stream = offsets->GetStream();
    // Straight from the file into the stream's memory, in pieces checked while they are in the cache.
    stream.Reserve(bytes);
    AdviseHugePages(stream.Memory(), static_cast<size_t>(bytes));
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
  return ChangeFileExt(fileName, ".of1");
}

Ref<IInterfaceMap> OpenRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress,
                                       bool useCache) {
  const std::string cacheFileName = RecordTypeIndexCacheName(fileName);
  const std::string stamp = FileStampText(fileName);
  if (useCache && FileExists(cacheFileName)) {
    if (Ref<IInterfaceMap> index = ReadRecordTypeIndexCache(stamp, cacheFileName, CurrentFileSize(fileName)))
      return index;
  }
  Ref<IInterfaceMap> index = BuildRecordTypeIndex(fileName, progress);
  if (useCache) WriteRecordTypeIndexCache(stamp, index, cacheFileName);
  return index;
}

Ref<IDynamicIntegerArray> RecordTypeOffsets(const Ref<IInterfaceMap>& index, int32_t recordType) {
  if (!index) return {};
  return Query<IDynamicIntegerArray>(index->GetItem(std::to_string(recordType)));
}
