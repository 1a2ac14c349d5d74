#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "layout/DravikField.h"
#include "layout/FileReader.h"
#include "support/Text.h"

// A record layout: the ordered field descriptions of one data file, loaded from a layout file, together
// with the readers of that data file and of its memo file (same name, extension ".rfm"). ReadRecord reads
// the record at Position into the fields and moves Position to the next record.
//
// Layout file sections: "Converter" (KEY=value settings) and "FIELDDESCRIPTIONS" (one description line per
// field, in record order).
class TDravikFieldList {
 public:
  // Replaces FetchRecord: called before a record is read; a non-zero length skips the reading and moves
  // Position by that amount.
  using TFetchRecordEvent = std::function<void(TDravikFieldList& list, int64_t offset, int32_t& length)>;
  // Replaces RecordRead: called after a record of length bytes was read at offset.
  using TRecordReadEvent = std::function<void(TDravikFieldList& list, int64_t offset, int32_t length)>;

  TDravikFieldList();
  TDravikFieldList(const TDravikFieldList&) = delete;
  TDravikFieldList& operator=(const TDravikFieldList&) = delete;
  virtual ~TDravikFieldList();

  // Replaces the fields by those of the layout file; a missing file changes nothing.
  virtual void LoadLayout(const std::string& fileName);
  // Data file size / RecordLength, rounded half to even. Record length 0 or a data file that is not open
  // raise EDravikException.
  virtual int32_t GetRecordCount();
  virtual int32_t GetRecordLength();
  virtual void SetPosition(int64_t offset);
  // ReadField for every field, then as many bytes as RecordSeparator has into separator (not compared).
  virtual void ReadFields(std::string& separator);
  // Reads one field from the data reader into its value; false for a virtual field, which is not stored.
  virtual bool ReadField(TDravikField& field);
  // Recreates both readers and opens those whose files exist; Position = 0.
  virtual void SetDataFileName(const std::string& fileName);
  // Frees every field.
  virtual void ClearFields();
  virtual void RecordRead(TDravikFieldList& list, int64_t offset, int32_t length);
  virtual void FetchRecord(TDravikFieldList& list, int64_t offset, int32_t& length);
  // Creates the field a description line describes, registers and returns it; null when the size value
  // describes no field (0, 32768, or outside -65536 ... 65535).
  virtual TDravikField* AddField(const std::string& line);
  virtual std::string GetIdentificationText();

  // Reads the record at Position. Errors while its fields are read become Exception "Error at offset <n>"
  // with the record's start; Position then stays where it was.
  void ReadRecord();
  int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
  // "Invalid Fieldnumber" outside 0 ... FieldCount - 1.
  TDravikField& FieldByIndex(int32_t index) const {
    if (static_cast<uint32_t>(index) >= fields_.size()) ThrowInvalidFieldNumber();
    return *fields_[static_cast<size_t>(index)];
  }
  // Letter case ignored; DefaultField (empty name, 255 blanks) for an unknown name.
  TDravikField& FieldByName(std::string_view name) const;
  // Appends the field and indexes it by name; an equal name raises EStringListError "String list does not
  // allow duplicates" and the field is discarded.
  TDravikField& RegisterField(std::unique_ptr<TDravikField> field);

  TDravikField& DefaultField() const { return *defaultField_; }
  const std::string& LayoutFileName() const { return layoutFileName_; }
  const std::string& DataFileName() const { return dataFileName_; }
  // The memo file looked for beside the data file (whether or not it exists).
  const std::string& MemoFileName() const { return memoFileName_; }
  int32_t RecordLength() const { return recordLength_; }
  const std::string& RecordSeparator() const { return recordSeparator_; }
  void SetRecordSeparator(std::string separator) { recordSeparator_ = std::move(separator); }
  int64_t Position() const { return position_; }
  // Null until SetDataFileName; present but not open when the file does not exist.
  TFileReader* DataReader() const { return dataReader_.get(); }
  TFileReader* MemoReader() const { return memoReader_.get(); }

  // Converter settings.
  bool Automator() const { return automator_; }
  bool AnalyzeRouting() const { return analyzeRouting_; }
  int32_t StartNumber() const { return startNumber_; }
  int32_t Basis() const { return basis_; }
  // Copied into every variable field created afterwards.
  bool BinaryLengthIndicator() const { return binaryLengthIndicator_; }
  void SetBinaryLengthIndicator(bool value) { binaryLengthIndicator_ = value; }

  TFetchRecordEvent OnFetchRecord;
  TRecordReadEvent OnRecordRead;

 protected:
  void SetRecordLength(int32_t recordLength) { recordLength_ = recordLength; }
  void SetLayoutFileName(std::string fileName) { layoutFileName_ = std::move(fileName); }
  const std::vector<std::unique_ptr<TDravikField>>& Fields() const { return fields_; }
  // The data reader for reading a record's bytes; a list without one reads as an empty file ("EOF-Error").
  TFileReader& RecordReader() { return dataReader_ ? *dataReader_ : EmptyReader(); }

  // What ReadField of this class does, inline for the common case: a derived layout that replaces
  // ReadField calls this for the fields it leaves to the base. Fields of exactly the base classes take
  // their bytes straight from the reader's window; fields of derived classes get SetValue, which they may
  // replace.
  bool BaseReadField(TDravikField& field) {
    if (const int32_t n = field.directFixedSize_) {
      field.StoreDirectFixed(RecordReader().ReadBytes(n).data());
      return true;
    }
    return ReadOtherField(field);
  }

 private:
  // Field names compare as CompareText does: ASCII letters without regard to case.
  struct TNameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept;
  };
  struct TNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
  };

  [[noreturn]] static void ThrowInvalidFieldNumber();
  void LoadLayoutLines(const std::string& fileName);
  void ApplyConverterLine(const std::string& line);
  bool ReadOtherField(TDravikField& field);
  TFileReader& EmptyReader();

  std::vector<std::unique_ptr<TDravikField>> fields_;
  // A hash, so that layouts of many thousands of fields load in time linear in their lines.
  std::unordered_map<std::string, TDravikField*, TNameHash, TNameEqual> nameIndex_;
  std::unique_ptr<TDravikField> defaultField_;
  std::string layoutFileName_;
  std::string dataFileName_;
  std::string memoFileName_;
  bool automator_ = false;
  bool analyzeRouting_ = false;
  int32_t startNumber_ = 0;
  int32_t basis_ = 10;
  bool binaryLengthIndicator_ = false;
  int32_t recordLength_ = 0;
  std::string recordSeparator_ = "\r\n";
  int64_t position_ = 0;
  std::unique_ptr<TFileReader> dataReader_;
  std::unique_ptr<TFileReader> memoReader_;
  std::unique_ptr<TFileReader> emptyReader_;  // stands in for a missing data reader
  std::string separator_;                     // reused by ReadRecord
};
