#include "support/DynamicIntegerArray.h"

void* TDynamicIntegerArray::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IDynamicIntegerArray>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}
