#include <gtest/gtest.h>

#include <array>

#include "layout/FileReader.h"
#include "stadaf/Stadaf110FieldList.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafNewHeader.h"
#include "stadaf/StadafStructField.h"
#include "support/ConfigStorage.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

std::string Entry210(char type, std::string_view size, std::string_view name, std::string_view ref = "  ") {
  std::string entry = Entry(type, size, name);
  entry.pop_back();
  return entry + std::string(ref) + '\r';
}

// A 1.10 header area and records, piece by piece, so that a test can spoil one piece.
struct T110Parts {
  std::string count = "00000001";
  std::string fieldCount = "0002";
  std::string entries = Entry('F', "00003", "CXR") + Entry('D', "00002", "NOTE");
  std::string constantCount = "00000001";
  std::string constants = "CUR=EUR" + std::string(33, ' ') + '\r';
  std::string separator = "|";
  std::string text = "00012line1\r\nline2";
  std::string end = "\r\n";
  std::string records = "LH 05hello\r";

  std::string Bytes() const {
    return FixedPart("1.10", count) + fieldCount + entries + constantCount + constants + separator + text +
           end + records;
  }
};

// A 2.00 header area with a fare layout of two fields and one fare record.
struct T200Parts {
  std::string count = "000000001";
  std::array<std::string, 5> recordCounts{"0000001", "0000000", "0000000", "0000000", "0000000"};
  std::array<std::string, 5> fieldCounts{"002", "001", "000", "000", "000"};
  std::array<std::string, 5> entries{Entry('F', "00002", "FaType") + Entry('F', "00003", "FaCxr"),
                                     Entry('F', "00002", "RlType"), "", "", ""};
  std::string text = "00000";
  std::string end = "\r\n";
  std::string records = "FALH \r";

  std::string Bytes() const {
    std::string h = FixedPart("2.00", count) + "\r";
    for (size_t g = 0; g < 5; ++g) h += recordCounts[g] + "\r" + fieldCounts[g] + "\r" + entries[g];
    return h + text + end + records;
  }
};

// A 2.10 header area with the groups Fa and Mc.
struct T210Parts {
  std::string count = "000000001";
  std::string groupCount = "02";
  std::string codes = "FaMc";
  std::string groups = "0000001\r001\r" + Entry210('F', "00002", "FaType") + "0000000\r001\r" +
                       Entry210('F', "00002", "McType");
  std::string text = "00000";
  std::string end = "\r\n";
  std::string records = "FA\r";

  std::string Bytes() const {
    return FixedPart("2.10", count) + "\r" + groupCount + "\r" + codes + "\r" + groups + text + end + records;
  }
};

class StadafHeader : public ::testing::Test {
 protected:
  template <class List>
  std::unique_ptr<List> Load(const std::string& bytes) {
    auto list = std::make_unique<List>();
    list->SetDataFileName(dir.Write("h.daf", bytes));
    list->LoadLayout(dir.Path("h.ini"));
    return list;
  }

  TTempDir dir;
};

TEST_F(StadafHeader, Version110ReadsFieldsConstantsSeparatorAndTextBlock) {
  const T110Parts parts;
  const auto list = Load<TStadaf110FieldList>(parts.Bytes());
  ASSERT_EQ(list->FieldCount(), 2);
  EXPECT_EQ(list->FieldByIndex(0).GetDescription(), "CXR, 3");
  EXPECT_EQ(list->FieldByIndex(1).Size(), -2);
  EXPECT_EQ(list->Transformer().RuleCount(), 1);
  EXPECT_EQ(list->Transformer().Values()[0], "EUR" + std::string(33, ' '));
  EXPECT_EQ(list->SeparatorChar(), '|');
  EXPECT_EQ(list->HeaderLines(), (std::vector<std::string>{"line1", "line2"}));
  EXPECT_EQ(list->DataStart(), static_cast<int32_t>(parts.Bytes().size() - parts.records.size()));
  EXPECT_EQ(list->Position(), list->DataStart());
  EXPECT_EQ(list->GetRecordCount(), 1);
  EXPECT_EQ(list->RecordCountText(), "00000001");
  EXPECT_EQ(list->GetIdentificationText(), "Kestrelwing Samples ");
  EXPECT_EQ(list->FieldByIndex(0).RecordType(), 0);
  EXPECT_EQ(list->GetRecordLength(), 0);
}

TEST_F(StadafHeader, Version200AssignsEachGroupsFieldsItsRecordType) {
  const auto list = Load<TStadaf200FieldList>(T200Parts().Bytes());
  ASSERT_EQ(list->FieldCount(), 3);
  EXPECT_EQ(list->FieldByName("FaCxr").RecordType(), 1);
  EXPECT_EQ(list->FieldByName("RlType").RecordType(), 2);
  EXPECT_EQ(list->TypeRecordCount(1), 1);
  EXPECT_EQ(list->TypeFieldCount(1), 2);
  EXPECT_EQ(list->TypeFieldCount(2), 1);
  ASSERT_EQ(list->TypeGroups().size(), 5u);
  EXPECT_EQ(list->TypeGroups()[3].Code, "RT");
  EXPECT_EQ(list->TypeNames().Lookup("AS"), "AddOn/SideTrip");
  EXPECT_EQ(list->TypeNames().Lookup("RS"), "Routingsegment");
  EXPECT_EQ(list->CountWidth(), 9);
}

TEST_F(StadafHeader, Version210ReadsTheGroupsOfItsCodeList) {
  T210Parts parts;
  parts.groupCount = "03";
  parts.codes = "FaTkRs";
  parts.groups = "0000001\r001\r" + Entry210('F', "00002", "FaType", "Tk") + "0000000\r001\r" +
                 Entry210('F', "00002", "TkType") + "0000000\r001\r" + Entry210('F', "00002", "RsType");
  const auto list = Load<TStadaf210FieldList>(parts.Bytes());
  EXPECT_EQ(list->TypeGroupCount(), 3);
  EXPECT_EQ(list->TypeCodes(), "FaTkRs");
  EXPECT_EQ(list->FieldByName("FaType").RecordType(), 1);
  EXPECT_EQ(list->FieldByName("TkType").RecordType(), 3);
  EXPECT_EQ(list->FieldByName("RsType").RecordType(), 5);
}

TEST_F(StadafHeader, Version210GroupOfAnUnknownCodeIsReadWithoutType) {
  const auto list = Load<TStadaf210FieldList>(T210Parts().Bytes());
  EXPECT_EQ(list->FieldByName("McType").RecordType(), 0);
  EXPECT_EQ(list->TypeGroups()[1].RecordType, 0);
  EXPECT_EQ(list->TypeGroups()[1].FirstField, 1);
}

TEST(StadafGroupCode, LettersGiveTheRecordTypeWithoutRegardToCase) {
  const std::pair<const char*, int> cases[] = {{"Fa", 1}, {"fx", 1}, {"Tk", 3}, {"tz", 3},
                                               {"Rl", 2}, {"rs", 5}, {"RT", 4}, {"Rx", 0},
                                               {"Mc", 0}, {"AS", 0}, {"", 0}};
  for (const auto& [code, type] : cases) EXPECT_EQ(TStadaf210FieldList::RecordTypeOfCode(code), type) << code;
}

TEST_F(StadafHeader, CountsAndTheClosingBytesAreChecked) {
  struct TCase {
    const char* what;
    std::string bytes;
    std::string message;
  };
  std::vector<TCase> cases;
  auto with200 = [&](const char* what, auto change, const char* message) {
    T200Parts parts;
    change(parts);
    cases.push_back({what, parts.Bytes(), message});
  };
  with200(
      "letter in the third group's record count", [](T200Parts& p) { p.recordCounts[2] = "00a0000"; },
      "Header corrupted");
  with200(
      "letter in a description count", [](T200Parts& p) { p.fieldCounts[1] = "0x1"; }, "Header corrupted");
  with200(
      "closing bytes", [](T200Parts& p) { p.end = "\r\r"; }, "Header corrupted");
  with200(
      "one closing byte", [](T200Parts& p) { p.end = "\r", p.records = ""; }, "Header incomplete");
  with200(
      "no closing byte", [](T200Parts& p) { p.end = "", p.records = ""; }, "Header incomplete");
  with200(
      "record count 0", [](T200Parts& p) { p.count = "000000000"; }, "Recordcount is 0");
  with200(
      "record count no number", [](T200Parts& p) { p.count = "00000000x"; }, "Recordcount is 0");
  with200(
      "text length letters, text follows", [](T200Parts& p) { p.text = "abcdeXY"; }, "Header corrupted");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectError<EStadafException>([&] { Load<TStadaf200FieldList>(c.bytes); }, c.message);
  }
  T210Parts letters;
  letters.groupCount = "0x";
  ExpectError<EStadafException>([&] { Load<TStadaf210FieldList>(letters.Bytes()); }, "Header corrupted");
  T210Parts negative;
  negative.groupCount = "-1";
  ExpectError<EStadafException>([&] { Load<TStadaf210FieldList>(negative.Bytes()); }, "Header corrupted");
  T210Parts zero;
  zero.count = "000000000";
  ExpectError<EStadafException>([&] { Load<TStadaf210FieldList>(zero.Bytes()); }, "Recordcount is 0");
  T110Parts closing;
  closing.end = "\n\r";
  ExpectError<EStadafException>([&] { Load<TStadaf110FieldList>(closing.Bytes()); }, "Header corrupted");
}

TEST_F(StadafHeader, TextLengthOfLettersReadsAnEmptyBlock) {
  T200Parts parts;
  parts.text = "abcde";
  const auto list = Load<TStadaf200FieldList>(parts.Bytes());
  EXPECT_TRUE(list->HeaderLines().empty());
}

TEST_F(StadafHeader, Version110AcceptsZeroRecordsAndConvertsItsCountStrictly) {
  T110Parts zero;
  zero.count = "00000000";
  zero.records = "";
  EXPECT_EQ(Load<TStadaf110FieldList>(zero.Bytes())->GetRecordCount(), 0);
  T110Parts letters;
  letters.count = "0000000x";
  const auto list = Load<TStadaf110FieldList>(letters.Bytes());
  ExpectError<EConvertError>([&] { list->GetRecordCount(); }, "'0000000x' is not a valid integer value");
}

TEST_F(StadafHeader, WithoutAnOpenDataFileVersions110And200RefuseAndVersion210ReadsNothing) {
  TStadaf110FieldList list110;
  ExpectError<EStadafException>([&] { list110.LoadLayout("x.ini"); }, "No FileReader initalized");
  TStadaf200FieldList list200;
  list200.SetDataFileName(dir.Path("missing.daf"));
  ExpectError<EStadafException>([&] { list200.LoadLayout("x.ini"); }, "No FileReader initalized");
  TStadaf210FieldList list210;
  ExpectError<EFileReaderException>([&] { list210.LoadLayout("x.ini"); }, "EOF-Error");
}

TEST_F(StadafHeader, EntryAndConstantErrors) {
  struct TCase {
    const char* what;
    std::string entries;
    std::string constants;
    std::string message;
  };
  std::string noCr = Entry('F', "00003", "CXR");
  noCr.back() = 'X';
  std::string noCrConstant = "CUR=EUR" + std::string(33, ' ') + 'X';
  const TCase cases[] = {
      {"entry without CR", noCr + Entry('D', "00002", "NOTE"), T110Parts().constants,
       noCr + ": Unexpected field description"},
      {"size letters", Entry('F', "00x03", "CXR") + Entry('D', "00002", "NOTE"), T110Parts().constants,
       "Invalid field size"},
      {"constant without CR", T110Parts().entries, noCrConstant,
       noCrConstant + ": Unexpected constant description"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    T110Parts parts;
    parts.entries = c.entries;
    parts.constants = c.constants;
    ExpectError<EStadafException>([&] { Load<TStadaf110FieldList>(parts.Bytes()); }, c.message);
  }
  T110Parts unknownType;
  unknownType.entries = Entry('X', "00003", "C X R") + Entry('D', "00002", "NOTE");
  ExpectError<EStadafException>([&] { Load<TStadaf110FieldList>(unknownType.Bytes()); },
                                "C X R" + std::string(25, ' ') + ": Unknown field type");
  T110Parts noRule;
  noRule.constants = std::string(40, ' ') + '\r';
  ExpectError<ETransformerException>([&] { Load<TStadaf110FieldList>(noRule.Bytes()); },
                                     "Invalid transformation rule");
  T200Parts duplicate;
  duplicate.entries[1] = Entry('F', "00002", "FATYPE");
  ExpectError<EStringListError>([&] { Load<TStadaf200FieldList>(duplicate.Bytes()); },
                                "String list does not allow duplicates");
}

TEST(StadafFieldEntry, TypeAndSizeChooseTheFieldKind) {
  TStadaf200FieldList list;
  TDravikField* fixed = list.AddFieldFromEntry(Entry('F', "00012", "FARE BASIS"));
  EXPECT_EQ(fixed->GetDescription(), "FAREBASIS, 12");
  TDravikField* variable = list.AddFieldFromEntry(Entry('D', "00003", "NOTE"));
  EXPECT_TRUE(variable->IsVariable());
  EXPECT_EQ(variable->Size(), -3);
  TDravikField* structured = list.AddFieldFromEntry(Entry('S', "00000", "VIA"));
  EXPECT_NE(dynamic_cast<TStadafStructField*>(structured), nullptr);
  EXPECT_EQ(structured->GetDescription(), "VIA, 0, 0");
  TDravikField* memo = list.AddFieldFromEntry(Entry('S', "00005", "MEMO"));
  EXPECT_EQ(memo->Size(), 5);
  EXPECT_TRUE(memo->IsMemo());
  TDravikField* virtualField = list.AddFieldFromEntry(Entry('F', "40000", "CALC"));
  EXPECT_TRUE(virtualField->IsVirtual());
  EXPECT_EQ(virtualField->Size(), 40000 - 32768);
  ExpectError<EDravikException>([&] { list.AddFieldFromEntry(Entry('D', "00006", "LONG")); },
                                "Invalid dynamic field size -6");
  ExpectError<EStadafException>([&] { list.AddFieldFromEntry(Entry('F', "00000", "NONE")); },
                                ": Invalid number of definition parameters for Stadaf struct");
  TStadaf210FieldList list210;
  EXPECT_EQ(list210.AddFieldFromEntry(Entry210('F', "00008", "FATKREF", "Tk"))->GetDescription(),
            "FATKREF, 8");
  const std::string short210 = Entry('F', "00008", "FATKREF");
  ExpectError<EStadafException>([&] { list210.AddFieldFromEntry(short210); },
                                short210 + ": Unexpected field description");
}

TEST(StadafConstant, BlanksFillingTheEntryBelongToTheValue) {
  TStadaf110FieldList list;
  list.AddConstant("ABC=DEF" + std::string(33, ' ') + '\r');
  list.AddConstant(std::string("X=Y\0Z", 5) + std::string(35, ' ') + '\r');
  EXPECT_EQ(list.Transformer().Names()[0], "ABC");
  EXPECT_EQ(list.Transformer().Values()[0], "DEF" + std::string(33, ' '));
  EXPECT_EQ(list.Transformer().Rules()[1], "X=Y");
  list.ClearFields();
  EXPECT_EQ(list.Transformer().RuleCount(), 0);
}

TEST(StadafNewHeader, DefaultsWithoutConfiguredSender) {
  ReleaseConfigStorage();
  const std::string label = StadafConverterLabel();
  EXPECT_EQ(label.rfind("Kestrelwing ", 0), 0u) << label;
  std::string labelField = label.substr(0, 20);
  labelField.resize(20, ' ');
  const std::string expected110 =
      "STADAF1.10000000000000Corvanelle          CV   " + labelField + "00001#000000000000PC-ASCII00000000";
  EXPECT_EQ(TStadaf110FieldList().HeaderBytes(), expected110);
  EXPECT_EQ(TStadaf200FieldList().HeaderBytes().substr(0, 10), "STADAF2.00");
  EXPECT_EQ(TStadaf210FieldList().HeaderBytes().substr(0, 10), "STADAF2.10");
  EXPECT_EQ(TStadaf210FieldList().RecordCountText(), "000000000");
  EXPECT_EQ(TStadaf200FieldList().GetIdentificationText(), "Corvanelle          ");
  EXPECT_EQ(TStadaf200FieldList().SeparatorChar(), '|');
}

TEST(StadafNewHeader, ConfiguredSenderNameAndCode) {
  const Ref<IConfigIni> config = Query<IConfigIni>(GetConfigStorage());
  config->WriteString("Converter", "SenderName", "  Acme Fares  ");
  config->WriteString("Converter", "SenderCode", " AB ");
  TStadaf110FieldList list110;
  TStadaf200FieldList list200;
  ReleaseConfigStorage();
  EXPECT_EQ(list110.HeaderBytes().substr(22, 20), std::string("Acme Fares") + std::string(10, '\0'));
  EXPECT_EQ(list110.HeaderBytes().substr(42, 5), std::string("AB\0\0\0", 5));
  EXPECT_EQ(list200.HeaderBytes().substr(42, 5), "AB   ");
  EXPECT_EQ(list110.GetIdentificationText(), "Acme Fares");
}

TEST(StadafNewHeader, RecordCountTextIsPaddedToItsWidth) {
  TStadaf200FieldList list;
  list.SetRecordCountText("42");
  EXPECT_EQ(list.RecordCountText(), "000000042");
  EXPECT_EQ(list.GetRecordCount(), 42);
}

}  // namespace
