#include "layout/DravikField.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <typeinfo>

#include "layout/DravikFieldList.h"
#include "layout/FileReader.h"
#include "layout/TextHelpers.h"
#include "support/Convert.h"
#include "support/Text.h"

namespace {

std::string& PaddingBlanks() {
  static std::string blanks;
  return blanks;
}

const char* OrEmpty(const char* text) {
  return text ? text : "";
}

[[noreturn]] void ThrowInvalidDescription(const std::string& line) {
  throw EDravikException("Invalid field description: " + line);
}

constexpr int32_t kMaxFixedSize = 32767;
constexpr int32_t kVirtualBias = 32768;

}  // namespace

void InitializeFieldDescriptions() {
  PaddingBlanks().assign(TDravikField::kMaxPadding, ' ');
}

void FinalizeFieldDescriptions() {
  std::string().swap(PaddingBlanks());
}

const std::string& FieldPaddingBlanks() {
  return PaddingBlanks();
}

TFieldDescriptionParts ParseFieldDescription(const std::string& line) {
  std::vector<std::string> parts;
  SplitAt(RemoveBlanks(line), ',', parts);
  TFieldDescriptionParts result;
  if (parts.size() >= 2) {
    const auto size = TryStrToInt(parts[1]);
    if (!size) ThrowInvalidDescription(line);
    result.name = std::move(parts[0]);
    result.sizeValue = *size;
    if (parts.size() >= 3) result.parameter = std::move(parts[2]);
  }
  return result;
}

// ---- TDravikField

TDravikField::TDravikField(TDravikFieldList* owner) : owner_(owner) {}

TDravikField::~TDravikField() = default;

std::string TDravikField::GetDescription() const {
  std::string result = name_ + ", " + std::to_string(size_);
  if (isMemo_) result += ", M";
  return result;
}

void TDravikField::SetDescription(const std::string& line) {
  const TFieldDescriptionParts parts = ParseFieldDescription(line);
  // A negative size would leave no room for the value; only a layout's choice of class prevents it.
  if (parts.sizeValue < 0 || parts.sizeValue > kMaxFixedSize) ThrowInvalidDescription(line);
  ClearValue();
  SetIsMemo(!parts.parameter.empty() || UpperCase(std::string_view(parts.name).substr(0, 5)) == "MEMO_");
  SetName(parts.name);
  SetSize(parts.sizeValue);
  AllocateValueBuffer(1, 0);
  SetValue("");
  UpdateDirectRead();
}

const char* TDravikField::GetValue() {
  if (isMemo_) {
    memoText_ = ReadMemo();
    return memoText_.c_str();
  }
  return HasValueBuffer() ? ValueStart() : "";
}

void TDravikField::SetValue(const char* text) {
  if (isMemo_) {
    WriteMemo(text);
  } else {
    StoreFixedValue(text);
  }
}

std::string TDravikField::GetStoredText() const {
  return storedText_;
}

void TDravikField::ClearValue() {
  directFixedSize_ = 0;
  directVariable_ = false;
  std::vector<char>().swap(buffer_);
  valueOffset_ = 0;
  valueStart_ = nullptr;
  name_.clear();
  size_ = 0;
}

std::string TDravikField::ReadMemo() {
  TFileReader* reader = owner_ ? owner_->MemoReader() : nullptr;
  if (!reader) return std::string();
  // A missing memo file reads as any missing file does.
  if (!reader->IsOpen()) ThrowNaming(Exception("File not found"), owner_->MemoFileName());
  std::string digits = "$";
  if (HasValueBuffer())
    digits.append(ValueStart(), strnlen(ValueStart(), static_cast<size_t>(std::max(size_, 0))));
  // Offsets of 2 GiB and more ("80000000" and up) lie past every memo file: EOF-Error, not a negative seek.
  const auto offset = static_cast<uint32_t>(StrToInt(digits));
  reader->Seek(offset);
  const std::string_view block = reader->PeekBlock();
  const void* end = std::memchr(block.data(), '\0', block.size());
  return std::string(block.data(), end ? static_cast<const char*>(end) - block.data() : block.size());
}

void TDravikField::WriteMemo(const char* text) {
  text = OrEmpty(text);
  storedText_ = text;
  if (!HasValueBuffer()) return;
  const auto size = static_cast<size_t>(std::max(size_, 0));
  if (*text == '\0') {
    char* value = ValueRoom(size);
    std::memset(value, ' ', size);
    value[size] = '\0';
  } else {
    const size_t n = strnlen(text, size);
    char* value = ValueRoom(n, text);
    std::memmove(value, text, n);
    value[n] = '\0';
  }
}

void TDravikField::SetName(std::string_view name) {
  name_.assign(name.substr(0, kMaxNameLength));
}

void TDravikField::UpdateDirectRead() {
  // Called once the object is complete, so typeid names the final class.
  const std::type_info& type = typeid(*this);
  const bool fixed =
      type == typeid(TDravikField) && !isMemo_ && HasValueBuffer() && size_ >= 1 && size_ <= 32767;
  directFixedSize_ = fixed ? size_ : 0;
  directVariable_ = type == typeid(TVariableDravikField) && HasValueBuffer() && size_ <= -1;
}

void TDravikField::AllocateValueBuffer(size_t bytes, size_t valueOffset) {
  std::vector<char>(bytes, '\0').swap(buffer_);
  valueOffset_ = valueOffset;
  valueStart_ = buffer_.data() + valueOffset_;
}

void TDravikField::ResizeValueBuffer(size_t bytes) {
  buffer_.resize(bytes, '\0');
  valueStart_ = buffer_.empty() ? nullptr : buffer_.data() + valueOffset_;
}

void TDravikField::GrowValueBuffer(size_t bytes, const char*& source) {
  const char* begin = buffer_.data();
  const bool inside = std::less_equal<const char*>()(begin, source) &&
                      std::less<const char*>()(source, begin + buffer_.size());
  const size_t at = inside ? static_cast<size_t>(source - begin) : 0;
  ResizeValueBuffer(bytes);
  if (inside) source = buffer_.data() + at;
}

void TDravikField::StoreFixedValue(const char* text) {
  if (!HasValueBuffer()) return;
  text = OrEmpty(text);
  const auto size = static_cast<size_t>(std::max(size_, 0));
  const size_t n = strnlen(text, size);
  const size_t padding = std::min(size - n, static_cast<size_t>(kMaxPadding));
  char* value = ValueRoom(n + padding, text);
  std::memmove(value, text, n);
  std::memset(value + n, ' ', padding);
  value[n + padding] = '\0';
}

// ---- TVariableDravikField

TVariableDravikField::TVariableDravikField(TDravikFieldList* owner) : TDravikField(owner) {
  SetIsVariable(true);
}

void TVariableDravikField::SetDescription(const std::string& line) {
  const TFieldDescriptionParts parts = ParseFieldDescription(line);
  // Sizes 0 and above would place the value before the buffer; they are refused like too many digits.
  if (parts.sizeValue > -1 || parts.sizeValue < -5)
    throw EDravikException("Invalid dynamic field size " + std::to_string(parts.sizeValue));
  ClearValue();
  SetName(parts.name);
  SetSize(parts.sizeValue);
  const int32_t digits = -parts.sizeValue;
  int32_t maxLength = 1;
  for (int32_t i = 0; i < digits; ++i) maxLength *= 10;
  SetMaxLength(std::min(maxLength, 65000));
  AllocateValueBuffer(static_cast<size_t>(digits) + 1, static_cast<size_t>(digits));
  SetValue("");
  UpdateDirectRead();
}

const char* TVariableDravikField::GetValue() {
  if (binaryLengthIndicator_) throw EDravikException("BinaryLengthIndicator not supported");
  return HasValueBuffer() ? ValueStart() : "";
}

void TVariableDravikField::SetValue(const char* text) {
  if (!HasValueBuffer()) return;
  text = OrEmpty(text);
  const size_t digits = static_cast<size_t>(-Size());
  size_t length = strnlen(text, static_cast<size_t>(maxLength_));
  if (length >= static_cast<size_t>(maxLength_)) {
    text = "<INVAL>";
    length = 7;
  }
  char* value = ValueRoom(length, text);
  char* indicator = ValueBuffer();
  size_t rest = length;
  for (size_t i = digits; i-- > 0;) {
    indicator[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  std::memmove(value, text, length);
  value[length] = '\0';
}

std::string_view TVariableDravikField::LengthIndicator() const {
  if (!HasValueBuffer() || Size() >= 0) return std::string_view();
  return std::string_view(ValueStart() - static_cast<size_t>(-Size()), static_cast<size_t>(-Size()));
}

// ---- TVirtualDravikField

TVirtualDravikField::TVirtualDravikField(TDravikFieldList* owner) : TDravikField(owner) {
  SetIsVirtual(true);
}

void TVirtualDravikField::SetDescription(const std::string& line) {
  const TFieldDescriptionParts parts = ParseFieldDescription(line);
  const int64_t size = static_cast<int64_t>(parts.sizeValue) - kVirtualBias;
  if (size < 0 || size > kMaxFixedSize) ThrowInvalidDescription(line);
  ClearValue();
  SetIsMemo(false);
  SetName(parts.name);
  SetSize(static_cast<int32_t>(size));
  AllocateValueBuffer(1, 0);
  SetValue("");
}

// ---- TVirtualVariableDravikField

TVirtualVariableDravikField::TVirtualVariableDravikField(TDravikFieldList* owner)
    : TVariableDravikField(owner) {
  SetIsVirtual(true);
}

void TVirtualVariableDravikField::SetDescription(const std::string& line) {
  const TFieldDescriptionParts parts = ParseFieldDescription(line);
  ClearValue();
  const int64_t size = static_cast<int64_t>(parts.sizeValue) + kVirtualBias;
  TVariableDravikField::SetDescription(parts.name + "," + std::to_string(size));
}
