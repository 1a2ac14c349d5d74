#include "stadaf/RecordSkipPlan.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "layout/DravikField.h"
#include "stadaf/StadafException.h"
#include "support/Convert.h"

void TRecordSkipPlan::Add(const TDravikField& field) {
  if (field.IsVirtual()) return;
  const int32_t size = field.Size();
  TKind kind = TKind::skUnreadable;
  int32_t digits = 0;
  if (field.IsVariable() && size == 0 && dynamic_cast<const TStadafStructField*>(&field) != nullptr) {
    kind = TKind::skStructure;
  } else if (size >= 1 && size <= 32767) {
    trailingBytes_ += size;
    return;
  } else if (size <= -1 && size >= -32768) {
    const bool binary =
        field.IsVariable() && static_cast<const TVariableDravikField&>(field).BinaryLengthIndicator();
    kind = binary ? TKind::skBinaryLength : TKind::skDecimalLength;
    digits = -size;
  }
  steps_.push_back({trailingBytes_, kind, digits});
  trailingBytes_ = 0;
}

void TRecordSkipPlan::Skip(TFileReader& reader) const {
  for (const TStep& step : steps_) {
    SkipBytes(reader, step.fixedBytes);
    switch (step.kind) {
      case TKind::skDecimalLength: {
        const int32_t length = StrToInt(reader.ReadBytes(step.size));
        // The same limits as reading the value into the reader's buffer.
        if (length < 0 || length > TFileReader::kMaxCharsCount)
          throw EFileReaderException("Invalid read count " + std::to_string(length));
        reader.ReadBytes(length);
        break;
      }
      case TKind::skBinaryLength:
        reader.ReadBytes(static_cast<unsigned char>(reader.ReadBytes(1)[0]));
        break;
      case TKind::skStructure:
        SkipStructure(reader);
        break;
      case TKind::skUnreadable:
        throw EStadafException("Unknown field type");
    }
  }
  SkipBytes(reader, trailingBytes_);
}

// Fixed-size fields pass in pieces the reader can view at once.
void TRecordSkipPlan::SkipBytes(TFileReader& reader, int64_t count) {
  while (count > 0) {
    const auto piece = static_cast<int32_t>(std::min<int64_t>(count, TFileReader::kMaxViewBytes));
    reader.ReadBytes(piece);
    count -= piece;
  }
}

void TRecordSkipPlan::SkipStructure(TFileReader& reader) {
  const std::string_view header = reader.ReadBytes(TStadafStructField::kHeaderSize);
  const auto total = TryStrToInt(header.substr(0, 6));
  if (!total || *total < 0) throw EStadafException("Invalid size value in structure header");
  const auto elementSize = TryStrToInt(header.substr(11, 5));
  if (static_cast<int64_t>(reader.Position()) + *total > reader.OpenedSize())
    throw EFileReaderException("EOF-Error");
  // Only the bytes up to the first zero byte count as the structure's data.
  size_t length = 0;
  bool ended = false;
  for (int32_t left = *total; left > 0;) {
    const int32_t piece = left < TFileReader::kMaxViewBytes ? left : TFileReader::kMaxViewBytes;
    const std::string_view bytes = reader.ReadBytes(piece);
    if (!ended) {
      const void* zero = std::memchr(bytes.data(), '\0', bytes.size());
      ended = zero != nullptr;
      length += ended ? static_cast<size_t>(static_cast<const char*>(zero) - bytes.data()) : bytes.size();
    }
    left -= piece;
  }
  if (!elementSize) throw EStadafException("Invalid size of structure element");
  if (*elementSize <= 0 ? length != 0 : length % static_cast<size_t>(*elementSize) != 0)
    throw EStadafException("Invalid structure size");
}
