#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>

#include "tests/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using namespace enginetest;

struct TReport {
  char kind;  // 'A' added, 'W' rewritten
  int32_t id;
  int32_t value;
};

// The child: adds records and rewrites existing ones (raising their value) as fast as it can, and
// reports each write that returned 0 through the pipe.
[[noreturn]] void Writer(const std::string& file, int out, unsigned seed) {
  const int16_t t = OpenTable(file);
  if (t < 0) ::_exit(3);
  std::mt19937 random(seed);
  TRecord r;
  int32_t next = Call(fnLastRecord, t + 1, r.bytes) == 0 ? r.Id() + 1 : 1;
  for (;;) {
    TReport report{};
    if (next == 1 || random() % 3 == 0) {
      if (Call(fnAddRecord, t, TRecord(next, 0, "v0").bytes) != 0) ::_exit(4);
      report = {'A', next++, 0};
    } else {
      char key[4];
      const int32_t id = 1 + static_cast<int32_t>(random() % static_cast<unsigned>(next - 1));
      std::memcpy(key, &id, 4);
      Call(fnTransformKey, t + 1, key);
      if (Call(fnGetRecord, t + 1, key, nullptr, r.bytes) != 0) ::_exit(5);
      const TRecord changed(id, r.Group() + 1, "v" + std::to_string(r.Group() + 1));
      if (Call(fnReWriteRecord, t, const_cast<char*>(changed.bytes)) != 0) ::_exit(6);
      report = {'W', id, r.Group() + 1};
    }
    if (::write(out, &report, sizeof report) != sizeof report) ::_exit(7);
  }
}

TEST(EngineCrash, KilledWritersLeaveConsistentFilesWithEveryReportedRecord) {
  TEngineApi::Get();
  TTempDir dir;
  TTableSpec spec = StandardTable(dir.Path("CRASH"));
  ASSERT_EQ(Call(fnCreateIFile, -1, spec.Block()), 0);
  Call(fnCloseRFile, spec.Ifil().TableFileNumber);

  std::map<int32_t, int32_t> written;  // id -> lowest value it may have
  std::mt19937 random(12345);
  const auto start = std::chrono::steady_clock::now();
  int kills = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(12) && kills < 60) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      Writer(spec.DataFile(), fds[1], static_cast<unsigned>(kills));
    }
    ::close(fds[1]);
    ::usleep(20000 + random() % 150000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer stopped by itself with " << WEXITSTATUS(status);
    ++kills;
    TReport report;
    while (::read(fds[0], &report, sizeof report) == sizeof report) {
      if (report.kind == 'A') written.emplace(report.id, 0);
      if (report.kind == 'W') written[report.id] = std::max(written[report.id], report.value);
    }
    ::close(fds[0]);

    const int16_t t = OpenTable(spec.DataFile());
    ASSERT_GE(t, 0) << "after kill " << kills;
    ASSERT_EQ(Check(spec.DataFile()), "ok") << "after kill " << kills;
    for (auto [id, value] : written) {
      char key[4];
      std::memcpy(key, &id, 4);
      Call(fnTransformKey, t + 1, key);
      TRecord r;
      ASSERT_EQ(Call(fnGetRecord, t + 1, key, nullptr, r.bytes), 0) << "record " << id << " lost";
      ASSERT_GE(r.Group(), value) << "rewrite of " << id << " lost";
      ASSERT_EQ(r.Name(), "v" + std::to_string(r.Group()));
    }
    Call(fnCloseRFile, t);
  }
  EXPECT_GE(kills, 10);
  EXPECT_GT(written.size(), 10u);
}

}  // namespace
