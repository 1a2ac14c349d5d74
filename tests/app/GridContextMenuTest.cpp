#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <memory>
#include <string>
#include <vector>

#include "app/DBGrid.h"
#include "app/gridtools/GridContextMenu.h"
#include "tests/app/FakeDataSet.h"

namespace {

class GridContextMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    dataSet_.Open();
    grid_ = std::make_unique<TDBGrid>();
    grid_->resize(400, 300);
    grid_->show();
    grid_->SetDataSet(&dataSet_);
    menu_ = new TGridContextMenu(*grid_);
  }

  TFakeDataSet dataSet_{100};
  std::unique_ptr<TDBGrid> grid_;
  TGridContextMenu* menu_ = nullptr;
};

TEST_F(GridContextMenuTest, TheEntriesComeInTheirOrderTheTogglesCheckable) {
  std::vector<std::string> names;
  std::vector<std::string> checkable;
  for (QAction* action : menu_->Menu()->actions()) {
    if (action->isSeparator()) continue;
    names.push_back(action->objectName().toStdString());
    if (action->isCheckable()) checkable.push_back(names.back());
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "AutoSize",       "AutoWidth",       "ShowBooleans",  "ShowImages",   "ShowMemos",
                       "ShowDateTimes",  "TextEllipsis",    "TitleEllipsis", "FullSizeMemo", "RowSizing",
                       "CellHints",      "MultiLineTitles", "RowColours",    "FixedColumns", "PrintGrid",
                       "PrintDataSet",   "ExportGrid",      "SelectAll",     "SelectNone",   "QueryByForm",
                       "SortByForm",     "Customize",       "SearchMode",    "SaveLayout",   "LoadLayout",
                       "ShowAllRecords", "CancelPass"}));
  EXPECT_EQ(checkable, (std::vector<std::string>{"AutoSize", "AutoWidth", "ShowBooleans", "ShowImages",
                                                 "ShowMemos", "ShowDateTimes", "TextEllipsis",
                                                 "TitleEllipsis", "RowSizing", "CellHints", "MultiLineTitles",
                                                 "RowColours", "FixedColumns", "SearchMode"}));
  for (int i = 0; i < kGridMenuEntryCount; ++i) {
    const auto entry = static_cast<TGridMenuEntry>(i);
    EXPECT_EQ(menu_->Entry(entry)->objectName().toStdString(), TGridContextMenu::EntryName(entry));
    // Nothing bound yet.
    EXPECT_FALSE(menu_->Entry(entry)->isEnabled()) << TGridContextMenu::EntryName(entry);
  }
}

TEST_F(GridContextMenuTest, ABoundEntryRunsAndGetsItsStateBeforeTheMenuOpens) {
  int runs = 0;
  bool asked = false;
  QObject tool;
  QAction* entry = menu_->Bind(TGridMenuEntry::gmCustomize, &tool, [&runs] { ++runs; });
  QObject::connect(menu_, &TGridContextMenu::AboutToShow, &tool, [&] { asked = true; });
  EXPECT_TRUE(entry->isEnabled());
  entry->trigger();
  EXPECT_EQ(runs, 1);

  // A right click in the cells and one in the column titles open the menu, each after asking the tools.
  for (QWidget* widget :
       {static_cast<QWidget*>(grid_->View()), static_cast<QWidget*>(grid_->View()->horizontalHeader())}) {
    asked = false;
    emit widget->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(menu_->Menu()->isVisible());
    menu_->Menu()->hide();
  }
}

}  // namespace
