#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/tools/ProgramRun.h"

extern char** environ;

namespace {

using programrun::Quote;
using programrun::TResult;

class KwisamTest : public ::testing::Test {
 protected:
  TResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    return programrun::Run(KWISAM_PATH, args, dir.Path(""), input);
  }
  std::string Table(const std::string& name = "people") const { return dir.Path(name); }
  void CreatePeople() {
    const TResult r =
        Run({"create", Table(), "--field", "id:integer", "--field", "name:string:20", "--field", "born:date",
             "--field", "note:memo", "--index", "byId:id:unique", "--index", "byName:name;id"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // CSV rows "id,name" for ids from first to last.
  static std::string Rows(int first, int last, const std::string& prefix = "n") {
    std::string csv = "id,name\n";
    for (int id = first; id <= last; ++id)
      csv += std::to_string(id) + "," + prefix + std::to_string(id) + "\n";
    return csv;
  }
  TTempDir dir;
};

TEST_F(KwisamTest, CreateImportExportFindUpdateAndSchema) {
  CreatePeople();
  TResult r = Run({"import", Table()},
                  "id,name,born,note\r\n1,Zo\xC3\xAB,3/4/1999,\"hello, "
                  "\"\"world\"\"\nline2\"\r\n2,Bob,,x\r\n3,Amy,12/31/2000,\r\n");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run({"export", Table(), "--index", "byName"});
  EXPECT_EQ(r.out,
            "id,name,born,note\r\n3,Amy,12/31/2000,\r\n2,Bob,,x\r\n1,Zo\xC3\xAB,3/4/1999,\"hello, "
            "\"\"world\"\"\nline2\"\r\n");
  r = Run({"export", Table(), "--format", "jsonl"});
  EXPECT_EQ(r.out,
            "{\"id\":\"1\",\"name\":\"Zo\xC3\xAB\",\"born\":\"3/4/1999\",\"note\":\"hello, "
            "\\\"world\\\"\\nline2\"}\n"
            "{\"id\":\"2\",\"name\":\"Bob\",\"born\":\"\",\"note\":\"x\"}\n"
            "{\"id\":\"3\",\"name\":\"Amy\",\"born\":\"12/31/2000\",\"note\":\"\"}\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {{"get", Table(), "--index", "byId", "2"},
       0,
       "{\"id\":\"2\",\"name\":\"Bob\",\"born\":\"\",\"note\":\"x\"}\n"},
      {{"get", Table(), "--index", "byId", "5"}, 1, ""},
      {{"get", Table(), "--index", "byName", "Amy", "3"},
       0,
       "{\"id\":\"3\",\"name\":\"Amy\",\"born\":\"12/31/2000\",\"note\":\"\"}\n"},
      {{"nearest", Table(), "--index", "byId", "0"},
       0,
       "{\"id\":\"1\",\"name\":\"Zo\xC3\xAB\",\"born\":\"3/4/1999\",\"note\":\"hello, "
       "\\\"world\\\"\\nline2\"}\n"},
      {{"nearest", Table(), "--index", "byId", "4"}, 1, ""},
      {{"count", Table()}, 0, "3\n"},
  };
  for (const Case& c : cases) {
    r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[0] << " " << c.args.back();
  }
  r = Run({"update", Table(), "--index", "byId", "2", "--set", "name=Robert", "--set", "note=changed"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Run({"get", Table(), "--index", "byName", "Robert"}).out,
            "{\"id\":\"2\",\"name\":\"Robert\",\"born\":\"\",\"note\":\"changed\"}\n");
  EXPECT_EQ(
      Run({"schema", Table()}).out,
      "{\"fields\":[{\"name\":\"id\",\"type\":\"integer\",\"size\":4},{\"name\":\"name\",\"type\":\"string\","
      "\"size\":20},{\"name\":\"born\",\"type\":\"date\",\"size\":4},{\"name\":\"note\",\"type\":\"memo\","
      "\"size\":0}],\"indexes\":[{\"name\":\"byId\",\"fields\":[\"id\"],\"unique\":true,\"descending\":false}"
      ","
      "{\"name\":\"byName\",\"fields\":[\"name\",\"id\"],\"unique\":false,\"descending\":false}]}\n");
  r = Run({"add-index", Table(), "byBorn:born:descending"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir.Path("people.i00")));
  EXPECT_EQ(Run({"export", Table(), "--index", "byBorn"}).out.substr(0, 40),
            "id,name,born,note\r\n3,Amy,12/31/2000,\r\n1,");
  r = Run({"check", Table()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ok\n");
  r = Run({"rebuild", Table()});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(KwisamTest, ArgumentsAndErrors) {
  CreatePeople();
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string err;  // the start of standard error
  };
  const std::string usage = "Usage: kwisam";
  const Case cases[] = {
      {{}, "", 2, usage},
      {{"count"}, "", 2, usage},
      {{"frobnicate", Table()}, "", 2, "kwisam: unknown command \"frobnicate\"\n" + usage},
      {{"create", Table("t2"), "--field", "a:text"},
       "",
       2,
       "kwisam: a field is NAME:TYPE[:SIZE] with a known TYPE"},
      {{"create", Table("t2"), "--field", "a:string"}, "", 2, "kwisam: a string field needs a SIZE"},
      {{"export", Table(), "--format", "xml"}, "", 2, "kwisam: --format is csv or jsonl"},
      {{"get", Table(), "2"}, "", 2, "kwisam: --index NAME is needed"},
      {{"count", Table(), "extra"}, "", 2, "kwisam: unexpected argument extra"},
      {{"import", Table()},
       "id,nope\n1,2\n",
       1,
       Table() + ": Table: " +
           [&] {
             std::string upper = Table();
             for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
             return upper;
           }() +
           " - Invalid FieldName nope\n"},
      {{"import", Table()}, "id,name\n7,a\n7,b\n8,c\n", 1, "row 2: Key value already exists in index.\n"},
      {{"import", Table()},
       "id,name\n9,\xE4\xB8\xAD\n",
       1,
       "row 1: Windows-1252 cannot hold the character U+4E2D\n"},
      {{"import", Table()}, "id,name\nx,a\n", 1, "row 1: Invalid integer value: x\n"},
      {{"import", Table()},
       "id,name\n10,\"open\n",
       1,
       "row 1: a quoted field runs to the end of the input\n"},
      {{"get", Table(), "--index", "byId", "1", "2"},
       "",
       1,
       Table() + ": Index byId has 1 fields, 2 values given\n"},
      {{"get", Table(), "--index", "nothing", "1"}, "", 1, Table() + ": Index nothing not found\n"},
      {{"count", Table("absent")}, "", 1, dir.Path("absent.dat") + ": Unable to read table information\n"},
  };
  for (const Case& c : cases) {
    const TResult r = Run(c.args, c.input);
    const std::string what = c.args.empty() ? "(none)" : c.args[0] + " " + c.input;
    EXPECT_EQ(r.status, c.status) << what << r.err;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << what;
  }
  // The rows before a failing one stay stored.
  EXPECT_EQ(Run({"count", Table()}).out, "1\n");
  const TResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.substr(0, usage.size()), usage);
}

TEST_F(KwisamTest, TwoProcessesImportDisjointRowsIntoOneTable) {
  CreatePeople();
  dir.Write("a.csv", Rows(1, 1500));
  dir.Write("b.csv", Rows(1501, 3000));
  const std::string k = Quote(KWISAM_PATH) + " import " + Quote(Table()) + " ";
  const int status =
      programrun::Shell("(" + k + Quote(dir.Path("a.csv")) + " 2>" + Quote(dir.Path("ea")) + " & " + k +
                        Quote(dir.Path("b.csv")) + " 2>" + Quote(dir.Path("eb")) + " & wait %1 && wait %2)");
  EXPECT_EQ(status, 0) << programrun::ReadAll(dir.Path("ea")) << programrun::ReadAll(dir.Path("eb"));
  EXPECT_EQ(Run({"count", Table()}).out, "3000\n");
  EXPECT_EQ(Run({"check", Table()}).out, "ok\n");
  std::string expected = "id,name,born,note\r\n";
  for (int id = 1; id <= 3000; ++id) expected += std::to_string(id) + ",n" + std::to_string(id) + ",,\r\n";
  EXPECT_EQ(Run({"export", Table(), "--index", "byId"}).out, expected);
}

// Two processes update the same records, one the name, the other the note. Whatever the edit mode, no
// update that reported success is lost, and a refused one says so.
TEST_F(KwisamTest, TwoProcessesUpdateTheSameRecords) {
  for (const bool optimistic : {false, true}) {
    std::filesystem::remove_all(dir.Path("t"));
    std::filesystem::create_directory(dir.Path("t"));
    const std::string table = dir.Path("t/people");
    ASSERT_EQ(Run({"create", table, "--field", "id:integer", "--field", "name:string:20", "--field",
                   "note:string:20", "--index", "byId:id:unique"})
                  .status,
              0);
    constexpr int kRecords = 40;
    std::string csv = "id,name,note\n";
    for (int id = 1; id <= kRecords; ++id) csv += std::to_string(id) + ",-,-\n";
    ASSERT_EQ(Run({"import", table}, csv).status, 0);
    auto script = [&](const std::string& field, const std::string& value, const std::string& log) {
      std::string loop = "for id in $(seq 1 " + std::to_string(kRecords) + "); do " + Quote(KWISAM_PATH) +
                         " update " + Quote(table) + " --index byId $id --set " + field + "=" + value +
                         (optimistic ? " --optimistic" : "") + " 2>>" + Quote(log) + " || echo $id >>" +
                         Quote(log + ".refused") + "; done";
      return "(" + loop + ")";
    };
    const std::string logA = dir.Path("t/a"), logB = dir.Path("t/b");
    programrun::Shell(script("name", "A", logA) + " & " + script("note", "B", logB) + " & wait");
    auto refused = [](const std::string& path) {
      std::set<int> ids;
      std::ifstream in(path);
      for (int id; in >> id;) ids.insert(id);
      return ids;
    };
    const std::set<int> refusedA = refused(logA + ".refused"), refusedB = refused(logB + ".refused");
    const std::string errors = programrun::ReadAll(logA) + programrun::ReadAll(logB);
    // Each refused update says why on a line of its own: the lock, or the record changed since it was read.
    EXPECT_EQ(static_cast<size_t>(std::count(errors.begin(), errors.end(), '\n')),
              refusedA.size() + refusedB.size())
        << errors;
    std::cerr << (optimistic ? "optimistic" : "pessimistic") << ": " << refusedA.size() + refusedB.size()
              << " updates refused\n";
    const std::string rows = Run({"export", table, "--index", "byId"}).out;
    for (int id = 1; id <= kRecords; ++id) {
      const std::string expected = std::to_string(id) + "," + (refusedA.count(id) ? "-" : "A") + "," +
                                   (refusedB.count(id) ? "-" : "B") + "\r\n";
      EXPECT_NE(rows.find("\r\n" + expected), std::string::npos)
          << "optimistic " << optimistic << ": " << expected;
    }
    EXPECT_EQ(Run({"check", table}).out, "ok\n");
  }
}

TEST_F(KwisamTest, KilledImportLeavesEveryReportedRow) {
  CreatePeople();
  dir.Write("rows.csv", Rows(1, 200000));
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string table = Table(), rows = dir.Path("rows.csv");
  const char* argv[] = {KWISAM_PATH, "import", table.c_str(), rows.c_str(), "--progress", nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, KWISAM_PATH, &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  FILE* progress = ::fdopen(out[0], "r");
  int reported = 0;
  for (int row; reported < 700 && std::fscanf(progress, "%d", &row) == 1;) reported = row;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  std::fclose(progress);
  ASSERT_GE(reported, 700);
  EXPECT_EQ(Run({"check", Table()}).out, "ok\n");
  const int count = std::stoi(Run({"count", Table()}).out);
  EXPECT_GE(count, reported);
  EXPECT_EQ(Run({"get", Table(), "--index", "byId", std::to_string(reported)}).status, 0);
  // The stored rows are the first ones, without gaps.
  EXPECT_EQ(Run({"nearest", Table(), "--index", "byId", std::to_string(count + 1)}).status, 1);
  EXPECT_EQ(Run({"get", Table(), "--index", "byId", std::to_string(count)}).status, 0);
}

// kwdump shows a table as the viewer's data window does: in the order of its first index, or another, and
// queried and sorted in that order.
TEST_F(KwisamTest, KwdumpShowsTables) {
  CreatePeople();
  ASSERT_EQ(Run({"import", Table()}, "id,name,note\n2,Bob,b\n1,Cy,\"two\nlines\"\n3,Al,\n").status, 0);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const std::string file = dir.Path("people.dat");
  const Case cases[] = {
      {{"--format", "csv", file}, 0, "id,name,born,note\r\n1,Cy,,\"two\nlines\"\r\n2,Bob,,b\r\n3,Al,,\r\n"},
      {{"--format", "csv", "--index", "byName", "--first", "2", file},
       0,
       "id,name,born,note\r\n2,Bob,,b\r\n1,Cy,,\"two\nlines\"\r\n"},
      {{"--format", "tsv", "--index", "", "--limit", "1", file}, 0, "id\tname\tborn\tnote\n2\tBob\t\tb\n"},
      {{"--format", "csv", "--index", "byName", "--where", "id>=2", file},
       0,
       "id,name,born,note\r\n3,Al,,\r\n2,Bob,,b\r\n"},
      {{"--format", "csv", "--index", "", "--sort", "name:desc", "--where", "note=*", file},
       0,
       "id,name,born,note\r\n1,Cy,,\"two\nlines\"\r\n2,Bob,,b\r\n3,Al,,\r\n"},
      {{"--index", "nothing", file}, 1, ""},
      {{"--index", "byId", dir.Path("people.idx")}, 2, ""},
  };
  for (const Case& c : cases) {
    const TResult r = programrun::Run(KWDUMP_PATH, c.args, dir.Path(""));
    EXPECT_EQ(r.status, c.status) << c.args[1] << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[1];
  }
  dir.Write("junk.dat", "no table");
  const TResult junk = programrun::Run(KWDUMP_PATH, {dir.Path("junk.dat")}, dir.Path(""));
  EXPECT_EQ(junk.status, 1);
  EXPECT_EQ(junk.err, dir.Path("junk.dat") + ": Unable to read table information\n");
}

// Another user may read a table in a folder only its owner can write, and is told why writing fails.
TEST_F(KwisamTest, TablesOfAnotherUserReadButNotWritten) {
  CreatePeople();
  ASSERT_EQ(Run({"import", Table()}, Rows(1, 3)).status, 0);
  std::filesystem::permissions(dir.Path(""),
                               std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                   std::filesystem::perms::others_exec);
  EXPECT_TRUE(RunAsOrdinaryUser([&] {
    const std::string k = Quote(KWISAM_PATH) + " ";
    const bool reads =
        programrun::Shell(k + "get " + Quote(Table()) + " --index byId 2 >/dev/null 2>&1") == 0 &&
        programrun::Shell(k + "count " + Quote(Table()) + " >/dev/null 2>&1") == 0;
    const std::string err = "/tmp/kw_kwisam_err_" + std::to_string(::getpid());
    const int status =
        programrun::Shell("printf 'id,name\\n9,x\\n' | " + k + "import " + Quote(Table()) + " 2>" + err);
    const std::string message = programrun::ReadAll(err);
    std::remove(err.c_str());
    return reads && status == 1 &&
           message == dir.Path("people.dat") + ": The table cannot be written: Permission denied\n";
  }));
}

TEST_F(KwisamTest, DeletedIndexFileIsRebuiltWhenTheTableOpens) {
  CreatePeople();
  ASSERT_EQ(Run({"import", Table()}, Rows(1, 50)).status, 0);
  std::filesystem::remove(dir.Path("people.idx"));
  const TResult r = Run({"get", Table(), "--index", "byName", "n42", "42"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Run({"check", Table()}).out, "ok\n");
  EXPECT_EQ(Run({"count", Table()}).out, "50\n");
}

}  // namespace
