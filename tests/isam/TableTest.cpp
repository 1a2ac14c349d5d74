#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "tests/isam/TableTestSupport.h"

namespace {

using kwctree::fnAddRecord;
using kwctree::fnPutDoda;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

TEST_F(TableTest, CreatedTableReadsItsStructureBack) {
  CreatePeople();
  TCTreeTable& table = NewTable("people");
  ASSERT_EQ(table.FieldCount(), 4);
  EXPECT_TRUE(table.UseInternalDeleteFlag());
  EXPECT_EQ(table.AllFields()[0]->Name(), "Internal delete flag");
  const std::vector<std::pair<std::string, uint8_t>> fields = {
      {"id", dtInteger}, {"name", dtString}, {"born", dtDate}, {"score", dtFloat}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(table.Fields(i).Name(), fields[i].first);
    EXPECT_EQ(table.Fields(i).DataType(), fields[i].second);
  }
  EXPECT_EQ(table.Fields(1).Size(), 20);
  ASSERT_EQ(table.IndexCount(), 2);
  EXPECT_EQ(table.IndexDefs(0).Name(), "byId");
  EXPECT_TRUE(table.IndexDefs(0).Unique);
  EXPECT_EQ(table.IndexDefs(1).FieldNames(), "name;id");
  EXPECT_FALSE(table.IndexDefs(1).Unique);
  EXPECT_EQ(table.RecordLength(), 2 + 4 + 21 + 4 + 8);
  // Names keep their letter case; the extensions the table adds are lower case.
  EXPECT_TRUE(Exists(dir_.Path("people.dat")));
  EXPECT_TRUE(Exists(dir_.Path("people.idx")));
}

TEST_F(TableTest, MovesInIndexAndPhysicalOrder) {
  TCTreeTable& table = CreatePeople();
  ASSERT_TRUE(table.Open());
  EXPECT_EQ(table.IndexName(), "byId");
  EXPECT_TRUE(table.Eof());
  InsertPerson(table, 3, "Carol", "1.5");
  InsertPerson(table, 1, "Bob");
  InsertPerson(table, 2, "Alice");
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(Walk(table, "id"), (std::vector<std::string>{"1", "2", "3"}));
  table.SetIndexName("BYNAME");
  EXPECT_EQ(Walk(table, "name"), (std::vector<std::string>{"Alice", "Bob", "Carol"}));
  table.SetIndexFieldNames("");
  EXPECT_EQ(Walk(table, "id"), (std::vector<std::string>{"3", "1", "2"}));
  table.SetIndexFieldNames("name");
  EXPECT_EQ(table.IndexName(), "byName");
  table.Last();
  EXPECT_EQ(table.FieldByName("name").AsString(), "Carol");
  EXPECT_EQ(table.FieldByName("score").AsFloat(), 1.5);
  table.Prior();
  EXPECT_EQ(table.FieldByName("name").AsString(), "Bob");
  ExpectError<ECTreeException>([&] { table.SetIndexName("nothing"); }, "Index nothing not found");
  ExpectError<ECtreeIndexException>(
      [&] { table.SetIndexFieldNames("born"); },
      "Table: " + UpperCase(dir_.Path("people")) + "\r\nIndex with FieldNames=born not found");
  ExpectError<ECTreeBadFieldname>([&] { table.FieldByName("age"); },
                                  "Table: " + UpperCase(dir_.Path("people")) + " - Invalid FieldName age");
}

TEST_F(TableTest, NextAtTheEndSetsEofAndNotifiesNobody) {
  struct TCounter : TCTreeTableObserver {
    int calls = 0;
    void TableChanged(TCTreeTable&) override { ++calls; }
  } counter;
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 1, "Ann");
  table.AddObserver(&counter);
  table.AddObserver(&counter);
  table.Last();
  EXPECT_EQ(counter.calls, 1);
  table.Next();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(counter.calls, 1);
  table.RemoveObserver(&counter);
}

TEST_F(TableTest, KeySearches) {
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 10, "Smith");
  InsertPerson(table, 20, "Jones");
  InsertPerson(table, 30, "Smith");
  InsertPerson(table, 40, "Smithers");
  struct Case {
    const char* index;
    std::vector<std::string> values;
    bool exact;
    bool found;
    const char* id;
  };
  const Case cases[] = {
      {"byId", {"20"}, true, true, "20"},
      {"byId", {"25"}, true, false, ""},
      {"byId", {"25"}, false, true, "30"},
      {"byId", {"41"}, false, false, ""},
      // A duplicates index: the first record of the key, by a greater-or-equal search and a prefix.
      {"byName", {"Smith"}, true, true, "10"},
      {"byName", {"Smith", "30"}, true, true, "30"},
      {"byName", {"Smith", "31"}, true, false, ""},
      // Nearest with part of the key: only a record with exactly that first segment.
      {"byName", {"Smit"}, false, false, ""},
      {"byName", {"Smithers"}, false, true, "40"},
      {"byName", {"Jones", "0"}, false, true, "20"},
  };
  for (const Case& c : cases) {
    table.SetIndexName(c.index);
    table.SetKey();
    for (size_t i = 0; i < c.values.size(); ++i) table.KeyField(static_cast<int>(i)).SetAsString(c.values[i]);
    table.SetKeyFieldCount(static_cast<int>(c.values.size()));
    const bool found = c.exact ? table.GotoKey() : table.GotoNearest();
    EXPECT_EQ(found, c.found) << c.index << " " << c.values[0];
    EXPECT_EQ(table.FieldByName("id").AsString(), c.id) << c.index << " " << c.values[0];
    EXPECT_EQ(table.TableState(), TCTreeTableState::ctsBrowse);
  }
  table.SetKey();
  ExpectError<ECTreeException>([&] { table.SetKeyFieldCount(3); }, "Invalid value for KeyFieldCount");
  table.Cancel();
  ExpectError<ECTreeException>([&] { table.SetKeyFieldCount(1); }, "Table not in SetKey mode");
  ExpectError<ECTreeException>([&] { table.GotoKey(); }, "Table not in SetKey mode");
  table.SetIndexFieldNames("");
  ExpectError<ECTreeException>([&] { table.SetKey(); }, "No index selected");
  EXPECT_EQ(Log().find("Unexpected key search result"), std::string::npos);
}

TEST_F(TableTest, EditingAndItsStates) {
  TCTreeTable& table = CreatePeople();
  ExpectError<ECTreeException>([&] { table.First(); }, "Table not in browse mode");
  ExpectError<ECTreeException>([&] { table.RecordCount(); }, "Table not open");
  table.Open();
  InsertPerson(table, 1, "Ann");
  table.First();
  ExpectError<ECTreeException>([&] { table.FieldByName("name").SetAsString("x"); },
                               "Table not in Edit/SetKey mode");
  ExpectError<ECTreeException>([&] { table.Post(); }, "Table not in insert/edit mode");
  ASSERT_TRUE(table.Edit());
  EXPECT_TRUE(table.Edit());
  ExpectError<ECTreeException>([&] { table.LockRecord(); }, "Unable to get second lock");
  table.FieldByName("name").SetAsString("Anne");
  EXPECT_TRUE(table.Post());
  table.First();
  EXPECT_EQ(table.FieldByName("name").AsString(), "Anne");
  ASSERT_TRUE(table.Edit());
  table.FieldByName("name").SetAsString("Annie");
  table.Cancel();
  EXPECT_EQ(table.FieldByName("name").AsString(), "Anne");
  // A duplicate in the unique index: refused, no log line, the record count unchanged.
  table.Insert();
  table.FieldByName("id").SetAsInteger(1);
  EXPECT_FALSE(table.Post());
  EXPECT_EQ(table.LastError(), 2);
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(Log().find("AddRecord"), std::string::npos);
  table.SetDefaultErrorAction(acException | acWriteToLogFile);
  table.Insert();
  table.FieldByName("id").SetAsInteger(1);
  ExpectError<ECTreeException>([&] { table.Post(); }, "Error 2, Function AddRecord");
}

TEST_F(TableTest, ErrorPolicyRetriesLogsAndRaises) {
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 1, "Ann");
  // The error policy runs once per attempt of the engine call, and once more for the failed post
  // unless an exception ended it.
  int attempts = 0;
  table.OnError = [&](TCTreeTable&, uint16_t function, int16_t code, TErrorAction&) {
    if (function == fnAddRecord && code == 2) ++attempts;
  };
  struct Case {
    TErrorAction action;
    int retries;
    int attempts;
  };
  for (const Case c : {Case{acRetry, 0, 1 + 1}, Case{acRetry, 3, 3 + 1}, Case{acRetry | acException, 5, 1},
                       Case{0, 5, 1 + 1}}) {
    attempts = 0;
    table.SetDefaultErrorAction(c.action);
    table.SetMaxRetryCount(c.retries);
    table.SetMaxRetryCount(-4);  // ignored
    table.Insert();
    table.FieldByName("id").SetAsInteger(1);
    try {
      table.Post();
    } catch (const ECTreeException& e) {
      EXPECT_EQ(e.Message(), "Error 2, Function AddRecord");
      table.Cancel();
    }
    EXPECT_EQ(attempts, c.attempts) << int(c.action) << " " << c.retries;
  }
  // A log line for other failures: "Table: NAME, code=function, status".
  table.SetDefaultErrorAction(acWriteToLogFile);
  table.Close();
  table.SetErrorHandlerEnabled(true);
  int32_t position = 999999;
  table.CallEngine(kwctree::fnSetRecord, 77, nullptr, &position, nullptr, nullptr, 0);
  EXPECT_NE(Log().find("Table: " + UpperCase(dir_.Path("people")) + ", 26=SetRecord, uerr_cod="),
            std::string::npos)
      << Log();
}

TEST_F(TableTest, OptimisticAndPessimisticEditsOfTwoTables) {
  CreatePeople();
  TCTreeTable& first = NewTable("people");
  TCTreeTable& second = NewTable("people");
  first.Open();
  second.Open();
  InsertPerson(first, 1, "Ann");
  first.First();
  second.First();
  // Pessimistic: the second cannot edit while the first holds the lock.
  ASSERT_TRUE(first.Edit());
  EXPECT_FALSE(second.Edit());
  EXPECT_EQ(second.TableState(), TCTreeTableState::ctsBrowse);
  first.FieldByName("name").SetAsString("One");
  ASSERT_TRUE(first.Post());
  // Optimistic: both edit; the second post finds the record changed and keeps the first's data.
  first.SetEditMode(TEditMode::emOptimistic);
  second.SetEditMode(TEditMode::emOptimistic);
  first.First();
  second.First();
  ASSERT_TRUE(first.Edit());
  ASSERT_TRUE(second.Edit());
  first.FieldByName("name").SetAsString("First");
  second.FieldByName("name").SetAsString("Second");
  EXPECT_TRUE(first.Post());
  EXPECT_FALSE(second.Post());
  second.First();
  EXPECT_EQ(second.FieldByName("name").AsString(), "First");
  // AutoEdit: an edit fails when the record changed since it was read.
  second.SetAutoEdit(true);
  first.First();
  ASSERT_TRUE(first.Edit());
  first.FieldByName("name").SetAsString("Third");
  ASSERT_TRUE(first.Post());
  EXPECT_FALSE(second.Edit());
  second.First();
  EXPECT_TRUE(second.Edit());
  second.Cancel();
}

// A reader sees what another writer committed since the reader opened the table.
TEST_F(TableTest, AnOpenTableSeesAnotherWritersRecords) {
  CreatePeople();
  TCTreeTable& reader = NewTable("people");
  TCTreeTable& writer = NewTable("people");
  reader.SetFileMode(TFileMode::fmReadOnly);
  reader.Open();
  writer.Open();
  EXPECT_EQ(reader.RecordCount(), 0);
  InsertPerson(writer, 7, "Late");
  EXPECT_EQ(reader.RecordCount(), 1);
  reader.Last();
  EXPECT_EQ(reader.FieldByName("name").AsString(), "Late");
}

TEST_F(TableTest, MemoTablesKeepTheirTexts) {
  TCTreeTable& table = NewTable("notes");
  table.ClearFields();
  table.AddField("id", kIntegerField, 4);
  table.AddField("text", kMemoField, 0);
  table.AddField("picture", kGraphicField, 0);
  table.AddIndex("byId", "id").Unique = true;
  ASSERT_TRUE(table.CreateTable());
  table.Open();
  EXPECT_TRUE(table.IsVariableLength());
  for (int id : {2, 1}) {
    table.Insert();
    table.FieldByName("id").SetAsInteger(id);
    table.FieldByName("text").SetBlobData(("note " + std::to_string(id) + "\r\nline two").c_str());
    static_cast<TCTreeGraphicField&>(table.FieldByName("picture")).StoreGraphic("\x01\x02", id);
    ASSERT_TRUE(table.Post());
  }
  EXPECT_EQ(table.RecordCount(), 2);
  table.First();
  EXPECT_STREQ(table.FieldByName("text").BlobData(), "note 1\r\nline two");
  EXPECT_EQ(table.FieldByName("picture").GetDataSize(), 6);
  table.Next();
  EXPECT_STREQ(table.FieldByName("text").BlobData(), "note 2\r\nline two");
  ASSERT_TRUE(table.Edit());
  table.FieldByName("text").SetBlobData("changed");
  ASSERT_TRUE(table.Post());
  table.First();
  table.Next();
  EXPECT_STREQ(table.FieldByName("text").BlobData(), "changed");
  EXPECT_EQ(table.FieldByName("picture").GetDataSize(), 7);
  table.Close();
  TCTreeTable& again = NewTable("notes");
  EXPECT_EQ(again.Fields(1).DataType(), dtMemo);
  EXPECT_EQ(again.Fields(2).DataType(), dtGraphic);
}

TEST_F(TableTest, AddedIndexesGetFilesOfTheirOwn) {
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 1, "Zed");
  InsertPerson(table, 2, "Amy");
  EXPECT_EQ(table.GetNewIndexFileName(), dir_.Path("people.i00"));
  table.AddIndex("byScore", "score;id");
  EXPECT_TRUE(table.Active());
  EXPECT_TRUE(Exists(dir_.Path("people.i00")));
  table.AddIndex("byBorn", "born");
  EXPECT_TRUE(Exists(dir_.Path("people.i01")));
  ASSERT_EQ(table.IndexCount(), 4);
  table.SetIndexName("byScore");
  EXPECT_EQ(Walk(table, "id"), (std::vector<std::string>{"1", "2"}));
  ExpectError<ECTreeException>([&] { table.AddIndex("BYSCORE", "id"); }, "Duplicate index name");
  // Added while closed: built when the table opens.
  table.Close();
  table.AddIndex("byName2", "name");
  table.Open();
  EXPECT_TRUE(Exists(dir_.Path("people.i02")));
  table.SetIndexName("byName2");
  EXPECT_EQ(Walk(table, "name"), (std::vector<std::string>{"Amy", "Zed"}));
}

TEST_F(TableTest, DeletedIndexFileIsRebuiltOnOpening) {
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 2, "B");
  InsertPerson(table, 1, "A");
  table.Close();
  std::filesystem::remove(dir_.Path("people.idx"));
  table.Open();
  EXPECT_EQ(Walk(table, "id"), (std::vector<std::string>{"1", "2"}));
  table.SetAutoRebuild(false);
  table.Close();
  std::filesystem::remove(dir_.Path("people.idx"));
  table.RebuildIndexes();
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
}

TEST_F(TableTest, FileNamesAndTheirLetterCase) {
  std::filesystem::create_directory(dir_.Path("Data"));
  TCTreeTable& created = CreatePeople("Data/Fares");
  EXPECT_TRUE(Exists(dir_.Path("Data/Fares.dat")));
  EXPECT_TRUE(Exists(dir_.Path("Data/Fares.idx")));
  EXPECT_EQ(created.TableName(), dir_.Path("Data/Fares"));
  EXPECT_EQ(created.GetNewIndexFileName(), dir_.Path("Data/Fares.i00"));
  // A table named in another letter case finds its files.
  TCTreeTable& other = NewTable("Data/FARES.DAT");
  EXPECT_EQ(other.TableName(), dir_.Path("Data/FARES"));
  EXPECT_EQ(other.DataFileName(), dir_.Path("Data/Fares.dat"));
  ASSERT_TRUE(other.Open());
  EXPECT_EQ(other.FieldCount(), 4);
  // Extensions: a dot and at most four characters.
  other.Close();
  other.SetDataFileExtension(".dbase");
  other.SetDataFileExtension("dat");
  EXPECT_EQ(other.DataFileExtension(), ".dat");
  other.SetDataFileExtension(".tab");
  EXPECT_EQ(other.DataFileExtension(), ".tab");
}

TEST_F(TableTest, OpeningFailuresNameTheFile) {
  // A data file without field definitions.
  struct TNoDoda : TCTreeTable {
    int16_t CallEngine(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                       int16_t count) override {
      if (function == fnPutDoda) return 0;
      return TCTreeTable::CallEngine(function, file, p1, plong, p2, p3, count);
    }
  };
  TNoDoda bare;
  bare.SetTableName(dir_.Path("bare"));
  bare.ClearFields();
  bare.AddField("id", kIntegerField, 4);
  ASSERT_TRUE(bare.CreateTable());
  TCTreeTable& table = NewTable("bare");
  try {
    table.Open();
    FAIL() << "opened";
  } catch (const ECTreeException& e) {
    EXPECT_EQ(e.Message(), "Unable to read table information");
    EXPECT_EQ(e.FileName(), dir_.Path("bare.dat"));
  }
  EXPECT_EQ(table.TableState(), TCTreeTableState::ctsInactive);
  dir_.Write("junk.dat", "not a table at all");
  TCTreeTable& junk = NewTable("junk");
  ExpectError<ECTreeException>([&] { junk.Open(); }, "Unable to read table information");
  ExpectError<ECTreeException>(
      [&] {
        junk.SetTableName("x");
        junk.SetUseInternalDeleteFlag(false);
        junk.ClearFields();
        junk.AddField("a", kMemoField, 0);
        junk.AddField("b", kIntegerField, 4);
      },
      "Variable/Fix field mix not supported");
}

TEST_F(TableTest, RestructureCopiesRecordsIntoTheNewLayout) {
  TCTreeTable& table = CreatePeople();
  table.Open();
  InsertPerson(table, 1, "Ann", "2.5");
  InsertPerson(table, 2, "Bob", "3");
  table.BeginRestructure();
  table.AddField("city", kStringField, 10);
  int progress = 0;
  table.OnRestructureProgress = [&](TCTreeTable&, int, int) { ++progress; };
  ASSERT_TRUE(table.Post());
  EXPECT_EQ(progress, 2);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.FieldCount(), 5);
  EXPECT_EQ(Walk(table, "name"), (std::vector<std::string>{"Ann", "Bob"}));
  EXPECT_EQ(Walk(table, "score"), (std::vector<std::string>{"2.5", "3"}));
  EXPECT_FALSE(Exists(dir_.Path("people_.dat")));
}

}  // namespace
