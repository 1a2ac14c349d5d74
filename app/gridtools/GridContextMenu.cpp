#include "app/gridtools/GridContextMenu.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

#include "app/DBGrid.h"

namespace {

struct TEntryInfo {
  const char* Name;
  const char* Caption;
  bool Checkable;
  bool SeparatorBefore;
};

// In the order of TGridMenuEntry.
constexpr TEntryInfo kEntries[kGridMenuEntryCount] = {
    {"AutoSize", "Automatic size", true, false},
    {"AutoWidth", "Automatic width", true, false},
    {"ShowBooleans", "Show booleans", true, false},
    {"ShowImages", "Show images", true, false},
    {"ShowMemos", "Show memos", true, false},
    {"ShowDateTimes", "Show dates and times", true, false},
    {"TextEllipsis", "Text ellipsis", true, false},
    {"TitleEllipsis", "Title ellipsis", true, false},
    {"FullSizeMemo", "Full-size memo...", false, false},
    {"RowSizing", "Row sizing", true, false},
    {"CellHints", "Cell hints", true, false},
    {"MultiLineTitles", "Multi-line titles", true, false},
    {"RowColours", "Row colours", true, false},
    {"FixedColumns", "Fixed columns", true, false},
    {"PrintGrid", "Print grid...", false, true},
    {"PrintDataSet", "Print data set...", false, false},
    {"ExportGrid", "Export grid...", false, false},
    {"SelectAll", "Select all", false, true},
    {"SelectNone", "Select none", false, false},
    {"QueryByForm", "Query by form...", false, true},
    {"SortByForm", "Sort by form...", false, false},
    {"Customize", "Customize...", false, true},
    {"SearchMode", "Search mode", true, false},
    {"SaveLayout", "Save layout...", false, true},
    {"LoadLayout", "Load layout...", false, false},
    {"ShowAllRecords", "Show all records", false, true},
    {"CancelPass", "Cancel", false, false},
};

}  // namespace

const char* TGridContextMenu::EntryName(TGridMenuEntry entry) {
  return kEntries[static_cast<size_t>(entry)].Name;
}

TGridContextMenu::TGridContextMenu(TDBGrid& grid) : QObject(&grid), grid_(grid), menu_(new QMenu(&grid)) {
  setObjectName(QStringLiteral("GridContextMenuTool"));
  menu_->setObjectName(QStringLiteral("GridContextMenu"));
  for (int i = 0; i < kGridMenuEntryCount; ++i) {
    const TEntryInfo& info = kEntries[i];
    if (info.SeparatorBefore) menu_->addSeparator();
    QAction* action = menu_->addAction(QString::fromLatin1(info.Caption));
    action->setObjectName(QString::fromLatin1(info.Name));
    action->setCheckable(info.Checkable);
    action->setEnabled(false);
    entries_[static_cast<size_t>(i)] = action;
  }
  // The cells and the column titles open the same menu.
  for (QWidget* widget :
       {static_cast<QWidget*>(grid_.View()), static_cast<QWidget*>(grid_.View()->horizontalHeader())}) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this, [this, widget](const QPoint& at) {
      const auto* view = qobject_cast<QAbstractScrollArea*>(widget);
      Popup((view ? view->viewport() : widget)->mapToGlobal(at));
    });
  }
}

QAction* TGridContextMenu::Bind(TGridMenuEntry entry, QObject* receiver, std::function<void()> run) {
  QAction* action = Entry(entry);
  connect(action, &QAction::triggered, receiver, [run = std::move(run)] { run(); });
  action->setEnabled(true);
  return action;
}

void TGridContextMenu::Refresh() {
  emit AboutToShow();
}

void TGridContextMenu::Popup(const QPoint& at) {
  Refresh();
  menu_->popup(at);
}
