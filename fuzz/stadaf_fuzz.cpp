// Any bytes as a STADAF file: the index pass, then every non-empty record type opened and read. Errors
// are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "core/FileInfo.h"
#include "fuzz/FuzzSupport.h"
#include "stadaf/RecordTypeIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string file = folder.Write("input.daf", data, size);
  try {
    const Ref<IInterfaceMap> index = OpenRecordTypeIndex(file, {}, false);
    for (int32_t recordType = 1; recordType <= 5; ++recordType) {
      const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, recordType);
      if (!offsets || offsets->GetCount() == 0) continue;
      try {
        TFileInfo info(file, offsets, static_cast<uint8_t>(recordType), ".DAF");
        ReadEveryValue(info.GetDataSet());
      } catch (const std::exception&) {
      }
    }
  } catch (const std::exception&) {
  }
  return 0;
}
