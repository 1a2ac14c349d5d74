#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using namespace enginetest;

class Engine : public ::testing::Test {
 protected:
  void SetUp() override { TEngineApi::Get(); }
  void TearDown() override {
    for (int16_t file : open_) Call(fnCloseRFile, file);
  }
  // Creates the standard table, adds records with the given (id, group) pairs, returns its number.
  int16_t Create(TTableSpec& spec) {
    EXPECT_EQ(Call(fnCreateIFile, -1, spec.Block()), 0);
    open_.push_back(spec.Ifil().TableFileNumber);
    return spec.Ifil().TableFileNumber;
  }
  int16_t Open(const std::string& file, uint16_t mode = 0xC1) {
    int16_t rc = 0;
    const int16_t number = OpenTable(file, mode, &rc);
    EXPECT_EQ(rc, 0) << file;
    if (number >= 0) open_.push_back(number);
    return number;
  }
  void Forget(int16_t number) { open_.erase(std::remove(open_.begin(), open_.end(), number), open_.end()); }
  static int16_t Add(int16_t file, const TRecord& r) {
    return Call(fnAddRecord, file, const_cast<char*>(r.bytes));
  }
  // Ids in the order a move sequence gives them: first with `first`, then `step` until it fails.
  static std::vector<int32_t> Walk(int16_t file, uint16_t first, uint16_t step) {
    std::vector<int32_t> ids;
    TRecord r;
    for (int16_t rc = Call(first, file, r.bytes); rc == 0; rc = Call(step, file, r.bytes))
      ids.push_back(r.Id());
    return ids;
  }
  static int32_t Position(int16_t file) {
    int32_t position = 0;
    EXPECT_EQ(Call(fnCurrentFileOffset, file, nullptr, &position), 0);
    return position;
  }

  TTempDir dir_;
  std::vector<int16_t> open_;
};

TEST_F(Engine, AddsAndReadsInPhysicalAndIndexOrder) {
  TTableSpec spec = StandardTable(dir_.Path("T"));
  const int16_t t = Create(spec);
  const std::vector<std::pair<int, int>> rows = {{5, 2}, {-3, 1}, {9, 2}, {0, 1}, {-100, 3}, {7, 1}};
  for (auto [id, group] : rows) ASSERT_EQ(Add(t, TRecord(id, group)), 0);

  EXPECT_EQ(Walk(t, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{5, -3, 9, 0, -100, 7}));
  EXPECT_EQ(Walk(t, fnLastRecord, fnPreviousRecord), (std::vector<int32_t>{7, -100, 0, 9, -3, 5}));
  EXPECT_EQ(Walk(t + 1, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{-100, -3, 0, 5, 7, 9}));
  EXPECT_EQ(Walk(t + 1, fnLastRecord, fnPreviousRecord), (std::vector<int32_t>{9, 7, 5, 0, -3, -100}));
  // Equal group keys come in position order.
  EXPECT_EQ(Walk(t + 2, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{-3, 0, 7, 5, 9, -100}));
  EXPECT_EQ(Walk(t + 2, fnLastRecord, fnPreviousRecord), (std::vector<int32_t>{-100, 9, 5, 7, 0, -3}));

  int32_t n = 0;
  EXPECT_EQ(Call(fnNbrOfRecords, t, nullptr, &n), 0);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(Call(fnNbrOfKeyEntries, t + 2, nullptr, &n), 0);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, EmptyTablesAndEndsAnswer100And101) {
  TTableSpec spec = StandardTable(dir_.Path("E"));
  const int16_t t = Create(spec);
  TRecord r;
  for (int16_t file : {t, int16_t(t + 1)}) {
    EXPECT_EQ(Call(fnFirstRecord, file, r.bytes), 101);
    EXPECT_EQ(Call(fnLastRecord, file, r.bytes), 101);
  }
  int32_t position = 0;
  EXPECT_EQ(Call(fnCurrentFileOffset, t, nullptr, &position), 160);
  EXPECT_EQ(Call(fnNextRecord, t + 1, r.bytes), 100);
  ASSERT_EQ(Add(t, TRecord(1, 1)), 0);
  EXPECT_EQ(Call(fnFirstRecord, t + 1, r.bytes), 0);
  EXPECT_EQ(Call(fnNextRecord, t + 1, r.bytes), 101);
  EXPECT_EQ(Call(fnPreviousRecord, t + 1, r.bytes), 101);
}

TEST_F(Engine, DuplicateKeyInAUniqueIndexWritesNothing) {
  TTableSpec spec = StandardTable(dir_.Path("D"));
  const int16_t t = Create(spec);
  ASSERT_EQ(Add(t, TRecord(1, 10, "first")), 0);
  ASSERT_EQ(Add(t, TRecord(2, 10, "second")), 0);
  EXPECT_EQ(Add(t, TRecord(1, 20, "again")), 2);
  int32_t n = 0;
  Call(fnNbrOfRecords, t, nullptr, &n);
  EXPECT_EQ(n, 2);
  Call(fnNbrOfKeyEntries, t + 2, nullptr, &n);
  EXPECT_EQ(n, 2);
  // A rewrite onto another record's key is refused the same way and leaves the record as it was.
  TRecord r;
  ASSERT_EQ(Call(fnFirstRecord, t + 1, r.bytes), 0);
  EXPECT_EQ(Call(fnNextRecord, t + 1, r.bytes), 0);
  TRecord changed(1, 30, "clash");
  EXPECT_EQ(Call(fnReWriteRecord, t, changed.bytes), 2);
  EXPECT_EQ(Call(fnReReadRecord, t, r.bytes), 0);
  EXPECT_EQ(r.Name(), "second");
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, RewriteMovesTheRecordsKeys) {
  TTableSpec spec = StandardTable(dir_.Path("R"));
  const int16_t t = Create(spec);
  for (int id : {1, 2, 3}) ASSERT_EQ(Add(t, TRecord(id, id)), 0);
  TRecord r;
  ASSERT_EQ(Call(fnFirstRecord, t + 1, r.bytes), 0);
  const int32_t position = Position(t);
  TRecord moved(10, 0, "moved");
  ASSERT_EQ(Call(fnReWriteRecord, t, moved.bytes), 0);
  EXPECT_EQ(Position(t), position);  // a record keeps its position
  EXPECT_EQ(Walk(t + 1, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{2, 3, 10}));
  EXPECT_EQ(Walk(t + 2, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{10, 2, 3}));
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, SearchesByKey) {
  TTableSpec spec = StandardTable(dir_.Path("S"));
  const int16_t t = Create(spec);
  for (int id : {10, 20, 30}) ASSERT_EQ(Add(t, TRecord(id, id / 10 % 2)), 0);
  struct Case {
    uint16_t fn;
    int32_t key;
    int16_t rc;
    int32_t found;
  };
  const Case cases[] = {
      {fnGetRecord, 20, 0, 20},    {fnGetRecord, 21, 101, 0},   {fnGetGTERecord, 20, 0, 20},
      {fnGetGTERecord, 11, 0, 20}, {fnGetGTERecord, -5, 0, 10}, {fnGetGTERecord, 31, 101, 0},
      {fnGetGTRecord, 20, 0, 30},  {fnGetGTRecord, 30, 101, 0}, {fnGetGTRecord, INT32_MIN, 0, 10},
  };
  for (const Case& c : cases) {
    char key[4];
    std::memcpy(key, &c.key, 4);
    ASSERT_EQ(Call(fnTransformKey, t + 1, key), 0);
    TRecord r;
    EXPECT_EQ(Call(c.fn, t + 1, key, nullptr, r.bytes), c.rc) << c.fn << " " << c.key;
    if (c.rc == 0) {
      EXPECT_EQ(r.Id(), c.found) << c.fn << " " << c.key;
    }
  }
  // On a duplicates index a zero position suffix finds the first record of the key.
  char key[8] = {};
  const int32_t group = 1;
  std::memcpy(key, &group, 4);
  ASSERT_EQ(Call(fnTransformKey, t + 2, key), 0);
  TRecord r;
  ASSERT_EQ(Call(fnGetGTERecord, t + 2, key, nullptr, r.bytes), 0);
  EXPECT_EQ(r.Id(), 10);
  ASSERT_EQ(Call(fnNextRecord, t + 2, r.bytes), 0);
  EXPECT_EQ(r.Id(), 30);
  char current[8];
  int32_t length = sizeof current;
  ASSERT_EQ(Call(fnCurrentISAMKey, t + 2, current, &length), 0);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(std::memcmp(current, key, 4), 0);
}

TEST_F(Engine, PositionsRoundTripThroughSetRecord) {
  TTableSpec spec = StandardTable(dir_.Path("P"));
  const int16_t t = Create(spec);
  std::map<int32_t, int32_t> positions;
  for (int id : {4, 8, 15, 16}) {
    ASSERT_EQ(Add(t, TRecord(id, 0)), 0);
    positions[id] = Position(t);
    EXPECT_NE(positions[id], 0);
  }
  EXPECT_EQ(positions.size(), 4u);
  for (auto [id, position] : positions) {
    TRecord r;
    int32_t p = position;
    ASSERT_EQ(Call(fnSetRecord, t, r.bytes, &p), 0);
    EXPECT_EQ(r.Id(), id);
    EXPECT_EQ(Position(t + 1), position);
    // Index order continues from the record made current.
    if (id == 8) {
      ASSERT_EQ(Call(fnNextRecord, t + 1, r.bytes), 0);
      EXPECT_EQ(r.Id(), 15);
      ASSERT_EQ(Call(fnSetRecord, t, r.bytes, &p), 0);
    }
  }
  int32_t p = positions[15];
  TRecord r;
  ASSERT_EQ(Call(fnSetRecord, t, r.bytes, &p), 0);
  ASSERT_EQ(Call(fnDeleteRecord, t), 0);
  EXPECT_EQ(Call(fnSetRecord, t, r.bytes, &p), 160);
  p = 0;
  EXPECT_EQ(Call(fnSetRecord, t, r.bytes, &p), 160);
  EXPECT_EQ(Walk(t + 1, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{4, 8, 16}));
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

// Index order of every segment kind, ascending, descending and through an alternate sequence.
TEST_F(Engine, OrdersKeysByTheirValues) {
  struct Case {
    const char* what;
    TKeySegment segment;
    std::vector<std::string> values;  // raw field bytes, in the expected order
    std::vector<int16_t> alternate;
  };
  const auto i32 = [](int32_t v) { return std::string(reinterpret_cast<char*>(&v), 4); };
  const auto i16 = [](int16_t v) { return std::string(reinterpret_cast<char*>(&v), 2); };
  const auto f64 = [](double v) { return std::string(reinterpret_cast<char*>(&v), 8); };
  std::vector<int16_t> caseless(256);
  for (int i = 0; i < 256; ++i) caseless[i] = static_cast<int16_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
  const Case cases[] = {
      {"integer",
       {40, 4, smSigned},
       {i32(INT32_MIN), i32(-1), i32(0), i32(1), i32(65536), i32(INT32_MAX)},
       {}},
      {"small integer", {40, 2, smSigned}, {i16(-32768), i16(-2), i16(0), i16(300)}, {}},
      {"date", {40, 4, smDate}, {i32(-700), i32(0), i32(45000)}, {}},
      {"counter", {40, 4, smCounter}, {i32(-5), i32(3), i32(1 << 20)}, {}},
      {"float",
       {40, 8, smFloat},
       {f64(-1e300), f64(-2.5), f64(-0.25), f64(0), f64(1e-9), f64(3.75), f64(1e300)},
       {}},
      {"string", {40, 4, smString}, {std::string("AB\0\0", 4), "ABC", "ab", "z", "\xE9"}, {}},
      {"boolean", {40, 1, smUnsigned}, {std::string(1, '\0'), "\x01"}, {}},
      {"descending integer", {40, 4, smSigned | smDescendingFlag}, {i32(7), i32(0), i32(-7)}, {}},
      {"descending string", {40, 2, smString | smDescendingFlag}, {"b", "aa", "a"}, {}},
      {"alternate sequence", {40, 2, smString | smAlternateFlag}, {"aa", "AB", "ac", "BA"}, caseless},
  };
  int n = 0;
  for (const Case& c : cases) {
    TTableSpec spec(dir_.Path("O" + std::to_string(n++)), {{"k", {c.segment}, false, c.alternate}});
    const int16_t t = Create(spec);
    // Added in reverse, so that physical order is not the expected one.
    for (size_t i = c.values.size(); i-- > 0;) {
      TRecord r(static_cast<int32_t>(i), 0);
      std::memcpy(r.bytes + 40, c.values[i].data(), c.values[i].size());
      ASSERT_EQ(Add(t, r), 0) << c.what << " " << i;
    }
    std::vector<int32_t> expected(c.values.size());
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<int32_t>(i);
    EXPECT_EQ(Walk(t + 1, fnFirstRecord, fnNextRecord), expected) << c.what;
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Walk(t + 1, fnLastRecord, fnPreviousRecord), expected) << c.what;
  }
}

TEST_F(Engine, KeepsTheDefinitionsInTheDataFile) {
  TTableSpec spec = StandardTable(dir_.Path("Defs"));
  const int16_t t = Create(spec);
  int32_t size = 0;
  EXPECT_EQ(Call(fnGetDODA, t, nullptr, &size), 408);
  std::string names[] = {"Internal delete flag", "Id", "Group"};
  TDodaField fields[3] = {};
  const uint16_t types[] = {144, 51, 51};
  const uint16_t lengths[] = {2, 4, 4};
  for (int i = 0; i < 3; ++i) fields[i] = {names[i].data(), nullptr, types[i], lengths[i], {}};
  ASSERT_EQ(Call(fnPutDoda, t, fields, nullptr, nullptr, 3), 0);
  Call(fnCloseRFile, t);
  Forget(t);

  const int16_t again = Open(spec.DataFile());
  ASSERT_GE(again, 0);
  ASSERT_EQ(Call(fnGetDODA, again, nullptr, &size), 0);
  std::vector<TDodaField> doda(static_cast<size_t>(size) / sizeof(TDodaField) + 1);
  int32_t small = 8;
  EXPECT_EQ(Call(fnGetDODA, again, doda.data(), &small), 153);
  ASSERT_EQ(Call(fnGetDODA, again, doda.data(), &size), 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(doda[i].Name, names[i].c_str());
    EXPECT_EQ(doda[i].Type, types[i]);
    EXPECT_EQ(doda[i].Length, lengths[i]);
  }
  EXPECT_EQ(doda[3].Name, nullptr);

  ASSERT_EQ(Call(fnGetIFile, again, nullptr, &size), 0);
  std::vector<TIfil> block(static_cast<size_t>(size) / sizeof(TIfil) + 1);
  ASSERT_EQ(Call(fnGetIFile, again, block.data(), &size), 0);
  const TIfil& ifil = block[0];
  EXPECT_EQ(ifil.RecordLength, kRecordLength);
  EXPECT_EQ(std::string(ifil.Name) + ".dat", spec.DataFile());
  ASSERT_EQ(ifil.IndexCount, 2);
  EXPECT_STREQ(ifil.Indexes[0].IndexName, "id");
  EXPECT_EQ(ifil.Indexes[0].Duplicates, 0);
  EXPECT_EQ(ifil.Indexes[1].Duplicates, 1);
  EXPECT_EQ(ifil.Indexes[1].KeyLength, 8);
  EXPECT_EQ(ifil.Indexes[1].Segments[0].Offset, kGroupOffset);
  EXPECT_EQ(ifil.Indexes[1].Segments[0].Mode, smSigned);
}

TEST_F(Engine, RebuildsADeletedIndexFile) {
  TTableSpec spec = StandardTable(dir_.Path("Rb"));
  const int16_t t = Create(spec);
  for (int id : {3, 1, 2}) ASSERT_EQ(Add(t, TRecord(id, 7)), 0);
  Call(fnCloseRFile, t);
  Forget(t);
  ASSERT_EQ(::unlink(dir_.Path("Rb.idx").c_str()), 0);
  int16_t rc = 0;
  EXPECT_EQ(OpenTable(spec.DataFile(), 0xC1, &rc), -1);
  EXPECT_EQ(rc, 12);
  ASSERT_EQ(Call(8542, -1, spec.Block()), 0);
  const int16_t again = Open(spec.DataFile());
  ASSERT_GE(again, 0);
  EXPECT_EQ(Walk(again + 1, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, BuildsAnAddedIndexFileFromTheRecords) {
  TTableSpec spec = StandardTable(dir_.Path("Add"));
  const int16_t t = Create(spec);
  for (auto [id, name] : std::vector<std::pair<int, const char*>>{{1, "pear"}, {2, "apple"}, {3, "fig"}})
    ASSERT_EQ(Add(t, TRecord(id, 0, name)), 0);
  TTableSpec added(dir_.Path("add.i00"), {{"name", {{kNameOffset, 20, smString}}}});
  added.Ifil().DataFileNumber = t;
  ASSERT_EQ(Call(fnPermIIndex, -1, added.Block()), 0);
  Call(fnCloseRFile, t);
  Forget(t);
  EXPECT_TRUE(std::filesystem::exists(dir_.Path("add.i00")));
  const int16_t again = Open(spec.DataFile());
  ASSERT_GE(again, 0);
  EXPECT_EQ(Walk(again + 3, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{2, 3, 1}));
  ASSERT_EQ(Add(again, TRecord(4, 0, "banana")), 0);
  EXPECT_EQ(Walk(again + 3, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{2, 4, 3, 1}));
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, DeleteRFileRemovesEveryFileOfTheTable) {
  TTableSpec spec = StandardTable(dir_.Path("Gone"));
  const int16_t t = Create(spec);
  ASSERT_EQ(Add(t, TRecord(1, 1)), 0);
  ASSERT_TRUE(std::filesystem::exists(dir_.Path("Gone.idx")));
  EXPECT_EQ(TEngineApi::Get().deleteRFile(t), 0);
  Forget(t);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path("")));
  EXPECT_NE(TEngineApi::Get().deleteRFile(t), 0);
}

TEST_F(Engine, ExclusiveAndReadOnlyModes) {
  TTableSpec spec = StandardTable(dir_.Path("M"));
  const int16_t t = Create(spec);
  ASSERT_EQ(Add(t, TRecord(1, 1)), 0);
  Call(fnCloseRFile, t);
  Forget(t);

  const int16_t exclusive = Open(spec.DataFile(), 0xC0);
  ASSERT_GE(exclusive, 0);
  int16_t rc = 0;
  EXPECT_EQ(OpenTable(spec.DataFile(), 0xC1, &rc), -1);
  EXPECT_EQ(rc, 12);
  Call(fnCloseRFile, exclusive);
  Forget(exclusive);

  const int16_t shared = Open(spec.DataFile(), 0xC1);
  EXPECT_EQ(OpenTable(spec.DataFile(), 0xC0, &rc), -1);  // nor exclusive while shared
  EXPECT_EQ(rc, 12);
  Call(fnCloseRFile, shared);
  Forget(shared);

  const auto bytesOf = [&] {
    std::string all;
    for (const char* name : {"M.dat", "M.idx"}) {
      std::ifstream in(dir_.Path(name), std::ios::binary);
      all += std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  };
  const std::string before = bytesOf();
  const int16_t reader = Open(spec.DataFile(), 0xC8);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Add(reader, TRecord(2, 2)), 48);
  TRecord r;
  ASSERT_EQ(Call(fnFirstRecord, reader + 1, r.bytes), 0);
  EXPECT_EQ(Call(fnReWriteRecord, reader, r.bytes), 48);
  EXPECT_EQ(Call(fnDeleteRecord, reader), 48);
  EXPECT_EQ(bytesOf(), before);
}

// Runs body in a child process; returns its exit status.
template <class F>
int InChild(F body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(Engine, RecordLocksExcludeOtherProcessesAndHandlesAndDieWithTheirOwner) {
  TTableSpec spec = StandardTable(dir_.Path("L"));
  const int16_t t = Create(spec);
  ASSERT_EQ(Add(t, TRecord(1, 1)), 0);
  int32_t position = Position(t);
  ASSERT_EQ(Call(fnLockCtData, t, nullptr, &position, nullptr, 2), 0);

  // Another handle in this process, and another process, are refused at once with lock value 2.
  const int16_t other = Open(spec.DataFile());
  EXPECT_EQ(Call(fnLockCtData, other, nullptr, &position, nullptr, 2), 42);
  EXPECT_EQ(InChild([&] {
              int32_t p = position;
              const int16_t f = OpenTable(spec.DataFile());
              return f < 0 ? 1 : Call(fnLockCtData, f, nullptr, &p, nullptr, 2) == 42 ? 0 : 2;
            }),
            0);
  // Other records stay free.
  int32_t elsewhere = position + 1;
  EXPECT_EQ(Call(fnLockCtData, other, nullptr, &elsewhere, nullptr, 2), 0);
  EXPECT_EQ(Call(fnLockCtData, other, nullptr, &elsewhere, nullptr, 0), 0);

  // A waiting lock (3) gets the record once the holder frees it.
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t waiter = ::fork();
  if (waiter == 0) {
    int32_t p = position;
    const int16_t f = OpenTable(spec.DataFile());
    const int16_t rc = f < 0 ? -1 : Call(fnLockCtData, f, nullptr, &p, nullptr, 3);
    const char answer = rc == 0 ? 'y' : 'n';
    (void)!::write(pipeFds[1], &answer, 1);
    ::pause();  // holds the lock until killed
    ::_exit(0);
  }
  ::usleep(100000);
  EXPECT_EQ(Call(fnLockCtData, t, nullptr, &position, nullptr, 0), 0);
  char answer = 0;
  ASSERT_EQ(::read(pipeFds[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  EXPECT_EQ(Call(fnLockCtData, t, nullptr, &position, nullptr, 2), 42);
  // The lock of a process that dies goes with it.
  ::kill(waiter, SIGKILL);
  ::waitpid(waiter, nullptr, 0);
  EXPECT_EQ(Call(fnLockCtData, t, nullptr, &position, nullptr, 2), 0);
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

TEST_F(Engine, SharedOpenersSeeEachOthersWrites) {
  TTableSpec spec = StandardTable(dir_.Path("Sh"));
  const int16_t t = Create(spec);
  for (int id = 1; id <= 50; ++id) ASSERT_EQ(Add(t, TRecord(id * 2, 0)), 0);
  TRecord r;
  // Read ahead in index order, then another process inserts between.
  ASSERT_EQ(Call(fnFirstRecord, t + 1, r.bytes), 0);
  ASSERT_EQ(Call(fnNextRecord, t + 1, r.bytes), 0);
  ASSERT_EQ(Call(fnNextRecord, t + 1, r.bytes), 0);
  EXPECT_EQ(r.Id(), 6);
  EXPECT_EQ(InChild([&] {
              const int16_t f = OpenTable(spec.DataFile());
              return f < 0 ? 1 : Add(f, TRecord(7, 0)) == 0 ? 0 : 2;
            }),
            0);
  ASSERT_EQ(Call(fnNextRecord, t + 1, r.bytes), 0);
  EXPECT_EQ(r.Id(), 7);
  EXPECT_EQ(Check(spec.DataFile()), "ok");
}

TEST_F(Engine, RefusesBadCallsWithCodes) {
  TTableSpec spec = StandardTable(dir_.Path("Bad"));
  EXPECT_EQ(Call(fnFirstRecord, 1000), 26);
  EXPECT_EQ(Call(fnFirstRecord, -1), 22);
  EXPECT_EQ(Call(fnFirstRecord, 5000), 22);
  EXPECT_EQ(TEngineApi::Get().check(dir_.Path("none.dat").c_str(), nullptr, 0), 12);
  const int16_t t = Create(spec);
  TTableSpec twice = StandardTable(dir_.Path("Bad"));
  EXPECT_EQ(Call(fnCreateIFile, -1, twice.Block()), 17);
  // A key length that does not match the segments.
  TIndexSpec wrong{"w", {{0, 4, smSigned}}};
  TTableSpec bad(dir_.Path("Bad2"), {wrong});
  bad.Ifil().Indexes[0].KeyLength = 6;
  EXPECT_EQ(Call(fnCreateIFile, -1, bad.Block()), 115);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("Bad2.dat")));
  // A file that is no table of ours does not open.
  const std::string junk = dir_.Write("junk.dat", std::string(4096, 'x'));
  int16_t rc = 0;
  EXPECT_EQ(OpenTable(junk, 0xC1, &rc), -1);
  EXPECT_EQ(rc, 12);
  EXPECT_EQ(Call(4242, t), 170);
}

}  // namespace
