#pragma once

#include <QTreeWidgetItem>
#include <memory>
#include <string>

#include "core/FileInfo.h"

class QTreeWidget;
class QWidget;

// A node of the file tree; a file or record-type node owns the holder of its data set.
class TFileTreeNode : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;

  // fileName: the file whose name the caption begins with, if it does (CaptionText).
  TFileTreeNode(const std::string& caption, std::string fileName, std::unique_ptr<TFileInfo> data);
  // The caption as 8-bit bytes, for comparing; the tree shows it decoded.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TFileInfo* Data() const { return data_.get(); }
  void FreeData() { data_.reset(); }

  // The caption of a file-tree node; empty for any other item.
  static const std::string& CaptionOf(const QTreeWidgetItem* item);
  // The holder of a node; none for group and STADAF file nodes.
  static TFileInfo* DataOf(const QTreeWidgetItem* node);

 private:
  std::string caption_;
  std::string fileName_;
  std::unique_ptr<TFileInfo> data_;
};

// The groups and node captions of the file tree.
class TFileTree {
 public:
  static constexpr int kRowHeight = 17;

  // The tree widget of the main window's left panel: one column, single selection, fixed row height.
  static QTreeWidget* CreateWidget(QWidget* parent);
  // "Rich Flight Format", "Standard Dataset Fare", "ISAM Tables" or the upper-cased extension itself.
  static std::string GroupCaption(const std::string& upperExtension);
  // name, else name + " (1)", " (2)", … : the first no direct child of group carries.
  static std::string UniqueNodeCaption(const QTreeWidgetItem* group, const std::string& name);
  // The group node captioned caption, added at the end of the tree when there is none.
  static QTreeWidgetItem* FindOrAddGroupNode(QTreeWidget& tree, const std::string& caption);
  // Frees the holders of every node, and with them their data sets.
  static void FreeHolders(QTreeWidget& tree);
};
