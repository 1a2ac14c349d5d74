#pragma once

#include <QMdiSubWindow>
#include <QSize>
#include <memory>
#include <string>

class QFrame;
class QTreeWidgetItem;
class TDataSet;
class TDBGrid;
class TGridContextMenu;
class TGridFind;
class TGridMenuTools;
class TGridOutput;
class TGridViewTools;
class TIndexPicker;
class TTableNumbering;
class TMainForm;

// A data window: an MDI child showing one data set read-only in its grid. It knows its file-tree
// node, selects it when activated and shows the value of the cell under the mouse as a hint. It frees
// itself when closed; the data set belongs to its holder and stays open.
class TMDIChild : public QMdiSubWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 552;
  static constexpr int kClientHeight = 303;

  explicit TMDIChild(TMainForm& mainForm);
  ~TMDIChild() override;

  TDBGrid* rxdbg() const { return rxdbg_; }
  // The grid's context menu; the tools of the window bind its entries.
  TGridContextMenu* ContextMenu() const { return contextMenu_; }
  // The grid's query and sort by form; none once the window was closed.
  TGridViewTools* GridTools() const { return gridTools_.get(); }
  // The grid's find; none once the window was closed.
  TGridFind* GridFind() const { return gridFind_.get(); }
  // The grid's display options, layouts, customize, search mode and selection; none once the window was
  // closed.
  TGridMenuTools* MenuTools() const { return menuTools_.get(); }
  // The grid's print and export; none once the window was closed.
  TGridOutput* GridOutput() const { return gridOutput_.get(); }
  // The numbering of an ISAM table the window shows; none once the window was closed.
  TTableNumbering* Numbering() const { return numbering_.get(); }
  // The data source: binds the grid to dataSet, which the window never owns. Errors of the first
  // fetch are shown by the grid; the window stays.
  void SetDataSet(TDataSet* dataSet);
  TDataSet* DataSet() const;

  // The caption as 8-bit bytes, for comparing; the title bar shows it decoded, the leading fileName as
  // a file name and the rest as text (CaptionText).
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption, const std::string& fileName);
  // The title as the caption gives it, also while the window is minimised.
  QString FullTitle() const;

  QTreeWidgetItem* TreeNode() const { return treeNode_; }
  // The node of the holder whose data set the window shows; an ISAM table gets its record numbers then.
  void SetTreeNode(QTreeWidgetItem* node);

  // True from the moment the window was closed until it is destroyed.
  bool Closing() const { return closing_; }

  // The window's size before the first showing: the size a data window was closed at last, else a client
  // area of kClientWidth × kClientHeight.
  QSize InitialSize() const;

  void FormActivate();
  // The grid's mouse-move handler; x and y in the grid's coordinates.
  void rxdbgMouseMove(Qt::KeyboardModifiers keyState, int x, int y);

 signals:
  // The grid's active record, held rows or data set changed, or the caption.
  void RecordChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Minimised, the title shows the caption's end (the file's name), which the title bar would cut off.
  void changeEvent(QEvent* event) override;

 private:
  void ShowTitle();

  TMainForm& mainForm_;
  QFrame* Panel1_;
  TDBGrid* rxdbg_;
  // Made after the grid, which comes first when the window gives its focus away.
  TIndexPicker* indexPicker_;
  TGridContextMenu* contextMenu_;  // owned by the grid
  std::unique_ptr<TGridViewTools> gridTools_;
  std::unique_ptr<TGridFind> gridFind_;
  std::unique_ptr<TGridMenuTools> menuTools_;
  std::unique_ptr<TGridOutput> gridOutput_;
  std::unique_ptr<TTableNumbering> numbering_;
  std::string caption_ = "MDI Child";
  std::string fileName_;
  QTreeWidgetItem* treeNode_ = nullptr;
  bool closing_ = false;
};
