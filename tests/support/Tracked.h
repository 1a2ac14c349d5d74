#pragma once

#include "support/Interface.h"

// A counted object that reports how many of its kind are alive, to observe when containers free what
// they hold.
class TTracked : public TInterfacedObject {
 public:
  TTracked() { ++alive; }
  static inline int alive = 0;

 protected:
  ~TTracked() override { --alive; }
};

inline Ref<IInterface> MakeTracked() {
  return MakeRef<IInterface>(new TTracked());
}
