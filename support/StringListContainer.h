#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "support/Exception.h"
#include "support/NameList.h"

class EStringListContainerException : public Exception {
 public:
  using Exception::Exception;
};

class TStringListContainer;

// One list of choices of a container and the choice taken from it now.
class TStringListContainerElement {
 public:
  TStringListContainerElement(TStringListContainer& owner, const TStringList& choices, int32_t index);

  int32_t Index() const { return index_; }
  TStringListContainer& Owner() const { return owner_; }
  const TStringList& Choices() const { return choices_; }
  TStringListContainerElement* Next() const { return next_; }

 private:
  friend class TStringListContainer;

  int32_t index_;
  TStringListContainer& owner_;
  TStringList choices_;
  TStringListContainerElement* next_ = nullptr;
};

// Steps through every combination of one choice from each of several lists, the first list varying
// fastest, like the digits of a counter.
class TStringListContainer {
 public:
  TStringListContainer() = default;
  TStringListContainer(const TStringListContainer&) = delete;
  TStringListContainer& operator=(const TStringListContainer&) = delete;

  // Copies the texts of list with their object pointers into a new last element.
  void AddList(const TStringList& list);
  // Moves to the next combination; false when there is none (all choices are then back at the first).
  bool Next();
  // Empties target, then adds each element's current text with its object pointer. An element without
  // a current choice fails with "Invalid combination".
  void GetCombination(TStringList& target) const;
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(elements_.size()); }
  const TStringListContainerElement& Element(int32_t index) const;

 private:
  std::vector<std::unique_ptr<TStringListContainerElement>> elements_;
};
