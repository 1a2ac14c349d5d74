#pragma once

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>

class QAction;
class QMenu;
class TDBGrid;

// The entries of a grid's context menu, in their order on the menu.
enum class TGridMenuEntry {
  gmAutoSize,
  gmAutoWidth,
  gmShowBooleans,
  gmShowImages,
  gmShowMemos,
  gmShowDateTimes,
  gmTextEllipsis,
  gmTitleEllipsis,
  gmFullSizeMemo,
  gmRowSizing,
  gmCellHints,
  gmMultiLineTitles,
  gmRowColours,
  gmFixedColumns,
  gmPrintGrid,
  gmPrintDataSet,
  gmExportGrid,
  gmSelectAll,
  gmSelectNone,
  gmQueryByForm,
  gmSortByForm,
  gmCustomize,
  gmSearchMode,
  gmSaveLayout,
  gmLoadLayout,
  gmShowAllRecords,
  gmCancelPass,
};
inline constexpr int kGridMenuEntryCount = static_cast<int>(TGridMenuEntry::gmCancelPass) + 1;

// A grid's context menu, opened by a right click in its cells or its column titles. It owns one action per
// entry (object names "AutoSize" … "CancelPass"; the display options check-marked); the tools of the data
// window bind the entries they serve and set their states when AboutToShow asks. An entry nobody bound
// stays disabled.
class TGridContextMenu : public QObject {
  Q_OBJECT

 public:
  explicit TGridContextMenu(TDBGrid& grid);

  QMenu* Menu() const { return menu_; }
  QAction* Entry(TGridMenuEntry entry) const { return entries_[static_cast<size_t>(entry)]; }
  // Runs run on the entry's trigger while receiver lives, and enables the entry.
  QAction* Bind(TGridMenuEntry entry, QObject* receiver, std::function<void()> run);
  // Lets the tools set the entries' states (AboutToShow), as the menu does before it opens.
  void Refresh();
  // Opens the menu at a global position.
  void Popup(const QPoint& at);

  static const char* EntryName(TGridMenuEntry entry);

 signals:
  // The menu is about to open: enable, disable and check the bound entries.
  void AboutToShow();

 private:
  TDBGrid& grid_;
  QMenu* menu_;
  std::array<QAction*, kGridMenuEntryCount> entries_{};
};
