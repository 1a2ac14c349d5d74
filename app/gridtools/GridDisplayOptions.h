#pragma once

#include <array>

#include "app/gridtools/GridContextMenu.h"

// How a grid shows its data: the toggles of its context menu and the number of fixed columns. A layout
// file and the remembered layouts keep it; the defaults are the grid as it first opens.
struct TGridDisplayOptions {
  bool AutoSize = false;       // columns fitted to the values on screen
  bool AutoWidth = false;      // columns fitted into the window's width
  bool ShowBooleans = false;   // a column of only "1" and "0" as check boxes
  bool ShowImages = false;     // pictures drawn in their cells
  bool ShowMemos = false;      // memo texts drawn in their cells
  bool ShowDateTimes = false;  // dates and date-times in the locale's form
  bool TextEllipsis = true;
  bool TitleEllipsis = true;
  bool RowSizing = false;  // rows resizable by the user
  bool CellHints = true;
  bool MultiLineTitles = false;
  bool RowColours = true;  // alternating row colours
  int FixedColumns = 0;    // the first columns on screen that stay while the others scroll
  int RowHeight = 17;

  bool operator==(const TGridDisplayOptions&) const = default;
};

// A toggle of the options: its menu entry and its key in layout files.
struct TGridOptionToggle {
  TGridMenuEntry Entry;
  const char* Key;
  bool TGridDisplayOptions::*Member;
};

inline constexpr std::array<TGridOptionToggle, 12> kGridOptionToggles = {{
    {TGridMenuEntry::gmAutoSize, "autoSize", &TGridDisplayOptions::AutoSize},
    {TGridMenuEntry::gmAutoWidth, "autoWidth", &TGridDisplayOptions::AutoWidth},
    {TGridMenuEntry::gmShowBooleans, "showBooleans", &TGridDisplayOptions::ShowBooleans},
    {TGridMenuEntry::gmShowImages, "showImages", &TGridDisplayOptions::ShowImages},
    {TGridMenuEntry::gmShowMemos, "showMemos", &TGridDisplayOptions::ShowMemos},
    {TGridMenuEntry::gmShowDateTimes, "showDateTimes", &TGridDisplayOptions::ShowDateTimes},
    {TGridMenuEntry::gmTextEllipsis, "textEllipsis", &TGridDisplayOptions::TextEllipsis},
    {TGridMenuEntry::gmTitleEllipsis, "titleEllipsis", &TGridDisplayOptions::TitleEllipsis},
    {TGridMenuEntry::gmRowSizing, "rowSizing", &TGridDisplayOptions::RowSizing},
    {TGridMenuEntry::gmCellHints, "cellHints", &TGridDisplayOptions::CellHints},
    {TGridMenuEntry::gmMultiLineTitles, "multiLineTitles", &TGridDisplayOptions::MultiLineTitles},
    {TGridMenuEntry::gmRowColours, "rowColours", &TGridDisplayOptions::RowColours},
}};
