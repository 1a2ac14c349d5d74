#include "app/gridtools/GridMenuTools.h"

#include <QAction>
#include <QMouseEvent>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridCustomizeDialog.h"
#include "app/gridtools/GridDisplay.h"
#include "app/gridtools/GridLayoutStore.h"
#include "app/gridtools/GridSearchMode.h"
#include "app/gridtools/MemoViewer.h"

TGridMenuTools::TGridMenuTools(TDBGrid& grid, TGridContextMenu& menu, TGridFind& find, QStatusBar* statusBar)
    : grid_(grid),
      menu_(menu),
      display_(std::make_unique<TGridDisplay>(grid, menu)),
      layouts_(std::make_unique<TGridLayoutStore>(grid, menu, *display_)),
      searchMode_(std::make_unique<TGridSearchMode>(grid, menu, find, statusBar)) {
  setObjectName(QStringLiteral("GridMenuTools"));
  menu_.Bind(TGridMenuEntry::gmSelectAll, this, [this] { grid_.SelectAllRecords(); });
  menu_.Bind(TGridMenuEntry::gmSelectNone, this, [this] { grid_.SelectNone(); });
  menu_.Bind(TGridMenuEntry::gmCustomize, this, [this] { Customize(); });
  menu_.Bind(TGridMenuEntry::gmFullSizeMemo, this, [this] { ShowFullSizeMemo(); });
  connect(&menu_, &TGridContextMenu::AboutToShow, this, [this] { UpdateEntries(); });
  // A double click on a memo cell opens it too.
  connect(grid_.View(), &QAbstractItemView::doubleClicked, this, [this] { ShowFullSizeMemo(); });
}

TGridMenuTools::~TGridMenuTools() = default;

void TGridMenuTools::UpdateEntries() {
  const bool rows = grid_.Model()->rowCount() > 0;
  const QModelIndex current = grid_.View()->currentIndex();
  menu_.Entry(TGridMenuEntry::gmSelectAll)->setEnabled(rows);
  menu_.Entry(TGridMenuEntry::gmSelectNone)->setEnabled(rows);
  menu_.Entry(TGridMenuEntry::gmCustomize)->setEnabled(grid_.Model()->columnCount() > 0);
  menu_.Entry(TGridMenuEntry::gmFullSizeMemo)
      ->setEnabled(current.isValid() && grid_.Model()->IsMemoColumn(current.column()));
}

void TGridMenuTools::Customize() {
  TGridCustomizeDialog dialog(grid_, &grid_);
  if (dialog.exec() == QDialog::Accepted) dialog.ApplyTo(grid_);
}

void TGridMenuTools::ShowFullSizeMemo() {
  const QModelIndex current = grid_.View()->currentIndex();
  const TDataSetTableModel& model = *grid_.Model();
  if (!current.isValid() || !model.IsMemoColumn(current.column())) return;
  QString text;
  QImage picture;
  if (!RunGuarded([&] {
        text = DisplayText(model.CellValue(current.row(), current.column()));
        picture = model.CellPicture(current.row(), current.column());
      }))
    return;
  QString title = model.headerData(current.column(), Qt::Horizontal).toString();
  const QVariant recNo = model.headerData(current.row(), Qt::Vertical);
  if (recNo.isValid()) title += QStringLiteral(" - record %1").arg(recNo.toString());
  // A picture whose bytes are no picture shows its text.
  auto* viewer =
      picture.isNull() ? new TMemoViewer(title, text, &grid_) : new TMemoViewer(title, picture, &grid_);
  viewer->show();
}
