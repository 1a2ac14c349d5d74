#pragma once

#include <cstdint>

#include "support/Interface.h"
#include "support/MemoryStream.h"

// A counted in-memory byte stream (blobs of property sets, streamed buffers).
class IBinaryStream : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{777212C3-0B83-4873-97CA-12EC71D15BA4}");

  virtual int32_t GetPosition() const = 0;
  virtual void SetPosition(int32_t position) = 0;
  virtual int32_t GetSize() const = 0;
  // The first byte of the block; valid until the stream next grows.
  virtual uint8_t* GetMemory() = 0;
  // At most GetSize() - GetPosition() bytes; the position advances by the count returned.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // count bytes from source's position (0: the whole source from its first byte); a source holding
  // fewer fails with "Stream read error" and nothing is copied.
  virtual int64_t CopyFrom(IBinaryStream& source, int32_t count) = 0;
  virtual int32_t Seek(int32_t offset, TSeekOrigin origin) = 0;
};

class TBinaryStream : public TInterfacedObject, public IBinaryStream {
 public:
  TBinaryStream() = default;

  void* QueryInterface(const Guid& iid) override;
  int32_t GetPosition() const override { return stream_.Position(); }
  void SetPosition(int32_t position) override { stream_.SetPosition(position); }
  int32_t GetSize() const override { return stream_.Size(); }
  uint8_t* GetMemory() override { return stream_.Memory(); }
  int32_t Read(void* buffer, int32_t count) override { return stream_.Read(buffer, count); }
  int32_t Write(const void* buffer, int32_t count) override { return stream_.Write(buffer, count); }
  int64_t CopyFrom(IBinaryStream& source, int32_t count) override;
  int32_t Seek(int32_t offset, TSeekOrigin origin) override { return stream_.Seek(offset, origin); }

  TMemoryStream& Stream() { return stream_; }

 private:
  TMemoryStream stream_;
};

Ref<IBinaryStream> CreateBinaryStream();
