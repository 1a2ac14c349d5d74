#include "support/StringListContainer.h"

#include <algorithm>

TStringListContainerElement::TStringListContainerElement(TStringListContainer& owner,
                                                         const TStringList& choices, int32_t index)
    : index_(index), owner_(owner) {
  for (int32_t i = 0; i < choices.Count(); ++i) choices_.Add(choices.Name(i), choices.PayloadAt(i));
}

void TStringListContainer::AddList(const TStringList& list) {
  // The first element starts before its first choice, so that the first Next yields all first choices.
  const int32_t index = elements_.empty() ? -1 : 0;
  auto element = std::make_unique<TStringListContainerElement>(*this, list, index);
  if (!elements_.empty()) elements_.back()->next_ = element.get();
  elements_.push_back(std::move(element));
}

bool TStringListContainer::Next() {
  if (elements_.empty()) return false;
  TStringListContainerElement* element = elements_.front().get();
  if (element->index_ == -1 &&
      std::any_of(elements_.begin(), elements_.end(), [](const auto& e) { return e->choices_.Count() == 0; }))
    return false;
  for (; element != nullptr; element = element->next_) {
    if (element->choices_.Count() == 0) return false;
    if (++element->index_ < element->choices_.Count()) return true;
    element->index_ = 0;
  }
  return false;
}

void TStringListContainer::GetCombination(TStringList& target) const {
  target.Clear();
  for (const auto& element : elements_) {
    if (element->index_ < 0 || element->index_ >= element->choices_.Count())
      throw EStringListContainerException("Invalid combination");
    target.Add(element->choices_.Name(element->index_), element->choices_.PayloadAt(element->index_));
  }
}

void TStringListContainer::Clear() {
  elements_.clear();
}

const TStringListContainerElement& TStringListContainer::Element(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return *elements_[static_cast<size_t>(index)];
}
