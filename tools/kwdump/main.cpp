// kwdump: writes the records of an RFF, RFC or STADAF file as the viewer's data sets deliver them.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FileInfo.h"
#include "app/FileNames.h"
#include "app/Startup.h"
#include "layout/TextHelpers.h"
#include "stadaf/RecordTypeIndex.h"
#include "support/Convert.h"
#include "support/Exception.h"
#include "support/Text.h"
#include "tools/kwdump/DumpWriter.h"

namespace {

constexpr const char* kUsage =
    "usage: kwdump [--format jsonl|csv|tsv] [--schema] [--first N] [--limit K] [--type T] [--no-cache] FILE\n"
    "  --format F   output format (default jsonl)\n"
    "  --schema     print the columns only\n"
    "  --first N    start at record number N (default 1)\n"
    "  --limit K    write at most K records (0: the header only)\n"
    "  --type T     STADAF files: only record type T (default: every non-empty type 1 to 5)\n"
    "  --no-cache   STADAF files: neither read nor write the .of1 index cache\n";

struct TOptions {
  TDumpFormat format = TDumpFormat::dfJsonLines;
  bool schema = false;
  int32_t first = 1;
  std::optional<int64_t> limit;
  std::optional<int32_t> recordType;
  bool useCache = true;
  std::string file;
};

std::optional<TOptions> ParseArguments(int argc, char** argv) {
  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--format") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (*v == "jsonl") {
        options.format = TDumpFormat::dfJsonLines;
      } else if (*v == "csv") {
        options.format = TDumpFormat::dfCsv;
      } else if (*v == "tsv") {
        options.format = TDumpFormat::dfTsv;
      } else {
        return std::nullopt;
      }
    } else if (arg == "--schema") {
      options.schema = true;
    } else if (arg == "--no-cache") {
      options.useCache = false;
    } else if (arg == "--type") {
      const auto v = value();
      const auto n = v ? TryStrToInt(*v) : std::nullopt;
      if (!n || *n < 0 || *n > 127) return std::nullopt;
      options.recordType = *n;
    } else if (arg == "--first" || arg == "--limit") {
      const auto v = value();
      const auto n = v ? TryStrToInt(*v) : std::nullopt;
      if (!n || (arg == "--first" ? *n < 1 : *n < 0)) return std::nullopt;
      if (arg == "--first")
        options.first = *n;
      else
        options.limit = *n;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return std::nullopt;
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      return std::nullopt;
    }
  }
  if (options.file.empty()) return std::nullopt;
  return options;
}

std::vector<TDumpColumn> ColumnsOf(TDataSet& dataSet) {
  std::vector<TDumpColumn> columns;
  for (const auto& field : dataSet.Fields())
    columns.push_back({field->FieldName(), field->IsBlob(), field->Size()});
  return columns;
}

// Brings the cursor to record recNo as the grid does: by number where the data set can, else by
// stepping, which reads no records on the sources that cannot position by number.
void MoveToRecord(TDataSet& dataSet, int32_t recNo) {
  if (recNo <= 1) return;
  dataSet.SetRecNo(recNo);
  const int32_t at = dataSet.GetRecNo();
  if (at != recNo) dataSet.MoveBy(recNo - at);
}

// Writes the records of one data set; false when a record could not be read.
bool DumpRecords(TDataSet& dataSet, const TOptions& options, TDumpWriter& writer) {
  std::vector<std::string> values(static_cast<size_t>(dataSet.Fields().Count()));
  try {
    MoveToRecord(dataSet, options.first);
    for (int64_t written = 0; !dataSet.IsEmpty() && !dataSet.Eof(); ++written) {
      if (options.limit && written >= *options.limit) break;
      for (int32_t i = 0; i < dataSet.Fields().Count(); ++i)
        dataSet.Fields()[i].GetAsString(values[size_t(i)]);
      writer.WriteRecord(dataSet.GetRecNo(), values);
      dataSet.Next();
    }
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << e.what() << '\n';
    return false;
  }
  return true;
}

// Writes one holder's data set; false when a record could not be read.
bool DumpHolder(const TFileInfo& info, const TOptions& options, TDumpWriter& writer) {
  TDataSet& dataSet = info.GetDataSet();
  if (options.schema) {
    writer.WriteSchema(ColumnsOf(dataSet));
    return true;
  }
  writer.WriteHeader(ColumnsOf(dataSet), info.RecordType(), RecordTypeName(info.RecordType()),
                     dataSet.GetRecordCount());
  if (options.limit && *options.limit == 0) return true;
  return DumpRecords(dataSet, options, writer);
}

// A STADAF file: the given record type, or every non-empty one of the types 1 to 5 in turn.
bool DumpStadaf(const TOptions& options, const std::string& extension, TDumpWriter& writer) {
  const Ref<IInterfaceMap> index = OpenRecordTypeIndex(options.file, {}, options.useCache);
  for (int32_t recordType = 1; recordType <= 5; ++recordType) {
    if (options.recordType && *options.recordType != recordType) continue;
    Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, recordType);
    if (!options.recordType && (!offsets || offsets->GetCount() == 0)) continue;
    if (!offsets) offsets = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
    const TFileInfo info(options.file, offsets, static_cast<uint8_t>(recordType), extension);
    if (!DumpHolder(info, options, writer)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseArguments(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string extension = UpperCase(ExtractFileExt(options->file));
  if (options->recordType && extension != ".DAF") {
    std::cerr << "kwdump: --type applies to STADAF (.daf) files only\n" << kUsage;
    return 2;
  }
  std::ios::sync_with_stdio(false);
  RunStartup();
  int status = 0;
  try {
    TDumpWriter writer(std::cout, options->format);
    bool complete;
    if (extension == ".DAF") {
      complete = DumpStadaf(*options, extension, writer);
    } else {
      complete = DumpHolder(TFileInfo(options->file, nullptr, 0, extension), *options, writer);
    }
    status = complete ? 0 : 1;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << e.what() << '\n';
    status = 1;
  }
  std::cout.flush();
  RunFinalization();
  return status;
}
