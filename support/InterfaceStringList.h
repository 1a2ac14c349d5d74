#pragma once

#include <cstdint>
#include <string>

#include "support/Interface.h"
#include "support/NameList.h"

// An ordered list of named interface references. The list holds one reference per stored interface
// and drops it when the entry is cleared, replaced or deleted, or the list goes.
class IInterfaceStringList : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{6209FECB-6E7A-4C7D-9423-2D5AB05BD6FC}");

  virtual void Clear() = 0;
  // An index outside the list is ignored.
  virtual void Delete(int32_t index) = 0;
  virtual int32_t IndexOf(const std::string& name) const = 0;
  virtual int32_t Add(const std::string& name) = 0;
  virtual int32_t AddValue(const std::string& name, int32_t value) = 0;
  // Add, then SetInterface at the index returned: a present name of a sorted list with duplicates
  // ignored has its interface replaced.
  virtual int32_t AddInterface(const std::string& name, const Ref<IInterface>& item) = 0;
  virtual Ref<IInterfaceStringList> AddAll(const Ref<IInterfaceStringList>& source) = 0;
  virtual void Insert(int32_t index, const std::string& name, const Ref<IInterface>& item) = 0;
  virtual int32_t GetCount() const = 0;
  virtual std::string GetName(int32_t index) const = 0;
  virtual void SetName(int32_t index, const std::string& name) = 0;
  virtual Ref<IInterface> GetInterface(int32_t index) const = 0;
  virtual void SetInterface(int32_t index, const Ref<IInterface>& item) = 0;
  virtual TDuplicates GetDuplicates() const = 0;
  virtual void SetDuplicates(TDuplicates duplicates) = 0;
  virtual bool GetSorted() const = 0;
  virtual void SetSorted(bool sorted) = 0;
  virtual std::string GetText() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetCommaText() const = 0;
  virtual void SetCommaText(const std::string& text) = 0;
};

class TInterfaceStringList : public TInterfacedObject, public IInterfaceStringList {
 public:
  TInterfaceStringList() = default;

  void* QueryInterface(const Guid& iid) override;
  void Clear() override;
  void Delete(int32_t index) override;
  int32_t IndexOf(const std::string& name) const override;
  int32_t Add(const std::string& name) override;
  int32_t AddValue(const std::string& name, int32_t value) override;
  int32_t AddInterface(const std::string& name, const Ref<IInterface>& item) override;
  Ref<IInterfaceStringList> AddAll(const Ref<IInterfaceStringList>& source) override;
  void Insert(int32_t index, const std::string& name, const Ref<IInterface>& item) override;
  int32_t GetCount() const override;
  std::string GetName(int32_t index) const override;
  void SetName(int32_t index, const std::string& name) override;
  Ref<IInterface> GetInterface(int32_t index) const override;
  void SetInterface(int32_t index, const Ref<IInterface>& item) override;
  TDuplicates GetDuplicates() const override;
  void SetDuplicates(TDuplicates duplicates) override;
  bool GetSorted() const override;
  void SetSorted(bool sorted) override;
  std::string GetText() const override;
  void SetText(const std::string& text) override;
  std::string GetCommaText() const override;
  void SetCommaText(const std::string& text) override;

 protected:
  ~TInterfaceStringList() override;

 private:
  // A map keeps its entries in a list of its own, not through a reference.
  friend class TInterfaceMap;

  TNameList<Ref<IInterface>> list_;
};
