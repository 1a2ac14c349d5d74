#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "layout/ValueBytes.h"
#include "support/Exception.h"

class TDravikFieldList;

// Errors of field descriptions and layouts; messages about one field begin with its name and ": ".
class EDravikException : public Exception {
 public:
  using Exception::Exception;
};

// Start-up step of the field descriptions: sets up the process-wide text of 255 blanks used to pad field
// values. Fields pad with the same blanks without relying on it, so they also work before start-up.
void InitializeFieldDescriptions();
void FinalizeFieldDescriptions();
// The 255 blanks after InitializeFieldDescriptions, the empty text before it and after finalisation.
const std::string& FieldPaddingBlanks();

// A description line split as every field and layout reads it: blanks removed, split at commas; with at
// least two parts, part 1 must be an integer ("Invalid field description: " + line, as given, otherwise).
struct TFieldDescriptionParts {
  std::string name;       // part 0, blanks removed, not yet cut to 32 characters
  int32_t sizeValue = 0;  // part 1; 0 with fewer than two parts
  std::string parameter;  // part 2; empty with fewer than three parts
};
TFieldDescriptionParts ParseFieldDescription(const std::string& line);

// A fixed field: exactly Size characters in the record. Also the base of the other field kinds.
//
// Memo field: its Size characters hold the hexadecimal offset of a zero-terminated text in the owner's memo
// file, and its value is that text.
class TDravikField {
 public:
  static constexpr size_t kMaxNameLength = 32;
  static constexpr int32_t kMaxPadding = 255;  // a shorter value gets at most this many padding blanks

  // Empty: no value buffer, empty name, Size 0, not a memo. owner may be null (then no memo texts).
  explicit TDravikField(TDravikFieldList* owner);
  TDravikField(const TDravikField&) = delete;
  TDravikField& operator=(const TDravikField&) = delete;
  virtual ~TDravikField();

  // Name, ", ", Size and, for a memo field, ", M".
  virtual std::string GetDescription() const;
  // (Re)defines the field from a description line and gives it a fresh buffer holding the empty value.
  virtual void SetDescription(const std::string& line);
  // The value as a zero-terminated text, valid until the field changes or (memo) is read again.
  virtual const char* GetValue();
  // Stores text (up to its first zero byte; null counts as the empty text).
  virtual void SetValue(const char* text);
  // For a memo field the text last given to SetValue (the record's offset digits).
  virtual std::string GetStoredText() const;

  std::string ValueAsString() { return std::string(GetValue()); }
  void SetValueFromString(const std::string& text) { SetValue(text.c_str()); }
  // Frees the value buffer; Name empty, Size 0; IsMemo stays as it is.
  void ClearValue();
  // The memo text the value's hexadecimal offset points to (at most 32,768 bytes, up to a zero byte);
  // empty when the owner has no memo reader. Bad hex digits: EConvertError; offset past the memo file:
  // "EOF-Error".
  std::string ReadMemo();
  void WriteMemo(const char* text);

  const std::string& Name() const { return name_; }
  int32_t Size() const { return size_; }
  bool IsMemo() const { return isMemo_; }
  TDravikFieldList* Owner() const { return owner_; }
  uint8_t RecordType() const { return recordType_; }
  void SetRecordType(uint8_t recordType) { recordType_ = recordType; }
  // Not stored in the record (both virtual kinds).
  bool IsVirtual() const { return isVirtual_; }
  // A TVariableDravikField (or a class derived from it).
  bool IsVariable() const { return isVariable_; }

 protected:
  void SetName(std::string_view name);  // cut after kMaxNameLength characters
  void SetSize(int32_t size) { size_ = size; }
  void SetIsMemo(bool isMemo) { isMemo_ = isMemo; }
  void SetIsVirtual(bool isVirtual) { isVirtual_ = isVirtual; }
  void SetIsVariable(bool isVariable) { isVariable_ = isVariable; }

  // The value buffer: bytes zero-filled, value start valueOffset bytes into it (replaces any buffer).
  void AllocateValueBuffer(size_t bytes, size_t valueOffset);
  // Grows or shrinks the buffer, keeping its leading bytes and the value start.
  void ResizeValueBuffer(size_t bytes);
  // The value start with room for valueBytes and a zero byte after it. Buffers grow as values need, so that
  // a field holds the longest value it was given rather than the longest its size allows. A source that
  // lies inside the buffer is moved along with it.
  char* ValueRoom(size_t valueBytes, const char*& source) {
    if (valueOffset_ + valueBytes >= buffer_.size()) GrowValueBuffer(valueOffset_ + valueBytes + 1, source);
    return valueStart_;
  }
  char* ValueRoom(size_t valueBytes) {
    const char* none = nullptr;
    return ValueRoom(valueBytes, none);
  }
  bool HasValueBuffer() const { return !buffer_.empty(); }
  char* ValueBuffer() { return buffer_.data(); }
  size_t ValueBufferSize() const { return buffer_.size(); }
  char* ValueStart() { return valueStart_; }
  const char* ValueStart() const { return valueStart_; }

  // Stores the fixed-width value: the first Size characters of text followed by at most kMaxPadding blanks.
  void StoreFixedValue(const char* text);
  // Decides whether the layout may store record bytes directly (see directFixedSize_); the base classes
  // call it at the end of SetDescription.
  void UpdateDirectRead();

  // The layout stores record bytes straight from its reader's window into fields of the base classes.
  friend class TDravikFieldList;

 private:
  // The value of a direct fixed field from exactly Size bytes at data (no zero byte needed after them).
  void StoreDirectFixed(const char* data);
  void GrowValueBuffer(size_t bytes, const char*& source);

  // Fields of exactly the base classes take record bytes straight from the reader's window (fields of
  // derived classes go through SetValue, which they may replace). Kept by SetDescription and ClearValue:
  // directFixedSize_ is Size for a non-memo TDravikField with a buffer, else 0; directVariable_ marks a
  // TVariableDravikField with a buffer.
  int32_t directFixedSize_ = 0;
  bool directVariable_ = false;
  std::string name_;
  int32_t size_ = 0;
  bool isMemo_ = false;
  bool isVirtual_ = false;
  bool isVariable_ = false;
  uint8_t recordType_ = 0;
  TDravikFieldList* owner_;
  std::vector<char> buffer_;  // empty: no buffer
  size_t valueOffset_ = 0;
  char* valueStart_ = nullptr;  // buffer_.data() + valueOffset_, kept for the reading loop
  std::string storedText_;
  std::string memoText_;
};

// A decimal length indicator of d digits (Size = -d, d = 1 ... 5), then that many characters; or, with
// BinaryLengthIndicator, one byte holding the length.
class TVariableDravikField : public TDravikField {
 public:
  explicit TVariableDravikField(TDravikFieldList* owner);

  // Size must be -1 ... -5, else "Invalid dynamic field size " + Size.
  void SetDescription(const std::string& line) override;
  // "BinaryLengthIndicator not supported" when the length is stored as one binary byte.
  const char* GetValue() override;
  // A value of MaxLength characters or more is stored as "<INVAL>".
  void SetValue(const char* text) override;

  bool BinaryLengthIndicator() const { return binaryLengthIndicator_; }
  void SetBinaryLengthIndicator(bool value) { binaryLengthIndicator_ = value; }
  // 10 to the power d, at most 65,000; values must be shorter.
  int32_t MaxLength() const { return maxLength_; }

  // Buffer layout: the d indicator digits, then the value and its zero byte.
  std::string_view LengthIndicator() const;

 protected:
  void SetMaxLength(int32_t maxLength) { maxLength_ = maxLength; }
  // As SetValue on the n bytes at data followed by a zero byte, without needing that zero byte.
  void StoreBytes(const char* data, size_t n);

  friend class TDravikFieldList;

 private:
  bool binaryLengthIndicator_ = false;
  int32_t maxLength_ = 0;
};

// Not stored in the record; holds whatever was last set. Size value v in the line gives Size = v - 32768.
class TVirtualDravikField : public TDravikField {
 public:
  explicit TVirtualDravikField(TDravikFieldList* owner);
  void SetDescription(const std::string& line) override;
};

// Not stored in the record; keeps a length indicator like a variable field. Size value v in the line gives
// Size = v + 32768.
class TVirtualVariableDravikField : public TVariableDravikField {
 public:
  explicit TVirtualVariableDravikField(TDravikFieldList* owner);
  void SetDescription(const std::string& line) override;
};

inline void TDravikField::StoreDirectFixed(const char* data) {
  const auto size = static_cast<size_t>(directFixedSize_);
  char* value = ValueRoom(size);
  const size_t length = CopyUntilZero(value, data, size);
  if (length == size) {
    value[size] = '\0';
  } else {
    StoreFixedValue(data);  // a zero byte inside the value: rare, and padded as always
  }
}

inline void TVariableDravikField::StoreBytes(const char* data, size_t n) {
  if (!HasValueBuffer()) return;
  // Values hold MaxLength - 1 characters and the zero byte; only a longer text needs the check.
  const auto room = static_cast<size_t>(maxLength_ - 1);
  char* value = ValueRoom(n < room ? n : room);
  size_t length = CopyUntilZero(value, data, n < room ? n : room);
  if (length == room && n > room && data[room] != '\0') {
    value = ValueRoom(7);
    std::memcpy(value, "<INVAL>", 7);
    length = 7;
  }
  value[length] = '\0';
  char* indicator = ValueBuffer();
  for (size_t i = static_cast<size_t>(-Size()); i-- > 0;) {
    indicator[i] = static_cast<char>('0' + length % 10);
    length /= 10;
  }
}
