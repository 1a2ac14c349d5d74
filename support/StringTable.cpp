#include "support/StringTable.h"

#include <string>

namespace {
template <class Payload>
void SortIgnoringDuplicates(TNameList<Payload>& list) {
  list.SetSorted(true);
  list.SetDuplicates(TDuplicates::dupIgnore);
}
}  // namespace

TStringTable::TStringTable(int32_t columnCount) : columnCount_(columnCount < 0 ? 0 : columnCount) {
  SortIgnoringDuplicates(firstList_);
  SortIgnoringDuplicates(secondList_);
  for (int32_t i = 0; i < columnCount_; ++i) {
    auto column = std::make_unique<TStringList>();
    SortIgnoringDuplicates(*column);
    columns_.Add(std::to_string(i), std::move(column));
  }
}
