#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "app/gridtools/RecordExport.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

// What the user chose to export: the target, and whether only the grid's selection goes.
struct TExportChoice {
  TExportTarget Target;
  bool SelectionOnly = false;
};

// "Export grid": the format (CSV with or without a UTF-8 byte order mark, TSV, JSON Lines, HTML), all records
// or the selection, and the file. Replacing a file that is there is confirmed.
class TExportDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks; none when cancelled. hasSelection offers the selection.
  using TAskFunction = std::function<std::optional<TExportChoice>(QWidget* parent, bool hasSelection)>;
  // Replaces the question (tests answer it) and returns the one it replaced; an empty function restores the
  // dialog.
  static TAskFunction SetAskFunction(TAskFunction function);
  static std::optional<TExportChoice> Ask(QWidget* parent, bool hasSelection);

  TExportDialog(bool hasSelection, QWidget* parent = nullptr);

  TExportChoice Choice() const;

  void accept() override;

 private:
  void Browse();
  // The file name's extension follows the format where it is one of the formats'.
  void FormatChanged();

  QComboBox* format_;
  QCheckBox* byteOrderMark_;
  QRadioButton* all_;
  QRadioButton* selection_;
  QLineEdit* file_;
  QString confirmed_;  // the file whose replacing the file dialog confirmed
};
