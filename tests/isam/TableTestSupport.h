#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "isam/CtreeSession.h"
#include "isam/CtreeTable.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "support/DateTimeText.h"
#include "tests/TestSupport.h"

// A process-wide engine session over our engine library, its log in a temporary folder, and tables
// that end before the session does.
class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv(kEngineLibraryVariable, KW_ENGINE_PATH, 1);
    InitializeCtreeSession(0);
    SetEngineEnvironment(dir_.Path("") + "/", "TESTHOST", dir_.Path("ctreelog.txt"));
    SetShortDateFormat("M/D/YYYY");
  }
  void TearDown() override {
    tables_.clear();
    FinalizeCtreeSession();
    ::unsetenv(kEngineLibraryVariable);
    SetShortDateFormat("m/d/yy");
  }

  TCTreeTable& NewTable(const std::string& name = "") {
    tables_.push_back(std::make_unique<TCTreeTable>());
    if (!name.empty()) tables_.back()->SetTableName(dir_.Path(name));
    return *tables_.back();
  }

  // A table "people": id (integer, unique index "byId"), name (string 20, duplicates index "byName"),
  // born (date), score (float); with the internal delete flag.
  TCTreeTable& CreatePeople(const std::string& name = "people") {
    TCTreeTable& table = NewTable(name);
    table.ClearFields();
    table.AddField("id", kIntegerField, 4);
    table.AddField("name", kStringField, 20);
    table.AddField("born", kDateField, 4);
    table.AddField("score", kFloatField, 8);
    table.AddIndex("byId", "id").Unique = true;
    table.AddIndex("byName", "name;id");
    EXPECT_TRUE(table.CreateTable());
    return table;
  }

  static void InsertPerson(TCTreeTable& table, int id, const std::string& name,
                           const std::string& score = "") {
    table.Insert();
    table.FieldByName("id").SetAsInteger(id);
    table.FieldByName("name").SetAsString(name);
    table.FieldByName("score").SetAsString(score);
    ASSERT_TRUE(table.Post()) << id;
  }

  // The values of one field over the records in the table's current order.
  static std::vector<std::string> Walk(TCTreeTable& table, const std::string& field) {
    std::vector<std::string> values;
    for (table.First(); !table.Eof(); table.Next()) values.push_back(table.FieldByName(field).AsString());
    return values;
  }

  std::string Log() const {
    std::ifstream in(dir_.Path("ctreelog.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TTempDir dir_;
  std::vector<std::unique_ptr<TCTreeTable>> tables_;
};
