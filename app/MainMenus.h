#pragma once

class QAction;
class QMainWindow;
class QMenu;
class QObject;

// The main window's menus and tool bar over the actions it made, and the state of its clipboard actions.
class TMainMenus {
 public:
  // An action named name, owned by owner: hint "tip|status text", the icon of that name (not shown in
  // menus), shortcut 0 for none.
  static QAction* AddAction(QObject* owner, const char* name, const char* caption, const char* hint,
                            int shortcut, bool enabled);
  // File, Edit, Window and Help menus; returns the Window menu, which lists the windows when shown.
  static QMenu* CreateMenus(QMainWindow& window);
  static void CreateToolBar(QMainWindow& window);
  // Runs slot ("cut", "copy", "paste") on the focused edit control, if one has the focus; in a focused
  // grid, "copy" copies its selection.
  static void RunEditCommand(const char* slot);
  // Cut, Copy and Paste enabled by the focused edit control's selection and the clipboard, or Copy alone
  // by a focused grid's selection.
  static void UpdateEditActions(QMainWindow& window);
};
