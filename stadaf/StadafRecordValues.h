#pragma once

#include <memory>
#include <span>

#include "dataset/RecordValues.h"

class TStadafDataSet;

// The values of a STADAF data set's records, read when they are asked for, as the data set reads them. A
// record whose fields are plainly valid (plain digits, whole structures, its type code and CR where the
// version has them) is read in place from the reader's window, without storing its fields; any other record,
// and a record the field list holds already, goes through the field list with its checks and errors.
std::unique_ptr<TRecordValues> OpenStadafRecordValues(TStadafDataSet& dataSet,
                                                      std::span<const int32_t> columns);
