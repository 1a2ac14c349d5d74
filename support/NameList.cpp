#include "support/NameList.h"

#include "support/Exception.h"

void RaiseListIndexError(int32_t index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void RaiseSortedListError() {
  throw EStringListError("Operation not allowed on sorted list");
}

void RaiseDuplicateError() {
  throw EStringListError("String list does not allow duplicates");
}
