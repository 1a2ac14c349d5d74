#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "dataset/ValueText.h"
#include "dataset/ViewDataSet.h"
#include "tests/TestSupport.h"
#include "tests/dataset/FakeTable.h"
#include "tests/dataset/RecNos.h"

namespace {

// Fares as fixed-width files hold them: blanks around values, a blank amount, amounts written two ways.
std::unique_ptr<TFakeTable> Fares() {
  auto table = std::make_unique<TFakeTable>(
      std::vector<TFakeTable::TColumn>{{"CARRIER"}, {"AMOUNT"}, {"CODE"}, {"NOTE", true}},
      std::vector<std::vector<std::string>>{
          {"LH ", "   100", "10", "first"},
          {" BA", "20", "9", "second"},
          {"LH", "5", "A", "third"},
          {"AF", "100.00", "10", "fourth"},
          {"LX", "  ", "B", "fifth"},
          {"L*", "-7.5", "9", "sixth"},
      });
  table->Open();
  return table;
}

TPassControl Control() {
  TPassControl control;
  control.FileName = "/data/fares.rff";
  return control;
}

TRecordView Filter(TDataSet& table, const std::vector<TFilterEntry>& entries) {
  return TRecordFilter(table, entries).Run(table, Control());
}

TRecordView Sort(TDataSet& table, const std::vector<TSortColumn>& columns, TRecordView input) {
  return TRecordSort(columns).Run(table, std::move(input), Control());
}

TEST(RecordFilter, EntriesSelectTheRecordsWhoseWholeValueMatches) {
  struct Case {
    std::vector<TFilterEntry> entries;
    TRecNos expected;
  };
  const Case cases[] = {
      {{{"CARRIER", "LH"}}, {1, 3}},  // blanks around values do not count
      {{{"carrier", "L*"}}, {1, 3, 5, 6}},
      {{{"CARRIER", "?H"}}, {1, 3}},
      {{{"CARRIER", "*"}}, {1, 2, 3, 4, 5, 6}},
      {{{"CARRIER", "L"}}, {}},  // whole value, not a part of it
      {{{"CARRIER", "Z*"}}, {}},
      {{{"NOTE", "*i*"}}, {1, 3, 5, 6}},  // memo columns too
      {{{"AMOUNT", ">=100"}}, {1, 4}},    // 100.00 is 100
      {{{"AMOUNT", "=100"}}, {1, 4}},
      {{{"AMOUNT", "<>100"}}, {2, 3, 5, 6}},
      {{{"AMOUNT", ">9"}}, {1, 2, 4}},  // numerically: 20 > 9, though "20" < "9" as text
      {{{"AMOUNT", "<0"}}, {5, 6}},     // the blank amount is no number: compared as text, "" < "0"
      {{{"AMOUNT", "<= 5"}}, {3, 5, 6}},
      {{{"CARRIER", ">=LH"}}, {1, 3, 5}},  // texts: byte order
      {{{"CARRIER", "<B"}}, {4}},
      {{{"CODE", ">9"}}, {1, 3, 4, 5}},               // 10 > 9 as numbers; "A" and "B" > "9" as texts
      {{{"CARRIER", "LH"}, {"AMOUNT", "<50"}}, {3}},  // every entry must hold
      {{{"CARRIER", "LH"}, {"AMOUNT", ">500"}}, {}},
  };
  auto table = Fares();
  for (const Case& c : cases) {
    std::string label;
    for (const TFilterEntry& e : c.entries) label += e.FieldName + " " + e.Pattern + "; ";
    EXPECT_EQ(RecNos(Filter(*table, c.entries)), c.expected) << label;
  }
}

TEST(RecordFilter, AnUnknownColumnIsRefusedBeforeAnyPass) {
  auto table = Fares();
  ExpectError<EDatabaseError>([&] { TRecordFilter(*table, {{"FARE", "x"}}); }, "Field 'FARE' not found");
  EXPECT_EQ(table->reads, 0);
}

TEST(ValueText, WildcardsMatchTheWholeValue) {
  struct Case {
    const char* text;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"", "", true},         {"", "*", true},          {"", "?", false},          {"ABC", "A*", true},
      {"ABC", "*C", true},    {"ABC", "*B*", true},     {"ABC", "A?C", true},      {"ABC", "A?", false},
      {"ABC", "ABCD", false}, {"AXBXC", "A*B*C", true}, {"AXBXC", "A*C*B", false}, {"aaab", "*a*b", true},
      {"abc", "ABC", false},  // letter case counts
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.matches) << c.text << " " << c.pattern;
}

TEST(ValueText, DecimalsCompareExactlyWhateverTheirLength) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const Case cases[] = {
      {"100", "100.00", 0},
      {"-0", "0", 0},
      {"0.5", ".5", 0},
      {"+3", "3", 0},
      {"9", "10", -1},
      {"-10", "-9", -1},
      {"-1", "0.1", -1},
      {"1.05", "1.5", -1},
      {"007", "7.0", 0},
      {"123456789012345678901", "123456789012345678902", -1},  // beyond what a double tells apart
  };
  for (const Case& c : cases) {
    TDecimal a, b;
    ASSERT_TRUE(a.Parse(c.a) && b.Parse(c.b)) << c.a << " " << c.b;
    EXPECT_EQ(a.Compare(b), c.order) << c.a << " " << c.b;
    EXPECT_EQ(b.Compare(a), -c.order) << c.a << " " << c.b;
  }
  for (const char* none : {"", "-", ".", "1e5", "1,5", "12a", " 1", "--1", "1.2.3"}) {
    TDecimal d;
    EXPECT_FALSE(d.Parse(none)) << none;
  }
}

TEST(ValueText, DecimalsBecomeTheNearestDouble) {
  std::mt19937 random(5);
  std::vector<std::string> texts = {
      "0", "-0", "0.1", "-1.5", "100.00", "0.000000000000001", "999999999999999", "9007199254740993",
      "1234567890.12345", "1e5", "123456789012345678901234",
      // trailing and leading zeros beyond fifteen digits
      "1.000000000000000000000000", "12345678901234.50", "-00000000000000000001.5",
      "0.00000000000000000000000012300", "123456789012345.0", "1234567890123456.0"};
  for (int i = 0; i < 20000; ++i) {
    std::string text = std::to_string(random() % 1000000000);
    text.insert(random() % text.size(), ".");
    texts.push_back((random() % 2 ? "-" : "") + text);
  }
  for (const std::string& text : texts) {
    TDecimal number;
    if (!number.Parse(text)) continue;
    EXPECT_EQ(number.ToDouble(), std::strtod(text.c_str(), nullptr)) << text;
  }
}

TEST(RecordSort, OrdersByColumnsNumericallyOrByTextKeepingRecordOrderInTies) {
  struct Case {
    std::vector<TSortColumn> columns;
    TRecNos expected;
  };
  const Case cases[] = {
      // Blank amounts first, then by value; 100 and 100.00 tie and keep their record order.
      {{{"AMOUNT"}}, {5, 6, 3, 2, 1, 4}},
      {{{"AMOUNT", true}}, {1, 4, 2, 3, 6, 5}},
      {{{"CARRIER"}}, {4, 2, 6, 1, 3, 5}},  // "L*" < "LH": '*' is 0x2A
      {{{"CARRIER", true}}, {5, 1, 3, 6, 2, 4}},
      {{{"CARRIER", true}, {"AMOUNT"}}, {5, 3, 1, 6, 2, 4}},
      {{{"CODE"}}, {1, 4, 2, 6, 3, 5}},  // "A" and "B" make the column text: "10" < "9"
      {{{"CODE"}, {"CARRIER", true}}, {1, 4, 6, 2, 3, 5}},
      {{{"CODE", true}, {"AMOUNT", true}}, {5, 3, 2, 6, 1, 4}},
      {{{"NOTE"}}, {5, 1, 4, 2, 6, 3}},
      {{}, {1, 2, 3, 4, 5, 6}},
  };
  auto table = Fares();
  for (const Case& c : cases) {
    std::string label;
    for (const TSortColumn& s : c.columns) label += s.FieldName + (s.Descending ? " desc; " : "; ");
    EXPECT_EQ(RecNos(Sort(*table, c.columns, TRecordView::All(6))), c.expected) << label;
  }
}

TEST(RecordSort, ValuesEqualInTheirFirstBytesOrNearlyEqualNumbersAreReadAgainToOrderThem) {
  TFakeTable table({{"TEXT"}, {"NUMBER"}}, {
                                               {"ABCDEFGH1", "123456789012345678902"},
                                               {"ABCDEFGH", "123456789012345678901"},
                                               {"ABCDEFGHIJKLMNOPQ", "123456789012345678901.5"},
                                               {"ABCDEFGH0Z", "123456789012345678901"},
                                               {"ABCDEFGHIJKLMNOPP", "-1"},
                                               {"ABCDEFGH", "123456789012345678902"},
                                           });
  table.Open();
  EXPECT_EQ(RecNos(Sort(table, {{"TEXT"}}, TRecordView::All(6))), (TRecNos{2, 6, 4, 1, 5, 3}));
  EXPECT_EQ(RecNos(Sort(table, {{"TEXT", true}}, TRecordView::All(6))), (TRecNos{3, 5, 1, 4, 2, 6}));
  EXPECT_EQ(RecNos(Sort(table, {{"NUMBER"}}, TRecordView::All(6))), (TRecNos{5, 2, 4, 3, 1, 6}));
  EXPECT_EQ(RecNos(Sort(table, {{"NUMBER"}, {"TEXT", true}}, TRecordView::All(6))),
            (TRecNos{5, 4, 2, 3, 1, 6}));
}

TEST(RecordSort, AgreesWithAStableSortOnManyRecordsOfFewValues) {
  std::mt19937 random(7);
  const std::vector<std::string> words = {"",           "A",        "AB", "ABCDEFGHIJ",
                                          "ABCDEFGHIK", "ABCDEFGH", "B",  "ZZZZZZZZZZZZZZZZZZ"};
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 3000; ++i)
    rows.push_back({words[random() % words.size()], std::to_string(static_cast<int>(random() % 7) - 3),
                    words[random() % words.size()]});
  TFakeTable table({{"A"}, {"N"}, {"B"}}, rows);
  table.Open();
  const std::vector<TSortColumn> columns = {{"A", true}, {"N"}, {"B"}};
  TRecNos expected(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) expected[i] = static_cast<int32_t>(i + 1);
  std::stable_sort(expected.begin(), expected.end(), [&](int32_t x, int32_t y) {
    const auto& a = rows[size_t(x - 1)];
    const auto& b = rows[size_t(y - 1)];
    if (a[0] != b[0]) return a[0] > b[0];
    if (a[1] != b[1]) return std::stoi(a[1]) < std::stoi(b[1]);
    return a[2] < b[2];
  });
  EXPECT_EQ(RecNos(Sort(table, columns, TRecordView::All(3000))), expected);
}

TEST(RecordSort, AgreesWithAStableSortOnManyRecordsOfManyValues) {
  // Numbers from -10^6 to 10^6 and texts of every first byte: the keys spread over every byte of their 8.
  std::mt19937 random(11);
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 70000; ++i) {
    std::string text(1 + random() % 12, ' ');
    for (char& c : text) c = static_cast<char>(1 + random() % 255);
    rows.push_back({std::to_string(static_cast<int>(random() % 2000001) - 1000000) + "." +
                        std::to_string(random() % 100),
                    random() % 50 ? text : "same"});
  }
  TFakeTable table({{"N"}, {"T"}}, rows);
  table.Open();
  for (const bool descending : {false, true}) {
    for (const size_t column : {size_t{0}, size_t{1}}) {
      TRecNos expected(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) expected[i] = static_cast<int32_t>(i + 1);
      std::stable_sort(expected.begin(), expected.end(), [&](int32_t x, int32_t y) {
        const std::string_view a = ComparableText(rows[size_t(x - 1)][column]);
        const std::string_view b = ComparableText(rows[size_t(y - 1)][column]);
        if (column == 0) {
          const double u = std::stod(std::string(a));
          const double v = std::stod(std::string(b));
          return descending ? u > v : u < v;
        }
        // Texts byte by byte, as unsigned bytes.
        const int order = std::string_view(a).compare(b) == 0 ? 0
                          : std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                         [](char p, char q) {
                                                           return static_cast<unsigned char>(p) <
                                                                  static_cast<unsigned char>(q);
                                                         })
                              ? -1
                              : 1;
        return descending ? order > 0 : order < 0;
      });
      const std::vector<TSortColumn> columns = {{column == 0 ? "N" : "T", descending}};
      EXPECT_EQ(RecNos(Sort(table, columns, TRecordView::All(70000))), expected)
          << "column " << column << (descending ? " descending" : "");
    }
  }
}

TEST(RecordSort, SortsTheRecordsOfAFilterAndEmptyViews) {
  auto table = Fares();
  EXPECT_EQ(RecNos(Sort(*table, {{"AMOUNT", true}}, Filter(*table, {{"CARRIER", "L*"}}))),
            (TRecNos{1, 3, 6, 5}));
  const TRecordView none = Sort(*table, {{"AMOUNT"}}, Filter(*table, {{"CARRIER", "Q"}}));
  EXPECT_EQ(none.Count(), 0);
  ExpectError<EDatabaseError>([&] { Sort(*table, {{"FARE"}}, TRecordView::All(6)); },
                              "Field 'FARE' not found");
}

TEST(RecordPasses, ARecordThatCannotBeReadEndsThePassWithItsErrorNamingTheFile) {
  for (const char* pass : {"filter", "sort"}) {
    auto table = Fares();
    table->failRecNo = 4;
    try {
      if (std::string(pass) == "filter")
        Filter(*table, {{"CARRIER", "*"}});
      else
        Sort(*table, {{"AMOUNT"}}, TRecordView::All(6));
      ADD_FAILURE() << pass << ": no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "EOF-Error") << pass;
      EXPECT_EQ(e.FileName(), "/data/fares.rff") << pass;
    }
  }
}

TEST(RecordPasses, StopOnTheCancelFlagAndReportProgress) {
  std::vector<std::vector<std::string>> rows(10000, {"x"});
  TFakeTable table({{"A"}}, rows);
  table.Open();
  for (const char* pass : {"filter", "sort"}) {
    std::atomic<bool> cancel{false};
    std::vector<std::pair<int64_t, int64_t>> reports;
    TPassControl control;
    control.Cancel = &cancel;
    control.OnProgress = [&](int64_t done, int64_t total) {
      reports.emplace_back(done, total);
      cancel = true;  // as a Cancel button pressed meanwhile
    };
    EXPECT_THROW(std::string(pass) == "filter"
                     ? (void)TRecordFilter(table, {{"A", "x"}}).Run(table, control)
                     : (void)TRecordSort({{"A"}}).Run(table, TRecordView::All(10000), control),
                 EPassCancelled)
        << pass;
    ASSERT_EQ(reports.size(), 1u) << pass;
    EXPECT_EQ(reports[0].second, 10000) << pass;
    EXPECT_LT(reports[0].first, 10000) << pass;
  }
  // Without cancelling, the last report is the whole.
  TPassControl control;
  int64_t last = 0;
  control.OnProgress = [&](int64_t done, int64_t) { last = done; };
  EXPECT_EQ(TRecordFilter(table, {{"A", "x"}}).Run(table, control).Count(), 10000);
  EXPECT_EQ(last, 10000);
}

TEST(RecordPasses, DataSetsWithoutRecordNumbersAreRefused) {
  auto table = Fares();
  table->numbered = false;
  ExpectError<EDatabaseError>(
      [&] {
        Filter(*table, {{"CARRIER", "*"}});
      },
      "Filtering and sorting need record numbers, which this data set does not have");
  ExpectError<EDatabaseError>([&] { TViewDataSet(*table, TRecordView::All(6)); },
                              "Filtering and sorting need record numbers, which this data set does not have");
}

TEST(ViewDataSet, RecordNumbersArePositionsInTheView) {
  auto table = Fares();
  TViewDataSet view(*table, Sort(*table, {{"AMOUNT", true}}, TRecordView::All(6)));  // 1, 4, 2, 3, 6, 5
  view.SetBufferCount(3);
  view.Open();
  auto values = [&] {
    std::vector<std::string> seen;
    for (view.First(); !view.Eof(); view.Next()) seen.push_back(view.FieldByName("CARRIER").AsString());
    return seen;
  };
  EXPECT_EQ(view.GetRecordCount(), 6);
  EXPECT_EQ(values(), (std::vector<std::string>{"LH ", "AF", " BA", "LH", "L*", "LX"}));
  view.SetRecNo(4);
  EXPECT_EQ(view.GetRecNo(), 4);
  EXPECT_EQ(view.BaseRecNo(), 3);
  EXPECT_EQ(view.FieldByName("AMOUNT").AsString(), "5");
  EXPECT_EQ(view.FieldByName("NOTE").AsString(), "third");
  const TDataSet::TBookmark mark = view.GetBookmark();
  view.Last();
  EXPECT_EQ(view.GetRecNo(), 6);
  EXPECT_EQ(view.FieldByName("NOTE").AsString(), "fifth");
  EXPECT_EQ(view.MoveBy(-2), -2);
  EXPECT_EQ(view.FieldByName("NOTE").AsString(), "third");
  view.First();
  view.GotoBookmark(mark);
  EXPECT_EQ(view.GetRecNo(), 4);
  EXPECT_EQ(view.FieldByName("CARRIER").AsString(), "LH");
  view.SetRecNo(99);
  EXPECT_EQ(view.GetRecNo(), 6);
}

TEST(ViewDataSet, AnEmptyViewIsAnEmptyDataSet) {
  auto table = Fares();
  TViewDataSet view(*table, Filter(*table, {{"CARRIER", "Q*"}}));
  view.Open();
  EXPECT_TRUE(view.IsEmpty());
  EXPECT_TRUE(view.Eof());
  EXPECT_EQ(view.GetRecordCount(), 0);
  EXPECT_EQ(view.FieldByName("CARRIER").AsString(), "");
  EXPECT_EQ(view.Fields().Count(), 4);
}

TEST(ViewDataSet, ARecordThatCannotBeReadRaisesWhenItsRowIsRead) {
  auto table = Fares();
  TViewDataSet view(*table, Filter(*table, {{"CARRIER", "L*"}}));  // 1, 3, 5, 6
  table->failRecNo = 5;
  view.Open();
  view.SetRecNo(3);
  ExpectError<Exception>([&] { view.FieldByName("CARRIER").AsString(); }, "EOF-Error");
  view.SetRecNo(4);
  EXPECT_EQ(view.FieldByName("CARRIER").AsString(), "L*");
}

}  // namespace
