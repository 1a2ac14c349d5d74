#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <memory>
#include <optional>
#include <vector>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "app/gridtools/GoToRecord.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/FormTestSupport.h"

namespace {

struct TQuestion {
  int32_t current;
  int32_t count;
  bool operator==(const TQuestion&) const = default;
};

// A grid over 5000 generated records with its Go to record; the question is answered by answer_.
class GoToRecordTest : public testing::Test {
 protected:
  void SetUp() override {
    previousAsk_ = TGoToRecord::SetAskFunction([this](QWidget*, int32_t current, int32_t count) {
      questions_.push_back({current, count});
      return answer_;
    });
    recorder_.emplace(messages_);
    Show(5000);
  }
  void TearDown() override {
    grid_.reset();
    TGoToRecord::SetAskFunction(previousAsk_);
    recorder_.reset();
  }
  void Show(int32_t count) {
    grid_.reset();
    dataSet_ = std::make_unique<TFakeDataSet>(count);
    dataSet_->Open();
    grid_ = std::make_unique<TDBGrid>();
    goTo_ = new TGoToRecord(*grid_);
    grid_->resize(400, 200);
    grid_->show();
    grid_->SetDataSet(dataSet_.get());
    QCoreApplication::processEvents();
  }

  std::unique_ptr<TFakeDataSet> dataSet_;
  std::unique_ptr<TDBGrid> grid_;
  TGoToRecord* goTo_ = nullptr;
  std::optional<int32_t> answer_;
  std::vector<TQuestion> questions_;
  std::vector<std::string> messages_;
  TGoToRecord::TAskFunction previousAsk_;
  std::optional<TMessageBoxRecorder> recorder_;
};

TEST_F(GoToRecordTest, MovesTheCursorToTheRecordAsked) {
  struct Step {
    std::optional<int32_t> answer;
    int32_t recNo;  // afterwards
    TQuestion asked;
  };
  const Step steps[] = {
      {4321, 4321, {1, 5000}}, {7, 7, {4321, 5000}}, {std::nullopt, 7, {7, 5000}},  // cancelled: it stays
      {5000, 5000, {7, 5000}}, {1, 1, {5000, 5000}},
  };
  for (const Step& step : steps) {
    questions_.clear();
    answer_ = step.answer;
    goTo_->Run();
    EXPECT_EQ(questions_, std::vector<TQuestion>{step.asked}) << step.recNo;
    EXPECT_EQ(dataSet_->GetRecNo(), step.recNo);
    // The grid shows it as the current row.
    EXPECT_EQ(grid_->View()->currentIndex().row(), dataSet_->ActiveRecord());
    EXPECT_EQ(grid_->Model()->index(dataSet_->ActiveRecord(), 0).data().toString(),
              QString::fromStdString(TFakeDataSet::Code(step.recNo)));
    EXPECT_EQ(grid_->VerticalScrollBar()->value(), step.recNo);
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GoToRecordTest, CtrlGAsksAndAnEmptyDataSetAsksNothing) {
  grid_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(grid_.get()));
  grid_->View()->setFocus();
  answer_ = 250;
  QTest::keyClick(grid_->View(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_EQ(dataSet_->GetRecNo(), 250);

  Show(0);
  questions_.clear();
  goTo_->Run();
  EXPECT_TRUE(questions_.empty());
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
