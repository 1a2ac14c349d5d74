#pragma once

#include <QDialog>
#include <vector>

#include "dataset/RecordFilter.h"

class QLineEdit;
class TDataSet;

// "Query by form": one entry per column of a data set; the filled ones make the query. An entry is a
// whole value with * and ?, or a comparison (>=100, <5, <>x, =x).
class TQueryByFormDialog : public QDialog {
  Q_OBJECT

 public:
  TQueryByFormDialog(TDataSet& dataSet, const std::vector<TFilterEntry>& current, QWidget* parent = nullptr);

  // The filled entries in column order.
  std::vector<TFilterEntry> Entries() const;
  // The entry of a column, found by its name.
  QLineEdit* EntryOf(const std::string& fieldName) const;

 private:
  std::vector<std::pair<std::string, QLineEdit*>> edits_;
};
