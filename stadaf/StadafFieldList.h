#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "layout/DravikFieldList.h"
#include "stadaf/StadafException.h"
#include "stadaf/Transformer.h"

// The record layout of a STADAF file, read from the file's own header area: a fixed part of 93 bytes, the
// record count, then a descriptive part that depends on the version (field descriptions, constants, a
// text block), ended by CR LF. Records follow directly; each is its fields' values and one CR.
//
// A new list holds the header a new file would start with; LoadLayout replaces it by the file's. The
// versions' classes are TStadaf110FieldList (1.00, 1.10), TStadaf200FieldList and TStadaf210FieldList.
class TStadafFieldList : public TDravikFieldList {
 public:
  static constexpr int32_t kFixedPartSize = 93;
  static constexpr size_t kSenderNameAt = 22;
  static constexpr size_t kSenderNameSize = 20;
  static constexpr size_t kSenderCodeAt = 42;
  static constexpr size_t kSenderCodeSize = 5;
  static constexpr size_t kConverterLabelAt = 47;
  static constexpr size_t kConverterLabelSize = 20;

  ~TStadafFieldList() override;

  // Reads the header area (ReadHeader); fileName (the data file's ".ini" name) is not used, the layout
  // comes from the file itself.
  void LoadLayout(const std::string& fileName) override;
  // 0: records have no fixed length.
  int32_t GetRecordLength() override { return 0; }
  // A structured field reads its structure; every other field as the base reads it.
  bool ReadField(TDravikField& field) override;
  // Also empties the Transformer.
  void ClearFields() override;
  // A line the base makes no field of (size 0 and the like) becomes a structured field.
  TDravikField* AddField(const std::string& line) override;
  // The sender name: the header's 20 bytes at offset 22 up to the first zero byte.
  std::string GetIdentificationText() override;

  // A field description entry: type byte ("F", "D", "S"), size (5 digits), name (30 bytes, blanks
  // removed), then CR as its last byte (37 bytes; 39 in version 2.10, with a 2-byte reference code).
  virtual TDravikField* AddFieldFromEntry(std::string_view entry);
  // Stores text in the record count field, with leading zeros to its width (cut to it when longer).
  virtual void SetRecordCountText(const std::string& text);
  // Reads the header area from the data reader, builds the fields and moves Position to DataStart.
  virtual void ReadHeader() = 0;

  // Moves Position past the record at Position with the checks and errors of ReadRecord, without storing
  // field values or running the record hooks. Returns the key the record-type index lists the record
  // under: 1 in version 1.10, else the record's type (0: see TStadaf210FieldList).
  virtual uint8_t SkipRecord() = 0;
  // SkipRecord up to max times, as many times as it is called: each record's offset and key into offsets and
  // keys; returns how many were skipped (max unless an error ends the skipping, which raises it). A version
  // may pass the records wholly inside the reader's window without a call each.
  virtual int32_t SkipRecords(int64_t* offsets, uint8_t* keys, int32_t max);

  TTransformer& Transformer() { return *transformer_; }
  const TTransformer& Transformer() const { return *transformer_; }
  // The fixed part and the record count field, as read (or as built for a new file).
  const std::string& HeaderBytes() const { return header_; }
  std::string_view FixedPart() const { return std::string_view(header_).substr(0, kFixedPartSize); }
  std::string_view RecordCountText() const { return std::string_view(header_).substr(kFixedPartSize); }
  int32_t CountWidth() const { return countWidth_; }
  // The lines of the header's text block.
  const std::vector<std::string>& HeaderLines() const { return headerLines_; }
  // Version 1.10's separator character; 124 (vertical bar) in a new list.
  uint8_t SeparatorChar() const { return separatorChar_; }
  // Offset of the first record, right after the header area; 0 before the header was read.
  int32_t DataStart() const { return dataStart_; }

 protected:
  // version: "1.10", "2.00" or "2.10". The new-file header takes its sender name and code from the
  // configuration store's "Converter" section; version 1.10 pads a configured sender code with zero bytes,
  // the others with blanks.
  TStadafFieldList(std::string_view versionText, int32_t countWidth, bool zeroPadSenderCode);

  // The entry as AddFieldFromEntry reads it, with its CR at position size - 1.
  TDravikField* AddFieldFromEntryOfSize(std::string_view entry, size_t size);
  // The data reader to read the header from; with requireReader, a list whose data file is not open raises
  // "No FileReader initalized".
  TFileReader& HeaderReader(bool requireReader);
  // Reads the fixed part and the record count field from offset 0.
  void ReadFixedPart(TFileReader& reader);
  // Reads the text block (5-digit length, then the text) and the closing CR LF; sets DataStart and
  // Position right after it.
  void ReadHeaderEnd(TFileReader& reader);
  void SetSeparatorChar(uint8_t c) { separatorChar_ = c; }

  // Field changes make the skip plans stale; a version rebuilds them from the fields on its next skip.
  bool SkipPlansStale() const { return skipPlansStale_; }
  void SetSkipPlansBuilt() { skipPlansStale_ = false; }
  // Seeks the record's start (EOF-Error as ReadRecord), runs plan and reads the one-byte separator (which
  // must be CR when crRequired); field errors become "Error at offset <start>". Position then follows it.
  void SkipRecordAt(int64_t start, const class TRecordSkipPlan& plan, bool crRequired);

 private:
  std::unique_ptr<TTransformer> transformer_;
  std::string header_;
  int32_t countWidth_;
  std::vector<std::string> headerLines_;
  uint8_t separatorChar_ = 124;
  int32_t dataStart_ = 0;
  bool skipPlansStale_ = true;
};
