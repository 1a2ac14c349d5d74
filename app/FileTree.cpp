#include "app/FileTree.h"

#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/DisplayText.h"

namespace {

const char* const kRffGroup = "Rich Flight Format";
const char* const kStadafGroup = "Standard Dataset Fare";
const char* const kIsamGroup = "ISAM Tables";

// Rows of the file tree are 17 pixels high.
class TFixedRowHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(TFileTree::kRowHeight);
    return size;
  }
};

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

const std::string& TFileTreeNode::CaptionOf(const QTreeWidgetItem* item) {
  static const std::string none;
  if (item == nullptr || item->type() != kType) return none;
  return static_cast<const TFileTreeNode*>(item)->Caption();
}

TFileInfo* TFileTreeNode::DataOf(const QTreeWidgetItem* node) {
  if (node == nullptr || node->type() != kType) return nullptr;
  return static_cast<const TFileTreeNode*>(node)->Data();
}

QTreeWidget* TFileTree::CreateWidget(QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(QStringLiteral("FileTree"));
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  tree->setUniformRowHeights(true);
  tree->setItemDelegate(new TFixedRowHeightDelegate(tree));
  return tree;
}

std::string TFileTree::GroupCaption(const std::string& upperExtension) {
  if (upperExtension == ".RFF" || upperExtension == ".RFC") return kRffGroup;
  if (upperExtension == ".DAF") return kStadafGroup;
  if (upperExtension == ".DAT") return kIsamGroup;
  return upperExtension;
}

std::string TFileTree::UniqueNodeCaption(const QTreeWidgetItem* group, const std::string& name) {
  auto taken = [group](const std::string& caption) {
    for (int i = 0; i < group->childCount(); ++i)
      if (TFileTreeNode::CaptionOf(group->child(i)) == caption) return true;
    return false;
  };
  if (!taken(name)) return name;
  for (int n = 1;; ++n) {
    std::string caption = name + " (" + std::to_string(n) + ")";
    if (!taken(caption)) return caption;
  }
}

QTreeWidgetItem* TFileTree::FindOrAddGroupNode(QTreeWidget& tree, const std::string& caption) {
  QTreeWidgetItem* group = nullptr;
  for (QTreeWidgetItemIterator it(&tree); *it; ++it)
    if (TFileTreeNode::CaptionOf(*it) == caption) group = *it;
  if (group) return group;
  // Made of a file's extension, or a fixed name.
  group = new TFileTreeNode(caption, caption, nullptr);
  tree.addTopLevelItem(group);
  return group;
}

void TFileTree::FreeHolders(QTreeWidget& tree) {
  for (QTreeWidgetItemIterator it(&tree); *it; ++it)
    if ((*it)->type() == TFileTreeNode::kType) static_cast<TFileTreeNode*>(*it)->FreeData();
}
