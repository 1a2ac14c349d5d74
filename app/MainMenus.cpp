#include "app/MainMenus.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolBar>

#include "app/ActionIcons.h"
#include "app/DBGrid.h"
#include "app/gridtools/GridClipboard.h"

namespace {
QAction* ActionNamed(const QMainWindow& window, const char* name) {
  return window.findChild<QAction*>(QString::fromLatin1(name));
}
}  // namespace

QAction* TMainMenus::AddAction(QObject* owner, const char* name, const char* caption, const char* hint,
                               int shortcut, bool enabled) {
  auto* action = new QAction(QString::fromLatin1(caption), owner);
  action->setObjectName(QString::fromLatin1(name));
  // The hint's part before "|" is the tool-button tip, the part after it the status-bar text.
  const QString text = QString::fromLatin1(hint);
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  action->setToolTip(bar < 0 ? text : text.left(bar));
  action->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
  if (shortcut != 0) action->setShortcut(QKeySequence(shortcut));
  action->setEnabled(enabled);
  action->setIcon(ActionIcon(name));
  action->setIconVisibleInMenu(false);
  return action;
}

QMenu* TMainMenus::CreateMenus(QMainWindow& window) {
  window.menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  auto addMenu = [&window](const char* name, const char* caption, const char* hint) {
    QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setStatusTip(QString::fromLatin1(hint));
    return menu;
  };
  QMenu* file = addMenu("File1", "&File", "File related commands");
  for (const char* name : {"FileNew1", "FileOpen1", "FileClose1", "FileSave1", "FileSaveAs1"})
    file->addAction(ActionNamed(window, name));
  file->addSeparator();
  QMenu* recent = file->addMenu(QStringLiteral("&Recent Files"));
  recent->setObjectName(QStringLiteral("FileRecent1"));
  recent->menuAction()->setObjectName(QStringLiteral("FileRecent1"));
  file->addSeparator();
  file->addAction(ActionNamed(window, "FileExit1"));

  QMenu* edit = addMenu("Edit1", "&Edit", "Edit commands");
  for (const char* name : {"EditCut1", "EditCopy1", "EditPaste1"}) edit->addAction(ActionNamed(window, name));
  QObject::connect(edit, &QMenu::aboutToShow, &window, [&window] { UpdateEditActions(window); });

  QMenu* windowMenu = addMenu("Window1", "&Window", "Window related commands");
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                           "WindowMinimizeAll1", "WindowArrangeAll1", "WindowCloseAll1"})
    windowMenu->addAction(ActionNamed(window, name));

  QMenu* help = addMenu("Help1", "&Help", "Help topics");
  help->addAction(ActionNamed(window, "HelpAbout1"));
  return windowMenu;
}

void TMainMenus::CreateToolBar(QMainWindow& window) {
  QToolBar* toolBar = window.addToolBar(QStringLiteral("ToolBar2"));
  toolBar->setObjectName(QStringLiteral("ToolBar2"));
  toolBar->setMovable(false);
  toolBar->setFixedHeight(30);
  toolBar->setIconSize(QSize(16, 16));
  auto add = [&](const char* name) { toolBar->addAction(ActionNamed(window, name)); };
  add("FileNew1");
  add("FileOpen1");
  add("FileSave1");
  toolBar->addSeparator();
  add("EditCut1");
  add("EditCopy1");
  add("EditPaste1");
  toolBar->addSeparator();
  add("WindowCascade1");
  add("WindowTileHorizontal1");
  add("WindowTileVertical1");
}

void TMainMenus::RunEditCommand(const char* slot) {
  QWidget* focus = QApplication::focusWidget();
  if (auto* grid = dynamic_cast<TDBGridView*>(focus)) {
    if (qstrcmp(slot, "copy") == 0) TGridClipboard::Copy(grid->Grid());
    return;
  }
  if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
      qobject_cast<QPlainTextEdit*>(focus))
    QMetaObject::invokeMethod(focus, slot);
}

void TMainMenus::UpdateEditActions(QMainWindow& window) {
  QWidget* focus = QApplication::focusWidget();
  bool selection = false;
  bool writable = false;
  bool editor = true;
  if (auto* grid = dynamic_cast<TDBGridView*>(focus)) {
    // A read-only grid: only Copy, of its selection.
    ActionNamed(window, "EditCut1")->setEnabled(false);
    ActionNamed(window, "EditCopy1")->setEnabled(TGridClipboard::HasSelection(grid->Grid()));
    ActionNamed(window, "EditPaste1")->setEnabled(false);
    return;
  }
  if (auto* line = qobject_cast<QLineEdit*>(focus)) {
    selection = line->hasSelectedText();
    writable = !line->isReadOnly();
  } else if (auto* text = qobject_cast<QTextEdit*>(focus)) {
    selection = text->textCursor().hasSelection();
    writable = !text->isReadOnly();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
    selection = plain->textCursor().hasSelection();
    writable = !plain->isReadOnly();
  } else {
    editor = false;
  }
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const bool text = clipboard && clipboard->mimeData() && clipboard->mimeData()->hasText();
  ActionNamed(window, "EditCut1")->setEnabled(editor && selection && writable);
  ActionNamed(window, "EditCopy1")->setEnabled(editor && selection);
  ActionNamed(window, "EditPaste1")->setEnabled(editor && writable && text);
}
