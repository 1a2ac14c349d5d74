#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/ActionIcons.h"
#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MDIChild.h"
#include "app/MessageBox.h"
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
const char* const kRffGroup = "Rich Flight Format";
const char* const kStadafGroup = "Standard Dataset Fare";
const char* const kIsamGroup = "ISAM Tables";
// A STADAF file node carries it while the file is being indexed.
const char* const kLoadingSuffix = " (loading ...)";

// Rows of the file tree are 17 pixels high.
class TFixedRowHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(TMainForm::kTreeRowHeight);
    return size;
  }
};

const std::string& CaptionOf(const QTreeWidgetItem* item) {
  static const std::string none;
  if (item == nullptr || item->type() != TFileTreeNode::kType) return none;
  return static_cast<const TFileTreeNode*>(item)->Caption();
}

// The file-drop list of a drag: its local files, as the platform names them; none when it holds none.
std::optional<std::vector<std::string>> FileDropList(const QMimeData* dataObject) {
  if (dataObject == nullptr || !dataObject->hasUrls()) return std::nullopt;
  std::vector<std::string> names;
  for (const QUrl& url : dataObject->urls())
    if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  if (names.empty()) return std::nullopt;
  return names;
}

TMainForm::TOpenDialogFunction& OpenDialogFunction() {
  static TMainForm::TOpenDialogFunction function;
  return function;
}

QStringList RunOpenDialog(QWidget* parent, const QStringList& filters, const QString& selectedFilter) {
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(selectedFilter);
  dialog.setSizeGripEnabled(true);
  // Extensions match in any letter case, as on the system the files come from.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

}  // namespace

TFileTreeNode::TFileTreeNode(const std::string& caption, std::string fileName,
                             std::unique_ptr<TFileInfo> data)
    : QTreeWidgetItem(kType), fileName_(std::move(fileName)), data_(std::move(data)) {
  SetCaption(caption);
}

void TFileTreeNode::SetCaption(const std::string& caption) {
  caption_ = caption;
  setText(0, CaptionText(caption_, fileName_));
}

TMainForm::TOpenDialogFunction TMainForm::SetOpenDialogFunction(TOpenDialogFunction function) {
  TOpenDialogFunction previous = std::move(OpenDialogFunction());
  OpenDialogFunction() = std::move(function);
  return previous;
}

QStringList TMainForm::DialogFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the parentheses at the end, separated by blanks.
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
      description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*"))
        pattern = QStringLiteral("*");  // every file, with or without a dot
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateClientArea();
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

  // FormCreate: the window takes dropped files, and grid hints show at once (ActivateHint).
  setAcceptDrops(true);
  hintAllowed_ = true;

  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateEditActions(); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateEditActions(); });
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
  for (QTreeWidgetItemIterator it(fileTree_); *it; ++it)
    if ((*it)->type() == TFileTreeNode::kType) static_cast<TFileTreeNode*>(*it)->FreeData();
}

QAction* TMainForm::AddAction(const char* name, const char* caption, const char* hint, int shortcut,
                              bool enabled) {
  auto* action = new QAction(QString::fromLatin1(caption), this);
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

void TMainForm::CreateActions() {
  const int ctrl = Qt::CTRL;
  connect(AddAction("FileNew1", "&New", "New|Create a new file", ctrl | Qt::Key_N, false),
          &QAction::triggered, this, &TMainForm::FileNew1Execute);
  connect(AddAction("FileOpen1", "&Open", "Open|Open a file", ctrl | Qt::Key_O, true), &QAction::triggered,
          this, &TMainForm::FileOpen1Execute);
  connect(AddAction("FileClose1", "&Close", "Close|Close current file", 0, false), &QAction::triggered, this,
          [this] {
            if (TMDIChild* child = ActiveChild()) child->close();
          });
  AddAction("FileSave1", "&Save", "Save|Save current file", ctrl | Qt::Key_S, false);
  AddAction("FileSaveAs1", "Save &As...", "Save As|Save current file with different name", 0, false);
  connect(AddAction("FileExit1", "E&xit", "Exit|Exit application", 0, true), &QAction::triggered, this,
          &TMainForm::FileExit1Execute);

  // The clipboard actions work on the focused edit control.
  auto onEdit = [this](const char* slot) {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
        qobject_cast<QPlainTextEdit*>(focus))
      QMetaObject::invokeMethod(focus, slot);
  };
  connect(AddAction("EditCut1", "Cu&t", "Cut|Cuts the selection and puts it on the Clipboard",
                    ctrl | Qt::Key_X, false),
          &QAction::triggered, this, [onEdit] { onEdit("cut"); });
  connect(AddAction("EditCopy1", "&Copy", "Copy|Copies the selection and puts it on the Clipboard",
                    ctrl | Qt::Key_C, false),
          &QAction::triggered, this, [onEdit] { onEdit("copy"); });
  connect(AddAction("EditPaste1", "&Paste", "Paste|Inserts Clipboard contents", ctrl | Qt::Key_V, true),
          &QAction::triggered, this, [onEdit] { onEdit("paste"); });

  connect(AddAction("WindowCascade1", "&Cascade", "Cascade", 0, false), &QAction::triggered, this,
          [this] { mdiArea_->cascadeSubWindows(); });
  connect(AddAction("WindowTileHorizontal1", "Tile &Horizontally", "Tile Horizontally", 0, false),
          &QAction::triggered, this, [this] { TileWindows(true); });
  connect(AddAction("WindowTileVertical1", "Tile &Vertically", "Tile Vertically", 0, false),
          &QAction::triggered, this, [this] { TileWindows(false); });
  connect(AddAction("WindowMinimizeAll1", "&Minimize All", "Minimize All", 0, false), &QAction::triggered,
          this, [this] { MinimizeAll(); });
  connect(AddAction("WindowArrangeAll1", "&Arrange All", "Arrange All", 0, false), &QAction::triggered, this,
          [this] { ArrangeIcons(); });
  AddAction("HelpAbout1", "&About...", "", 0, false);
}

void TMainForm::CreateMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  auto action = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
  auto addMenu = [this](const char* name, const char* caption, const char* hint) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setStatusTip(QString::fromLatin1(hint));
    return menu;
  };
  QMenu* file = addMenu("File1", "&File", "File related commands");
  for (const char* name : {"FileNew1", "FileOpen1", "FileClose1", "FileSave1", "FileSaveAs1"})
    file->addAction(action(name));
  file->addSeparator();
  file->addAction(action("FileExit1"));

  QMenu* edit = addMenu("Edit1", "&Edit", "Edit commands");
  for (const char* name : {"EditCut1", "EditCopy1", "EditPaste1"}) edit->addAction(action(name));
  connect(edit, &QMenu::aboutToShow, this, &TMainForm::UpdateEditActions);

  windowMenu_ = addMenu("Window1", "&Window", "Window related commands");
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                           "WindowMinimizeAll1", "WindowArrangeAll1"})
    windowMenu_->addAction(action(name));
  connect(windowMenu_, &QMenu::aboutToShow, this, &TMainForm::FillWindowMenu);

  QMenu* help = addMenu("Help1", "&Help", "Help topics");
  help->addAction(action("HelpAbout1"));
}

void TMainForm::CreateToolBar() {
  QToolBar* toolBar = addToolBar(QStringLiteral("ToolBar2"));
  toolBar->setObjectName(QStringLiteral("ToolBar2"));
  toolBar->setMovable(false);
  toolBar->setFixedHeight(30);
  toolBar->setIconSize(QSize(16, 16));
  auto add = [&](const char* name) { toolBar->addAction(findChild<QAction*>(QString::fromLatin1(name))); };
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

void TMainForm::CreateClientArea() {
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  auto* panel = new QWidget(splitter);
  panel->setObjectName(QStringLiteral("pnlTree"));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  fileTree_ = new QTreeWidget(panel);
  fileTree_->setObjectName(QStringLiteral("FileTree"));
  fileTree_->setHeaderHidden(true);
  fileTree_->setColumnCount(1);
  fileTree_->setSelectionMode(QAbstractItemView::SingleSelection);
  fileTree_->setUniformRowHeights(true);
  fileTree_->setItemDelegate(new TFixedRowHeightDelegate(fileTree_));
  layout->addWidget(fileTree_);
  connect(fileTree_, &QTreeWidget::itemClicked, this, [this] { FileTreeClick(); });
  connect(fileTree_, &QTreeWidget::itemSelectionChanged, this, [this] { FileTreeClick(); });

  mdiArea_ = new QMdiArea(splitter);
  mdiArea_->setObjectName(QStringLiteral("MDIClient"));
  mdiArea_->setBackground(palette().brush(QPalette::Dark));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    if (auto* child = qobject_cast<TMDIChild*>(window); child && !child->Closing()) child->FormActivate();
    UpdateWindowActions();
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
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) closing_ = true;
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
      if (FileExists(path)) OpenFile(path);
    }
  });
}

std::string TMainForm::GroupCaption(const std::string& upperExtension) {
  if (upperExtension == ".RFF" || upperExtension == ".RFC") return kRffGroup;
  if (upperExtension == ".DAF") return kStadafGroup;
  if (upperExtension == ".DAT") return kIsamGroup;
  return upperExtension;
}

std::string TMainForm::UniqueNodeCaption(const QTreeWidgetItem* group, const std::string& name) {
  auto taken = [group](const std::string& caption) {
    for (int i = 0; i < group->childCount(); ++i)
      if (CaptionOf(group->child(i)) == caption) return true;
    return false;
  };
  if (!taken(name)) return name;
  for (int n = 1;; ++n) {
    std::string caption = name + " (" + std::to_string(n) + ")";
    if (!taken(caption)) return caption;
  }
}

QTreeWidgetItem* TMainForm::FindOrAddGroupNode(const std::string& caption) {
  QTreeWidgetItem* group = nullptr;
  for (QTreeWidgetItemIterator it(fileTree_); *it; ++it)
    if (CaptionOf(*it) == caption) group = *it;
  if (group) return group;
  // Made of a file's extension, or a fixed name.
  group = new TFileTreeNode(caption, caption, nullptr);
  fileTree_->addTopLevelItem(group);
  return group;
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
    QTreeWidgetItem* group = FindOrAddGroupNode(GroupCaption(extension));
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
  progress.OnStep = [this](int32_t recordNo, int32_t count) {
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
  const TOpenDialogFunction function = OpenDialogFunction();
  const QStringList files =
      function ? function(this, filters, selected) : RunOpenDialog(this, filters, selected);
  RunGuarded([&] {
    for (const QString& file : files) OpenFile(QFile::encodeName(file).toStdString());
  });
}

void TMainForm::FileExit1Execute() {
  close();
}

TFileInfo* TMainForm::NodeData(const QTreeWidgetItem* node) {
  if (node == nullptr || node->type() != TFileTreeNode::kType) return nullptr;
  return static_cast<const TFileTreeNode*>(node)->Data();
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

TMDIChild* TMainForm::ActiveChild() const {
  auto* child = qobject_cast<TMDIChild*>(mdiArea_->currentSubWindow());
  return child && !child->Closing() ? child : nullptr;
}

void TMainForm::UpdateWindowActions() {
  const bool any = !ChildWindows().empty();
  for (const char* name : {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                           "WindowMinimizeAll1", "WindowArrangeAll1"})
    findChild<QAction*>(QString::fromLatin1(name))->setEnabled(any);
  findChild<QAction*>(QStringLiteral("FileClose1"))->setEnabled(ActiveChild() != nullptr);
}

void TMainForm::UpdateEditActions() {
  QWidget* focus = QApplication::focusWidget();
  bool selection = false;
  bool writable = false;
  bool editor = true;
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
  findChild<QAction*>(QStringLiteral("EditCut1"))->setEnabled(editor && selection && writable);
  findChild<QAction*>(QStringLiteral("EditCopy1"))->setEnabled(editor && selection);
  findChild<QAction*>(QStringLiteral("EditPaste1"))->setEnabled(editor && writable && text);
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
    QAction* action = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(number).arg(child->windowTitle()));
    action->setCheckable(true);
    action->setChecked(child == ActiveChild());
    connect(action, &QAction::triggered, this, [this, child] {
      if (!child->Closing()) mdiArea_->setActiveSubWindow(child);
    });
    windowListActions_.push_back(action);
  }
}

void TMainForm::TileWindows(bool horizontally) {
  std::vector<TMDIChild*> windows;
  for (TMDIChild* child : ChildWindows())
    if (!child->isMinimized()) windows.push_back(child);
  if (windows.empty()) return;
  std::reverse(windows.begin(), windows.end());
  const QRect area = mdiArea_->viewport()->rect();
  const int n = static_cast<int>(windows.size());
  for (int i = 0; i < n; ++i) {
    windows[static_cast<size_t>(i)]->showNormal();
    QRect cell;
    if (horizontally) {
      const int top = area.top() + area.height() * i / n;
      cell = QRect(area.left(), top, area.width(), area.top() + area.height() * (i + 1) / n - top);
    } else {
      const int left = area.left() + area.width() * i / n;
      cell = QRect(left, area.top(), area.left() + area.width() * (i + 1) / n - left, area.height());
    }
    windows[static_cast<size_t>(i)]->setGeometry(cell);
  }
}

void TMainForm::MinimizeAll() {
  for (TMDIChild* child : ChildWindows()) child->showMinimized();
}

void TMainForm::ArrangeIcons() {
  const QRect area = mdiArea_->viewport()->rect();
  int left = area.left();
  int bottom = area.bottom() + 1;
  std::vector<TMDIChild*> windows = ChildWindows();
  std::reverse(windows.begin(), windows.end());
  for (TMDIChild* child : windows) {
    if (!child->isMinimized()) continue;
    const QSize size = child->size();
    if (left > area.left() && left + size.width() > area.right() + 1) {
      left = area.left();
      bottom -= size.height();
    }
    child->move(left, bottom - size.height());
    left += size.width();
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
      for (const std::string& name : *names) OpenFile(name);
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
