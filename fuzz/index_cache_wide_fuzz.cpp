// Any bytes as the ".of64" record-type index cache of a data file of 1 TiB: every offset the cache yields
// is read and checked against the reader's promises (rising, inside the data file), and what was read is
// written and read back unchanged. Errors are expected; crashes, hangs, sanitizer reports, runaway memory
// and a cache that does not read back are not.
#include <exception>

#include "fuzz/FuzzSupport.h"
#include "stadaf/RecordOffsets.h"
#include "stadaf/RecordTypeIndex.h"

namespace {

constexpr int64_t kDataFileSize = int64_t{1} << 40;

std::string IndexText(const Ref<IInterfaceMap>& index) {
  std::string text;
  for (int32_t i = 0; i < index->GetCount(); ++i) {
    text += index->GetNameAt(i) + ":";
    const Ref<IDynamicIntegerArray> offsets = Query<IDynamicIntegerArray>(index->GetItemAt(i));
    if (!offsets) std::abort();
    int64_t previous = -1;
    for (int32_t j = 0; j < offsets->GetCount(); ++j) {
      const int64_t offset = RecordOffsetAt(*offsets, j);
      if (offset <= previous || offset >= kDataFileSize) std::abort();
      previous = offset;
      text += std::to_string(offset) + ",";
    }
    text += ";";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string cache = folder.Write("input.of64", data, size);
  for (const char* stamp : {TFuzzFolder::kStampText, ""}) {
    try {
      const Ref<IInterfaceMap> index = ReadWideRecordTypeIndexCache(stamp, cache, kDataFileSize);
      if (!index) continue;
      const std::string text = IndexText(index);
      const std::string copy = folder.Path("copy.of64");
      WriteWideRecordTypeIndexCache(stamp, kDataFileSize, index, copy);
      const Ref<IInterfaceMap> reread = ReadWideRecordTypeIndexCache(stamp, copy, kDataFileSize);
      if (!reread || IndexText(reread) != text) std::abort();
      for (int32_t recordType = 0; recordType <= 5; ++recordType)
        if (const Ref<IInterfaceMap> one =
                ReadWideRecordTypeIndexCache(stamp, copy, kDataFileSize, recordType))
          IndexText(one);
    } catch (const std::exception&) {
    }
  }
  return 0;
}
