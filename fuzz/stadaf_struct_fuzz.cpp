// Any bytes as a structured field: the first line is its description, the rest records that hold
// structures back to back, read one after the other; the rest is also stored as a value directly.
// Errors are expected; crashes, hangs and sanitizer reports are not.
#include <exception>

#include "fuzz/FuzzSupport.h"
#include "layout/FileReader.h"
#include "stadaf/StadafStructField.h"

namespace {

constexpr int kMaxStructures = 256;

// The header must always describe the value the field holds.
void CheckHeader(const TStadafStructField& field) {
  if (field.StructureHeader().size() != TStadafStructField::kHeaderSize) std::abort();
  if (field.TotalSize() < 0 || field.ElementCount() < 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = std::min(input.find('\n'), input.size());
  const std::string line(input.substr(0, lineEnd));
  const std::string_view records = input.substr(std::min(lineEnd + 1, input.size()));
  TStadafStructField field(nullptr);
  try {
    field.SetDescription(line);
    field.GetDescription();
  } catch (const std::exception&) {
  }
  CheckHeader(field);
  try {
    field.SetValue(std::string(records).c_str());
  } catch (const std::exception&) {
  }
  CheckHeader(field);
  field.ValueAsString();
  if (records.empty()) return 0;
  TFileReader reader;
  reader.Open(folder.Write("input.daf", records));
  for (int n = 0; n < kMaxStructures && reader.Position() < reader.OpenedSize(); ++n) {
    const int32_t before = reader.Position();
    try {
      field.ReadFromRecord(reader);
    } catch (const std::exception&) {
      break;
    }
    if (reader.Position() < before + TStadafStructField::kHeaderSize) std::abort();  // past header and data
    CheckHeader(field);
    if (field.ValueAsString().size() != static_cast<size_t>(field.TotalSize())) std::abort();
  }
  return 0;
}
