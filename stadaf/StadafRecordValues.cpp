#include "stadaf/StadafRecordValues.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>
#include <typeinfo>
#include <vector>

#include "dataset/RecordView.h"
#include "layout/FileReader.h"
#include "layout/ValueBytes.h"
#include "stadaf/PlainBytes.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafDataSet.h"
#include "stadaf/StadafStructField.h"

namespace {

constexpr size_t kClassifyBytes = 20;
constexpr size_t kMaxLeadingDigits = 19;

// Whether bytes[0, n) hold a zero byte: sixteen at a time where the processor can (a record is seldom
// shorter), the last ones in a block overlapping the ones before.
bool AnyZeroByte(const char* bytes, size_t n) {
#if defined(__SSE2__)
  if (n >= 16) {
    const __m128i zero = _mm_setzero_si128();
    const auto any16 = [&](const char* p) {
      return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero)) !=
             0;
    };
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
      if (any16(bytes + i)) return true;
    return i < n && any16(bytes + n - 16);
  }
#endif
  return HasZeroByteIn(bytes, n);
}

// The record type the second letter of a 2.00 or 2.10 record's code names; 0 for none.
uint8_t RecordTypeOfSecondLetter(char c) {
  switch (c) {
    case 'A':
    case 'a':
      return 1;
    case 'L':
    case 'l':
      return 2;
    case 'K':
    case 'k':
      return 3;
    case 'T':
    case 't':
      return 4;
    case 'S':
    case 's':
      return 5;
    default:
      return 0;
  }
}

class TStadafRecordValues final : public TRecordValues {
 public:
  TStadafRecordValues(TStadafDataSet& dataSet, std::span<const int32_t> columns)
      : dataSet_(dataSet), list_(*dataSet.FieldList()) {
    typed_ = dynamic_cast<const TStadaf200FieldList*>(&list_) != nullptr;
    count_ = dataSet.GetRecordCount();
    inPlace_ = list_.DataReader() != nullptr && list_.DataReader()->IsOpen();
    // The fields a record of the data set's type holds, in the order the list reads them, and how.
    std::vector<const TDravikField*> read;
    std::vector<TStep> fieldSteps;
    for (int32_t i = 0; i < list_.FieldCount(); ++i) {
      const TDravikField& field = list_.FieldByIndex(i);
      if (typed_ && field.RecordType() != dataSet.RecordType()) continue;
      read.push_back(&field);
      TStep step{TKind::skFixed, field.Size(), -1};
      const std::type_info& type = typeid(field);
      if (type == typeid(TDravikField) && !field.IsMemo() && field.Size() >= 1) {
        step.kind = TKind::skFixed;
      } else if (type == typeid(TVariableDravikField) && field.Size() <= -1 && field.Size() >= -9 &&
                 !static_cast<const TVariableDravikField&>(field).BinaryLengthIndicator()) {
        step = {TKind::skDecimal, -field.Size(), -1};
      } else if (type == typeid(TStadafStructField)) {
        step = {TKind::skStructure, 0, -1};
      } else {
        inPlace_ = false;  // memo, virtual and other fields: through the field list
      }
      fieldSteps.push_back(step);
    }
    for (const int32_t column : columns) {
      const TField& field = dataSet.Fields()[column];
      TColumn c;
      c.layoutField = &list_.FieldByName(field.FieldName());
      c.blob = field.IsBlob();
      c.size = static_cast<size_t>(field.Size());
      for (size_t i = 0; i < read.size(); ++i)
        if (read[i] == c.layoutField) {
          c.span = static_cast<int32_t>(spans_.size());
          c.fixed = fieldSteps[i].kind == TKind::skFixed;
          fieldSteps[i].span = c.span;
          spans_.emplace_back();
        }
      if (c.span < 0) inPlace_ = false;
      columns_.push_back(std::move(c));
    }
    // Fixed fields whose values are not asked for are passed in one step.
    for (const TStep& step : fieldSteps) {
      if (step.kind == TKind::skFixed && step.span < 0 && !steps_.empty() &&
          steps_.back().kind == TKind::skSkip && steps_.back().size <= INT32_MAX - step.size) {
        steps_.back().size += step.size;
      } else {
        steps_.push_back(step.kind == TKind::skFixed && step.span < 0 ? TStep{TKind::skSkip, step.size, -1}
                                                                      : step);
      }
    }
    values_.resize(columns_.size());
    if (!dataSet.IsEmpty() && !dataSet.Eof()) recNo_ = dataSet.GetRecNo();
  }

  bool OnRecord() const override { return recNo_ > 0; }
  int32_t RecNo() override { return recNo_; }

  bool Next() override {
    if (recNo_ <= 0) return false;
    Moved();
    recNo_ = recNo_ < count_ ? recNo_ + 1 : 0;
    return recNo_ > 0;
  }

  void MoveTo(int32_t recNo) override {
    if (recNo < 1 || recNo > count_) throw EDatabaseError("Record " + std::to_string(recNo) + " not found");
    if (recNo == recNo_) return;
    Moved();
    recNo_ = recNo;
  }

  std::string_view Value(size_t i) override {
    TColumn& column = columns_[i];
    if (recNo_ <= 0) return std::string_view();
    if (!column.ready) {
      if (readRecNo_ != recNo_) ReadRecord();
      if (inPlaceRecord_) {
        values_[i] = InPlaceValue(column);
      } else {
        const char* value = column.layoutField->GetValue();
        values_[i] = std::string_view(value, column.blob ? std::strlen(value) : strnlen(value, column.size));
      }
      column.ready = true;
    }
    return values_[i];
  }

  std::span<const std::string_view> Values() override {
    // A record read in place without a zero byte: every value is its field's bytes, taken in one go.
    if (recNo_ > 0 && readRecNo_ != recNo_) {
      ReadRecord();
      if (inPlaceRecord_ && !zeroInRecord_) {
        // Through locals: the stores would otherwise make the compiler load the members again each time.
        const char* bytes = window_.data();
        const TSpan* spans = spans_.data();
        TColumn* columns = columns_.data();
        std::string_view* values = values_.data();
        for (size_t i = 0, n = columns_.size(); i < n; ++i) {
          const TSpan span = spans[static_cast<size_t>(columns[i].span)];
          values[i] = std::string_view(bytes + span.at, span.length);
          columns[i].ready = true;
        }
        return values_;
      }
    }
    for (size_t i = 0; i < columns_.size(); ++i) Value(i);
    return values_;
  }

 private:
  enum class TKind : uint8_t { skSkip, skFixed, skDecimal, skStructure };
  struct TStep {
    TKind kind;
    int32_t size;  // skip and fixed: bytes; decimal: digits of the length
    int32_t span;  // where the value of an asked-for field goes in spans_, or -1
  };
  struct TSpan {
    size_t at;
    size_t length;  // fixed: the field's bytes; others: the value's bytes (before any zero byte)
  };
  struct TColumn {
    TDravikField* layoutField = nullptr;
    bool blob = false;
    size_t size = 0;
    int32_t span = -1;   // its field's place in spans_
    bool fixed = false;  // its field is a fixed one
    std::string padded;  // a fixed value with a zero byte, padded as the field pads it
    bool ready = false;  // its value of the current record was taken
  };

  void Moved() {
    readRecNo_ = 0;
    for (TColumn& column : columns_) column.ready = false;
  }

  // Reads the current record as the data set reads it on the first request for one of its values: in place
  // where it is plainly valid, else through the field list (which reads nothing when it holds the record).
  void ReadRecord() {
    const int64_t offset = dataSet_.RecordOffset(recNo_);
    inPlaceRecord_ = inPlace_ && offset != list_.Position() && ReadInPlace(offset);
    if (!inPlaceRecord_) dataSet_.HoldRecord(recNo_);
    readRecNo_ = recNo_;
  }

  // The record at offset from the reader's window, read from its start again when the window ends inside it;
  // false when the field list must decide.
  bool ReadInPlace(int64_t offset) {
    TFileReader& reader = *list_.DataReader();
    if (offset < 0 || offset >= reader.OpenedSize()) return false;
    reader.Seek(offset);
    window_ = reader.WindowedBytes();
    if (Parse<true>() || Parse<false>()) return true;
    const auto whole =
        static_cast<size_t>(std::min<int64_t>(TFileReader::kMaxViewBytes, reader.OpenedSize() - offset));
    if (window_.size() >= whole) return false;
    reader.PeekBytes(static_cast<int32_t>(whole));
    window_ = reader.WindowedBytes();
    return Parse<true>() || Parse<false>();
  }

  // 2.00 and 2.10: whether the type code after the record's leading digits names the data set's type.
  bool TypeCodeMatches(const char* bytes, size_t size) const {
    if (size <= kClassifyBytes) return false;
    const size_t p = LeadingDigits(bytes, kMaxLeadingDigits, size);
    return p != kMaxLeadingDigits && RecordTypeOfSecondLetter(bytes[p + 1]) == dataSet_.RecordType();
  }

  // The spans of the record at the window's start when every field is plainly valid, as the field list would
  // read it without an error. kWithoutZero, for the usual record, which holds no zero byte: no value ends
  // early, so the fields are taken whole and the record is looked at for zero bytes once at the end; false
  // for any other record (the other form decides).
  template <bool kWithoutZero>
  bool Parse() {
    const char* bytes = window_.data();
    const size_t size = window_.size();
    zeroInRecord_ = true;
    if (typed_ && !TypeCodeMatches(bytes, size)) return false;
    size_t at = 0;
    for (const TStep& step : steps_) {
      switch (step.kind) {
        case TKind::skSkip:
          at += static_cast<size_t>(step.size);
          if (at > size) return false;
          break;
        case TKind::skFixed:
          spans_[static_cast<size_t>(step.span)] = {at, static_cast<size_t>(step.size)};
          at += static_cast<size_t>(step.size);
          if (at > size) return false;
          break;
        case TKind::skDecimal: {
          if (at + static_cast<size_t>(step.size) > size) return false;
          const int32_t length = PlainDigits(bytes + at, step.size);
          if (length < 0 || length > TFileReader::kMaxCharsCount) return false;
          at += static_cast<size_t>(step.size);
          if (at + static_cast<size_t>(length) > size) return false;
          if (step.span >= 0)
            spans_[static_cast<size_t>(step.span)] = {
                at, kWithoutZero ? static_cast<size_t>(length)
                                 : BytesBeforeZero(bytes + at, static_cast<size_t>(length))};
          at += static_cast<size_t>(length);
          break;
        }
        case TKind::skStructure: {
          if (at + TStadafStructField::kHeaderSize > size) return false;
          const int32_t total = PlainDigitsOf<6>(bytes + at);
          const int32_t elementSize = PlainDigitsOf<5>(bytes + at + 11);
          at += TStadafStructField::kHeaderSize;
          if (total < 0 || elementSize < 0 || at + static_cast<size_t>(total) > size) return false;
          // Only the bytes up to the first zero byte count as the structure's data.
          const size_t length = kWithoutZero ? static_cast<size_t>(total)
                                             : BytesBeforeZero(bytes + at, static_cast<size_t>(total));
          if (length != 0 && (elementSize == 0 || length % static_cast<size_t>(elementSize) != 0))
            return false;
          if (step.span >= 0) spans_[static_cast<size_t>(step.span)] = {at, length};
          at += static_cast<size_t>(total);
          break;
        }
      }
    }
    // The separator: one byte, which 2.00 and 2.10 require to be CR.
    if (at >= size || (typed_ && bytes[at] != '\r')) return false;
    if constexpr (kWithoutZero) {
      if (AnyZeroByte(bytes, at)) return false;
      zeroInRecord_ = false;
    }
    return true;
  }

  std::string_view InPlaceValue(TColumn& column) const {
    const TSpan span = spans_[static_cast<size_t>(column.span)];
    const std::string_view bytes = window_.substr(span.at, span.length);
    if (!column.fixed || !zeroInRecord_) return bytes;
    // A fixed value ends at a zero byte and is padded with blanks to its width, at most 255 of them.
    if (!HasZeroByteIn(bytes.data(), bytes.size())) return bytes;
    const auto n = static_cast<size_t>(
        static_cast<const char*>(std::memchr(bytes.data(), '\0', bytes.size())) - bytes.data());
    column.padded.assign(bytes.data(), n);
    column.padded.append(std::min<size_t>(bytes.size() - n, TDravikField::kMaxPadding), ' ');
    return column.padded;
  }

  TStadafDataSet& dataSet_;
  TStadafFieldList& list_;
  bool typed_ = false;
  bool inPlace_ = false;
  int32_t count_ = 0;
  int32_t recNo_ = 0;           // 0: on no record
  int32_t readRecNo_ = 0;       // the record read for the values taken, 0 for none
  bool inPlaceRecord_ = false;  // it was read in place: spans_ and window_ hold it
  bool zeroInRecord_ = true;  // a record read in place may hold a zero byte (its values through InPlaceValue)
  std::vector<TStep> steps_;
  std::vector<TSpan> spans_;
  std::vector<TColumn> columns_;
  std::vector<std::string_view> values_;
  std::string_view window_;
};

}  // namespace

std::unique_ptr<TRecordValues> OpenStadafRecordValues(TStadafDataSet& dataSet,
                                                      std::span<const int32_t> columns) {
  return std::make_unique<TStadafRecordValues>(dataSet, columns);
}
