#pragma once

#include <QComboBox>
#include <functional>

class TCtreeDataSet;

// Chooses the order in which a data window shows an ISAM table: one of its indexes, or physical order.
class TIndexPicker : public QComboBox {
 public:
  explicit TIndexPicker(QWidget* parent);
  // Lists the data set's indexes with its current one chosen; none hides the picker.
  void SetDataSet(TCtreeDataSet* dataSet);

  static constexpr const char* kPhysicalOrder = "(physical order)";

  // Before the data set takes the order the user chose, and after.
  std::function<void()> OnChoosing;
  std::function<void()> OnChosen;

 private:
  void Choose(int item);

  TCtreeDataSet* dataSet_ = nullptr;
  bool filling_ = false;
};
