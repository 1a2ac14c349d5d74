#include "core/DumpWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/Windows1252.h"

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

// The formats byte by byte, as plainly as they are defined: the reference for the writer's faster paths.
std::string ReferenceField(TDumpFormat format, std::string_view bytes) {
  std::string out;
  bool quoted = false;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      out += Windows1252ToUtf8(std::string_view(&c, 1));
    } else if (format == TDumpFormat::dfCsv) {
      quoted |= c == ',' || c == '"' || c == '\r' || c == '\n';
      out.append(c == '"' ? 2 : 1, c);
    } else if (c == '\\' || c == '\n' || c == '\r' || c == '\t') {
      out += '\\';
      out += c == '\\' ? '\\' : c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
    } else if (format == TDumpFormat::dfJsonLines && c == '"') {
      out += "\\\"";
    } else if (format == TDumpFormat::dfJsonLines && u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  if (format == TDumpFormat::dfJsonLines) return '"' + out + '"';
  return quoted ? '"' + out + '"' : out;
}

std::string Row(TDumpFormat format, std::span<const std::string_view> values) {
  std::ostringstream out;
  {
    TDumpWriter writer(out, format);
    writer.WriteRecord(1, values);
  }
  return out.str();
}

TEST(DumpWriterTest, ValuesOfEveryLengthWithASpecialByteAnywhereAsTheByteByByteReference) {
  // Short values are looked at and copied in words of 4 and 8 bytes and long ones in blocks of 16: lengths
  // around those sizes, each byte that a format escapes, quotes, decodes or must leave alone at each place.
  // The bytes around a value are special ones, which must not count.
  const std::string_view specials(",\"\\\r\n\t\x01\x0d\x0e\x1f \x7f\x80\xfc\xff\0", 16);
  for (const TDumpFormat format : {TDumpFormat::dfCsv, TDumpFormat::dfTsv, TDumpFormat::dfJsonLines}) {
    for (size_t length = 0; length <= 34; ++length) {
      for (size_t at = 0; at <= length; ++at) {
        for (const char special : at < length ? specials : std::string_view("a")) {
          std::string value(length, 'a');
          if (at < length) value[at] = special;
          const std::string around = "\"\\\n" + value + "\"\\\n";
          const std::string_view values[] = {"x", std::string_view(around).substr(3, length), "y"};
          std::string expected;
          if (format == TDumpFormat::dfJsonLines) {
            expected = "{\"recno\":1,\"values\":[\"x\"," + ReferenceField(format, value) + ",\"y\"]}\n";
          } else {
            const char* separator = format == TDumpFormat::dfCsv ? "," : "\t";
            expected = "x" + (separator + ReferenceField(format, value)) + separator + "y" +
                       (format == TDumpFormat::dfCsv ? "\r\n" : "\n");
          }
          EXPECT_EQ(Row(format, values), expected)
              << "format " << static_cast<int>(format) << ", length " << length << ", byte "
              << static_cast<int>(static_cast<unsigned char>(special)) << " at " << at;
        }
      }
    }
  }
}

}  // namespace
