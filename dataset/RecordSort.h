#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/RecordView.h"

class TDataSet;
class TField;

// One column of a sort and its direction.
struct TSortColumn {
  std::string FieldName;
  bool Descending = false;
};

// Orders records by columns, the first column first. A column whose values are all numbers (blank values
// aside, which come before them) sorts numerically, any other by its text, byte by byte; values are
// compared without the blanks around them. Records that compare equal keep their record order, whatever
// the direction.
//
// Memory: 12 bytes per record sorted (a record number and an 8-byte key, which for text is the next 8
// bytes of the value and for numbers the value as a double), plus one bit per record. Records whose keys
// are equal are re-read for the next 8 bytes, the exact number or the next column, and sorted again among
// themselves, so that no value is ever held in full for more than one record at a time.
class TRecordSort {
 public:
  explicit TRecordSort(std::vector<TSortColumn> columns) : columns_(std::move(columns)) {}

  // The records of input (record numbers of reader; any order) in sorted order; input is used up. reader is
  // a data set of its own on the file, at any position. Raises EDatabaseError "Field 'X' not found" for a
  // column that reader lacks; reports progress of the first pass over the records, obeys the cancel flag; an
  // error reading a record ends the sort with it, naming control.FileName where the error names no file.
  TRecordView Run(TDataSet& reader, TRecordView input, const TPassControl& control) const;

 private:
  std::vector<TSortColumn> columns_;
};
