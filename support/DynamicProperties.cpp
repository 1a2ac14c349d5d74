#include "support/DynamicProperties.h"

#include <vector>

#include "support/TextLines.h"

TDynamicProperties::TDynamicProperties(const std::string& names, bool restricted)
    : values_(MakeRef<IStringMap>(new TStringMapper2(std::string(), true))),
      restricted_(restricted),
      objects_(MakeRef<IInterfaceMap>(new TStaticInterfaceMap())) {
  for (std::string& name : ParseCommaText(names)) names_.Add(std::move(name));
  for (int32_t i = 0; i < names_.Count(); ++i) values_->SetValue(names_.Name(i), std::string());
}

void* TDynamicProperties::QueryInterface(const Guid& iid) {
  if (iid == IStringMap::IID) return values_.get();
  if (void* found = QueryAmong<IDynamicProperties>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}

bool TDynamicProperties::HasValue(const std::string& name) const {
  return values_->Contains(name);
}

bool TDynamicProperties::HasObject(const std::string& name) const {
  return objects_->Contains(name);
}

int32_t TDynamicProperties::GetValueCount() const {
  return values_->GetCount();
}

int32_t TDynamicProperties::GetObjectCount() const {
  return objects_->GetCount();
}

std::string TDynamicProperties::GetValueAt(int32_t index) const {
  return values_->Lookup(names_.Name(index));
}

void TDynamicProperties::SetValueAt(int32_t index, const std::string& value) {
  values_->SetValue(names_.Name(index), value);
}

std::string TDynamicProperties::GetObjectNameAt(int32_t index) const {
  return objects_->GetNameAt(index);
}

std::string TDynamicProperties::GetPropertyName(int32_t index) const {
  return names_.Name(index);
}

std::string TDynamicProperties::GetValue(const std::string& name) const {
  if (restricted_ && !values_->Contains(name)) return std::string();
  return values_->Lookup(name);
}

void TDynamicProperties::SetValue(const std::string& name, const std::string& value) {
  if (restricted_) {
    if (values_->Contains(name)) values_->SetValue(name, value);
    return;
  }
  values_->SetValue(name, value);
  // A name joins the names list the first time it is set; looking it up there (rather than comparing
  // counts) keeps a name declared twice, or one added through the values map, from joining again on
  // every later write.
  if (names_.IndexOf(name) < 0) names_.Add(name);
}

Ref<IBinaryStream> TDynamicProperties::GetObject(const std::string& name) const {
  // The objects map never creates entries, so looking up an absent name leaves it unchanged.
  Ref<IInterface> object = objects_->GetItem(name);
  if (!object) return {};
  return QueryStrict<IBinaryStream>(object);
}

void TDynamicProperties::SetObject(const std::string& name, const Ref<IInterface>& object) {
  objects_->SetItem(name, object);
}

bool TDynamicProperties::GetRestricted() const {
  return restricted_;
}

void TDynamicProperties::SetRestricted(bool restricted) {
  restricted_ = restricted;
}

Ref<IDynamicProperties> CreateDynamicProperties(const std::string& names, bool restricted) {
  return MakeRef<IDynamicProperties>(new TDynamicProperties(names, restricted));
}

namespace {
// -(place) when a sorts before b, +place when after, 0 when equal.
int32_t CompareValuesAt(const std::string& a, const std::string& b, int32_t place) {
  const int c = a.compare(b);
  return c < 0 ? -place : (c > 0 ? place : 0);
}
}  // namespace

int32_t CompareDynamicProperties(const Ref<IDynamicProperties>& first, const Ref<IDynamicProperties>& second,
                                 const std::string& keys) {
  int32_t result = 0;
  if (!keys.empty()) {
    const std::vector<std::string> names = ParseCommaText(keys);
    for (size_t i = 0; i < names.size() && result == 0; ++i)
      result =
          CompareValuesAt(first->GetValue(names[i]), second->GetValue(names[i]), static_cast<int32_t>(i) + 1);
    return result;
  }
  const int32_t firstCount = first->GetValueCount();
  const int32_t secondCount = second->GetValueCount();
  for (int32_t i = 0; i < firstCount && i < secondCount && result == 0; ++i)
    result = CompareValuesAt(first->GetValueAt(i), second->GetValue(first->GetPropertyName(i)), i + 1);
  if (result != 0) return result;
  if (firstCount < secondCount) return -(firstCount + 1);
  if (secondCount < firstCount) return secondCount + 1;
  return 0;
}
