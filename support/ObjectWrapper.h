#pragma once

#include <cstdint>

#include "support/Interface.h"

// A boxed 32-bit value, so that a number can be stored where interfaces are kept.
class IObjectWrapper : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{411FFAE9-ABB1-4114-BC15-9BCB20E0989F}");

  virtual int32_t GetValue() const = 0;
};

class TObjectWrapper : public TInterfacedObject, public IObjectWrapper {
 public:
  explicit TObjectWrapper(int32_t value) : value_(value) {}

  void* QueryInterface(const Guid& iid) override {
    if (void* found = QueryAmong<IObjectWrapper>(this, iid)) return found;
    return TInterfacedObject::QueryInterface(iid);
  }
  int32_t GetValue() const override { return value_; }

 private:
  const int32_t value_;
};

inline Ref<IObjectWrapper> CreateObjectWrapper(int32_t value) {
  return MakeRef<IObjectWrapper>(new TObjectWrapper(value));
}
