// Any bytes as the header area of a STADAF file from its record count on, behind a fixed part of the
// version the first byte picks (1.10, 2.00, 2.10): the header is read into the version's field list, every
// field described, and the records after it read one by one. Errors are expected; crashes, hangs and
// sanitizer reports are not.
#include <exception>

#include "fuzz/FuzzSupport.h"
#include "stadaf/StadafFile.h"
#include "stadaf/StadafVersion.h"

namespace {

struct TVersion {
  int32_t number;
  const char* text;
};
constexpr TVersion kVersions[] = {
    {kStadafVersion110, "1.10"}, {kStadafVersion200, "2.00"}, {kStadafVersion210, "2.10"}};

// The fixed part after format name and version: time, sender name and code, converter label, constants,
// file size, character set.
constexpr std::string_view kFixedRest =
    "202601150930Kestrelwing Fuzz    KW   Kestrelwing 1.0     00001#000000001234PC-ASCII";
static_assert(kFixedRest.size() == 83);

constexpr int kMaxRecords = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  if (size == 0) return 0;
  const TVersion& version = kVersions[data[0] % 3];
  const std::string bytes = std::string("STADAF") + version.text + std::string(kFixedRest) +
                            std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string file = folder.Write("input.daf", bytes);
  try {
    std::unique_ptr<TStadafFieldList> list = CreateStadafFieldList(version.number);
    list->SetDataFileName(file);
    list->LoadLayout(folder.Path("input.ini"));
    list->GetIdentificationText();
    for (int32_t i = 0; i < list->FieldCount(); ++i) list->FieldByIndex(i).GetDescription();
    const int32_t count = list->GetRecordCount();
    // Once measuring, once reading values: both ways must agree on whether and where each record ends.
    int32_t at = list->DataStart();
    for (int32_t n = 0; n < count && n < kMaxRecords; ++n) {
      list->SetPosition(at);
      bool skipped = true;
      try {
        list->SkipRecord();
      } catch (const std::exception&) {
        skipped = false;
      }
      const int32_t skippedTo = list->Position();
      list->SetPosition(at);
      bool read = true;
      try {
        list->ReadRecord();
      } catch (const std::exception&) {
        read = false;
      }
      if (read != skipped || (read && list->Position() != skippedTo)) std::abort();
      if (!read) break;
      for (int32_t i = 0; i < list->FieldCount(); ++i) list->FieldByIndex(i).ValueAsString();
      at = skippedTo;
    }
  } catch (const std::exception&) {
  }
  return 0;
}
