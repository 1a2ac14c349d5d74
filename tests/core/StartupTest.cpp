#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include <string>
#include <vector>

#include "core/Startup.h"
#include "isam/CtreeSession.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "layout/DravikField.h"
#include "support/Exception.h"
#include "support/MessageBox.h"
#include "support/TextTable.h"

namespace {

TEST(Startup, RunsTheStepsInOrderAndFinalizesInReverse) {
  ASSERT_FALSE(StartupDone());
  EXPECT_THROW(GetTextTable(), Exception);
  // No engine library: the session step shows the failure, asks to terminate, and goes on after No.
  ::setenv(kEngineLibraryVariable, "/nonexistent/libctreew95.so", 1);
  std::vector<std::string> boxes;
  const TMessageBoxFunction previous = SetMessageBoxFunction([&](const TMessageBoxRequest& r) {
    boxes.push_back(r.Title + ": " + r.Text);
    return r.Buttons == TMessageButtons::mbYesNo ? TMessageResult::mrNo : TMessageResult::mrOk;
  });
  RunStartup();
  SetMessageBoxFunction(previous);
  EXPECT_TRUE(StartupDone());
  const std::vector<std::string> started = {"init FieldDescriptions", "init StringMapping",
                                            "init CtreeSession",      "init InstalledVersions",
                                            "init ShortDateFormat",   "init Stadaf"};
  EXPECT_EQ(StartupLog(), started);
  // The steps did their work.
  EXPECT_EQ(FieldPaddingBlanks(), std::string(255, ' '));
  EXPECT_NO_THROW(GetTextTable());
  EXPECT_EQ(ShortDateFormat(), "M/D/YYYY");
  EXPECT_EQ(boxes,
            (std::vector<std::string>{"Error: CTree initialization: LoadLibrary has failed.",
                                      "Warning: CTree initialization has failed - terminate application ?"}));
  EXPECT_FALSE(TerminateAfterStartup());
  ASSERT_NE(GetSession(), nullptr);
  EXPECT_TRUE(GetSession()->NoWindow());  // no application window given
  const std::string log = EngineLogPath();
  ASSERT_FALSE(log.empty());
  {
    std::ifstream in(log, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const std::string line = "CTree initialization has failed - terminate application ?: Ignored.\r\n";
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), line.size())), line);
    // The line starts with the date in the short date format in force at this step (the four-digit
    // year comes with a later step), then the long time.
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(^\d{1,2}/\d{1,2}/\d\d \d\d:\d\d:\d\d Computer )")))
        << text;
  }
  std::remove(log.c_str());
  ::unsetenv(kEngineLibraryVariable);

  RunStartup();  // a second run changes nothing
  EXPECT_EQ(StartupLog(), started);
  EXPECT_EQ(ShortDateFormat(), "M/D/YYYY");

  RunFinalization();
  EXPECT_FALSE(StartupDone());
  std::vector<std::string> all = started;
  for (const char* step : {"final Stadaf", "final ShortDateFormat", "final InstalledVersions",
                           "final CtreeSession", "final StringMapping", "final FieldDescriptions"})
    all.push_back(step);
  EXPECT_EQ(StartupLog(), all);
  EXPECT_EQ(ShortDateFormat(), "m/d/yy");
  EXPECT_EQ(FieldPaddingBlanks(), "");
  EXPECT_THROW(GetTextTable(), Exception);
  EXPECT_EQ(GetSession(), nullptr);
  EXPECT_EQ(EngineLogPath(), "");

  RunFinalization();  // nothing left to finalize
  EXPECT_EQ(StartupLog(), all);
}

TEST(Startup, YesToTheEngineQuestionAsksTheProgramToEndAfterStartingUp) {
  ::setenv(kEngineLibraryVariable, "/nonexistent/libctreew95.so", 1);
  const TMessageBoxFunction previous = SetMessageBoxFunction([](const TMessageBoxRequest& r) {
    return r.Buttons == TMessageButtons::mbYesNo ? TMessageResult::mrYes : TMessageResult::mrOk;
  });
  RunStartup();
  SetMessageBoxFunction(previous);
  ::unsetenv(kEngineLibraryVariable);
  EXPECT_TRUE(StartupDone());  // the remaining steps ran
  EXPECT_EQ(StartupLog().back(), "init Stadaf");
  EXPECT_TRUE(TerminateAfterStartup());
  RunFinalization();
  EXPECT_FALSE(TerminateAfterStartup());
}

TEST(Startup, ForcesAFourDigitYearIntoTheShortDateFormat) {
  struct Case {
    const char* format;
    char separator;
    const char* expected;
  };
  const Case cases[] = {
      {"m/d/yy", '/', "M/D/YYYY"},        // the start value
      {"d.m.y", '.', "D.M.YYYY"},         // one "Y": three more at the first
      {"yyy-mm-dd", '-', "YYYY-MM-DD"},   // three: one more
      {"dd.MM.yyyy", '.', "DD.MM.YYYY"},  // four: unchanged but upper-cased
      {"yyyyy/mm", '/', "YYYYY/MM"},      // five: unchanged
      {"dd/mm", '/', "DD/MM/YYYY"},       // none: separator and year appended
      {"", '-', "-YYYY"},                 // none at all
      {"y/m/d/y", '/', "YYY/M/D/Y"},      // "Y"s are counted over the whole format
      {"mmm d, yy", ' ', "MMM D, YYYY"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FourDigitYearDateFormat(c.format, c.separator), c.expected) << c.format;
}

TEST(Startup, CompilesInTheProgramVersion) {
  EXPECT_STREQ(ProgramVersion(), KW_EXPECTED_VERSION);
}

}  // namespace
