// Any bytes as a record-type index cache (".of1") for a data file of a fixed size and stamp: every offset
// of every record type the cache yields is read, and what was read is written and read back unchanged.
// Errors are expected; crashes, hangs, sanitizer reports and a cache that does not read back are not.
#include <exception>

#include "fuzz/FuzzSupport.h"
#include "stadaf/RecordTypeIndex.h"

namespace {

constexpr int64_t kDataFileSize = 1 << 20;

// Every entry as "key:offset,offset,...;", in the map's order.
std::string IndexText(const Ref<IInterfaceMap>& index) {
  std::string text;
  for (int32_t i = 0; i < index->GetCount(); ++i) {
    text += index->GetNameAt(i) + ":";
    const Ref<IDynamicIntegerArray> offsets = Query<IDynamicIntegerArray>(index->GetItemAt(i));
    if (!offsets) std::abort();  // every entry is an offset list
    for (int32_t j = 0; j < offsets->GetCount(); ++j) {
      const int32_t offset = offsets->GetItem(j);
      if (offset < 0 || offset >= kDataFileSize) std::abort();  // the reader bounds offsets by the data file
      text += std::to_string(offset) + ",";
    }
    text += ";";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string cache = folder.Write("input.of1", data, size);
  for (const char* stamp : {TFuzzFolder::kStampText, ""}) {
    try {
      const Ref<IInterfaceMap> index = ReadRecordTypeIndexCache(stamp, cache, kDataFileSize);
      if (!index) continue;
      for (int32_t recordType = 0; recordType <= 5; ++recordType) RecordTypeOffsets(index, recordType);
      const std::string text = IndexText(index);
      const std::string copy = folder.Path("copy.of1");
      WriteRecordTypeIndexCache(stamp, index, copy);
      const Ref<IInterfaceMap> reread = ReadRecordTypeIndexCache(stamp, copy, kDataFileSize);
      if (!reread || IndexText(reread) != text) std::abort();
    } catch (const std::exception&) {
    }
  }
  return 0;
}
