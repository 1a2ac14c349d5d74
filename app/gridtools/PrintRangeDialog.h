#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>

class QSpinBox;

// The records "print data set" prints: positions first to last (1-based, in the order the grid shows), and
// whether a preview comes first.
struct TPrintRange {
  int32_t First = 1;
  int32_t Last = 1;
  bool Preview = true;
};

// Asks for the first and last record of a print of records 1 to count, and "Preview..." or "Print...".
class TPrintRangeDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks; none when cancelled.
  using TAskFunction = std::function<std::optional<TPrintRange>(QWidget* parent, int32_t count)>;
  // Replaces the question (tests answer it) and returns the one it replaced; an empty function restores the
  // dialog.
  static TAskFunction SetAskFunction(TAskFunction function);
  static std::optional<TPrintRange> Ask(QWidget* parent, int32_t count);

  TPrintRangeDialog(int32_t count, int32_t previewLimit, QWidget* parent = nullptr);

  TPrintRange Range() const;

 private:
  QSpinBox* first_;
  QSpinBox* last_;
  bool preview_ = true;
};
