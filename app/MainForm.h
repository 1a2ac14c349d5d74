#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FileTree.h"
#include "app/OpenDialog.h"
#include "core/FileInfo.h"
#include "stadaf/RecordTypeIndex.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QProgressBar;
class QSplitter;
class QToolBar;
class QTreeWidget;
class TMDIChild;
class TRecentFiles;
class TRecordPane;
class TRecordStatus;

// Result codes and drop effects of the drop-target operations, with the values of the platform's
// OLE drag and drop.
enum THResult : int32_t { S_OK = 0, S_FALSE = 1 };
enum TDropEffect : uint32_t { DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1 };

// What the hint handler is told about a hint about to be shown.
struct THintInfo {
  QWidget* HintControl = nullptr;
  QPoint CursorPos;
  int ReshowTimeout = 0;  // milliseconds
};

// The main window: an MDI frame with the file tree on its left. Every file enters through OpenFile,
// from the Open command, the command line or a drop.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // How often an indexing pass shows its progress and lets the window's events run, in milliseconds.
  static constexpr int kIndexProgressMs = 25;
  static constexpr int kClientWidth = 673;
  static constexpr int kClientHeight = 433;
  static constexpr int kTreeWidth = 200;
  static constexpr int kStatusPanelWidth = 256;
  static constexpr int kTreeRowHeight = TFileTree::kRowHeight;

  // The Open dialog's function (TOpenDialog::SetFunction) and filter, "description|patterns|…", as Qt
  // name filters.
  using TOpenDialogFunction = TOpenDialog::TFunction;
  static TOpenDialogFunction SetOpenDialogFunction(TOpenDialogFunction function) {
    return TOpenDialog::SetFunction(std::move(function));
  }
  static QStringList DialogFilters(const QString& filter) { return TOpenDialog::Filters(filter); }
  static const char* const kOpenDialogFilter;
  static constexpr int kOpenDialogFilterIndex = 2;

  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // The program's arguments after its name, opened once the window was first shown and the event loop
  // runs.
  void SetCommandLine(std::vector<std::string> arguments) { commandLine_ = std::move(arguments); }

  // Opens one file: its group node, and for an RFF or RFC file that exists its holder, file node and
  // data window (an RFF file also brings the RFC file of the same name). Errors propagate.
  void OpenFile(const std::string& fileName);
  // OpenFile for a file the user chose (Open dialog, command line, drop, recent files): one that opened
  // joins the recent files.
  void OpenUserFile(const std::string& fileName);
  static std::string GroupCaption(const std::string& upperExtension) {
    return TFileTree::GroupCaption(upperExtension);
  }
  static std::string UniqueNodeCaption(const QTreeWidgetItem* group, const std::string& name) {
    return TFileTree::UniqueNodeCaption(group, name);
  }

  // Drop target, in the shape of the platform's OLE interface; dataObject's file URLs are the
  // file-drop list.
  int32_t DragEnter(const QMimeData* dataObject, Qt::KeyboardModifiers keyState, QPoint point,
                    uint32_t& effect);
  int32_t DragOver(Qt::KeyboardModifiers keyState, QPoint point, uint32_t& effect);
  int32_t DragLeave();
  int32_t Drop(const QMimeData* dataObject, Qt::KeyboardModifiers keyState, QPoint point, uint32_t& effect);

  // The application's show-hint handler.
  void ApplicationShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo);
  // The hint machinery for the grids: runs the handler, then shows, moves or hides the hint.
  void ActivateHint(QWidget* control, const QString& text, QPoint globalPos);
  void CancelHint();
  bool HintAllowed() const { return hintAllowed_; }
  void SetHintAllowed(bool allowed) { hintAllowed_ = allowed; }
  const QString& LastHintText() const { return lastHintText_; }

  void FileNew1Execute();
  void FileOpen1Execute();
  void FileExit1Execute();
  void FileTreeClick();
  // Selects node for a data window that became active, without acting on the selection.
  void SelectNodeOfWindow(QTreeWidgetItem* node);

  QTreeWidget* FileTree() const { return fileTree_; }
  QMdiArea* MdiArea() const { return mdiArea_; }
  // Panel 0 of the status bar, for the indexing progress.
  QLabel* StatusPanel0() const { return statusPanel0_; }
  TRecordStatus* RecordStatus() const { return recordStatus_; }
  TRecordPane* RecordPane() const { return recordPane_; }
  TRecentFiles* RecentFiles() const { return recentFiles_; }
  // The data windows in the frame's order, front first; closed ones no longer count.
  std::vector<TMDIChild*> ChildWindows() const;
  TMDIChild* ActiveChild() const;
  // ChildWindows as the frame's windows.
  std::vector<QMdiSubWindow*> SubWindows() const;
  // The holder of a node; none for group and STADAF file nodes.
  static TFileInfo* NodeData(const QTreeWidgetItem* node) { return TFileTreeNode::DataOf(node); }

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing ends a running indexing pass (EAbort from its progress step).
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateClientArea();
  void FormShow();
  void OpenCommandLine();
  void FormDestroy();
  TMDIChild* CreateChildWindow();
  // A data window over the holder's data set, captioned caption.
  TMDIChild* OpenDataWindow(TFileInfo& info, const std::string& caption);
  // A data window over the holder's data set and the tree node under parent that owns the holder.
  TFileTreeNode* AddHolderWindow(QTreeWidgetItem* parent, const std::string& nodeCaption,
                                 const std::string& windowCaption, std::unique_ptr<TFileInfo> info);
  // Shows an indexing pass's progress in status panel 0 and lets pending window messages run; raises
  // EAbort once the window is closing.
  TIndexProgress IndexProgress();
  // Empties status panel 0 and hides the progress bar: a pass ended, in whatever way.
  void ClearIndexProgress();
  void UpdateWindowActions();
  // The record status and pane show child's current record from now on; none: no window is active.
  void FollowRecordOf(TMDIChild* child);
  void FillWindowMenu();

  std::vector<std::string> commandLine_;
  bool shown_ = false;
  bool closing_ = false;
  bool hintAllowed_ = false;
  QString lastHintText_;
  bool selectingForWindow_ = false;

  QSplitter* splitter_ = nullptr;
  QTreeWidget* fileTree_ = nullptr;
  QMdiArea* mdiArea_ = nullptr;
  QLabel* statusPanel0_ = nullptr;
  QProgressBar* indexProgressBar_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QAction* windowListSeparator_ = nullptr;
  std::vector<QAction*> windowListActions_;
  TRecordStatus* recordStatus_ = nullptr;
  TRecordPane* recordPane_ = nullptr;
  TRecentFiles* recentFiles_ = nullptr;
  QPointer<TMDIChild> followed_;
};
