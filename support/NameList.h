#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/Text.h"

// How a sorted name list treats a name that is already present. An unsorted list appends every name.
enum class TDuplicates : int32_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// The failures of every name list: EStringListError with these exact messages.
[[noreturn]] void RaiseListIndexError(int32_t index);  // "List index out of bounds (%d)"
[[noreturn]] void RaiseSortedListError();              // "Operation not allowed on sorted list"
[[noreturn]] void RaiseDuplicateError();               // "String list does not allow duplicates"

// An ordered sequence of named entries, each with one payload slot. Names compare with CompareText, for
// equality and for the order of a sorted list alike; a sorted list is searched by bisection.
// Removal hands the payload out before it is destroyed, so a payload whose destruction reaches back into
// the list finds it consistent.
template <class Payload>
class TNameList {
 public:
  TNameList() = default;
  TNameList(const TNameList&) = delete;
  TNameList& operator=(const TNameList&) = delete;
  TNameList(TNameList&&) noexcept = default;
  TNameList& operator=(TNameList&&) noexcept = default;
  ~TNameList() { Clear(); }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

  bool Sorted() const { return sorted_; }
  // Switching on sorts the present entries at once.
  void SetSorted(bool sorted) {
    if (sorted && !sorted_) {
      std::stable_sort(entries_.begin(), entries_.end(),
                       [](const Entry& a, const Entry& b) { return CompareText(a.name, b.name) < 0; });
    }
    sorted_ = sorted;
  }

  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

  const std::string& Name(int32_t index) const { return At(index).name; }
  void SetName(int32_t index, std::string name) {
    if (sorted_) RaiseSortedListError();
    At(index).name = std::move(name);
  }

  Payload& PayloadAt(int32_t index) { return At(index).payload; }
  const Payload& PayloadAt(int32_t index) const { return At(index).payload; }

  // Bisection over a sorted list. Found: index is the entry met first (the first of equal names under
  // dupAccept). Not found: index is where the name belongs.
  bool Find(std::string_view name, int32_t& index) const {
    bool found = false;
    int32_t low = 0;
    int32_t high = Count() - 1;
    while (low <= high) {
      const int32_t middle = low + (high - low) / 2;
      const int c = CompareText(entries_[static_cast<size_t>(middle)].name, name);
      if (c < 0) {
        low = middle + 1;
      } else {
        high = middle - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ != TDuplicates::dupAccept) low = middle;
        }
      }
    }
    index = low;
    return found;
  }

  int32_t IndexOf(std::string_view name) const {
    if (sorted_) {
      int32_t index;
      return Find(name, index) ? index : -1;
    }
    for (size_t i = 0; i < entries_.size(); ++i)
      if (CompareText(entries_[i].name, name) == 0) return static_cast<int32_t>(i);
    return -1;
  }

  // Appends (unsorted) or inserts at the sorted place; a present name on a sorted list follows the
  // duplicates policy (dupIgnore: nothing is added and the present index is returned).
  int32_t Add(std::string name, Payload payload = Payload()) {
    int32_t index = Count();
    if (sorted_ && Find(name, index)) {
      if (duplicates_ == TDuplicates::dupIgnore) return index;
      if (duplicates_ == TDuplicates::dupError) RaiseDuplicateError();
    }
    entries_.insert(entries_.begin() + index, Entry{std::move(name), std::move(payload)});
    return index;
  }

  // Inserts at index (0 to Count()); refused on a sorted list.
  void Insert(int32_t index, std::string name, Payload payload = Payload()) {
    if (sorted_) RaiseSortedListError();
    if (index < 0 || index > Count()) RaiseListIndexError(index);
    entries_.insert(entries_.begin() + index, Entry{std::move(name), std::move(payload)});
  }

  // Removes the entry at index; an index outside the list is ignored.
  void Delete(int32_t index) {
    if (index < 0 || index >= Count()) return;
    [[maybe_unused]] Payload removed = std::move(entries_[static_cast<size_t>(index)].payload);
    entries_.erase(entries_.begin() + index);
  }

  void Clear() {
    std::vector<Entry> removed;
    removed.swap(entries_);
  }

 private:
  struct Entry {
    std::string name;
    Payload payload;
  };

  Entry& At(int32_t index) {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return entries_[static_cast<size_t>(index)];
  }
  const Entry& At(int32_t index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return entries_[static_cast<size_t>(index)];
  }

  std::vector<Entry> entries_;
  bool sorted_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

// A plain text list whose entries may carry a pointer to an object the list does not own.
using TStringList = TNameList<void*>;
