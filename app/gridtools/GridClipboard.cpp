#include "app/gridtools/GridClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <algorithm>
#include <set>
#include <vector>

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MessageBox.h"

namespace {

// A tab-separated field as spreadsheets read it: quoted when it holds a tab, a line break or a quote.
QString TsvField(const QString& value) {
  if (!value.contains(QLatin1Char('\t')) && !value.contains(QLatin1Char('\n')) &&
      !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('"')))
    return value;
  QString quoted = value;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString HtmlCell(const char* tag, const QString& value) {
  QString escaped = value.toHtmlEscaped();
  escaped.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
  escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), escaped);
}

}  // namespace

bool TGridClipboard::HasSelection(const TDBGrid& grid) {
  const QItemSelectionModel* selection = grid.View()->selectionModel();
  return selection != nullptr && selection->hasSelection() && grid.Model()->rowCount() > 0;
}

std::unique_ptr<QMimeData> TGridClipboard::SelectionData(const TDBGrid& grid) {
  if (!HasSelection(grid)) return nullptr;
  const TDataSetTableModel& model = *grid.Model();
  const QHeaderView* titles = grid.View()->horizontalHeader();
  const QModelIndexList cells = grid.View()->selectionModel()->selectedIndexes();
  std::set<int> rows;
  std::set<int> visualColumns;
  std::set<std::pair<int, int>> selected;
  for (const QModelIndex& cell : cells) {
    if (titles->isSectionHidden(cell.column())) continue;
    rows.insert(cell.row());
    visualColumns.insert(titles->visualIndex(cell.column()));
    selected.emplace(cell.row(), cell.column());
  }
  if (rows.empty()) return nullptr;
  std::vector<int> columns;
  for (const int visual : visualColumns) columns.push_back(titles->logicalIndex(visual));

  QString text;
  QString html = QStringLiteral("<table>\n<tr>");
  for (size_t i = 0; i < columns.size(); ++i) {
    const QString title = model.headerData(columns[i], Qt::Horizontal).toString();
    text += (i ? QStringLiteral("\t") : QString()) + TsvField(title);
    html += HtmlCell("th", title);
  }
  text += QLatin1Char('\n');
  html += QStringLiteral("</tr>\n");
  for (const int row : rows) {
    html += QStringLiteral("<tr>");
    for (size_t i = 0; i < columns.size(); ++i) {
      const int column = columns[i];
      QString value;
      if (selected.contains({row, column}))
        value = model.IsMemoColumn(column) ? DisplayText(model.CellValue(row, column))
                                           : model.CellText(row, column);
      text += (i ? QStringLiteral("\t") : QString()) + TsvField(value);
      html += HtmlCell("td", value);
    }
    text += QLatin1Char('\n');
    html += QStringLiteral("</tr>\n");
  }
  html += QStringLiteral("</table>\n");
  auto data = std::make_unique<QMimeData>();
  data->setText(text);
  data->setHtml(html);
  return data;
}

bool TGridClipboard::AllRecordsHeld(const TDBGrid& grid) {
  TDataSet* dataSet = grid.DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return true;
  if (dataSet->IsSequenced()) return dataSet->GetRecordCount() <= dataSet->BufferedRecordCount();
  // Without a count: the window is not full only when the data set has no more rows than it holds.
  return dataSet->BufferedRecordCount() < dataSet->BufferCount();
}

void TGridClipboard::Copy(const TDBGrid& grid) {
  RunGuarded([&] {
    // The clipboard is no place for a whole file, and reading one here would stop the window.
    if (grid.AllRecordsSelected() && !AllRecordsHeld(grid)) {
      TMessageBoxRequest request;
      request.Title = kApplicationTitle;
      request.Kind = TMessageKind::mkInformation;
      request.Text =
          "Copy takes the records on screen, but all records are selected. \"Export grid\" writes all "
          "records "
          "to a file; to copy, select the records on screen.";
      ShowMessageBox(request);
      return;
    }
    if (std::unique_ptr<QMimeData> data = SelectionData(grid))
      QGuiApplication::clipboard()->setMimeData(data.release());
  });
}
