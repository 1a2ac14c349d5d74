#include "layout/DravikField.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "layout/DravikFieldList.h"
#include "layout/FileReader.h"
#include "tests/TestSupport.h"

namespace {

TEST(FieldDescriptionTest, ParsesLines) {
  const struct {
    const char* line;
    const char* name;
    int32_t size;
    bool memo;
    const char* description;
  } cases[] = {
      {"A , 5", "A", 5, false, "A, 5"},
      {"A,5", "A", 5, false, "A, 5"},
      {"A B, 5", "AB", 5, false, "AB, 5"},
      {"FARE_AMOUNT, 12", "FARE_AMOUNT", 12, false, "FARE_AMOUNT, 12"},
      {"MEMO_TEXT, 8", "MEMO_TEXT", 8, true, "MEMO_TEXT, 8, M"},
      {"REMARK, 8, M", "REMARK", 8, true, "REMARK, 8, M"},
      {"X, 8, whatever, more", "X", 8, true, "X, 8, M"},
      {"memo_x, 8", "memo_x", 8, true, "memo_x, 8, M"},
      {"XMEMO, 8", "XMEMO", 8, false, "XMEMO, 8"},
      {"MEMO, 8", "MEMO", 8, false, "MEMO, 8"},
      {"X, 8, ", "X", 8, false, "X, 8"},
      {"X, $10", "X", 16, false, "X, 16"},
      {"          , 255", "", 255, false, ", 255"},
      {"NO_COMMA", "", 0, false, ", 0"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789, 4", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 4, false,
       "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345, 4"},
  };
  for (const auto& c : cases) {
    TDravikField field(nullptr);
    field.SetDescription(c.line);
    EXPECT_EQ(field.Name(), c.name) << c.line;
    EXPECT_EQ(field.Size(), c.size) << c.line;
    EXPECT_EQ(field.IsMemo(), c.memo) << c.line;
    EXPECT_EQ(field.GetDescription(), c.description) << c.line;
    EXPECT_EQ(field.RecordType(), 0);
  }
}

TEST(FieldDescriptionTest, SizeThatIsNoInteger) {
  for (const char* line : {"A, x5", "A,", "A, 5 5x, M", "A, 99999999999"}) {
    TDravikField field(nullptr);
    ExpectError<EDravikException>([&] { field.SetDescription(line); },
                                  std::string("Invalid field description: ") + line);
  }
}

TEST(FieldDescriptionTest, NewFieldIsEmpty) {
  TDravikField field(nullptr);
  EXPECT_EQ(field.Name(), "");
  EXPECT_EQ(field.Size(), 0);
  EXPECT_FALSE(field.IsMemo());
  EXPECT_STREQ(field.GetValue(), "");
  field.SetValue("abc");  // no buffer yet: nothing to store
  EXPECT_STREQ(field.GetValue(), "");
}

TEST(FixedFieldTest, PadsAndCuts) {
  const struct {
    int32_t size;
    std::string value;
    std::string stored;
  } cases[] = {
      {10, "abc", "abc       "},
      {10, "abcdefghijkl", "abcdefghij"},
      {10, "", "          "},
      {10, std::string("ab\0cd", 5), "ab        "},
      {300, "abc", "abc" + std::string(255, ' ')},
      {300, "", std::string(255, ' ')},
      {3, "abc", "abc"},
  };
  for (const auto& c : cases) {
    TDravikField field(nullptr);
    field.SetDescription("F, " + std::to_string(c.size));
    field.SetValue(c.value.c_str());
    EXPECT_EQ(field.ValueAsString(), c.stored) << c.size << " '" << c.value << "'";
  }
}

TEST(FixedFieldTest, StartsAsBlanksAndTakesItsOwnValue) {
  TDravikField field(nullptr);
  field.SetDescription("F, 6");
  EXPECT_EQ(field.ValueAsString(), "      ");
  field.SetValueFromString("xyz");
  field.SetValue(field.GetValue() + 1);  // overlapping source
  EXPECT_EQ(field.ValueAsString(), "yz    ");
  field.SetValue(nullptr);
  EXPECT_EQ(field.ValueAsString(), "      ");
}

TEST(FixedFieldTest, RefusesSizesWithoutRoom) {
  TDravikField field(nullptr);
  ExpectError<EDravikException>([&] { field.SetDescription("F, -3"); }, "Invalid field description: F, -3");
}

TEST(FixedFieldTest, ClearValueKeepsMemoFlag) {
  TDravikField field(nullptr);
  field.SetDescription("MEMO_A, 8");
  field.ClearValue();
  EXPECT_EQ(field.Name(), "");
  EXPECT_EQ(field.Size(), 0);
  EXPECT_TRUE(field.IsMemo());
  EXPECT_EQ(field.ReadMemo(), "");
}

TEST(FieldPaddingTest, StartUpStep) {
  FinalizeFieldDescriptions();
  EXPECT_EQ(FieldPaddingBlanks(), "");
  InitializeFieldDescriptions();
  EXPECT_EQ(FieldPaddingBlanks(), std::string(255, ' '));
  FinalizeFieldDescriptions();
  EXPECT_EQ(FieldPaddingBlanks(), "");
}

TEST(VariableFieldTest, MaxLengthByDigits) {
  const struct {
    const char* line;
    int32_t maxLength;
    const char* emptyIndicator;
  } cases[] = {{"V, -1", 10, "0"},
               {"V, -2", 100, "00"},
               {"V, -3", 1000, "000"},
               {"V, -4", 10000, "0000"},
               {"V, -5", 65000, "00000"}};
  for (const auto& c : cases) {
    TVariableDravikField field(nullptr);
    field.SetDescription(c.line);
    EXPECT_EQ(field.MaxLength(), c.maxLength) << c.line;
    EXPECT_EQ(field.LengthIndicator(), c.emptyIndicator) << c.line;
    EXPECT_STREQ(field.GetValue(), "");
    EXPECT_TRUE(field.IsVariable());
    EXPECT_FALSE(field.IsVirtual());
  }
}

TEST(VariableFieldTest, StoresLengthAndValue) {
  const struct {
    const char* line;
    std::string value;
    std::string indicator;
    std::string stored;
  } cases[] = {
      {"V, -2", "hello", "05", "hello"},
      {"V, -2", std::string(99, 'x'), "99", std::string(99, 'x')},
      {"V, -2", std::string(100, 'x'), "07", "<INVAL>"},
      {"V, -1", "123456789", "9", "123456789"},
      {"V, -1", "1234567890", "7", "<INVAL>"},
      {"V, -5", std::string(64999, 'y'), "64999", std::string(64999, 'y')},
      {"V, -5", std::string(65000, 'y'), "00007", "<INVAL>"},
      {"V, -3", std::string("ab\0c", 4), "002", "ab"},
  };
  for (const auto& c : cases) {
    TVariableDravikField field(nullptr);
    field.SetDescription(c.line);
    field.SetValue(c.value.c_str());
    EXPECT_EQ(field.LengthIndicator(), c.indicator) << c.line << " " << c.value.size();
    EXPECT_EQ(field.ValueAsString(), c.stored) << c.line << " " << c.value.size();
  }
}

TEST(VariableFieldTest, DescriptionErrors) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"V, -6", "Invalid dynamic field size -6"}, {"V, -32768", "Invalid dynamic field size -32768"},
      {"V, 3", "Invalid dynamic field size 3"},  // would place the value before the buffer
      {"V", "Invalid dynamic field size 0"},      {"V, -x", "Invalid field description: V, -x"},
  };
  for (const auto& c : cases) {
    TVariableDravikField field(nullptr);
    ExpectError<EDravikException>([&] { field.SetDescription(c.line); }, c.message);
  }
}

TEST(VariableFieldTest, BinaryLengthIndicatorHidesTheValue) {
  TVariableDravikField field(nullptr);
  field.SetDescription("V, -3");
  field.SetBinaryLengthIndicator(true);
  field.SetValue("abc");
  ExpectError<EDravikException>([&] { field.GetValue(); }, "BinaryLengthIndicator not supported");
  EXPECT_EQ(field.LengthIndicator(), "003");
}

TEST(VirtualFieldTest, SizeIsValueMinus32768) {
  TVirtualDravikField field(nullptr);
  field.SetDescription("MEMO_CALC, 32773, M");
  EXPECT_EQ(field.Size(), 5);
  EXPECT_FALSE(field.IsMemo());
  EXPECT_TRUE(field.IsVirtual());
  EXPECT_EQ(field.ValueAsString(), "     ");
  field.SetValue("abcdefg");
  EXPECT_EQ(field.ValueAsString(), "abcde");
  EXPECT_EQ(field.GetDescription(), "MEMO_CALC, 5");
  ExpectError<EDravikException>([&] { field.SetDescription("C, 5"); }, "Invalid field description: C, 5");
}

TEST(VirtualVariableFieldTest, SizeIsValuePlus32768) {
  TVirtualVariableDravikField field(nullptr);
  field.SetDescription("TO TAL, -32771");
  EXPECT_EQ(field.Name(), "TOTAL");
  EXPECT_EQ(field.Size(), -3);
  EXPECT_EQ(field.MaxLength(), 1000);
  EXPECT_TRUE(field.IsVirtual());
  EXPECT_TRUE(field.IsVariable());
  field.SetValue("sum");
  EXPECT_EQ(field.LengthIndicator(), "003");
  EXPECT_EQ(field.ValueAsString(), "sum");
  ExpectError<EDravikException>([&] { field.SetDescription("T, -32774"); }, "Invalid dynamic field size -6");
  ExpectError<EDravikException>([&] { field.SetDescription("T, 5"); }, "Invalid dynamic field size 32773");
}

// Memo fields read through the memo reader of a layout over "<dir>/d.rff" and "<dir>/d.rfm".
class MemoFieldTest : public ::testing::Test {
 protected:
  void OpenWithMemo(const std::string& memoBytes) {
    dir.Write("d.rff", "x");
    dir.Write("d.rfm", memoBytes);
    list.SetDataFileName(dir.Path("d.rff"));
  }
  TDravikField& MemoField(const char* line, const char* digits) {
    TDravikField* field = list.AddField(line);
    field->SetValue(digits);
    return *field;
  }

  TTempDir dir;
  TDravikFieldList list;
};

TEST_F(MemoFieldTest, ReadsTheTextAtTheHexOffset) {
  OpenWithMemo(std::string("first\0second text\0third", 23));
  const struct {
    const char* digits;
    const char* text;
  } cases[] = {
      {"00000000", "first"}, {"00000006", "second text"}, {"0000000A", "nd text"}, {"0000000a", "nd text"},
      {"00000012", "third"},  // no zero byte before the end of the file
      {"16", "d"},
  };
  for (const auto& c : cases) {
    TDravikField& field = MemoField("MEMO_RULE, 8", c.digits);
    EXPECT_EQ(field.ValueAsString(), c.text) << c.digits;
    EXPECT_EQ(field.GetStoredText(), c.digits);
    list.ClearFields();
  }
}

TEST_F(MemoFieldTest, UsesEveryDigitOfTheOffset) {
  dir.Write("d.rff", "x");
  const std::string memo = dir.Path("d.rfm");
  std::ofstream(memo).close();
  std::error_code error;
  std::filesystem::resize_file(memo, 0x1A2B3C4D, error);
  if (error) GTEST_SKIP() << "no sparse files here";
  std::ofstream(memo, std::ios::binary | std::ios::app).write("far away\0", 9);
  list.SetDataFileName(dir.Path("d.rff"));
  EXPECT_EQ(MemoField("MEMO_RULE, 8", "1A2B3C4D").ValueAsString(), "far away");
}

TEST_F(MemoFieldTest, LongTextIsCut) {
  const std::string text(40000, 'm');
  OpenWithMemo(text + std::string(1, '\0'));
  EXPECT_EQ(MemoField("MEMO_RULE, 8", "00000000").ValueAsString(), text.substr(0, 32768));
}

TEST_F(MemoFieldTest, OffsetErrors) {
  OpenWithMemo(std::string("first\0", 6));
  const struct {
    const char* digits;
    const char* message;
  } eofCases[] = {{"00000006", "EOF-Error"}, {"7FFFFFFF", "EOF-Error"}, {"FFFFFFFF", "EOF-Error"}};
  for (const auto& c : eofCases) {
    TDravikField& field = MemoField("MEMO_A, 8", c.digits);
    ExpectError<EFileReaderException>([&] { field.GetValue(); }, c.message);
    list.ClearFields();
  }
  const struct {
    const char* digits;
    const char* message;
  } convertCases[] = {
      {"", "'$        ' is not a valid integer value"},  // the empty text leaves 8 blanks
      {"  000006", "'$  000006' is not a valid integer value"},
      {"0000000G", "'$0000000G' is not a valid integer value"},
      {"-0000001", "'$-0000001' is not a valid integer value"},
  };
  for (const auto& c : convertCases) {
    TDravikField& field = MemoField("MEMO_A, 8", c.digits);
    ExpectError<EConvertError>([&] { field.GetValue(); }, c.message);
    list.ClearFields();
  }
}

TEST_F(MemoFieldTest, MissingMemoFileOrReader) {
  // No data file name set yet: no memo reader, so no text and no error.
  TDravikField& early = MemoField("MEMO_A, 8", "00000000");
  EXPECT_EQ(early.ValueAsString(), "");
  list.ClearFields();
  TDravikField unowned(nullptr);
  unowned.SetDescription("MEMO_A, 8");
  unowned.SetValue("00000000");
  EXPECT_EQ(unowned.ValueAsString(), "");

  dir.Write("d.rff", "x");
  list.SetDataFileName(dir.Path("d.rff"));  // no d.rfm: the memo reader stays closed
  TDravikField& field = MemoField("MEMO_A, 8", "00000000");
  try {
    field.GetValue();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "File not found");
    EXPECT_EQ(e.FileName(), dir.Path("d.rfm"));
  }
}

TEST_F(MemoFieldTest, WriteMemoKeepsAtMostSizeCharacters) {
  OpenWithMemo(std::string("t\0", 2));
  TDravikField& field = MemoField("MEMO_A, 4", "000000");
  EXPECT_EQ(field.GetStoredText(), "000000");
  EXPECT_EQ(field.ValueAsString(), "t");  // offset "0000"
  field.WriteMemo("");
  EXPECT_EQ(field.GetStoredText(), "");
  ExpectError<EConvertError>([&] { field.GetValue(); }, "'$    ' is not a valid integer value");
}

template <class TField>
class TMeasuredField : public TField {
 public:
  TMeasuredField() : TField(nullptr) {}
  size_t BufferSize() const { return TField::ValueBufferSize(); }
};

// A field holds the values it was given, not the longest its size allows: a layout of thousands of wide
// fields took gigabytes before a record was read.
TEST(FieldMemoryTest, BuffersFollowTheValuesHeld) {
  TMeasuredField<TVariableDravikField> variable;
  variable.SetDescription("V, -5");
  EXPECT_LT(variable.BufferSize(), 64u);
  variable.SetValue(std::string(5000, 'x').c_str());
  EXPECT_EQ(variable.ValueAsString(), std::string(5000, 'x'));
  EXPECT_EQ(variable.LengthIndicator(), "05000");

  TMeasuredField<TDravikField> fixed;
  fixed.SetDescription("F, 32767");
  EXPECT_LE(fixed.BufferSize(), 256u + 1);
  fixed.SetValue(std::string(32767, 'a').c_str());
  EXPECT_EQ(fixed.ValueAsString(), std::string(32767, 'a'));

  // A value taken from the field's own buffer survives the buffer growing under it.
  TMeasuredField<TDravikField> own;
  own.SetDescription("F, 1000");
  own.SetValue("abc");
  own.SetValue(own.GetValue() + 1);
  EXPECT_EQ(own.ValueAsString(), "bc" + std::string(510, ' '));
}

}  // namespace
