#include "isam/CtreeFields.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "isam/CtreeExceptions.h"
#include "isam/CtreeTable.h"
#include "support/Convert.h"
#include "support/DateTimeText.h"
#include "support/Text.h"

static_assert(std::endian::native == std::endian::little, "stored forms are little-endian");

namespace {

// Null patterns of the fixed field classes, shared by every field of every table.
constexpr uint8_t kBooleanNull[1] = {0xFF};
constexpr uint8_t kCharNull[1] = {0x00};
constexpr uint8_t kSmallIntNull[2] = {0x00, 0x80};
constexpr uint8_t kIntegerNull[4] = {0x00, 0x00, 0x00, 0x80};
constexpr uint8_t kDateNull[4] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr uint8_t kDoubleNull[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

template <class T>
T Load(const uint8_t* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

template <class T>
void Store(uint8_t* data, T value) {
  std::memcpy(data, &value, sizeof value);
}

[[noreturn]] void RaiseInvalidInteger(std::string_view text) {
  throw ECTreeException("Invalid integer value: " + std::string(text));
}

// The integer of a field's text; the empty text is the null value.
std::optional<int32_t> IntegerOfText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const auto value = TryStrToInt(text);
  if (!value) RaiseInvalidInteger(text);
  return value;
}

int32_t TruncatedDay(double value) {
  const double day = std::trunc(value);
  if (!(day >= INT32_MIN && day <= INT32_MAX)) throw ECTreeConvertException("Convert error");
  return static_cast<int32_t>(day);
}

}  // namespace

// ---- TCtreeField ------------------------------------------------------------------------------

TCtreeField::TCtreeField(TCTreeTable* table, uint16_t size, std::string name)
    : name_(std::move(name)), size_(size), table_(table) {}

void TCtreeField::Initialize() {
  throw ECTreeException("TCTreeField.Initialize not overridden");
}

int16_t TCtreeField::GetSegmentType() const {
  throw ECTreeException("GetSegmentType not overridden");
}

uint16_t TCtreeField::GetInternalFieldType() const {
  throw ECTreeException("GetInternalFieldType not overidden");
}

void TCtreeField::RaiseConvertError() {
  throw ECTreeConvertException("Convert error");
}

void TCtreeField::RaiseAssignError(const char* target) const {
  throw Exception("Cannot assign a " + name_ + " field to a " + target);
}

void TCtreeField::CheckWritable() const {
  if (table_) table_->CheckWritable();
}

void TCtreeField::BeforeRead() {
  if (table_) table_->BeforeFieldRead(*this);
}

bool TCtreeField::StoredIsNull() const {
  return data_ && nullValue_ && std::memcmp(data_, nullValue_, GetDataSize()) == 0;
}

void TCtreeField::StoreNull() {
  std::memcpy(data_, nullValue_, GetDataSize());
}

bool TCtreeField::IsNull() const {
  return StoredIsNull();
}

// Public accessors: the read hook or the write check, then the class's conversion.
bool TCtreeField::AsBoolean() {
  BeforeRead();
  return GetAsBoolean();
}
void TCtreeField::SetAsBoolean(bool value) {
  CheckWritable();
  SetAsBooleanValue(value);
}
char TCtreeField::AsChar() {
  BeforeRead();
  return GetAsChar();
}
void TCtreeField::SetAsChar(char value) {
  CheckWritable();
  SetAsCharValue(value);
}
int32_t TCtreeField::AsInteger() {
  BeforeRead();
  return GetAsInteger();
}
void TCtreeField::SetAsInteger(int32_t value) {
  CheckWritable();
  SetAsIntegerValue(value);
}
double TCtreeField::AsDate() {
  BeforeRead();
  return GetAsDate();
}
void TCtreeField::SetAsDate(double value) {
  CheckWritable();
  SetAsDateValue(value);
}
double TCtreeField::AsFloat() {
  BeforeRead();
  return GetAsFloat();
}
void TCtreeField::SetAsFloat(double value) {
  CheckWritable();
  SetAsFloatValue(value);
}
double TCtreeField::AsDateTime() {
  BeforeRead();
  return GetAsDateTime();
}
void TCtreeField::SetAsDateTime(double value) {
  CheckWritable();
  SetAsDateTimeValue(value);
}
std::string TCtreeField::AsString() {
  BeforeRead();
  return GetAsString();
}
void TCtreeField::SetAsString(std::string_view value) {
  CheckWritable();
  SetAsStringValue(value);
}
const char* TCtreeField::BlobData() {
  BeforeRead();
  return GetBlobData();
}
void TCtreeField::SetBlobData(const char* data) {
  CheckWritable();
  SetBlobDataValue(data);
}
TCtreeVariant TCtreeField::AsVariant() {
  BeforeRead();
  return GetAsVariant();
}
void TCtreeField::SetAsVariant(const TCtreeVariant& value) {
  CheckWritable();
  SetAsVariantValue(value);
}

// Unsupported conversions of the base class.
bool TCtreeField::GetAsBoolean() {
  RaiseConvertError();
}
void TCtreeField::SetAsBooleanValue(bool) {
  RaiseConvertError();
}
char TCtreeField::GetAsChar() {
  RaiseConvertError();
}
void TCtreeField::SetAsCharValue(char) {
  RaiseConvertError();
}
int32_t TCtreeField::GetAsInteger() {
  RaiseConvertError();
}
void TCtreeField::SetAsIntegerValue(int32_t) {
  RaiseConvertError();
}
void TCtreeField::SetAsDateValue(double) {
  RaiseConvertError();
}
double TCtreeField::GetAsFloat() {
  RaiseConvertError();
}
void TCtreeField::SetAsFloatValue(double) {
  RaiseConvertError();
}
void TCtreeField::SetAsDateTimeValue(double) {
  RaiseConvertError();
}
std::string TCtreeField::GetAsString() {
  RaiseConvertError();
}
void TCtreeField::SetAsStringValue(std::string_view) {
  RaiseConvertError();
}
const char* TCtreeField::GetBlobData() {
  RaiseConvertError();
}
void TCtreeField::SetBlobDataValue(const char*) {
  RaiseConvertError();
}

// The base class reads dates through the field's text.
double TCtreeField::GetAsDate() {
  const std::string text = AsString();
  if (text.empty()) return 0;
  try {
    return TextToDate(text);
  } catch (const EConvertError&) {
    RaiseConvertError();
  }
}
double TCtreeField::GetAsDateTime() {
  return GetAsDate();
}

TCtreeVariant TCtreeField::GetAsVariant() {
  switch (dataType_) {
    case dtBoolean:
      return GetAsBoolean();
    case dtChar:
      return GetAsString();
    case dtSmallInt:
    case dtInteger:
    case dtAutoCounter:
      return GetAsInteger();
    case dtDate:
      return TCtreeDateTime{GetAsDate()};
    case dtDateTime:
      return TCtreeDateTime{GetAsDateTime()};
    case dtFloat:
      return GetAsFloat();
    case dtString:
      return GetAsString();
    default:
      return std::monostate{};
  }
}

namespace {

std::string VariantText(const TCtreeVariant& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "TRUE" : "FALSE";
  if (const auto* i = std::get_if<int32_t>(&value)) return std::to_string(*i);
  if (const auto* f = std::get_if<double>(&value)) return FloatToText(*f);
  if (const auto* d = std::get_if<TCtreeDateTime>(&value)) return DateTimeToText(d->Value);
  return {};
}

double VariantNumber(const TCtreeVariant& value) {
  if (const auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
  if (const auto* i = std::get_if<int32_t>(&value)) return *i;
  if (const auto* f = std::get_if<double>(&value)) return *f;
  if (const auto* d = std::get_if<TCtreeDateTime>(&value)) return d->Value;
  return TextToFloat(std::get<std::string>(value));
}

}  // namespace

void TCtreeField::SetAsVariantValue(const TCtreeVariant& value) {
  if (std::holds_alternative<std::monostate>(value)) {
    SetBlobDataValue(nullptr);
    return;
  }
  switch (dataType_) {
    case dtBoolean:
      if (const auto* b = std::get_if<bool>(&value))
        SetAsBooleanValue(*b);
      else
        SetAsBooleanValue(VariantNumber(value) != 0);
      break;
    case dtChar: {
      const std::string text = VariantText(value);
      SetAsCharValue(text.empty() ? '\0' : text[0]);
      break;
    }
    case dtSmallInt:
    case dtInteger:
    case dtAutoCounter:
      if (const auto* i = std::get_if<int32_t>(&value))
        SetAsIntegerValue(*i);
      else
        SetAsIntegerValue(static_cast<int32_t>(std::trunc(VariantNumber(value))));
      break;
    case dtDate:
      SetAsDateValue(VariantNumber(value));
      break;
    case dtFloat:
      SetAsFloatValue(VariantNumber(value));
      break;
    case dtDateTime:
      SetAsDateTimeValue(VariantNumber(value));
      break;
    case dtString:
      SetAsStringValue(VariantText(value));
      break;
    case dtMemo: {
      const std::string text = VariantText(value);
      SetBlobDataValue(text.empty() ? nullptr : text.c_str());
      break;
    }
    default:
      break;
  }
}

void TCtreeField::Assign(TCtreeField& source) {
  if (source.DataType() == dtMemo) {
    // A memo source assigns itself: only memo targets and text lists take it.
    RaiseAssignError(source.Name().c_str());
  }
  SetAsString(source.AsString());
}

void TCtreeField::AssignLines(const std::vector<std::string>&) {
  RaiseAssignError("text list");
}

void TCtreeField::AssignTo(std::vector<std::string>&) {
  RaiseAssignError("text list");
}

// ---- Boolean -----------------------------------------------------------------------------------

void TCTreeBooleanField::Initialize() {
  dataType_ = dtBoolean;
  size_ = 1;
  nullValue_ = kBooleanNull;
}
bool TCTreeBooleanField::GetAsBoolean() {
  return data_[0] == 1;
}
void TCTreeBooleanField::SetAsBooleanValue(bool value) {
  data_[0] = value ? 1 : 0;
}
std::string TCTreeBooleanField::GetAsString() {
  if (StoredIsNull()) return {};
  return data_[0] == 0 ? "FALSE" : "TRUE";
}
void TCTreeBooleanField::SetAsStringValue(std::string_view value) {
  if (value.empty()) return StoreNull();
  const std::string upper = UpperCase(value);
  if (upper == "TRUE" || upper == "WAHR")
    SetAsBooleanValue(true);
  else if (upper == "FALSE" || upper == "FALSCH")
    SetAsBooleanValue(false);
  else
    throw ECTreeException(std::string(value) + " is not a boolean value");
}

// ---- Char --------------------------------------------------------------------------------------

void TCTreeCharField::Initialize() {
  dataType_ = dtChar;
  size_ = 1;
  nullValue_ = kCharNull;
}
char TCTreeCharField::GetAsChar() {
  return static_cast<char>(data_[0]);
}
void TCTreeCharField::SetAsCharValue(char value) {
  data_[0] = static_cast<uint8_t>(value);
}
std::string TCTreeCharField::GetAsString() {
  if (data_[0] == 0) return {};
  return std::string(1, static_cast<char>(data_[0]));
}
void TCTreeCharField::SetAsStringValue(std::string_view value) {
  data_[0] = value.empty() ? 0 : static_cast<uint8_t>(value[0]);
}

// ---- SmallInt ----------------------------------------------------------------------------------

void TCTreeSmallIntField::Initialize() {
  dataType_ = dtSmallInt;
  size_ = 2;
  nullValue_ = kSmallIntNull;
}
int32_t TCTreeSmallIntField::GetAsInteger() {
  if (StoredIsNull()) RaiseInvalidInteger("");
  return Load<int16_t>(data_);
}
void TCTreeSmallIntField::SetAsIntegerValue(int32_t value) {
  Store(data_, static_cast<int16_t>(static_cast<uint16_t>(value)));
}
std::string TCTreeSmallIntField::GetAsString() {
  if (StoredIsNull()) return {};
  return std::to_string(Load<int16_t>(data_));
}
void TCTreeSmallIntField::SetAsStringValue(std::string_view value) {
  const auto number = IntegerOfText(value);
  if (!number) return StoreNull();
  SetAsIntegerValue(*number);
}

// ---- Integer and auto counter ------------------------------------------------------------------

void TCTreeIntegerField::Initialize() {
  dataType_ = dtInteger;
  size_ = 4;
  nullValue_ = kIntegerNull;
}
int32_t TCTreeIntegerField::Raw() const {
  return Load<int32_t>(data_);
}
void TCTreeIntegerField::StoreRaw(int32_t value) {
  Store(data_, value);
}
int32_t TCTreeIntegerField::GetAsInteger() {
  if (StoredIsNull()) RaiseInvalidInteger("");
  return Raw();
}
void TCTreeIntegerField::SetAsIntegerValue(int32_t value) {
  StoreRaw(value);
}
std::string TCTreeIntegerField::GetAsString() {
  if (StoredIsNull()) return {};
  return std::to_string(Raw());
}
void TCTreeIntegerField::SetAsStringValue(std::string_view value) {
  const auto number = IntegerOfText(value);
  if (!number) return StoreNull();
  StoreRaw(*number);
}

void TCTreeAutoCounterField::Initialize() {
  TCTreeIntegerField::Initialize();
  dataType_ = dtAutoCounter;
}
int32_t TCTreeAutoCounterField::GetAsInteger() {
  return Raw();
}
std::string TCTreeAutoCounterField::GetAsString() {
  return std::to_string(Raw());
}

// ---- Date --------------------------------------------------------------------------------------

void TCTreeDateField::Initialize() {
  dataType_ = dtDate;
  size_ = 4;
  nullValue_ = kDateNull;
}
double TCTreeDateField::GetAsDate() {
  return Load<int32_t>(data_);
}
void TCTreeDateField::SetAsDateValue(double value) {
  Store(data_, TruncatedDay(value));
}
double TCTreeDateField::GetAsFloat() {
  return StoredIsNull() ? 0 : Load<int32_t>(data_);
}
void TCTreeDateField::SetAsFloatValue(double value) {
  SetAsDateValue(value);
}
std::string TCTreeDateField::GetAsString() {
  if (StoredIsNull()) return {};
  return DateToText(Load<int32_t>(data_));
}
void TCTreeDateField::SetAsStringValue(std::string_view value) {
  if (value.empty()) return StoreNull();
  SetAsDateValue(TextToDate(value));
}

// ---- Float -------------------------------------------------------------------------------------

void TCTreeFloatField::Initialize() {
  dataType_ = dtFloat;
  size_ = 8;
  nullValue_ = kDoubleNull;
}
double TCTreeFloatField::GetAsFloat() {
  return StoredIsNull() ? 0 : Load<double>(data_);
}
void TCTreeFloatField::SetAsFloatValue(double value) {
  Store(data_, value);
}
int32_t TCTreeFloatField::GetAsInteger() {
  const double value = std::trunc(GetAsFloat());
  if (!(value >= INT32_MIN && value <= INT32_MAX)) RaiseConvertError();
  return static_cast<int32_t>(value);
}
void TCTreeFloatField::SetAsIntegerValue(int32_t value) {
  Store(data_, static_cast<double>(value));
}
std::string TCTreeFloatField::GetAsString() {
  if (StoredIsNull()) return {};
  return FloatToText(Load<double>(data_));
}
void TCTreeFloatField::SetAsStringValue(std::string_view value) {
  if (value.empty()) return StoreNull();
  Store(data_, TextToFloat(value));
}

// ---- DateTime ----------------------------------------------------------------------------------

void TCTreeDateTimeField::Initialize() {
  dataType_ = dtDateTime;
  size_ = 8;
  nullValue_ = kDoubleNull;
}
double TCTreeDateTimeField::GetAsDateTime() {
  return Load<double>(data_);
}
void TCTreeDateTimeField::SetAsDateTimeValue(double value) {
  Store(data_, value);
}
double TCTreeDateTimeField::GetAsFloat() {
  return StoredIsNull() ? 0 : Load<double>(data_);
}
void TCTreeDateTimeField::SetAsFloatValue(double value) {
  Store(data_, value);
}
std::string TCTreeDateTimeField::GetAsString() {
  if (StoredIsNull()) return {};
  return DateTimeToText(Load<double>(data_));
}
void TCTreeDateTimeField::SetAsStringValue(std::string_view value) {
  if (value.empty()) return StoreNull();
  Store(data_, TextToDateTime(value));
}

// ---- String ------------------------------------------------------------------------------------

void TCTreeStringField::Initialize() {
  dataType_ = dtString;
}
bool TCTreeStringField::IsNull() const {
  return data_ && data_[0] == 0;
}
int32_t TCTreeStringField::GetAsInteger() {
  const std::string text = GetAsString();
  const auto value = TryStrToInt(text);
  if (!value) throw ECTreeException("Invalid Integer value: " + text);
  return *value;
}
void TCTreeStringField::SetAsIntegerValue(int32_t value) {
  SetAsStringValue(std::to_string(value));
}
std::string TCTreeStringField::GetAsString() {
  const auto* text = reinterpret_cast<const char*>(data_);
  return std::string(text, strnlen(text, GetDataSize()));
}
void TCTreeStringField::SetAsStringValue(std::string_view value) {
  // The stored text ends at its first NUL; the bytes after it stay zero.
  value = value.substr(0, std::min(value.find('\0'), value.size()));
  std::memset(data_, 0, GetDataSize());
  std::memcpy(data_, value.data(), std::min<size_t>(value.size(), size_));
}

// ---- Memo --------------------------------------------------------------------------------------

void TCTreeMemoField::Initialize() {
  dataType_ = dtMemo;
  isVariable_ = true;
}
bool TCTreeMemoField::IsNull() const {
  return blob_.size() <= 1;
}
uint16_t TCTreeMemoField::GetDataSize() const {
  return static_cast<uint16_t>(std::min<size_t>(blob_.size(), UINT16_MAX));
}
std::string TCTreeMemoField::GetAsString() {
  return "<BLOB>";
}
const char* TCTreeMemoField::GetBlobData() {
  if (table_) table_->ReadVariablePart();
  return blob_.data();
}
void TCTreeMemoField::SetBlobDataValue(const char* data) {
  if (data) StoreBlobValue(data);
}
void TCTreeMemoField::StoreBlobValue(const char* data) {
  blob_.assign(data, data + std::strlen(data) + 1);
}
void TCTreeMemoField::Clear() {
  blob_.assign(1, '\0');
}
size_t TCTreeMemoField::TakeVariableBytes(const char* data, size_t available) {
  // A text without its NUL (a damaged record) ends where the record ends.
  const size_t length = strnlen(data, available);
  blob_.assign(data, data + length);
  blob_.push_back('\0');
  return std::min(length + 1, available);
}
TCtreeVariant TCTreeMemoField::GetAsVariant() {
  if (blob_.empty()) return std::string();
  return std::string(blob_.data());
}

void TCTreeMemoField::Assign(TCtreeField& source) {
  if (source.DataType() == dtMemo) {
    auto& memo = static_cast<TCTreeMemoField&>(source);
    StoreBlobValue("");
    const char* text = memo.GetBlobData();
    StoreBlobValue(text);
    return;
  }
  TCtreeField::Assign(source);
}
void TCTreeMemoField::AssignLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  SetBlobData(text.c_str());
}
void TCTreeMemoField::AssignTo(std::vector<std::string>& lines) {
  lines.clear();
  std::string_view text(GetBlobData());
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
}

// ---- Picture -----------------------------------------------------------------------------------

TCTreeGraphicField::TCTreeGraphicField(TCTreeTable* table, uint16_t size, std::string name)
    : TCTreeMemoField(table, size, std::move(name)), stream_(this) {}

void TCTreeGraphicField::Initialize() {
  TCTreeMemoField::Initialize();
  dataType_ = dtGraphic;
  // The memo's placeholder text would read as a count past its bytes: a new picture is empty.
  Clear();
}
bool TCTreeGraphicField::IsNull() const {
  return blob_.size() <= 4;
}
std::string TCTreeGraphicField::GetAsString() {
  return "<GRAPHIC>";
}
TCtreeVariant TCTreeGraphicField::GetAsVariant() {
  return std::monostate{};
}
void TCTreeGraphicField::Clear() {
  blob_.assign(4, '\0');
}

namespace {
uint32_t PictureCount(const char* data) {
  uint32_t count;
  std::memcpy(&count, data, 4);
  return count;
}
}  // namespace

void TCTreeGraphicField::StoreBlobValue(const char* data) {
  blob_.assign(data, data + 4 + PictureCount(data));
}

size_t TCTreeGraphicField::TakeVariableBytes(const char* data, size_t available) {
  if (available < 4 || PictureCount(data) > available - 4)
    throw ECTreeException("Picture field " + name_ + " runs past the end of its record");
  const size_t length = 4 + PictureCount(data);
  blob_.assign(data, data + length);
  return length;
}

void TCTreeGraphicField::StoreGraphic(const void* data, size_t count) {
  CheckWritable();
  if (count > UINT16_MAX)
    throw ECTreeException("Picture of " + std::to_string(count) + " bytes is too large");
  const uint32_t stored = static_cast<uint32_t>(count + 1);
  blob_.assign(count + 5, '\0');
  std::memcpy(blob_.data(), &stored, 4);
  if (count > 0) std::memcpy(blob_.data() + 4, data, count);
}

TCTreeGraphicStream& TCTreeGraphicField::GetGraphicStream() {
  const char* data = BlobData();
  stream_.buffer_.assign(data + 4, data + 4 + PictureCount(data));
  stream_.position_ = 0;
  return stream_;
}

void TCTreeGraphicField::Assign(TCtreeField& source) {
  // A memo's text is no picture: its first bytes would be taken for a count.
  if (source.DataType() == dtMemo) RaiseAssignError(source.Name().c_str());
  if (source.DataType() == dtGraphic) {
    const TCTreeGraphicStream& stream = static_cast<TCTreeGraphicField&>(source).GetGraphicStream();
    StoreGraphic(stream.Memory().data(), stream.Size());
    return;
  }
  TCTreeMemoField::Assign(source);
}

size_t TCTreeGraphicStream::Write(const void* data, size_t count) {
  if (position_ + count > buffer_.size()) buffer_.resize(position_ + count);
  if (count > 0) std::memcpy(buffer_.data() + position_, data, count);
  position_ += count;
  field_->StoreGraphic(buffer_.data(), buffer_.size());
  return count;
}

size_t TCTreeGraphicStream::Read(void* data, size_t count) {
  const size_t n = std::min(count, buffer_.size() - position_);
  if (n > 0) std::memcpy(data, buffer_.data() + position_, n);
  position_ += n;
  return n;
}
