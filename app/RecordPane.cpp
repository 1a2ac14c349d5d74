#include "app/RecordPane.h"

#include <QHeaderView>
#include <QTableWidget>
#include <exception>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MDIChild.h"

TRecordPane::TRecordPane(QWidget* parent)
    : QDockWidget(QStringLiteral("Record"), parent), table_(new QTableWidget(this)) {
  setObjectName(QStringLiteral("RecordPane"));
  table_->setObjectName(QStringLiteral("RecordPaneTable"));
  table_->setColumnCount(2);
  table_->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value")});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Memo texts run over several lines.
  table_->setWordWrap(true);
  setWidget(table_);
  hide();
}

void TRecordPane::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  Show(shown_);
}

void TRecordPane::Show(TMDIChild* child) {
  shown_ = child;
  if (!isVisible()) return;
  TDBGrid* grid = child != nullptr ? child->rxdbg() : nullptr;
  TDataSet* dataSet = grid != nullptr ? grid->DataSet() : nullptr;
  if (dataSet == nullptr || !dataSet->Active() || dataSet->BufferedRecordCount() == 0) {
    table_->setRowCount(0);
    return;
  }
  const TDataSetTableModel& model = *grid->Model();
  const int row = dataSet->ActiveRecord();
  const int count = model.columnCount();
  table_->setRowCount(count);
  for (int column = 0; column < count; ++column) {
    const QString name = model.headerData(column, Qt::Horizontal).toString();
    // An unreadable record shows its names and empty values (the grid reports it); a memo that cannot be
    // read shows why.
    QString value;
    try {
      value = DisplayText(model.CellValue(row, column));
    } catch (const std::exception& error) {
      value = DisplayText(error.what());
    }
    for (int part = 0; part < 2; ++part) {
      QTableWidgetItem* item = table_->item(column, part);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        table_->setItem(column, part, item);
      }
      item->setText(part == 0 ? name : value);
    }
  }
  table_->resizeRowsToContents();
}
