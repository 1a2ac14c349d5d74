#pragma once

#include <cstdint>
#include <vector>

class TDataSet;

// What a column's values are, as far as showing them goes. Only ISAM tables type their fields; the other
// data sets have text and memo columns.
enum class TColumnKind : uint8_t { ckText, ckMemo, ckImage, ckBoolean, ckDate, ckDateTime };

// The kind of each of the open data set's columns, in field order.
std::vector<TColumnKind> ColumnKinds(TDataSet& dataSet);
