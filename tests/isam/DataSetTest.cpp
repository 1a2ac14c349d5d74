#include <atomic>
#include <thread>

#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "dataset/ViewDataSet.h"
#include "isam/CtreeDataSet.h"
#include "isam/CtreeFields.h"
#include "tests/isam/TableTestSupport.h"

namespace {

// A table that counts its engine calls.
class TCountingTable : public TCTreeTable {
 public:
  int16_t CallEngine(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                     int16_t count) override {
    ++calls;
    return TCTreeTable::CallEngine(function, file, p1, plong, p2, p3, count);
  }
  int calls = 0;
};

class CtreeDataSetTest : public TableTest {
 protected:
  // A people table of n rows: ids n … 1 in physical order, names descending with the ids.
  void Fill(const std::string& name, int rows) {
    TCTreeTable& table = CreatePeople(name);
    table.Open();
    for (int id = rows; id >= 1; --id) {
      table.Insert();
      table.FieldByName("id").SetAsInteger(id);
      table.FieldByName("name").SetAsString("name " + std::to_string(100000 - id));
      table.FieldByName("born").SetAsString("1/2/2003");
      ASSERT_TRUE(table.Post());
    }
    table.Close();
  }
  // An open table of an integer "id" and one more field.
  TCTreeTable& OpenIdTable(const std::string& name, const std::string& field, TCtreeFieldClass fieldClass) {
    TCTreeTable& table = NewTable(name);
    table.ClearFields();
    table.AddField("id", kIntegerField, 4);
    table.AddField(field, fieldClass, 0);
    EXPECT_TRUE(table.CreateTable());
    table.Open();
    return table;
  }
  std::unique_ptr<TCtreeDataSet> OpenDataSet(const std::string& name, TCountingTable** counting = nullptr) {
    auto table = std::make_unique<TCountingTable>();
    table->SetTableName(dir_.Path(name));
    if (counting) *counting = table.get();
    auto dataSet = std::make_unique<TCtreeDataSet>(std::move(table));
    dataSet->Open();
    return dataSet;
  }
  static std::vector<std::string> Column(TCtreeDataSet& dataSet, const std::string& field) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
      values.push_back(dataSet.FieldByName(field).AsString());
    return values;
  }
};

TEST_F(CtreeDataSetTest, RowsFollowTheChosenIndex) {
  Fill("people", 5);
  auto dataSet = OpenDataSet("people");
  EXPECT_EQ(dataSet->IndexName(), "byId");
  EXPECT_EQ(dataSet->IndexNames(), (std::vector<std::string>{"byId", "byName"}));
  EXPECT_EQ(dataSet->GetRecordCount(), 5);
  EXPECT_EQ(Column(*dataSet, "id"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  dataSet->First();
  EXPECT_EQ(dataSet->FieldByName("born").AsString(), "1/2/2003");
  EXPECT_EQ(dataSet->FieldByName("score").AsString(), "");
  dataSet->SetIndexName("byName");
  EXPECT_EQ(Column(*dataSet, "id"), (std::vector<std::string>{"5", "4", "3", "2", "1"}));
  dataSet->SetIndexName("");
  EXPECT_EQ(Column(*dataSet, "id"), (std::vector<std::string>{"5", "4", "3", "2", "1"}));
  dataSet->Last();
  EXPECT_EQ(dataSet->FieldByName("id").AsString(), "1");
  dataSet->Prior();
  EXPECT_EQ(dataSet->FieldByName("id").AsString(), "2");
  EXPECT_TRUE(dataSet->FindField("Internal delete flag") == nullptr);
  EXPECT_TRUE(dataSet->Table().Active());
  dataSet->Close();
  EXPECT_FALSE(dataSet->Table().Active());
}

TEST_F(CtreeDataSetTest, MemoColumnsCarryTheirTexts) {
  TCTreeTable& table = OpenIdTable("notes", "text", kMemoField);
  table.Insert();
  table.FieldByName("id").SetAsInteger(1);
  table.FieldByName("text").SetBlobData("line one\r\nline two");
  ASSERT_TRUE(table.Post());
  table.Close();
  auto dataSet = OpenDataSet("notes");
  EXPECT_EQ(dataSet->IndexName(), "");
  ASSERT_EQ(dataSet->FieldByName("text").DataType(), TFieldType::ftMemo);
  auto stream = dataSet->CreateBlobStream(dataSet->FieldByName("text"), TBlobStreamMode::bmRead);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream->Memory())), "line one\r\nline two");
}

TEST_F(CtreeDataSetTest, PictureColumnsShowTheirTextAndGiveTheirBytesApart) {
  TCTreeTable& table = OpenIdTable("logos", "logo", kGraphicField);
  const std::string picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  for (const int id : {1, 2}) {
    table.Insert();
    table.FieldByName("id").SetAsInteger(id);
    if (id == 1)
      dynamic_cast<TCTreeGraphicField&>(table.FieldByName("logo")).StoreGraphic(picture.data(), 16);
    ASSERT_TRUE(table.Post());
  }
  table.Close();
  auto dataSet = OpenDataSet("logos");
  dataSet->First();
  EXPECT_EQ(dataSet->FieldByName("logo").AsString(), "<GRAPHIC>");
  std::string bytes;
  EXPECT_TRUE(dataSet->PictureBytes(dataSet->FieldByName("logo"), bytes));
  EXPECT_EQ(bytes, picture);
  dataSet->Next();
  EXPECT_TRUE(dataSet->PictureBytes(dataSet->FieldByName("logo"), bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(dataSet->PictureBytes(dataSet->FieldByName("id"), bytes));
}

// Opening and moving to the last row take as many engine calls on a large table as on a small one.
TEST_F(CtreeDataSetTest, MovesCostTheSameWhateverTheSize) {
  std::vector<int> calls;
  for (const int rows : {20, 2000}) {
    const std::string name = "t" + std::to_string(rows);
    Fill(name, rows);
    TCountingTable* table = nullptr;
    auto dataSet = OpenDataSet(name, &table);
    dataSet->SetBufferCount(10);
    table->calls = 0;
    dataSet->Last();
    dataSet->MoveBy(-9);
    dataSet->First();
    EXPECT_EQ(dataSet->FieldByName("id").AsString(), "1");
    calls.push_back(table->calls);
  }
  EXPECT_EQ(calls[0], calls[1]);
}

TEST_F(CtreeDataSetTest, RecordPositionsNumberTheRecordsInTheOrderTheyWereReadIn) {
  Fill("people", 5);
  auto dataSet = OpenDataSet("people");
  EXPECT_FALSE(dataSet->IsSequenced());
  EXPECT_EQ(dataSet->GetRecNo(), -1);
  dataSet->SetIndexName("byName");
  const std::shared_ptr<const TRecordPositions> positions = dataSet->ReadRecordPositions(TPassControl{});
  ASSERT_EQ(positions->size(), 5u);
  // Numbered where it stands.
  dataSet->MoveBy(2);
  dataSet->SetRecordPositions(positions);
  EXPECT_TRUE(dataSet->IsSequenced());
  EXPECT_EQ(dataSet->GetRecNo(), 3);
  EXPECT_EQ(dataSet->FieldByName("id").AsString(), "3");
  EXPECT_EQ(dataSet->GetRecordCount(), 5);
  EXPECT_EQ(Column(*dataSet, "id"), (std::vector<std::string>{"5", "4", "3", "2", "1"}));
  dataSet->SetRecNo(2);
  EXPECT_EQ(dataSet->GetRecNo(), 2);
  EXPECT_EQ(dataSet->FieldByName("id").AsString(), "4");
  dataSet->Last();
  EXPECT_EQ(dataSet->GetRecNo(), 5);
  dataSet->Prior();
  EXPECT_EQ(dataSet->FieldByName("id").AsString(), "2");
  // The numbers belong to the order they were read in.
  dataSet->SetIndexName("byId");
  EXPECT_FALSE(dataSet->IsSequenced());
  EXPECT_EQ(dataSet->GetRecNo(), -1);
  EXPECT_EQ(Column(*dataSet, "id"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));

  std::atomic<bool> cancel = true;
  TPassControl cancelled;
  cancelled.Cancel = &cancel;
  EXPECT_THROW(dataSet->ReadRecordPositions(cancelled), EPassCancelled);
}

// What a viewer's pass does: a second data set on the table, numbered alike, filters and sorts its records.
TEST_F(CtreeDataSetTest, ANumberedTableIsFilteredAndSortedThroughAReaderOfItsOwn) {
  Fill("people", 6);
  auto shown = OpenDataSet("people");
  shown->SetIndexName("byName");
  shown->SetRecordPositions(shown->ReadRecordPositions(TPassControl{}));
  auto reader = OpenDataSet("people");
  reader->SetIndexName("byName");
  reader->SetRecordPositions(shown->RecordPositions());
  TRecordView view = TRecordFilter(*shown, {{"id", "<=4"}}).Run(*reader, TPassControl{});
  EXPECT_EQ(view.Count(), 4);
  view = TRecordSort({{"id", false}}).Run(*reader, std::move(view), TPassControl{});
  TViewDataSet result(*shown, std::move(view));
  result.Open();
  std::vector<std::string> ids;
  for (result.First(); !result.Eof(); result.Next()) ids.push_back(result.FieldByName("id").AsString());
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "2", "3", "4"}));
  result.Close();

  // A record gone since it was numbered shows no values in a grid, and the others still theirs; a pass's
  // reader raises instead of taking it for a record of empty values.
  auto stale = std::make_shared<TRecordPositions>(*shown->RecordPositions());
  (*stale)[3] = (*stale)[5] + 100000;
  shown->SetRecordPositions(stale);
  EXPECT_EQ(Column(*shown, "id"), (std::vector<std::string>{"6", "5", "4", "", "2", "1"}));
  reader->SetRecordPositions(stale);
  reader->SetGoneRecordsRaise(true);
  ExpectError<EDatabaseError>(
      [&] {
        TRecordFilter(*shown, {{"id", "<=4"}}).Run(*reader, TPassControl{});
      },
      "Record 4 is no longer in the table: it changed since its records were numbered");
}

// A table whose engine fails every step to the next record after the first few.
class TFailingNextTable : public TCTreeTable {
 public:
  int16_t CallEngine(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                     int16_t count) override {
    // The engine's answer for a file that is not open.
    if (function == kwctree::fnNextRecord && ++steps > 2) file = 999;
    return TCTreeTable::CallEngine(function, file, p1, plong, p2, p3, count);
  }
  int steps = 0;
};

// A step that fails leaves the table where it was: an error, not the same record again and again.
TEST_F(CtreeDataSetTest, AStepThatFailsIsAnErrorNotTheSameRecordAgain) {
  Fill("people", 6);
  const auto open = [this] {
    auto table = std::make_unique<TFailingNextTable>();
    table->SetTableName(dir_.Path("people"));
    auto dataSet = std::make_unique<TCtreeDataSet>(std::move(table));
    dataSet->Open();
    return dataSet;
  };
  const std::string message =
      "Unable to move to the next record of the table: error " + std::to_string(kwctree::kFileNotActive);
  ExpectError<EDatabaseError>([&] { open()->ReadRecordPositions(TPassControl{}); }, message);
  ExpectError<EDatabaseError>([&] { Column(*open(), "id"); }, message);
}

// Tables opened and closed on two threads at once each get file numbers of their own.
TEST_F(CtreeDataSetTest, TablesOpenOnTwoThreadsAtOnce) {
  Fill("people", 3);
  auto readTable = [this](std::string& failure) {
    for (int round = 0; round < 200 && failure.empty(); ++round) {
      try {
        auto dataSet = OpenDataSet("people");
        if (Column(*dataSet, "id") != std::vector<std::string>{"1", "2", "3"}) failure = "wrong values";
      } catch (const std::exception& error) {
        failure = error.what();
      }
    }
  };
  std::string first;
  std::string second;
  std::thread other([&] { readTable(second); });
  readTable(first);
  other.join();
  EXPECT_EQ(first, "");
  EXPECT_EQ(second, "");
}

}  // namespace
