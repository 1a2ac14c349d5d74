// Any bytes as an RFC file: the data set opened as the viewer opens it and every value of every row read,
// forwards and from the end. Errors are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "core/FileInfo.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string file = folder.Write("input.rfc", data, size);
  try {
    TFileInfo info(file, nullptr, 0, ".RFC");
    ReadEveryValue(info.GetDataSet());
  } catch (const std::exception&) {
  }
  return 0;
}
