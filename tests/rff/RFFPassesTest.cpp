// Filter and sort over an RFF file, which take most values straight from the reader's window many records at
// a time, against the same passes over a table of the values the file's fields give record by record.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "dataset/RecordValues.h"
#include "rff/RFFDataSet.h"
#include "tests/TestSupport.h"
#include "tests/dataset/FakeTable.h"
#include "tests/dataset/RecNos.h"

namespace {

// Records past the reader's window (19 bytes each), with ties, blanks and now and then a zero byte.
std::string FareRecords(int count) {
  static const char* const kCarriers[] = {"LH", "AF", "LX", "OS"};
  std::string out;
  for (int i = 0; i < count; ++i) {
    char record[32];
    std::snprintf(record, sizeof record, "%-3s%8.2f%-6s\r\n", kCarriers[i * 7 % 4],
                  static_cast<double>(i * 7919 % 1000) / 4, i % 5 ? "ab" : "xyz");
    std::string bytes(record, 19);
    if (i % 613 == 0) bytes[4] = '\0';   // in the amount
    if (i % 887 == 0) bytes[13] = '\0';  // in the note
    out += bytes;
  }
  return out;
}

// Every record's values as the data set's fields give them.
std::vector<std::vector<std::string>> Rows(TDataSet& dataSet) {
  std::vector<std::vector<std::string>> rows;
  dataSet.First();
  const auto cursor = OpenFieldRecordValues(dataSet, AllColumns(dataSet));
  for (; cursor->OnRecord(); cursor->Next()) {
    std::vector<std::string> row;
    for (const std::string_view value : cursor->Values()) row.emplace_back(value);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

TEST(RFFPasses, FilterAndSortAgreeWithThePassesThroughTheFields) {
  TTempDir dir;
  dir.Write("f.ini", "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nAMOUNT, 8\r\nNOTE, 6\r\n");
  TRFFDataSet file;
  file.SetFileName(dir.Write("f.rff", FareRecords(20000)));
  file.Open();
  TFakeTable table({{"CXR"}, {"AMOUNT"}, {"NOTE"}}, Rows(file));
  table.Open();
  ASSERT_EQ(table.GetRecordCount(), 20000);
  const TPassControl control;

  const std::vector<std::vector<TFilterEntry>> filters = {
      {{"AMOUNT", ">=125.5"}}, {{"CXR", "L*"}, {"NOTE", "x*"}}, {{"NOTE", "<>ab"}, {"AMOUNT", "<10"}}};
  for (const auto& entries : filters)
    EXPECT_EQ(RecNos(TRecordFilter(file, entries).Run(file, control)),
              RecNos(TRecordFilter(table, entries).Run(table, control)))
        << entries.front().FieldName << entries.front().Pattern;

  const std::vector<std::vector<TSortColumn>> sorts = {{{"AMOUNT"}}, {{"CXR", true}, {"AMOUNT"}}, {{"NOTE"}}};
  for (const auto& columns : sorts) {
    EXPECT_EQ(RecNos(TRecordSort(columns).Run(file, TRecordView::All(20000), control)),
              RecNos(TRecordSort(columns).Run(table, TRecordView::All(20000), control)))
        << columns.front().FieldName;
    const std::vector<TFilterEntry> some = {{"CXR", "L*"}};
    EXPECT_EQ(
        RecNos(TRecordSort(columns).Run(file, TRecordFilter(file, some).Run(file, control), control)),
        RecNos(TRecordSort(columns).Run(table, TRecordFilter(table, some).Run(table, control), control)))
        << columns.front().FieldName << " of a filter";
  }
}

TEST(RFFPasses, ASortOfMillionsOfRecordsKeepsRecordOrderInTiesAndStopsOnCancel) {
  // Enough records for the sort to share its ranges with a second thread where a processor is idle.
  constexpr int kCount = 1200000;
  TTempDir dir;
  dir.Write("f.ini", "[FIELDDESCRIPTIONS]\r\nAMOUNT, 8\r\n");
  std::string records;
  std::vector<double> amounts;
  for (int i = 0; i < kCount; ++i) {
    char record[16];
    amounts.push_back(static_cast<double>(int64_t{i} * 7919 % 100003) / (i % 3 ? 100 : 10));
    std::snprintf(record, sizeof record, "%8.2f\r\n", amounts.back());
    records.append(record, 10);
  }
  TRFFDataSet file;
  file.SetFileName(dir.Write("f.rff", records));
  file.Open();
  TRecNos expected(kCount);
  for (int i = 0; i < kCount; ++i) expected[static_cast<size_t>(i)] = i + 1;
  std::stable_sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
    return amounts[static_cast<size_t>(b - 1)] < amounts[static_cast<size_t>(a - 1)];
  });
  const TRecNos sorted =
      RecNos(TRecordSort({{"AMOUNT", true}}).Run(file, TRecordView::All(kCount), TPassControl()));
  ASSERT_EQ(sorted.size(), expected.size());
  const auto differ = std::mismatch(sorted.begin(), sorted.end(), expected.begin());
  EXPECT_TRUE(differ.first == sorted.end()) << "from place " << differ.first - sorted.begin() << ": record "
                                            << *differ.first << " instead of " << *differ.second;

  // Cancelled once every record is read, while the entries are being sorted.
  std::atomic<bool> cancel{false};
  TPassControl control;
  control.Cancel = &cancel;
  control.OnProgress = [&](int64_t done, int64_t total) { cancel = done == total; };
  EXPECT_THROW(TRecordSort({{"AMOUNT"}}).Run(file, TRecordView::All(kCount), control), EPassCancelled);
}
