#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/File.h"
#include "stadaf/RecordTypeIndex.h"
#include "stadaf/StadafException.h"
#include "tests/TestSupport.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets the file's last-write time to the given local time.
void SetLocalMTime(const std::string& path, int year, int month, int day, int hour, int minute, int second) {
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const struct timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

Ref<IInterfaceMap> IndexOf(std::initializer_list<std::pair<std::string, std::vector<int32_t>>> entries) {
  const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  for (const auto& [key, offsets] : entries) {
    const Ref<IDynamicIntegerArray> list = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
    for (const int32_t offset : offsets) list->Add(offset);
    index->SetItem(key, list);
  }
  return index;
}

std::string Int32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                     static_cast<char>(u >> 24)};
}

// A 1.10 file of count two-byte records "ab".
std::string Small110(int32_t count) {
  TStadafFileBuilder builder("1.10");
  builder.SetLayout({TStadafFieldSpec{'F', 2, "AB", "", 0}});
  for (int32_t i = 0; i < count; ++i) builder.AddRecord(0, {"ab"});
  return builder.Build();
}

class RecordTypeIndex : public ::testing::Test {
 protected:
  TTempDir dir;
};

TEST_F(RecordTypeIndex, Version110ListsEveryRecordUnderOne) {
  const std::string bytes = BuildSample110();
  const std::string path = dir.Write("f.daf", bytes);
  const int32_t start = OpenStadafFieldList(path)->DataStart();
  const std::vector<int32_t> starts = RecordStarts(bytes, start);
  const Ref<IInterfaceMap> index = BuildRecordTypeIndex(path);
  ASSERT_EQ(index->GetCount(), 1);
  EXPECT_EQ(index->GetNameAt(0), "1");
  const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, 1);
  ASSERT_EQ(offsets->GetCount(), 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(offsets->GetItem(i), starts[static_cast<size_t>(i)]);
  EXPECT_FALSE(RecordTypeOffsets(index, 2));
}

TEST_F(RecordTypeIndex, Versions200And210ListRecordsByType) {
  const Ref<IInterfaceMap> index200 = BuildRecordTypeIndex(dir.Write("a.daf", BuildSample200()));
  std::string keys;
  for (int32_t i = 0; i < index200->GetCount(); ++i)
    keys += index200->GetNameAt(i) + "=" +
            std::to_string(Query<IDynamicIntegerArray>(index200->GetItemAt(i))->GetCount()) + " ";
  EXPECT_EQ(keys, "1=6 2=3 4=3 5=4 ");
  const Ref<IInterfaceMap> index210 = BuildRecordTypeIndex(dir.Write("b.daf", BuildSample210()));
  ASSERT_EQ(index210->GetCount(), 4);
  EXPECT_EQ(index210->GetNameAt(0), "0");
  EXPECT_EQ(RecordTypeOffsets(index210, 0)->GetCount(), 2);
  EXPECT_EQ(RecordTypeOffsets(index210, 1)->GetCount(), 3);
  EXPECT_FALSE(RecordTypeOffsets(index210, 3));
}

TEST_F(RecordTypeIndex, ReportsProgressEvery537RecordsThenClears) {
  std::vector<std::string> texts;
  TIndexProgress progress;
  progress.OnStep = [&](int32_t recordNo, int32_t count) {
    texts.push_back(IndexProgressText(recordNo, count));
  };
  progress.OnDone = [&] { texts.push_back(""); };
  BuildRecordTypeIndex(dir.Write("f.daf", Small110(1000)), progress);
  EXPECT_EQ(texts, (std::vector<std::string>{"0 / 1000", "537 / 1000", ""}));
}

TEST_F(RecordTypeIndex, ReportsProgressAsBeforeARecordThatCannotBeRead) {
  // Version 2.00 passes records in batches: the reports before the damaged record 700 come all the same.
  TStadafFileBuilder b("2.00");
  b.AddGroup("FA", ShortFareFields());
  b.AddGroup("RL", ShortRuleFields());
  b.AddGroup("TK", ShortTicketFields());
  const int32_t routing = b.AddGroup("RT", ShortRoutingFields());
  b.AddGroup("RS", ShortRoutingSegmentFields());
  std::vector<size_t> ends;
  for (int i = 0; i < 1200; ++i) {
    b.AddRecord(routing, {"", "RT", "LH", "00001", "AB"});
    ends.push_back(b.Body().size());
  }
  std::string bytes = b.Build();
  const size_t dataStart = bytes.size() - b.Body().size();
  bytes[dataStart + ends[699] - 1] = 'X';  // record 700 without its CR
  std::vector<std::string> texts;
  TIndexProgress progress;
  progress.OnStep = [&](int32_t recordNo, int32_t count) {
    texts.push_back(IndexProgressText(recordNo, count));
  };
  ExpectError<Exception>([&] { BuildRecordTypeIndex(dir.Write("f.daf", bytes), progress); },
                         "Error at offset " + std::to_string(dataStart + ends[698]));
  EXPECT_EQ(texts, (std::vector<std::string>{"0 / 1200", "537 / 1200"}));
}

TEST_F(RecordTypeIndex, FailedPassesRaiseAndWriteNoCache) {
  std::string more = Small110(3);
  more.replace(more.find("00000003"), 8, "00000004");
  struct TCase {
    std::string bytes;
    std::string message;
  };
  const TCase cases[] = {
      {more, "EOF-Error"},
      {"STADAF3.00" + std::string(100, '0'),
       "Unsupported Stadaf version detected, application shutting down"},
      {"short", "Unsupported Stadaf version detected, application shutting down"},
  };
  for (const TCase& c : cases) {
    const std::string path = dir.Write("f.daf", c.bytes);
    bool done = false;
    TIndexProgress progress;
    progress.OnDone = [&] { done = true; };
    try {
      OpenRecordTypeIndex(path, progress, true);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(done);
    EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"f.daf"});
  }
}

TEST_F(RecordTypeIndex, CacheFileHoldsStampEntriesAndOffsets) {
  const std::string cache = dir.Path("f.of1");
  WriteRecordTypeIndexCache("20260115093000", IndexOf({{"4", {30}}, {"1", {10, 20}}, {"2", {}}}), cache);
  const std::string expected = Int32(14) + "20260115093000" + Int32(3) + Int32(1) + "1" + Int32(8) +
                               Int32(10) + Int32(20) + Int32(1) + "2" + Int32(0) + Int32(1) + "4" + Int32(4) +
                               Int32(30);
  EXPECT_EQ(ReadAll(cache), expected);
  EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"f.of1"});
  const Ref<IInterfaceMap> read = ReadRecordTypeIndexCache("20260115093000", cache, 31);
  ASSERT_TRUE(read);
  EXPECT_EQ(IndexText(read), "1:10,20;2:;4:30;");
  EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093002", cache, 31));
}

TEST_F(RecordTypeIndex, TornOrImplausibleCachesCountAsStale) {
  const std::string cache = dir.Path("f.of1");
  WriteRecordTypeIndexCache("20260115093000", IndexOf({{"1", {10, 20}}, {"4", {30}}}), cache);
  const std::string whole = ReadAll(cache);
  for (size_t length = 0; length < whole.size(); ++length) {
    dir.Write("f.of1", whole.substr(0, length));
    EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093000", cache, 1000)) << length;
  }
  dir.Write("f.of1", whole);
  EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093000", cache, 30)) << "offset at the end of the data file";
  WriteRecordTypeIndexCache("20260115093000", IndexOf({{"1", {-1}}}), cache);
  EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093000", cache, 1000)) << "negative offset";
  std::string odd = whole;
  odd.replace(4 + 14 + 4 + 4 + 1, 4, Int32(6));
  dir.Write("f.of1", odd);
  EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093000", cache, 1000)) << "not a whole number of offsets";
  dir.Write("f.of1", Int32(0) + Int32(0));
  EXPECT_FALSE(ReadRecordTypeIndexCache("20260115093000", cache, 1000)) << "empty stamp";
  EXPECT_TRUE(ReadRecordTypeIndexCache("", cache, 1000));
}

// Offsets are checked many at a time: one outside the data file is found at every position of a list.
TEST_F(RecordTypeIndex, AnOffsetOutsideIsFoundAtEveryPosition) {
  const std::string cache = dir.Path("f.of1");
  for (const int32_t outside : {1000, -1, INT32_MIN, INT32_MAX}) {
    for (int32_t position = 0; position < 100; ++position) {
      const Ref<IInterfaceMap> index = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
      const Ref<IDynamicIntegerArray> list = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
      for (int32_t i = 0; i < 100; ++i) list->Add(i == position ? outside : 999 - i);
      index->SetItem("1", list);
      WriteRecordTypeIndexCache("s", index, cache);
      EXPECT_FALSE(ReadRecordTypeIndexCache("s", cache, 1000)) << outside << " at " << position;
      // Negative offsets lie outside any file; the others inside one a byte larger.
      if (outside >= 0) {
        EXPECT_TRUE(ReadRecordTypeIndexCache("s", cache, int64_t{outside} + 1))
            << outside << " at " << position;
      }
    }
  }
}

TEST_F(RecordTypeIndex, RepeatedKeyReplacesTheEarlierList) {
  dir.Write("f.of1", Int32(1) + "s" + Int32(2) + Int32(1) + "1" + Int32(4) + Int32(5) + Int32(1) + "1" +
                         Int32(4) + Int32(7));
  EXPECT_EQ(IndexText(ReadRecordTypeIndexCache("s", dir.Path("f.of1"), 10)), "1:7;");
}

TEST_F(RecordTypeIndex, WritingReplacesTheCacheOnlyWhenComplete) {
  ExpectError<EInOutError>(
      [&] {
        WriteRecordTypeIndexCache("s", IndexOf({{"1", {1}}}), dir.Path("missing/f.of1"));
      },
      "I/O error 2");
  // A folder in the cache's place: the rename fails, the temporary file goes, the folder stays.
  std::filesystem::create_directories(dir.Path("g.of1/inside"));
  EXPECT_THROW(WriteRecordTypeIndexCache("s", IndexOf({{"1", {1}}}), dir.Path("g.of1")), EInOutError);
  EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"g.of1"});
}

TEST_F(RecordTypeIndex, StampIsLocalTimeRoundedDownToEvenSeconds) {
  const std::string path = dir.Write("f.daf", "x");
  SetLocalMTime(path, 2026, 1, 15, 9, 30, 7);
  EXPECT_EQ(FileStampText(path), "20260115093006");
  SetLocalMTime(path, 1999, 12, 31, 23, 59, 58);
  EXPECT_EQ(FileStampText(path), "19991231235958");
  EXPECT_EQ(FileStampText(dir.Path("missing.daf")), "");
  EXPECT_EQ(FileStampText(dir.Path("")), "");
}

class RecordTypeIndexOpening : public RecordTypeIndex {
 protected:
  void SetUp() override {
    path = dir.Write("f.daf", BuildSample200());
    SetLocalMTime(path, 2026, 1, 15, 9, 30, 0);
    progress.OnStep = [&](int32_t, int32_t) { ++passes; };
    ::setenv("XDG_CACHE_HOME", userCache.Path("").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("XDG_CACHE_HOME"); }
  // Lets an ordinary user reach the test's files; folder then gets mode.
  void OpenFolders(mode_t folderMode) {
    for (const TTempDir* d : {&dir, &userCache}) ::chmod(d->Path("").c_str(), 0777);
    ::chmod(path.c_str(), 0644);
    ::chmod(dir.Path("").c_str(), folderMode);
  }
  TTempDir userCache;
  std::string path;
  std::string cache = RecordTypeIndexCacheName(dir.Path("f.daf"));
  TIndexProgress progress;
  int passes = 0;
};

TEST_F(RecordTypeIndexOpening, FirstOpeningWritesTheCacheAndTheNextReadsIt) {
  const std::string built = IndexText(OpenRecordTypeIndex(path, progress, true));
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(ReadAll(cache).substr(0, 18), Int32(14) + "20260115093000");
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true)), built);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(FilesIn(dir.Path("")), (std::vector<std::string>{"f.daf", "f.of1"}));
}

TEST_F(RecordTypeIndexOpening, TouchingTheFileRebuildsAndRewritesTheCache) {
  OpenRecordTypeIndex(path, progress, true);
  SetLocalMTime(path, 2026, 1, 15, 9, 31, 0);
  OpenRecordTypeIndex(path, progress, true);
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(ReadAll(cache).substr(4, 14), "20260115093100");
}

TEST_F(RecordTypeIndexOpening, MatchingStampIsTrustedAndStaleOrTornCachesAreRebuilt) {
  const std::string built = IndexText(BuildRecordTypeIndex(path));
  WriteRecordTypeIndexCache(FileStampText(path), BuildRecordTypeIndex(path), cache);
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true)), built);
  EXPECT_EQ(passes, 0);
  const std::string beyondEnd[] = {
      Int32(14) + "20260115093000" + Int32(1) + Int32(1) + "3" + Int32(4) +
          Int32(static_cast<int32_t>(BuildSample200().size())),
      Int32(14) + "20260115093000" + Int32(1) + Int32(1) + "3" + Int32(8) + Int32(100), Int32(0) + Int32(0)};
  for (const std::string& bytes : beyondEnd) {
    dir.Write("f.of1", bytes);
    SetLocalMTime(path, 2026, 1, 15, 9, 30, 0);
    const std::string index = IndexText(OpenRecordTypeIndex(path, progress, true));
    EXPECT_EQ(index.substr(0, 2), "1:");
    EXPECT_EQ(ReadAll(cache).substr(0, 18), Int32(14) + "20260115093000");
  }
  EXPECT_EQ(passes, 3);
}

TEST_F(RecordTypeIndexOpening, WithoutCacheNothingIsReadOrWritten) {
  WriteRecordTypeIndexCache(FileStampText(path), IndexOf({{"3", {100}}}), cache);
  const std::string before = ReadAll(cache);
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, false)).substr(0, 2), "1:");
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(ReadAll(cache), before);
}

// A cache with the right stamp that lists records under another type, or places that hold no record, was
// trusted and showed blank rows: its first and last record of each type must be of that type.
TEST_F(RecordTypeIndexOpening, ACacheThatDoesNotFitTheFileIsRebuilt) {
  const Ref<IInterfaceMap> built = BuildRecordTypeIndex(path);
  const int32_t fare = RecordTypeOffsets(built, 1)->GetItem(0);
  const int32_t rule = RecordTypeOffsets(built, 2)->GetItem(0);
  const Ref<IInterfaceMap> misfits[] = {IndexOf({{"1", {rule}}}), IndexOf({{"1", {fare, rule}}}),
                                        IndexOf({{"2", {fare}}}), IndexOf({{"3", {100}}}),
                                        IndexOf({{"0", {fare}}}), IndexOf({{"x", {fare}}})};
  for (const Ref<IInterfaceMap>& misfit : misfits) {
    WriteRecordTypeIndexCache(FileStampText(path), misfit, cache);
    passes = 0;
    EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true)), IndexText(built));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(IndexText(ReadRecordTypeIndexCache(FileStampText(path), cache, 1 << 20)), IndexText(built));
  }
}

// The cache is optional: one that cannot be read is rebuilt, and the file opens.
TEST_F(RecordTypeIndexOpening, ACacheThatCannotBeReadIsIgnored) {
  const std::string built = IndexText(BuildRecordTypeIndex(path));
  std::filesystem::create_directories(cache + "/inside");
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true)), built);
  std::filesystem::remove_all(cache);
  ASSERT_EQ(::mkfifo(cache.c_str(), 0666), 0);  // opening a FIFO without a writer would block for good
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true)), built);
  std::filesystem::remove(cache);
  WriteRecordTypeIndexCache(FileStampText(path), BuildRecordTypeIndex(path), cache);
  ::chmod(cache.c_str(), 0);
  OpenFolders(0777);
  EXPECT_TRUE(
      RunAsOrdinaryUser([&] { return IndexText(OpenRecordTypeIndex(path, progress, true)) == built; }));
}

// A folder the user may not write: the cache goes to the user's cache folder and is found there next time;
// when that cannot be written either, the index lives in memory.
TEST_F(RecordTypeIndexOpening, AnUnwritableFolderKeepsTheCacheInTheUsersCacheFolder) {
  const std::string built = IndexText(BuildRecordTypeIndex(path));
  const std::string userCacheFile = UserCacheFileName(path);
  EXPECT_EQ(userCacheFile.rfind(userCache.Path("kwviewer/f-"), 0), 0u) << userCacheFile;
  OpenFolders(0555);
  EXPECT_TRUE(RunAsOrdinaryUser([&] {
    const bool first = IndexText(OpenRecordTypeIndex(path, progress, true)) == built && passes == 1;
    const bool second = IndexText(OpenRecordTypeIndex(path, progress, true)) == built && passes == 1;
    return first && second && !FileExists(cache) && FileExists(userCacheFile);
  }));
  std::filesystem::remove_all(userCache.Path("kwviewer"));
  ::chmod(userCache.Path("").c_str(), 0555);
  EXPECT_TRUE(RunAsOrdinaryUser([&] {
    return IndexText(OpenRecordTypeIndex(path, progress, true)) == built && passes == 1 &&
           !FileExists(cache) && !FileExists(userCacheFile);
  }));
  ::chmod(dir.Path("").c_str(), 0700);
}

TEST_F(RecordTypeIndexOpening, UserCacheFilesAreKeyedByTheFullPath) {
  TTempDir other;
  const std::string twin = other.Write("f.daf", "x");
  EXPECT_NE(UserCacheFileName(path), UserCacheFileName(twin));
  EXPECT_EQ(UserCacheFileName(path), UserCacheFileName(dir.Path("./f.daf")));
}

// A writer killed while writing leaves its temporary file; the next writer removes it once its process is
// gone, and leaves those of living processes alone.
TEST_F(RecordTypeIndexOpening, TemporaryFilesOfEndedWritersAreRemoved) {
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string abandoned = dir.Write("f.of1.tmp-" + std::to_string(ended) + "-3", "torn");
  const std::string living = dir.Write("f.of1.tmp-" + std::to_string(::getppid()) + "-0", "busy");
  const std::string unrelated = dir.Write("g.of1.tmp-" + std::to_string(ended) + "-0", "other file's");
  OpenRecordTypeIndex(path, progress, true);
  EXPECT_FALSE(FileExists(abandoned));
  EXPECT_TRUE(FileExists(living));
  EXPECT_TRUE(FileExists(unrelated));
}

TEST_F(RecordTypeIndex, NegativeRecordCountIsRefused) {
  std::string bytes = BuildSample200();
  const size_t at = bytes.find("PC-ASCII") + 8;
  bytes.replace(at, 9, "-00000001");
  const std::string path = dir.Write("n.daf", bytes);
  ExpectError<EStadafException>([&] { BuildRecordTypeIndex(path); }, "Recordcount is -1");
}

// Opening one record type reads only that type's offsets from the cache.
TEST_F(RecordTypeIndexOpening, OneRecordTypeReadsOnlyItsOffsets) {
  const Ref<IInterfaceMap> built = OpenRecordTypeIndex(path, progress, true);
  const Ref<IInterfaceMap> rules = OpenRecordTypeIndex(path, progress, true, 2);
  EXPECT_EQ(passes, 1);
  const Ref<IInterfaceMap> expected = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
  expected->SetItem("2", RecordTypeOffsets(built, 2));
  EXPECT_EQ(IndexText(rules), IndexText(expected));
  EXPECT_EQ(rules->GetCount(), 1);
  EXPECT_EQ(IndexText(OpenRecordTypeIndex(path, progress, true, 3)), "");  // described, no records
}

}  // namespace
