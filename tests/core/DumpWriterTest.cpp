#include "core/DumpWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Html(const std::vector<std::string>& values) {
  std::ostringstream out;
  {
    TDumpWriter writer(out, TDumpFormat::dfHtml);
    writer.WriteRecord(1, values);
  }
  return out.str();
}

TEST(DumpWriterTest, HtmlCellsEscapeMarkupAndBreakLinesOnceDecodingWindows1252) {
  struct Case {
    const char* value;
    const char* cell;
  };
  const Case cases[] = {
      {"", ""},
      {"plain text  ", "plain text  "},
      {"a & b < c > d \"e\" 'f'", "a &amp; b &lt; c &gt; d &quot;e&quot; 'f'"},
      {"one\r\ntwo\nthree\rfour", "one<br>two<br>three<br>four"},
      {"\r\r\n", "<br><br>"},
      {"tab\there", "tab\there"},
      {"bell\x07 esc\x1b", "bell&#7; esc&#27;"},
      {"Z\xFCrich \x80 \x81", "Z\u00fcrich \u20ac \u0081"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Html({c.value}), std::string("<tr><td>") + c.cell + "</td></tr>\n") << c.value;
}

TEST(DumpWriterTest, HtmlDocumentAroundTheTableAndByteOrderMarkBeforeCsv) {
  std::ostringstream html;
  {
    TDumpWriter writer(html, TDumpFormat::dfHtml);
    writer.WriteHeader({{"A<B", false, 3}, {"M", true, 0}}, 0, "None", 1);
    writer.WriteRecord(1, {"x", "y"});
    writer.WriteFooter();
  }
  EXPECT_EQ(
      html.str(),
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n<table>\n"
      "<tr><th>A&lt;B</th><th>M</th></tr>\n<tr><td>x</td><td>y</td></tr>\n</table>\n</body>\n</html>\n");

  std::ostringstream csv;
  {
    TDumpWriter writer(csv, TDumpFormat::dfCsv);
    writer.WriteByteOrderMark();
    writer.WriteHeader({{"A", false, 1}}, 0, "None", 0);
    writer.WriteFooter();
  }
  EXPECT_EQ(csv.str(),
            "\xEF\xBB\xBF"
            "A\r\n");
}

}  // namespace
