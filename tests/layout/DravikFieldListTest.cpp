#include "layout/DravikFieldList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "layout/TextHelpers.h"
#include "support/Exception.h"
#include "support/Text.h"
#include "tests/TestSupport.h"

namespace {

std::string Join(std::initializer_list<std::string_view> lines, std::string_view lineEnd = "\r\n") {
  std::string text;
  for (const auto line : lines) text.append(line).append(lineEnd);
  return text;
}

std::string FieldsSection(std::initializer_list<std::string_view> lines) {
  std::string text = "[FIELDDESCRIPTIONS]\r\n";
  for (const auto line : lines) text.append(line).append("\r\n");
  return text;
}

class FieldListTest : public ::testing::Test {
 protected:
  // Writes d.ini with text and d.rff with data, opens the data file and loads the layout.
  void Load(const std::string& layout, const std::string& data = "") {
    dir.Write("d.ini", layout);
    dir.Write("d.rff", data);
    list.SetDataFileName(dir.Path("d.rff"));
    list.LoadLayout(dir.Path("d.ini"));
  }
  std::string Value(std::string_view name) { return list.FieldByName(name).ValueAsString(); }

  TTempDir dir;
  TDravikFieldList list;
};

TEST_F(FieldListTest, NewList) {
  EXPECT_EQ(list.FieldCount(), 0);
  EXPECT_EQ(list.RecordLength(), 0);
  EXPECT_EQ(list.RecordSeparator(), "\r\n");
  EXPECT_EQ(list.Position(), 0);
  EXPECT_EQ(list.DataReader(), nullptr);
  EXPECT_EQ(list.MemoReader(), nullptr);
  EXPECT_FALSE(list.Automator());
  EXPECT_FALSE(list.AnalyzeRouting());
  EXPECT_EQ(list.StartNumber(), 0);
  EXPECT_EQ(list.Basis(), 10);
  EXPECT_FALSE(list.BinaryLengthIndicator());
  EXPECT_EQ(list.GetIdentificationText(), "");
  EXPECT_EQ(list.DefaultField().GetDescription(), ", 255");
}

TEST_F(FieldListTest, LoadsTheExampleLayout) {
  Load(Join({"[Converter]", "BINARYLENGTHINDICATOR=FALSE", "[FIELDDESCRIPTIONS]", "CXR, 3", "FARE, 12",
             "MEMO_RULE, 8"}));
  EXPECT_EQ(list.LayoutFileName(), dir.Path("d.ini"));
  EXPECT_EQ(list.RecordLength(), 25);
  EXPECT_EQ(list.GetRecordLength(), 25);
  ASSERT_EQ(list.FieldCount(), 3);
  EXPECT_EQ(list.FieldByIndex(0).GetDescription(), "CXR, 3");
  EXPECT_EQ(list.FieldByIndex(1).GetDescription(), "FARE, 12");
  EXPECT_EQ(list.FieldByIndex(2).GetDescription(), "MEMO_RULE, 8, M");
  EXPECT_EQ(list.FieldByIndex(2).Owner(), &list);
}

TEST_F(FieldListTest, RecordLengthAddsEverySizeAsWritten) {
  const struct {
    std::initializer_list<std::string_view> lines;
    int32_t recordLength;
    int32_t fieldCount;
  } cases[] = {
      {{"A, 3", "B, 5"}, 10, 2},
      {{"A, 3", "C, 32773", "B, 5"}, 32783, 3},
      {{"A, 3", "V, -3"}, 2, 2},
      {{"A, 3", "Z, 0", "S, 32768", "W, 70000"}, 102773, 1},  // sizes that describe no field
      {{"V, -2"}, 0, 1},
      {{}, 2, 0},
  };
  for (const auto& c : cases) {
    Load(FieldsSection(c.lines));
    EXPECT_EQ(list.RecordLength(), c.recordLength);
    EXPECT_EQ(list.FieldCount(), c.fieldCount);
  }
}

TEST_F(FieldListTest, RecordCountRoundsHalfToEven) {
  const struct {
    size_t dataSize;
    int32_t count;
  } cases[] = {{0, 0},  {4, 0},  {5, 0},    {6, 1},    {14, 1},  {15, 2},
               {25, 2}, {35, 4}, {105, 10}, {115, 12}, {120, 12}};
  for (const auto& c : cases) {
    Load(FieldsSection({"A, 3", "B, 5"}), std::string(c.dataSize, 'x'));
    EXPECT_EQ(list.GetRecordCount(), c.count) << c.dataSize;
  }
}

TEST_F(FieldListTest, RecordCountAsksForTheSizeNow) {
  Load(FieldsSection({"A, 8"}), std::string(20, 'x'));
  dir.Write("d.rff", std::string(50, 'x'));
  EXPECT_EQ(list.GetRecordCount(), 5);
}

TEST_F(FieldListTest, RecordCountErrors) {
  ExpectError<EDravikException>([&] { list.GetRecordCount(); },
                                "Cannot count records: the record length is 0");
  Load(FieldsSection({"V, -2"}), "data");  // sizes that add up to -2
  ExpectError<EDravikException>([&] { list.GetRecordCount(); },
                                "Cannot count records: the record length is 0");

  TDravikFieldList unopened;
  dir.Write("e.ini", FieldsSection({"A, 8"}));
  unopened.LoadLayout(dir.Path("e.ini"));
  ExpectError<EDravikException>([&] { unopened.GetRecordCount(); },
                                "Cannot count records: the data file is not open");
  unopened.SetDataFileName(dir.Path("e.rff"));  // does not exist
  ExpectError<EDravikException>([&] { unopened.GetRecordCount(); },
                                "Cannot count records: the data file is not open");
}

TEST_F(FieldListTest, SectionHeaders) {
  const struct {
    std::string layout;
    int32_t fieldCount;
  } cases[] = {
      {Join({"[fielddescriptions]", "A, 1"}), 1},
      {Join({" [FIELDDESCRIPTIONS]", "A, 1"}), 0},
      {Join({"[FIELDDESCRIPTIONS] ", "A, 1"}), 0},
      {Join({"[FIELDDESCRIPTIONS]", "A, 1", "", "B, 1", "[Other]", "C, 1"}), 2},
      {Join({"[FIELDDESCRIPTIONS]", "A, 1", "[FIELDDESCRIPTIONS]", "B, 1", "C, 1"}), 1},
      {Join({"[FIELDDESCRIPTIONS]", "A, 1", "B, 1"}, "\r"), 2},
      {Join({"[FIELDDESCRIPTIONS]", "A, 1", "B, 1"}, "\n"), 2},
      {"[FIELDDESCRIPTIONS]\nA, 1\rB, 1\r\nC, 1", 3},
  };
  for (const auto& c : cases) {
    Load(c.layout);
    EXPECT_EQ(list.FieldCount(), c.fieldCount) << c.layout;
  }
}

TEST_F(FieldListTest, ConverterKeys) {
  Load(Join({"[Converter]", "automator=true", "ANALYZEROUTING=True", "STARTNUMBER=42", "BASIS=$10",
             "BINARYLENGTHINDICATOR=tRuE", "no equals sign", "UNKNOWN=1", "FILENAME=other.rff"}) +
       FieldsSection({"V, -2"}));
  EXPECT_TRUE(list.Automator());
  EXPECT_TRUE(list.AnalyzeRouting());
  EXPECT_EQ(list.StartNumber(), 42);
  EXPECT_EQ(list.Basis(), 16);
  EXPECT_TRUE(list.BinaryLengthIndicator());
  EXPECT_EQ(list.DataFileName(), "other.rff");
  EXPECT_EQ(list.DataReader()->FileName(), dir.Path("d.rff"));  // the readers stay on the old file
  EXPECT_TRUE(static_cast<TVariableDravikField&>(list.FieldByIndex(0)).BinaryLengthIndicator());

  // A second load changes only what its lines name; non-integers leave numbers unchanged.
  Load(Join({"[Converter]", "AUTOMATOR=yes", "STARTNUMBER=4x",
             "BASIS=", "FILENAME=", "BINARYLENGTHINDICATOR = TRUE", "ANALYZEROUTING =TRUE"}));
  EXPECT_FALSE(list.Automator());
  EXPECT_TRUE(list.AnalyzeRouting());  // the key "ANALYZEROUTING " is unknown
  EXPECT_EQ(list.StartNumber(), 42);
  EXPECT_EQ(list.Basis(), 16);
  EXPECT_TRUE(list.BinaryLengthIndicator());  // the key "BINARYLENGTHINDICATOR " is unknown
  EXPECT_EQ(list.DataFileName(), dir.Path("d.rff"));
}

TEST_F(FieldListTest, LoadErrorsKeepTheFieldsBeforeThem) {
  const struct {
    std::initializer_list<std::string_view> lines;
    const char* message;
  } cases[] = {
      {{"A, 3", ";comment", "B, 1"}, "Unexpected field params"},
      {{"A, 3", "B, x", "C, 1"}, "Invalid field description: B, x"},
      {{"A, 3", "B, -6", "C, 1"}, "Invalid dynamic field size -6"},
  };
  for (const auto& c : cases) {
    ExpectError<EDravikException>([&] { Load(FieldsSection(c.lines)); }, c.message);
    ASSERT_EQ(list.FieldCount(), 1) << c.message;
    EXPECT_EQ(list.FieldByIndex(0).Name(), "A");
  }
}

TEST_F(FieldListTest, DuplicateNamesStopLoading) {
  ExpectError<EStringListError>(
      [&] {
        Load(FieldsSection({"FARE, 3", "CXR, 2", "fare, 5", "X, 1"}));
      },
      "String list does not allow duplicates");
  ASSERT_EQ(list.FieldCount(), 2);
  EXPECT_EQ(list.FieldByName("Fare").Size(), 3);
  EXPECT_EQ(&list.FieldByName("x"), &list.DefaultField());
}

TEST_F(FieldListTest, MissingLayoutFileChangesNothing) {
  Load(Join({"[Converter]", "AUTOMATOR=TRUE"}) + FieldsSection({"A, 3", "B, 5"}));
  list.LoadLayout(dir.Path("missing.ini"));
  EXPECT_EQ(list.FieldCount(), 2);
  EXPECT_EQ(list.RecordLength(), 10);
  EXPECT_TRUE(list.Automator());
  EXPECT_EQ(list.LayoutFileName(), dir.Path("d.ini"));
}

TEST_F(FieldListTest, LoadReplacesTheFields) {
  Load(FieldsSection({"A, 3", "B, 5"}));
  Load(FieldsSection({"C, 1"}));
  EXPECT_EQ(list.FieldCount(), 1);
  EXPECT_EQ(list.RecordLength(), 3);
  EXPECT_EQ(&list.FieldByName("A"), &list.DefaultField());
}

TEST_F(FieldListTest, FieldLookup) {
  Load(FieldsSection({"FARE, 4", "CXR, 2", "Memo_Remark, 8", "abc, 1", "ABD, 1", "_X, 1"}));
  for (const char* name : {"FARE", "CXR", "Memo_Remark", "abc", "ABD", "_X"}) {
    EXPECT_EQ(list.FieldByName(name).Name(), name);
    EXPECT_EQ(list.FieldByName(UpperCase(name)).Name(), name);
  }
  EXPECT_EQ(list.FieldByName("fare").Name(), "FARE");
  TDravikField& unknown = list.FieldByName("NOPE");
  EXPECT_EQ(&unknown, &list.DefaultField());
  EXPECT_EQ(unknown.Name(), "");
  EXPECT_EQ(unknown.ValueAsString(), std::string(255, ' '));
  EXPECT_EQ(list.FieldByIndex(5).Name(), "_X");
  ExpectError<EDravikException>([&] { list.FieldByIndex(-1); }, "Invalid Fieldnumber");
  ExpectError<EDravikException>([&] { list.FieldByIndex(6); }, "Invalid Fieldnumber");
}

TEST_F(FieldListTest, AddFieldChoosesTheClassBySize) {
  const struct {
    const char* line;
    int32_t size;
    bool isVirtual;
    bool isVariable;
  } made[] = {
      {"A, -32771", -3, true, true}, {"B, -32769", -1, true, true},    {"C, -5", -5, false, true},
      {"D, -1", -1, false, true},    {"E, 1", 1, false, false},        {"F, 32767", 32767, false, false},
      {"G, 32769", 1, true, false},  {"H, 65535", 32767, true, false},
  };
  for (const auto& c : made) {
    TDravikField* field = list.AddField(c.line);
    ASSERT_NE(field, nullptr) << c.line;
    EXPECT_EQ(field->Size(), c.size) << c.line;
    EXPECT_EQ(field->IsVirtual(), c.isVirtual) << c.line;
    EXPECT_EQ(field->IsVariable(), c.isVariable) << c.line;
    EXPECT_EQ(field->Owner(), &list);
  }
  for (const char* line : {"N, 0", "N, 32768", "N, 65536", "N, -65537", "N, 2147483647"})
    EXPECT_EQ(list.AddField(line), nullptr) << line;
  EXPECT_EQ(list.FieldCount(), 8);

  ExpectError<EDravikException>([&] { list.AddField("NOCOMMA"); }, "Unexpected field params");
  ExpectError<EDravikException>([&] { list.AddField("X, abc"); }, "Invalid field size");
  ExpectError<EDravikException>([&] { list.AddField("X, -65536"); }, "Invalid dynamic field size -32768");
  ExpectError<EDravikException>([&] { list.AddField("X, -6"); }, "Invalid dynamic field size -6");
  ExpectError<EStringListError>([&] { list.AddField("c, 4"); }, "String list does not allow duplicates");
  EXPECT_EQ(list.FieldCount(), 8);
}

TEST_F(FieldListTest, ReadsRecordsInTurn) {
  Load(FieldsSection({"A, 3", "B, 5"}), "abcdefgh\r\nABCDEFGH\n\n");
  list.ReadRecord();
  EXPECT_EQ(Value("A"), "abc");
  EXPECT_EQ(Value("B"), "defgh");
  EXPECT_EQ(list.Position(), 10);
  list.ReadRecord();  // the separator bytes are not checked
  EXPECT_EQ(Value("a"), "ABC");
  EXPECT_EQ(Value("b"), "DEFGH");
  EXPECT_EQ(list.Position(), 20);
  ExpectError<EFileReaderException>([&] { list.ReadRecord(); }, "EOF-Error");
  EXPECT_EQ(list.Position(), 20);
  list.SetPosition(10);
  list.ReadRecord();
  EXPECT_EQ(Value("A"), "ABC");
}

TEST_F(FieldListTest, ShortRecordsReportTheirOffset) {
  const std::string full = std::string(130 * 10, 'r');
  const struct {
    std::string data;
    int32_t offset;
  } cases[] = {
      {"abcdefgh\r\nABC", 10},         // last field runs past the end
      {"abcdefgh\r\nABCDEFGH", 10},    // no separator after the last record
      {"abcdefgh\r\nABCDEFGH\r", 10},  // half a separator
      {full + "x", 1300},
  };
  for (const auto& c : cases) {
    Load(FieldsSection({"A, 3", "B, 5"}), c.data);
    list.SetPosition(c.offset);
    ExpectError<Exception>([&] { list.ReadRecord(); }, "Error at offset " + std::to_string(c.offset));
    EXPECT_EQ(list.Position(), c.offset);
  }
}

TEST_F(FieldListTest, VariableFields) {
  Load(FieldsSection({"V, -3", "F, 2"}), "005helloxy\r\n000xy\r\n$02abxy\r\n");
  list.ReadRecord();
  EXPECT_EQ(Value("V"), "hello");
  EXPECT_EQ(Value("F"), "xy");
  EXPECT_EQ(list.Position(), 12);
  list.ReadRecord();
  EXPECT_EQ(Value("V"), "");
  list.ReadRecord();  // the indicator takes what integer conversion takes
  EXPECT_EQ(Value("V"), "ab");
  EXPECT_EQ(list.Position(), 28);
}

TEST_F(FieldListTest, BadLengthIndicators) {
  for (const char* data : {"0a5helloxy\r\n", "-01xy\r\n", "   xy\r\n", "099short\r\n"}) {
    Load(FieldsSection({"V, -3", "F, 2"}), data);
    ExpectError<Exception>([&] { list.ReadRecord(); }, "Error at offset 0");
  }
  // Five digits may announce more than a value can hold: refused, never cut to 16 bits.
  Load(FieldsSection({"V, -5"}), "99999" + std::string(100000, 'v') + "\r\n");
  ExpectError<Exception>([&] { list.ReadRecord(); }, "Error at offset 0");
}

TEST_F(FieldListTest, BinaryLengthIndicator) {
  Load(Join({"[Converter]", "BINARYLENGTHINDICATOR=TRUE"}) + FieldsSection({"V, -3", "F, 2"}),
       "\x05helloxy\r\n\xC8" + std::string(200, 'w') + "zz\r\n");
  list.ReadRecord();
  EXPECT_EQ(Value("F"), "xy");
  ExpectError<EDravikException>([&] { list.FieldByName("V").GetValue(); },
                                "BinaryLengthIndicator not supported");
  list.ReadRecord();
  EXPECT_EQ(Value("F"), "zz");
  EXPECT_EQ(list.Position(), 10 + 205);
}

TEST_F(FieldListTest, VirtualFieldsAreNotRead) {
  Load(FieldsSection({"A, 2", "C, 32773", "T, -32770", "B, 2"}), "abcd\r\n");
  list.FieldByName("C").SetValue("kept");
  list.ReadRecord();
  EXPECT_EQ(Value("A"), "ab");
  EXPECT_EQ(Value("B"), "cd");
  EXPECT_EQ(Value("C"), "kept ");
  EXPECT_EQ(Value("T"), "");
  EXPECT_EQ(list.Position(), 6);
  EXPECT_FALSE(list.ReadField(list.FieldByName("C")));
}

TEST_F(FieldListTest, UnknownFieldType) {
  Load(FieldsSection({}), "abc\r\n");
  auto field = std::make_unique<TDravikField>(&list);
  field->SetDescription("Z");  // no size: 0
  TDravikField& registered = list.RegisterField(std::move(field));
  ExpectError<EDravikException>([&] { list.ReadField(registered); }, "Unknown field type");
  ExpectError<Exception>([&] { list.ReadRecord(); }, "Error at offset 0");
}

TEST_F(FieldListTest, MemoFieldsReadTheMemoFile) {
  dir.Write("d.rfm", std::string("first\0second\0", 13));
  Load(FieldsSection({"CXR, 3", "MEMO_RULE, 8", "SUBMEMO, 4"}), "LH 00000006abcd\r\nXX 00000000efgh\r\n");
  list.ReadRecord();
  EXPECT_EQ(Value("CXR"), "LH ");
  EXPECT_EQ(Value("memo_rule"), "second");
  EXPECT_EQ(list.FieldByName("MEMO_RULE").GetStoredText(), "00000006");
  EXPECT_EQ(Value("SUBMEMO"), "abcd");
  list.ReadRecord();
  EXPECT_EQ(Value("MEMO_RULE"), "first");
}

TEST_F(FieldListTest, SetDataFileNameOpensWhatExists) {
  dir.Write("t.dat", "0123456789");
  dir.Write("t.rfm", "m");
  list.SetPosition(5);
  list.SetDataFileName(dir.Path("t.dat"));
  EXPECT_EQ(list.Position(), 0);
  EXPECT_EQ(list.DataFileName(), dir.Path("t.dat"));
  ASSERT_NE(list.DataReader(), nullptr);
  EXPECT_TRUE(list.DataReader()->IsOpen());
  EXPECT_EQ(list.MemoReader()->FileName(), dir.Path("t.rfm"));

  list.SetDataFileName(dir.Path("none.dat"));
  ASSERT_NE(list.DataReader(), nullptr);
  EXPECT_FALSE(list.DataReader()->IsOpen());
  EXPECT_FALSE(list.MemoReader()->IsOpen());
  ExpectError<EFileReaderException>([&] { list.ReadRecord(); }, "EOF-Error");
}

TEST_F(FieldListTest, WithoutDataFileReadsNothing) {
  dir.Write("d.ini", FieldsSection({"A, 3"}));
  list.LoadLayout(dir.Path("d.ini"));
  ExpectError<EFileReaderException>([&] { list.ReadRecord(); }, "EOF-Error");
}

TEST_F(FieldListTest, FetchCallbackSkipsOrLetsRead) {
  Load(FieldsSection({"A, 3", "B, 5"}), "abcdefgh\r\nABCDEFGH\r\n");
  std::vector<std::pair<int32_t, int32_t>> fetched;
  std::vector<std::pair<int32_t, int32_t>> read;
  int32_t skip = 0;
  list.OnFetchRecord = [&](TDravikFieldList& l, int64_t offset, int32_t& length) {
    EXPECT_EQ(&l, &list);
    EXPECT_EQ(length, 0);
    fetched.emplace_back(offset, skip);
    length = skip;
  };
  list.OnRecordRead = [&](TDravikFieldList&, int64_t offset, int32_t length) {
    read.emplace_back(offset, length);
  };
  skip = 10;
  list.ReadRecord();  // skipped: nothing read
  EXPECT_EQ(Value("A"), "   ");
  EXPECT_EQ(list.Position(), 10);
  skip = 0;
  list.ReadRecord();
  EXPECT_EQ(Value("A"), "ABC");
  skip = -17;
  list.ReadRecord();
  EXPECT_EQ(list.Position(), 3);
  EXPECT_EQ(fetched, (std::vector<std::pair<int32_t, int32_t>>{{0, 10}, {10, 0}, {20, -17}}));
  EXPECT_EQ(read, (std::vector<std::pair<int32_t, int32_t>>{{10, 10}}));
}

// A derived layout replacing the virtual hooks, as the STADAF layouts do.
class TCountingList : public TDravikFieldList {
 public:
  void FetchRecord(TDravikFieldList&, int64_t offset, int32_t& length) override {
    ++fetches;
    if (offset == 0) length = 10;
  }
  void RecordRead(TDravikFieldList&, int64_t offset, int32_t length) override {
    reads.emplace_back(offset, length);
  }
  void ReadFields(std::string& separator) override {
    TDravikFieldList::ReadFields(separator);
    lastSeparator = separator;
  }
  int fetches = 0;
  std::vector<std::pair<int32_t, int32_t>> reads;
  std::string lastSeparator;
};

TEST_F(FieldListTest, DerivedListsReplaceTheHooks) {
  dir.Write("c.ini", FieldsSection({"A, 3", "B, 5"}));
  dir.Write("c.rff", "abcdefgh\r\nABCDEFGH\n!");
  TCountingList counting;
  counting.SetDataFileName(dir.Path("c.rff"));
  counting.LoadLayout(dir.Path("c.ini"));
  counting.ReadRecord();
  counting.ReadRecord();
  EXPECT_EQ(counting.fetches, 2);
  EXPECT_EQ(counting.reads, (std::vector<std::pair<int32_t, int32_t>>{{10, 10}}));
  EXPECT_EQ(counting.lastSeparator, "\n!");

  // A callback takes the place of the virtual operation.
  int callbacks = 0;
  counting.OnFetchRecord = [&](TDravikFieldList&, int32_t, int32_t&) { ++callbacks; };
  counting.SetPosition(10);
  counting.ReadRecord();
  EXPECT_EQ(callbacks, 1);
  EXPECT_EQ(counting.fetches, 2);
}

TEST_F(FieldListTest, SeparatorLengthFollowsRecordSeparator) {
  Load(FieldsSection({"A, 2"}), "ab\rcd\r");
  list.SetRecordSeparator("\r");
  list.ReadRecord();
  list.ReadRecord();
  EXPECT_EQ(Value("A"), "cd");
  EXPECT_EQ(list.Position(), 6);
}

// Many records across the reader's read-ahead window boundaries.
TEST_F(FieldListTest, LongFileReadsEveryRecordExactly) {
  std::string data;
  const int records = 40000;
  for (int i = 0; i < records; ++i) {
    std::string number = std::to_string(i);
    data += std::string(8 - number.size(), '0') + number + "|" +
            std::string(1, static_cast<char>('a' + i % 26)) + "003" + std::to_string(i % 10) + "xy\r\n";
  }
  Load(FieldsSection({"N, 8", "S, 1", "L, 1", "V, -3"}), data);
  ASSERT_EQ(list.GetRecordCount(), records * 2);  // 18-byte records against a length of 8 + 1 + 1 - 3 + 2
  list.SetPosition(0);
  for (int i = 0; i < records; ++i) {
    list.ReadRecord();
    const std::string number = std::to_string(i);
    ASSERT_EQ(Value("N"), std::string(8 - number.size(), '0') + number);
    ASSERT_EQ(Value("L"), std::string(1, static_cast<char>('a' + i % 26)));
    ASSERT_EQ(Value("V"), std::to_string(i % 10) + "xy");
  }
  EXPECT_EQ(list.Position(), static_cast<int32_t>(data.size()));
}

}  // namespace

namespace {

// Fields of derived classes receive the record bytes through their own SetValue.
class TUpperField : public TDravikField {
 public:
  using TDravikField::TDravikField;
  void SetValue(const char* text) override {
    std::string upper = UpperCase(text ? text : "");
    TDravikField::SetValue(upper.c_str());
  }
};

class TTaggedVariableField : public TVariableDravikField {
 public:
  using TVariableDravikField::TVariableDravikField;
  void SetValue(const char* text) override {
    seen = text ? text : "";
    TVariableDravikField::SetValue(("<" + seen + ">").c_str());
  }
  std::string seen;
};

TEST_F(FieldListTest, DerivedFieldsGetTheirSetValue) {
  Load(FieldsSection({}), "abc004wxyz\r\n");
  auto upper = std::make_unique<TUpperField>(&list);
  upper->SetDescription("U, 3");
  auto tagged = std::make_unique<TTaggedVariableField>(&list);
  tagged->SetDescription("T, -3");
  TTaggedVariableField& taggedField = *tagged;
  list.RegisterField(std::move(upper));
  list.RegisterField(std::move(tagged));
  list.ReadRecord();
  EXPECT_EQ(Value("U"), "ABC");
  EXPECT_EQ(taggedField.seen, "wxyz");
  EXPECT_EQ(Value("T"), "<wxyz>");
}

// Reading a record gives each field exactly what SetValue on the record's bytes gives.
TEST_F(FieldListTest, ReadValuesEqualSetValue) {
  for (int32_t size : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 40, 300}) {
    std::vector<int32_t> zeros = {-1, 0, size / 2, size - 1};
    for (int32_t zero : zeros) {
      std::string bytes;
      for (int32_t i = 0; i < size; ++i) bytes += static_cast<char>('a' + i % 26);
      if (zero >= 0) bytes[static_cast<size_t>(zero)] = '\0';
      const std::string variable = bytes.substr(0, static_cast<size_t>(std::min(size, 99)));
      const std::string indicator = PadLeftZeros(std::to_string(variable.size()), 2);
      Load(FieldsSection({"F, " + std::to_string(size), "V, -2"}), bytes + indicator + variable + "\r\n");
      list.ReadRecord();

      TDravikField fixed(nullptr);
      fixed.SetDescription("F, " + std::to_string(size));
      fixed.SetValue(bytes.c_str());
      TVariableDravikField var(nullptr);
      var.SetDescription("V, -2");
      var.SetValue(variable.c_str());
      EXPECT_EQ(Value("F"), fixed.ValueAsString()) << size << "/" << zero;
      EXPECT_EQ(Value("V"), var.ValueAsString()) << size << "/" << zero;
      EXPECT_EQ(static_cast<TVariableDravikField&>(list.FieldByName("V")).LengthIndicator(),
                var.LengthIndicator())
          << size << "/" << zero;
      EXPECT_EQ(list.Position(), size + 2 + static_cast<int32_t>(variable.size()) + 2);
    }
  }
}

// 100,000 fields in descending name order: every field is found by name in any letter case, duplicates are
// still refused, and layout errors name the layout file.
TEST_F(FieldListTest, LargeLayoutsFindEveryFieldByName) {
  std::string layout = "[FIELDDESCRIPTIONS]\r\n";
  for (int i = 99999; i >= 0; --i) layout += "f" + std::to_string(i) + ", 1\r\n";
  Load(layout);
  EXPECT_EQ(list.FieldCount(), 100000);
  EXPECT_EQ(list.RecordLength(), 100002);
  for (const int i : {0, 1, 4711, 99999})
    EXPECT_EQ(&list.FieldByName("F" + std::to_string(i)), &list.FieldByIndex(99999 - i));
  EXPECT_EQ(&list.FieldByName("f100000"), &list.DefaultField());
  dir.Write("e.ini", FieldsSection({"A, 1", "B, 2", "a, 3"}));
  try {
    list.LoadLayout(dir.Path("e.ini"));
    ADD_FAILURE();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    EXPECT_EQ(e.FileName(), dir.Path("e.ini"));
  }
}

}  // namespace
