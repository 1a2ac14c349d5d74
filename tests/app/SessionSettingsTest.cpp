#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/DBGrid.h"
#include "app/RecentFiles.h"
#include "tests/app/MainFormFixture.h"

namespace {

// What the viewer keeps between runs, and how its windows open, close and show their titles.
class SessionSettingsTest : public TMainFormFixture {
 protected:
  void SetUp() override {
    QSettings().clear();
    TMainFormFixture::SetUp();
  }
  void TearDown() override {
    TMainFormFixture::TearDown();
    QSettings().clear();
  }
  // Closes the main window as the user would and makes a new one: the program run again.
  void Restart() {
    form_->close();
    form_ = std::make_unique<TMainForm>();
  }
  QMenu* RecentMenu() const { return form_->findChild<QMenu*>("FileRecent1"); }
  QStringList RecentEntries() const {
    emit RecentMenu()->aboutToShow();
    QStringList entries;
    for (const QAction* action : RecentMenu()->actions()) entries << action->text();
    return entries;
  }
  QString Entry(int number, const std::string& name) const {
    return QStringLiteral("&%1 %2").arg(number).arg(QString::fromStdString(Path(name)));
  }
};

TEST_F(SessionSettingsTest, RecentFilesListWhatTheUserOpenedNewestFirstAcrossRuns) {
  EXPECT_FALSE(RecentMenu()->isEnabled());
  ShowWithCommandLine({Path("a.rff")});
  form_->OpenUserFile(Path("b.rff"));
  form_->OpenUserFile(Path("a.rff"));  // moves to the front, listed once
  form_->OpenFile(Path("short.rff"));  // not chosen by the user (as a companion would be)
  RunGuarded([&] { form_->OpenUserFile(Path("broken.rff")); });  // fails: not offered again
  EXPECT_EQ(RecentEntries(), QStringList({Entry(1, "a.rff"), Entry(2, "b.rff")}));

  Restart();
  EXPECT_TRUE(RecentMenu()->isEnabled());
  ASSERT_EQ(RecentEntries(), QStringList({Entry(1, "a.rff"), Entry(2, "b.rff")}));
  RecentMenu()->actions()[1]->trigger();
  EXPECT_EQ(WindowCaptions(), std::vector<std::string>({Path("b.rff")}));
  EXPECT_EQ(RecentEntries().first(), Entry(1, "b.rff"));
}

TEST_F(SessionSettingsTest, RecentFilesKeepEightAndDropAFileThatIsGone) {
  for (int i = 0; i < 10; ++i) {
    const std::string name = "f" + std::to_string(i) + ".rff";
    std::ofstream(Path(name)) << "x";
    form_->OpenUserFile(Path(name));
  }
  const QStringList entries = RecentEntries();
  ASSERT_EQ(entries.size(), TRecentFiles::kMaxCount);
  EXPECT_EQ(entries.first(), Entry(1, "f9.rff"));
  EXPECT_EQ(entries.last(), Entry(8, "f2.rff"));

  std::filesystem::remove(Path("f9.rff"));
  RecentMenu()->actions()[0]->trigger();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].FileName, Path("f9.rff"));
  EXPECT_EQ(boxes_[0].Text, "File not found");
  EXPECT_EQ(RecentEntries().first(), Entry(1, "f8.rff"));
  EXPECT_EQ(RecentEntries().size(), TRecentFiles::kMaxCount - 1);
}

TEST_F(SessionSettingsTest, WindowsOpenAtTheirSizesAndTheUsersSizesAreKept) {
  form_->show();
  EXPECT_EQ(form_->size(),
            QSize(TMainForm::kClientWidth, TMainForm::kClientHeight + form_->menuBar()->height()));
  form_->OpenFile(Path("a.rff"));
  TMDIChild* child = WindowOf(Path("a.rff"));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->widget()->size(), QSize(TMDIChild::kClientWidth, TMDIChild::kClientHeight));

  child->resize(400, 250);
  child->close();
  form_->resize(900, 640);
  auto* splitter = form_->findChild<QSplitter*>("Splitter1");
  splitter->setSizes({260, 640});
  const QList<int> sizes = splitter->sizes();
  Restart();
  form_->show();
  EXPECT_EQ(form_->size(), QSize(900, 640));
  EXPECT_EQ(form_->findChild<QSplitter*>("Splitter1")->sizes(), sizes);
  form_->OpenFile(Path("b.rff"));
  EXPECT_EQ(WindowOf(Path("b.rff"))->size(), QSize(400, 250));
}

TEST_F(SessionSettingsTest, CloseAllClosesEveryDataWindowAndKeepsTheFiles) {
  form_->show();
  EXPECT_FALSE(Action("WindowCloseAll1")->isEnabled());
  form_->OpenFile(Path("a.rff"));
  form_->OpenFile(Path("b.rff"));
  ASSERT_TRUE(Action("WindowCloseAll1")->isEnabled());
  Action("WindowCloseAll1")->trigger();
  Settle();
  EXPECT_TRUE(form_->ChildWindows().empty());
  EXPECT_FALSE(Action("WindowCloseAll1")->isEnabled());
  // The files stay open: their nodes bring their windows back.
  Tree()->setCurrentItem(NodeOf(Path("b.rff")));
  EXPECT_EQ(WindowCaptions(), std::vector<std::string>({Path("b.rff")}));
}

TEST_F(SessionSettingsTest, AMinimisedWindowShowsTheEndOfItsCaption) {
  form_->show();
  form_->OpenFile(Path("b.rff"));
  form_->OpenFile(Path("b.rff"));  // captioned "... (1)"
  TMDIChild* child = form_->ChildWindows().front();
  const QString full = QString::fromStdString(child->Caption());
  child->showMinimized();
  EXPECT_EQ(child->windowTitle(), QChar(0x2026) + QStringLiteral("b.rff (1)"));
  QMenu* windowMenu = form_->findChild<QMenu*>("Window1");
  emit windowMenu->aboutToShow();
  EXPECT_TRUE(windowMenu->actions().last()->text().endsWith(full));
  child->showNormal();
  EXPECT_EQ(child->windowTitle(), full);
}

TEST_F(SessionSettingsTest, HintsShowAtOnceForToolButtonsToo) {
  auto* toolBar = form_->findChild<QToolBar*>("ToolBar2");
  ASSERT_NE(toolBar, nullptr);
  QWidget* button = toolBar->widgetForAction(Action("FileOpen1"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, button), 0);
}

}  // namespace
