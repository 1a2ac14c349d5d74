#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/AbstractDataSet.h"
#include "dataset/RecordView.h"

class TCTreeTable;
class TCtreeField;
class TCtreeRecordBuffers;

// The record positions of a table's records in one of its orders: record number n is the one at [n - 1].
using TRecordPositions = std::vector<int32_t>;

// An ISAM table as a read-only data set, in the order of one of its indexes or in physical order.
// Until the table is numbered, record ids are record positions: every step is one move of the table, so
// opening, moving to the last record and paging cost the same whatever the table's size. Record buffers hold
// only their header; values are read from the table when asked for. Fixed fields are string columns wide
// enough for their text; memo and picture fields are memo columns.
//
// A table has no record numbers of its own. Given the positions of its records in the current order
// (ReadRecordPositions, one pass over the table), the data set numbers its records by them, and filters,
// sorts and finds can work on it as on a file.
class TCtreeDataSet : public TAbstractDataSet {
 public:
  // table: not open yet; the data set opens it read-only and owns it.
  explicit TCtreeDataSet(std::unique_ptr<TCTreeTable> table);
  ~TCtreeDataSet() override;

  TCTreeTable& Table() const { return *table_; }
  // The index the rows follow; empty: physical order. An open data set refetches from its first row, and
  // its record numbers are gone.
  void SetIndexName(const std::string& name);
  const std::string& IndexName() const { return indexName_; }
  // The names of the table's indexes, in its order.
  std::vector<std::string> IndexNames() const;

  // The positions of the table's records in the current order, from the first record on; the data set is
  // left on its first row. Reports progress (of the table's record count), obeys the cancel flag, and
  // raises EDatabaseError when the table holds more records than record numbers can count.
  std::shared_ptr<const TRecordPositions> ReadRecordPositions(const TPassControl& control);
  // Numbers the records by positions (read in the current order), or drops the numbers (null). An open
  // data set keeps its rows on screen and its current record where positions number them all, else goes to
  // its first row.
  void SetRecordPositions(std::shared_ptr<const TRecordPositions> positions);
  const std::shared_ptr<const TRecordPositions>& RecordPositions() const { return positions_; }
  // Whether a numbered record that is no longer in the table raises when its values are read (for passes,
  // which must not take it for a record of empty values) or shows empty values (in a grid).
  void SetGoneRecordsRaise(bool raise) { goneRecordsRaise_ = raise; }

  int32_t GetRecNo() override { return positions_ ? TAbstractDataSet::GetRecNo() : -1; }
  void SetRecNo(int32_t recNo) override {
    if (positions_) SetRecNoOfNumberedRecords(recNo);
  }
  bool IsSequenced() override { return positions_ != nullptr; }
  bool GetCanModify() override { return false; }
  bool GetFieldData(const TField& field, void* destination) override;
  // A picture field's value is its text ("<GRAPHIC>"), as the table gives it; PictureBytes reads the picture.
  std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  // The bytes of the active row's picture in field (zero bytes among them); false, out empty, where field is
  // no picture field or the row has no record.
  bool PictureBytes(const TField& field, std::string& out);

 protected:
  Ref<IRecordBuffers> CreateRecordBuffers() override;
  void InternalInitFieldDefs() override;
  void InternalOpen() override;
  void InternalClose() override;
  int64_t RecordBufferSize() const override { return HeaderSize; }
  void InternalInitRecord(char* buffer) override;
  void ClearCalcFields(char* /*buffer*/) override {}

 private:
  TCtreeRecordBuffers& Buffers();
  // Numbers an unnumbered open data set's held rows in place; false, nothing changed, where positions lack
  // one of them.
  bool NumberHeldRows(const std::shared_ptr<const TRecordPositions>& positions);
  // The table field behind a data-set field, with the table on the active row's record; null when
  // there is no such record (any more).
  TCtreeField* ActiveRecordField(const TField& field);

  std::unique_ptr<TCTreeTable> table_;
  std::string indexName_;
  bool indexChosen_ = false;
  std::vector<TCtreeField*> tableFields_;  // by field number - 1
  std::shared_ptr<const TRecordPositions> positions_;
  bool goneRecordsRaise_ = false;
};
