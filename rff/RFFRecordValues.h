#pragma once

#include <memory>
#include <span>

#include "dataset/RecordValues.h"

class TRFFDataSet;

// The values of an RFF data set's records straight from its layout: the record at (n - 1) x record length,
// read when the data set's cursor would read it (on arriving at it, string columns included), memo columns
// when their values are asked for. A layout of plain fixed fields is read in place from the reader's window
// (views of its bytes, no copy); any other layout through the layout's fields.
std::unique_ptr<TRecordValues> OpenRFFRecordValues(TRFFDataSet& dataSet, std::span<const int32_t> columns);
