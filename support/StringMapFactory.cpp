#include "support/StringMapFactory.h"

void* TStringMapFactory::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IStringMapFactory>(this, iid)) return found;
  return TInterfaceMap::QueryInterface(iid);
}

Ref<IInterface> TStringMapFactory::CreateItem(const std::string&) {
  return MakeRef<IInterface>(new TStringMapper2(std::string(), true));
}

Ref<IStringMap> TStringMapFactory::GetMap(const std::string& name) {
  return QueryStrict<IStringMap>(GetItem(name));
}

void TStringMapFactory::SetMap(const std::string& name, const Ref<IStringMap>& map) {
  SetItem(name, map);
}

Ref<IStringMap> TStringMapFactory::GetMapAt(int32_t index) const {
  return QueryStrict<IStringMap>(GetItemAt(index));
}
