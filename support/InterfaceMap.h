#pragma once

#include <cstdint>
#include <string>

#include "support/Interface.h"
#include "support/InterfaceStringList.h"

// A map from names to interface references, kept in sorted order of the names.
class IInterfaceMap : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{CF19FE04-AC0C-4012-9A43-BAD30971A2B0}");

  virtual void Clear() = 0;
  virtual int32_t GetCount() const = 0;
  // The stored interface; an absent name is offered to the map's CreateItem, which may make and store
  // an item under it.
  virtual Ref<IInterface> GetItem(const std::string& name) = 0;
  // Stores or replaces; an empty reference removes the name (the map's only removal).
  virtual void SetItem(const std::string& name, const Ref<IInterface>& item) = 0;
  virtual Ref<IInterface> GetItemAt(int32_t index) const = 0;
  virtual std::string GetNameAt(int32_t index) const = 0;
  virtual bool Contains(const std::string& name) const = 0;
};

// The same map, seen as one that never creates entries by itself.
class IStaticInterfaceMap : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{28816C76-355C-42FE-8FB1-FD5A852E1860}");

  virtual void Clear() = 0;
  virtual int32_t GetCount() const = 0;
  virtual Ref<IInterface> GetItem(const std::string& name) = 0;
  virtual void SetItem(const std::string& name, const Ref<IInterface>& item) = 0;
  virtual Ref<IInterface> GetItemAt(int32_t index) const = 0;
  virtual std::string GetNameAt(int32_t index) const = 0;
};

// The map operations are virtual, so that a derived map changes their behaviour; CreateItem decides
// what GetItem makes for an absent name (here: a plain object).
class TInterfaceMap : public TInterfacedObject, public IInterfaceMap {
 public:
  TInterfaceMap();

  void* QueryInterface(const Guid& iid) override;
  void Clear() override;
  int32_t GetCount() const override;
  Ref<IInterface> GetItem(const std::string& name) override;
  void SetItem(const std::string& name, const Ref<IInterface>& item) override;
  Ref<IInterface> GetItemAt(int32_t index) const override;
  std::string GetNameAt(int32_t index) const override;
  bool Contains(const std::string& name) const override;

 protected:
  ~TInterfaceMap() override;
  virtual Ref<IInterface> CreateItem(const std::string& name);

 private:
  TInterfaceStringList entries_;
};

// A map whose GetItem answers an absent name with an empty reference and stays unchanged.
class TStaticInterfaceMap : public TInterfaceMap, public IStaticInterfaceMap {
 public:
  TStaticInterfaceMap() = default;

  void* QueryInterface(const Guid& iid) override;
  void Clear() override { TInterfaceMap::Clear(); }
  int32_t GetCount() const override { return TInterfaceMap::GetCount(); }
  Ref<IInterface> GetItem(const std::string& name) override { return TInterfaceMap::GetItem(name); }
  void SetItem(const std::string& name, const Ref<IInterface>& item) override {
    TInterfaceMap::SetItem(name, item);
  }
  Ref<IInterface> GetItemAt(int32_t index) const override { return TInterfaceMap::GetItemAt(index); }
  std::string GetNameAt(int32_t index) const override { return TInterfaceMap::GetNameAt(index); }

 protected:
  Ref<IInterface> CreateItem(const std::string& name) override;
};
