// Any bytes as an RFF layout and data file: the first byte splits the input into the ".ini" text and
// the records. Errors are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "core/FileInfo.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  if (size == 0) return 0;
  const size_t layoutSize = std::min<size_t>(data[0], size - 1);
  folder.Write("input.ini", data + 1, layoutSize);
  const std::string file = folder.Write("input.rff", data + 1 + layoutSize, size - 1 - layoutSize);
  folder.Write("input.rfm", data + 1, size - 1);
  try {
    TFileInfo info(file, nullptr, 0, ".RFF");
    ReadEveryValue(info.GetDataSet());
  } catch (const std::exception&) {
  }
  return 0;
}
