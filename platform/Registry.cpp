#include "platform/Registry.h"

#include "support/Text.h"

bool TMemoryRegistry::LessText(const std::string& a, const std::string& b) {
  return CompareText(a, b) < 0;
}

bool TMemoryRegistry::TKeyLess::operator()(const std::tuple<TRegistryRoot, std::string>& a,
                                           const std::tuple<TRegistryRoot, std::string>& b) const {
  if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) < std::get<0>(b);
  return CompareText(std::get<1>(a), std::get<1>(b)) < 0;
}

void TMemoryRegistry::SetString(TRegistryRoot root, const std::string& key, const std::string& name,
                                const std::string& value) {
  TValue& v = keys_[{root, key}].values[name];
  v.isString = true;
  v.text = value;
}

void TMemoryRegistry::SetInteger(TRegistryRoot root, const std::string& key, const std::string& name,
                                 int32_t value) {
  TValue& v = keys_[{root, key}].values[name];
  v.isString = false;
  v.number = value;
}

void TMemoryRegistry::AddKey(TRegistryRoot root, const std::string& key) {
  keys_[{root, key}];
}

void TMemoryRegistry::DenyKey(TRegistryRoot root, const std::string& key) {
  keys_[{root, key}].denied = true;
}

TRegistryStatus TMemoryRegistry::Find(TRegistryRoot root, const std::string& key, const std::string& name,
                                      const TValue*& value) const {
  const auto k = keys_.find({root, key});
  if (k == keys_.end()) return TRegistryStatus::rsNoKey;
  if (k->second.denied) return TRegistryStatus::rsKeyNotOpened;
  const auto v = k->second.values.find(name);
  if (v == k->second.values.end()) return TRegistryStatus::rsNoValue;
  value = &v->second;
  return TRegistryStatus::rsFound;
}

TRegistryRead<std::string> TMemoryRegistry::ReadString(TRegistryRoot root, const std::string& key,
                                                       const std::string& name) const {
  const TValue* value = nullptr;
  const TRegistryStatus status = Find(root, key, name, value);
  if (status != TRegistryStatus::rsFound) return {status, {}};
  if (!value->isString) return {TRegistryStatus::rsReadFailed, {}};
  return {status, value->text};
}

TRegistryRead<int32_t> TMemoryRegistry::ReadInteger(TRegistryRoot root, const std::string& key,
                                                    const std::string& name) const {
  const TValue* value = nullptr;
  const TRegistryStatus status = Find(root, key, name, value);
  if (status != TRegistryStatus::rsFound) return {status, 0};
  if (value->isString) return {TRegistryStatus::rsReadFailed, 0};
  return {status, value->number};
}

const TRegistry& GetSystemRegistry() {
  static const TNoRegistry registry{};
  return registry;
}
