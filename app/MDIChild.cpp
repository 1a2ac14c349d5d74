#include "app/MDIChild.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QItemSelectionModel>
#include <QStyle>
#include <QVBoxLayout>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/IndexPicker.h"
#include "app/MainForm.h"
#include "app/MainMenus.h"
#include "app/MessageBox.h"
#include "app/WindowSettings.h"
#include "app/gridtools/GoToRecord.h"
#include "app/gridtools/GridClipboard.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridDisplay.h"
#include "app/gridtools/GridFind.h"
#include "app/gridtools/GridLayoutStore.h"
#include "app/gridtools/GridMenuTools.h"
#include "app/gridtools/GridOutput.h"
#include "app/gridtools/GridViewTools.h"
#include "app/gridtools/TableNumbering.h"
#include "isam/CtreeDataSet.h"

TMDIChild::TMDIChild(TMainForm& mainForm)
    : QMdiSubWindow(nullptr),
      mainForm_(mainForm),
      Panel1_(new QFrame(this)),
      rxdbg_(new TDBGrid(Panel1_)),
      indexPicker_(new TIndexPicker(Panel1_)),
      contextMenu_(new TGridContextMenu(*rxdbg_)) {
  setObjectName(QStringLiteral("MDIChild"));
  setAttribute(Qt::WA_DeleteOnClose);
  Panel1_->setObjectName(QStringLiteral("Panel1"));
  Panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1_->setLineWidth(1);
  auto* layout = new QVBoxLayout(Panel1_);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(indexPicker_, 0, Qt::AlignLeft);
  layout->addWidget(rxdbg_);
  rxdbg_->setObjectName(QStringLiteral("rxdbg"));
  rxdbg_->OnMouseMove = [this](Qt::KeyboardModifiers keys, int x, int y) { rxdbgMouseMove(keys, x, y); };
  rxdbg_->OnMouseLeave = [this] { mainForm_.CancelHint(); };
  rxdbg_->OnCopy = [this] { TGridClipboard::Copy(*rxdbg_); };
  new TGoToRecord(*rxdbg_);
  // Copy is enabled by the grid's selection while the grid has the focus.
  connect(rxdbg_->View()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { TMainMenus::UpdateEditActions(mainForm_); });
  gridTools_ = std::make_unique<TGridViewTools>(
      *rxdbg_, *contextMenu_, [this] { return TMainForm::NodeData(treeNode_); }, mainForm_.statusBar());
  gridFind_ = std::make_unique<TGridFind>(
      *rxdbg_, *Panel1_, [this] { return TMainForm::NodeData(treeNode_); }, mainForm_.statusBar());
  layout->addWidget(gridFind_->Bar());
  connect(gridTools_.get(), &TGridViewTools::EscapePressed, gridFind_.get(), &TGridFind::Cancel);
  menuTools_ = std::make_unique<TGridMenuTools>(*rxdbg_, *contextMenu_, *gridFind_, mainForm_.statusBar());
  gridOutput_ = std::make_unique<TGridOutput>(
      *rxdbg_, *contextMenu_, [this] { return TMainForm::NodeData(treeNode_); },
      [this] { return FullTitle(); }, mainForm_.statusBar());
  layout->addWidget(gridOutput_->ProgressBar());
  connect(gridTools_.get(), &TGridViewTools::EscapePressed, gridOutput_.get(), &TGridOutput::Cancel);
  numbering_ = std::make_unique<TTableNumbering>([this] { return TMainForm::NodeData(treeNode_); },
                                                 mainForm_.statusBar());
  // A table in another order shows all its records, and is numbered again.
  indexPicker_->OnChoosing = [this] {
    numbering_->Stop();
    gridFind_->Cancel();
    gridTools_->ShowAll();
  };
  indexPicker_->OnChosen = [this] { numbering_->Start(); };
  // A pass asked for before the numbers are there starts once they are.
  const auto deferUntilNumbered = [this](std::function<void()> retry) {
    return numbering_ && numbering_->Defer(std::move(retry));
  };
  gridTools_->DeferUntilNumbered = deferUntilNumbered;
  gridFind_->DeferUntilNumbered = deferUntilNumbered;
  // The grid takes the focus whenever the window does.
  Panel1_->setFocusProxy(rxdbg_);
  setWidget(Panel1_);
  connect(rxdbg_, &TDBGrid::RecordChanged, this, &TMDIChild::RecordChanged);
  setWindowTitle(DisplayText(caption_));
  resize(InitialSize());
}

QSize TMDIChild::InitialSize() const {
  if (const std::optional<QSize> remembered = TWindowSettings::DataWindowSize()) return *remembered;
  // The frame around the client area: the title bar and borders the style draws.
  const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
  const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  return {kClientWidth + 2 * border, kClientHeight + title + border};
}

TMDIChild::~TMDIChild() {
  // The layout of a window the program closes is kept as that of one the user closes.
  if (menuTools_) menuTools_->Layouts().Remember();
  menuTools_.reset();
  // Before the grid they are bound to: they end their running passes, and the view tools unbind the grid
  // from their view.
  numbering_.reset();
  gridOutput_.reset();
  gridFind_.reset();
  gridTools_.reset();
}

void TMDIChild::SetDataSet(TDataSet* dataSet) {
  rxdbg_->SetDataSet(dataSet);
  // A file of a kind seen before opens in the layout it was left in.
  if (dataSet != nullptr && menuTools_) menuTools_->Layouts().Restore();
  // An ISAM table can be shown in the order of any of its indexes.
  indexPicker_->SetDataSet(dynamic_cast<TCtreeDataSet*>(dataSet));
}

void TMDIChild::SetTreeNode(QTreeWidgetItem* node) {
  treeNode_ = node;
  if (numbering_) numbering_->Start();
}

TDataSet* TMDIChild::DataSet() const {
  return rxdbg_->DataSet();
}

void TMDIChild::SetCaption(std::string caption, const std::string& fileName) {
  caption_ = std::move(caption);
  fileName_ = fileName;
  ShowTitle();
  // The status names the window by its caption.
  emit RecordChanged();
}

void TMDIChild::ShowTitle() {
  QString title = CaptionText(caption_, fileName_);
  const size_t slash = fileName_.rfind('/');
  if (isMinimized() && slash != std::string::npos && caption_.starts_with(fileName_)) {
    // The end of the caption names the file (and the record type): keep that, drop the folder.
    const std::string_view caption(caption_);
    title =
        QChar(0x2026) + CaptionText(caption.substr(slash + 1), std::string_view(fileName_).substr(slash + 1));
  }
  setWindowTitle(title);
}

QString TMDIChild::FullTitle() const {
  return CaptionText(caption_, fileName_);
}

void TMDIChild::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ShowTitle();
}

void TMDIChild::FormActivate() {
  if (treeNode_) mainForm_.SelectNodeOfWindow(treeNode_);
}

void TMDIChild::rxdbgMouseMove(Qt::KeyboardModifiers /*keyState*/, int x, int y) {
  mainForm_.SetHintAllowed(true);
  QString text;
  int column = -1;
  int row = -1;
  const TDataSet* dataSet = rxdbg_->DataSet();
  const bool hints = menuTools_ && menuTools_->Display().Options().CellHints;
  if (hints && dataSet && dataSet->Active() && rxdbg_->CellAt(QPoint(x, y), column, row)) {
    try {
      text = DisplayText(rxdbg_->Model()->CellValue(row, column));
    } catch (...) {
      HandleCurrentException();
      return;
    }
  }
  rxdbg_->SetHintText(text);
  mainForm_.ActivateHint(rxdbg_, text, rxdbg_->mapToGlobal(QPoint(x, y)));
}

void TMDIChild::closeEvent(QCloseEvent* event) {
  QMdiSubWindow::closeEvent(event);
  if (!event->isAccepted()) return;
  if (!isMinimized() && !isMaximized()) TWindowSettings::SaveDataWindowSize(size());
  // The window is freed; the data set stays open with its holder.
  closing_ = true;
  menuTools_->Layouts().Remember();
  menuTools_.reset();
  numbering_.reset();
  gridOutput_.reset();
  gridFind_.reset();
  gridTools_.reset();
  indexPicker_->SetDataSet(nullptr);
  rxdbg_->SetDataSet(nullptr);
}
