#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class TCTreeTable;

// A date-time value in a variant: days since 30 December 1899, the time of day as the fraction.
struct TCtreeDateTime {
  double Value = 0;
  bool operator==(const TCtreeDateTime&) const = default;
};
// A field value of any kind; std::monostate is the null variant.
using TCtreeVariant = std::variant<std::monostate, bool, int32_t, double, TCtreeDateTime, std::string>;

// Internal type codes of the field classes.
enum : uint8_t {
  dtBoolean = 1,
  dtChar = 2,
  dtSmallInt = 3,
  dtInteger = 4,
  dtDate = 5,
  dtFloat = 6,
  dtDateTime = 7,
  dtString = 8,
  dtMemo = 9,
  dtGraphic = 10,
  dtAutoCounter = 11,
};

// One typed field of an ISAM table. A fixed field reads and writes its bytes in the table's record
// buffer (Data); a memo or picture field keeps the variable-length part in a buffer of its own. Code
// outside the field classes goes through the public accessors, which run the table's read hook or
// write check before the conversion.
class TCtreeField {
 public:
  virtual ~TCtreeField() = default;
  TCtreeField(const TCtreeField&) = delete;
  TCtreeField& operator=(const TCtreeField&) = delete;

  // Sets DataType, Size, IsVariable and NullValue; run once by CreateField.
  virtual void Initialize();

  uint8_t DataType() const { return dataType_; }
  const std::string& Name() const { return name_; }
  uint16_t Size() const { return size_; }
  uint8_t* Data() const { return data_; }
  bool IsVariable() const { return isVariable_; }
  TCTreeTable* Table() const { return table_; }
  int16_t Offset() const { return offset_; }
  const uint8_t* NullValue() const { return nullValue_; }
  void SetData(uint8_t* data) { data_ = data; }
  void SetOffset(int16_t offset) { offset_ = offset; }
  // Whether the stored bytes are the null pattern (text, memo and picture fields: the empty value).
  virtual bool IsNull() const;

  bool AsBoolean();
  void SetAsBoolean(bool value);
  char AsChar();
  void SetAsChar(char value);
  int32_t AsInteger();
  void SetAsInteger(int32_t value);
  double AsDate();
  void SetAsDate(double value);
  double AsFloat();
  void SetAsFloat(double value);
  double AsDateTime();
  void SetAsDateTime(double value);
  std::string AsString();
  void SetAsString(std::string_view value);
  // The variable-part bytes (loading the current record's variable part first); nil when none.
  const char* BlobData();
  void SetBlobData(const char* data);
  TCtreeVariant AsVariant();
  void SetAsVariant(const TCtreeVariant& value);

  // Copies the value of another field (by text, or the variable part between memo and picture fields).
  virtual void Assign(TCtreeField& source);
  // From a text list: the lines joined with line breaks become a memo's text.
  virtual void AssignLines(const std::vector<std::string>& lines);
  // To a text list (memo fields only).
  virtual void AssignTo(std::vector<std::string>& lines);

  virtual uint16_t GetDataSize() const { return size_; }
  virtual int16_t GetSegmentType() const;
  virtual uint16_t GetInternalFieldType() const;

 protected:
  TCtreeField(TCTreeTable* table, uint16_t size, std::string name);

  virtual TCtreeVariant GetAsVariant();
  virtual void SetAsVariantValue(const TCtreeVariant& value);
  virtual bool GetAsBoolean();
  virtual void SetAsBooleanValue(bool value);
  virtual char GetAsChar();
  virtual void SetAsCharValue(char value);
  virtual int32_t GetAsInteger();
  virtual void SetAsIntegerValue(int32_t value);
  virtual double GetAsDate();
  virtual void SetAsDateValue(double value);
  virtual double GetAsFloat();
  virtual void SetAsFloatValue(double value);
  virtual double GetAsDateTime();
  virtual void SetAsDateTimeValue(double value);
  virtual std::string GetAsString();
  virtual void SetAsStringValue(std::string_view value);
  virtual const char* GetBlobData();
  virtual void SetBlobDataValue(const char* data);

  [[noreturn]] static void RaiseConvertError();
  [[noreturn]] void RaiseAssignError(const char* target) const;
  void CheckWritable() const;
  void BeforeRead();
  bool StoredIsNull() const;
  void StoreNull();

  uint8_t dataType_ = 0;
  std::string name_;
  uint16_t size_ = 0;
  uint8_t* data_ = nullptr;
  bool isVariable_ = false;
  TCTreeTable* table_ = nullptr;
  int16_t offset_ = 0;
  const uint8_t* nullValue_ = nullptr;

  template <class T>
  friend std::unique_ptr<TCtreeField> CreateField(TCTreeTable* table, uint16_t size, const std::string& name);
};

// A field class, as the table creates fields from it.
using TCtreeFieldClass = std::unique_ptr<TCtreeField> (*)(TCTreeTable* table, uint16_t size,
                                                          const std::string& name);

template <class T>
std::unique_ptr<TCtreeField> CreateField(TCTreeTable* table, uint16_t size, const std::string& name) {
  std::unique_ptr<TCtreeField> field(new T(table, size, name));
  field->Initialize();
  return field;
}

class TCTreeBooleanField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 0; }
  uint16_t GetInternalFieldType() const override { return 8; }

 protected:
  bool GetAsBoolean() override;
  void SetAsBooleanValue(bool value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeCharField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 2; }
  uint16_t GetInternalFieldType() const override { return 16; }

 protected:
  char GetAsChar() override;
  void SetAsCharValue(char value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeSmallIntField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 8; }
  uint16_t GetInternalFieldType() const override { return 33; }

 protected:
  int32_t GetAsInteger() override;
  void SetAsIntegerValue(int32_t value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeIntegerField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 8; }
  uint16_t GetInternalFieldType() const override { return 51; }

 protected:
  int32_t Raw() const;
  void StoreRaw(int32_t value);
  int32_t GetAsInteger() override;
  void SetAsIntegerValue(int32_t value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeAutoCounterField : public TCTreeIntegerField {
 public:
  using TCTreeIntegerField::TCTreeIntegerField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 3; }
  uint16_t GetInternalFieldType() const override { return 128; }

 protected:
  int32_t GetAsInteger() override;
  std::string GetAsString() override;
};

class TCTreeDateField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 1; }
  uint16_t GetInternalFieldType() const override { return 75; }

 protected:
  double GetAsDate() override;
  void SetAsDateValue(double value) override;
  double GetAsFloat() override;
  void SetAsFloatValue(double value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeFloatField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 9; }
  uint16_t GetInternalFieldType() const override { return 103; }

 protected:
  double GetAsFloat() override;
  void SetAsFloatValue(double value) override;
  int32_t GetAsInteger() override;
  void SetAsIntegerValue(int32_t value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeDateTimeField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  int16_t GetSegmentType() const override { return 9; }
  uint16_t GetInternalFieldType() const override { return 124; }

 protected:
  double GetAsDateTime() override;
  void SetAsDateTimeValue(double value) override;
  double GetAsFloat() override;
  void SetAsFloatValue(double value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

class TCTreeStringField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  bool IsNull() const override;
  uint16_t GetDataSize() const override { return static_cast<uint16_t>(size_ + 1); }
  int16_t GetSegmentType() const override { return 2; }
  uint16_t GetInternalFieldType() const override { return 144; }

 protected:
  int32_t GetAsInteger() override;
  void SetAsIntegerValue(int32_t value) override;
  std::string GetAsString() override;
  void SetAsStringValue(std::string_view value) override;
};

// The text of a memo lives in the record's variable part: the text and one NUL.
class TCTreeMemoField : public TCtreeField {
 public:
  using TCtreeField::TCtreeField;
  void Initialize() override;
  bool IsNull() const override;
  void Assign(TCtreeField& source) override;
  void AssignLines(const std::vector<std::string>& lines) override;
  void AssignTo(std::vector<std::string>& lines) override;
  uint16_t GetDataSize() const override;
  int16_t GetSegmentType() const override { return 4; }
  uint16_t GetInternalFieldType() const override { return 146; }

  // The stored variable-part bytes, as they are written into the whole record.
  const std::vector<char>& Blob() const { return blob_; }
  // Takes the field's bytes from a whole record read from the engine; returns how many it used.
  virtual size_t TakeVariableBytes(const char* data, size_t available);
  // The empty value of the class, as a cleared record holds it.
  virtual void Clear();

 protected:
  std::string GetAsString() override;
  const char* GetBlobData() override;
  void SetBlobDataValue(const char* data) override;
  TCtreeVariant GetAsVariant() override;
  virtual void StoreBlobValue(const char* data);

  std::vector<char> blob_{'A', '\0'};
};

class TCTreeGraphicField;

// A picture field's bytes as a stream: every write replaces the stored picture.
class TCTreeGraphicStream {
 public:
  explicit TCTreeGraphicStream(TCTreeGraphicField* field) : field_(field) {}
  size_t Write(const void* data, size_t count);
  size_t Read(void* data, size_t count);
  const std::vector<uint8_t>& Memory() const { return buffer_; }
  size_t Size() const { return buffer_.size(); }
  size_t Position() const { return position_; }
  void SetPosition(size_t position) { position_ = std::min(position, buffer_.size()); }

 private:
  friend class TCTreeGraphicField;
  TCTreeGraphicField* field_;
  std::vector<uint8_t> buffer_;
  size_t position_ = 0;
};

// A picture: a 32-bit count C, C - 1 data bytes and one zero byte.
class TCTreeGraphicField : public TCTreeMemoField {
 public:
  TCTreeGraphicField(TCTreeTable* table, uint16_t size, std::string name);
  void Initialize() override;
  bool IsNull() const override;
  void Assign(TCtreeField& source) override;
  int16_t GetSegmentType() const override { return 4; }
  uint16_t GetInternalFieldType() const override { return 170; }
  size_t TakeVariableBytes(const char* data, size_t available) override;
  void Clear() override;

  TCTreeGraphicStream& GetGraphicStream();
  void StoreGraphic(const void* data, size_t count);

 protected:
  std::string GetAsString() override;
  TCtreeVariant GetAsVariant() override;
  void StoreBlobValue(const char* data) override;

 private:
  TCTreeGraphicStream stream_;
};

// The field classes, for a table to create fields from.
inline constexpr TCtreeFieldClass kBooleanField = &CreateField<TCTreeBooleanField>;
inline constexpr TCtreeFieldClass kCharField = &CreateField<TCTreeCharField>;
inline constexpr TCtreeFieldClass kSmallIntField = &CreateField<TCTreeSmallIntField>;
inline constexpr TCtreeFieldClass kIntegerField = &CreateField<TCTreeIntegerField>;
inline constexpr TCtreeFieldClass kAutoCounterField = &CreateField<TCTreeAutoCounterField>;
inline constexpr TCtreeFieldClass kDateField = &CreateField<TCTreeDateField>;
inline constexpr TCtreeFieldClass kFloatField = &CreateField<TCTreeFloatField>;
inline constexpr TCtreeFieldClass kDateTimeField = &CreateField<TCTreeDateTimeField>;
inline constexpr TCtreeFieldClass kStringField = &CreateField<TCTreeStringField>;
inline constexpr TCtreeFieldClass kMemoField = &CreateField<TCTreeMemoField>;
inline constexpr TCtreeFieldClass kGraphicField = &CreateField<TCTreeGraphicField>;
