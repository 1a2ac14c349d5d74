// Any bytes as a layout file (".ini"): loaded into a field list, then every field described and looked up
// by name. Errors are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "fuzz/FuzzSupport.h"
#include "layout/DravikFieldList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string file = folder.Write("input.ini", data, size);
  TDravikFieldList list;
  try {
    list.LoadLayout(file);
  } catch (const std::exception&) {
  }
  // A failed load keeps the fields read before the failing line: they must stay usable.
  try {
    list.GetRecordLength();
    for (int32_t i = 0; i < list.FieldCount(); ++i) {
      TDravikField& field = list.FieldByIndex(i);
      field.GetDescription();
      if (&list.FieldByName(field.Name()) != &field) std::abort();  // names are unique
      field.ValueAsString();
    }
  } catch (const std::exception&) {
  }
  return 0;
}
