#include "dataset/RecordValues.h"

#include <algorithm>

#include "dataset/DataSet.h"
#include "dataset/RecordView.h"

namespace {

// Through the data set's cursor and fields, one string per column reused from record to record.
class TFieldRecordValues final : public TRecordValues {
 public:
  TFieldRecordValues(TDataSet& dataSet, std::span<const int32_t> columns)
      : dataSet_(dataSet), texts_(columns.size()), views_(columns.size()), ready_(columns.size(), false) {
    for (const int32_t column : columns) fields_.push_back(&dataSet.Fields()[column]);
  }

  bool OnRecord() const override { return !dataSet_.IsEmpty() && !dataSet_.Eof(); }
  int32_t RecNo() override { return dataSet_.GetRecNo(); }
  bool Next() override {
    Moved();
    dataSet_.Next();
    return OnRecord();
  }
  void MoveTo(int32_t recNo) override {
    Moved();
    MoveToRecNo(dataSet_, recNo);
  }
  std::string_view Value(size_t i) override {
    if (!ready_[i]) {
      fields_[i]->GetAsString(texts_[i]);
      views_[i] = texts_[i];
      ready_[i] = true;
    }
    return views_[i];
  }
  std::span<const std::string_view> Values() override {
    for (size_t i = 0; i < fields_.size(); ++i) Value(i);
    return views_;
  }

 private:
  TDataSet& dataSet_;
  std::vector<const TField*> fields_;
  std::vector<std::string> texts_;
  std::vector<std::string_view> views_;
  std::vector<bool> ready_;  // per column: its value of the current record was taken

  void Moved() { std::fill(ready_.begin(), ready_.end(), false); }
};

}  // namespace

size_t TRecordValues::HeldValues(size_t i, std::span<std::string_view> out) {
  if (!OnRecord() || out.empty()) return 0;
  out[0] = Value(i);
  return 1;
}

bool TRecordValues::Skip(size_t n) {
  for (; n > 0; --n)
    if (!Next()) return false;
  return OnRecord();
}

std::vector<int32_t> AllColumns(TDataSet& dataSet) {
  std::vector<int32_t> columns(static_cast<size_t>(dataSet.Fields().Count()));
  for (size_t i = 0; i < columns.size(); ++i) columns[i] = static_cast<int32_t>(i);
  return columns;
}

int32_t ColumnIndex(TDataSet& dataSet, std::string_view name) {
  const TField& field = dataSet.FieldByName(name);
  for (int32_t i = 0; i < dataSet.Fields().Count(); ++i)
    if (&dataSet.Fields()[i] == &field) return i;
  throw EDatabaseError("Field '" + std::string(name) + "' not found");
}

std::unique_ptr<TRecordValues> OpenFieldRecordValues(TDataSet& dataSet, std::span<const int32_t> columns) {
  return std::make_unique<TFieldRecordValues>(dataSet, columns);
}

std::unique_ptr<TRecordValues> OpenRecordValues(TDataSet& dataSet, std::span<const int32_t> columns) {
  if (std::unique_ptr<TRecordValues> fast = dataSet.CreateRecordValues(columns)) return fast;
  return OpenFieldRecordValues(dataSet, columns);
}
