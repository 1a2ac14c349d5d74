#include "rff/RFFRecordValues.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "layout/DravikFieldList.h"
#include "layout/FileReader.h"
#include "layout/ValueBytes.h"
#include "platform/IdleProcessors.h"
#include "rff/RFFDataSet.h"

namespace {

class TRFFRecordValues final : public TRecordValues {
 public:
  TRFFRecordValues(TRFFDataSet& dataSet, std::span<const int32_t> columns)
      : layout_(dataSet.FieldList()), recordLength_(layout_.GetRecordLength()) {
    const TFileReader* reader = layout_.DataReader();
    size_ = reader != nullptr && reader->IsOpen() ? reader->OpenedSize() : 0;
    direct_ = recordLength_ > 2 && recordLength_ <= TFileReader::kMaxViewBytes;
    int64_t fieldBytes = 0;
    std::vector<int32_t> offsets;
    for (int32_t i = 0; i < layout_.FieldCount(); ++i) {
      const TDravikField& field = layout_.FieldByIndex(i);
      offsets.push_back(static_cast<int32_t>(fieldBytes));
      // Fields of exactly the base class that are no memo hold their record bytes as they are.
      direct_ = direct_ && typeid(field) == typeid(TDravikField) && !field.IsMemo() && field.Size() >= 1;
      fieldBytes += field.Size();
    }
    direct_ = direct_ && fieldBytes + 2 == recordLength_;
    for (const int32_t column : columns) {
      const TField& field = dataSet.Fields()[column];
      TColumn c;
      c.layoutField = &layout_.FieldByName(field.FieldName());
      c.blob = field.IsBlob();
      c.size = static_cast<size_t>(field.Size());
      c.width = static_cast<size_t>(std::max(c.layoutField->Size(), 0));
      for (int32_t i = 0; i < layout_.FieldCount(); ++i)
        if (&layout_.FieldByIndex(i) == c.layoutField) c.recordOffset = offsets[static_cast<size_t>(i)];
      // A column without a field of its own in the layout (none here) is read the checked way.
      direct_ = direct_ && c.recordOffset >= 0;
      columns_.push_back(std::move(c));
    }
    // Arriving at a record, the data set takes the value of every string column, which reads memo texts.
    for (int32_t i = 0; i < dataSet.Fields().Count(); ++i) {
      const TField& field = dataSet.Fields()[i];
      if (field.IsBlob()) continue;
      TDravikField* layoutField = &layout_.FieldByName(field.FieldName());
      int32_t column = -1;
      for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].layoutField == layoutField && !columns_[c].blob) column = static_cast<int32_t>(c);
      if (column >= 0 || layoutField->IsMemo()) arrival_.push_back({layoutField, column});
    }
    values_.resize(columns_.size());
    const bool empty = dataSet.IsEmpty() || dataSet.Eof();
    if (!empty && recordLength_ > 0) {
      recNo_ = dataSet.GetRecNo();
      Arrive();
    }
  }

  ~TRFFRecordValues() override { ReadAhead(false); }

  bool OnRecord() const override { return recNo_ > 0; }
  int32_t RecNo() override { return recNo_; }

  bool Next() override {
    if (recNo_ <= 0) return false;
    // The next record needs only to start inside the file.
    if (static_cast<int64_t>(recNo_) * recordLength_ >= size_ || recNo_ == INT32_MAX) {
      recNo_ = 0;
      return false;
    }
    ++recNo_;
    // Most records follow the last one inside the window it came from.
    const auto length = static_cast<size_t>(recordLength_);
    if (!record_.empty() && static_cast<size_t>(windowEnd_ - record_.data()) >= 2 * length) {
      record_ = std::string_view(record_.data() + length, length);
      ++arrivals_;
      return true;
    }
    Arrive();
    return true;
  }

  void MoveTo(int32_t recNo) override {
    if (recNo == recNo_ && recNo_ > 0) return;
    const int64_t offset = static_cast<int64_t>(recordLength_) * (static_cast<int64_t>(recNo) - 1);
    if (offset < 0 || offset >= size_) throw EFileReaderException("EOF-Error");
    recNo_ = recNo;
    Arrive();
  }

  std::string_view Value(size_t i) override {
    TColumn& column = columns_[i];
    if (column.readyAt != arrivals_) {
      if (!record_.empty()) {
        values_[i] = DirectValue(column);
      } else {
        // A memo column: its value is asked for on its own (a string column's was taken on arrival).
        const char* value = column.layoutField->GetValue();
        values_[i] = std::string_view(value, std::strlen(value));
      }
      column.readyAt = arrivals_;
    }
    return values_[i];
  }

  std::span<const std::string_view> Values() override {
    if (!record_.empty()) {
      for (size_t i = 0; i < columns_.size(); ++i) values_[i] = DirectValue(columns_[i]);
    } else {
      for (size_t i = 0; i < columns_.size(); ++i) Value(i);
    }
    return values_;
  }

  // Records read in place are held: those that lie whole in the window the current one came from.
  bool HoldsRecords() const override { return direct_; }

  size_t HeldValues(size_t i, std::span<std::string_view> out) override {
    if (recNo_ <= 0 || out.empty()) return 0;
    out[0] = Value(i);
    if (record_.empty()) return 1;
    const TColumn& column = columns_[i];
    const auto length = static_cast<size_t>(recordLength_);
    const size_t held = std::min({out.size(), static_cast<size_t>(windowEnd_ - record_.data()) / length,
                                  static_cast<size_t>(INT32_MAX - recNo_) + 1});
    const char* bytes = record_.data() + column.recordOffset;
    size_t k = 1;
    for (; k < held; ++k) {
      const std::string_view value(bytes + k * length, column.width);
      // Such a value is padded in a buffer of the column's own: it is handed out alone, as the current one.
      if (HasZeroByteIn(value.data(), value.size())) break;
      out[k] = value;
    }
    return k;
  }

  bool Skip(size_t n) override {
    if (n == 0) return OnRecord();
    const auto length = static_cast<size_t>(recordLength_);
    // Straight to the record before the target where the window holds it; the last step as Next takes it.
    if (!record_.empty() && n - 1 < static_cast<size_t>(windowEnd_ - record_.data()) / length &&
        n - 1 <= static_cast<size_t>(INT32_MAX - recNo_)) {
      record_ = std::string_view(record_.data() + (n - 1) * length, length);
      recNo_ += static_cast<int32_t>(n - 1);
      ++arrivals_;
      return Next();
    }
    return TRecordValues::Skip(n);
  }

  void ReadAhead(bool on) override {
    TFileReader* reader = layout_.DataReader();
    if (reader == nullptr || !reader->IsOpen() || on == readingAhead_) return;
    if (on && IdleProcessors() < 1) return;
    if (on)
      reader->EnableReadAhead();
    else
      reader->DisableReadAhead();
    readingAhead_ = on;
  }

 private:
  struct TColumn {
    TDravikField* layoutField = nullptr;
    bool blob = false;
    size_t size = 0;            // string columns: the value is cut to this many characters
    int32_t recordOffset = -1;  // where the field's bytes start in its record
    size_t width = 0;           // the layout field's bytes in its record
    std::string padded;         // a value with a zero byte, padded as the field pads it
    uint64_t readyAt = 0;       // the arrival whose value was taken (arrivals count from 1)
  };

  // Reads the record the cursor arrived at as the data set does: the record, then its string columns.
  void Arrive() {
    const int64_t offset = static_cast<int64_t>(recordLength_) * (static_cast<int64_t>(recNo_) - 1);
    record_ = std::string_view();
    ++arrivals_;
    if (direct_) {
      TFileReader& reader = *layout_.DataReader();
      reader.Seek(offset);
      std::string_view bytes = reader.WindowedBytes();
      if (bytes.size() < static_cast<size_t>(recordLength_)) bytes = reader.PeekBytes(recordLength_);
      if (bytes.size() >= static_cast<size_t>(recordLength_)) {
        record_ = bytes.substr(0, static_cast<size_t>(recordLength_));
        windowEnd_ = bytes.data() + bytes.size();
        return;
      }
    }
    // Anything else, a record cut short by the end of the file included, reads as the data set reads it.
    layout_.SetPosition(offset);
    layout_.ReadRecord();
    for (const TArrival& arrival : arrival_) {
      const char* value = arrival.layoutField->GetValue();
      if (arrival.column >= 0) {
        const auto c = static_cast<size_t>(arrival.column);
        values_[c] = std::string_view(value, strnlen(value, columns_[c].size));
        columns_[c].readyAt = arrivals_;
      }
    }
  }

  // A plain fixed field's value from its record bytes: up to a zero byte, then at most 255 blanks.
  std::string_view DirectValue(TColumn& column) const {
    const std::string_view bytes(record_.data() + column.recordOffset, column.width);
    if (!HasZeroByteIn(bytes.data(), bytes.size())) return bytes;
    const auto n = static_cast<size_t>(
        static_cast<const char*>(std::memchr(bytes.data(), '\0', bytes.size())) - bytes.data());
    column.padded.assign(bytes.data(), n);
    column.padded.append(std::min<size_t>(bytes.size() - n, TDravikField::kMaxPadding), ' ');
    return column.padded;
  }

  // A string column of the data set whose value is taken on arriving at a record: a chosen one, or a memo
  // text, which may fail.
  struct TArrival {
    TDravikField* layoutField;
    int32_t column;  // index into columns_, or -1 when not chosen
  };

  TDravikFieldList& layout_;
  int32_t recordLength_;
  int64_t size_ = 0;
  bool direct_ = false;
  std::vector<TColumn> columns_;
  std::vector<TArrival> arrival_;
  std::vector<std::string_view> values_;
  std::string_view record_;          // the current record's bytes in the reader's window, when read in place
  const char* windowEnd_ = nullptr;  // the end of the window bytes record_ lies in
  uint64_t arrivals_ = 0;            // counts the records arrived at
  int32_t recNo_ = 0;                // 0: on no record
  bool readingAhead_ = false;
};

}  // namespace

std::unique_ptr<TRecordValues> OpenRFFRecordValues(TRFFDataSet& dataSet, std::span<const int32_t> columns) {
  return std::make_unique<TRFFRecordValues>(dataSet, columns);
}
