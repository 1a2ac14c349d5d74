#include "app/gridtools/GridCustomizeDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DBGrid.h"

TGridCustomizeDialog::TGridCustomizeDialog(const TDBGrid& grid, QWidget* parent)
    : QDialog(parent), list_(new QListWidget) {
  setObjectName(QStringLiteral("CustomizeDialog"));
  setWindowTitle(QStringLiteral("Customize"));
  list_->setObjectName(QStringLiteral("Columns"));
  const QHeaderView* titles = grid.View()->horizontalHeader();
  for (int visual = 0; visual < titles->count(); ++visual) {
    const int column = titles->logicalIndex(visual);
    auto* item = new QListWidgetItem(grid.Model()->headerData(column, Qt::Horizontal).toString(), list_);
    item->setData(Qt::UserRole, column);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(titles->isSectionHidden(column) ? Qt::Unchecked : Qt::Checked);
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  auto* up = new QPushButton(QStringLiteral("Up"));
  auto* down = new QPushButton(QStringLiteral("Down"));
  connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* moves = new QVBoxLayout;
  moves->addWidget(up);
  moves->addWidget(down);
  moves->addStretch();
  auto* row = new QHBoxLayout;
  row->addWidget(list_);
  row->addLayout(moves);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

void TGridCustomizeDialog::MoveSelected(int distance) {
  const int from = list_->currentRow();
  const int to = from + distance;
  if (from < 0 || to < 0 || to >= list_->count()) return;
  QListWidgetItem* item = list_->takeItem(from);
  list_->insertItem(to, item);
  list_->setCurrentRow(to);
}

void TGridCustomizeDialog::ApplyTo(TDBGrid& grid) const {
  QHeaderView* titles = grid.View()->horizontalHeader();
  bool anyShown = false;
  for (int i = 0; i < list_->count(); ++i) anyShown = anyShown || list_->item(i)->checkState() == Qt::Checked;
  for (int i = 0; i < list_->count(); ++i) {
    const QListWidgetItem* item = list_->item(i);
    const int column = item->data(Qt::UserRole).toInt();
    if (column < 0 || column >= titles->count()) continue;
    titles->moveSection(titles->visualIndex(column), i);
    // A grid without columns could not be customized again.
    titles->setSectionHidden(column, item->checkState() != Qt::Checked && (anyShown || i > 0));
  }
}
