#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridClipboard.h"
#include "core/FileInfo.h"
#include "tests/TestSupport.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/FormTestSupport.h"

namespace {

constexpr int kRows = 5;

// A grid of kRows rows over 100 generated records (CODE "C<n>", NAME "Name <n> café", memo NOTE).
class GridClipboardTest : public testing::Test {
 protected:
  void SetUp() override {
    recorder_.emplace(messages_);
    Show(std::make_unique<TFakeDataSet>(100));
  }
  void TearDown() override {
    grid_.reset();
    recorder_.reset();
  }
  // A new grid over dataSet, its first record current.
  void Show(std::unique_ptr<TFakeDataSet> dataSet) {
    grid_.reset();
    dataSet_ = std::move(dataSet);
    dataSet_->Open();
    grid_ = std::make_unique<TDBGrid>();
    grid_->OnCopy = [this] { TGridClipboard::Copy(*grid_); };
    grid_->resize(400, 300);
    grid_->show();
    grid_->SetDataSet(dataSet_.get());
    for (int attempt = 0; attempt < 3 && grid_->VisibleRowCount() != kRows; ++attempt) {
      const int chrome = grid_->View()->height() - grid_->View()->viewport()->height();
      grid_->resize(400,
                    grid_->height() + kRows * TDBGrid::kDefaultRowHeight + chrome - grid_->View()->height());
      QCoreApplication::processEvents();
    }
    ASSERT_EQ(grid_->VisibleRowCount(), kRows);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(grid_->View(), static_cast<Qt::Key>(key), modifiers);
  }
  void Click(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect cell = grid_->View()->visualRect(grid_->Model()->index(row, column));
    QTest::mouseClick(grid_->View()->viewport(), Qt::LeftButton, modifiers, cell.center());
  }
  // What Ctrl+C in the grid put on the clipboard, text and HTML joined by "|".
  static std::string Clipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return (data->text() + "|" + data->html()).toStdString();
  }

  std::unique_ptr<TFakeDataSet> dataSet_;
  std::unique_ptr<TDBGrid> grid_;
  std::vector<std::string> messages_;
  std::optional<TMessageBoxRecorder> recorder_;
};

TEST_F(GridClipboardTest, CtrlCCopiesTheSelectionAsTextAndAsAnHtmlTable) {
  struct Case {
    const char* name;
    std::function<void()> select;
    const char* text;
    const char* html;
  };
  const Case cases[] = {
      {"the current cell, a memo: its text", [this] { Click(1, 2); }, "NOTE\nMemo of record 2\n",
       "<table>\n<tr><th>NOTE</th></tr>\n<tr><td>Memo of record 2</td></tr>\n</table>\n"},
      {"Shift+arrows: a range, decoded as shown",
       [this] {
         Click(0, 0);
         Key(Qt::Key_Down, Qt::ShiftModifier);
         Key(Qt::Key_Right, Qt::ShiftModifier);
       },
       "CODE\tNAME\nC1\tName 1 caf\u00e9\nC2\tName 2 caf\u00e9\n",
       "<table>\n<tr><th>CODE</th><th>NAME</th></tr>\n<tr><td>C1</td><td>Name 1 caf\u00e9</td></tr>\n"
       "<tr><td>C2</td><td>Name 2 caf\u00e9</td></tr>\n</table>\n"},
      {"Shift+click",
       [this] {
         Click(3, 1);
         Click(2, 1, Qt::ShiftModifier);
       },
       "NAME\nName 3 caf\u00e9\nName 4 caf\u00e9\n",
       "<table>\n<tr><th>NAME</th></tr>\n<tr><td>Name 3 caf\u00e9</td></tr>\n<tr><td>Name 4 "
       "caf\u00e9</td></tr>\n"
       "</table>\n"},
      {"Ctrl+click: cells apart, the cells between them empty",
       [this] {
         Click(0, 0);
         Click(2, 2, Qt::ControlModifier);
       },
       "CODE\tNOTE\nC1\t\n\tMemo of record 3\n",
       "<table>\n<tr><th>CODE</th><th>NOTE</th></tr>\n<tr><td>C1</td><td></td></tr>\n"
       "<tr><td></td><td>Memo of record 3</td></tr>\n</table>\n"},
      {"a column by its title: the held rows", [this] { grid_->View()->selectColumn(0); },
       "CODE\nC1\nC2\nC3\nC4\nC5\n",
       "<table>\n<tr><th>CODE</th></tr>\n<tr><td>C1</td></tr>\n<tr><td>C2</td></tr>\n<tr><td>C3</td></tr>\n"
       "<tr><td>C4</td></tr>\n<tr><td>C5</td></tr>\n</table>\n"},
      {"columns in their order on screen",
       [this] {
         grid_->View()->horizontalHeader()->moveSection(1, 0);  // NAME before CODE
         Click(0, 1);
         Click(0, 0, Qt::ShiftModifier);
       },
       "NAME\tCODE\nName 1 caf\u00e9\tC1\n",
       "<table>\n<tr><th>NAME</th><th>CODE</th></tr>\n<tr><td>Name 1 "
       "caf\u00e9</td><td>C1</td></tr>\n</table>\n"},
      {"the selection scrolls with its records and ends at the window",
       [this] {
         Click(3, 0);
         for (int i = 0; i < 3; ++i) Key(Qt::Key_Down, Qt::ShiftModifier);  // records 4 to 7
       },
       "CODE\nC4\nC5\nC6\nC7\n",
       "<table>\n<tr><th>CODE</th></tr>\n<tr><td>C4</td></tr>\n<tr><td>C5</td></tr>\n<tr><td>C6</td></tr>\n"
       "<tr><td>C7</td></tr>\n</table>\n"},
      {"a plain move after a range leaves one cell",
       [this] {
         Click(0, 0);
         Key(Qt::Key_Down, Qt::ShiftModifier);
         Key(Qt::Key_Down);
       },
       "CODE\nC3\n", "<table>\n<tr><th>CODE</th></tr>\n<tr><td>C3</td></tr>\n</table>\n"},
  };
  for (const Case& c : cases) {
    Show(std::make_unique<TFakeDataSet>(100));
    QGuiApplication::clipboard()->clear();
    c.select();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), std::string(c.text) + "|" + c.html) << c.name;
  }
  EXPECT_TRUE(messages_.empty());
}

// Memo texts with what a tab-separated field or a table cell cannot hold as it is.
class TAwkwardMemoDataSet : public TFakeDataSet {
 public:
  TAwkwardMemoDataSet() : TFakeDataSet(100) {}
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField&, TBlobStreamMode) override {
    auto stream = std::make_unique<TMemoryStream>();
    const std::string text = "a\tb \"c\"\r\nd<e>&";
    stream->Write(text.data(), static_cast<int32_t>(text.size()));
    return stream;
  }
};

TEST_F(GridClipboardTest, TabsLineBreaksAndQuotesAreQuotedInTheTextAndEscapedInTheTable) {
  Show(std::make_unique<TAwkwardMemoDataSet>());
  Click(0, 1);
  Click(0, 2, Qt::ShiftModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(),
            "NAME\tNOTE\nName 1 caf\u00e9\t\"a\tb \"\"c\"\"\r\nd<e>&\"\n|"
            "<table>\n<tr><th>NAME</th><th>NOTE</th></tr>\n"
            "<tr><td>Name 1 caf\u00e9</td><td>a\tb &quot;c&quot;<br>d&lt;e&gt;&amp;</td></tr>\n</table>\n");
}

TEST_F(GridClipboardTest, AMemoThatCannotBeReadIsReportedAndNothingIsCopied) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  dataSet_->failMemo = true;
  Click(0, 0);
  Click(0, 2, Qt::ShiftModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(messages_, std::vector<std::string>{"Memo unreadable"});
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  // Nothing selected (an empty data set): nothing to copy.
  Show(std::make_unique<TFakeDataSet>(0));
  EXPECT_FALSE(TGridClipboard::HasSelection(*grid_));
  EXPECT_EQ(TGridClipboard::SelectionData(*grid_), nullptr);
}

// The main window's Copy (menu, tool button, Ctrl+C) copies a focused grid's selection.
class MainFormCopyTest : public testing::Test {
 protected:
  void SetUp() override {
    previousFactory_ =
        TFileInfo::SetDataSetFactory([](const TFileInfo&) -> std::unique_ptr<TAbstractDataSet> {
          auto dataSet = std::make_unique<TFakeDataSet>(50);
          dataSet->Open();
          return dataSet;
        });
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    form_->OpenFile(dir_.Write("a.rff", "x"));
    ASSERT_EQ(form_->ChildWindows().size(), 1u);
    grid_ = form_->ChildWindows()[0]->rxdbg();
  }
  void TearDown() override {
    form_.reset();
    TFileInfo::SetDataSetFactory(previousFactory_);
  }
  QAction* Action(const char* name) const { return form_->findChild<QAction*>(name); }

  TTempDir dir_;
  std::unique_ptr<TMainForm> form_;
  TDBGrid* grid_ = nullptr;
  TFileInfo::TDataSetFactory previousFactory_;
};

TEST_F(MainFormCopyTest, CopyIsEnabledByTheFocusedGridsSelectionAndCopiesIt) {
  grid_->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(grid_->View()->hasFocus());
  EXPECT_TRUE(Action("EditCopy1")->isEnabled());
  EXPECT_FALSE(Action("EditCut1")->isEnabled());
  EXPECT_FALSE(Action("EditPaste1")->isEnabled());

  QGuiApplication::clipboard()->clear();
  Action("EditCopy1")->trigger();  // the menu entry and the tool button
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "CODE\nC1\n");

  QTest::keyClick(grid_->View(), Qt::Key_Down, Qt::ShiftModifier);
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(grid_->View(), Qt::Key_C, Qt::ControlModifier);  // Ctrl+C
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "CODE\nC1\nC2\n");

  // Nothing selected: nothing to copy.
  grid_->View()->selectionModel()->clearSelection();
  EXPECT_FALSE(Action("EditCopy1")->isEnabled());
  grid_->View()->selectionModel()->select(grid_->Model()->index(0, 1), QItemSelectionModel::Select);
  EXPECT_TRUE(Action("EditCopy1")->isEnabled());

  // Away from the grid Copy follows the focused edit control again.
  form_->FileTree()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(Action("EditCopy1")->isEnabled());
}

}  // namespace
