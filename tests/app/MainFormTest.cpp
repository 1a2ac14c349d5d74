#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/FormTestSupport.h"
#include "tests/app/MainFormFixture.h"

namespace {

namespace fs = std::filesystem;

using MainFormTest = TMainFormFixture;

TEST_F(MainFormTest, HasTheFormsPartsByName) {
  EXPECT_EQ(form_->windowTitle(), "Kestrelwing RFF/STADAF Viewer");
  auto* toolBar = form_->findChild<QToolBar*>("ToolBar2");
  ASSERT_NE(toolBar, nullptr);
  EXPECT_EQ(toolBar->height(), 30);
  QStringList buttons;
  for (QAction* action : toolBar->actions()) buttons << (action->isSeparator() ? "-" : action->objectName());
  EXPECT_EQ(buttons.join(' '),
            "FileNew1 FileOpen1 FileSave1 - EditCut1 EditCopy1 EditPaste1 - WindowCascade1 "
            "WindowTileHorizontal1 WindowTileVertical1");
  ASSERT_NE(form_->findChild<QWidget*>("pnlTree"), nullptr);
  ASSERT_NE(form_->findChild<QSplitter*>("Splitter1"), nullptr);
  EXPECT_EQ(Tree()->objectName(), "FileTree");
  EXPECT_EQ(Tree()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(form_->statusBar()->objectName(), "StatusBar1");
  EXPECT_EQ(form_->StatusPanel0()->width(), 256);

  QStringList menus;
  for (QAction* menu : form_->menuBar()->actions()) menus << menu->text() + "=" + menu->statusTip();
  EXPECT_EQ(menus.join('/'),
            "&File=File related commands/&Edit=Edit commands/&Window=Window related commands/"
            "&Help=Help topics");
  QStringList fileMenu;
  for (QAction* action : form_->menuBar()->actions()[0]->menu()->actions())
    fileMenu << (action->isSeparator() ? "-" : action->objectName());
  EXPECT_EQ(fileMenu.join(' '),
            "FileNew1 FileOpen1 FileClose1 FileSave1 FileSaveAs1 - FileRecent1 - FileExit1");
}

TEST_F(MainFormTest, ActionsHaveTheirCaptionsShortcutsHintsAndStates) {
  struct Case {
    const char* name;
    const char* caption;
    const char* shortcut;
    const char* tip;
    const char* status;
    bool enabled;
  };
  const Case cases[] = {
      {"FileNew1", "&New", "Ctrl+N", "New", "Create a new file", false},
      {"FileOpen1", "&Open", "Ctrl+O", "Open", "Open a file", true},
      {"FileClose1", "&Close", "", "Close", "Close current file", false},
      {"FileSave1", "&Save", "Ctrl+S", "Save", "Save current file", false},
      {"FileSaveAs1", "Save &As...", "", "Save As", "Save current file with different name", false},
      {"FileExit1", "E&xit", "", "Exit", "Exit application", true},
      {"EditCut1", "Cu&t", "Ctrl+X", "Cut", "Cuts the selection and puts it on the Clipboard", false},
      {"EditCopy1", "&Copy", "Ctrl+C", "Copy", "Copies the selection and puts it on the Clipboard", false},
      {"EditPaste1", "&Paste", "Ctrl+V", "Paste", "Inserts Clipboard contents", true},
      {"WindowCascade1", "&Cascade", "", "Cascade", "Cascade", false},
      {"WindowTileHorizontal1", "Tile &Horizontally", "", "Tile Horizontally", "Tile Horizontally", false},
      {"WindowTileVertical1", "Tile &Vertically", "", "Tile Vertically", "Tile Vertically", false},
      {"WindowMinimizeAll1", "&Minimize All", "", "Minimize All", "Minimize All", false},
      {"WindowArrangeAll1", "&Arrange All", "", "Arrange All", "Arrange All", false},
      {"HelpAbout1", "&About...", "", "", "", false},
  };
  for (const Case& c : cases) {
    QAction* action = Action(c.name);
    ASSERT_NE(action, nullptr) << c.name;
    EXPECT_EQ(action->text(), c.caption) << c.name;
    EXPECT_EQ(action->shortcut().toString(), c.shortcut) << c.name;
    if (*c.tip) {
      EXPECT_EQ(action->toolTip(), c.tip) << c.name;
    }
    EXPECT_EQ(action->statusTip(), c.status) << c.name;
    EXPECT_EQ(action->isEnabled(), c.enabled) << c.name;
  }
}

TEST_F(MainFormTest, OpensTheCommandLineUnderTheStoredNamesAndSkipsMissingFiles) {
  ShowWithCommandLine({Path("A.RFF"), Path("missing.rff"), Path("notes.txt"), dir_ + "/./B.rff"});
  const std::vector<std::string> tree = {
      "Rich Flight Format[" + Path("a.rff") + "," + Path("a.rfc") + "," + Path("b.rff") + "]", ".TXT[]"};
  EXPECT_EQ(TreeCaptions(), tree);
  const std::vector<std::string> windows = {Path("a.rff"), Path("a.rfc"), Path("b.rff")};
  EXPECT_EQ(WindowCaptions(), windows);
  for (const std::string& caption : windows) {
    TMDIChild* window = WindowOf(caption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle().toStdString(), caption);
    EXPECT_EQ(window->TreeNode(), NodeOf(caption));
    const TFileInfo* info = TMainForm::NodeData(window->TreeNode());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Caption(), caption);
    EXPECT_EQ(info->FileName(), caption);
    EXPECT_EQ(window->DataSet(), &info->GetDataSet());
  }
  EXPECT_EQ(TMainForm::NodeData(Tree()->topLevelItem(0)), nullptr);
  EXPECT_EQ(TMainForm::NodeData(NodeOf(Path("a.rfc")))->Extension(), ".RFC");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainFormTest, OpeningAFileAgainNumbersItsCaption) {
  form_->show();
  for (int i = 0; i < 3; ++i) form_->OpenFile(Path("b.rff"));
  const std::string b = Path("b.rff");
  const std::vector<std::string> expected = {"Rich Flight Format[" + b + "," + b + " (1)," + b + " (2)]"};
  EXPECT_EQ(TreeCaptions(), expected);
  const std::vector<std::string> windows = {b, b + " (1)", b + " (2)"};
  EXPECT_EQ(WindowCaptions(), windows);
  // Each has its own holder and data set.
  EXPECT_NE(WindowOf(b)->DataSet(), WindowOf(b + " (1)")->DataSet());

  QTreeWidgetItem* group = Tree()->topLevelItem(0);
  EXPECT_EQ(TMainForm::UniqueNodeCaption(group, "other"), "other");
  EXPECT_EQ(TMainForm::UniqueNodeCaption(group, b), b + " (3)");
}

TEST_F(MainFormTest, GroupsFilesByExtension) {
  struct Case {
    const char* name;
    std::vector<std::string> tree;
  };
  const Case cases[] = {
      {"notes.txt", {".TXT[]"}},
      {"README", {"[]"}},
      {"missing.rff", {"Rich Flight Format[]"}},
      {"missing.DAF", {"Standard Dataset Fare[]"}},
  };
  for (const Case& c : cases) {
    form_ = std::make_unique<TMainForm>();
    form_->OpenFile(Path(c.name));
    form_->OpenFile(Path(c.name));  // the group is found again, nothing else is added
    EXPECT_EQ(TreeCaptions(), c.tree) << c.name;
    EXPECT_TRUE(form_->ChildWindows().empty()) << c.name;
  }
  EXPECT_EQ(TMainForm::GroupCaption(".RFC"), "Rich Flight Format");
  EXPECT_EQ(TMainForm::GroupCaption(".DAF"), "Standard Dataset Fare");
  EXPECT_EQ(TMainForm::GroupCaption(".rff"), ".rff");
}

TEST_F(MainFormTest, OpensDroppedFilesInDropOrder) {
  form_->show();
  const auto data = Files({"lone.rfc", "b.rff", "missing.rff"});
  QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(form_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDragMoveEvent move(QPoint(310, 210), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(form_.get(), &move);
  EXPECT_TRUE(move.isAccepted());
  QDropEvent drop(QPointF(310, 210), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(form_.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  const std::vector<std::string> tree = {"Rich Flight Format[" + Path("lone.rfc") + "," + Path("b.rff") +
                                         "]"};
  EXPECT_EQ(TreeCaptions(), tree);
  const std::vector<std::string> windows = {Path("lone.rfc"), Path("b.rff")};
  EXPECT_EQ(WindowCaptions(), windows);
}

TEST_F(MainFormTest, DropTargetAcceptsOnlyFileLists) {
  uint32_t effect = 77;
  QMimeData text;
  text.setText("not a file");
  EXPECT_EQ(form_->DragEnter(&text, Qt::NoModifier, QPoint(), effect), S_FALSE);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = 77;
  EXPECT_EQ(form_->DragEnter(nullptr, Qt::NoModifier, QPoint(), effect), S_OK);
  EXPECT_EQ(effect, 77u);
  const auto files = Files({"b.rff"});
  EXPECT_EQ(form_->DragEnter(files.get(), Qt::NoModifier, QPoint(), effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  effect = 0;
  EXPECT_EQ(form_->DragOver(Qt::NoModifier, QPoint(), effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  EXPECT_EQ(form_->DragLeave(), S_OK);
  effect = 77;
  EXPECT_EQ(form_->Drop(&text, Qt::NoModifier, QPoint(), effect), S_OK);
  EXPECT_EQ(effect, 77u);
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);

  QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form_.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

TEST_F(MainFormTest, AnErrorShowsItsMessageAndEndsTheBatch) {
  ShowWithCommandLine({Path("b.rff"), Path("broken.rff"), Path("lone.rfc")});
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Broken layout");
  // The error names no file, so it concerns the one being opened.
  EXPECT_EQ(boxes_[0].FileName, Path("broken.rff"));
  EXPECT_EQ(boxes_[0].Title, "Kestrelwing RFF/STADAF Viewer");
  EXPECT_EQ(boxes_[0].Buttons, TMessageButtons::mbOK);
  // The file before stays open; the broken one leaves its group node but no window; the rest of
  // the batch is not opened.
  const std::vector<std::string> tree = {"Rich Flight Format[" + Path("b.rff") + "]"};
  EXPECT_EQ(TreeCaptions(), tree);
  const std::vector<std::string> windows = {Path("b.rff")};
  EXPECT_EQ(WindowCaptions(), windows);

  // The same through a drop and through the Open dialog.
  for (int via = 0; via < 2; ++via) {
    boxes_.clear();
    if (via == 0) {
      const auto data = Files({"broken.rff", "lone.rfc"});
      uint32_t effect = 0;
      form_->Drop(data.get(), Qt::NoModifier, QPoint(), effect);
    } else {
      TMainForm::SetOpenDialogFunction([this](QWidget*, const QStringList&, const QString&) {
        return QStringList{QString::fromStdString(Path("broken.rff")),
                           QString::fromStdString(Path("lone.rfc"))};
      });
      Action("FileOpen1")->trigger();
    }
    ASSERT_EQ(boxes_.size(), 1u) << via;
    EXPECT_EQ(boxes_[0].Text, "Broken layout");
    EXPECT_EQ(WindowCaptions(), windows) << via;
  }
}

TEST_F(MainFormTest, MessagesNameTheFileThenShowTheMessageAsItStands) {
  // An error that names its own file keeps it.
  RunGuarded([&] { form_->OpenFile(Path("named.rff")); });
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].FileName, Path("named.ini"));
  EXPECT_EQ(boxes_[0].Text, "Error at offset 0");

  auto named = []<class E>(E error, const std::string& file) {
    error.SetFileNameOnce(file);
    return error;
  };
  struct Case {
    std::function<void()> raise;
    QString shown;
  };
  const Case cases[] = {
      {[&] { throw named(Exception("EOF-Error"), "/data/fares.rfm"); }, "/data/fares.rfm: EOF-Error"},
      // File names as the platform names them, messages in the files' code page.
      {[&] { throw named(EInOutError(13), "/data/Z\xC3\xBCrich.rfm"); },
       QString::fromUtf8("/data/Z\u00fcrich.rfm: I/O error 13: Permission denied")},
      {[&] {
         throw named(Exception("Stra\xDF"
                               "e: bad"),
                     "/d/Stra\xC3\x9F"
                     "e.ini");
       },
       QString::fromUtf8("/d/Stra\u00dfe.ini: Stra\u00dfe: bad")},
      {[] { throw Exception("caf\xE9"); }, QString::fromUtf8("caf\u00e9")},
      {[] { throw std::runtime_error("plain"); }, "plain"},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    RunGuarded(c.raise);
    ASSERT_EQ(boxes_.size(), 1u) << c.shown.toStdString();
    EXPECT_EQ(MessageText(boxes_[0]), c.shown);
    EXPECT_EQ(boxes_[0].Title, "Kestrelwing RFF/STADAF Viewer");
  }
}

TEST_F(MainFormTest, FileNamesShowAsThePlatformNamesThem) {
  form_->show();
  const std::string zurich = Path("Z\xC3\xBCrich.rff");
  form_->OpenFile(zurich);
  form_->OpenFile(zurich);
  form_->OpenFile(Path("notes.t\xC3\xBCt"));
  const QString shown = QString::fromUtf8(zurich.c_str());
  const QString companion = QString::fromUtf8(Path("Z\xC3\xBCrich.rfc").c_str());
  QStringList tree;
  for (QTreeWidgetItemIterator it(Tree()); *it; ++it) tree << (*it)->text(0);
  EXPECT_EQ(tree, QStringList({"Rich Flight Format", shown, companion, shown + " (1)", companion + " (1)",
                               QString::fromUtf8(".T\u00fcT")}));
  QStringList titles;
  for (QMdiSubWindow* window : form_->MdiArea()->subWindowList(QMdiArea::CreationOrder))
    titles << window->windowTitle();
  EXPECT_EQ(titles, QStringList({shown, companion, shown + " (1)", companion + " (1)"}));
  QMenu* windowMenu = form_->findChild<QMenu*>("Window1");
  emit windowMenu->aboutToShow();
  QStringList listed;
  for (QAction* action : windowMenu->actions())
    if (!action->isSeparator() && action->objectName().isEmpty()) listed << action->text();
  EXPECT_EQ(listed.value(0), "&1 " + shown);
  // Clicking a node finds its window by the caption's bytes.
  WindowOf(zurich)->close();
  Settle();
  Tree()->setCurrentItem(NodeOf(zurich));
  ASSERT_NE(WindowOf(zurich), nullptr);
  EXPECT_EQ(WindowOf(zurich)->windowTitle(), shown);
}

TEST_F(MainFormTest, HolderOfAMissingFileFails) {
  try {
    TFileInfo info(Path("gone.rff"), {}, 0, ".RFF");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "File not found");
  }
  TFileInfo info(Path("b.rff"), {}, 0, ".rff");
  EXPECT_EQ(info.Extension(), ".RFF");
  EXPECT_EQ(info.RecordType(), 0);
  EXPECT_TRUE(info.GetDataSet().Active());
}

TEST_F(MainFormTest, OpenDialogOffersTheFiltersAndOpensTheSelectionInOrder) {
  QStringList filters;
  QString selected;
  TMainForm::SetOpenDialogFunction([&](QWidget*, const QStringList& f, const QString& s) {
    filters = f;
    selected = s;
    return QStringList{QString::fromStdString(Path("lone.rfc")), QString::fromStdString(Path("b.rff"))};
  });
  Action("FileOpen1")->trigger();
  EXPECT_EQ(filters, QStringList({"Rich Flight Format files (*.rff)", "Stadaf Files (*.daf)",
                                  "Supported Formats (*.rff *.daf)", "All files (*)"}));
  EXPECT_EQ(selected, "Supported Formats (*.rff *.daf)");
  const std::vector<std::string> windows = {Path("lone.rfc"), Path("b.rff")};
  EXPECT_EQ(WindowCaptions(), windows);

  // Cancelled: nothing happens.
  TMainForm::SetOpenDialogFunction(
      [](QWidget*, const QStringList&, const QString&) { return QStringList(); });
  Action("FileOpen1")->trigger();
  EXPECT_EQ(WindowCaptions(), windows);
}

TEST_F(MainFormTest, AClosedWindowReopensFromItsNodeOverTheSameDataSet) {
  form_->show();
  form_->OpenFile(Path("b.rff"));
  form_->OpenFile(Path("lone.rfc"));
  const std::string b = Path("b.rff");
  TMDIChild* window = WindowOf(b);
  ASSERT_NE(window, nullptr);
  TDataSet* dataSet = window->DataSet();
  dataSet->MoveBy(5);
  QPointer<TMDIChild> closed(window);
  window->close();
  Settle();
  EXPECT_TRUE(closed.isNull());  // freed
  EXPECT_EQ(WindowOf(b), nullptr);
  EXPECT_TRUE(dataSet->Active());  // but its data set stays open

  Tree()->setCurrentItem(NodeOf(b));
  TMDIChild* reopened = WindowOf(b);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->DataSet(), dataSet);
  EXPECT_EQ(reopened->TreeNode(), NodeOf(b));
  EXPECT_EQ(dataSet->GetRecNo(), 1);  // at the first record
  EXPECT_EQ(form_->ChildWindows().size(), 2u);

  // A second click finds the window open and makes no other.
  form_->FileTreeClick();
  EXPECT_EQ(form_->ChildWindows().size(), 2u);
}

TEST_F(MainFormTest, ClickingANodeBringsItsWindowToTheFrontAndKeepsTheFocusInTheTree) {
  form_->show();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  form_->OpenFile(Path("b.rff"));
  form_->OpenFile(Path("lone.rfc"));
  // The window became active before it had its node, so no node is selected yet.
  EXPECT_EQ(form_->ActiveChild(), WindowOf(Path("lone.rfc")));
  EXPECT_EQ(Tree()->currentItem(), nullptr);
  EXPECT_TRUE(WindowOf(Path("lone.rfc"))->rxdbg()->View()->hasFocus());

  Tree()->expandAll();
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                    Tree()->visualItemRect(NodeOf(Path("b.rff"))).center());
  EXPECT_EQ(form_->ActiveChild(), WindowOf(Path("b.rff")));
  EXPECT_EQ(form_->ChildWindows().front(), WindowOf(Path("b.rff")));
  EXPECT_TRUE(Tree()->hasFocus());
  EXPECT_EQ(form_->ChildWindows().size(), 2u);

  // Activating the other window by the frame selects its node and leaves it in front.
  form_->MdiArea()->setActiveSubWindow(WindowOf(Path("lone.rfc")));
  EXPECT_EQ(Tree()->currentItem(), NodeOf(Path("lone.rfc")));
  EXPECT_EQ(form_->ActiveChild(), WindowOf(Path("lone.rfc")));
}

TEST_F(MainFormTest, WindowActionsFollowTheDataWindows) {
  form_->show();
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1", "FileClose1"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
  form_->OpenFile(Path("b.rff"));
  form_->OpenFile(Path("lone.rfc"));
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                           "WindowMinimizeAll1", "WindowArrangeAll1", "FileClose1"})
    EXPECT_TRUE(Action(name)->isEnabled()) << name;

  // The Window menu lists the data windows, the active one checked.
  QMenu* windowMenu = form_->findChild<QMenu*>("Window1");
  ASSERT_NE(windowMenu, nullptr);
  emit windowMenu->aboutToShow();
  QStringList listed;
  for (QAction* action : windowMenu->actions())
    if (!action->isSeparator() && action->objectName().isEmpty())
      listed << action->text() + (action->isChecked() ? "*" : "");
  EXPECT_EQ(listed, QStringList({QString::fromStdString("&1 " + Path("b.rff")),
                                 QString::fromStdString("&2 " + Path("lone.rfc") + "*")}));
  emit windowMenu->aboutToShow();  // filled afresh, not twice
  // The record pane's switch, a separator, the five arrangements, Close All; a separator, two windows.
  EXPECT_EQ(windowMenu->actions().size(), 2 + 5 + 1 + 1 + 2);

  Action("WindowTileHorizontal1")->trigger();
  const QRect area = form_->MdiArea()->viewport()->rect();
  TMDIChild* first = WindowOf(Path("b.rff"));
  TMDIChild* second = WindowOf(Path("lone.rfc"));
  EXPECT_EQ(first->width(), area.width());
  EXPECT_EQ(second->width(), area.width());
  EXPECT_EQ(first->height() + second->height(), area.height());
  Action("WindowTileVertical1")->trigger();
  EXPECT_EQ(first->height(), area.height());
  EXPECT_EQ(first->width() + second->width(), area.width());

  Action("FileClose1")->trigger();
  Settle();
  EXPECT_EQ(form_->ChildWindows().size(), 1u);
  Action("FileClose1")->trigger();
  Settle();
  EXPECT_TRUE(form_->ChildWindows().empty());
  for (const char* name : {"WindowCascade1", "WindowTileVertical1", "FileClose1"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
  // The holders stay.
  EXPECT_NE(TMainForm::NodeData(NodeOf(Path("b.rff"))), nullptr);
}

TEST_F(MainFormTest, ClipboardActionsFollowTheFocusedEditControl) {
  form_->show();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  auto* edit = new QLineEdit("some text", form_->StatusPanel0()->parentWidget());
  edit->show();
  edit->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(edit->hasFocus());
  QGuiApplication::clipboard()->setText("clip");
  edit->setSelection(0, 4);
  emit form_->findChild<QMenu*>("Edit1")->aboutToShow();
  EXPECT_TRUE(Action("EditCut1")->isEnabled());
  EXPECT_TRUE(Action("EditCopy1")->isEnabled());
  EXPECT_TRUE(Action("EditPaste1")->isEnabled());
  Action("EditCut1")->trigger();
  EXPECT_EQ(edit->text(), " text");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "some");
  edit->setReadOnly(true);
  emit form_->findChild<QMenu*>("Edit1")->aboutToShow();
  EXPECT_FALSE(Action("EditCut1")->isEnabled());
  EXPECT_FALSE(Action("EditPaste1")->isEnabled());
  Tree()->setFocus();  // no edit control: nothing to work on
  QCoreApplication::processEvents();
  for (const char* name : {"EditCut1", "EditCopy1", "EditPaste1"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
}

class HintTest : public MainFormTest {
 protected:
  void OpenShort() {
    form_->show();
    form_->OpenFile(Path("short.rff"));
    window_ = WindowOf(Path("short.rff"));
    ASSERT_NE(window_, nullptr);
    window_->resize(500, 300);
    QCoreApplication::processEvents();
    grid_ = window_->rxdbg();
    dataSet_ = static_cast<TFakeDataSet*>(grid_->DataSet());
  }
  // Moves the mouse to a point of the grid's viewport.
  void MoveTo(QWidget* target, QPoint point) {
    QMouseEvent move(QEvent::MouseMove, point, target->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
  }
  QPoint Cell(int row, int column) const {
    return grid_->View()->visualRect(grid_->Model()->index(row, column)).center();
  }

  TMDIChild* window_ = nullptr;
  TDBGrid* grid_ = nullptr;
  TFakeDataSet* dataSet_ = nullptr;
};

TEST_F(HintTest, ShowsTheValueOfTheCellUnderTheMouseAtOnce) {
  OpenShort();
  QWidget* viewport = grid_->View()->viewport();
  MoveTo(viewport, Cell(1, 1));
  EXPECT_EQ(grid_->HintText(), QString::fromUtf8("Name 2 caf\u00e9"));
  EXPECT_EQ(form_->LastHintText(), grid_->HintText());
  EXPECT_FALSE(form_->HintAllowed());
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), grid_->HintText());

  // The next cell of the same row at once.
  MoveTo(viewport, Cell(1, 0));
  EXPECT_EQ(grid_->HintText(), "C2");
  EXPECT_EQ(QToolTip::text(), "C2");

  // A memo cell shows its marker; its text is in the hint.
  EXPECT_EQ(grid_->Model()->index(2, 2).data().toString(), "(MEMO)");
  MoveTo(viewport, Cell(2, 2));
  EXPECT_EQ(grid_->HintText(), "Memo of record 3");
  EXPECT_EQ(dataSet_->ActiveRecord(), 0);  // the active row is restored

  // Below the last row and over the titles there is none.
  MoveTo(viewport, QPoint(5, viewport->height() - 2));
  EXPECT_EQ(grid_->HintText(), "");
  EXPECT_EQ(form_->LastHintText(), "");
  MoveTo(viewport, Cell(0, 0));
  EXPECT_EQ(grid_->HintText(), "C1");
  QWidget* titles = grid_->View()->horizontalHeader()->viewport();
  MoveTo(titles, QPoint(5, 5));
  EXPECT_EQ(grid_->HintText(), "");
  QTest::qWait(500);
  EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(HintTest, AnErrorReadingTheValueIsShownAfterTheRowWasRestored) {
  OpenShort();
  dataSet_->MoveBy(1);
  dataSet_->failMemo = true;
  MoveTo(grid_->View()->viewport(), Cell(2, 2));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Memo unreadable");
  EXPECT_EQ(dataSet_->ActiveRecord(), 1);
}

TEST_F(HintTest, HandlerAllowsGridHintsOnlyOnceAfterEachMouseMove) {
  OpenShort();
  QWidget other;
  struct Case {
    QWidget* control;
    bool allowed;
    const char* text;
    bool canShow;
    int reshow;
    const char* lastAfter;
    bool allowedAfter;
  };
  const Case cases[] = {
      {grid_, true, "C1", true, 1, "C1", false},
      {grid_, false, "C1", false, 1, "C1", false},  // no move since: not again
      {grid_, true, "", true, 1, "", false},
      {&other, false, "tip", true, 0, "", false},  // other controls: the usual way
      {&other, true, "tip", true, 0, "", true},
  };
  for (const Case& c : cases) {
    form_->SetHintAllowed(c.allowed);
    QString text = c.text;
    bool canShow = !c.canShow;
    THintInfo info;
    info.HintControl = c.control;
    info.ReshowTimeout = 99;
    form_->ApplicationShowHint(text, canShow, info);
    EXPECT_EQ(canShow, c.canShow) << c.text;
    EXPECT_EQ(info.ReshowTimeout, c.reshow) << c.text;
    EXPECT_EQ(form_->LastHintText(), c.lastAfter) << c.text;
    EXPECT_EQ(form_->HintAllowed(), c.allowedAfter) << c.text;
  }
}

TEST_F(MainFormTest, TheMainWindowGoesWithOpenAndClosedWindows) {
  form_->show();
  form_->OpenFile(Path("a.rff"));
  form_->OpenFile(Path("b.rff"));
  WindowOf(Path("b.rff"))->close();  // deletion still pending
  form_.reset();
  SUCCEED();
}

TEST_F(MainFormTest, OpensTheSampleFilesWithTheRealReaders) {
  const std::string samples = KW_SAMPLES_DIR;
  if (!fs::exists(samples + "/fares.rff") || !fs::exists(samples + "/fares.rfc"))
    GTEST_SKIP() << "no sample files";
  TFileInfo::SetDataSetFactory(nullptr);
  form_->show();
  form_->OpenFile(samples + "/fares.rff");
  ASSERT_TRUE(boxes_.empty()) << boxes_[0].Text;
  const std::vector<std::string> windows = {samples + "/fares.rff", samples + "/fares.rfc"};
  EXPECT_EQ(WindowCaptions(), windows);
  TDataSet* fares = WindowOf(samples + "/fares.rff")->DataSet();
  EXPECT_GT(fares->GetRecordCount(), 0);
  EXPECT_GT(WindowOf(samples + "/fares.rff")->rxdbg()->Model()->rowCount(), 0);
}

}  // namespace
