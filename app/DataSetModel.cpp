#include "app/DataSetModel.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "app/DisplayText.h"
#include "dataset/ViewDataSet.h"
#include "isam/CtreeDataSet.h"
#include "support/DateTimeText.h"
#include "support/Exception.h"

QString TDataSetTableModel::MemoMarker() {
  return QStringLiteral("(MEMO)");
}

TDataSetTableModel::TDataSetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDataSetTableModel::SetDataSet(TDataSet* dataSet) {
  dataSet_ = dataSet;
  Rebuild();
  UpdateRecordNumbers();
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
  kinds_ = active ? ColumnKinds(*dataSet_) : std::vector<TColumnKind>();
  checks_.assign(static_cast<size_t>(columns_), 0);
  images_.assign(options_.ShowImages ? static_cast<size_t>(rows_ * columns_) : 0, QImage());
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
      for (int c = 0; c < columns_; ++c) FillCell(r, c);
    } catch (...) {
      // Never leave the texts of another record in the row; the other rows are still read.
      error = std::current_exception();
      for (int c = 0; c < columns_; ++c) Cell(r, c).clear();
    }
  }
  UpdateCheckColumns();
}

namespace {

// A date or date-time as the tables write it (the program's short date format, then the time of day) in the
// locale's short form; anything else as it stands.
QString LocaleDateTime(const QString& text, const std::string& bytes, bool withTime) {
  double value = 0;
  try {
    value = withTime ? TextToDateTime(bytes) : TextToDate(bytes);
  } catch (const Exception&) {
    return text;
  }
  // Days since 30 December 1899; the fraction is the time of day.
  const double days = std::floor(value);
  const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
  const auto milliseconds =
      static_cast<int>(std::min<long long>(std::llround((value - days) * 86400000.0), 86399999));
  const QLocale locale;
  if (!withTime || milliseconds == 0) return locale.toString(date, QLocale::ShortFormat);
  return locale.toString(QDateTime(date, QTime::fromMSecsSinceStartOfDay(milliseconds)),
                         QLocale::ShortFormat);
}

bool IsCheckValue(QStringView value) {
  value = value.trimmed();
  return value == u"1" || value == u"0" || value.compare(u"true", Qt::CaseInsensitive) == 0 ||
         value.compare(u"false", Qt::CaseInsensitive) == 0;
}

bool IsChecked(QStringView value) {
  value = value.trimmed();
  return value == u"1" || value.compare(u"true", Qt::CaseInsensitive) == 0;
}

}  // namespace

void TDataSetTableModel::FillCell(int r, int c) {
  const TColumnKind kind = kinds_[static_cast<size_t>(c)];
  if (isMemo_[static_cast<size_t>(c)]) {
    const bool picture = kind == TColumnKind::ckImage;
    if (picture ? !options_.ShowImages : !options_.ShowMemos) return;
    // A memo or picture that cannot be read leaves its cell empty; its hint reports the error.
    try {
      if (picture)
        ReadPicture(c, scratch_);
      else
        dataSet_->Fields()[c].GetAsString(scratch_);
    } catch (...) {
      Cell(r, c).clear();
      if (picture) images_[static_cast<size_t>(r * columns_ + c)] = QImage();
      return;
    }
    if (picture) {
      QImage image;
      image.loadFromData(reinterpret_cast<const uchar*>(scratch_.data()),
                         static_cast<qsizetype>(scratch_.size()));
      images_[static_cast<size_t>(r * columns_ + c)] = image;
      return;
    }
    // The first line; the cell is one line high.
    scratch_.resize(std::min(scratch_.find_first_of("\r\n"), scratch_.size()));
  } else {
    dataSet_->Fields()[c].GetAsString(scratch_);
  }
  decoded_.clear();
  AppendWindows1252AsUtf8(decoded_, scratch_);
  Cell(r, c) = QString::fromUtf8(decoded_);
  if (options_.ShowDateTimes && (kind == TColumnKind::ckDate || kind == TColumnKind::ckDateTime))
    Cell(r, c) = LocaleDateTime(Cell(r, c), scratch_, kind == TColumnKind::ckDateTime);
}

void TDataSetTableModel::UpdateCheckColumns() {
  for (int c = 0; c < columns_; ++c) {
    bool check = options_.ShowBooleans && !isMemo_[static_cast<size_t>(c)];
    if (check && kinds_[static_cast<size_t>(c)] != TColumnKind::ckBoolean) {
      // On screen: the values of the held rows that could be read.
      int values = 0;
      for (int r = 0; r < rows_ && check; ++r) {
        if (rowErrors_[static_cast<size_t>(r)]) continue;
        check = IsCheckValue(Cell(r, c));
        ++values;
      }
      check = check && values > 0;
    }
    checks_[static_cast<size_t>(c)] = check;
  }
}

void TDataSetTableModel::SetDisplayOptions(const TGridDisplayOptions& options) {
  const bool refill = options.ShowMemos != options_.ShowMemos || options.ShowImages != options_.ShowImages ||
                      options.ShowDateTimes != options_.ShowDateTimes;
  options_ = options;
  if (refill) {
    images_.assign(options_.ShowImages ? static_cast<size_t>(rows_ * columns_) : 0, QImage());
    if (dataSet_ && dataSet_->Active()) FillRows(0, rows_);
  }
  UpdateCheckColumns();
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
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
    if (!images_.empty()) std::rotate(images_.begin(), images_.begin() + cells, images_.end());
    FillRows(rows_ - shift, rows_);
    return;
  }
  std::rotate(cache_.begin(), cache_.end() - cells, cache_.end());
  std::rotate(rowErrors_.begin(), rowErrors_.end() - shift, rowErrors_.end());
  if (!images_.empty()) std::rotate(images_.begin(), images_.end() - cells, images_.end());
  FillRows(0, shift);
}

void TDataSetTableModel::DataSetEvent(TDataEvent event, int32_t info) {
  if (!dataSet_) return;
  if (event == TDataEvent::deUpdateState || ShapeChanged()) {
    Rebuild();
    UpdateRecordNumbers();
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
  UpdateRecordNumbers();
}

void TDataSetTableModel::UpdateRecordNumbers() {
  // The held rows are consecutive records: the first one's number follows from the active one's.
  int32_t first = 0;
  if (dataSet_ && dataSet_->Active() && rows_ > 0) {
    const int32_t recNo = dataSet_->GetRecNo();
    if (recNo > 0) first = recNo - dataSet_->ActiveRecord();
  }
  if (first == firstRecNo_) return;
  firstRecNo_ = first;
  if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
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
    case Qt::DisplayRole: {
      const int column = index.column();
      if (IsCheckColumn(column)) return QString();
      if (!IsMemoColumn(column)) return Cell(index.row(), column);
      if (kinds_[static_cast<size_t>(column)] == TColumnKind::ckImage)
        return options_.ShowImages && !images_[static_cast<size_t>(index.row() * columns_ + column)].isNull()
                   ? QString()
                   : MemoMarker();
      return options_.ShowMemos ? Cell(index.row(), column) : MemoMarker();
    }
    case Qt::CheckStateRole:
      if (!IsCheckColumn(index.column())) return {};
      return IsChecked(Cell(index.row(), index.column())) ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole:
      if (images_.empty()) return {};
      if (const QImage& image = images_[static_cast<size_t>(index.row() * columns_ + index.column())];
          !image.isNull())
        return image;
      return {};
    case Qt::BackgroundRole:
      // Every other row is light yellow; the rows between keep the window colour.
      if (options_.RowColours && index.row() % 2 == 0) return QColor(255, 255, 223);
      return {};
    default:
      return {};
  }
}

QVariant TDataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || section < 0) return {};
  if (orientation == Qt::Vertical) {
    if (section >= rows_ || firstRecNo_ <= 0) return {};
    return QString::number(static_cast<int64_t>(firstRecNo_) + section);
  }
  if (section >= columns_) return {};
  return titles_[static_cast<size_t>(section)];
}

Qt::ItemFlags TDataSetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool TDataSetTableModel::ReadableCell(int row, int column) const {
  return dataSet_ && dataSet_->Active() && row >= 0 && column >= 0 && row < dataSet_->BufferedRecordCount() &&
         column < dataSet_->Fields().Count() && !RowError(row);
}

std::string TDataSetTableModel::CellValue(int row, int column) const {
  if (!ReadableCell(row, column)) return {};
  TActiveRowScope scope(*dataSet_, row);
  return dataSet_->Fields()[column].AsString();
}

QImage TDataSetTableModel::CellPicture(int row, int column) const {
  if (!ReadableCell(row, column) || !IsPictureColumn(column)) return {};
  TActiveRowScope scope(*dataSet_, row);
  std::string bytes;
  ReadPicture(column, bytes);
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void TDataSetTableModel::ReadPicture(int column, std::string& out) const {
  // Pictures come from ISAM tables' picture fields only, shown by the table or by a view over it.
  out.clear();
  const TField& field = dataSet_->Fields()[column];
  if (auto* table = dynamic_cast<TCtreeDataSet*>(dataSet_)) {
    table->PictureBytes(field, out);
  } else if (auto* view = dynamic_cast<TViewDataSet*>(dataSet_)) {
    auto* base = dynamic_cast<TCtreeDataSet*>(&view->Base());
    if (const TField* baseField = base != nullptr ? view->BaseFieldAtActiveRow(field) : nullptr)
      base->PictureBytes(*baseField, out);
  }
}
