#include "dataset/ViewWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records 1 … count, each with its number as text and a value of its own size (zero bytes inside); record
// failing cannot be read. Counts the reads that went backwards.
class TNumberedValues final : public TRecordValues {
 public:
  TNumberedValues(int32_t count, size_t width, int32_t failing = 0)
      : count_(count), width_(width), failing_(failing) {}

  bool OnRecord() const override { return recNo_ >= 1 && recNo_ <= count_; }
  int32_t RecNo() override { return recNo_; }
  bool Next() override {
    MoveTo(recNo_ + 1);
    return OnRecord();
  }
  void MoveTo(int32_t recNo) override {
    if (recNo < recNo_) ++backwards;
    recNo_ = recNo;
    if (recNo == failing_) throw std::runtime_error("record " + std::to_string(recNo) + " unreadable");
    texts_[0] = std::to_string(recNo);
    texts_[1].assign(width_ + static_cast<size_t>(recNo % 3), '\0');
    texts_[1][0] = static_cast<char>('a' + recNo % 26);
    views_[0] = texts_[0];
    views_[1] = texts_[1];
  }
  std::string_view Value(size_t i) override { return views_[i]; }
  std::span<const std::string_view> Values() override { return views_; }

  int backwards = 0;

 private:
  int32_t count_;
  size_t width_;
  int32_t failing_;
  int32_t recNo_ = 0;
  std::string texts_[2];
  std::string_view views_[2];
};

// A view of records 1 … count in a shuffled order.
TRecordView Shuffled(int32_t count) {
  std::vector<int32_t> recNos(static_cast<size_t>(count));
  std::iota(recNos.begin(), recNos.end(), 1);
  std::shuffle(recNos.begin(), recNos.end(), std::mt19937(7));
  TRecordView view;
  for (const int32_t recNo : recNos) view.Append(recNo);
  return view;
}

struct THandedOut {
  std::vector<int32_t> positions;
  std::vector<std::string> values;  // the first value of a record, '|' and a hash of the second
};

std::string Summary(std::string_view number, std::string_view value) {
  return std::string(number) + "|" + std::to_string(std::hash<std::string_view>()(value));
}

THandedOut Walk(TRecordValues& cursor, const TRecordView& view, int32_t first, int32_t last) {
  THandedOut out;
  WalkView(cursor, view, first, last, {}, [&](int32_t position, std::span<const std::string_view> values) {
    out.positions.push_back(position);
    out.values.push_back(Summary(values[0], values[1]));
  });
  return out;
}

// What a walk record by record in view order hands out.
THandedOut Expected(const TRecordView& view, int32_t first, int32_t last, size_t width) {
  THandedOut out;
  TNumberedValues cursor(view.Count(), width);
  for (int32_t position = first; position <= last; ++position) {
    cursor.MoveTo(view.RecordAt(position));
    out.positions.push_back(position);
    out.values.push_back(Summary(cursor.Value(0), cursor.Value(1)));
  }
  return out;
}

TEST(ViewWalk, HandsOutRecordsInViewOrderReadingBlocksForwards) {
  const int32_t count = 30000;  // several blocks
  const TRecordView view = Shuffled(count);
  struct Case {
    int32_t first, last;
  };
  for (const Case c : {Case{1, count}, Case{2, 9000}, Case{17, 17}, Case{5, 4}}) {
    TNumberedValues cursor(count, 5);
    const THandedOut out = Walk(cursor, view, c.first, c.last);
    const THandedOut expected = Expected(view, c.first, c.last, 5);
    EXPECT_EQ(out.positions, expected.positions) << c.first;
    EXPECT_EQ(out.values, expected.values) << c.first;
    // Backwards only from one block to the next.
    EXPECT_LE(cursor.backwards, 10) << c.first;
  }
  // A view of every record in record order.
  TNumberedValues cursor(100, 0);
  EXPECT_EQ(Walk(cursor, TRecordView::All(100), 1, 100).values,
            Expected(TRecordView::All(100), 1, 100, 0).values);
}

// Values larger than a block may hold: read record by record in view order instead, with the same result.
TEST(ViewWalk, BlocksWhoseValuesOutgrowTheBufferAreWalkedInViewOrder) {
  const int32_t count = 4096;
  const TRecordView view = Shuffled(count);
  TNumberedValues cursor(count, 40000);
  const THandedOut out = Walk(cursor, view, 1, count);
  const THandedOut expected = Expected(view, 1, count, 40000);
  EXPECT_EQ(out.positions, expected.positions);
  EXPECT_EQ(out.values, expected.values);
  EXPECT_GT(cursor.backwards, 1000);
}

TEST(ViewWalk, AnUnreadableRecordEndsTheWalkAfterTheRecordsBeforeItInViewOrder) {
  const int32_t count = 20000;
  const TRecordView view = Shuffled(count);
  for (const int32_t failingPosition : {1, 3000, 4096, 4097, 15000}) {
    const int32_t failing = view.RecordAt(failingPosition);
    TNumberedValues cursor(count, 3, failing);
    std::vector<int32_t> positions;
    std::string error;
    try {
      WalkView(cursor, view, 1, count, {},
               [&](int32_t position, std::span<const std::string_view>) { positions.push_back(position); });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, "record " + std::to_string(failing) + " unreadable");
    std::vector<int32_t> before(static_cast<size_t>(failingPosition - 1));
    std::iota(before.begin(), before.end(), 1);
    EXPECT_EQ(positions, before) << failingPosition;
  }
}

TEST(ViewWalk, CancelEndsTheWalk) {
  const TRecordView view = Shuffled(10000);
  TNumberedValues cursor(10000, 1);
  std::atomic<bool> cancel = false;
  TPassControl control;
  control.Cancel = &cancel;
  int32_t handedOut = 0;
  EXPECT_THROW(WalkView(cursor, view, 1, 10000, control,
                        [&](int32_t, std::span<const std::string_view>) {
                          if (++handedOut == 100) cancel = true;
                        }),
               EPassCancelled);
  EXPECT_LT(handedOut, 10000);
}

}  // namespace
