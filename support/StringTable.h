#pragma once

#include <cstdint>
#include <memory>

#include "support/NameList.h"

// A three-level list holder of the fare domain library: a first list that owns the objects of its
// entries, a second list, and one list per column under the names "0", "1", ...; the lists are sorted
// with duplicates ignored. What fills it lies outside the viewer.
class TStringTable {
 public:
  explicit TStringTable(int32_t columnCount);
  TStringTable(const TStringTable&) = delete;
  TStringTable& operator=(const TStringTable&) = delete;

  int32_t ColumnCount() const { return columnCount_; }
  TNameList<std::shared_ptr<void>>& FirstList() { return firstList_; }
  TStringList& SecondList() { return secondList_; }
  TNameList<std::unique_ptr<TStringList>>& Columns() { return columns_; }
  // The list of the column at index (0 to ColumnCount() - 1).
  TStringList& Column(int32_t index) { return *columns_.PayloadAt(index); }
  char Separator() const { return separator_; }

  // Empties the first list and frees its objects.
  void ClearFirstList() { firstList_.Clear(); }

 private:
  int32_t columnCount_;
  TNameList<std::shared_ptr<void>> firstList_;
  TStringList secondList_;
  TNameList<std::unique_ptr<TStringList>> columns_;
  char separator_ = '|';
};
