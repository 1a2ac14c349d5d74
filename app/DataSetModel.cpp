#include "app/DataSetModel.h"

#include <QColor>
#include <algorithm>

#include "app/DisplayText.h"

QString TDataSetTableModel::MemoMarker() {
  return QStringLiteral("(MEMO)");
}

TDataSetTableModel::TDataSetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDataSetTableModel::SetDataSet(TDataSet* dataSet) {
  dataSet_ = dataSet;
  Rebuild();
}

bool TDataSetTableModel::ShapeChanged() const {
  const bool active = dataSet_ && dataSet_->Active();
  const int rows = active ? dataSet_->BufferedRecordCount() : 0;
  const int columns = active ? dataSet_->Fields().Count() : 0;
  return rows != rows_ || columns != columns_;
}

void TDataSetTableModel::Rebuild() {
  beginResetModel();
  const bool active = dataSet_ && dataSet_->Active();
  rows_ = active ? dataSet_->BufferedRecordCount() : 0;
  columns_ = active ? dataSet_->Fields().Count() : 0;
  isMemo_.assign(static_cast<size_t>(columns_), 0);
  titles_.assign(static_cast<size_t>(columns_), QString());
  for (int c = 0; c < columns_; ++c) {
    const TField& field = dataSet_->Fields()[c];
    isMemo_[static_cast<size_t>(c)] = field.IsBlob();
    titles_[static_cast<size_t>(c)] = DisplayText(field.FieldName());
  }
  cache_.assign(static_cast<size_t>(rows_ * columns_), QString());
  rowErrors_.assign(static_cast<size_t>(rows_), nullptr);
  FillRows(0, rows_);
  endResetModel();
}

void TDataSetTableModel::FillRows(int from, int to) {
  for (int r = from; r < to; ++r) {
    TActiveRowScope row(*dataSet_, r);
    std::exception_ptr& error = rowErrors_[static_cast<size_t>(r)];
    error = nullptr;
    try {
      for (int c = 0; c < columns_; ++c) {
        if (isMemo_[static_cast<size_t>(c)]) continue;
        dataSet_->Fields()[c].GetAsString(scratch_);
        decoded_.clear();
        AppendWindows1252AsUtf8(decoded_, scratch_);
        Cell(r, c) = QString::fromUtf8(decoded_);
      }
    } catch (...) {
      // Never leave the texts of another record in the row; the other rows are still read.
      error = std::current_exception();
      for (int c = 0; c < columns_; ++c) Cell(r, c).clear();
    }
  }
}

// The held rows moved by distance (negative: up) with the window's size unchanged: keep the texts of
// the rows still held and read only the rows that came in.
void TDataSetTableModel::ScrollRows(int32_t distance) {
  const int shift = distance < 0 ? -distance : distance;
  if (shift >= rows_) {
    FillRows(0, rows_);
    return;
  }
  const auto cells = static_cast<std::ptrdiff_t>(shift * columns_);
  if (distance < 0) {
    std::rotate(cache_.begin(), cache_.begin() + cells, cache_.end());
    std::rotate(rowErrors_.begin(), rowErrors_.begin() + shift, rowErrors_.end());
    FillRows(rows_ - shift, rows_);
    return;
  }
  std::rotate(cache_.begin(), cache_.end() - cells, cache_.end());
  std::rotate(rowErrors_.begin(), rowErrors_.end() - shift, rowErrors_.end());
  FillRows(0, shift);
}

void TDataSetTableModel::DataSetEvent(TDataEvent event, int32_t info) {
  if (!dataSet_) return;
  if (event == TDataEvent::deUpdateState || ShapeChanged()) {
    Rebuild();
    return;
  }
  if (event == TDataEvent::deDataSetScroll) {
    // Moving the active row inside the window changes no texts.
    if (info == 0) return;
    ScrollRows(info);
  } else {
    FillRows(0, rows_);
  }
  if (rows_ > 0 && columns_ > 0)
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), {Qt::DisplayRole});
}

std::exception_ptr TDataSetTableModel::RowError(int row) const {
  if (row < 0 || row >= rows_) return nullptr;
  return rowErrors_[static_cast<size_t>(row)];
}

int TDataSetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TDataSetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant TDataSetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_) return {};
  switch (role) {
    case Qt::DisplayRole:
      return IsMemoColumn(index.column()) ? MemoMarker() : Cell(index.row(), index.column());
    case Qt::BackgroundRole:
      // Every other row is light yellow; the rows between keep the window colour.
      if (index.row() % 2 == 0) return QColor(255, 255, 223);
      return {};
    default:
      return {};
  }
}

QVariant TDataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columns_)
    return {};
  return titles_[static_cast<size_t>(section)];
}

Qt::ItemFlags TDataSetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

std::string TDataSetTableModel::CellValue(int row, int column) const {
  if (!dataSet_ || !dataSet_->Active() || row < 0 || column < 0 || row >= dataSet_->BufferedRecordCount() ||
      column >= dataSet_->Fields().Count() || RowError(row))
    return {};
  TActiveRowScope scope(*dataSet_, row);
  return dataSet_->Fields()[column].AsString();
}
