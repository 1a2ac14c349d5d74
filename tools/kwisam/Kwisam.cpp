#include "tools/kwisam/Kwisam.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Startup.h"
#include "isam/CtreeTable.h"
#include "isam/EngineBinding.h"
#include "isam/EngineTexts.h"
#include "support/Convert.h"
#include "support/ErrorReport.h"
#include "support/Text.h"
#include "support/Windows1252.h"
#include "tools/kwisam/Csv.h"

namespace {

constexpr const char* kUsage =
    "Usage: kwisam COMMAND TABLE [ARGUMENTS]\n"
    "TABLE is the table's path without extension (its data file is TABLE.dat).\n"
    "Commands:\n"
    "  create TABLE --field NAME:TYPE[:SIZE]... [--index NAME:FIELD[;FIELD...][:unique][:descending]]...\n"
    "      TYPE: boolean, char, smallint, integer, autocounter, date, float, datetime,\n"
    "      string (SIZE required), memo, graphic\n"
    "  import TABLE [FILE] [--progress]   CSV with a header row of field names (standard input without\n"
    "      FILE or with -); --progress writes each row's number once it is stored\n"
    "  export TABLE [--index NAME] [--format csv|jsonl]\n"
    "  get TABLE --index NAME VALUE...        the record with that key, as one JSON line\n"
    "  nearest TABLE --index NAME VALUE...    the first record whose key is not less\n"
    "  update TABLE --index NAME VALUE... --set FIELD=TEXT... [--optimistic]\n"
    "  count TABLE | schema TABLE | rebuild TABLE | check TABLE\n"
    "  add-index TABLE NAME:FIELD[;FIELD...][:unique][:descending]\n"
    "Text is UTF-8 here and Windows-1252 in the table. Exit status: 0 done, 1 error or nothing found,\n"
    "2 bad arguments.\n";

struct TUsageError {
  std::string text;
};

struct TTypeName {
  const char* name;
  TCtreeFieldClass fieldClass;
  uint8_t dataType;
};
constexpr TTypeName kTypes[] = {
    {"boolean", kBooleanField, dtBoolean},
    {"char", kCharField, dtChar},
    {"smallint", kSmallIntField, dtSmallInt},
    {"integer", kIntegerField, dtInteger},
    {"autocounter", kAutoCounterField, dtAutoCounter},
    {"date", kDateField, dtDate},
    {"float", kFloatField, dtFloat},
    {"datetime", kDateTimeField, dtDateTime},
    {"string", kStringField, dtString},
    {"memo", kMemoField, dtMemo},
    {"graphic", kGraphicField, dtGraphic},
};

const char* TypeName(uint8_t dataType) {
  for (const TTypeName& type : kTypes)
    if (type.dataType == dataType) return type.name;
  return "unknown";
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// Command-line and file text in the table's code page.
std::string ToTable(std::string_view utf8) {
  uint32_t bad = 0;
  if (auto encoded = Utf8ToWindows1252(utf8, &bad)) return std::move(*encoded);
  // The message stays in the table's code page: it names the character, not the text.
  if (bad == 0) throw Exception("Text is not UTF-8");
  char codePoint[16];
  std::snprintf(codePoint, sizeof codePoint, "U+%04X", bad);
  throw Exception("Windows-1252 cannot hold the character " + std::string(codePoint));
}

struct TIndexSpec {
  std::string name;
  std::string fields;
  bool unique = false;
  bool descending = false;
};

TIndexSpec ParseIndexSpec(const std::string& text) {
  const std::vector<std::string> parts = Split(text, ':');
  if (parts.size() < 2 || parts[0].empty() || parts[1].empty())
    throw TUsageError{"kwisam: an index is NAME:FIELD[;FIELD...][:unique][:descending]: " + text};
  TIndexSpec spec{ToTable(parts[0]), ToTable(parts[1])};
  for (size_t i = 2; i < parts.size(); ++i) {
    if (parts[i] == "unique")
      spec.unique = true;
    else if (parts[i] == "descending")
      spec.descending = true;
    else
      throw TUsageError{"kwisam: unknown index option \"" + parts[i] + "\" in " + text};
  }
  return spec;
}

// The fields a record shows: every field but the internal delete flag.
std::vector<TCtreeField*> VisibleFields(const TCTreeTable& table) {
  std::vector<TCtreeField*> fields;
  for (int i = 0; i < table.FieldCount(); ++i) fields.push_back(&table.Fields(i));
  return fields;
}

std::string ValueText(TCtreeField& field) {
  return Windows1252ToUtf8(field.DataType() == dtMemo ? std::string(field.BlobData()) : field.AsString());
}

void AssignText(TCtreeField& field, const std::string& text) {
  if (field.DataType() == dtMemo)
    field.SetBlobData(text.c_str());
  else
    field.SetAsString(text);
}

void AppendJsonRecord(std::string& out, const std::vector<TCtreeField*>& fields) {
  out += '{';
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    AppendJsonString(out, Windows1252ToUtf8(fields[i]->Name()));
    out += ':';
    AppendJsonString(out, ValueText(*fields[i]));
  }
  out += "}\n";
}

// The arguments after COMMAND TABLE: options with their values, and the plain arguments.
struct TArguments {
  std::multimap<std::string, std::string> options;
  std::vector<std::string> plain;
  std::optional<std::string> One(const std::string& option) const {
    const auto it = options.find(option);
    if (it == options.end()) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> All(const std::string& option) const {
    std::vector<std::string> values;
    for (auto [it, end] = options.equal_range(option); it != end; ++it) values.push_back(it->second);
    return values;
  }
};

TArguments ParseArguments(int argc, const char* const* argv, int first,
                          const std::vector<std::string>& valued, const std::vector<std::string>& flags) {
  TArguments arguments;
  for (int i = first; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      if (std::find(flags.begin(), flags.end(), argument) != flags.end()) {
        arguments.options.emplace(argument, "");
        continue;
      }
      if (std::find(valued.begin(), valued.end(), argument) == valued.end())
        throw TUsageError{"kwisam: unknown option " + argument};
      if (i + 1 >= argc) throw TUsageError{"kwisam: " + argument + " needs a value"};
      arguments.options.emplace(argument, argv[++i]);
      continue;
    }
    arguments.plain.push_back(argument);
  }
  return arguments;
}

class TKwisam {
 public:
  TKwisam(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

  int Run(const std::string& command, const std::string& tableName, int argc, const char* const* argv);

 private:
  TCTreeTable& OpenTable(TFileMode mode) {
    table_->SetFileMode(mode);
    try {
      table_->Open();
    } catch (const ECTreeException&) {
      // A table that can be read but not written says so rather than that it cannot be read.
      const std::string file = table_->DataFileName();
      if (mode != TFileMode::fmReadOnly && ::access(file.c_str(), R_OK) == 0 &&
          ::access(file.c_str(), W_OK) != 0)
        ThrowNaming(Exception(std::string("The table cannot be written: ") + std::strerror(errno)), file);
      throw;
    }
    return *table_;
  }
  // Readers open for reading and writing where they may, as a writer's opening repairs the indexes of
  // a write that was interrupted; read-only where the files cannot be written.
  TCTreeTable& OpenForReading() {
    try {
      table_->SetFileMode(TFileMode::fmShared);
      table_->Open();
      return *table_;
    } catch (const ECTreeException&) {
      return OpenTable(TFileMode::fmReadOnly);
    }
  }
  int Create(const TArguments& arguments);
  int Import(const TArguments& arguments);
  int Export(const TArguments& arguments);
  int Find(const TArguments& arguments, bool exact);
  int Update(const TArguments& arguments);
  int Schema();
  int AddIndex(const TArguments& arguments);
  int Check();
  // Finds the record; mode none: opened for reading.
  bool Search(const TArguments& arguments, bool exact, std::optional<TFileMode> mode);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<TCTreeTable> table_;
};

int TKwisam::Run(const std::string& command, const std::string& tableName, int argc,
                 const char* const* argv) {
  struct TCommand {
    const char* name;
    std::vector<std::string> valued;
    std::vector<std::string> flags;
  };
  static const TCommand kCommands[] = {
      {"create", {"--field", "--index"}, {}},
      {"import", {}, {"--progress"}},
      {"export", {"--index", "--format"}, {}},
      {"get", {"--index"}, {}},
      {"nearest", {"--index"}, {}},
      {"update", {"--index", "--set"}, {"--optimistic"}},
      {"count", {}, {}},
      {"schema", {}, {}},
      {"add-index", {}, {}},
      {"rebuild", {}, {}},
      {"check", {}, {}},
  };
  const TCommand* found = nullptr;
  for (const TCommand& c : kCommands)
    if (command == c.name) found = &c;
  if (!found) throw TUsageError{"kwisam: unknown command \"" + command + "\""};
  const TArguments arguments = ParseArguments(argc, argv, 3, found->valued, found->flags);
  const bool takesPlain = command == "import" || command == "get" || command == "nearest" ||
                          command == "update" || command == "add-index";
  if (!takesPlain && !arguments.plain.empty())
    throw TUsageError{"kwisam: unexpected argument " + arguments.plain[0]};

  table_ = std::make_unique<TCTreeTable>();
  table_->SetTableName(ToTable(tableName));
  if (command == "create") return Create(arguments);
  if (command == "import") return Import(arguments);
  if (command == "export") return Export(arguments);
  if (command == "get" || command == "nearest") return Find(arguments, command == "get");
  if (command == "update") return Update(arguments);
  if (command == "count") {
    out_ << OpenForReading().RecordCount() << '\n';
    return 0;
  }
  if (command == "schema") return Schema();
  if (command == "add-index") return AddIndex(arguments);
  if (command == "rebuild") {
    table_->RebuildIndexes();
    return 0;
  }
  return Check();
}

int TKwisam::Create(const TArguments& arguments) {
  const std::vector<std::string> fields = arguments.All("--field");
  if (fields.empty()) throw TUsageError{"kwisam: create needs at least one --field"};
  TCTreeTable& table = *table_;
  table.SetUseInternalDeleteFlag(true);
  table.ClearFields();
  for (const std::string& field : fields) {
    const std::vector<std::string> parts = Split(field, ':');
    const TTypeName* type = nullptr;
    for (const TTypeName& t : kTypes)
      if (parts.size() >= 2 && parts[1] == t.name) type = &t;
    if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || !type)
      throw TUsageError{"kwisam: a field is NAME:TYPE[:SIZE] with a known TYPE: " + field};
    uint16_t size = 0;
    if (type->dataType == dtString) {
      const auto value = parts.size() == 3 ? TryStrToInt(parts[2]) : std::nullopt;
      if (!value || *value < 1 || *value > 32767)
        throw TUsageError{"kwisam: a string field needs a SIZE from 1 to 32767: " + field};
      size = static_cast<uint16_t>(*value);
    } else if (parts.size() == 3) {
      throw TUsageError{"kwisam: only string fields take a SIZE: " + field};
    }
    table.AddField(ToTable(parts[0]), type->fieldClass, size);
  }
  for (const std::string& text : arguments.All("--index")) {
    const TIndexSpec spec = ParseIndexSpec(text);
    TCTreeIndexDef& index = table.AddIndex(spec.name, spec.fields);
    if (index.SegmentCount() != static_cast<int>(Split(spec.fields, ';').size()))
      throw Exception("Index " + spec.name + " names a field the table does not have: " + spec.fields);
    index.Unique = spec.unique;
    index.SetDescending(spec.descending);
  }
  if (!table.CreateTable())
    ThrowNaming(Exception("Unable to create the table: " + GetEngineErrorText(table.LastError())),
                table.DataFileName());
  return 0;
}

int TKwisam::Import(const TArguments& arguments) {
  if (arguments.plain.size() > 1) throw TUsageError{"kwisam: import takes one FILE"};
  std::ifstream file;
  std::istream* input = &in_;
  const std::string source = arguments.plain.empty() ? "-" : arguments.plain[0];
  if (source != "-") {
    file.open(source, std::ios::binary);
    if (!file) ThrowNaming(Exception("Unable to open the file"), source);
    input = &file;
  }
  const bool progress = arguments.One("--progress").has_value();
  TCsvReader reader(*input);
  std::vector<std::string> header;
  if (!reader.ReadRecord(header)) return 0;
  TCTreeTable& table = OpenTable(TFileMode::fmShared);
  std::vector<TCtreeField*> columns;
  for (const std::string& name : header) columns.push_back(&table.FieldByName(ToTable(name)));
  std::vector<std::string> row;
  for (long long rowNumber = 1; reader.ReadRecord(row); ++rowNumber) {
    try {
      if (reader.Unterminated()) throw Exception("a quoted field runs to the end of the input");
      if (row.size() > columns.size())
        throw Exception("the row has " + std::to_string(row.size()) + " fields, the header " +
                        std::to_string(columns.size()));
      table.Insert();
      for (size_t i = 0; i < row.size(); ++i) AssignText(*columns[i], ToTable(row[i]));
      if (!table.Post()) throw Exception(GetEngineErrorText(table.LastError()));
      if (progress) out_ << rowNumber << '\n' << std::flush;
    } catch (const Exception& e) {
      if (table.TableState() == TCTreeTableState::ctsInsert) table.Cancel();
      err_ << "row " << rowNumber << ": " << Windows1252ToUtf8(e.Message()) << '\n';
      return 1;
    }
  }
  return 0;
}

int TKwisam::Export(const TArguments& arguments) {
  const std::string format = arguments.One("--format").value_or("csv");
  if (format != "csv" && format != "jsonl") throw TUsageError{"kwisam: --format is csv or jsonl"};
  TCTreeTable& table = OpenForReading();
  if (const auto index = arguments.One("--index"))
    table.SetIndexName(ToTable(*index));
  else
    table.SetIndexFieldNames("");
  const std::vector<TCtreeField*> fields = VisibleFields(table);
  std::string buffer;
  if (format == "csv") {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) buffer += ',';
      AppendCsvField(buffer, Windows1252ToUtf8(fields[i]->Name()));
    }
    buffer += "\r\n";
  }
  for (table.First(); !table.Eof(); table.Next()) {
    if (format == "csv") {
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) buffer += ',';
        AppendCsvField(buffer, ValueText(*fields[i]));
      }
      buffer += "\r\n";
    } else {
      AppendJsonRecord(buffer, fields);
    }
    if (buffer.size() >= 256 * 1024) {
      out_ << buffer;
      buffer.clear();
    }
  }
  out_ << buffer;
  return 0;
}

bool TKwisam::Search(const TArguments& arguments, bool exact, std::optional<TFileMode> mode) {
  const auto index = arguments.One("--index");
  if (!index) throw TUsageError{"kwisam: --index NAME is needed"};
  if (arguments.plain.empty()) throw TUsageError{"kwisam: at least one VALUE is needed"};
  TCTreeTable& table = mode ? OpenTable(*mode) : OpenForReading();
  table.SetIndexName(ToTable(*index));
  table.SetKey();
  try {
    const int count = static_cast<int>(arguments.plain.size());
    if (count > table.ActiveIndex()->SegmentCount())
      throw Exception("Index " + *index + " has " + std::to_string(table.ActiveIndex()->SegmentCount()) +
                      " fields, " + std::to_string(count) + " values given");
    for (int i = 0; i < count; ++i)
      AssignText(table.KeyField(i), ToTable(arguments.plain[static_cast<size_t>(i)]));
    table.SetKeyFieldCount(count);
  } catch (...) {
    table.Cancel();
    throw;
  }
  return exact ? table.GotoKey() : table.GotoNearest();
}

int TKwisam::Find(const TArguments& arguments, bool exact) {
  if (!Search(arguments, exact, std::nullopt)) return 1;
  std::string line;
  AppendJsonRecord(line, VisibleFields(*table_));
  out_ << line;
  return 0;
}

int TKwisam::Update(const TArguments& arguments) {
  const std::vector<std::string> sets = arguments.All("--set");
  if (sets.empty()) throw TUsageError{"kwisam: update needs at least one --set FIELD=TEXT"};
  std::vector<std::pair<std::string, std::string>> assignments;
  for (const std::string& set : sets) {
    const size_t equals = set.find('=');
    if (equals == std::string::npos || equals == 0) throw TUsageError{"kwisam: --set is FIELD=TEXT: " + set};
    assignments.emplace_back(ToTable(set.substr(0, equals)), ToTable(set.substr(equals + 1)));
  }
  table_->SetEditMode(arguments.One("--optimistic") ? TEditMode::emOptimistic : TEditMode::emPessimistic);
  if (!Search(arguments, true, TFileMode::fmShared)) return 1;
  TCTreeTable& table = *table_;
  for (const auto& [name, text] : assignments) table.FieldByName(name);
  if (!table.Edit())
    ThrowNaming(Exception("Unable to edit the record: " + GetEngineErrorText(table.LastError())),
                table.DataFileName());
  try {
    for (const auto& [name, text] : assignments) AssignText(table.FieldByName(name), text);
  } catch (...) {
    table.Cancel();
    throw;
  }
  if (!table.Post()) {
    const int code = table.LastError();
    ThrowNaming(Exception(code == -1 ? "The record was changed by another user since it was read"
                                     : GetEngineErrorText(code)),
                table.DataFileName());
  }
  return 0;
}

int TKwisam::Schema() {
  const TCTreeTable& table = *table_;
  if (!table.FieldExists("Internal delete flag") && table.FieldCount() == 0)
    ThrowNaming(Exception("Unable to read table information"), table.DataFileName());
  std::string json = "{\"fields\":[";
  const std::vector<TCtreeField*> fields = VisibleFields(table);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) json += ',';
    json += "{\"name\":";
    AppendJsonString(json, Windows1252ToUtf8(fields[i]->Name()));
    json += ",\"type\":\"";
    json += TypeName(fields[i]->DataType());
    // A string's declared size; a memo or picture has none of its own.
    const uint8_t type = fields[i]->DataType();
    const int size = type == dtString          ? fields[i]->Size()
                     : fields[i]->IsVariable() ? 0
                                               : fields[i]->GetDataSize();
    json += "\",\"size\":" + std::to_string(size) + "}";
  }
  json += "],\"indexes\":[";
  for (int i = 0; i < table.IndexCount(); ++i) {
    const TCTreeIndexDef& index = table.IndexDefs(i);
    if (i > 0) json += ',';
    json += "{\"name\":";
    AppendJsonString(json, Windows1252ToUtf8(index.Name()));
    json += ",\"fields\":[";
    for (size_t f = 0; f < index.FieldNameList().size(); ++f) {
      if (f > 0) json += ',';
      AppendJsonString(json, Windows1252ToUtf8(index.FieldNameList()[f]));
    }
    json += std::string("],\"unique\":") + (index.Unique ? "true" : "false") +
            ",\"descending\":" + (index.Descending ? "true" : "false") + "}";
  }
  json += "]}\n";
  out_ << json;
  return 0;
}

int TKwisam::AddIndex(const TArguments& arguments) {
  if (arguments.plain.size() != 1) throw TUsageError{"kwisam: add-index takes one NAME:FIELD[;FIELD...]"};
  const TIndexSpec spec = ParseIndexSpec(arguments.plain[0]);
  TCTreeTable& table = *table_;
  TCTreeIndexDef& index = table.AddIndex(spec.name, spec.fields);
  if (index.SegmentCount() != static_cast<int>(Split(spec.fields, ';').size()))
    throw Exception("Index " + spec.name + " names a field the table does not have: " + spec.fields);
  index.Unique = spec.unique;
  index.SetDescending(spec.descending);
  // Opening builds the pending index into its own file.
  table.SetFileMode(TFileMode::fmShared);
  table.Open();
  if (table.IndexPosition(spec.name) < 0)
    ThrowNaming(
        Exception("Unable to build index " + spec.name + ": " + GetEngineErrorText(table.LastError())),
        table.DataFileName());
  return 0;
}

int TKwisam::Check() {
  const auto check = EngineEntryPoints().IntegrityCheck;
  if (!check) throw Exception("The engine library has no integrity check");
  // A writer's opening first repairs what an interrupted write left; the check sees the files after it.
  OpenForReading();
  table_->Close();
  std::vector<char> report(64 * 1024, '\0');
  const std::string file = table_->DataFileName();
  const int16_t rc = check(file.c_str(), report.data(), static_cast<int32_t>(report.size()));
  if (rc == 0) {
    out_ << "ok\n";
    return 0;
  }
  const std::string text(report.data());
  err_ << (text.empty() ? file + ": " + GetEngineErrorText(rc) + "\n" : text);
  if (!text.empty() && text.back() != '\n') err_ << '\n';
  return 1;
}

}  // namespace

int RunKwisam(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--help") {
      out << kUsage;
      return 0;
    }
  if (argc < 3) {
    err << kUsage;
    return 2;
  }
  RunStartup();
  int status;
  {
    TKwisam kwisam(in, out, err);
    try {
      status = kwisam.Run(argv[1], argv[2], argc, argv);
    } catch (const TUsageError& e) {
      err << e.text << '\n' << kUsage;
      status = 2;
    } catch (const std::exception& e) {
      err << PrintableErrorText(e, std::string(argv[2])) << '\n';
      status = 1;
    }
  }
  out.flush();
  RunFinalization();
  return status;
}
