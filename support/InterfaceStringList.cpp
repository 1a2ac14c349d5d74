#include "support/InterfaceStringList.h"

#include <utility>
#include <vector>

#include "support/ObjectWrapper.h"
#include "support/TextLines.h"

TInterfaceStringList::~TInterfaceStringList() {
  Clear();
}

void* TInterfaceStringList::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IInterfaceStringList>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}

void TInterfaceStringList::Clear() {
  list_.Clear();
}

void TInterfaceStringList::Delete(int32_t index) {
  list_.Delete(index);
}

int32_t TInterfaceStringList::IndexOf(const std::string& name) const {
  return list_.IndexOf(name);
}

int32_t TInterfaceStringList::Add(const std::string& name) {
  return list_.Add(name);
}

int32_t TInterfaceStringList::AddValue(const std::string& name, int32_t value) {
  return AddInterface(name, CreateObjectWrapper(value));
}

int32_t TInterfaceStringList::AddInterface(const std::string& name, const Ref<IInterface>& item) {
  const int32_t index = Add(name);
  SetInterface(index, item);
  return index;
}

Ref<IInterfaceStringList> TInterfaceStringList::AddAll(const Ref<IInterfaceStringList>& source) {
  if (source) {
    // Taken first, so that adding a list to itself adds each of its present entries once.
    std::vector<std::pair<std::string, Ref<IInterface>>> entries;
    const int32_t count = source->GetCount();
    entries.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) entries.emplace_back(source->GetName(i), source->GetInterface(i));
    for (const auto& [name, item] : entries) AddInterface(name, item);
  }
  return Ref<IInterfaceStringList>(this);
}

void TInterfaceStringList::Insert(int32_t index, const std::string& name, const Ref<IInterface>& item) {
  list_.Insert(index, name);
  SetInterface(index, item);
}

int32_t TInterfaceStringList::GetCount() const {
  return list_.Count();
}

std::string TInterfaceStringList::GetName(int32_t index) const {
  return list_.Name(index);
}

void TInterfaceStringList::SetName(int32_t index, const std::string& name) {
  list_.SetName(index, name);
}

Ref<IInterface> TInterfaceStringList::GetInterface(int32_t index) const {
  return list_.PayloadAt(index);
}

void TInterfaceStringList::SetInterface(int32_t index, const Ref<IInterface>& item) {
  // The new reference is taken before the old one goes, so storing an interface over itself keeps it.
  Ref<IInterface> previous = std::exchange(list_.PayloadAt(index), item);
}

TDuplicates TInterfaceStringList::GetDuplicates() const {
  return list_.Duplicates();
}

void TInterfaceStringList::SetDuplicates(TDuplicates duplicates) {
  list_.SetDuplicates(duplicates);
}

bool TInterfaceStringList::GetSorted() const {
  return list_.Sorted();
}

void TInterfaceStringList::SetSorted(bool sorted) {
  list_.SetSorted(sorted);
}

std::string TInterfaceStringList::GetText() const {
  std::string text;
  for (int32_t i = 0; i < list_.Count(); ++i) {
    text += list_.Name(i);
    text += "\r\n";
  }
  return text;
}

void TInterfaceStringList::SetText(const std::string& text) {
  Clear();
  for (std::string& line : SplitTextLines(text)) Add(std::move(line));
}

std::string TInterfaceStringList::GetCommaText() const {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(list_.Count()));
  for (int32_t i = 0; i < list_.Count(); ++i) names.push_back(list_.Name(i));
  return FormatCommaText(names);
}

void TInterfaceStringList::SetCommaText(const std::string& text) {
  Clear();
  for (std::string& item : ParseCommaText(text)) Add(std::move(item));
}
