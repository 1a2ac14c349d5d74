#include <gtest/gtest.h>

#include <QAction>
#include <QColor>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <fstream>
#include <functional>
#include <sstream>

#include <QPlainTextEdit>

#include "app/DisplayText.h"
#include "app/gridtools/FrozenColumns.h"
#include "app/gridtools/MemoViewer.h"
#include "tests/app/GridMenuToolsSupport.h"

namespace {

class GridDisplayTest : public testing::Test, public TFlagsWindowFixture {
 public:
  void SetUp() override { ASSERT_NE(window, nullptr); }
  QVariant Data(int row, int column, int role) const {
    return Grid().Model()->data(Grid().Model()->index(row, column), role);
  }
};

// Each toggle of the menu, what it changes, as it first stands and after one trigger.
struct TToggleCase {
  TGridMenuEntry Entry;
  bool Initially;
  std::function<bool(const GridDisplayTest&, TDBGrid&)> Shown;
};

TEST_F(GridDisplayTest, EachToggleChangesTheGridAndIsCheckMarked) {
  const std::vector<TToggleCase> cases = {
      {TGridMenuEntry::gmShowBooleans, false,
       [](const GridDisplayTest& t, TDBGrid&) {
         // Record 1: FLAG "1", checked and without text; CITY stays text.
         return t.Data(0, kFlag, Qt::CheckStateRole) == QVariant(Qt::Checked) &&
                t.Data(1, kFlag, Qt::CheckStateRole) == QVariant(Qt::Unchecked) &&
                t.Data(0, kFlag, Qt::DisplayRole).toString().isEmpty() &&
                !t.Data(0, kCity, Qt::CheckStateRole).isValid();
       }},
      {TGridMenuEntry::gmRowColours, true,
       [](const GridDisplayTest& t, TDBGrid&) {
         return t.Data(0, kCity, Qt::BackgroundRole) == QVariant(QColor(255, 255, 223)) &&
                !t.Data(1, kCity, Qt::BackgroundRole).isValid();
       }},
      {TGridMenuEntry::gmTextEllipsis, true,
       [](const GridDisplayTest&, TDBGrid& grid) { return grid.View()->textElideMode() == Qt::ElideRight; }},
      {TGridMenuEntry::gmTitleEllipsis, true,
       [](const GridDisplayTest&, TDBGrid& grid) {
         return grid.View()->horizontalHeader()->textElideMode() == Qt::ElideRight;
       }},
      {TGridMenuEntry::gmRowSizing, false,
       [](const GridDisplayTest&, TDBGrid& grid) {
         return grid.View()->verticalHeader()->sectionResizeMode(0) == QHeaderView::Interactive;
       }},
      {TGridMenuEntry::gmMultiLineTitles, false,
       [](const GridDisplayTest&, TDBGrid& grid) {
         return (grid.View()->horizontalHeader()->defaultAlignment() & Qt::TextWordWrap) != 0;
       }},
      {TGridMenuEntry::gmCellHints, true,
       [](const GridDisplayTest& t, TDBGrid& grid) {
         const QRect cell = grid.View()->visualRect(grid.Model()->index(2, kCity));
         const QPoint at = grid.View()->viewport()->mapTo(&grid, cell.center());
         t.window->rxdbgMouseMove(Qt::NoModifier, at.x(), at.y());
         return grid.HintText() == QStringLiteral("City 3          ");
       }},
  };
  for (const TToggleCase& c : cases) {
    QAction* entry = Menu().Entry(c.Entry);
    SCOPED_TRACE(entry->objectName().toStdString());
    Menu().Refresh();
    ASSERT_TRUE(entry->isEnabled());
    EXPECT_EQ(entry->isChecked(), c.Initially);
    EXPECT_EQ(c.Shown(*this, Grid()), c.Initially);
    entry->trigger();
    Menu().Refresh();
    EXPECT_EQ(entry->isChecked(), !c.Initially);
    EXPECT_EQ(c.Shown(*this, Grid()), !c.Initially);
    // The options stay while the grid moves on.
    Grid().MoveBy(100);
    Grid().First();
    EXPECT_EQ(c.Shown(*this, Grid()), !c.Initially);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(GridDisplayTest, BooleansAreShownOnlyWhereEveryValueOnScreenIsOneOrZero) {
  TGridDisplayOptions options;
  options.ShowBooleans = true;
  Tools().Display().SetOptions(options);
  EXPECT_TRUE(Grid().Model()->IsCheckColumn(kFlag));
  EXPECT_FALSE(Grid().Model()->IsCheckColumn(kNo));
  EXPECT_FALSE(Grid().Model()->IsCheckColumn(kCity));
  // The value stays what a copy takes.
  EXPECT_EQ(Grid().Model()->CellText(0, kFlag), QStringLiteral("1"));
}

TEST_F(GridDisplayTest, AutomaticSizeFitsTheValuesOnScreenAndAutomaticWidthTheWindow) {
  QTableView* view = Grid().View();
  const int cityWidth = view->columnWidth(kCity);  // room for 16 characters
  TGridDisplayOptions options;
  options.AutoSize = true;
  Tools().Display().SetOptions(options);
  EXPECT_LT(view->columnWidth(kCity), cityWidth);  // "City 1" … "City 10" need less
  for (const int column : {kNo, kFlag, kCity}) {
    const int fitted = view->columnWidth(column);
    view->resizeColumnToContents(column);
    EXPECT_EQ(view->columnWidth(column), fitted) << column;
  }

  options.AutoWidth = true;
  Tools().Display().SetOptions(options);
  const int total = view->columnWidth(kNo) + view->columnWidth(kFlag) + view->columnWidth(kCity);
  EXPECT_EQ(total, view->viewport()->width());
  // Again when the window changes its width.
  window->resize(window->width() + 120, window->height());
  QCoreApplication::processEvents();
  EXPECT_EQ(view->columnWidth(kNo) + view->columnWidth(kFlag) + view->columnWidth(kCity),
            view->viewport()->width());
}

TEST_F(GridDisplayTest, WithRowSizingARowResizedByTheUserSetsTheHeightOfEveryRow) {
  QHeaderView* rows = Grid().View()->verticalHeader();
  const int held = Grid().VisibleRowCount();
  rows->resizeSection(0, 2 * TDBGrid::kDefaultRowHeight);  // row sizing off: nothing follows
  EXPECT_EQ(Tools().Display().Options().RowHeight, TDBGrid::kDefaultRowHeight);
  rows->resizeSection(0, TDBGrid::kDefaultRowHeight);

  Menu().Entry(TGridMenuEntry::gmRowSizing)->trigger();
  rows->resizeSection(0, 2 * TDBGrid::kDefaultRowHeight);
  EXPECT_EQ(Tools().Display().Options().RowHeight, 2 * TDBGrid::kDefaultRowHeight);
  EXPECT_EQ(rows->sectionSize(1), 2 * TDBGrid::kDefaultRowHeight);
  // The data set holds as many rows as now fit.
  EXPECT_EQ(Grid().VisibleRowCount(), Grid().View()->viewport()->height() / (2 * TDBGrid::kDefaultRowHeight));
  EXPECT_LT(Grid().VisibleRowCount(), held);
  EXPECT_EQ(Grid().DataSet()->BufferCount(), Grid().VisibleRowCount());
}

TEST_F(GridDisplayTest, FixedColumnsStayInPlaceWhileTheOthersScroll) {
  QTableView* view = Grid().View();
  // Narrow window, wide columns: the grid scrolls across.
  view->setColumnWidth(kNo, 100);
  view->setColumnWidth(kFlag, 100);
  view->setColumnWidth(kCity, 900);
  // The scroll bar that comes takes a row's room: let the grid settle before the current cell is chosen.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  Grid().SelectCell(kFlag);
  QAction* entry = Menu().Entry(TGridMenuEntry::gmFixedColumns);
  entry->trigger();  // fixes the columns up to the current one
  EXPECT_EQ(Tools().Display().Options().FixedColumns, 2);
  TFrozenColumns& frozen = Tools().Display().Frozen();
  QTableView* fixed = frozen.Overlay();
  ASSERT_TRUE(fixed->isVisible());
  EXPECT_FALSE(fixed->isColumnHidden(kNo));
  EXPECT_FALSE(fixed->isColumnHidden(kFlag));
  EXPECT_TRUE(fixed->isColumnHidden(kCity));
  EXPECT_EQ(fixed->width(), 201);
  const QRect before = fixed->geometry();

  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  QCoreApplication::processEvents();
  ASSERT_GT(view->horizontalScrollBar()->value(), 0);
  EXPECT_LT(view->columnViewportPosition(kNo), 0);  // the grid's own copy scrolled away …
  EXPECT_EQ(fixed->geometry(), before);             // … the fixed columns did not
  EXPECT_EQ(fixed->columnViewportPosition(kNo), 0);
  EXPECT_EQ(fixed->model()->data(fixed->model()->index(0, kNo)).toString(), QStringLiteral("000001"));
  // The hint over a fixed cell is that cell's, not the one scrolled beneath it.
  const QPoint over =
      fixed->viewport()->mapTo(&Grid(), fixed->visualRect(fixed->model()->index(2, kFlag)).center());
  window->rxdbgMouseMove(Qt::NoModifier, over.x(), over.y());
  EXPECT_EQ(Grid().HintText(), QStringLiteral("1"));

  // A fixed cell made current is in sight as it stands; another comes out from beneath them.
  const int scrolled = view->horizontalScrollBar()->value();
  Grid().SelectCell(kNo);
  EXPECT_EQ(view->horizontalScrollBar()->value(), scrolled);
  Grid().SelectCell(kCity);
  EXPECT_EQ(view->columnViewportPosition(kCity), fixed->width() - 1);

  // Unchecked: no fixed columns.
  entry->trigger();
  EXPECT_EQ(Tools().Display().Options().FixedColumns, 0);
  EXPECT_FALSE(fixed->isVisible());
}

// The fares sample: MEMO_RULE is a memo column.
class GridMemoTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"fares.rff", "fares.ini", "fares.rfm"}) {
      std::ifstream in(std::string(KW_SAMPLES_DIR) + "/" + name, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      dir_.Write(name, bytes.str());
    }
    recorder_.emplace(boxes_);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->OpenFile(dir_.Path("fares.rff"));
    for (TMDIChild* child : form_->ChildWindows())
      if (child->Caption() == dir_.Path("fares.rff")) window_ = child;
    ASSERT_NE(window_, nullptr);
    TDBGrid& grid = *window_->rxdbg();
    for (int c = 0; c < grid.Model()->columnCount(); ++c)
      if (grid.Model()->headerData(c, Qt::Horizontal).toString() == QStringLiteral("MEMO_RULE")) memo_ = c;
    ASSERT_GE(memo_, 0);
  }
  void TearDown() override {
    form_.reset();
    recorder_.reset();
  }

  TTempDir dir_;
  std::vector<std::string> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
  std::unique_ptr<TMainForm> form_;
  TMDIChild* window_ = nullptr;
  int memo_ = -1;
};

TEST_F(GridMemoTest, ShowMemosDrawsTheTextAndFullSizeMemoOpensItWhole) {
  TDBGrid& grid = *window_->rxdbg();
  const QModelIndex cell = grid.Model()->index(0, memo_);
  EXPECT_EQ(cell.data().toString(), TDataSetTableModel::MemoMarker());
  const std::string memo = grid.Model()->CellValue(0, memo_);
  ASSERT_FALSE(memo.empty());

  window_->ContextMenu()->Entry(TGridMenuEntry::gmShowMemos)->trigger();
  const QString firstLine = DisplayText(memo.substr(0, memo.find_first_of("\r\n")));
  EXPECT_EQ(cell.data().toString(), firstLine);

  grid.SelectCell(memo_);
  window_->ContextMenu()->Refresh();
  QAction* full = window_->ContextMenu()->Entry(TGridMenuEntry::gmFullSizeMemo);
  ASSERT_TRUE(full->isEnabled());
  full->trigger();
  auto* viewer = grid.findChild<TMemoViewer*>();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  QString whole = DisplayText(memo);
  whole.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(viewer->Text()->toPlainText(), whole);
  viewer->close();

  // Not on a column without memos.
  grid.SelectCell(0);
  window_->ContextMenu()->Refresh();
  EXPECT_FALSE(full->isEnabled());
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
