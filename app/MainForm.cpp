#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <optional>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/InstantHintStyle.h"
#include "app/MDIChild.h"
#include "app/MainMenus.h"
#include "app/MessageBox.h"
#include "app/RecentFiles.h"
#include "app/RecordPane.h"
#include "app/RecordStatus.h"
#include "app/WindowArrangement.h"
#include "app/WindowSettings.h"
#include "core/FileNames.h"
#include "layout/TextHelpers.h"
#include "platform/File.h"
#include "support/Exception.h"
#include "support/Text.h"

const char* const TMainForm::kOpenDialogFilter =
    "Rich Flight Format files (*.rff)|*.rff|Stadaf Files (*.daf)|*.daf|Supported Formats "
    "(*.rff;*.daf)|*.rff;*.daf|"
    "All files (*.*)|*.*";

namespace {

const char* const kMainCaption = "Kestrelwing RFF/STADAF Viewer";
// A STADAF file node carries it while the file is being indexed.
const char* const kLoadingSuffix = " (loading ...)";

// The file-drop list of a drag: its local files, as the platform names them; none when it holds none.
std::optional<std::vector<std::string>> FileDropList(const QMimeData* dataObject) {
  if (dataObject == nullptr || !dataObject->hasUrls()) return std::nullopt;
  std::vector<std::string> names;
  for (const QUrl& url : dataObject->urls())
    if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  if (names.empty()) return std::nullopt;
  return names;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  CreateActions();
  windowMenu_ = TMainMenus::CreateMenus(*this);
  connect(windowMenu_, &QMenu::aboutToShow, this, &TMainForm::FillWindowMenu);
  TMainMenus::CreateToolBar(*this);
  CreateClientArea();
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  TWindowSettings::RestoreMainWindow(*this, *splitter_);
  recentFiles_ = new TRecentFiles(
      *findChild<QMenu*>(QStringLiteral("FileRecent1")),
      [this](const std::string& fileName) { OpenUserFile(fileName); }, this);

  // FormCreate: the window takes dropped files, and hints show at once (grid hints through ActivateHint).
  setAcceptDrops(true);
  TInstantHintStyle::Install();
  hintAllowed_ = true;

  connect(qApp, &QApplication::focusChanged, this, [this] { TMainMenus::UpdateEditActions(*this); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          [this] { TMainMenus::UpdateEditActions(*this); });
  UpdateWindowActions();
}

TMainForm::~TMainForm() {
  // Nothing may react to the teardown: the windows go first, then the holders with their data sets.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
  mdiArea_->disconnect(this);
  fileTree_->disconnect(this);
  for (TMDIChild* child : findChildren<TMDIChild*>()) {
    child->disconnect(this);
    delete child;
  }
  FormDestroy();
}

void TMainForm::FormDestroy() {
  TFileTree::FreeHolders(*fileTree_);
}

void TMainForm::CreateActions() {
  const int ctrl = Qt::CTRL;
  connect(TMainMenus::AddAction(this, "FileNew1", "&New", "New|Create a new file", ctrl | Qt::Key_N, false),
          &QAction::triggered, this, &TMainForm::FileNew1Execute);
  connect(TMainMenus::AddAction(this, "FileOpen1", "&Open", "Open|Open a file", ctrl | Qt::Key_O, true),
          &QAction::triggered, this, &TMainForm::FileOpen1Execute);
  connect(TMainMenus::AddAction(this, "FileClose1", "&Close", "Close|Close current file", 0, false),
          &QAction::triggered, this, [this] {
            if (TMDIChild* child = ActiveChild()) child->close();
          });
  TMainMenus::AddAction(this, "FileSave1", "&Save", "Save|Save current file", ctrl | Qt::Key_S, false);
  TMainMenus::AddAction(this, "FileSaveAs1", "Save &As...", "Save As|Save current file with different name",
                        0, false);
  connect(TMainMenus::AddAction(this, "FileExit1", "E&xit", "Exit|Exit application", 0, true),
          &QAction::triggered, this, &TMainForm::FileExit1Execute);

  // The clipboard actions work on the focused edit control.
  connect(
      TMainMenus::AddAction(this, "EditCut1", "Cu&t", "Cut|Cuts the selection and puts it on the Clipboard",
                            ctrl | Qt::Key_X, false),
      &QAction::triggered, this, [] { TMainMenus::RunEditCommand("cut"); });
  connect(TMainMenus::AddAction(this, "EditCopy1", "&Copy",
                                "Copy|Copies the selection and puts it on the Clipboard", ctrl | Qt::Key_C,
                                false),
          &QAction::triggered, this, [] { TMainMenus::RunEditCommand("copy"); });
  connect(TMainMenus::AddAction(this, "EditPaste1", "&Paste", "Paste|Inserts Clipboard contents",
                                ctrl | Qt::Key_V, true),
          &QAction::triggered, this, [] { TMainMenus::RunEditCommand("paste"); });

  connect(TMainMenus::AddAction(this, "WindowCascade1", "&Cascade", "Cascade", 0, false), &QAction::triggered,
          this, [this] { mdiArea_->cascadeSubWindows(); });
  connect(TMainMenus::AddAction(this, "WindowTileHorizontal1", "Tile &Horizontally", "Tile Horizontally", 0,
                                false),
          &QAction::triggered, this,
          [this] { TWindowArrangement::Tile(mdiArea_->viewport()->rect(), SubWindows(), true); });
  connect(TMainMenus::AddAction(this, "WindowTileVertical1", "Tile &Vertically", "Tile Vertically", 0, false),
          &QAction::triggered, this,
          [this] { TWindowArrangement::Tile(mdiArea_->viewport()->rect(), SubWindows(), false); });
  connect(TMainMenus::AddAction(this, "WindowMinimizeAll1", "&Minimize All", "Minimize All", 0, false),
          &QAction::triggered, this, [this] { TWindowArrangement::MinimizeAll(SubWindows()); });
  connect(TMainMenus::AddAction(this, "WindowArrangeAll1", "&Arrange All", "Arrange All", 0, false),
          &QAction::triggered, this,
          [this] { TWindowArrangement::ArrangeIcons(mdiArea_->viewport()->rect(), SubWindows()); });
  connect(TMainMenus::AddAction(this, "WindowCloseAll1", "C&lose All", "Close All|Close all data windows", 0,
                                false),
          &QAction::triggered, this, [this] { mdiArea_->closeAllSubWindows(); });
  TMainMenus::AddAction(this, "HelpAbout1", "&About...", "", 0, false);
}

void TMainForm::CreateClientArea() {
  auto* splitter = splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  auto* panel = new QWidget(splitter);
  panel->setObjectName(QStringLiteral("pnlTree"));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  fileTree_ = TFileTree::CreateWidget(panel);
  layout->addWidget(fileTree_);
  connect(fileTree_, &QTreeWidget::itemClicked, this, [this] { FileTreeClick(); });
  connect(fileTree_, &QTreeWidget::itemSelectionChanged, this, [this] { FileTreeClick(); });

  mdiArea_ = new QMdiArea(splitter);
  mdiArea_->setObjectName(QStringLiteral("MDIClient"));
  mdiArea_->setBackground(palette().brush(QPalette::Dark));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    auto* child = qobject_cast<TMDIChild*>(window);
    if (child && child->Closing()) child = nullptr;
    if (child) child->FormActivate();
    UpdateWindowActions();
    FollowRecordOf(child);
  });

  splitter->addWidget(panel);
  splitter->addWidget(mdiArea_);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kTreeWidth, kClientWidth - kTreeWidth});
  setCentralWidget(splitter);

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusPanel0_ = new QLabel(statusBar());
  statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
  statusPanel0_->setFixedWidth(kStatusPanelWidth);
  statusBar()->addWidget(statusPanel0_);
  // Beside panel 0, the indexing pass's progress as a bar; hidden while no pass runs.
  indexProgressBar_ = new QProgressBar(statusBar());
  indexProgressBar_->setObjectName(QStringLiteral("IndexProgressBar"));
  indexProgressBar_->setMaximumWidth(kStatusPanelWidth);
  indexProgressBar_->setTextVisible(false);
  indexProgressBar_->hide();
  statusBar()->addWidget(indexProgressBar_);
  recordStatus_ = new TRecordStatus(statusBar());
  statusBar()->addPermanentWidget(recordStatus_);

  recordPane_ = new TRecordPane(this);
  addDockWidget(Qt::RightDockWidgetArea, recordPane_);
  recordPane_->hide();
  QAction* paneAction = recordPane_->toggleViewAction();
  paneAction->setObjectName(QStringLiteral("WindowRecordPane1"));
  paneAction->setText(QStringLiteral("&Record Pane"));
  windowMenu_->insertAction(findChild<QAction*>(QStringLiteral("WindowCascade1")), paneAction);
  windowMenu_->insertSeparator(findChild<QAction*>(QStringLiteral("WindowCascade1")));
}

void TMainForm::FollowRecordOf(TMDIChild* child) {
  if (followed_ != nullptr) disconnect(followed_, &TMDIChild::RecordChanged, this, nullptr);
  followed_ = child;
  if (child != nullptr)
    connect(child, &TMDIChild::RecordChanged, this, [this, child] {
      recordStatus_->Show(child);
      recordPane_->Show(child);
    });
  recordStatus_->Show(child);
  recordPane_->Show(child);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (!event->isAccepted()) return;
  closing_ = true;
  TWindowSettings::SaveMainWindow(*this, *splitter_);
}

void TMainForm::FormShow() {
  // Once the window is on screen and its event loop runs, so that a long indexing pass shows its
  // progress and closing the window can end it.
  QTimer::singleShot(0, this, [this] { OpenCommandLine(); });
}

void TMainForm::OpenCommandLine() {
  RunGuarded([this] {
    for (const std::string& argument : commandLine_) {
      const std::string path = ExpandLongPathName(argument);
      if (FileExists(path)) OpenUserFile(path);
    }
  });
}

TMDIChild* TMainForm::CreateChildWindow() {
  auto* child = new TMDIChild(*this);
  mdiArea_->addSubWindow(child);
  connect(child, &QObject::destroyed, this,
          [this] { QTimer::singleShot(0, this, [this] { UpdateWindowActions(); }); });
  child->show();
  UpdateWindowActions();
  return child;
}

void TMainForm::OpenFile(const std::string& fileName) {
  // An error that names no file of its own concerns the file being opened.
  NamingFile(fileName, [&] {
    const std::string extension = UpperCase(ExtractFileExt(fileName));
    QTreeWidgetItem* group = TFileTree::FindOrAddGroupNode(*fileTree_, GroupCaption(extension));
    const std::string caption = UniqueNodeCaption(group, fileName);
    if ((extension == ".RFF" || extension == ".RFC" || extension == ".DAT") && FileExists(fileName)) {
      // The holder opens its data set before a window exists for it, so a file that fails to open
      // leaves no empty window behind.
      AddHolderWindow(group, caption, caption, std::make_unique<TFileInfo>(fileName, nullptr, 0, extension));
      if (extension == ".RFF") {
        const std::string companion = CompanionFileName(fileName, ".rfc");
        if (FileExists(companion)) OpenFile(companion);
      }
    } else if (extension == ".DAF" && FileExists(fileName)) {
      auto* fileNode = new TFileTreeNode(caption + kLoadingSuffix, fileName, nullptr);
      group->addChild(fileNode);
      Ref<IInterfaceMap> index;
      try {
        index = OpenRecordTypeIndex(fileName, IndexProgress(), true);
      } catch (const EAbort&) {
        // The window is closing: nothing of the file stays.
        ClearIndexProgress();
        delete fileNode;
        if (group->childCount() == 0) delete group;
        throw;
      } catch (...) {
        ClearIndexProgress();
        throw;
      }
      fileNode->SetCaption(caption);
      for (int recordType = 1; recordType <= 5; ++recordType) {
        const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, recordType);
        if (!offsets || offsets->GetCount() == 0) continue;
        const std::string typeName = RecordTypeName(recordType);
        AddHolderWindow(
            fileNode, typeName, caption + " - " + typeName,
            std::make_unique<TFileInfo>(fileName, offsets, static_cast<uint8_t>(recordType), extension));
      }
    }
  });
}

void TMainForm::OpenUserFile(const std::string& fileName) {
  OpenFile(fileName);
  // Only a file that opened is worth offering again.
  if (FileExists(fileName)) recentFiles_->Add(fileName);
}

TMDIChild* TMainForm::OpenDataWindow(TFileInfo& info, const std::string& caption) {
  TMDIChild* child = CreateChildWindow();
  try {
    child->SetDataSet(&info.GetDataSet());
  } catch (...) {
    delete child;
    throw;
  }
  child->SetCaption(caption, info.FileName());
  return child;
}

TFileTreeNode* TMainForm::AddHolderWindow(QTreeWidgetItem* parent, const std::string& nodeCaption,
                                          const std::string& windowCaption, std::unique_ptr<TFileInfo> info) {
  TMDIChild* child = OpenDataWindow(*info, windowCaption);
  info->SetCaption(windowCaption);
  const std::string fileName = info->FileName();
  auto* node = new TFileTreeNode(nodeCaption, fileName, std::move(info));
  parent->addChild(node);
  child->SetTreeNode(node);
  return node;
}

TIndexProgress TMainForm::IndexProgress() {
  TIndexProgress progress;
  // The pass reports every 537 records; the window shows the count and lets its events run by time, so
  // that it stays responsive without the pass waiting on the screen thousands of times a second.
  auto shown = std::make_shared<QElapsedTimer>();
  progress.OnStep = [this, shown](int32_t recordNo, int32_t count) {
    if (shown->isValid() && recordNo != 0 && !shown->hasExpired(kIndexProgressMs)) return;
    shown->start();
    statusPanel0_->setText(QString::fromStdString(IndexProgressText(recordNo, count)));
    indexProgressBar_->setRange(0, count);
    indexProgressBar_->setValue(recordNo);
    indexProgressBar_->show();
    QCoreApplication::processEvents();
    if (closing_) throw EAbort();
  };
  progress.OnDone = [this] { ClearIndexProgress(); };
  return progress;
}

void TMainForm::ClearIndexProgress() {
  statusPanel0_->clear();
  indexProgressBar_->hide();
}

void TMainForm::FileNew1Execute() {
  RunGuarded([this] { OpenFile("NONAME" + std::to_string(ChildWindows().size() + 1)); });
}

void TMainForm::FileOpen1Execute() {
  const QStringList filters = DialogFilters(QString::fromLatin1(kOpenDialogFilter));
  const QString selected = filters.value(kOpenDialogFilterIndex);
  const QStringList files = TOpenDialog::Run(this, filters, selected);
  RunGuarded([&] {
    for (const QString& file : files) OpenUserFile(QFile::encodeName(file).toStdString());
  });
}

void TMainForm::FileExit1Execute() {
  close();
}

void TMainForm::SelectNodeOfWindow(QTreeWidgetItem* node) {
  // The window is already in front; acting on the selection would only take the focus from it.
  selectingForWindow_ = true;
  fileTree_->setCurrentItem(node);
  selectingForWindow_ = false;
}

void TMainForm::FileTreeClick() {
  if (selectingForWindow_) return;
  const QList<QTreeWidgetItem*> selected = fileTree_->selectedItems();
  QTreeWidgetItem* node = selected.isEmpty() ? nullptr : selected.first();
  TFileInfo* info = NodeData(node);
  if (info == nullptr) return;
  const std::string caption = info->Caption();
  for (TMDIChild* child : ChildWindows()) {
    if (child->Caption() != caption) continue;
    mdiArea_->setActiveSubWindow(child);
    QCoreApplication::processEvents();
    fileTree_->setFocus();
    return;
  }
  RunGuarded([&] { OpenDataWindow(*info, caption)->SetTreeNode(node); });
}

std::vector<TMDIChild*> TMainForm::ChildWindows() const {
  std::vector<TMDIChild*> children;
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (auto* child = qobject_cast<TMDIChild*>(*it); child && !child->Closing()) children.push_back(child);
  return children;
}

std::vector<QMdiSubWindow*> TMainForm::SubWindows() const {
  const std::vector<TMDIChild*> children = ChildWindows();
  return {children.begin(), children.end()};
}

TMDIChild* TMainForm::ActiveChild() const {
  auto* child = qobject_cast<TMDIChild*>(mdiArea_->currentSubWindow());
  return child && !child->Closing() ? child : nullptr;
}

void TMainForm::UpdateWindowActions() {
  const bool any = !ChildWindows().empty();
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                           "WindowMinimizeAll1", "WindowArrangeAll1", "WindowCloseAll1"})
    findChild<QAction*>(QString::fromLatin1(name))->setEnabled(any);
  findChild<QAction*>(QStringLiteral("FileClose1"))->setEnabled(ActiveChild() != nullptr);
}

void TMainForm::FillWindowMenu() {
  for (QAction* action : windowListActions_) delete action;
  windowListActions_.clear();
  delete windowListSeparator_;
  windowListSeparator_ = nullptr;
  const std::vector<TMDIChild*> children = ChildWindows();
  if (children.empty()) return;
  windowListSeparator_ = windowMenu_->addSeparator();
  // Listed in the order they were opened, the active one checked.
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
  int number = 0;
  for (QMdiSubWindow* window : windows) {
    auto* child = qobject_cast<TMDIChild*>(window);
    if (!child || child->Closing()) continue;
    ++number;
    QAction* action = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(number).arg(child->FullTitle()));
    action->setCheckable(true);
    action->setChecked(child == ActiveChild());
    connect(action, &QAction::triggered, this, [this, child] {
      if (!child->Closing()) mdiArea_->setActiveSubWindow(child);
    });
    windowListActions_.push_back(action);
  }
}

int32_t TMainForm::DragEnter(const QMimeData* dataObject, Qt::KeyboardModifiers /*keyState*/,
                             QPoint /*point*/, uint32_t& effect) {
  if (dataObject == nullptr) return S_OK;
  if (!FileDropList(dataObject)) {
    effect = DROPEFFECT_NONE;
    return S_FALSE;
  }
  effect = DROPEFFECT_COPY;
  return S_OK;
}

int32_t TMainForm::DragOver(Qt::KeyboardModifiers /*keyState*/, QPoint /*point*/, uint32_t& effect) {
  effect = DROPEFFECT_COPY;
  return S_OK;
}

int32_t TMainForm::DragLeave() {
  return S_OK;
}

int32_t TMainForm::Drop(const QMimeData* dataObject, Qt::KeyboardModifiers /*keyState*/, QPoint /*point*/,
                        uint32_t& /*effect*/) {
  if (dataObject == nullptr) return S_OK;
  if (const auto names = FileDropList(dataObject)) {
    // Dropped names are opened as they come, in drop order, without testing that they exist.
    RunGuarded([&] {
      for (const std::string& name : *names) OpenUserFile(name);
    });
  }
  return S_OK;
}

namespace {
uint32_t EffectOf(Qt::DropActions actions) {
  return actions & Qt::CopyAction ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

void ApplyEffect(QDropEvent* event, uint32_t effect) {
  if (effect & DROPEFFECT_COPY) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}
}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  uint32_t effect = EffectOf(event->possibleActions());
  DragEnter(event->mimeData(), event->modifiers(), event->position().toPoint(), effect);
  ApplyEffect(event, effect);
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
  uint32_t effect = EffectOf(event->possibleActions());
  DragOver(event->modifiers(), event->position().toPoint(), effect);
  ApplyEffect(event, effect);
}

void TMainForm::dragLeaveEvent(QDragLeaveEvent* event) {
  DragLeave();
  event->accept();
}

void TMainForm::dropEvent(QDropEvent* event) {
  uint32_t effect = EffectOf(event->possibleActions());
  Drop(event->mimeData(), event->modifiers(), event->position().toPoint(), effect);
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TMainForm::ApplicationShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo) {
  if (qobject_cast<TDBGrid*>(hintInfo.HintControl)) {
    hintInfo.ReshowTimeout = 1;
    canShow = hintAllowed_;
    if (hintStr != lastHintText_) {
      lastHintText_ = hintStr;
      if (hintStr.isEmpty()) CancelHint();
    }
    hintAllowed_ = false;
  } else {
    hintInfo.ReshowTimeout = 0;
    canShow = true;
  }
}

void TMainForm::ActivateHint(QWidget* control, const QString& text, QPoint globalPos) {
  THintInfo info;
  info.HintControl = control;
  info.CursorPos = globalPos;
  QString hint = text;
  bool canShow = true;
  ApplicationShowHint(hint, canShow, info);
  if (!canShow) return;
  if (hint.isEmpty()) {
    CancelHint();
    return;
  }
  // A one-pixel rectangle at the mouse, so that the hint follows every move, not only cell changes.
  QToolTip::showText(globalPos, hint, control, QRect(control->mapFromGlobal(globalPos), QSize(1, 1)));
}

void TMainForm::CancelHint() {
  QToolTip::hideText();
}
