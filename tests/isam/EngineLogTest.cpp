#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "isam/EngineEnvironment.h"
#include "tests/TestSupport.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class EngineLog : public ::testing::Test {
 protected:
  void SetUp() override { SetEngineEnvironment(dir_.Path("") + "/", "HOST1", dir_.Path("ctreelog.txt")); }
  void TearDown() override {
    ClearEngineEnvironment();
    SetLogTimeFunction(nullptr);
  }
  TTempDir dir_;
};

TEST_F(EngineLog, WritesOneLineWithTimeComputerAndSender) {
  SetLogTimeFunction([] { return std::string("12/10/2026 15:04:05"); });
  WriteEngineLog("first");
  WriteEngineLog("second");
  const std::string sender = ExecutablePath();
  EXPECT_EQ(ReadAll(dir_.Path("ctreelog.txt")), "12/10/2026 15:04:05 Computer HOST1 Sender " + sender +
                                                    ": first\r\n12/10/2026 15:04:05 Computer HOST1 Sender " +
                                                    sender + ": second\r\n");
  SetLogTimeFunction(nullptr);
  WriteEngineLog("default time");
  const std::string all = ReadAll(dir_.Path("ctreelog.txt"));
  const std::string last = all.substr(all.rfind("\r\n", all.size() - 3) + 2);
  EXPECT_TRUE(std::regex_match(
      last, std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Computer HOST1 Sender .*: default time\r\n)")))
      << last;
}

TEST_F(EngineLog, EmptiesALogOverFiftyMillionBytesFirst) {
  struct Case {
    long long size;
    bool emptied;
  };
  for (const Case c : {Case{50000000, false}, Case{50000001, true}, Case{0, false}}) {
    const std::string path = dir_.Path("ctreelog.txt");
    { std::ofstream(path, std::ios::binary | std::ios::trunc); }
    ASSERT_EQ(::truncate(path.c_str(), c.size), 0);
    SetLogTimeFunction([] { return std::string("T"); });
    WriteEngineLog("x");
    const std::string line = "T Computer HOST1 Sender " + ExecutablePath() + ": x\r\n";
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>((c.emptied ? 0 : c.size) + static_cast<long long>(line.size())))
        << c.size;
  }
}

TEST_F(EngineLog, WritesNothingWithoutALogPathAndNeverFails) {
  ClearEngineEnvironment();
  WriteEngineLog("lost");
  SetEngineEnvironment("", "", dir_.Path("no/such/folder/ctreelog.txt"));
  WriteEngineLog("lost too");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("ctreelog.txt")));
}

// The log goes beside the program when it can; else to the user's state folder. Run as an unprivileged
// user, so that a folder of root's is really not writable.
TEST_F(EngineLog, GoesToTheStateFolderWhenTheProgramFolderIsNotWritable) {
  const std::string program = dir_.Path("program") + "/";
  const std::string state = dir_.Path("state");
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(state);
  ::chmod(dir_.Path("").c_str(), 0755);
  ::chmod(program.c_str(), 0755);
  ::chmod(state.c_str(), 0777);
  EXPECT_EQ(ChooseEngineLogPath(program, "kwviewer", state, "/home/x"), program + "ctreelog.txt");

  const pid_t child = ::fork();
  if (child == 0) {
    if (::getuid() == 0 && ::setuid(65534) != 0) ::_exit(10);
    if (::access(program.c_str(), W_OK) == 0) ::_exit(11);
    const std::string chosen = ChooseEngineLogPath(program, "kwviewer", state, "/nonexistent");
    if (chosen != state + "/kwviewer/ctreelog.txt") ::_exit(12);
    SetEngineEnvironment(program, "H", chosen);
    WriteEngineLog("kept");
    if (ReadAll(chosen).find(": kept\r\n") == std::string::npos) ::_exit(13);
    // Without a state folder of its own, the home's ~/.local/state.
    if (ChooseEngineLogPath(program, "kwviewer", "", state + "/home") !=
        state + "/home/.local/state/kwviewer/ctreelog.txt")
      ::_exit(14);
    if (!std::filesystem::is_directory(state + "/home/.local/state/kwviewer")) ::_exit(15);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
