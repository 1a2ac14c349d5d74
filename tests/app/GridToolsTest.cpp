#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridViewTools.h"
#include "app/gridtools/QueryByFormDialog.h"
#include "app/gridtools/SortByFormDialog.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

namespace {

class GridToolsTest : public TShownFormTest<> {
 protected:
  // The fares sample's window (an RFF file of 8 fares; its RFC companion opens too).
  TMDIChild& OpenFares() {
    for (const char* name : {"fares.rff", "fares.ini", "fares.rfm"}) {
      std::ifstream in(std::string(KW_SAMPLES_DIR) + "/" + name, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      dir_.Write(name, bytes.str());
    }
    form_->OpenFile(dir_.Path("fares.rff"));
    for (TMDIChild* child : form_->ChildWindows())
      if (child->Caption() == dir_.Path("fares.rff")) return *child;
    throw std::runtime_error("no window");
  }
  // Runs the event loop until the window's pass ended; false after 10 s.
  static bool WaitForPass(TGridViewTools& tools) {
    QElapsedTimer timer;
    timer.start();
    while (tools.Running() && timer.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !tools.Running();
  }
  // The values of one column as the grid's data set walks them.
  static std::vector<std::string> Column(TDataSet& dataSet, const char* name) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof() && !dataSet.IsEmpty(); dataSet.Next())
      values.push_back(dataSet.FieldByName(name).AsString());
    dataSet.First();
    return values;
  }
};

TEST_F(GridToolsTest, TheGridsContextMenuOffersQueryAndSortByForm) {
  TMDIChild& window = OpenFares();
  TGridContextMenu& menu = *window.ContextMenu();
  menu.Refresh();
  std::vector<std::string> entries;
  for (TGridMenuEntry entry : {TGridMenuEntry::gmQueryByForm, TGridMenuEntry::gmSortByForm,
                               TGridMenuEntry::gmShowAllRecords, TGridMenuEntry::gmCancelPass}) {
    QAction* action = menu.Entry(entry);
    entries.push_back(action->text().toStdString() + (action->isEnabled() ? "" : " (off)"));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"Query by form...", "Sort by form...",
                                               "Show all records (off)", "Cancel (off)"}));
  EXPECT_EQ(window.rxdbg()->View()->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(GridToolsTest, AQueryThenASortShowTheirViewAndShowAllReturnsToTheFile) {
  TMDIChild& window = OpenFares();
  TGridViewTools& tools = *window.GridTools();
  TDataSet* file = window.rxdbg()->DataSet();

  tools.Query({{"CXR", "L*"}});
  EXPECT_TRUE(tools.Running());
  ASSERT_TRUE(WaitForPass(tools));
  ASSERT_NE(tools.Shown(), nullptr);
  EXPECT_EQ(window.rxdbg()->DataSet(), tools.Shown());
  EXPECT_EQ(Column(*tools.Shown(), "CXR"), (std::vector<std::string>{"LH ", "LH ", "LX "}));
  EXPECT_EQ(tools.Shown()->GetRecordCount(), 3);

  tools.Sort({{"AMOUNT", true}});  // the query stays
  ASSERT_TRUE(WaitForPass(tools));
  EXPECT_EQ(Column(*tools.Shown(), "AMOUNT"),
            (std::vector<std::string>{"   1289.00", "   1120.00", "    645.50"}));
  EXPECT_EQ(tools.Shown()->GetRecNo(), 1);

  tools.ShowAll();
  EXPECT_EQ(tools.Shown(), nullptr);
  EXPECT_EQ(window.rxdbg()->DataSet(), file);
  EXPECT_EQ(file->GetRecordCount(), 8);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GridToolsTest, AnUnknownColumnIsShownAsAnErrorAndTheGridStays) {
  TMDIChild& window = OpenFares();
  TGridViewTools& tools = *window.GridTools();
  TDataSet* file = window.rxdbg()->DataSet();
  tools.Query({{"FARE", "1"}});
  ASSERT_TRUE(WaitForPass(tools));
  EXPECT_EQ(boxes_, (std::vector<std::string>{"Field 'FARE' not found"}));
  EXPECT_EQ(window.rxdbg()->DataSet(), file);
}

TEST_F(GridToolsTest, ClosingTheWindowDuringAPassEndsIt) {
  TMDIChild& window = OpenFares();
  window.GridTools()->Sort({{"CITY_NAME"}});
  window.close();
  QCoreApplication::processEvents();
  EXPECT_EQ(window.GridTools(), nullptr);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GridToolsTest, TheFormsGiveTheFilledEntriesAndTheCheckedColumnsInTheirOrder) {
  TMDIChild& window = OpenFares();
  TDataSet& dataSet = *window.rxdbg()->DataSet();
  TQueryByFormDialog query(dataSet, {{"CXR", "L*"}});
  EXPECT_EQ(query.EntryOf("CXR")->text(), QStringLiteral("L*"));
  query.EntryOf("AMOUNT")->setText(QStringLiteral(">=700"));
  query.EntryOf("CITY_NAME")->setText(QStringLiteral("M\u00FCnchen"));  // as the file's code page has it
  const std::vector<TFilterEntry> entries = query.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].FieldName, "CXR");
  EXPECT_EQ(entries[1].Pattern, ">=700");
  EXPECT_EQ(entries[2].Pattern, "M\xFCnchen");

  TSortByFormDialog sort(dataSet, {{"AMOUNT", true}});
  QTreeWidget* list = sort.List();
  ASSERT_GT(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("AMOUNT"));
  list->topLevelItem(1)->setCheckState(0, Qt::Checked);  // CXR, ascending
  const std::vector<TSortColumn> columns = sort.Columns();
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].FieldName, "AMOUNT");
  EXPECT_TRUE(columns[0].Descending);
  EXPECT_EQ(columns[1].FieldName, "CXR");
  EXPECT_FALSE(columns[1].Descending);
}

}  // namespace
