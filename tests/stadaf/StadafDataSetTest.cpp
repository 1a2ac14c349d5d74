#include <gtest/gtest.h>

#include <fstream>

#include "stadaf/Stadaf110FieldList.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafDataSet.h"
#include "stadaf/StadafException.h"
#include "stadaf/StadafFile.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

std::vector<std::string> Values(TDataSet& ds) {
  std::vector<std::string> values;
  for (const auto& field : ds.Fields()) values.push_back(field->AsString());
  return values;
}

std::vector<std::string> FieldNames(TDataSet& ds) {
  std::vector<std::string> names;
  for (const auto& field : ds.Fields()) names.push_back(field->FieldName() + (field->IsBlob() ? "*" : ""));
  return names;
}

class StadafDataSet : public ::testing::Test {
 protected:
  // Opens record type t of the file with the given bytes, indexed first.
  std::unique_ptr<TStadafTypeView> Open(const std::string& bytes, uint8_t t,
                                        const std::string& name = "d.daf") {
    const std::string path = dir.Write(name, bytes);
    index = BuildRecordTypeIndex(path);
    return std::make_unique<TStadafTypeView>(path, RecordTypeOffsets(index, t), t);
  }

  TTempDir dir;
  Ref<IInterfaceMap> index;
};

TEST_F(StadafDataSet, DefinesOnlyTheFieldsOfItsRecordType) {
  const auto tickets = Open(BuildSample200(), 3);
  EXPECT_EQ(FieldNames(tickets->DataSet()),
            (std::vector<std::string>{"TkRecordLength", "TkRecordType", "TkReference", "TkDesignator",
                                      "TkTourCode", "TkEndorsement*"}));
  EXPECT_EQ(tickets->DataSet().GetRecordCount(), 0);
  EXPECT_TRUE(tickets->DataSet().IsEmpty());
  const auto routings = Open(BuildSample200(), 4);
  EXPECT_EQ(routings->DataSet().GetRecordCount(), 3);
  EXPECT_EQ(routings->DataSet().Fields().Count(), 6);
  EXPECT_EQ(routings->DataSet().Fields()[3].Size(), 5);
}

TEST_F(StadafDataSet, Version110DefinesEveryField) {
  const auto fares = Open(BuildSample110(), 1);
  EXPECT_EQ(FieldNames(fares->DataSet()),
            (std::vector<std::string>{"CARRIER", "ORIGIN", "DESTINATION", "FAREBASIS", "AMOUNT", "CURRENCY",
                                      "ROUTING*", "FLIGHTS*", "REMARK*"}));
  EXPECT_EQ(fares->DataSet().GetRecordCount(), 5);
  fares->DataSet().SetRecNo(3);
  EXPECT_EQ(Values(fares->DataSet()),
            (std::vector<std::string>{"LX ", "ZRH  ", "BKK  ", "VSAVER  ", "     1120.00", "CHF", "ZRH-BKK",
                                      "LX0180", "Z\xfcrich departures only"}));
}

TEST_F(StadafDataSet, DeliversFixedValuesZeroTerminatedAndMemosWithAZeroByte) {
  const auto fares = Open(BuildSample200(), 1);
  TStadafDataSet& ds = fares->DataSet();
  ds.SetRecNo(2);
  EXPECT_EQ(ds.GetRecNo(), 2);
  const TField& footnote = *ds.FindField("FaFootnote");
  EXPECT_TRUE(footnote.IsBlob());
  const auto empty = ds.CreateBlobStream(footnote, TBlobStreamMode::bmRead);
  EXPECT_EQ(empty->Size(), 1);
  const TField& remark = *ds.FindField("FaRemark");
  const auto stream = ds.CreateBlobStream(remark, TBlobStreamMode::bmRead);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream->Memory()), static_cast<size_t>(stream->Size())),
            std::string("M\xfcnchen departures") + '\0');
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(ds.CreateBlobStream(remark, TBlobStreamMode::bmWrite)->Size(), 0);
  const TField& fareBasis = *ds.FindField("FaFareBasis");
  std::vector<char> data(static_cast<size_t>(fareBasis.DataSize()), 'x');
  EXPECT_TRUE(fareBasis.GetData(data.data()));
  EXPECT_EQ(std::string(data.data(), data.size()), std::string("KLX7NR  ") + '\0');
  EXPECT_TRUE(fareBasis.GetData(nullptr));
  ds.SetRecNo(5);
  EXPECT_EQ(ds.FindField("FaFootnote")->AsString(), "C3");
  EXPECT_EQ(ds.FindField("FaFlightRanges")->AsString(), "");
  ds.SetRecNo(4);
  EXPECT_EQ(ds.FindField("FaFlightRanges")->AsString(), "LX180LX181");
}

TEST_F(StadafDataSet, ABlankFixedValueArrivesAsBlanksNotEmpty) {
  TStadafFileBuilder builder("2.00");
  builder.AddGroup("FA",
                   {TStadafFieldSpec{'F', 2, "FaType", "", 0}, TStadafFieldSpec{'F', 5, "FaBlank", "", 0}});
  for (const char* code : {"RL", "TK", "RT", "RS"}) builder.AddGroup(code, {});
  builder.AddRecord(0, {"FA", "     "});
  const auto fares = Open(builder.Build(), 1);
  const TField& field = *fares->DataSet().FindField("FaBlank");
  std::vector<char> data(6, 'x');
  ASSERT_TRUE(field.GetData(data.data()));
  EXPECT_EQ(std::string(data.data(), 6), std::string("     ") + '\0');
}

TEST_F(StadafDataSet, ReadsARecordOnceAndOnlyTheRecordsAskedFor) {
  const auto fares = Open(BuildSample200(), 1);
  std::vector<int32_t> reads;
  fares->FieldList().OnRecordRead = [&](TDravikFieldList&, int32_t offset, int32_t) {
    reads.push_back(offset);
  };
  TStadafDataSet& ds = fares->DataSet();
  ds.Last();
  EXPECT_EQ(ds.GetRecNo(), 6);
  Values(ds);
  Values(ds);
  EXPECT_EQ(reads, std::vector<int32_t>{fares->Offsets()->GetItem(5)});
  ds.SetRecNo(99);
  EXPECT_EQ(ds.GetRecNo(), 6) << "clamped";
  ds.SetRecNo(0);
  EXPECT_EQ(ds.GetRecNo(), 1);
}

TEST_F(StadafDataSet, ACorruptRecordReportsItsErrorOnceUntilAnotherRecordWasRead) {
  const std::string good = BuildSample200();
  const auto fares = Open(good, 1);
  // Spoil fare 2 in place after indexing: its length prefix of FaRemark no longer fits the record.
  const int32_t offset = fares->Offsets()->GetItem(1);
  std::string bad = good;
  const size_t remark = bad.find("M\xfcnchen", static_cast<size_t>(offset)) - 3;
  bad.replace(remark, 3, "099");
  std::ofstream(dir.Path("d.daf"), std::ios::binary | std::ios::trunc) << bad;
  TStadafTypeView view(dir.Path("d.daf"), fares->Offsets(), 1);
  TStadafDataSet& ds = view.DataSet();
  ds.SetRecNo(2);
  const TField& carrier = *ds.FindField("FaCarrier");
  ExpectError<Exception>([&] { carrier.AsString(); }, "Error at offset " + std::to_string(offset));
  EXPECT_EQ(carrier.AsString(), "LH ") << "the values as far as they were read, no second error";
  ds.SetRecNo(1);
  EXPECT_EQ(carrier.AsString(), "LH ");
  ds.SetRecNo(2);
  EXPECT_THROW(carrier.AsString(), Exception);
}

TEST_F(StadafDataSet, TypeViewRefusesUnsupportedVersions) {
  const std::string path = dir.Write("x.daf", "STADAF3.00" + std::string(200, '0'));
  ExpectError<EStadafException>([&] { TStadafTypeView view(path, nullptr, 1); },
                                "Unsupported Stadaf version detected, application shutting down");
  ExpectError<EStadafException>([&] { CreateStadafFieldList(-1); },
                                "Unsupported Stadaf version detected, application shutting down");
  EXPECT_NE(dynamic_cast<TStadaf110FieldList*>(CreateStadafFieldList(100).get()), nullptr);
  EXPECT_NE(dynamic_cast<TStadaf210FieldList*>(CreateStadafFieldList(210).get()), nullptr);
}

// Offsets of another record type (a cache that does not fit its file) showed blank values.
TEST_F(StadafDataSet, ARecordOfAnotherTypeIsAnErrorNotBlankValues) {
  const std::string path = dir.Write("d.daf", BuildSample200());
  index = BuildRecordTypeIndex(path);
  const Ref<IDynamicIntegerArray> rules = RecordTypeOffsets(index, 2);
  TStadafTypeView fares(path, rules, 1);
  try {
    fares.DataSet().Fields()[2].AsString();
    ADD_FAILURE();
  } catch (const EStadafException& e) {
    EXPECT_EQ(e.Message(),
              "The record at offset " + std::to_string(rules->GetItem(0)) + " is not of record type Fare");
    EXPECT_EQ(e.FileName(), path);
  }
}

}  // namespace
