#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>

#include "app/DBGrid.h"
#include "app/RecordPane.h"
#include "app/RecordStatus.h"
#include "tests/app/MainFormFixture.h"

namespace {

// Where the user is: record numbers beside the rows, "Record n of N" in the status bar and the record
// pane, all following the active window's current record.
class RecordStatusTest : public TMainFormFixture {
 protected:
  void SetUp() override {
    TMainFormFixture::SetUp();
    form_->show();
    form_->OpenFile(Path("a.rff"));
    form_->OpenFile(Path("short.rff"));
    Settle();
  }
  TDBGrid& Grid(const std::string& name) const { return *WindowOf(Path(name))->rxdbg(); }
  QString Status() const { return form_->RecordStatus()->text(); }
  QStringList RowNumbers(const TDBGrid& grid) const {
    QStringList numbers;
    for (int row = 0; row < grid.Model()->rowCount(); ++row)
      numbers << grid.Model()->headerData(row, Qt::Vertical).toString();
    return numbers;
  }
};

TEST_F(RecordStatusTest, RowsShowTheirRecordNumbers) {
  TDBGrid& grid = Grid("a.rff");
  const int rows = grid.Model()->rowCount();
  ASSERT_GT(rows, 2);
  EXPECT_FALSE(grid.View()->verticalHeader()->isHidden());
  EXPECT_EQ(RowNumbers(grid).first(), "1");
  EXPECT_EQ(RowNumbers(grid).last(), QString::number(rows));
  grid.Last();
  EXPECT_EQ(RowNumbers(grid).last(), "50");
  EXPECT_EQ(RowNumbers(grid).first(), QString::number(50 - rows + 1));
}

TEST_F(RecordStatusTest, StatusNamesTheActiveWindowsFileAndRecord) {
  EXPECT_EQ(Status(), QString::fromStdString(Path("short.rff") + ": Record 1 of 3"));
  Grid("short.rff").MoveBy(2);
  EXPECT_EQ(Status(), QString::fromStdString(Path("short.rff") + ": Record 3 of 3"));
  form_->MdiArea()->setActiveSubWindow(WindowOf(Path("a.rff")));
  EXPECT_EQ(Status(), QString::fromStdString(Path("a.rff") + ": Record 1 of 50"));
  Grid("a.rff").GoToRecord(42);
  EXPECT_EQ(Status(), QString::fromStdString(Path("a.rff") + ": Record 42 of 50"));
  form_->MdiArea()->closeAllSubWindows();
  Settle();
  EXPECT_EQ(Status(), QString());
}

TEST_F(RecordStatusTest, RecordPaneShowsTheCurrentRecordWithWholeMemoTexts) {
  TRecordPane& pane = *form_->RecordPane();
  EXPECT_TRUE(pane.isHidden());
  form_->findChild<QAction*>("WindowRecordPane1")->trigger();
  ASSERT_TRUE(pane.isVisible());
  Grid("short.rff").MoveBy(1);
  const QTableWidget& table = *pane.Table();
  ASSERT_EQ(table.rowCount(), 3);
  QStringList pairs;
  for (int row = 0; row < table.rowCount(); ++row)
    pairs << table.item(row, 0)->text() + "=" + table.item(row, 1)->text();
  EXPECT_EQ(pairs,
            QStringList({"CODE=C2", QStringLiteral("NAME=Name 2 caf\u00E9"), "NOTE=Memo of record 2"}));
}

}  // namespace
