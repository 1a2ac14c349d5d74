#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Startup.h"
#include "layout/DravikField.h"
#include "support/Exception.h"
#include "support/TextTable.h"

namespace {

TEST(Startup, RunsTheStepsInOrderAndFinalizesInReverse) {
  ASSERT_FALSE(StartupDone());
  EXPECT_THROW(GetTextTable(), Exception);
  RunStartup();
  EXPECT_TRUE(StartupDone());
  const std::vector<std::string> started = {"init FieldDescriptions", "init StringMapping",
                                            "init InstalledVersions", "init ShortDateFormat", "init Stadaf"};
  EXPECT_EQ(StartupLog(), started);
  // The steps did their work.
  EXPECT_EQ(FieldPaddingBlanks(), std::string(255, ' '));
  EXPECT_NO_THROW(GetTextTable());
  EXPECT_EQ(ShortDateFormat(), "M/D/YYYY");

  RunStartup();  // a second run changes nothing
  EXPECT_EQ(StartupLog(), started);
  EXPECT_EQ(ShortDateFormat(), "M/D/YYYY");

  RunFinalization();
  EXPECT_FALSE(StartupDone());
  std::vector<std::string> all = started;
  for (const char* step : {"final Stadaf", "final ShortDateFormat", "final InstalledVersions",
                           "final StringMapping", "final FieldDescriptions"})
    all.push_back(step);
  EXPECT_EQ(StartupLog(), all);
  EXPECT_EQ(ShortDateFormat(), "m/d/yy");
  EXPECT_EQ(FieldPaddingBlanks(), "");
  EXPECT_THROW(GetTextTable(), Exception);

  RunFinalization();  // nothing left to finalize
  EXPECT_EQ(StartupLog(), all);
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
