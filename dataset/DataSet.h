#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/DataSetTypes.h"
#include "dataset/Field.h"
#include "dataset/RecordValues.h"
#include "support/MemoryStream.h"

// The host data-set framework: field definitions and objects, a ring of record buffers that holds the
// rows a grid shows, the cursor movements over them, bookmarks and refetching. A concrete data set
// supplies the cursor operations (InternalOpen, GetRecord, ...); a grid reads the buffered rows.
//
// The ring holds BufferCount rows (plus one spare into which the next record is fetched). Moving
// within the ring reads nothing; moving past its ends fetches one record per step; First, Last and
// Resync refill it. Only the record the cursor is sent to raises when it cannot be read, and then the
// held rows stay as they were; the rest of a fill reads ahead and stops before such a record, which
// raises once a move reaches it. A final data set class must call Close() in its destructor, because
// the closing operations are virtual.
class TDataSet {
 public:
  using DataEventHandler = std::function<void(TDataEvent event, int32_t info)>;

  TDataSet() = default;
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;
  virtual ~TDataSet();

  // Opening fills the field definitions and fields, then fetches the first rows. An error of that
  // first fetch leaves the data set open (Active) and propagates.
  void Open();
  void Close();
  void SetActive(bool active) { active ? Open() : Close(); }
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  TDataSetState State() const { return state_; }

  TFieldDefs& FieldDefs() { return fieldDefs_; }
  TFields& Fields() { return fields_; }
  TField* FindField(std::string_view name) const { return fields_.FindField(name); }
  // Raises EDatabaseError "Field 'name' not found".
  TField& FieldByName(std::string_view name) const;

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves the active row by distance records; returns how far it actually moved.
  int32_t MoveBy(int32_t distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }

  virtual int32_t GetRecordCount() = 0;
  virtual int32_t GetRecNo() { return -1; }
  virtual void SetRecNo(int32_t /*recNo*/) {}
  virtual bool IsSequenced() { return false; }
  virtual bool GetCanModify() { return false; }

  // Refetches the buffered rows around the cursor (rmExact: the cursor's record must be found;
  // rmCenter: put it in the middle of the window).
  void Resync(TResyncMode mode);
  // Refetches the rows from the cursor's record on.
  void Refresh();
  // Brings the cursor to the active row.
  void UpdateCursorPos();
  // Forgets which buffer the cursor corresponds to.
  void CursorPosChanged() { currentRecord_ = -1; }

  using TBookmark = std::vector<char>;
  // The active row's bookmark; empty when there is none.
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);

  // The window of buffered rows.
  int32_t BufferCount() const { return bufferCount_; }
  void SetBufferCount(int32_t count);
  // Rows currently held, 0 … BufferCount.
  int32_t BufferedRecordCount() const { return recordCount_; }
  int32_t ActiveRecord() const { return activeRecord_; }
  // Makes held row `row` the active one without moving the cursor, as a grid does to read a row's
  // values; restore it afterwards (TActiveRowScope).
  void SetActiveRecord(int32_t row) { activeRecord_ = row; }

  // Observers are told after rows moved or were refetched; the token removes the handler again.
  int32_t AddDataEventHandler(DataEventHandler handler);
  void RemoveDataEventHandler(int32_t token);

  virtual bool GetFieldData(const TField& field, void* destination) = 0;
  // A stream over a blob field's value of the active row; none when the data set offers no blobs.
  virtual std::unique_ptr<TMemoryStream> CreateBlobStream(const TField& field, TBlobStreamMode mode);
  // A cursor that reads the values of the columns (indexes into Fields) faster than the fields do, with the
  // same results (dataset/RecordValues.h); none where the data set offers none.
  virtual std::unique_ptr<TRecordValues> CreateRecordValues(std::span<const int32_t> /*columns*/) {
    return nullptr;
  }

 protected:
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual int32_t GetRecordSize() = 0;
  virtual char* AllocRecordBuffer();
  virtual void FreeRecordBuffer(char* buffer);
  virtual void InternalInitRecord(char* buffer) = 0;
  virtual TGetResult GetRecord(char* buffer, TGetMode mode) = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalSetToRecord(char* buffer) = 0;
  virtual void InternalGotoBookmark(const char* bookmark) = 0;
  virtual void InternalRefresh() {}
  virtual void GetBookmarkData(const char* buffer, char* bookmark) = 0;
  virtual void SetBookmarkData(char* buffer, const char* bookmark) = 0;
  virtual uint8_t GetBookmarkFlag(const char* buffer) = 0;
  virtual void SetBookmarkFlag(char* buffer, uint8_t flag) = 0;
  virtual void ClearCalcFields(char* /*buffer*/) {}

  // Services for data sets.
  char* ActiveBuffer() const;
  char* CalcBuffer() const { return calcBuffer_; }
  int32_t CalcFieldsSize() const { return calcFieldsSize_; }
  int32_t BookmarkSize() const { return bookmarkSize_; }
  void SetBookmarkSize(int32_t size) { bookmarkSize_ = size; }
  // Fields are created from the definitions unless persistent fields were added before opening.
  bool DefaultFields() const { return defaultFields_; }
  void CreateFields();
  void DestroyFields();
  void BindFields(bool binding);
  // Runs the calculated-field handler into buffer (state dsCalcFields meanwhile).
  void GetCalcFields(char* buffer);
  void DataEvent(TDataEvent event, int32_t info);

 public:
  // Handler that fills calculated fields; none in the viewer's data sets.
  std::function<void(TDataSet&)> OnCalcFields;

 private:
  // GetRecord into the spare buffer; true when a record came.
  bool FetchIntoSpare(TGetMode mode);
  // Refills the window from the record a fetch in mode brings. The held rows stay until it has come,
  // so that a record that cannot be read leaves the window as it was; false when there is none.
  bool RestartWith(TGetMode mode);
  // A fetch of read-ahead: false, like the end, for a record that cannot be read.
  bool FetchAhead(bool (TDataSet::*fetch)());
  bool GetNextRecord();
  bool GetPriorRecord();
  int32_t GetNextRecords();
  int32_t GetPriorRecords();
  void ActivateBuffers();
  void ClearBuffers();
  void SetCurrentRecord(int32_t index);
  void MoveBuffer(int32_t from, int32_t to);
  void SetBufListSize(int32_t size);
  void FreeBuffers();

  TDataSetState state_ = TDataSetState::dsInactive;
  TFieldDefs fieldDefs_;
  TFields fields_;
  bool defaultFields_ = true;
  std::vector<char*> buffers_;
  int32_t bufferCount_ = 1;
  int32_t recordCount_ = 0;
  int32_t activeRecord_ = 0;
  int32_t currentRecord_ = -1;
  bool bof_ = true;
  bool eof_ = true;
  char* calcBuffer_ = nullptr;
  int32_t calcFieldsSize_ = 0;
  int32_t bookmarkSize_ = 0;
  std::vector<std::pair<int32_t, DataEventHandler>> handlers_;
  int32_t nextHandlerToken_ = 1;
};

// Makes a held row active for the scope's life and restores the previous one, also on errors.
class TActiveRowScope {
 public:
  TActiveRowScope(TDataSet& dataSet, int32_t row) : dataSet_(dataSet), saved_(dataSet.ActiveRecord()) {
    dataSet_.SetActiveRecord(row);
  }
  ~TActiveRowScope() { dataSet_.SetActiveRecord(saved_); }
  TActiveRowScope(const TActiveRowScope&) = delete;
  TActiveRowScope& operator=(const TActiveRowScope&) = delete;

 private:
  TDataSet& dataSet_;
  int32_t saved_;
};
