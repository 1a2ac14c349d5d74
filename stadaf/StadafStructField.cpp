#include "stadaf/StadafStructField.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "layout/FileReader.h"
#include "layout/TextHelpers.h"
#include "stadaf/StadafException.h"
#include "stadaf/StadafVersion.h"
#include "support/Convert.h"

namespace {

constexpr size_t kTotalSizeAt = 0;
constexpr size_t kTotalSizeDigits = 6;
constexpr size_t kCountAt = 6;
constexpr size_t kCountDigits = 5;
constexpr size_t kElementSizeAt = 11;
constexpr size_t kElementSizeDigits = 5;
constexpr int32_t kMaxElementSize = 99999;

// Writes value with leading zeros into exactly digits bytes; larger values show as all nines, so that a
// header slot never overflows into its neighbour.
void WriteDigits(char* target, size_t digits, size_t value) {
  size_t limit = 1;
  for (size_t i = 0; i < digits; ++i) limit *= 10;
  value = std::min(value, limit - 1);
  for (size_t i = digits; i-- > 0;) {
    target[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

TStadafStructField::TStadafStructField(TDravikFieldList* owner) : TVariableDravikField(owner) {
  EnsureBuffer();
}

void TStadafStructField::EnsureBuffer() {
  if (HasValueBuffer()) return;
  AllocateValueBuffer(kHeaderSize + 1, kHeaderSize);
  std::memcpy(ValueBuffer(), DefaultStructHeader().data(), kHeaderSize);
}

std::string_view TStadafStructField::StructureHeader() const {
  // The buffer always exists: the constructor makes it and nothing here frees it.
  return std::string_view(ValueStart() - kHeaderSize, kHeaderSize);
}

std::string TStadafStructField::GetDescription() const {
  const std::string_view elementSize = StructureHeader().substr(kElementSizeAt, kElementSizeDigits);
  const auto value = TryStrToInt(elementSize);
  return Name() + ", 0, " + (value ? std::to_string(*value) : std::string(elementSize));
}

void TStadafStructField::SetDescription(const std::string& line) {
  std::vector<std::string> parts;
  SplitAt(line, ',', parts);
  if (parts.size() != 3)
    throw EStadafException(Name() + ": Invalid number of definition parameters for Stadaf struct");
  SetName(RemoveBlanks(parts[0]));
  const auto size = TryStrToInt(RemoveBlanks(parts[1]));
  if (!size) throw EStadafException(Name() + ": Invalid struct size");
  if (*size != 0) throw EStadafException(Name() + ": Unexpected struct size");
  SetSize(0);
  const auto elementSize = TryStrToInt(RemoveBlanks(parts[2]));
  if (!elementSize || *elementSize < 0 || *elementSize > kMaxElementSize)
    throw EStadafException(Name() + ": Invalid element size");
  EnsureBuffer();
  WriteDigits(ValueBuffer() + kElementSizeAt, kElementSizeDigits, static_cast<size_t>(*elementSize));
}

void TStadafStructField::SetValue(const char* data) {
  if (!HasValueBuffer()) return;
  if (data == nullptr) data = "";
  const char* begin = ValueBuffer();
  if (data >= begin && data < begin + ValueBufferSize()) {
    // The data lies in this field's own buffer, which the resize below may move.
    const std::string copy(data);
    SetValue(copy.c_str());
    return;
  }
  const size_t length = std::strlen(data);
  ResizeValueBuffer(length + kHeaderSize + 1);
  std::memcpy(ValueStart(), data, length);
  ValueStart()[length] = '\0';
  StoreDataLength(length);
}

void TStadafStructField::ReadFromRecord(TFileReader& reader) {
  EnsureBuffer();
  const std::string_view header = reader.ReadBytes(kHeaderSize);
  const auto total = TryStrToInt(header.substr(kTotalSizeAt, kTotalSizeDigits));
  if (!total || *total < 0) throw EStadafException(Name() + ": Invalid size value in structure header");
  std::memcpy(ValueBuffer() + kElementSizeAt, header.data() + kElementSizeAt, kElementSizeDigits);
  if (static_cast<int64_t>(reader.Position()) + *total > reader.OpenedSize())
    throw EFileReaderException("EOF-Error");
  const auto size = static_cast<size_t>(*total);
  ResizeValueBuffer(size + kHeaderSize + 1);
  char* data = ValueStart();
  for (size_t done = 0; done < size;) {
    const auto piece = static_cast<int32_t>(std::min<size_t>(size - done, TFileReader::kMaxViewBytes));
    const std::string_view bytes = reader.ReadBytes(piece);
    std::memcpy(data + done, bytes.data(), bytes.size());
    done += bytes.size();
  }
  data[size] = '\0';
  // The value ends at its first zero byte; the reader has moved past all announced bytes regardless.
  const size_t length = strnlen(data, size);
  ResizeValueBuffer(length + kHeaderSize + 1);
  StoreDataLength(length);
}

void TStadafStructField::StoreDataLength(size_t length) {
  totalSize_ = static_cast<int32_t>(length);
  WriteDigits(ValueBuffer() + kTotalSizeAt, kTotalSizeDigits, length);
  const auto elementSize = TryStrToInt(StructureHeader().substr(kElementSizeAt, kElementSizeDigits));
  if (!elementSize) throw EStadafException(Name() + ": Invalid size of structure element");
  if (*elementSize <= 0) {
    if (length != 0)
      throw EStadafException(Name() + ": Size of element in non-empty structure must be greater 0");
    elementCount_ = 0;
  } else {
    if (length % static_cast<size_t>(*elementSize) != 0)
      throw EStadafException(
          Name() + ": TotalSize must be a multiple of ElementSize - please check the current tariff.");
    elementCount_ = static_cast<int32_t>(length / static_cast<size_t>(*elementSize));
  }
  WriteDigits(ValueBuffer() + kCountAt, kCountDigits, static_cast<size_t>(elementCount_));
}
