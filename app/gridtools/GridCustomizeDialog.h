#pragma once

#include <QDialog>

class QListWidget;
class TDBGrid;

// "Customize": the grid's columns in their order on screen, each checked while shown; Up and Down move
// the selected one. ApplyTo gives the grid that order and visibility (at least one column stays shown).
class TGridCustomizeDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TGridCustomizeDialog(const TDBGrid& grid, QWidget* parent = nullptr);

  QListWidget* List() const { return list_; }
  // Moves the selected column by distance places (negative: up).
  void MoveSelected(int distance);
  void ApplyTo(TDBGrid& grid) const;

 private:
  QListWidget* list_;
};
