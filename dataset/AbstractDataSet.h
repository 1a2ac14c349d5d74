#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dataset/DataSet.h"
#include "dataset/RecordBuffers.h"

// Read-only data set whose cursor walks the record ids of a record source. A record buffer is a
// 16-byte header (record id, zeros, bookmark flag at byte 12) followed by the field data and the
// calculated-field area; the header is also the bookmark.
class TAbstractDataSet : public TDataSet {
 public:
  static constexpr int32_t HeaderSize = 16;
  static constexpr int32_t BookmarkFlagByte = 12;
  static constexpr int32_t MaxRecordSize = 65535;

  ~TAbstractDataSet() override = default;

  int32_t GetRecordCount() override { return Source()->GetRecordCount(); }
  int32_t GetRecNo() override;
  bool GetFieldData(const TField& field, void* destination) override;

  // The record source, made by CreateRecordBuffers on first use and held until destruction.
  const Ref<IRecordBuffers>& Source();
  TRecordId CurrentRecordId() const { return currentId_; }
  int32_t DataSize() const { return dataSize_; }
  int32_t FieldOffset(int32_t fieldNo) const { return fieldOffsets_[static_cast<size_t>(fieldNo - 1)]; }
  bool AtStart() const { return atStart_; }
  bool AtEnd() const { return atEnd_; }

 protected:
  virtual Ref<IRecordBuffers> CreateRecordBuffers() = 0;

  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return cursorOpen_; }
  // Subclasses fill the field definitions, then call this base part.
  void InternalInitFieldDefs() override;
  // The base's 16-bit record size, of RecordBufferSize.
  int32_t GetRecordSize() override;
  // Bytes a record buffer needs: header, field data and calculated fields. Data sets that keep no
  // field data in their buffers answer less; more than 65,535 cannot be opened.
  virtual int64_t RecordBufferSize() const;
  void InternalInitRecord(char* buffer) override;
  void ClearCalcFields(char* buffer) override;
  TGetResult GetRecord(char* buffer, TGetMode mode) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(char* buffer) override;
  void InternalGotoBookmark(const char* bookmark) override;
  void GetBookmarkData(const char* buffer, char* bookmark) override;
  void SetBookmarkData(char* buffer, const char* bookmark) override;
  uint8_t GetBookmarkFlag(const char* buffer) override;
  void SetBookmarkFlag(char* buffer, uint8_t flag) override;

  // SetRecNo for sources whose record ids are record numbers (TReadOnlyRecordBuffers): numbers outside
  // 1 ... record count are clamped to it.
  void SetRecNoOfNumberedRecords(int32_t recNo);
  // A value into a field's data as GetFieldData hands it: at most data size - 1 bytes, up to the value's
  // first NUL, and zero bytes after it.
  static void CopyValueToFieldData(std::string_view value, const TField& field, void* destination);

  // The record ids of the held rows in their order, and last the cursor's (None where it has none).
  std::vector<TRecordId> HeldRecordIds();
  // Gives the held rows and the cursor other ids for the same records, in the order of HeldRecordIds; nothing
  // is fetched, so that the rows on screen stay as they are.
  void RenameHeldRecords(const std::vector<TRecordId>& ids);
  // The buffer GetFieldData reads by the data set's state; nullptr when there is none.
  char* FieldDataBuffer() const;
  void SetCurrentRecordId(TRecordId id) { currentId_ = id; }
  static TRecordId RecordIdOfBuffer(const char* buffer);

 private:
  bool cursorOpen_ = false;
  Ref<IRecordBuffers> source_;
  int32_t dataSize_ = 0;
  std::vector<int32_t> fieldOffsets_;
  TRecordId currentId_ = TRecordId::None;
  bool atStart_ = true;
  bool atEnd_ = false;
};
