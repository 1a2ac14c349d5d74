#pragma once

#include <QComboBox>

class TCtreeDataSet;

// Chooses the order in which a data window shows an ISAM table: one of its indexes, or physical order.
class TIndexPicker : public QComboBox {
 public:
  explicit TIndexPicker(QWidget* parent);
  // Lists the data set's indexes with its current one chosen; none hides the picker.
  void SetDataSet(TCtreeDataSet* dataSet);

  static constexpr const char* kPhysicalOrder = "(physical order)";

 private:
  void Choose(int item);

  TCtreeDataSet* dataSet_ = nullptr;
  bool filling_ = false;
};
