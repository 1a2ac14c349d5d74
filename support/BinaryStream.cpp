#include "support/BinaryStream.h"

#include <vector>

#include "support/Exception.h"

void* TBinaryStream::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IBinaryStream>(this, iid)) return found;
  return TInterfacedObject::QueryInterface(iid);
}

int64_t TBinaryStream::CopyFrom(IBinaryStream& source, int32_t count) {
  if (auto* own = dynamic_cast<TBinaryStream*>(&source)) return stream_.CopyFrom(own->stream_, count);
  // Another implementation: read through the interface, after checking that the bytes are there.
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count < 0 || source.GetPosition() < 0 ||
      static_cast<int64_t>(source.GetSize()) - source.GetPosition() < count)
    throw Exception("Stream read error");
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  source.Read(bytes.data(), count);
  stream_.Write(bytes.data(), count);
  return count;
}

Ref<IBinaryStream> CreateBinaryStream() {
  return MakeRef<IBinaryStream>(new TBinaryStream());
}
