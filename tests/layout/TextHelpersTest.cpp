#include "layout/TextHelpers.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include "support/Exception.h"
#include "tests/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

TEST(RemoveBlanksTest, RemovesOnlySpaces) {
  EXPECT_EQ(RemoveBlanks(" A B , 5 "), "AB,5");
  EXPECT_EQ(RemoveBlanks("a\tb c"), "a\tbc");
  EXPECT_EQ(RemoveBlanks("   "), "");
}

TEST(SplitAtTest, Pieces) {
  const struct {
    std::string text;
    Lines pieces;
  } cases[] = {
      {"", {}},
      {",", {"", ""}},
      {"a", {"a"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {" A , 5 ,M", {" A ", " 5 ", "M"}},
  };
  for (const auto& c : cases) {
    Lines list = {"stale"};
    SplitAt(c.text, ',', list);
    EXPECT_EQ(list, c.pieces) << "'" << c.text << "'";
  }
}

TEST(PaddingTest, WidensButNeverCuts) {
  const struct {
    std::string text;
    int32_t width;
    std::string right;
    std::string zeros;
  } cases[] = {
      {"ABC", 5, "ABC  ", "00ABC"}, {"ABCDEF", 5, "ABCDEF", "ABCDEF"},
      {"7", 3, "7  ", "007"},       {"1234", 3, "1234", "1234"},
      {"", 2, "  ", "00"},          {"x", 0, "x", "x"},
      {"x", -4, "x", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PadRight(c.text, c.width), c.right) << c.text << "/" << c.width;
    EXPECT_EQ(PadLeftZeros(c.text, c.width), c.zeros) << c.text << "/" << c.width;
  }
}

TEST(RecordTypeNameTest, LowSevenBitsDecide) {
  const struct {
    int code;
    const char* name;
  } cases[] = {{0, "None"},        {1, "Fare"},     {2, "Rule"},
               {3, "Ticket"},      {4, "Routing"},  {5, "Routing-Segment"},
               {6, "Mix-Classes"}, {7, "Open-Jaw"}, {8, "AddOn_SideTrip"},
               {9, "Companion"},   {10, "unknown"}, {12, "unknown"},
               {127, "unknown"},   {128, "None"},   {130, "Rule"},
               {255, "unknown"}};
  for (const auto& c : cases) EXPECT_EQ(RecordTypeName(c.code), c.name) << c.code;
}

TEST(GetSectionLinesTest, SectionBoundsAndHeaders) {
  const Lines lines = {"[Converter]", "A=1", "", "B=2", "[Next", "C=3", "[converter]", "D=4"};
  Lines out = {"stale"};
  GetSectionLines(lines, "CONVERTER", out);
  EXPECT_EQ(out, (Lines{"A=1", "B=2"}));  // first header only, empty line skipped, stops at "[Next"

  GetSectionLines(lines, "Missing", out);
  EXPECT_TRUE(out.empty());

  // Headers are not trimmed; section lines are kept as they are.
  GetSectionLines({" [S]", "x", "[S] ", "y", "[S]", "  z ", "[T]"}, "s", out);
  EXPECT_EQ(out, (Lines{"  z "}));

  GetSectionLines({"[S]", "last"}, "S", out);
  EXPECT_EQ(out, (Lines{"last"}));
}

TEST(TextLinesTest, EveryLineBreakKind) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then a lone CR: two breaks
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"a\n\n", {"a", ""}},
      {std::string("x\0y\r", 4), {std::string("x\0y", 3)}},
  };
  TTempDir dir;
  for (const auto& c : cases) {
    EXPECT_EQ(LoadTextLines(dir.Write("t.ini", c.text)), c.lines);
  }
}

TEST(TextLinesTest, MissingFileIsAnInOutError) {
  TTempDir dir;
  EXPECT_THROW(LoadTextLines(dir.Path("none.ini")), EInOutError);
}

TEST(GetFileVersionTextTest, NoVersionResources) {
  TTempDir dir;
  const std::string file = dir.Write("kwsdcv32.dll", "MZ");
  EXPECT_EQ(GetFileVersionText(file, false), "");
  EXPECT_EQ(GetFileVersionText(file, true), "");
  EXPECT_EQ(GetFileVersionText(dir.Path("missing.dll"), true), "");
}

TEST(ChangeFileExtTest, LastExtensionOfTheFileName) {
  EXPECT_EQ(ChangeFileExt("/d/tariff.rff", ".rfm"), "/d/tariff.rfm");
  EXPECT_EQ(ChangeFileExt("/d/tariff.x.daf", ".ini"), "/d/tariff.x.ini");
  EXPECT_EQ(ChangeFileExt("/d.dir/tariff", ".ini"), "/d.dir/tariff.ini");
  EXPECT_EQ(ChangeFileExt("tariff", ".rfm"), "tariff.rfm");
  EXPECT_EQ(ChangeFileExt("tariff.", ".rfm"), "tariff.rfm");
}

// Names written for a file system that ignores letter case ("X.RFF" beside "x.ini") find their files.
TEST(CompanionFileNameTest, ExactNameFirstThenAnyLetterCase) {
  TTempDir dir;
  dir.Write("FARES.RFF", "");
  dir.Write("fares.ini", "");
  dir.Write("FARES.rfm", "");
  dir.Write("Fares.RFM", "");
  dir.Write("other.of1", "");
  EXPECT_EQ(CompanionFileName(dir.Path("FARES.RFF"), ".ini"), dir.Path("fares.ini"));
  EXPECT_EQ(CompanionFileName(dir.Path("FARES.RFF"), ".rfm"), dir.Path("FARES.rfm"));  // first in byte order
  EXPECT_EQ(CompanionFileName(dir.Path("Fares.RFF"), ".RFM"), dir.Path("Fares.RFM"));  // exact name wins
  EXPECT_EQ(CompanionFileName(dir.Path("FARES.RFF"), ".rfc"), dir.Path("FARES.rfc"));  // none: the exact name
  EXPECT_EQ(CompanionFileName(dir.Path("missing/FARES.RFF"), ".ini"), dir.Path("missing/FARES.ini"));
}

}  // namespace
