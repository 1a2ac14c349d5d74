#include "tools/kwdump/Kwdump.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DumpWriter.h"
#include "core/FileInfo.h"
#include "core/FileNames.h"
#include "core/Startup.h"
#include "dataset/RecordValues.h"
#include "dataset/ViewWalk.h"
#include "isam/CtreeDataSet.h"
#include "layout/TextHelpers.h"
#include "stadaf/RecordTypeIndex.h"
#include "support/Convert.h"
#include "support/ErrorReport.h"
#include "support/Exception.h"
#include "support/Text.h"
#include "tools/kwdump/DumpView.h"

namespace {

constexpr const char* kUsage =
    "usage: kwdump [--format jsonl|csv|tsv] [--schema] [--first N] [--limit K] [--type T] [--no-cache]\n"
    "              [--index NAME] [--where FIELD=PATTERN]... [--sort FIELD[:desc],...] FILE\n"
    "       kwdump --help\n"
    "Writes the records of an RFF (.rff), RFC (.rfc) or STADAF (.daf) file, or of an ISAM table (.dat), to\n"
    "standard output, as the viewer's data windows show them.\n"
    "  --format F   output format: jsonl (default; a header line, then one line per record), csv or tsv\n"
    "  --schema     print the columns only\n"
    "  --first N    start at record number N (default 1); past the last record is an error\n"
    "  --limit K    write at most K records (0: the header only)\n"
    "  --type T     STADAF files: only record type T, 1 to 5 (fare, rule, ticket, routing, routing\n"
    "               segment); default: every non-empty type in turn\n"
    "  --no-cache   STADAF files: neither read nor write the index cache (.of1)\n"
    "  --index NAME ISAM tables: the records in the order of that index (default: the first index;\n"
    "               an empty NAME: physical order)\n"
    "  --where FIELD=PATTERN\n"
    "               only the records whose FIELD matches PATTERN; repeated: all must match. PATTERN is a\n"
    "               whole value with * (any characters) and ? (any one character), or a comparison: >=N,\n"
    "               <=N, >N, <N, <>X, =X (as numbers when both sides are, else as texts); FIELD>=N and\n"
    "               FIELD<>X work too. Blanks around values do not count. STADAF files without --type:\n"
    "               only the record types that have every FIELD\n"
    "  --sort FIELD[:desc],...\n"
    "               the records ordered by these columns: a column of numbers numerically, any other by its\n"
    "               text; records that compare equal keep their order. --first and --limit count in this "
    "order\n"
    "  --help       print this text and exit\n"
    "Exit status: 0 done, 1 a file could not be opened or a record not read (message on standard error),\n"
    "2 bad arguments.\n";

struct TOptions {
  TDumpFormat format = TDumpFormat::dfJsonLines;
  bool schema = false;
  int32_t first = 1;
  std::optional<int64_t> limit;
  std::optional<int32_t> recordType;
  std::optional<std::string> index;
  bool useCache = true;
  std::vector<TFilterEntry> where;
  std::vector<TSortColumn> sort;
  std::string file;
  bool help = false;
};

std::optional<TOptions> ParseArguments(int argc, char** argv) {
  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--help") {
      options.help = true;
      return options;
    } else if (arg == "--format") {
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
      if (!n || *n < 1 || *n > 5) return std::nullopt;
      options.recordType = *n;
    } else if (arg == "--index") {
      options.index = value();
      if (!options.index) return std::nullopt;
    } else if (arg == "--where") {
      const auto v = value();
      const auto entry = v ? ParseWhere(*v) : std::nullopt;
      if (!entry) return std::nullopt;
      options.where.push_back(*entry);
    } else if (arg == "--sort") {
      const auto v = value();
      const auto columns = v ? ParseSort(*v) : std::nullopt;
      if (!columns) return std::nullopt;
      options.sort.insert(options.sort.end(), columns->begin(), columns->end());
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
  // A data set that knows no record numbers (an ISAM table's, unless queried or sorted) steps from its first
  // record.
  if (at <= 0)
    dataSet.MoveBy(recNo - 1);
  else if (at != recNo)
    dataSet.MoveBy(recNo - at);
}

// A record that cannot be read ends the dump: the records before it are written, then the message.
struct TDumpContext {
  const TOptions& options;
  TDumpWriter& writer;
  std::ostream& out;
  std::ostream& err;

  void Report(const std::exception& error) const {
    writer.Flush();
    out.flush();
    err << PrintableErrorText(error, options.file) << '\n';
  }
};

// Writes the records of one data set; false when a record could not be read. The values come through the
// data set's fastest cursor, which reads what its fields would give.
bool DumpRecords(TDataSet& dataSet, const TDumpContext& context) {
  const TOptions& options = context.options;
  try {
    MoveToRecord(dataSet, options.first);
    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(dataSet);
    for (int64_t written = 0; cursor->OnRecord(); ++written) {
      if (options.limit && written >= *options.limit) break;
      context.writer.WriteRecord(options.first + written, cursor->Values());
      cursor->Next();
    }
  } catch (const std::exception& e) {
    context.Report(e);
    return false;
  }
  return true;
}

// Writes the records of a view, read from the file a block at a time (WalkView); false when a record could
// not be read.
bool DumpViewRecords(TViewDataSet& view, const TDumpContext& context) {
  const TOptions& options = context.options;
  try {
    int64_t last = view.GetRecordCount();
    if (options.limit) last = std::min(last, int64_t{options.first} + *options.limit - 1);
    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(view.Base());
    TPassControl control;
    control.FileName = options.file;
    WalkView(*cursor, view.View(), options.first, static_cast<int32_t>(last), control,
             [&](int32_t position, std::span<const std::string_view> values) {
               context.writer.WriteRecord(position, values);
             });
  } catch (const std::exception& e) {
    context.Report(e);
    return false;
  }
  return true;
}

// Writes one holder's data set; false when a record could not be read.
bool DumpHolder(const TFileInfo& info, const TDumpContext& context) {
  const TOptions& options = context.options;
  TDataSet& dataSet = info.GetDataSet();
  if (options.index)
    NamingFile(info.FileName(), [&] { dynamic_cast<TCtreeDataSet&>(dataSet).SetIndexName(*options.index); });
  if (options.schema) {
    context.writer.WriteSchema(ColumnsOf(dataSet));
    return true;
  }
  std::unique_ptr<TViewDataSet> view;
  if (!options.where.empty() || !options.sort.empty())
    view = NamingFile(info.FileName(), [&] { return OpenDumpView(info, options.where, options.sort); });
  TDataSet& shown = view ? *view : dataSet;
  const int32_t count = shown.GetRecordCount();
  // Every kind of file refuses a start past its last record alike, before any output.
  if (options.first > 1 && options.first > count)
    throw Exception("--first " + std::to_string(options.first) + " is past the last record (" +
                    std::to_string(count) + (count == 1 ? " record)" : " records)"));
  context.writer.WriteHeader(ColumnsOf(shown), info.RecordType(), RecordTypeName(info.RecordType()), count);
  if (options.limit && *options.limit == 0) return true;
  return view ? DumpViewRecords(*view, context) : DumpRecords(shown, context);
}

bool HasColumnsOf(TDataSet& dataSet, const std::vector<TFilterEntry>& where) {
  for (const TFilterEntry& entry : where)
    if (dataSet.FindField(entry.FieldName) == nullptr) return false;
  return true;
}

// A STADAF file: the given record type, or every non-empty one of the types 1 to 5 in turn.
bool DumpStadaf(const std::string& extension, const TDumpContext& context) {
  const TOptions& options = context.options;
  const Ref<IInterfaceMap> index =
      OpenRecordTypeIndex(options.file, {}, options.useCache, options.recordType);
  for (int32_t recordType = 1; recordType <= 5; ++recordType) {
    if (options.recordType && *options.recordType != recordType) continue;
    Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, recordType);
    if (!options.recordType && (!offsets || offsets->GetCount() == 0)) continue;
    if (!offsets) offsets = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
    const TFileInfo info(options.file, offsets, static_cast<uint8_t>(recordType), extension);
    // Without --type, a query on a column that a record type lacks matches none of its records.
    if (!options.recordType && !HasColumnsOf(info.GetDataSet(), options.where)) continue;
    if (!DumpHolder(info, context)) return false;
  }
  return true;
}

}  // namespace

int RunKwdump(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const auto options = ParseArguments(argc, argv);
  if (!options) {
    err << kUsage;
    return 2;
  }
  if (options->help) {
    out << kUsage;
    return 0;
  }
  const std::string extension = UpperCase(ExtractFileExt(options->file));
  if (options->recordType && extension != ".DAF") {
    err << "kwdump: --type applies to STADAF (.daf) files only\n" << kUsage;
    return 2;
  }
  if (options->index && extension != ".DAT") {
    err << "kwdump: --index applies to ISAM tables (.dat) only\n" << kUsage;
    return 2;
  }
  if (extension != ".RFF" && extension != ".RFC" && extension != ".DAF" && extension != ".DAT") {
    err << PrintableErrorText(
               Exception("Not an RFF, RFC, STADAF or ISAM table file (.rff, .rfc, .daf, .dat)"),
               options->file)
        << '\n';
    return 1;
  }
  RunStartup();
  TDumpWriter writer(out, options->format);
  const TDumpContext context{*options, writer, out, err};
  int status = 0;
  try {
    const bool complete = extension == ".DAF"
                              ? DumpStadaf(extension, context)
                              : DumpHolder(TFileInfo(options->file, nullptr, 0, extension), context);
    status = complete ? 0 : 1;
  } catch (const std::exception& e) {
    context.Report(e);
    status = 1;
  }
  writer.Flush();
  out.flush();
  return status;
}
