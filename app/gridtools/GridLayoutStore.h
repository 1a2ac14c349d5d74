#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "app/gridtools/GridLayout.h"

class QWidget;
class TDBGrid;
class TGridContextMenu;
class TGridDisplay;

// Saving and loading a grid's layout: "Save layout" and "Load layout" to and from a file the user names,
// and the layout of every set of columns remembered in the user's settings (Remember, Restore), so that a
// file of a kind seen before opens as it was left. Across a query, a sort and "Show all records" the
// layout stays as it was.
class TGridLayoutStore : public QObject {
  Q_OBJECT

 public:
  // Asks for a layout file's name, to save it or to load one; empty: cancelled.
  using TAskFileName = std::function<QString(QWidget* parent, bool save)>;
  // Replaces the question (tests answer it) and returns the one replaced; empty: the file dialog.
  static TAskFileName SetAskFileName(TAskFileName ask);

  TGridLayoutStore(TDBGrid& grid, TGridContextMenu& menu, TGridDisplay& display);

  TGridLayout Current() const;
  void Apply(const TGridLayout& layout);
  // Write and read a layout file; a failure is shown, naming the file, and returns false. A file is
  // written whole or not at all.
  bool SaveFile(const QString& path);
  bool LoadFile(const QString& path);

  // Keeps the current layout for the grid's set of columns in the user's settings.
  void Remember();
  // Applies the layout kept for the grid's set of columns; false when there is none. The layout before is
  // the grid's first: Remember keeps nothing for a grid left in it.
  bool Restore();

 private:
  TDBGrid& grid_;
  TGridDisplay& display_;
  std::optional<TGridLayout> defaults_;  // as the grid first showed its data set
  std::optional<TGridLayout> kept_;      // across a change of the bound data set
  QString keptKey_;
};
