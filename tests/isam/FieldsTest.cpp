#include <cmath>
#include <cstring>

#include "isam/CtreeFields.h"
#include "isam/CtreeIndexDef.h"
#include "tests/isam/TableTestSupport.h"

namespace {

// A closed table whose fields may be written: the field classes seen without the engine.
class TWritableTable : public TCTreeTable {
 public:
  void CheckWritable() const override {}
};

class Fields : public ::testing::Test {
 protected:
  void SetUp() override { SetShortDateFormat("M/D/YYYY"); }
  void TearDown() override { SetShortDateFormat("m/d/yy"); }
  TCtreeField& Add(const std::string& name, TCtreeFieldClass fieldClass, uint16_t size = 0) {
    TCtreeField& field = table_.AddField(name, fieldClass, size);
    table_.RefreshStructure();
    return field;
  }
  TWritableTable table_;
};

TEST_F(Fields, StoredFormsTypesAndNullPatterns) {
  struct Case {
    TCtreeFieldClass fieldClass;
    uint8_t dataType;
    uint16_t dataSize;
    uint16_t dodaType;
    int16_t segmentType;
    std::vector<uint8_t> null;
  };
  const Case cases[] = {
      {kBooleanField, 1, 1, 8, 0, {0xFF}},
      {kCharField, 2, 1, 16, 2, {0x00}},
      {kSmallIntField, 3, 2, 33, 8, {0x00, 0x80}},
      {kIntegerField, 4, 4, 51, 8, {0, 0, 0, 0x80}},
      {kDateField, 5, 4, 75, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {kFloatField, 6, 8, 103, 9, std::vector<uint8_t>(8, 0xFF)},
      {kDateTimeField, 7, 8, 124, 9, std::vector<uint8_t>(8, 0xFF)},
      {kStringField, 8, 11, 144, 2, std::vector<uint8_t>(11, 0)},
      {kAutoCounterField, 11, 4, 128, 3, {0, 0, 0, 0x80}},
  };
  int n = 0;
  for (const Case& c : cases) {
    TCtreeField& field = Add("f" + std::to_string(n++), c.fieldClass, 10);
    EXPECT_EQ(field.DataType(), c.dataType);
    EXPECT_EQ(field.GetDataSize(), c.dataSize);
    EXPECT_EQ(field.GetInternalFieldType(), c.dodaType);
    EXPECT_EQ(field.GetSegmentType(), c.segmentType);
    field.SetAsString("");
    EXPECT_EQ(std::vector<uint8_t>(field.Data(), field.Data() + field.GetDataSize()), c.null)
        << int(c.dataType);
    EXPECT_EQ(field.AsString(), c.dataType == 11 ? "-2147483648" : "") << int(c.dataType);
  }
}

TEST_F(Fields, TextConversionsOfEachClass) {
  struct Case {
    TCtreeFieldClass fieldClass;
    uint16_t size;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {kStringField, 5, "ABCDEFG", "ABCDE"},
      {kBooleanField, 0, "wahr", "TRUE"},
      {kBooleanField, 0, "Falsch", "FALSE"},
      {kBooleanField, 0, "true", "TRUE"},
      {kCharField, 0, "xyz", "x"},
      {kSmallIntField, 0, "70000", "4464"},
      {kSmallIntField, 0, "-5", "-5"},
      {kIntegerField, 0, "$10", "16"},
      {kIntegerField, 0, "-2147483647", "-2147483647"},
      {kAutoCounterField, 0, "42", "42"},
      {kDateField, 0, "2/29/2024", "2/29/2024"},
      {kDateField, 0, "1/1/1800", "1/1/1800"},
      {kDateField, 0, "1/1/0001", "1/1/0001"},
      {kDateField, 0, "3/4/49", "3/4/2049"},
      {kDateField, 0, " 3/4/50 ", "3/4/1950"},
      {kDateTimeField, 0, "12/31/1999 23:59:58", "12/31/1999 23:59:58"},
      {kDateTimeField, 0, "7/4/2026 08:05:00.250", "7/4/2026 08:05:00.250"},
      {kDateTimeField, 0, "7/4/2026", "7/4/2026"},
      {kFloatField, 0, "0.1", "0.1"},
      {kFloatField, 0, "-1234.5e3", "-1234500"},
  };
  int n = 0;
  for (const Case& c : cases) {
    TCtreeField& field = Add("t" + std::to_string(n++), c.fieldClass, c.size);
    field.SetAsString(c.in);
    EXPECT_EQ(field.AsString(), c.out) << c.in;
  }
  TCtreeField& string = table_.FieldByName("t0");
  string.SetAsString("ABCDEFG");
  EXPECT_EQ(string.GetDataSize(), 6);
  EXPECT_EQ(std::memcmp(string.Data(), "ABCDE\0", 6), 0);
}

TEST_F(Fields, FloatsAndDateTimesReadBackAsTheSameValue) {
  TCtreeField& number = Add("number", kFloatField);
  TCtreeField& stamp = Add("stamp", kDateTimeField);
  for (const double value : {0.1 + 0.2, 1.0 / 3, -1e-300, 123456789.123456789, 1e21}) {
    number.SetAsFloat(value);
    const std::string text = number.AsString();
    number.SetAsString(text);
    EXPECT_EQ(number.AsFloat(), value) << text;
  }
  for (const double value : {45000.5, 45000.0 + 1.0 / 86400, 2.25, -1.75}) {
    stamp.SetAsDateTime(value);
    const std::string text = stamp.AsString();
    stamp.SetAsString(text);
    EXPECT_NEAR(stamp.AsDateTime(), value, 1e-9) << text;
  }
}

TEST_F(Fields, NullStatesAndIntegerValues) {
  TCtreeField& integer = Add("integer", kIntegerField);
  TCtreeField& small = Add("small", kSmallIntField);
  TCtreeField& counter = Add("counter", kAutoCounterField);
  TCtreeField& boolean = Add("boolean", kBooleanField);
  TCtreeField& date = Add("date", kDateField);
  TCtreeField& text = Add("text", kStringField, 8);
  for (TCtreeField* field : {&integer, &small, &counter, &boolean, &date}) field->SetAsString("");
  ExpectError<ECTreeException>([&] { integer.AsInteger(); }, "Invalid integer value: ");
  ExpectError<ECTreeException>([&] { small.AsInteger(); }, "Invalid integer value: ");
  EXPECT_EQ(counter.AsInteger(), INT32_MIN);
  EXPECT_FALSE(boolean.AsBoolean());
  EXPECT_EQ(date.AsFloat(), 0);
  EXPECT_EQ(date.AsDate(), -1);
  ExpectError<ECTreeConvertException>([&] { date.SetAsDateTime(1); }, "Convert error");
  date.SetAsDate(45000.75);
  EXPECT_EQ(date.AsDate(), 45000);
  text.SetAsString("12x");
  ExpectError<ECTreeException>([&] { text.AsInteger(); }, "Invalid Integer value: 12x");
  text.SetAsInteger(-17);
  EXPECT_EQ(text.AsInteger(), -17);
}

TEST_F(Fields, RefusedConversionsLeaveTheStoredBytes) {
  TCtreeField& integer = Add("integer", kIntegerField);
  TCtreeField& boolean = Add("boolean", kBooleanField);
  TCtreeField& date = Add("when", kDateField);
  TCtreeField& memo = Add("memo", kMemoField);
  integer.SetAsInteger(7);
  ExpectError<ECTreeException>([&] { integer.SetAsString("7a"); }, "Invalid integer value: 7a");
  ExpectError<ECTreeConvertException>([&] { integer.SetAsBoolean(true); }, "Convert error");
  ExpectError<ECTreeConvertException>([&] { integer.SetAsVariant(std::monostate{}); }, "Convert error");
  EXPECT_EQ(integer.AsInteger(), 7);
  boolean.SetAsBoolean(true);
  ExpectError<ECTreeException>([&] { boolean.SetAsString("yes"); }, "yes is not a boolean value");
  ExpectError<ECTreeConvertException>([&] { boolean.AsDateTime(); }, "Convert error");
  EXPECT_EQ(boolean.AsString(), "TRUE");
  ExpectError<ECTreeConvertException>([&] { memo.SetAsString("x"); }, "Convert error");
  ExpectError<EConvertError>([&] { date.SetAsString("13/1/2020"); }, "'13/1/2020' is not a valid date");
}

TEST_F(Fields, MemoAndPictureParts) {
  auto& memo = static_cast<TCTreeMemoField&>(Add("memo", kMemoField));
  auto& other = static_cast<TCTreeMemoField&>(Add("other", kMemoField));
  auto& picture = static_cast<TCTreeGraphicField&>(Add("picture", kGraphicField));
  auto& copy = static_cast<TCTreeGraphicField&>(Add("copy", kGraphicField));
  EXPECT_EQ(memo.GetDataSize(), 2);  // "A" and its NUL until first assigned
  EXPECT_EQ(memo.AsString(), "<BLOB>");
  memo.SetBlobData("first line\r\nsecond");
  memo.SetAsVariant(std::monostate{});
  memo.SetAsVariant(std::string());
  EXPECT_STREQ(memo.BlobData(), "first line\r\nsecond");
  EXPECT_EQ(memo.GetDataSize(), 19);
  other.Assign(memo);
  EXPECT_STREQ(other.BlobData(), "first line\r\nsecond");
  std::vector<std::string> lines;
  other.AssignTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"first line", "second"}));

  picture.StoreGraphic("\x01\x02\x03", 3);
  EXPECT_EQ(picture.GetDataSize(), 8);
  EXPECT_EQ(std::memcmp(picture.BlobData(), "\x04\0\0\0\x01\x02\x03\0", 8), 0);
  TCTreeGraphicStream& stream = picture.GetGraphicStream();
  EXPECT_EQ(stream.Size(), 4u);
  EXPECT_EQ(picture.AsString(), "<GRAPHIC>");
  copy.Assign(picture);
  EXPECT_EQ(copy.GetDataSize(), 9);  // the stream's zero byte is part of the copied picture
  stream.SetPosition(4);
  stream.Write("\x09", 1);
  EXPECT_EQ(picture.GetDataSize(), 10);
  ExpectError<ECTreeConvertException>([&] { memo.Assign(picture); }, "Convert error");
  EXPECT_THROW(picture.Assign(memo), Exception);
}

TEST_F(Fields, WritesNeedAnEditingTable) {
  TCTreeTable closed;
  TCtreeField& field = closed.AddField("n", kIntegerField, 4);
  closed.RefreshStructure();
  ExpectError<ECTreeException>([&] { field.SetAsInteger(1); }, "Table not in Edit/SetKey mode");
  ExpectError<ECTreeException>(
      [&] {
        closed.AddField("m", kMemoField, 0);
        closed.AddField("s", kStringField, 3);
      },
      "Variable/Fix field mix not supported");
  ExpectError<ECTreeException>([&] { closed.AddField("N", kIntegerField, 4); }, "Duplicate field name");
  struct TBare : TCtreeField {
    using TCtreeField::TCtreeField;
  };
  ExpectError<ECTreeException>([&] { CreateField<TBare>(nullptr, 1, "bare"); },
                               "TCTreeField.Initialize not overridden");
}

TEST(IndexDefinitions, KeyLengthsModesAndSegmentArray) {
  TCTreeIndexDef index("i");
  index.AddSegment(0, 4, 2);
  index.AddSegment(4, 6, 8);
  EXPECT_EQ(index.KeyLength(), 14);
  index.Unique = true;
  EXPECT_EQ(index.KeyLength(), 10);
  index.SetDescending(true);
  EXPECT_EQ(index.Segments(0).Mode, 0x12);
  EXPECT_EQ(index.Segments(1).Mode, 0x18);
  std::array<int16_t, 256> sequence{};
  index.SetAlternateSequence(sequence);
  index.AddSegment(10, 2, 2);
  EXPECT_EQ(index.Segments(1).Mode, 0x38);
  EXPECT_EQ(index.Segments(2).Mode, 2);
  EXPECT_FALSE(index.Segments(2).Descending);
  index.SetDescending(false);
  const kwctree::TKeySegment* array = index.BuildSegmentArray();
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array[1].Offset, 4);
  EXPECT_EQ(array[1].Length, 6);
  EXPECT_EQ(array[1].Mode, 0x28);
  index.ClearSegments();
  EXPECT_EQ(index.BuildSegmentArray(), nullptr);
}

}  // namespace
