#pragma once

#include <cstdint>

#include "support/Interface.h"
#include "support/MemoryStream.h"
#include "support/NameList.h"

// A growable list of 32-bit integers kept as raw bytes in a stream: item i is bytes 4i to 4i+3, least
// significant byte first, with no header; the count is the stream size divided by 4. The byte form is
// what the record-type index cache stores, so bytes copied in through GetStream read back as items.
class IDynamicIntegerArray : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{71E7867B-57FC-4243-8901-B15727633D9A}");

  // Reads item index and leaves the stream position after it; outside 0 to count - 1 it fails with
  // "List index out of bounds (%d)".
  virtual int32_t GetItem(int32_t index) = 0;
  virtual void Clear() = 0;
  // Appends at the end of the stream, wherever its position stands.
  virtual void Add(int32_t value) = 0;
  virtual int32_t GetCount() const = 0;
  // The backing stream, for copying the byte form to and from files; the array keeps it.
  virtual TMemoryStream& GetStream() = 0;
};

// Items live in one contiguous block; Add only appends (amortised growth), GetItem reads in place.
class TDynamicIntegerArray final : public TInterfacedObject, public IDynamicIntegerArray {
 public:
  TDynamicIntegerArray() = default;

  void* QueryInterface(const Guid& iid) override;
  int32_t GetItem(int32_t index) override {
    if (index < 0 || index >= GetCount()) RaiseListIndexError(index);
    const int32_t offset = index * 4;
    stream_.SetPosition(offset + 4);
    return stream_.Int32At(offset);
  }
  void Clear() override { stream_.Clear(); }
  void Add(int32_t value) override { stream_.AppendInt32(value); }
  int32_t GetCount() const override { return stream_.Size() / 4; }
  TMemoryStream& GetStream() override { return stream_; }

 private:
  TMemoryStream stream_;
};
