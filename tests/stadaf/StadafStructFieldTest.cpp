#include <gtest/gtest.h>

#include "layout/FileReader.h"
#include "stadaf/StadafException.h"
#include "stadaf/StadafStructField.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

std::string Header(std::string_view total, std::string_view count, std::string_view elementSize) {
  return std::string(total) + std::string(count) + std::string(elementSize);
}

TEST(StadafStructField, StartsWithTheDefaultHeaderAndNoData) {
  TStadafStructField field(nullptr);
  EXPECT_EQ(field.StructureHeader(), "0000000000000000");
  EXPECT_STREQ(field.GetValue(), "");
  EXPECT_EQ(field.Size(), 0);
  EXPECT_EQ(field.ElementCount(), 0);
  EXPECT_FALSE(field.IsMemo());
  EXPECT_EQ(field.GetDescription(), ", 0, 0");
}

TEST(StadafStructField, DescriptionSetsNameAndElementSize) {
  TStadafStructField field(nullptr);
  field.SetDescription(" Flight Ranges , 0 , 8");
  EXPECT_EQ(field.Name(), "FlightRanges");
  EXPECT_EQ(field.StructureHeader(), "0000000000000008");
  EXPECT_EQ(field.GetDescription(), "FlightRanges, 0, 8");
  field.SetDescription("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789, 0, 99999");
  EXPECT_EQ(field.Name(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(field.StructureHeader().substr(11), "99999");
}

TEST(StadafStructField, DescriptionErrorsNameTheField) {
  struct TCase {
    std::string line;
    std::string message;
  };
  const TCase cases[] = {
      {"A, 0", ": Invalid number of definition parameters for Stadaf struct"},
      {"A, 0, 0, 0", ": Invalid number of definition parameters for Stadaf struct"},
      {"A B, x, 0", "AB: Invalid struct size"},
      {"A, 1, 0", "A: Unexpected struct size"},
      {"A, 0, x", "A: Invalid element size"},
      {"A, 0, 100000", "A: Invalid element size"},
      {"A, 0, -1", "A: Invalid element size"},
  };
  for (const TCase& c : cases) {
    TStadafStructField field(nullptr);
    ExpectError<EStadafException>([&] { field.SetDescription(c.line); }, c.message);
    EXPECT_EQ(field.StructureHeader(), "0000000000000000") << c.line;
  }
  TStadafStructField named(nullptr);
  named.SetDescription("Named, 0, 4");
  ExpectError<EStadafException>([&] { named.SetDescription("Other, 0, 4, 4"); },
                                "Named: Invalid number of definition parameters for Stadaf struct");
}

TEST(StadafStructField, ValueSetsTotalSizeAndElementCount) {
  struct TCase {
    std::string elementSize;
    std::string data;
    std::string header;   // after the value was set
    std::string message;  // empty: accepted
  };
  const TCase cases[] = {
      {"8", std::string(24, 'x'), Header("000024", "00003", "00008"), ""},
      {"8", std::string(25, 'x'), Header("000025", "00000", "00008"),
       "S: TotalSize must be a multiple of ElementSize - please check the current tariff."},
      {"0", "", Header("000000", "00000", "00000"), ""},
      {"0", "0123456789", Header("000010", "00000", "00000"),
       "S: Size of element in non-empty structure must be greater 0"},
      {"3", std::string("abc\0def", 7), Header("000003", "00001", "00003"), ""},
  };
  for (const TCase& c : cases) {
    TStadafStructField field(nullptr);
    field.SetDescription("S, 0, " + c.elementSize);
    if (c.message.empty()) {
      field.SetValue(c.data.c_str());
    } else {
      ExpectError<EStadafException>([&] { field.SetValue(c.data.c_str()); }, c.message);
    }
    EXPECT_EQ(field.StructureHeader(), c.header) << c.data;
    EXPECT_EQ(field.ValueAsString(), std::string(c.data.c_str())) << "the new data stays stored";
    EXPECT_EQ(field.TotalSize(), static_cast<int32_t>(std::strlen(c.data.c_str())));
  }
}

TEST(StadafStructField, ValueOfItsOwnBufferIsCopiedFirst) {
  TStadafStructField field(nullptr);
  field.SetDescription("S, 0, 2");
  field.SetValue("abcd");
  field.SetValue(field.GetValue() + 2);
  EXPECT_EQ(field.ValueAsString(), "cd");
  EXPECT_EQ(field.ElementCount(), 1);
}

class StadafStructRead : public ::testing::Test {
 protected:
  // Reads one structure from bytes (followed by "|" as the next field's first byte).
  void Read(const std::string& bytes) {
    reader.Open(dir.Write("s.bin", bytes + "|"));
    field.ReadFromRecord(reader);
  }

  TTempDir dir;
  TFileReader reader;
  TStadafStructField field{nullptr};
};

TEST_F(StadafStructRead, RecomputesTheElementCountFromTheData) {
  field.SetDescription("S, 0, 0");
  Read(Header("000024", "99999", "00008") + std::string(24, 'd'));
  EXPECT_EQ(field.ElementCount(), 3);
  EXPECT_EQ(field.StructureHeader(), Header("000024", "00003", "00008"));
  EXPECT_EQ(field.ValueAsString(), std::string(24, 'd'));
  EXPECT_EQ(reader.Position(), 40);
}

TEST_F(StadafStructRead, DataUpToAZeroByteCountsButTheReaderPassesAllBytes) {
  Read(Header("000010", "00005", "00002") + std::string("ab\0cdefghi", 10));
  EXPECT_EQ(field.ValueAsString(), "ab");
  EXPECT_EQ(field.StructureHeader(), Header("000002", "00001", "00002"));
  EXPECT_EQ(reader.Position(), 26);
}

TEST_F(StadafStructRead, EmptyStructureWithoutElementSizeIsAccepted) {
  Read(Header("000000", "00000", "00000"));
  EXPECT_EQ(field.ValueAsString(), "");
  EXPECT_EQ(field.ElementCount(), 0);
}

TEST_F(StadafStructRead, ErrorsOfTheRecordsStructure) {
  field.SetDescription("Via, 0, 0");
  ExpectError<EStadafException>(
      [&] { Read(Header("000025", "00003", "00008") + std::string(25, 'x')); },
      "Via: TotalSize must be a multiple of ElementSize - please check the current tariff.");
  ExpectError<EStadafException>([&] { Read(Header("000010", "00000", "00000") + std::string(10, 'x')); },
                                "Via: Size of element in non-empty structure must be greater 0");
  ExpectError<EStadafException>([&] { Read(Header("00x010", "00000", "00002") + std::string(10, 'x')); },
                                "Via: Invalid size value in structure header");
  ExpectError<EStadafException>([&] { Read(Header("-00001", "00000", "00002")); },
                                "Via: Invalid size value in structure header");
  ExpectError<EStadafException>([&] { Read(Header("000004", "00000", "0000x") + "abcd"); },
                                "Via: Invalid size of structure element");
  ExpectError<EFileReaderException>([&] { Read(Header("000100", "00000", "00001") + "abc"); }, "EOF-Error");
  ExpectError<EFileReaderException>([&] { Read("00001"); }, "EOF-Error");
}

TEST_F(StadafStructRead, StructuresBeyondTheReadersBufferAreReadInPieces) {
  for (const int32_t size : {64999, 65000, 70000, 300000, 999999}) {
    std::string data(static_cast<size_t>(size), 'e');
    for (size_t i = 0; i < data.size(); i += 997) data[i] = static_cast<char>('a' + i % 26);
    Read(Header(std::to_string(size).insert(0, 6 - std::to_string(size).size(), '0'), "00000", "00001") +
         data);
    EXPECT_EQ(field.ValueAsString(), data) << size;
    EXPECT_EQ(field.ElementCount(), size);
    EXPECT_EQ(field.StructureHeader().substr(6, 5), size > 99999 ? "99999" : std::to_string(size))
        << "five digits at most";
    EXPECT_EQ(field.TotalSize(), size);
    EXPECT_EQ(reader.Position(), 16 + size);
  }
}

}  // namespace
