#include "dataset/RecordView.h"

#include <algorithm>
#include <new>

#include "dataset/DataSet.h"

TRecordView TRecordView::All(int32_t count) {
  TRecordView view;
  view.count_ = std::max(count, 0);
  view.every_ = true;
  return view;
}

void TRecordView::Append(int32_t recNo) {
  if (every_) {
    // From "every record" to a list: materialise it first.
    const int32_t count = count_;
    every_ = false;
    count_ = 0;
    for (int32_t i = 1; i <= count; ++i) Append(i);
  }
  if (count_ == capacity_) {
    const int64_t wanted = std::min<int64_t>(INT32_MAX, std::max<int64_t>(1024, capacity_ * 3 / 2));
    if (wanted <= capacity_) throw EDatabaseError("Too many records for a view");
    void* grown = std::realloc(data_.get(), static_cast<size_t>(wanted) * sizeof(uint32_t));
    if (grown == nullptr) throw std::bad_alloc();
    data_.release();
    data_.reset(static_cast<uint32_t*>(grown));
    capacity_ = wanted;
  }
  data_.get()[count_++] = static_cast<uint32_t>(recNo);
}

void TRecordView::Adopt(uint32_t* block, int32_t count, int64_t capacity) {
  data_.reset(block);
  every_ = false;
  count_ = count;
  capacity_ = capacity;
}

void TRecordView::ShrinkToFit() {
  if (!data_ || capacity_ == count_) return;
  if (count_ == 0) {
    data_.reset();
    capacity_ = 0;
    return;
  }
  if (void* shrunk = std::realloc(data_.get(), static_cast<size_t>(count_) * sizeof(uint32_t))) {
    data_.release();
    data_.reset(static_cast<uint32_t*>(shrunk));
    capacity_ = count_;
  }
}

void CheckViewable(TDataSet& dataSet) {
  if (!dataSet.Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  if (!dataSet.IsSequenced() || (!dataSet.IsEmpty() && dataSet.GetRecNo() <= 0))
    throw EDatabaseError("Filtering and sorting need record numbers, which this data set does not have");
}

void MoveToRecNo(TDataSet& dataSet, int32_t recNo) {
  int32_t at = dataSet.GetRecNo();
  if (at == recNo) return;
  dataSet.SetRecNo(recNo);
  at = dataSet.GetRecNo();
  if (at <= 0)
    throw EDatabaseError("Filtering and sorting need record numbers, which this data set does not have");
  if (at != recNo) dataSet.MoveBy(recNo - at);
  if (dataSet.GetRecNo() != recNo) throw EDatabaseError("Record " + std::to_string(recNo) + " not found");
}
