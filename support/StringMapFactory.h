#pragma once

#include <cstdint>
#include <string>

#include "support/InterfaceMap.h"
#include "support/StringMap.h"

// Named string maps; asking for an absent name creates an empty sorted map under it.
class IStringMapFactory : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{59438293-FE7F-4776-A794-44F7C14972EF}");

  virtual void Clear() = 0;
  virtual int32_t GetCount() const = 0;
  // An entry that is not a string map fails with "Interface not supported".
  virtual Ref<IStringMap> GetMap(const std::string& name) = 0;
  // An empty map removes the name.
  virtual void SetMap(const std::string& name, const Ref<IStringMap>& map) = 0;
  virtual Ref<IStringMap> GetMapAt(int32_t index) const = 0;
  virtual std::string GetNameAt(int32_t index) const = 0;
};

class TStringMapFactory : public TInterfaceMap, public IStringMapFactory {
 public:
  TStringMapFactory() = default;

  void* QueryInterface(const Guid& iid) override;
  void Clear() override { TInterfaceMap::Clear(); }
  int32_t GetCount() const override { return TInterfaceMap::GetCount(); }
  std::string GetNameAt(int32_t index) const override { return TInterfaceMap::GetNameAt(index); }
  Ref<IStringMap> GetMap(const std::string& name) override;
  void SetMap(const std::string& name, const Ref<IStringMap>& map) override;
  Ref<IStringMap> GetMapAt(int32_t index) const override;

 protected:
  Ref<IInterface> CreateItem(const std::string& name) override;
};
