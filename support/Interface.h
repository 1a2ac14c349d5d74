#pragma once

#include <atomic>
#include <compare>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "support/Exception.h"

// A 128-bit interface identifier, written as in "{6209FECB-6E7A-4C7D-9423-2D5AB05BD6FC}".
struct Guid {
  uint32_t d1 = 0;
  uint16_t d2 = 0;
  uint16_t d3 = 0;
  uint8_t d4[8] = {};

  static constexpr Guid Parse(const char (&text)[39]) {
    Guid g;
    int pos = 1;
    auto hex = [&](int digits) {
      uint32_t v = 0;
      for (int i = 0; i < digits; ++i, ++pos) {
        const char c = text[pos];
        v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
      }
      return v;
    };
    g.d1 = hex(8);
    ++pos;
    g.d2 = static_cast<uint16_t>(hex(4));
    ++pos;
    g.d3 = static_cast<uint16_t>(hex(4));
    ++pos;
    g.d4[0] = static_cast<uint8_t>(hex(2));
    g.d4[1] = static_cast<uint8_t>(hex(2));
    ++pos;
    for (int i = 2; i < 8; ++i) g.d4[i] = static_cast<uint8_t>(hex(2));
    return g;
  }

  friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

// Every interface derives virtually from IInterface, so that one object can implement several of them
// and share a single reference count.
class IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{00000000-0000-0000-C000-000000000046}");

  // The object as the interface named by iid, or nullptr; does not take a reference.
  virtual void* QueryInterface(const Guid& iid) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

// Answers iid with the first of the listed interfaces whose IID matches.
template <class... Interfaces, class Self>
void* QueryAmong(Self* self, const Guid& iid) {
  void* found = nullptr;
  ((found == nullptr && iid == Interfaces::IID ? void(found = static_cast<Interfaces*>(self)) : void()), ...);
  return found;
}

// Owns its reference count: the object deletes itself when the last reference goes.
class TInterfacedObject : public virtual IInterface {
 public:
  TInterfacedObject() = default;
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;

  void* QueryInterface(const Guid& iid) override {
    return iid == IInterface::IID ? static_cast<IInterface*>(this) : nullptr;
  }
  int32_t AddRef() override { return ++refCount_; }
  int32_t Release() override {
    const int32_t count = --refCount_;
    if (count == 0) delete this;
    return count;
  }
  int32_t RefCount() const { return refCount_; }

 protected:
  ~TInterfacedObject() override = default;

 private:
  std::atomic<int32_t> refCount_{0};
};

// Counted reference to an interface; empty when it refers to nothing.
template <class I>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  explicit Ref(I* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& other) : Ref(other.p_) {}
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class J>
  requires std::is_convertible_v<J*, I*> Ref(const Ref<J>& other) : Ref(static_cast<I*>(other.get())) {}
  ~Ref() { reset(); }

  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  void reset() {
    if (I* p = std::exchange(p_, nullptr)) p->Release();
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  I& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  I* p_ = nullptr;
};

// Takes a reference to a freshly made object: MakeRef<IFoo>(new TFoo(...)).
template <class I, class T>
Ref<I> MakeRef(T* object) {
  return Ref<I>(static_cast<I*>(object));
}

// The interface I of the object behind p, or an empty reference when it does not implement I.
template <class I, class J>
Ref<I> Query(const Ref<J>& p) {
  if (!p) return {};
  return Ref<I>(static_cast<I*>(p->QueryInterface(I::IID)));
}
template <class I>
Ref<I> Query(IInterface* p) {
  if (!p) return {};
  return Ref<I>(static_cast<I*>(p->QueryInterface(I::IID)));
}

// As Query, but an object without I raises EIntfCastError.
template <class I, class J>
Ref<I> QueryStrict(const Ref<J>& p) {
  Ref<I> result = Query<I>(p);
  if (!result) throw EIntfCastError();
  return result;
}
