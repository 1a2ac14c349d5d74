#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridFind.h"
#include "app/gridtools/GridViewTools.h"
#include "dataset/DataSet.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

namespace {

constexpr int kRecords = 3000;
constexpr int kNo = 0;
constexpr int kCode = 1;
constexpr int kCity = 2;

// An RFF file of kRecords records: NO (the record number), CODE "AB" and CITY "City <n>", except for
// record 300 (CITY "Via X7"), 700 (CODE "X7"), 1234 (CITY "ZÜRICH") and 2345 (CITY "zürich"), in
// Windows-1252.
std::string Records() {
  std::string bytes;
  for (int n = 1; n <= kRecords; ++n) {
    std::string city = "City " + std::to_string(n);
    if (n == 300) city = "Via X7";
    if (n == 1234) city = "Z\xDCRICH";
    if (n == 2345) city = "z\xFCrich";
    char record[64];
    std::snprintf(record, sizeof record, "%06d%-4s%-20s\r\n", n, n == 700 ? "X7" : "AB", city.c_str());
    bytes += record;
  }
  return bytes;
}

class GridFindTest : public testing::Test {
 protected:
  void SetUp() override {
    recorder_.emplace(boxes_);
    dir_.Write("cities.ini", "[FIELDDESCRIPTIONS]\r\nNO, 6\r\nCODE, 4\r\nCITY, 20\r\n");
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->OpenFile(dir_.Write("cities.rff", Records()));
    ASSERT_EQ(form_->ChildWindows().size(), 1u);
    window_ = form_->ChildWindows()[0];
    grid_ = window_->rxdbg();
    find_ = window_->GridFind();
    ASSERT_EQ(grid_->DataSet()->GetRecordCount(), kRecords);
  }
  void TearDown() override {
    form_.reset();
    recorder_.reset();
  }

  // Runs the event loop until the search ended; false after 10 s.
  bool Wait() const {
    QElapsedTimer timer;
    timer.start();
    while (find_->Running() && timer.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !find_->Running();
  }
  void Start(int32_t recNo, int column) {
    grid_->GoToRecord(recNo);
    grid_->SelectCell(column);
  }
  void Find(const QString& text, int column, bool backward) {
    find_->Open();
    find_->TextEdit()->setText(text);
    find_->ColumnChoice()->setCurrentIndex(column < 0 ? 0 : find_->ColumnChoice()->findData(column));
    backward ? find_->FindPrevious() : find_->FindNext();
  }
  int32_t RecNo() const { return grid_->DataSet()->GetRecNo(); }
  int CurrentColumn() const { return grid_->View()->currentIndex().column(); }
  QString CurrentText() const { return grid_->View()->currentIndex().data().toString(); }
  QString Status() const { return form_->statusBar()->currentMessage(); }

  TTempDir dir_;
  std::unique_ptr<TMainForm> form_;
  TMDIChild* window_ = nullptr;
  TDBGrid* grid_ = nullptr;
  TGridFind* find_ = nullptr;
  std::vector<std::string> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
};

TEST_F(GridFindTest, FindsTheNextAndThePreviousCellHoldingTheTextOrSaysItIsNotThere) {
  struct Case {
    const char* name;
    int32_t fromRecord;
    int fromColumn;
    const char* text;  // UTF-8
    int column;        // -1: all columns
    bool backward;
    int32_t record;    // the cursor's record afterwards
    int foundColumn;   // -1: not found
    const char* cell;  // the current cell's text when found, else the status bar's
  };
  const Case cases[] = {
      {"next, letter case aside", 1, kNo, "z\u00fcrich", -1, false, 1234, kCity, "Z\u00dcRICH"},
      {"next again", 1234, kCity, "z\u00fcrich", -1, false, 2345, kCity, "z\u00fcrich"},
      {"no more after it", 2345, kCity, "z\u00fcrich", -1, false, 2345, -1,
       "\"z\u00fcrich\" not found after the current cell"},
      {"previous", 2345, kCity, "Z\u00fcRich", -1, true, 1234, kCity, "Z\u00dcRICH"},
      {"none before it", 1234, kCity, "z\u00fcrich", -1, true, 1234, -1,
       "\"z\u00fcrich\" not found before the current cell"},
      {"all columns: the first cell holding it", 1, kNo, "x7", -1, false, 300, kCity, "Via X7"},
      {"one column", 1, kNo, "x7", kCode, false, 700, kCode, "X7"},
      {"a later cell of the current record", 300, kNo, "X7", -1, false, 300, kCity, "Via X7"},
      {"previous across many records", 2345, kCity, "city 1", kCity, true, 1999, kCity, "City 1999"},
      {"a character no value can hold", 1, kNo, "\u0100", -1, false, 1, -1,
       "\"\u0100\" not found after the current cell"},
  };
  for (const Case& c : cases) {
    Start(c.fromRecord, c.fromColumn);
    Find(QString::fromUtf8(c.text), c.column, c.backward);
    ASSERT_TRUE(Wait()) << c.name;
    EXPECT_EQ(RecNo(), c.record) << c.name;
    if (c.foundColumn >= 0) {
      EXPECT_EQ(CurrentColumn(), c.foundColumn) << c.name;
      EXPECT_EQ(CurrentText().trimmed(), QString::fromUtf8(c.cell)) << c.name;
      EXPECT_EQ(grid_->View()->selectionModel()->selectedIndexes().size(), 1) << c.name;
      EXPECT_EQ(Status(), QString()) << c.name;
    } else {
      EXPECT_EQ(CurrentColumn(), c.fromColumn) << c.name;
      EXPECT_EQ(Status(), QString::fromUtf8(c.cell)) << c.name;
    }
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GridFindTest, InASortedViewItSearchesTheViewInItsOrder) {
  TGridViewTools& tools = *window_->GridTools();
  tools.Sort({{"NO", true}});
  QElapsedTimer timer;
  timer.start();
  while (tools.Running() && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_NE(tools.Shown(), nullptr);
  Start(1, kNo);
  Find(QStringLiteral("Z\u00dcRICH"), kCity, false);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(RecNo(), kRecords + 1 - 2345);  // the later record comes first
  EXPECT_EQ(grid_->Model()->index(grid_->View()->currentIndex().row(), kNo).data().toString(), "002345");
  find_->FindNext();
  ASSERT_TRUE(Wait());
  EXPECT_EQ(RecNo(), kRecords + 1 - 1234);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GridFindTest, KeysOpenTheBarFindAndEscCancels) {
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  grid_->setFocus();
  QCoreApplication::processEvents();
  QTest::keyClick(grid_->View(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(find_->Bar()->isVisible());
  EXPECT_TRUE(find_->TextEdit()->hasFocus());
  EXPECT_EQ(find_->ColumnChoice()->count(), 4);
  EXPECT_EQ(find_->ColumnChoice()->itemText(0), "All columns");
  EXPECT_EQ(find_->ColumnChoice()->itemText(3), "CITY");
  QTest::keyClicks(find_->TextEdit(), QStringLiteral("city 29"));
  QTest::keyClick(find_->TextEdit(), Qt::Key_Return);  // Enter: next
  ASSERT_TRUE(Wait());
  EXPECT_EQ(RecNo(), 29);
  grid_->setFocus();
  QTest::keyClick(grid_->View(), Qt::Key_F3);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(RecNo(), 290);
  QTest::keyClick(grid_->View(), Qt::Key_F3, Qt::ShiftModifier);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(RecNo(), 29);

  // Esc in the grid ends a running search: the cursor stays and the status bar says so.
  find_->TextEdit()->setText(QStringLiteral("nowhere"));
  find_->FindNext();
  ASSERT_TRUE(find_->Running());
  QTest::keyClick(grid_->View(), Qt::Key_Escape);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(Status(), "Find cancelled");
  EXPECT_EQ(RecNo(), 29);

  // Esc in the bar, with nothing running, closes it.
  find_->Open();
  QTest::keyClick(find_->TextEdit(), Qt::Key_Escape);
  EXPECT_FALSE(find_->Bar()->isVisible());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GridFindTest, MemoColumnsAreSearchedByTheirText) {
  // The fares sample: memo texts in Windows-1252 from fares.rfm.
  for (const char* name : {"fares.rff", "fares.ini", "fares.rfm"}) {
    std::ifstream in(std::string(KW_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    dir_.Write(name, bytes.str());
  }
  form_->OpenFile(dir_.Path("fares.rff"));
  for (TMDIChild* child : form_->ChildWindows())
    if (child->Caption() == dir_.Path("fares.rff")) window_ = child;
  grid_ = window_->rxdbg();
  find_ = window_->GridFind();
  const int memo = grid_->DataSet()->FieldByName("MEMO_RULE").FieldNo() - 1;
  for (const char* text : {"minimum STAY", "erm\u00c4\u00dfigung"}) {
    Start(1, 0);
    Find(QString::fromUtf8(text), -1, false);
    ASSERT_TRUE(Wait()) << text;
    EXPECT_EQ(CurrentColumn(), memo) << text;
    const QModelIndex cell = grid_->View()->currentIndex();
    EXPECT_TRUE(DisplayText(grid_->Model()->CellValue(cell.row(), cell.column()))
                    .contains(QString::fromUtf8(text), Qt::CaseInsensitive))
        << text;
  }
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
