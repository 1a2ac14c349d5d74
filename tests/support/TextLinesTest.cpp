#include "support/TextLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

struct ParseCase {
  std::string text;
  Items items;
};

TEST(CommaText, Parse) {
  const ParseCase cases[] = {
      {"", {}},
      {"a b,\"c d\"", {"a", "b", "c d"}},
      {"  a ,  b  ", {"a", "b"}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},
      {",a", {"", "a"}},
      {"a,,b", {"a", "", "b"}},
      {"\"\"", {""}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"open", {"open"}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"a\tb\r\nc", {"a", "b", "c"}},
      {"n=v,m=\"w\"", {"n=v", "m=\"w\""}},
      {std::string("a,b\0c,d", 7), {"a", "b"}},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(ParseCommaText(c.text), c.items) << c.text;
}

struct FormatCase {
  Items items;
  std::string text;
};

TEST(CommaText, Format) {
  const FormatCase cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", "b", "c d"}, "a,b,\"c d\""},
      {{"", "a"}, ",a"},
      {{"a,b"}, "\"a,b\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{std::string("x\0y", 3)}, std::string("\"x\0y\"", 5)},
      {{"tab\there"}, "\"tab\there\""},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(FormatCommaText(c.items), c.text) << c.text;
}

TEST(CommaText, FormattedItemsReadBackUnchanged) {
  const Items items = {"", "a b", "\"", ",", "x=1", "", "last"};
  EXPECT_EQ(ParseCommaText(FormatCommaText(items)), items);
}

TEST(TextLines, SplitAtEveryKindOfLineEnd) {
  EXPECT_EQ(SplitTextLines(""), Items{});
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Items{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\r\n"), Items{"a"});
  EXPECT_EQ(SplitTextLines("\r\n\r\n"), (Items{"", ""}));
  EXPECT_EQ(SplitTextLines("a\n\rb"), (Items{"a", "", "b"}));
  EXPECT_EQ(JoinTextLines({"a", ""}), "a\r\n\r\n");
}

TEST(TextLines, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(TrimText(" \t\x01 a b \r"), "a b");
  EXPECT_EQ(TrimText("   "), "");
}

}  // namespace
