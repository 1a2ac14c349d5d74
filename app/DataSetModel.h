#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <QString>
#include <exception>
#include <string>
#include <vector>

#include "app/gridtools/ColumnKinds.h"
#include "app/gridtools/GridDisplayOptions.h"
#include "dataset/DataSet.h"

// Table model over the window of rows a data set holds: one model row per buffered row, one column
// per field. The displayed texts of the held rows are cached when the data set reports a change, so
// painting reads nothing from the data set. Memo values are never cached: their cells show a marker
// and their text is read only on request (CellValue).
class TDataSetTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // What a memo cell shows in place of its text.
  static QString MemoMarker();

  explicit TDataSetTableModel(QObject* parent = nullptr);

  // Not owned; the caller forwards the data set's events to DataSetEvent.
  void SetDataSet(TDataSet* dataSet);
  TDataSet* DataSet() const { return dataSet_; }
  // Brings the cache up to date after an event of the data set. A row whose values cannot be read
  // shows empty cells and keeps its error (RowError); the other rows are read all the same.
  void DataSetEvent(TDataEvent event, int32_t info);
  // The error of reading a held row's values; none when the row reads.
  std::exception_ptr RowError(int row) const;
  // The record number of the first held row (its position in a view); 0 where the data set has none.
  int32_t FirstRecordNumber() const { return firstRecNo_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  bool IsMemoColumn(int column) const { return isMemo_[static_cast<size_t>(column)] != 0; }
  // How cells are drawn: row colours, check boxes, memo texts, pictures and dates (the options' other
  // entries concern the view).
  void SetDisplayOptions(const TGridDisplayOptions& options);
  const TGridDisplayOptions& DisplayOptions() const { return options_; }
  // Whether a column shows check boxes: booleans shown, and a boolean field or every held value "1" or "0".
  bool IsCheckColumn(int column) const { return checks_[static_cast<size_t>(column)] != 0; }
  // A cell's text as shown (dates in the locale's form), also where a check box stands for it; empty for a
  // memo cell unless memos are shown.
  QString CellText(int row, int column) const { return Cell(row, column); }
  // The current text of a cell, memo text included, read from the data set through its row. Errors
  // of reading propagate after the data set's active row was restored. Empty for a row that could
  // not be read: its error is reported when the cursor reaches it, not for every look at it.
  // A picture cell's value is the picture's text, "<GRAPHIC>": its bytes are read by CellPicture.
  std::string CellValue(int row, int column) const;
  bool IsPictureColumn(int column) const {
    return kinds_[static_cast<size_t>(column)] == TColumnKind::ckImage;
  }
  // The picture of a picture cell, read as CellValue reads; null where its bytes are no picture.
  QImage CellPicture(int row, int column) const;

 private:
  // Whether row and column name a held cell whose row could be read.
  bool ReadableCell(int row, int column) const;
  // The active row's picture bytes in column; empty where there are none.
  void ReadPicture(int column, std::string& out) const;
  bool ShapeChanged() const;
  void Rebuild();
  // Read the texts of held rows, noting the error of each row that could not be read.
  void FillRows(int from, int to);
  void ScrollRows(int32_t distance);
  // The held value of one cell of the active row, memo or picture included as far as they are shown.
  void FillCell(int row, int column);
  void UpdateCheckColumns();
  // The vertical titles show the held rows' record numbers.
  void UpdateRecordNumbers();
  QString& Cell(int row, int column) { return cache_[static_cast<size_t>(row * columns_ + column)]; }
  const QString& Cell(int row, int column) const {
    return cache_[static_cast<size_t>(row * columns_ + column)];
  }

  TDataSet* dataSet_ = nullptr;
  int32_t firstRecNo_ = 0;
  int rows_ = 0;
  int columns_ = 0;
  std::vector<char> isMemo_;
  std::vector<TColumnKind> kinds_;
  std::vector<char> checks_;
  std::vector<QImage> images_;  // rows_ × columns_ while pictures are shown, else empty
  TGridDisplayOptions options_;
  std::vector<QString> titles_;
  std::vector<QString> cache_;                 // rows_ × columns_, row by row
  std::vector<std::exception_ptr> rowErrors_;  // rows_
  std::string scratch_;
  std::string decoded_;
};
