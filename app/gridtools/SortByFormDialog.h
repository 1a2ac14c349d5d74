#pragma once

#include <QDialog>
#include <vector>

#include "dataset/RecordSort.h"

class QTreeWidget;
class TDataSet;

// "Sort by form": the columns of a data set in a list; the checked ones are the sort's columns in the
// list's order (Up and Down move the current one), each ascending unless "Descending" is checked.
class TSortByFormDialog : public QDialog {
  Q_OBJECT

 public:
  TSortByFormDialog(TDataSet& dataSet, const std::vector<TSortColumn>& current, QWidget* parent = nullptr);

  std::vector<TSortColumn> Columns() const;
  QTreeWidget* List() const { return list_; }

 private:
  void MoveCurrent(int by);

  QTreeWidget* list_;
};
