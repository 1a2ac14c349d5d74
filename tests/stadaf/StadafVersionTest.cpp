#include <gtest/gtest.h>

#include "platform/BinaryOpenMode.h"
#include "stadaf/StadafVersion.h"
#include "stadaf/Transformer.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

struct TProbeCase {
  std::string firstBytes;
  int32_t version;
};

TEST(StadafVersionProbe, ReadsTheSeventhToTenthCharactersOfTheFirstLine) {
  const TProbeCase cases[] = {
      {"STADAF2.10000000000\r", 210},
      {"XXXXXX2.10 rest", 210},
      {"STADAF2x10", 210},
      {"STADAF1.00", 100},
      {"STADAF1.10", 110},
      {"STADAF2.00\r\n", 200},
      {"STADAF2.1", -1},
      {"STADAF2.1\r0", -1},
      {"STADAF2.\n10", -1},
      {"STADAFa.10", -1},
      {"STADAF2.a0", -1},
      {"STADAF2.0b", -1},
      {"", -1},
      {"STADAF9.99", 999},
  };
  TTempDir dir;
  for (const TProbeCase& c : cases) {
    const std::string path = dir.Write("p.daf", c.firstBytes);
    EXPECT_EQ(ProbeStadafVersion(path), c.version) << c.firstBytes;
    EXPECT_EQ(CurrentStadafVersion(), c.version) << c.firstBytes;
  }
}

TEST(StadafVersionProbe, AShortLineGivesNoneAlsoAfterAnEarlierProbe) {
  TTempDir dir;
  ProbeStadafVersion(dir.Write("a.daf", "STADAF2.00"));
  ASSERT_EQ(CurrentStadafVersion(), 200);
  ProbeStadafVersion(dir.Write("b.daf", "STADAF"));
  EXPECT_EQ(CurrentStadafVersion(), -1);
}

TEST(StadafVersionProbe, LeavesBinaryFilesOpeningReadOnly) {
  TTempDir dir;
  SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadWrite);
  ProbeStadafVersion(dir.Write("a.daf", "STADAF2.00"));
  EXPECT_EQ(GetDefaultBinaryOpenMode(), TBinaryOpenMode::bomReadOnly);
  EXPECT_THROW(ProbeStadafVersion(dir.Path("missing.daf")), EInOutError);
  EXPECT_EQ(GetDefaultBinaryOpenMode(), TBinaryOpenMode::bomReadOnly);
}

TEST(StadafVersionProbe, StartUpStepForgetsTheProbedVersion) {
  TTempDir dir;
  ProbeStadafVersion(dir.Write("a.daf", "STADAF2.10"));
  InitializeStadaf();
  EXPECT_EQ(CurrentStadafVersion(), -1);
  EXPECT_EQ(DefaultStructHeader(), "0000000000000000");
  FinalizeStadaf();
  EXPECT_EQ(DefaultStructHeader(), "0000000000000000");
  InitializeStadaf();
}

struct TTransformCase {
  std::vector<std::string> rules;
  std::string text;
  std::string expected;
};

TEST(Transformer, AppliesRulesInOrderWithoutRescanningInsertedText) {
  const TTransformCase cases[] = {
      {{"A=B", "B=C"}, "A", "C"},
      {{"B=C", "A=B"}, "A", "B"},
      {{"X="}, "aXbXX", "ab"},
      {{"=Y"}, "abc", "abc"},
      {{"K=V=W"}, "aKb", "aV=Wb"},
      {{"a=ab"}, "aa", "abab"},
      {{"abc=x"}, "ABC abc", "ABC x"},
      {{"ab=c"}, "aab", "ac"},
      {{"ABC=DEF   "}, "xABC", "xDEF   "},
      {{}, "same", "same"},
  };
  for (const TTransformCase& c : cases) {
    TTransformer transformer;
    for (const auto& rule : c.rules) transformer.AddRule(rule);
    EXPECT_EQ(transformer.Transform(c.text), c.expected) << c.text;
  }
}

TEST(Transformer, KeepsRuleNameAndValueAndRefusesRulesWithoutEquals) {
  TTransformer transformer;
  transformer.AddRule("K=V=W");
  transformer.AddRule("K=V=W");
  ExpectError<ETransformerException>([&] { transformer.AddRule("no rule"); }, "Invalid transformation rule");
  EXPECT_EQ(transformer.RuleCount(), 2);
  EXPECT_EQ(transformer.Names()[1], "K");
  EXPECT_EQ(transformer.Values()[1], "V=W");
  EXPECT_EQ(transformer.Rules()[1], "K=V=W");
  transformer.ClearRules();
  EXPECT_EQ(transformer.RuleCount(), 0);
  EXPECT_TRUE(transformer.Names().empty() && transformer.Values().empty());
}

}  // namespace
