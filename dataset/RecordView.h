#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "dataset/DataSetTypes.h"
#include "support/Exception.h"

class TDataSet;

// The records a view shows, by their record numbers in the data set (1 … its record count), in the view's
// order: the records a filter let through, or an order a sort gave them. Held in one block of 4 bytes per
// record, so that a sort can hand over the block it sorted in without a copy.
class TRecordView {
 public:
  TRecordView() = default;
  TRecordView(TRecordView&&) noexcept = default;
  TRecordView& operator=(TRecordView&&) noexcept = default;

  // Every record of a data set of count records, in record order.
  static TRecordView All(int32_t count);

  int32_t Count() const { return count_; }
  // Made by All: every record in record order, held as no list at all.
  bool EveryRecord() const { return every_; }
  // The record number at position 1 … Count.
  int32_t RecordAt(int32_t position) const {
    return every_ ? position : static_cast<int32_t>(data_.get()[position - 1]);
  }

  // Appends a record number, the block growing by half its size when full.
  void Append(int32_t recNo);
  // Takes a malloc'ed block of capacity record numbers, of which the first count are the view.
  void Adopt(uint32_t* block, int32_t count, int64_t capacity);
  // Gives the block back to the allocator beyond the view's records.
  void ShrinkToFit();

 private:
  struct TFree {
    void operator()(uint32_t* block) const { std::free(block); }
  };
  std::unique_ptr<uint32_t, TFree> data_;
  bool every_ = false;  // every record in record order, without data_
  int32_t count_ = 0;
  int64_t capacity_ = 0;
};

// Raised by a pass that saw its cancel flag set.
class EPassCancelled : public Exception {
 public:
  EPassCancelled() : Exception("Cancelled") {}
};

// What a pass over a whole file reports and obeys.
struct TPassControl {
  // Set from any thread to end the pass; it then raises EPassCancelled.
  const std::atomic<bool>* Cancel = nullptr;
  // Records done and records to do, now and then (every few thousand records) and at the end.
  std::function<void(int64_t done, int64_t total)> OnProgress;
  // The file the pass reads, named in the errors of reading it.
  std::string FileName;

  void CheckCancel() const {
    if (Cancel != nullptr && Cancel->load(std::memory_order_relaxed)) throw EPassCancelled();
  }
  void Progress(int64_t done, int64_t total) const {
    if (OnProgress) OnProgress(done, total);
  }
};

// Brings the data set's cursor to record recNo: by number where it can, else by stepping from where it is
// (an RFC file's data set knows its record numbers but does not jump). Raises EDatabaseError when the data
// set has no record numbers (an ISAM table's before it is numbered), and the readers' errors for a record
// that cannot be read.
void MoveToRecNo(TDataSet& dataSet, int32_t recNo);
// Raises EDatabaseError when views cannot be made over dataSet: it must be open and know its record numbers.
void CheckViewable(TDataSet& dataSet);
