#pragma once

#include <QObject>
#include <memory>

#include "app/gridtools/GridDisplayOptions.h"

class TDBGrid;
class TFrozenColumns;
class TGridColumnSizer;
class TGridContextMenu;

// How a grid shows its data (TGridDisplayOptions): the toggles of its context menu, check-marked by the
// options, and what each one changes in the grid's model and view. "Fixed columns" fixes the columns up to
// the current one. Layouts read and set the options here.
class TGridDisplay : public QObject {
  Q_OBJECT

 public:
  TGridDisplay(TDBGrid& grid, TGridContextMenu& menu);
  ~TGridDisplay() override;

  const TGridDisplayOptions& Options() const { return options_; }
  void SetOptions(const TGridDisplayOptions& options);
  // Fixes the first count columns on screen (0: none).
  void SetFixedColumns(int count);
  TFrozenColumns& Frozen() const { return *frozen_; }

 signals:
  void OptionsChanged();

 private:
  void Apply();
  void UpdateEntries();
  void FitTitleHeight();

  TDBGrid& grid_;
  TGridContextMenu& menu_;
  TGridDisplayOptions options_;
  std::unique_ptr<TGridColumnSizer> sizer_;
  std::unique_ptr<TFrozenColumns> frozen_;
};
