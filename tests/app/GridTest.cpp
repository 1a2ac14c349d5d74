#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <climits>
#include <functional>
#include <random>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/FormTestSupport.h"

namespace {

constexpr int32_t kHuge = INT32_MAX;
constexpr int kRows = 10;

class GridTest : public testing::Test {
 protected:
  void SetUp() override { recorder_.emplace(messages_); }
  void TearDown() override {
    grid_.reset();
    recorder_.reset();
  }

  // A grid showing kRows rows over a new data set of count records; the grid goes before it.
  TFakeDataSet& Show(int32_t count, bool positionsByNumber = true) {
    grid_.reset();
    owned_ = std::make_unique<TFakeDataSet>(count, positionsByNumber);
    dataSet_ = owned_.get();
    dataSet_->Open();
    grid_ = std::make_unique<TDBGrid>();
    grid_->resize(400, 300);
    grid_->show();
    grid_->SetDataSet(dataSet_);
    SetVisibleRows(kRows);
    return *dataSet_;
  }
  // Sizes the grid so that rows rows fit; the horizontal scroll bar may come or go meanwhile.
  void SetVisibleRows(int rows) {
    for (int attempt = 0; attempt < 3 && grid_->VisibleRowCount() != rows; ++attempt) {
      const int chrome = grid_->View()->height() - grid_->View()->viewport()->height();
      grid_->resize(400,
                    grid_->height() + rows * TDBGrid::kDefaultRowHeight + chrome - grid_->View()->height());
      QCoreApplication::processEvents();
    }
    ASSERT_EQ(grid_->VisibleRowCount(), rows);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(grid_->View(), static_cast<Qt::Key>(key), modifiers);
  }
  int32_t RecNo() { return dataSet_->GetRecNo(); }
  QString Text(int row, int column) const { return grid_->Model()->index(row, column).data().toString(); }

  // The grid shows the held rows, its current cell follows the active row and the scroll bar the
  // record number.
  void ExpectConsistent() {
    TDBGridView* view = grid_->View();
    ASSERT_EQ(grid_->Model()->rowCount(), dataSet_->BufferedRecordCount());
    EXPECT_EQ(view->currentIndex().row(), dataSet_->ActiveRecord());
    EXPECT_EQ(grid_->VerticalScrollBar()->value(), RecNo());
    for (int row = 0; row < grid_->Model()->rowCount(); ++row) {
      const int32_t n = dataSet_->RowRecNo(row);
      EXPECT_EQ(Text(row, 0), QString::fromStdString(TFakeDataSet::Code(n))) << row;
      EXPECT_EQ(Text(row, 1), QString::fromUtf8("Name %1 caf\u00e9").arg(n)) << row;
      EXPECT_EQ(Text(row, 2), QStringLiteral("(MEMO)")) << row;
    }
  }

  std::unique_ptr<TFakeDataSet> owned_;
  std::unique_ptr<TDBGrid> grid_;
  TFakeDataSet* dataSet_ = nullptr;
  std::vector<std::string> messages_;
  std::optional<TMessageBoxRecorder> recorder_;
};

TEST_F(GridTest, HoldsAsManyRowsAsFitAndShowsThemReadOnly) {
  TFakeDataSet& dataSet = Show(kHuge);
  EXPECT_EQ(dataSet.BufferCount(), kRows);
  EXPECT_EQ(grid_->Model()->rowCount(), kRows);
  EXPECT_EQ(grid_->Model()->columnCount(), 3);
  EXPECT_EQ(grid_->View()->verticalHeader()->defaultSectionSize(), 17);
  EXPECT_EQ(grid_->View()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(grid_->Model()->headerData(1, Qt::Horizontal).toString(), "NAME");
  EXPECT_EQ(grid_->View()->horizontalHeader()->font().family(), "Tahoma");
  EXPECT_EQ(grid_->View()->horizontalHeader()->font().pointSize(), 8);
  EXPECT_FALSE(grid_->Model()->flags(grid_->Model()->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_EQ(grid_->View()->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(grid_->Model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 223));
  EXPECT_FALSE(grid_->Model()->index(1, 0).data(Qt::BackgroundRole).isValid());
  EXPECT_EQ(grid_->View()->palette().color(QPalette::Highlight), QColor(0, 0, 128));
  EXPECT_EQ(grid_->View()->palette().color(QPalette::HighlightedText), QColor(Qt::white));
  EXPECT_EQ(grid_->VerticalScrollBar()->minimum(), 1);
  EXPECT_EQ(grid_->VerticalScrollBar()->maximum(), kHuge);
  ExpectConsistent();

  // Fewer rows fit: the window shrinks with the grid.
  SetVisibleRows(4);
  EXPECT_EQ(dataSet.BufferCount(), 4);
  ExpectConsistent();
}

TEST_F(GridTest, KeysMoveThroughAHugeDataSetWithFewSourceCalls) {
  TFakeDataSet& dataSet = Show(kHuge);
  struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    int32_t recNo;
  };
  const Step steps[] = {
      {Qt::Key_Down, Qt::NoModifier, 2},
      {Qt::Key_PageDown, Qt::NoModifier, 2 + kRows},
      {Qt::Key_PageUp, Qt::NoModifier, 2},
      {Qt::Key_Up, Qt::NoModifier, 1},
      {Qt::Key_Up, Qt::NoModifier, 1},  // nothing before the first record
      {Qt::Key_End, Qt::ControlModifier, kHuge},
      {Qt::Key_Down, Qt::NoModifier, kHuge},  // nothing after the last record
      {Qt::Key_Up, Qt::NoModifier, kHuge - 1},
      {Qt::Key_PageDown, Qt::NoModifier, kHuge},
      {Qt::Key_Home, Qt::ControlModifier, 1},
  };
  for (const Step& step : steps) {
    dataSet.calls = {};
    Key(step.key, step.modifiers);
    EXPECT_EQ(RecNo(), step.recNo) << step.key;
    // A jump refills the window; a step fetches at most a window's worth.
    EXPECT_LE(dataSet.calls.Total(), 4 * kRows + 4) << step.key;
    ExpectConsistent();
  }
}

TEST_F(GridTest, SteppingPastTheWindowScrollsTheRows) {
  TFakeDataSet& dataSet = Show(kHuge);
  for (int i = 0; i < kRows; ++i) Key(Qt::Key_Down);
  EXPECT_EQ(RecNo(), kRows + 1);
  EXPECT_EQ(dataSet.ActiveRecord(), kRows - 1);
  EXPECT_EQ(dataSet.RowRecNo(0), 2);
  ExpectConsistent();
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Home);  // without Ctrl it stays in the record, at the first column
  EXPECT_EQ(RecNo(), kHuge);
  EXPECT_EQ(grid_->View()->currentIndex().column(), 0);
}

TEST_F(GridTest, TheCurrentCellStaysOnScreenWhenItMovesAcross) {
  Show(100);
  grid_->resize(160, grid_->height());  // narrower than the columns together
  QCoreApplication::processEvents();
  QTableView* view = grid_->View();
  const int width = view->viewport()->width();
  ASSERT_GT(view->horizontalHeader()->length(), width);
  const int keys[] = {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_End, Qt::Key_Home, Qt::Key_End};
  const int columns[] = {1, 2, 1, 2, 0, 2};
  for (size_t i = 0; i < std::size(keys); ++i) {
    Key(keys[i]);
    ASSERT_EQ(view->currentIndex().column(), columns[i]) << i;
    // Its left edge is on screen, and its right edge too unless it is wider than the grid.
    const QRect cell = view->visualRect(view->currentIndex());
    EXPECT_GE(cell.left(), 0) << i;
    EXPECT_TRUE(cell.right() < width || cell.left() == 0) << i << " " << cell.left() << ".." << cell.right();
  }
  EXPECT_EQ(RecNo(), 1);
}

// Rows come and go as the grid's height changes; the current cell stays in its column.
TEST_F(GridTest, TheCurrentColumnSurvivesAChangeOfTheRowsOnScreen) {
  Show(100);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  ASSERT_EQ(grid_->View()->currentIndex().column(), 2);
  for (const int rows : {kRows + 5, kRows - 3}) {
    SetVisibleRows(rows);
    EXPECT_EQ(grid_->View()->currentIndex().column(), 2) << rows;
  }
}

TEST_F(GridTest, WheelAndClicksMoveTheActiveRecord) {
  TFakeDataSet& dataSet = Show(kHuge);
  QWidget* viewport = grid_->View()->viewport();
  const QPoint inside(5, 5);
  QWheelEvent down(inside, viewport->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(viewport, &down);
  EXPECT_EQ(RecNo(), 1 + QApplication::wheelScrollLines());
  ExpectConsistent();

  const int32_t top = dataSet.RowRecNo(0);
  const QRect cell = grid_->View()->visualRect(grid_->Model()->index(kRows - 2, 1));
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_EQ(RecNo(), top + kRows - 2);
  EXPECT_EQ(grid_->View()->currentIndex().column(), 1);
  ExpectConsistent();
}

TEST_F(GridTest, ScrollBarJumpsByRecordNumber) {
  for (const bool positionsByNumber : {true, false}) {
    TFakeDataSet& dataSet = Show(kHuge, positionsByNumber);
    QScrollBar* bar = grid_->VerticalScrollBar();
    for (const int32_t target : {kHuge - 3, 5, kHuge, 1, 40}) {
      dataSet.calls = {};
      bar->setSliderPosition(target);
      bar->triggerAction(QAbstractSlider::SliderMove);
      EXPECT_EQ(RecNo(), target) << positionsByNumber;
      // Walking is done from the nearest end, not across two billion records.
      EXPECT_LE(dataSet.calls.Total(), 8 * kRows + 50) << target;
      ExpectConsistent();
    }
    dataSet.calls = {};
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(RecNo(), kHuge);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(RecNo(), kHuge - 1);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(RecNo(), 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(RecNo(), 1 + kRows);
    ExpectConsistent();
  }
}

TEST_F(GridTest, RepaintingReadsNothing) {
  TFakeDataSet& dataSet = Show(kHuge);
  Key(Qt::Key_PageDown);
  dataSet.calls = {};
  dataSet.fieldReads = 0;
  dataSet.memoReads = 0;
  for (int i = 0; i < 3; ++i) grid_->grab();
  EXPECT_EQ(dataSet.calls.Total(), 0);
  EXPECT_EQ(dataSet.fieldReads, 0);
  EXPECT_EQ(dataSet.memoReads, 0);
  // A step inside the window changes no texts and reads nothing either.
  Key(Qt::Key_Up);
  EXPECT_EQ(dataSet.fieldReads, 0);
  EXPECT_EQ(dataSet.calls.Total(), 0);
}

TEST_F(GridTest, CachedTextsFollowEveryKindOfMove) {
  TFakeDataSet& dataSet = Show(1000);
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const unsigned kind = random() % 5;
    switch (kind) {
      case 0:
        grid_->MoveBy(static_cast<int32_t>(random() % 31) - 15);
        break;
      case 1:
        grid_->MoveBy(static_cast<int32_t>(random() % 3) - 1);
        break;
      case 2:
        grid_->GoToRecord(static_cast<int32_t>(random() % 1000) + 1);
        break;
      case 3:
        grid_->Last();
        break;
      default:
        SetVisibleRows(static_cast<int>(random() % 10) + 3);  // the scroll bar needs about three
        break;
    }
    ExpectConsistent();
    if (HasFailure())
      FAIL() << "after step " << i << " of kind " << kind << " buffers " << dataSet.BufferCount() << " held "
             << dataSet.BufferedRecordCount() << " active " << dataSet.ActiveRecord() << " rows "
             << grid_->Model()->rowCount() << " current " << grid_->View()->currentIndex().row()
             << " visible " << grid_->VisibleRowCount() << " recno " << dataSet.GetRecNo();
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GridTest, AnErrorWhileMovingIsShownAndTheGridGoesOn) {
  TFakeDataSet& dataSet = Show(100);
  dataSet.failRecord = kRows + 3;
  Key(Qt::Key_PageDown);
  Key(Qt::Key_PageDown);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Record 13 unreadable");
  dataSet.failRecord = 0;
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(RecNo(), 100);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(RecNo(), 1);
  ExpectConsistent();
}

TEST_F(GridTest, ARowWhoseValuesCannotBeReadShowsEmptyAndIsReportedOnceTheCursorReachesIt) {
  constexpr int32_t kBad = kRows + 1;
  struct Case {
    const char* name;
    std::function<void()> bringIn;  // makes record kBad a held row
    bool reached;                   // ... with the cursor on it
  };
  const Case cases[] = {
      {"step",
       [this] {
         for (int i = 0; i < kRows; ++i) Key(Qt::Key_Down);
       },
       true},
      {"jump", [this] { grid_->GoToRecord(kBad); }, true},
      {"wider window", [this] { SetVisibleRows(kRows + 2); }, false},
  };
  const std::vector<std::string> once = {"Fields of record 11 unreadable"};

  for (const Case& c : cases) {
    TFakeDataSet& dataSet = Show(100);
    messages_.clear();
    dataSet.failFieldRecord = kBad;
    c.bringIn();
    EXPECT_EQ(messages_, c.reached ? once : std::vector<std::string>()) << c.name;
    ASSERT_EQ(grid_->Model()->rowCount(), dataSet.BufferedRecordCount()) << c.name;
    EXPECT_EQ(grid_->View()->currentIndex().row(), dataSet.ActiveRecord()) << c.name;
    EXPECT_EQ(grid_->VerticalScrollBar()->value(), RecNo()) << c.name;
    int badRow = -1;
    for (int row = 0; row < grid_->Model()->rowCount(); ++row) {
      const int32_t n = dataSet.RowRecNo(row);
      if (n == kBad) badRow = row;
      const QString code = n == kBad ? QString() : QString::fromStdString(TFakeDataSet::Code(n));
      EXPECT_EQ(Text(row, 0), code) << c.name << " row " << row;
    }
    ASSERT_GE(badRow, 0) << c.name;
    // Looking at the row (the cell hint) reads nothing and reports nothing.
    EXPECT_EQ(grid_->Model()->CellValue(badRow, 1), "") << c.name;

    // The cursor comes to it: reported once, also across a resize and a jump onto the same record.
    messages_.clear();
    grid_->GoToRecord(kBad);
    SetVisibleRows(kRows + 1);
    grid_->GoToRecord(kBad);
    EXPECT_EQ(messages_, c.reached ? std::vector<std::string>() : once) << c.name;
    // Leaving it and coming back reaches it again.
    messages_.clear();
    Key(Qt::Key_Up);
    Key(Qt::Key_Down);
    EXPECT_EQ(messages_, once) << c.name;

    // Once the record reads again, a refill shows it.
    dataSet.failFieldRecord = 0;
    grid_->GoToRecord(kBad + 5);
    grid_->GoToRecord(kBad);
    ExpectConsistent();
  }
}

TEST_F(GridTest, AWindowOverAnUnreadableRecordOpensWithTheRecordsBeforeIt) {
  // Fetching record 5 fails, as a record of an RFF file whose memo lies past the memo file's end.
  owned_ = std::make_unique<TFakeDataSet>(8);
  dataSet_ = owned_.get();
  dataSet_->failRecord = 5;
  dataSet_->Open();
  grid_ = std::make_unique<TDBGrid>();
  grid_->resize(400, 300);
  grid_->show();
  grid_->SetDataSet(dataSet_);
  SetVisibleRows(kRows);
  EXPECT_TRUE(messages_.empty());
  ASSERT_EQ(grid_->Model()->rowCount(), 4);
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(Text(row, 0), QString::fromStdString(TFakeDataSet::Code(row + 1)));
  for (int i = 0; i < 4; ++i) Key(Qt::Key_Down);
  EXPECT_EQ(messages_, std::vector<std::string>{"Record 5 unreadable"});
  EXPECT_EQ(RecNo(), 4);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(RecNo(), 8);
  ExpectConsistent();
}

TEST_F(GridTest, AnEmptyDataSetShowsNoRows) {
  Show(0);
  EXPECT_EQ(grid_->Model()->rowCount(), 0);
  Key(Qt::Key_Down);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid_->Model()->rowCount(), 0);
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
