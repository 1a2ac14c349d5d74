#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "isam/CtreeSession.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "support/MessageBox.h"
#include "tests/TestSupport.h"

namespace {

std::string FakeEngine(const std::string& variant) {
  return std::string(KW_FAKE_ENGINE_DIR) + "/libkw_fake_engine_" + variant + ".so";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The messages of the log's lines, without the time, computer and sender in front.
std::vector<std::string> LogMessages(const std::string& path) {
  std::vector<std::string> messages;
  std::istringstream in(ReadAll(path));
  std::string line;
  const std::string head = " Computer TESTHOST Sender " + ExecutablePath() + ": ";
  while (std::getline(in, line)) {
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    const size_t at = line.find(head);
    EXPECT_NE(at, std::string::npos) << line;
    if (at != std::string::npos) messages.push_back(line.substr(at + head.size()));
  }
  return messages;
}

struct TBox {
  std::string title;
  std::string text;
  TMessageButtons buttons;
};

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEngineEnvironment(dir_.Path("") + "/", "TESTHOST", dir_.Path("ctreelog.txt"));
    previous_ = SetMessageBoxFunction([this](const TMessageBoxRequest& r) {
      boxes_.push_back({r.Title, r.Text, r.Buttons});
      return r.Buttons == TMessageButtons::mbYesNo ? answer_ : TMessageResult::mrOk;
    });
    SetTerminationRequested(false);
  }
  void TearDown() override {
    SetMessageBoxFunction(previous_);
    ::unsetenv(kEngineLibraryVariable);
    ::unsetenv("KW_FAKE_TRACE");
    ClearEngineEnvironment();
    SetTerminationRequested(false);
  }
  std::unique_ptr<TCtreeSession> Start(const std::string& library, bool noWindow = false) {
    ::setenv(kEngineLibraryVariable, library.c_str(), 1);
    return std::make_unique<TCtreeSession>("/opt/kw/kwviewer: 0000ABCD", noWindow);
  }

  TTempDir dir_;
  TMessageBoxFunction previous_;
  std::vector<TBox> boxes_;
  TMessageResult answer_ = TMessageResult::mrNo;
};

const TBox kLoadFailed{"Error", "CTree initialization: LoadLibrary has failed.", TMessageButtons::mbOK};
const TBox kTerminate{"Warning", "CTree initialization has failed - terminate application ?",
                      TMessageButtons::mbYesNo};
const char* const kIgnored = "CTree initialization has failed - terminate application ?: Ignored.";

TEST_F(Session, StartFailuresShowTheirMessageThenAskToTerminate) {
  struct Case {
    const char* library;
    std::vector<TBox> boxes;
    std::vector<std::string> log;
  };
  const std::string initText =
      "CTree initialization: InitISAM has failed\r\nError: 11\r\nBad InitCTree parameter(s): either bufs < "
      "3, idxs "
      "<0, sect <1, or dats < 0.";
  const Case cases[] = {
      {"missing", {kLoadFailed, kTerminate}, {kIgnored}},
      {"no_getctree", {kLoadFailed, kTerminate}, {kIgnored}},
      {"init11",
       {{"Error", initText, TMessageButtons::mbOK}, kTerminate},
       {"CTree initialization: InitISAM has failed", kIgnored}},
      {"zero_instance",
       {{"Error", "CTree initialization: No registered name.", TMessageButtons::mbOK}, kTerminate},
       {"CTree initialization: No registered name.", kIgnored}},
      {"null_record",
       {{"Error", "CTree initialization: GetCTreePointer has failed", TMessageButtons::mbOK}, kTerminate},
       {"CTree initialization: GetCTreePointer has failed.", kIgnored}},
      {"no_status",
       {{"Error", "CTree initialization: No instance pointer.", TMessageButtons::mbOK}, kTerminate},
       {"CTree initialization: No instance pointer.", kIgnored}},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    std::remove(dir_.Path("ctreelog.txt").c_str());
    auto session =
        Start(std::string(c.library) == "missing" ? dir_.Path("nothing.so") : FakeEngine(c.library));
    EXPECT_TRUE(session->Failed()) << c.library;
    ASSERT_EQ(boxes_.size(), c.boxes.size()) << c.library;
    for (size_t i = 0; i < boxes_.size(); ++i) {
      EXPECT_EQ(boxes_[i].title, c.boxes[i].title) << c.library;
      EXPECT_EQ(boxes_[i].text, c.boxes[i].text) << c.library;
      EXPECT_EQ(boxes_[i].buttons, c.boxes[i].buttons) << c.library;
    }
    EXPECT_EQ(LogMessages(dir_.Path("ctreelog.txt")), c.log) << c.library;
    EXPECT_FALSE(TerminationRequested());
    // InitISAM failing still leaves an instance whose status block the session keeps.
    EXPECT_EQ(session->GetEngineStatusText(),
              std::string(c.library) == "init11" ? "uerr_cod=12, sysiocod=2, isam_error=-7" : "<")
        << c.library;
  }
}

TEST_F(Session, YesToTheQuestionAsksTheProgramToEndAndLogsNothing) {
  answer_ = TMessageResult::mrYes;
  auto session = Start(dir_.Path("nothing.so"));
  EXPECT_TRUE(TerminationRequested());
  EXPECT_EQ(ReadAll(dir_.Path("ctreelog.txt")), "");
}

TEST_F(Session, BindsAWorkingEngine) {
  ::setenv("KW_FAKE_TRACE", dir_.Path("trace").c_str(), 1);
  auto session = Start(FakeEngine("full"));
  EXPECT_FALSE(session->Failed());
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(session->EngineLevel(), 6800);
  EXPECT_EQ(session->Instance(), 7);
  EXPECT_EQ(session->GetEngineStatusText(), "uerr_cod=12, sysiocod=2, isam_error=-7");
  EXPECT_EQ(session->InstanceName(), "/opt/kw/kwviewer: 0000ABCD");
  EXPECT_EQ(CallCtree(338, 0, nullptr, nullptr, nullptr, nullptr, 0), 0);
  session.reset();  // shuts the engine down: CloseISAM, then the entry points are gone
  EXPECT_EQ(ReadAll(dir_.Path("trace")), "ctree 338\nctree 8457\n");
  EXPECT_EQ(CallCtree(338, 0, nullptr, nullptr, nullptr, nullptr, 0), -1);
  EXPECT_EQ(EngineEntryPoints().InitIsam, nullptr);
}

TEST_F(Session, EngineLevelFollowsTstfilnumAndNoWindowSkipsCloseIsam) {
  ::setenv("KW_FAKE_TRACE", dir_.Path("trace").c_str(), 1);
  auto session = Start(FakeEngine("no_tstfilnum"), true);
  EXPECT_FALSE(session->Failed());
  EXPECT_EQ(session->EngineLevel(), 6600);
  EXPECT_TRUE(session->NoWindow());
  session.reset();
  EXPECT_EQ(ReadAll(dir_.Path("trace")), "");
}

TEST_F(Session, StartsOurEngineLibrary) {
  auto session = Start(KW_ENGINE_PATH);
  EXPECT_FALSE(session->Failed());
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(session->EngineLevel(), 6800);
  EXPECT_EQ(session->GetEngineStatusText(), "uerr_cod=0, sysiocod=0, isam_error=0");
  // A failing call shows in the status block.
  EXPECT_EQ(CallCtree(2348, 900, nullptr, nullptr, nullptr, nullptr, 0), 26);
  EXPECT_EQ(session->GetEngineStatusText().substr(0, 24), "uerr_cod=26, sysiocod=0,");
  EXPECT_NE(EngineEntryPoints().DeleteRFile, nullptr);
  EXPECT_NE(EngineEntryPoints().RangeEntry, nullptr);
  EXPECT_NE(EngineEntryPoints().IntegrityCheck, nullptr);
}

TEST_F(Session, RaisesEngineErrorsWithCodeAndFunctionName) {
  auto session = Start(FakeEngine("full"));
  ExpectError<ECTreeException>([&] { session->RaiseEngineError(101, 338); }, "Error 101, Function GetRecord");
  ExpectError<ECTreeException>([&] { session->RaiseEngineError(-1, 8542); },
                               "Error -1, Function <unexpected function number>");
}

class TTrackedTable : public TRegisteredTable {
 public:
  TTrackedTable(TCtreeSession& s, std::vector<int>& gone, int id) : session_(s), gone_(gone), id_(id) {
    session_.RegisterTable(this);
  }
  ~TTrackedTable() override {
    gone_.push_back(id_);
    session_.UnregisterTable(this);
  }

 private:
  TCtreeSession& session_;
  std::vector<int>& gone_;
  int id_;
};

TEST_F(Session, DestroysTheTablesStillRegistered) {
  std::vector<int> gone;
  auto session = Start(FakeEngine("full"));
  auto* a = new TTrackedTable(*session, gone, 1);
  new TTrackedTable(*session, gone, 2);
  new TTrackedTable(*session, gone, 3);
  EXPECT_EQ(session->Tables().Count(), 3);
  delete a;
  EXPECT_EQ(session->Tables().Count(), 2);
  session.reset();
  EXPECT_EQ(gone.size(), 3u);
  EXPECT_EQ(session, nullptr);
}

TEST_F(Session, FindsNoDatabaseAndKeepsTheNullPatterns) {
  auto session = Start(FakeEngine("full"));
  EXPECT_EQ(session->FindDatabase("anything"), nullptr);
  EXPECT_EQ(session->Files, 1024);
  EXPECT_EQ(session->IndexBuffers, 100);
  EXPECT_EQ(session->NodeSectors, 32);
  EXPECT_EQ(session->IntegerNull, INT32_MIN);
  EXPECT_EQ(session->SmallIntNull, INT16_MIN);
  EXPECT_EQ(session->BooleanNull, 0xFF);
  EXPECT_EQ(session->CharNull, 0);
  EXPECT_EQ(session->StringNull, "");
}

TEST_F(Session, ProcessWideSessionFollowsStartAndEnd) {
  ::setenv(kEngineLibraryVariable, FakeEngine("full").c_str(), 1);
  EXPECT_EQ(GetSession(), nullptr);
  InitializeCtreeSession(0x1234ABu);
  ASSERT_NE(GetSession(), nullptr);
  EXPECT_EQ(GetSession()->InstanceName(), ExecutablePath() + ": 001234AB");
  EXPECT_FALSE(GetSession()->NoWindow());
  EXPECT_EQ(ProgramFolder().back(), '/');
  EXPECT_FALSE(EngineLogPath().empty());
  FinalizeCtreeSession();
  EXPECT_EQ(GetSession(), nullptr);
  EXPECT_EQ(EngineLogPath(), "");
  EXPECT_EQ(ProgramFolder(), "");
  InitializeCtreeSession(0);
  EXPECT_TRUE(GetSession()->NoWindow());
  FinalizeCtreeSession();
}

}  // namespace
