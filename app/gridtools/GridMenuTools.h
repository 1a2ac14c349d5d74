#pragma once

#include <QObject>
#include <memory>

class QStatusBar;
class TDBGrid;
class TGridContextMenu;
class TGridDisplay;
class TGridFind;
class TGridLayoutStore;
class TGridSearchMode;

// The data window's tools behind the grid's context menu other than query, sort, printing and export: the
// display options, select all and none, customize, search mode, layouts and the full-size memo. Its owner
// destroys it before the grid and the find.
class TGridMenuTools : public QObject {
  Q_OBJECT

 public:
  TGridMenuTools(TDBGrid& grid, TGridContextMenu& menu, TGridFind& find, QStatusBar* statusBar);
  ~TGridMenuTools() override;

  TGridDisplay& Display() const { return *display_; }
  TGridLayoutStore& Layouts() const { return *layouts_; }
  TGridSearchMode& SearchMode() const { return *searchMode_; }

  // Shows the customize dialog and applies it when confirmed.
  void Customize();
  // Opens the current cell's memo in a viewer of its own; nothing where the current column holds no memo.
  void ShowFullSizeMemo();

 private:
  void UpdateEntries();

  TDBGrid& grid_;
  TGridContextMenu& menu_;
  std::unique_ptr<TGridDisplay> display_;
  std::unique_ptr<TGridLayoutStore> layouts_;
  std::unique_ptr<TGridSearchMode> searchMode_;
};
