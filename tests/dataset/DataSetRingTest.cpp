#include <gtest/gtest.h>

#include <functional>

#include "FakeSource.h"

namespace {

const std::vector<TFakeColumn> kOneString = {{"A", TFieldType::ftString, 11}};

// Record numbers of the held rows, top to bottom.
std::vector<int> HeldRows(TFakeDataSet& ds) {
  std::vector<int> rows;
  for (int32_t r = 0; r < ds.BufferedRecordCount(); ++r) {
    TActiveRowScope scope(ds, r);
    rows.push_back(std::stoi(ds.Fields()[0].AsString().substr(1)));
  }
  return rows;
}

TEST(DataSetRing, OpenFillsTheWindowFromTheFirstRecord) {
  TFakeDataSet ds(100, kOneString);
  ds.SetBufferCount(4);
  ds.Open();
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ds.ActiveRecord(), 0);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.Fake().reads, 4);
}

TEST(DataSetRing, MovingInsideTheWindowReadsNothingAndPastItOnePerStep) {
  TFakeDataSet ds(100, kOneString);
  ds.SetBufferCount(4);
  ds.Open();
  ds.Fake().reads = 0;
  EXPECT_EQ(ds.MoveBy(3), 3);
  EXPECT_EQ(ds.Fake().reads, 0);
  EXPECT_EQ(ds.MoveBy(2), 2);
  EXPECT_EQ(ds.Fake().reads, 2);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(ds.ActiveRecord(), 3);
  EXPECT_EQ(ds.GetRecNo(), 6);
  EXPECT_EQ(ds.MoveBy(-5), -5);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ds.ActiveRecord(), 0);
  EXPECT_EQ(ds.MoveBy(-1), 0);
  EXPECT_TRUE(ds.Bof());
}

TEST(DataSetRing, LastOnAHugeSourceReadsOnlyTheWindow) {
  TFakeDataSet ds(INT32_MAX, kOneString);
  ds.SetBufferCount(30);
  ds.Open();
  ds.Fake().reads = 0;
  ds.Last();
  EXPECT_EQ(ds.Fake().reads, 30);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.ActiveRecord(), 29);
  EXPECT_EQ(ds.GetRecNo(), INT32_MAX);
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_EQ(ds.MoveBy(-1), -1);
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.GetRecNo(), INT32_MAX - 1);
}

TEST(DataSetRing, WalkingEveryRecordVisitsEachOnce) {
  TFakeDataSet ds(7, kOneString);
  ds.SetBufferCount(1);
  ds.Open();
  std::vector<int> seen;
  while (!ds.Eof()) {
    seen.push_back(ds.GetRecNo());
    ds.Next();
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(DataSetRing, ShrinkingKeepsTheActiveRowAndGrowingRefillsAboveAtTheEnd) {
  TFakeDataSet ds(10, kOneString);
  ds.SetBufferCount(5);
  ds.Open();
  ds.MoveBy(4);
  ds.SetBufferCount(2);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{4, 5}));
  EXPECT_EQ(ds.ActiveRecord(), 1);
  ds.Last();
  ds.SetBufferCount(4);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{7, 8, 9, 10}));
  EXPECT_EQ(ds.ActiveRecord(), 3);
  ds.SetBufferCount(20);
  EXPECT_EQ(ds.BufferedRecordCount(), 10);
  EXPECT_EQ(ds.GetRecNo(), 10);
}

TEST(DataSetRing, ResyncAndBookmarksReturnToTheRecord) {
  TFakeDataSet ds(50, kOneString);
  ds.SetBufferCount(5);
  ds.Open();
  ds.MoveBy(20);
  const auto bookmark = ds.GetBookmark();
  ASSERT_EQ(bookmark.size(), 16u);
  ds.First();
  ds.GotoBookmark(bookmark);
  EXPECT_EQ(ds.GetRecNo(), 21);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{19, 20, 21, 22, 23}));
  ds.Refresh();
  EXPECT_EQ(ds.GetRecNo(), 21);
}

TEST(DataSetRing, AFailedFetchIsTriedAgainNotSkipped) {
  struct Case {
    int32_t distance;
    uint32_t failing;
    std::vector<int> rowsAfter;
  };
  // Forward from rows 4..6 onto record 7; backward from rows 4..6 onto record 3.
  const Case cases[] = {{3, 7, {5, 6, 7}}, {-1, 3, {3, 4, 5}}};
  for (const Case& c : cases) {
    TFakeDataSet ds(10, kOneString);
    ds.SetBufferCount(3);
    ds.Open();
    ds.MoveBy(5);
    ds.MoveBy(-2);
    ASSERT_EQ(HeldRows(ds), (std::vector<int>{4, 5, 6}));
    ds.Fake().failRead = c.failing;
    EXPECT_THROW(ds.MoveBy(c.distance), Exception);
    ds.Fake().failRead = 0;
    ds.MoveBy(c.distance > 0 ? 1 : -1);
    EXPECT_EQ(HeldRows(ds), c.rowsAfter) << c.failing;
    EXPECT_EQ(ds.GetRecNo(), static_cast<int>(c.failing)) << c.failing;
  }
}

TEST(DataSetRing, ReadingAheadStopsBeforeAnUnreadableRecordWhichRaisesOnceAMoveReachesIt) {
  struct Case {
    const char* name;
    uint32_t failing;
    std::function<void(TFakeDataSet&)> fill;  // fills the window of 8 rows
    std::vector<int> held;
    int32_t towards;  // the direction in which the unreadable record lies
  };
  const Case cases[] = {
      {"open", 5, [](TFakeDataSet& ds) { ds.Open(); }, {1, 2, 3, 4}, 1},
      {"growing window",
       5,
       [](TFakeDataSet& ds) {
         ds.SetBufferCount(1);
         ds.Open();
         ds.SetBufferCount(8);
       },
       {1, 2, 3, 4},
       1},
      {"last", 6, [](TFakeDataSet& ds) { ds.Open(), ds.Last(); }, {7, 8, 9, 10}, -1},
      {"jump", 3, [](TFakeDataSet& ds) { ds.Open(), ds.SetRecNoByBookmark(5); }, {4, 5, 6, 7, 8, 9, 10}, -1},
  };
  for (const Case& c : cases) {
    TFakeDataSet ds(10, kOneString);
    ds.SetBufferCount(8);
    ds.Fake().failRead = c.failing;
    ASSERT_NO_THROW(c.fill(ds)) << c.name;
    EXPECT_EQ(HeldRows(ds), c.held) << c.name;
    // Resizing tries again without raising.
    EXPECT_NO_THROW(ds.SetBufferCount(9)) << c.name;
    EXPECT_EQ(HeldRows(ds), c.held) << c.name;
    // Moves reach the last readable row, then raise at the unreadable one and keep the rows.
    const int32_t edge = c.towards > 0 ? static_cast<int32_t>(c.held.size()) - 1 : 0;
    ds.MoveBy(edge - ds.ActiveRecord());
    ASSERT_EQ(ds.ActiveRecord(), edge) << c.name;
    EXPECT_THROW(ds.MoveBy(c.towards), Exception) << c.name;
    EXPECT_EQ(HeldRows(ds), c.held) << c.name;
    EXPECT_EQ(ds.ActiveRecord(), edge) << c.name;
    EXPECT_FALSE(ds.Bof() || ds.Eof()) << c.name;
    // Once it reads, the next move brings exactly that record.
    ds.Fake().failRead = 0;
    EXPECT_EQ(ds.MoveBy(c.towards), c.towards) << c.name;
    EXPECT_EQ(ds.GetRecNo(), static_cast<int>(c.failing)) << c.name;
  }
}

TEST(DataSetRing, AJumpToAnUnreadableRecordLeavesTheWindowAsItWas) {
  struct Case {
    const char* name;
    uint32_t failing;
    std::function<void(TFakeDataSet&)> jump;
  };
  const Case cases[] = {
      {"first", 1, [](TFakeDataSet& ds) { ds.First(); }},
      {"last", 50, [](TFakeDataSet& ds) { ds.Last(); }},
      {"bookmark", 40, [](TFakeDataSet& ds) { ds.SetRecNoByBookmark(40); }},
  };
  for (const Case& c : cases) {
    TFakeDataSet ds(50, kOneString);
    ds.SetBufferCount(4);
    ds.Open();
    ds.MoveBy(20);
    ds.MoveBy(-1);
    const std::vector<int> held = HeldRows(ds);
    const int32_t active = ds.ActiveRecord();
    ds.Fake().failRead = c.failing;
    EXPECT_THROW(c.jump(ds), Exception) << c.name;
    EXPECT_EQ(HeldRows(ds), held) << c.name;
    EXPECT_EQ(ds.ActiveRecord(), active) << c.name;
    EXPECT_EQ(ds.GetRecNo(), 20) << c.name;
    ds.Fake().failRead = 0;
    ds.MoveBy(1);
    EXPECT_EQ(ds.GetRecNo(), 21) << c.name;
  }
}

TEST(DataSetRing, AnUnreadableFirstRecordLeavesNoRowAndRaises) {
  TFakeDataSet ds(5, kOneString);
  ds.SetBufferCount(3);
  ds.Fake().failRead = 1;
  EXPECT_THROW(ds.Open(), Exception);
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.BufferedRecordCount(), 0);
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  ds.Fake().failRead = 0;
  ds.First();
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{1, 2, 3}));
}

TEST(DataSetRing, JumpsRefillAroundTheRecordAlsoAfterRunningOffTheEnd) {
  TFakeDataSet ds(50, kOneString);
  ds.SetBufferCount(5);
  ds.Open();
  ds.MoveBy(20);
  const auto bookmark = ds.GetBookmark();
  ds.Last();
  ds.MoveBy(-1);
  EXPECT_EQ(ds.MoveBy(2), 1);  // the second step finds no record after the last
  ASSERT_TRUE(ds.Eof());
  ds.GotoBookmark(bookmark);
  EXPECT_EQ(HeldRows(ds), (std::vector<int>{19, 20, 21, 22, 23}));
  EXPECT_EQ(ds.GetRecNo(), 21);
}

TEST(DataSetRing, RefreshingAnEmptyDataSetHoldsNoRow) {
  TFakeDataSet ds(0, kOneString);
  ds.SetBufferCount(3);
  ds.Open();
  ds.Refresh();
  EXPECT_EQ(ds.BufferedRecordCount(), 0);
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
}

TEST(DataSetRing, ObserversHearEveryMove) {
  TFakeDataSet ds(10, kOneString);
  std::vector<TDataEvent> events;
  const int32_t token = ds.AddDataEventHandler([&](TDataEvent e, int32_t) { events.push_back(e); });
  ds.SetBufferCount(3);
  ds.Open();
  ds.MoveBy(5);
  ds.RemoveDataEventHandler(token);
  ds.Last();
  EXPECT_EQ(events, (std::vector<TDataEvent>{TDataEvent::deUpdateState, TDataEvent::deDataSetChange,
                                             TDataEvent::deDataSetScroll}));
}

}  // namespace
