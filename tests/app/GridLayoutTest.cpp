#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <fstream>

#include "app/gridtools/GridClipboard.h"
#include "app/gridtools/GridCustomizeDialog.h"
#include "app/gridtools/GridLayout.h"
#include "app/gridtools/GridLayoutStore.h"
#include "app/gridtools/GridSearchMode.h"
#include "app/gridtools/GridViewTools.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/GridMenuToolsSupport.h"

namespace {

class GridLayoutTest : public testing::Test, public TFlagsWindowFixture {
 protected:
  void SetUp() override { ASSERT_NE(window, nullptr); }
  void TearDown() override { TGridLayoutStore::SetAskFileName({}); }

  // The columns' names in their order on screen, hidden ones in brackets.
  std::vector<std::string> Columns() const {
    std::vector<std::string> names;
    const QHeaderView* titles = Grid().View()->horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
      const int column = titles->logicalIndex(visual);
      const std::string name = Grid().Model()->headerData(column, Qt::Horizontal).toString().toStdString();
      names.push_back(titles->isSectionHidden(column) ? "[" + name + "]" : name);
    }
    return names;
  }
  // CITY first and 200 wide, FLAG hidden, booleans shown, one fixed column, no row colours.
  void ChangeLayout() {
    QHeaderView* titles = Grid().View()->horizontalHeader();
    titles->moveSection(titles->visualIndex(kCity), 0);
    titles->resizeSection(kCity, 200);
    titles->setSectionHidden(kFlag, true);
    TGridDisplayOptions options;
    options.ShowBooleans = true;
    options.RowColours = false;
    options.FixedColumns = 1;
    Tools().Display().SetOptions(options);
  }
  void ExpectChangedLayout() {
    EXPECT_EQ(Columns(), (std::vector<std::string>{"CITY", "NO", "[FLAG]"}));
    EXPECT_EQ(Grid().View()->columnWidth(kCity), 200);
    EXPECT_TRUE(Tools().Display().Options().ShowBooleans);
    EXPECT_FALSE(Tools().Display().Options().RowColours);
    EXPECT_EQ(Tools().Display().Options().FixedColumns, 1);
  }
};

TEST_F(GridLayoutTest, ALayoutSavedToAFileComesBackWhenLoaded) {
  const std::vector<std::string> first = Columns();
  const TGridLayout initial = Tools().Layouts().Current();
  ChangeLayout();
  const std::string file = dir.Path("flags.kwlayout");
  int asked = 0;
  TGridLayoutStore::SetAskFileName([&](QWidget*, bool) {
    ++asked;
    return QString::fromStdString(file);
  });
  Menu().Entry(TGridMenuEntry::gmSaveLayout)->trigger();
  ASSERT_EQ(asked, 1);

  Tools().Layouts().Apply(initial);
  EXPECT_EQ(Columns(), first);
  Menu().Entry(TGridMenuEntry::gmLoadLayout)->trigger();
  ExpectChangedLayout();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(GridLayoutTest, AFileThatIsNoLayoutIsRefusedNamingItAndChangesNothing) {
  const TGridLayout before = Tools().Layouts().Current();
  struct TCase {
    const char* Bytes;
    const char* Message;
  };
  for (const TCase& c :
       {TCase{"{\"columns\": [", "Not a grid layout: "}, TCase{"[1, 2]", "Not a grid layout"},
        TCase{"{\"kind\": \"other\", \"columns\": []}", "Not a grid layout"}}) {
    boxes.clear();
    const std::string file = dir.Write("bad.kwlayout", c.Bytes);
    EXPECT_FALSE(Tools().Layouts().LoadFile(QString::fromStdString(file)));
    ASSERT_EQ(boxes.size(), 1u) << c.Bytes;
    EXPECT_TRUE(boxes[0].starts_with(c.Message)) << boxes[0];
    EXPECT_EQ(Tools().Layouts().Current(), before);
  }
  boxes.clear();
  EXPECT_FALSE(Tools().Layouts().LoadFile(QString::fromStdString(dir.Path("missing.kwlayout"))));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].starts_with("Cannot read the layout")) << boxes[0];
  // A folder that cannot take the file: nothing written, said so.
  boxes.clear();
  EXPECT_FALSE(Tools().Layouts().SaveFile(QString::fromStdString(dir.Path("no/such/folder/x.kwlayout"))));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].starts_with("Cannot write the layout")) << boxes[0];
}

TEST_F(GridLayoutTest, TheLayoutOfAFileKindIsRememberedForTheNextWindowAndRun) {
  const TGridLayout initial = Tools().Layouts().Current();
  ChangeLayout();
  window->close();
  QCoreApplication::processEvents();
  // The next window on the file, after a restart, and another file with the same columns.
  Start();
  ASSERT_NE(window, nullptr);
  ExpectChangedLayout();
  dir.Write("other.ini", "[FIELDDESCRIPTIONS]\r\nNO, 6\r\nFLAG, 1\r\nCITY, 16\r\n");
  form->OpenFile(dir.Write("other.rff", FlagsRecords()));
  ASSERT_EQ(form->ChildWindows().size(), 2u);
  window = form->ChildWindows()[1];
  ExpectChangedLayout();

  // Both windows back in the first layout: nothing is kept any more, and the file opens as it first did.
  for (TMDIChild* child : form->ChildWindows()) child->MenuTools()->Layouts().Apply(initial);
  form.reset();
  EXPECT_FALSE(QSettings().childGroups().contains(QStringLiteral("GridLayouts")));
  Start();
  EXPECT_EQ(Tools().Layouts().Current(), initial);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(GridLayoutTest, AQueryKeepsTheLayout) {
  ChangeLayout();
  window->GridTools()->Query({{"FLAG", "1"}});
  QElapsedTimer timer;
  timer.start();
  while (window->GridTools()->Running() && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  ASSERT_EQ(Grid().DataSet()->GetRecordCount(), kFlagsRecords / 2);
  ExpectChangedLayout();
}

TEST_F(GridLayoutTest, CustomizeHidesShowsAndReordersColumns) {
  TGridCustomizeDialog dialog(Grid());
  QListWidget* list = dialog.List();
  ASSERT_EQ(list->count(), 3);
  list->setCurrentRow(2);  // CITY
  dialog.MoveSelected(-1);
  dialog.MoveSelected(-1);
  dialog.MoveSelected(-1);                      // already first
  list->item(1)->setCheckState(Qt::Unchecked);  // NO
  dialog.ApplyTo(Grid());
  EXPECT_EQ(Columns(), (std::vector<std::string>{"CITY", "[NO]", "FLAG"}));

  // Shown again; a dialog that would hide every column leaves one.
  TGridCustomizeDialog again(Grid());
  EXPECT_EQ(again.List()->item(1)->checkState(), Qt::Unchecked);
  for (int i = 0; i < 3; ++i) again.List()->item(i)->setCheckState(Qt::Unchecked);
  again.ApplyTo(Grid());
  EXPECT_EQ(Columns(), (std::vector<std::string>{"CITY", "[NO]", "[FLAG]"}));
}

TEST_F(GridLayoutTest, InSearchModeTypingFindsTheBeginningOfAValueAndF3TheNextOne) {
  Menu().Entry(TGridMenuEntry::gmSearchMode)->trigger();
  ASSERT_TRUE(Tools().SearchMode().On());
  Grid().SelectCell(kCity);
  Grid().setFocus();
  QTest::keyClicks(Grid().View(), "pa");
  ASSERT_TRUE(WaitForFind());
  EXPECT_EQ(RecNo(), 150);  // Paris
  EXPECT_EQ(Grid().View()->currentIndex().column(), kCity);
  QTest::keyClick(Grid().View(), Qt::Key_F3);
  ASSERT_TRUE(WaitForFind());
  EXPECT_EQ(RecNo(), 170);  // Parma
  QTest::keyClick(Grid().View(), Qt::Key_F3);
  ASSERT_TRUE(WaitForFind());
  EXPECT_EQ(RecNo(), 170);
  EXPECT_TRUE(form->statusBar()->currentMessage().contains("not found"))
      << form->statusBar()->currentMessage().toStdString();

  // Another key starts anew; leading blanks and letter case aside.
  QTest::keyClick(Grid().View(), Qt::Key_Home, Qt::ControlModifier);
  QTest::keyClicks(Grid().View(), "PE");
  ASSERT_TRUE(WaitForFind());
  EXPECT_EQ(RecNo(), 260);
  EXPECT_EQ(Tools().SearchMode().Typed(), QStringLiteral("PE"));

  // Off: keys are the grid's again.
  Menu().Entry(TGridMenuEntry::gmSearchMode)->trigger();
  QTest::keyClicks(Grid().View(), "pa");
  EXPECT_FALSE(window->GridFind()->Running());
  EXPECT_TRUE(Tools().SearchMode().Typed().isEmpty());
  EXPECT_TRUE(boxes.empty());
}

// "Select all" over a generated data set of many records.
class SelectAllTest : public testing::Test {
 protected:
  void SetUp() override {
    recorder_.emplace(boxes_);
    dataSet_.Open();
    grid_ = std::make_unique<TDBGrid>();
    grid_->resize(400, 300);
    grid_->show();
    grid_->SetDataSet(&dataSet_);
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    grid_.reset();
    recorder_.reset();
  }
  bool AllHeldSelected() const {
    const QItemSelectionModel* selection = grid_->View()->selectionModel();
    for (int r = 0; r < grid_->Model()->rowCount(); ++r)
      for (int c = 0; c < grid_->Model()->columnCount(); ++c)
        if (!selection->isSelected(grid_->Model()->index(r, c))) return false;
    return grid_->Model()->rowCount() > 0;
  }

  TFakeDataSet dataSet_{20'000'000};
  std::unique_ptr<TDBGrid> grid_;
  std::vector<std::string> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
};

TEST_F(SelectAllTest, SelectAllReadsNoRecordAndLastsWhileScrolling) {
  const TSourceCalls before = dataSet_.calls;
  const int64_t readsBefore = dataSet_.fieldReads;
  QTest::keyClick(grid_->View(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(grid_->AllRecordsSelected());
  EXPECT_EQ(dataSet_.calls.Total(), before.Total());
  EXPECT_EQ(dataSet_.fieldReads, readsBefore);
  EXPECT_TRUE(AllHeldSelected());

  // The wheel and the scroll bar browse the selected records; the rows coming in are selected too.
  grid_->MoveBy(5000);
  EXPECT_TRUE(grid_->AllRecordsSelected());
  EXPECT_TRUE(AllHeldSelected());

  // Copy of twenty million records: refused, said so, the clipboard left alone.
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  TGridClipboard::Copy(*grid_);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("Export grid"), std::string::npos) << boxes_[0];
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

  // A key move selects anew; "select none" clears.
  QTest::keyClick(grid_->View(), Qt::Key_Down);
  EXPECT_FALSE(grid_->AllRecordsSelected());
  grid_->SelectAllRecords();
  grid_->SelectNone();
  EXPECT_FALSE(grid_->AllRecordsSelected());
  EXPECT_FALSE(grid_->View()->selectionModel()->hasSelection());
}

TEST_F(SelectAllTest, AllRecordsOnScreenAreCopied) {
  TFakeDataSet few(3);
  few.Open();
  grid_->SetDataSet(&few);
  grid_->SelectAllRecords();
  TGridClipboard::Copy(*grid_);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), 4);  // the titles and 3 records
  grid_->SetDataSet(nullptr);
}

}  // namespace
