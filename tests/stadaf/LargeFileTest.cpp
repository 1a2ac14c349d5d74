// STADAF files past 2 GiB and 4 GiB: 64-bit offset lists, their ".of64" cache, and the data set reading
// records beyond both limits. Large files are sparse: records at both ends and a hole of zero bytes between,
// which a 1.10 layout of one fixed field cuts into records like any other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "stadaf/RecordOffsets.h"
#include "stadaf/RecordTypeIndex.h"
#include "tests/TestSupport.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

constexpr int64_t k2GiB = int64_t{1} << 31;
constexpr int64_t k4GiB = int64_t{1} << 32;
constexpr const char* kStamp = "20260115093000";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Ref<IInterfaceMap> WideIndexOf(std::initializer_list<std::pair<std::string, std::vector<int64_t>>> entries) {
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  for (const auto& [key, offsets] : entries) {
    auto* list = new TWideRecordOffsets;
    const Ref<IDynamicIntegerArray> held = MakeRef<IDynamicIntegerArray>(list);
    for (const int64_t offset : offsets) list->Append(offset);
    index->SetItem(key, held);
  }
  return index;
}

class WideIndexCache : public ::testing::Test {
 protected:
  TTempDir dir;
  const int64_t dataSize = int64_t{1} << 40;  // 1 TiB
};

TEST(WideRecordOffsets, OffsetsAcrossChunksAndRunsReadBack) {
  TWideRecordOffsets offsets;
  std::vector<int64_t> expected;
  // Two and a half chunks, crossing 2 GiB, 4 GiB and 1 TiB - 1 on the way.
  const int32_t count = TWideRecordOffsets::kChunkSize * 5 / 2;
  const int64_t step = ((int64_t{1} << 40) - 1000) / count;
  for (int32_t i = 0; i < count; ++i) expected.push_back(int64_t{i} * step + 7);
  for (const int64_t offset : expected) offsets.Append(offset);
  ASSERT_EQ(offsets.GetCount(), count);
  for (int32_t i = 0; i < count; i += 997)
    ASSERT_EQ(offsets.OffsetAt(i), expected[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(offsets.OffsetAt(count - 1), expected.back());
  EXPECT_EQ(offsets.Runs().size(), static_cast<size_t>((expected.back() >> 32) + 1));
  EXPECT_EQ(offsets.GetItem(0), 7);
  EXPECT_THROW(offsets.GetItem(count - 1), Exception);  // no 32-bit answer for it
  EXPECT_THROW(offsets.OffsetAt(count), EStringListError);
  EXPECT_EQ(offsets.GetStream().Size(), 0);
}

TEST_F(WideIndexCache, RoundTripKeepsEveryOffsetAndTheLayoutIsAsDocumented) {
  const std::string cache = dir.Path("f.of64");
  const Ref<IInterfaceMap> index = WideIndexOf(
      {{"1", {100, k2GiB + 5, k4GiB - 1, k4GiB + 3, 3 * k4GiB}}, {"2", {}}, {"4", {k4GiB * 200}}});
  WriteWideRecordTypeIndexCache(kStamp, dataSize, index, cache);
  const std::string bytes = ReadAll(cache);
  EXPECT_EQ(bytes.substr(0, 8), std::string("KWOF64\r\n"));
  // magic, stamp, size, entries; key 1 with 5 items in 3 runs; key 2 empty; key 4 with 1 item in 1 run
  EXPECT_EQ(bytes.size(),
            8u + 4 + 14 + 8 + 4 + (4 + 1 + 8 + 3 * 8 + 5 * 4) + (4 + 1 + 8) + (4 + 1 + 8 + 8 + 4));
  const Ref<IInterfaceMap> read = ReadWideRecordTypeIndexCache(kStamp, cache, dataSize);
  ASSERT_TRUE(read);
  EXPECT_EQ(IndexText(read), IndexText(index));
  const Ref<IInterfaceMap> one = ReadWideRecordTypeIndexCache(kStamp, cache, dataSize, 4);
  ASSERT_TRUE(one);
  EXPECT_EQ(IndexText(one), "4:" + std::to_string(k4GiB * 200) + ";");
  // Written again, byte for byte the same.
  WriteWideRecordTypeIndexCache(kStamp, dataSize, read, dir.Path("g.of64"));
  EXPECT_EQ(ReadAll(dir.Path("g.of64")), bytes);
}

TEST_F(WideIndexCache, OtherStampOrSizeAndTornOrImplausibleCachesCountAsStale) {
  const std::string cache = dir.Path("f.of64");
  const Ref<IInterfaceMap> index = WideIndexOf({{"1", {100, 200, k4GiB + 3}}, {"3", {k2GiB}}});
  WriteWideRecordTypeIndexCache(kStamp, dataSize, index, cache);
  const std::string whole = ReadAll(cache);
  ASSERT_TRUE(ReadWideRecordTypeIndexCache(kStamp, cache, dataSize));
  EXPECT_FALSE(ReadWideRecordTypeIndexCache("20260115093002", cache, dataSize));
  EXPECT_FALSE(ReadWideRecordTypeIndexCache(kStamp, cache, dataSize + 1));
  for (size_t length = 0; length < whole.size(); ++length) {
    dir.Write("f.of64", whole.substr(0, length));
    EXPECT_FALSE(ReadWideRecordTypeIndexCache(kStamp, cache, dataSize)) << length;
  }
  // Key 1's runs (0, 0) and (2, 1) after magic, stamp, size, entries, key, count and run count; its low
  // words after them.
  const size_t runs = 8 + 4 + 14 + 8 + 4 + 4 + 1 + 8;
  const size_t lows = runs + 16;
  const auto u32 = [](uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  struct Damage {
    const char* what;
    size_t at;
    std::string bytes;
  };
  const Damage damages[] = {
      {"magic", 0, "KWOF65"},
      {"first run not at item 0", runs, u32(1)},
      {"runs not rising", runs + 8, u32(0)},
      {"high parts not rising", runs + 12, u32(0)},
      {"run past the count", runs + 8, u32(3)},
      {"offsets not rising", lows + 4, u32(50)},
      {"offset past the data file", runs + 12, u32(0x7FFFFFFF)},
      {"negative count", runs - 8, u32(0xFFFFFFFF)},
      {"more runs than items", runs - 4, u32(4)},
      {"no run for items", runs - 4, u32(0)},
  };
  for (const Damage& damage : damages) {
    std::string damaged = whole;
    damaged.replace(damage.at, damage.bytes.size(), damage.bytes);
    dir.Write("f.of64", damaged);
    EXPECT_FALSE(ReadWideRecordTypeIndexCache(kStamp, cache, dataSize)) << damage.what;
  }
}

// A sparse 1.10 file past 4 GiB of 10,000-byte records: "head" in the first, "tail" in the last, zero bytes
// between. Returns its path; empty when the file system has no sparse files.
struct TLargeFile {
  std::string path;
  int32_t headerSize = 0;
  int32_t count = 0;
  static constexpr int32_t kRecordSize = 10000;
  int64_t OffsetOf(int32_t recNo) const { return headerSize + int64_t{recNo - 1} * kRecordSize; }
};

TLargeFile WriteLargeFile(const std::string& path, int64_t atLeast) {
  TStadafFileBuilder builder("1.10");
  builder.SetLayout({TStadafFieldSpec{'F', TLargeFile::kRecordSize - 1, "BLOB", "", 0}});
  TLargeFile file;
  file.path = path;
  file.headerSize = builder.HeaderSize();
  file.count = static_cast<int32_t>((atLeast - file.headerSize) / TLargeFile::kRecordSize + 1);
  const int64_t size = file.OffsetOf(file.count + 1);
  const std::string header = builder.Header(size, file.count, {});
  std::ofstream(path, std::ios::binary).close();
  std::error_code error;
  std::filesystem::resize_file(path, size, error);
  if (error) return {};
  const int fd = ::open(path.c_str(), O_WRONLY);
  EXPECT_GE(fd, 0);
  const auto put = [&](int64_t at, const std::string& bytes) {
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size()));
  };
  put(0, header);
  put(file.OffsetOf(1), "head");
  put(file.OffsetOf(file.count), "tail");
  ::close(fd);
  return file;
}

class LargeStadafFile : public ::testing::Test {
 protected:
  TTempDir dir;
};

TEST_F(LargeStadafFile, IndexesCachesAndReadsRecordsPast4GiB) {
  const TLargeFile file = WriteLargeFile(dir.Path("big.daf"), k4GiB + 5 * TLargeFile::kRecordSize);
  if (file.path.empty()) GTEST_SKIP() << "no sparse files here";
  const Ref<IInterfaceMap> built = OpenRecordTypeIndex(file.path, {}, true);
  EXPECT_TRUE(FileExists(dir.Path("big.of64")));
  EXPECT_FALSE(FileExists(dir.Path("big.of1")));  // the 32-bit form cannot hold these offsets
  const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(built, 1);
  ASSERT_TRUE(offsets);
  ASSERT_EQ(offsets->GetCount(), file.count);
  // The records on either side of 2 GiB and 4 GiB, and the last.
  for (const int64_t limit : {k2GiB, k4GiB}) {
    const auto recNo = static_cast<int32_t>((limit - file.headerSize) / TLargeFile::kRecordSize + 1);
    for (const int32_t n : {recNo, recNo + 1})
      EXPECT_EQ(RecordOffsetAt(*offsets, n - 1), file.OffsetOf(n)) << n;
  }
  EXPECT_EQ(RecordOffsetAt(*offsets, file.count - 1), file.OffsetOf(file.count));

  // Reopened from the cache: a mark put into it shows that it was read, not rebuilt.
  const std::string cache = dir.Path("big.of64");
  std::string bytes = ReadAll(cache);
  const size_t lastLow = bytes.size() - 4;
  const auto marked = static_cast<uint32_t>(file.OffsetOf(file.count) - 1);
  bytes.replace(lastLow, 4,
                std::string{static_cast<char>(marked), static_cast<char>(marked >> 8),
                            static_cast<char>(marked >> 16), static_cast<char>(marked >> 24)});
  {
    std::ofstream out(cache, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  struct stat st {};
  ASSERT_EQ(::stat(file.path.c_str(), &st), 0);
  const Ref<IInterfaceMap> cached = OpenRecordTypeIndex(file.path, {}, true);
  EXPECT_EQ(RecordOffsetAt(*RecordTypeOffsets(cached, 1), file.count - 1), file.OffsetOf(file.count) - 1);

  // The data set reads the first record, one past 4 GiB and the last.
  TStadafTypeView view(file.path, offsets, 1);
  TStadafDataSet& ds = view.DataSet();
  EXPECT_EQ(ds.GetRecordCount(), file.count);
  ds.First();
  EXPECT_EQ(ds.Fields()[0].AsString().substr(0, 4), "head");
  ds.Last();
  EXPECT_EQ(ds.GetRecNo(), file.count);
  EXPECT_EQ(ds.Fields()[0].AsString().substr(0, 4), "tail");
  ds.SetRecNo(file.count - 1);
  EXPECT_EQ(ds.Fields()[0].AsString().find_first_not_of(' '), std::string::npos);  // zero bytes
}

TEST_F(LargeStadafFile, TouchingALargeFileRebuildsItsCache) {
  const TLargeFile file = WriteLargeFile(dir.Path("big.daf"), k2GiB + 3 * TLargeFile::kRecordSize);
  if (file.path.empty()) GTEST_SKIP() << "no sparse files here";
  OpenRecordTypeIndex(file.path, {}, true);
  const std::string cache = dir.Path("big.of64");
  const std::string before = ReadAll(cache);
  // A cache from another content: valid in form, but written for an earlier stamp.
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.path.c_str(), times, 0), 0);
  const Ref<IInterfaceMap> rebuilt = OpenRecordTypeIndex(file.path, {}, true);
  const std::string after = ReadAll(cache);
  EXPECT_NE(after.substr(12, 14), before.substr(12, 14));  // the new stamp
  EXPECT_EQ(after.substr(26), before.substr(26));
  EXPECT_EQ(RecordTypeOffsets(rebuilt, 1)->GetCount(), file.count);
}

}  // namespace
