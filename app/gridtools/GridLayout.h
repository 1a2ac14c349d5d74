#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "app/gridtools/GridDisplayOptions.h"

class TDBGrid;

// A grid's layout: its columns in their order on screen with their widths and visibility, and its display
// options (fixed columns included). Columns are known by name, so a layout fits any file with those
// columns; one it does not name keeps its place after the named ones.
struct TGridLayout {
  struct TColumn {
    QString Name;
    int Width = 0;
    bool Hidden = false;
    bool operator==(const TColumn&) const = default;
  };
  std::vector<TColumn> Columns;
  TGridDisplayOptions Options;

  bool operator==(const TGridLayout&) const = default;

  // The grid's columns as they stand, with options.
  static TGridLayout Of(const TDBGrid& grid, const TGridDisplayOptions& options);
  // Puts the columns in the layout's order, widths and visibility (the options are the caller's).
  void ApplyColumns(TDBGrid& grid) const;

  QByteArray ToJson() const;
  // None when json is no layout; why in error.
  static std::optional<TGridLayout> FromJson(const QByteArray& json, QString& error);

  // The name that files with the grid's columns share (a digest of the column names in field order).
  static QString ColumnSetKey(const TDBGrid& grid);
};
