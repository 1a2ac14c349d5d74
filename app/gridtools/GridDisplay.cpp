#include "app/gridtools/GridDisplay.h"

#include <QAction>
#include <QHeaderView>

#include "app/DBGrid.h"
#include "app/gridtools/FrozenColumns.h"
#include "app/gridtools/GridColumnSizer.h"

TGridDisplay::TGridDisplay(TDBGrid& grid, TGridContextMenu& menu)
    : grid_(grid),
      menu_(menu),
      sizer_(std::make_unique<TGridColumnSizer>(grid)),
      frozen_(std::make_unique<TFrozenColumns>(grid)) {
  setObjectName(QStringLiteral("GridDisplay"));
  options_.RowHeight = grid_.View()->verticalHeader()->defaultSectionSize();
  for (const TGridOptionToggle& toggle : kGridOptionToggles) {
    QAction* action = menu_.Entry(toggle.Entry);
    menu_.Bind(toggle.Entry, this, [this, action, member = toggle.Member] {
      TGridDisplayOptions options = options_;
      options.*member = action->isChecked();
      SetOptions(options);
    });
  }
  QAction* fixed = menu_.Entry(TGridMenuEntry::gmFixedColumns);
  menu_.Bind(TGridMenuEntry::gmFixedColumns, this, [this, fixed] {
    // The columns up to the current one, as they stand on screen.
    const QModelIndex current = grid_.View()->currentIndex();
    const int upTo =
        current.isValid() ? grid_.View()->horizontalHeader()->visualIndex(current.column()) + 1 : 1;
    SetFixedColumns(fixed->isChecked() ? upTo : 0);
  });
  connect(&menu_, &TGridContextMenu::AboutToShow, this, [this] { UpdateEntries(); });
  // A row made higher or lower by the user sets the height of every row.
  QHeaderView* rows = grid_.View()->verticalHeader();
  connect(rows, &QHeaderView::sectionResized, this, [this](int, int, int size) {
    if (!options_.RowSizing || size == options_.RowHeight || size <= 0) return;
    TGridDisplayOptions options = options_;
    options.RowHeight = size;
    SetOptions(options);
  });
  QHeaderView* titles = grid_.View()->horizontalHeader();
  connect(titles, &QHeaderView::sectionResized, this, [this] { FitTitleHeight(); });
  Apply();
}

TGridDisplay::~TGridDisplay() = default;

void TGridDisplay::SetOptions(const TGridDisplayOptions& options) {
  const bool changed = !(options == options_);
  options_ = options;
  options_.FixedColumns = std::max(options_.FixedColumns, 0);
  options_.RowHeight = std::clamp(options_.RowHeight, 1, 1000);
  Apply();
  if (changed) emit OptionsChanged();
}

void TGridDisplay::SetFixedColumns(int count) {
  TGridDisplayOptions options = options_;
  options.FixedColumns = count;
  SetOptions(options);
}

void TGridDisplay::Apply() {
  QTableView* view = grid_.View();
  grid_.Model()->SetDisplayOptions(options_);
  view->setTextElideMode(options_.TextEllipsis ? Qt::ElideRight : Qt::ElideNone);
  QHeaderView* titles = view->horizontalHeader();
  titles->setTextElideMode(options_.TitleEllipsis ? Qt::ElideRight : Qt::ElideNone);
  titles->setDefaultAlignment(options_.MultiLineTitles ? Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap)
                                                       : Qt::Alignment(Qt::AlignCenter));
  FitTitleHeight();
  QHeaderView* rows = view->verticalHeader();
  rows->setSectionResizeMode(options_.RowSizing ? QHeaderView::Interactive : QHeaderView::Fixed);
  if (rows->defaultSectionSize() != options_.RowHeight) {
    {
      const QSignalBlocker block(rows);
      rows->setDefaultSectionSize(options_.RowHeight);
      for (int row = 0; row < rows->count(); ++row) rows->resizeSection(row, options_.RowHeight);
    }
    // The data set holds as many rows as now fit.
    grid_.FitRows();
  }
  sizer_->SetAutoSize(options_.AutoSize);
  sizer_->SetAutoWidth(options_.AutoWidth);
  frozen_->SetCount(options_.FixedColumns);
}

void TGridDisplay::FitTitleHeight() {
  QHeaderView* titles = grid_.View()->horizontalHeader();
  if (!options_.MultiLineTitles) {
    titles->setMinimumHeight(0);
    return;
  }
  // As high as the title that needs the most lines at its column's width.
  const QFontMetrics metrics(titles->font());
  int height = metrics.height();
  for (int c = 0; c < grid_.Model()->columnCount(); ++c) {
    if (titles->isSectionHidden(c)) continue;
    const QString title = grid_.Model()->headerData(c, Qt::Horizontal).toString();
    const QRect bounds = metrics.boundingRect(QRect(0, 0, std::max(titles->sectionSize(c) - 6, 1), 10000),
                                              Qt::AlignCenter | Qt::TextWordWrap, title);
    height = std::max(height, bounds.height());
  }
  titles->setMinimumHeight(height + 6);
}

void TGridDisplay::UpdateEntries() {
  for (const TGridOptionToggle& toggle : kGridOptionToggles)
    menu_.Entry(toggle.Entry)->setChecked(options_.*toggle.Member);
  menu_.Entry(TGridMenuEntry::gmFixedColumns)->setChecked(options_.FixedColumns > 0);
}
