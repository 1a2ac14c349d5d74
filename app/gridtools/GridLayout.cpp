#include "app/gridtools/GridLayout.h"

#include <QCryptographicHash>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "app/DBGrid.h"

namespace {

constexpr int kMaxWidth = 10000;

QString Title(const TDBGrid& grid, int column) {
  return grid.Model()->headerData(column, Qt::Horizontal).toString();
}

}  // namespace

TGridLayout TGridLayout::Of(const TDBGrid& grid, const TGridDisplayOptions& options) {
  TGridLayout layout;
  layout.Options = options;
  const QHeaderView* titles = grid.View()->horizontalHeader();
  for (int visual = 0; visual < titles->count(); ++visual) {
    const int column = titles->logicalIndex(visual);
    layout.Columns.push_back(
        {Title(grid, column), titles->sectionSize(column), titles->isSectionHidden(column)});
  }
  return layout;
}

void TGridLayout::ApplyColumns(TDBGrid& grid) const {
  QHeaderView* titles = grid.View()->horizontalHeader();
  const int count = titles->count();
  int next = 0;  // the visual place of the next named column
  for (const TColumn& saved : Columns) {
    int column = -1;
    for (int c = 0; c < count && column < 0; ++c)
      if (Title(grid, c) == saved.Name) column = c;
    if (column < 0) continue;
    const int at = titles->visualIndex(column);
    if (at < next) continue;  // a name given twice
    titles->moveSection(at, next++);
    if (saved.Width > 0) titles->resizeSection(column, std::min(saved.Width, kMaxWidth));
    titles->setSectionHidden(column, saved.Hidden);
  }
}

QByteArray TGridLayout::ToJson() const {
  QJsonArray columns;
  for (const TColumn& column : Columns)
    columns.append(QJsonObject{{"name", column.Name}, {"width", column.Width}, {"hidden", column.Hidden}});
  QJsonObject options;
  for (const TGridOptionToggle& toggle : kGridOptionToggles)
    options.insert(QLatin1String(toggle.Key), Options.*toggle.Member);
  options.insert(QStringLiteral("fixedColumns"), Options.FixedColumns);
  options.insert(QStringLiteral("rowHeight"), Options.RowHeight);
  const QJsonObject root{
      {"kind", "kwviewer grid layout"}, {"version", 1}, {"columns", columns}, {"options", options}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<TGridLayout> TGridLayout::FromJson(const QByteArray& json, QString& error) {
  QJsonParseError parse;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
  if (document.isNull()) {
    error = QStringLiteral("Not a grid layout: %1 at offset %2").arg(parse.errorString()).arg(parse.offset);
    return std::nullopt;
  }
  const QJsonObject root = document.object();
  if (root.value(QStringLiteral("kind")).toString() != QLatin1String("kwviewer grid layout") ||
      !root.value(QStringLiteral("columns")).isArray()) {
    error = QStringLiteral("Not a grid layout");
    return std::nullopt;
  }
  TGridLayout layout;
  for (const QJsonValue& value : root.value(QStringLiteral("columns")).toArray()) {
    const QJsonObject column = value.toObject();
    const QString name = column.value(QStringLiteral("name")).toString();
    if (name.isEmpty()) continue;
    layout.Columns.push_back({name, std::clamp(column.value(QStringLiteral("width")).toInt(), 0, kMaxWidth),
                              column.value(QStringLiteral("hidden")).toBool()});
  }
  // Options a layout does not name keep their defaults.
  const QJsonObject options = root.value(QStringLiteral("options")).toObject();
  for (const TGridOptionToggle& toggle : kGridOptionToggles)
    layout.Options.*toggle.Member =
        options.value(QLatin1String(toggle.Key)).toBool(layout.Options.*toggle.Member);
  layout.Options.FixedColumns =
      std::clamp(options.value(QStringLiteral("fixedColumns")).toInt(layout.Options.FixedColumns), 0, 1000);
  layout.Options.RowHeight =
      std::clamp(options.value(QStringLiteral("rowHeight")).toInt(layout.Options.RowHeight), 1, 1000);
  return layout;
}

QString TGridLayout::ColumnSetKey(const TDBGrid& grid) {
  QCryptographicHash hash(QCryptographicHash::Sha1);
  const int count = grid.Model()->columnCount();
  for (int c = 0; c < count; ++c) {
    hash.addData(Title(grid, c).toUtf8());
    hash.addData(QByteArrayView("\n"));
  }
  return QString::fromLatin1(hash.result().toHex());
}
