// Any bytes as the CSV that kwisam imports: every value goes from UTF-8 to Windows-1252 and into a field
// of each class, as an import stores it. A value a field takes must read back as text that the field
// takes again to the same stored bytes; errors are expected, crashes and sanitizer reports are not.
#include <cstring>
#include <sstream>
#include <vector>

#include "isam/CtreeTable.h"
#include "support/DateTimeText.h"
#include "support/Windows1252.h"
#include "tools/kwisam/Csv.h"

namespace {

// Fields that can be written without an engine behind them.
class TFieldHost : public TCTreeTable {
 public:
  TFieldHost() {
    SetUseInternalDeleteFlag(false);
    for (const auto& [name, fieldClass, size] :
         std::vector<std::tuple<const char*, TCtreeFieldClass, uint16_t>>{
             {"b", kBooleanField, 0},
             {"c", kCharField, 0},
             {"s", kSmallIntField, 0},
             {"i", kIntegerField, 0},
             {"a", kAutoCounterField, 0},
             {"d", kDateField, 0},
             {"f", kFloatField, 0},
             {"t", kDateTimeField, 0},
             {"str", kStringField, 12},
         })
      AddField(name, fieldClass, size);
    AddField("m", kMemoField, 0);
    RefreshStructure();
  }
  void CheckWritable() const override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFieldHost* host = [] {
    SetShortDateFormat("M/D/YYYY");
    return new TFieldHost;
  }();
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  TCsvReader reader(input);
  std::vector<std::string> row;
  for (int rows = 0; rows < 64 && reader.ReadRecord(row); ++rows) {
    for (const std::string& value : row) {
      const auto text = Utf8ToWindows1252(value);
      if (!text) continue;
      for (const auto& field : host->AllFields()) {
        try {
          if (field->IsVariable()) {
            field->SetBlobData(text->c_str());
            if (std::strncmp(field->BlobData(), text->c_str(), text->size()) != 0 &&
                text->find('\0') == std::string::npos)
              std::abort();
            continue;
          }
          field->SetAsString(*text);
        } catch (const std::exception&) {
          continue;
        }
        const std::vector<uint8_t> stored(field->Data(), field->Data() + field->GetDataSize());
        const std::string shown = field->AsString();
        field->SetAsString(shown);  // must not raise: what a field shows, it takes
        if (std::memcmp(stored.data(), field->Data(), stored.size()) != 0) std::abort();
        Windows1252ToUtf8(shown);
      }
    }
  }
  return 0;
}
