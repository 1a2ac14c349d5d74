#include "support/InterfaceMap.h"

TInterfaceMap::TInterfaceMap() {
  entries_.SetSorted(true);
  entries_.SetDuplicates(TDuplicates::dupIgnore);
}

TInterfaceMap::~TInterfaceMap() = default;

void* TInterfaceMap::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IInterfaceMap>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}

Ref<IInterface> TInterfaceMap::CreateItem(const std::string&) {
  return MakeRef<IInterface>(new TInterfacedObject());
}

void TInterfaceMap::Clear() {
  entries_.Clear();
}

int32_t TInterfaceMap::GetCount() const {
  return entries_.GetCount();
}

Ref<IInterface> TInterfaceMap::GetItem(const std::string& name) {
  const int32_t index = entries_.IndexOf(name);
  if (index >= 0) return entries_.GetInterface(index);
  Ref<IInterface> created = CreateItem(name);
  if (created) entries_.AddInterface(name, created);
  return created;
}

void TInterfaceMap::SetItem(const std::string& name, const Ref<IInterface>& item) {
  const int32_t index = entries_.IndexOf(name);
  if (index >= 0) {
    if (item) {
      entries_.SetInterface(index, item);
    } else {
      entries_.Delete(index);
    }
  } else if (item) {
    entries_.AddInterface(name, item);
  }
}

Ref<IInterface> TInterfaceMap::GetItemAt(int32_t index) const {
  return entries_.GetInterface(index);
}

std::string TInterfaceMap::GetNameAt(int32_t index) const {
  return entries_.GetName(index);
}

bool TInterfaceMap::Contains(const std::string& name) const {
  return entries_.IndexOf(name) >= 0;
}

void* TStaticInterfaceMap::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IStaticInterfaceMap>(this, iid)) return found;
  return TInterfaceMap::QueryInterface(iid);
}

Ref<IInterface> TStaticInterfaceMap::CreateItem(const std::string&) {
  return {};
}
