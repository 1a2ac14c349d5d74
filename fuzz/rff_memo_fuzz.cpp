// Any bytes as an RFF file set: a layout (".ini") and memo texts (".rfm") of any size, each a 4-byte
// length and its bytes, then the records (".rff"). Every value of every record is read, memo texts
// included. Errors are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "core/FileInfo.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  TFuzzParts parts(data, size);
  folder.WriteOrRemove("input.ini", parts.Next());
  folder.WriteOrRemove("input.rfm", parts.Next());
  const std::string file = folder.Write("input.rff", parts.Rest());
  try {
    TFileInfo info(file, nullptr, 0, ".RFF");
    TAbstractDataSet& dataSet = info.GetDataSet();
    ReadEveryValue(dataSet);
    dataSet.GetRecNo();
    dataSet.SetRecNo(2);
    ReadEveryValue(dataSet);
  } catch (const std::exception&) {
  }
  return 0;
}
