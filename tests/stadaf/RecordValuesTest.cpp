// The record value cursors of RFF and STADAF data sets against the cursor through the data set's fields: the
// same values, the same errors (class, message and file) at the same steps, over valid and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <typeinfo>

#include "dataset/RecordValues.h"
#include "rff/RFFDataSet.h"
#include "support/DynamicIntegerArray.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

using namespace std::string_literals;

// What a cursor meets: each record's number and values, then the error that ended the walk, if any.
using TScript = std::function<void(TRecordValues& cursor, size_t columns, std::string& out)>;

void AppendValues(TRecordValues& cursor, std::string& out) {
  out += std::to_string(cursor.RecNo()) + ":";
  for (const std::string_view value : cursor.Values()) out += "[" + std::string(value) + "]";
  out += "\n";
}

// Every record from the first on, as a dump walks them.
void WalkAll(TRecordValues& cursor, size_t /*columns*/, std::string& out) {
  for (; cursor.OnRecord(); cursor.Next()) AppendValues(cursor, out);
}

// Every record, its values asked for one at a time from the last column to the first, each twice.
void WalkAskingOneByOne(TRecordValues& cursor, size_t columns, std::string& out) {
  for (; cursor.OnRecord(); cursor.Next()) {
    out += std::to_string(cursor.RecNo()) + ":";
    for (size_t i = columns; i-- > 0;)
      out += "[" + std::string(cursor.Value(i)) + "|" + std::string(cursor.Value(i)) + "]";
    out += "\n";
  }
}

// Records reached by number, as a sort goes back to them: the last, the first, one in the middle, then
// past the end.
void JumpAbout(TRecordValues& cursor, size_t /*columns*/, std::string& out) {
  for (const int32_t recNo : {3, 1, 2, 2, 9, 12, 0}) {
    out += "to " + std::to_string(recNo) + ": ";
    cursor.MoveTo(recNo);
    AppendValues(cursor, out);
  }
}

// Every record, the values of as many records as the cursor holds (up to kMost) taken in one step, column by
// column from the last, then skipped over.
template <size_t kMost>
void WalkHeld(TRecordValues& cursor, size_t columns, std::string& out) {
  std::vector<std::vector<std::string_view>> held(columns, std::vector<std::string_view>(kMost));
  while (cursor.OnRecord()) {
    const int32_t recNo = cursor.RecNo();
    size_t n = kMost;
    for (size_t i = columns; i-- > 0;) n = std::min(n, cursor.HeldValues(i, std::span(held[i]).first(n)));
    for (size_t k = 0; k < n; ++k) {
      out += std::to_string(recNo + static_cast<int32_t>(k)) + ":";
      for (size_t i = 0; i < columns; ++i) out += "[" + std::string(held[i][k]) + "]";
      out += "\n";
    }
    if (cursor.Skip(n)) {
      EXPECT_EQ(cursor.RecNo(), recNo + static_cast<int32_t>(n));
    }
  }
}

std::string ErrorText(const std::exception& e) {
  const auto* exception = dynamic_cast<const Exception*>(&e);
  return std::string(typeid(e).name()) + " " + e.what() + " (" + (exception ? exception->FileName() : "") +
         ")";
}

// Runs script on a cursor over a data set that open() makes and opens.
template <class TOpen>
std::string Transcript(const TOpen& open, bool fast, const std::vector<int32_t>& columns,
                       const TScript& script) {
  std::string out;
  try {
    auto holder = open();
    TDataSet& dataSet = holder->DataSet();
    std::vector<int32_t> chosen = columns;
    if (chosen.empty()) chosen = AllColumns(dataSet);
    if (fast) {
      EXPECT_NE(dataSet.CreateRecordValues(chosen), nullptr);
    }
    const auto cursor = fast ? OpenRecordValues(dataSet, chosen) : OpenFieldRecordValues(dataSet, chosen);
    script(*cursor, chosen.size(), out);
  } catch (const std::exception& e) {
    out += "error: " + ErrorText(e);
  }
  return out;
}

// All columns, then each column alone, walked and jumped about.
template <class TOpen>
void ExpectSameAsFields(const TOpen& open, int32_t columnCount, const std::string& name) {
  std::vector<std::vector<int32_t>> choices{{}};
  for (int32_t c = 0; c < columnCount; ++c) choices.push_back({c});
  for (const auto& columns : choices)
    for (const TScript& script : {TScript(WalkAll), TScript(WalkAskingOneByOne), TScript(JumpAbout),
                                  TScript(WalkHeld<3>), TScript(WalkHeld<1000>)}) {
      const std::string fields = Transcript(open, false, columns, script);
      EXPECT_EQ(Transcript(open, true, columns, script), fields)
          << name << ", columns " << (columns.empty() ? std::string("all") : std::to_string(columns[0]));
    }
}

// ---- RFF

struct TRffHolder {
  TRFFDataSet set;
  TDataSet& DataSet() { return set; }
};

struct TRffCase {
  const char* name;
  std::string layout;  // the field lines of the .ini file
  std::string records;
  std::optional<std::string> memo;  // the .rfm file's bytes
};

const std::string kMemo = "first text\0second, \"quoted\"\0third"s;

std::vector<TRffCase> RffCases() {
  const std::string fixed = "CXR, 3\r\nCITY, 6\r\nAMOUNT, 5\r\n";
  const std::string plain = "LH Munich00100\r\nAF Paris 00250\r\nLX Zurich00015\r\n";
  const std::string memo = "CXR, 3\r\nMEMO_NOTE, 4\r\nREMARK, 4, M\r\nSUBMEMO, 2\r\n";
  std::string wide = "CXR, 3\r\nWIDE, 300\r\n";
  std::string wideRecord = "LH " + std::string("ab") + '\0' + std::string(297, 'x') + "\r\n";
  // Past the reader's window, records across its ends, some with a zero byte.
  std::string many;
  for (int i = 0; i < 20000; ++i) {
    char record[17];
    std::snprintf(record, sizeof record, "%-3s%-6s%05d", i % 3 ? "LH" : "AF", i % 997 ? "Munich" : "Mu", i);
    many.append(record, 14);
    if (i % 997 == 0) many[many.size() - 10] = '\0';
    many += "\r\n";
  }
  return {
      {"plain fixed fields", fixed, plain, std::nullopt},
      {"zero bytes inside values", fixed, "L\0 Mu\0ich00100\r\n\0\0\0Paris 0025\0\r\n"s + plain.substr(0, 17),
       std::nullopt},
      {"a zero byte in a field wider than 255", wide, wideRecord + wideRecord, std::nullopt},
      {"half a record after the counted ones", fixed, plain + "LX Zur", std::nullopt},
      {"records across the reader's window", fixed, many + "LX Zur", std::nullopt},
      {"a record cut short that is counted", fixed, plain + "LX Zurich0", std::nullopt},
      {"a first record cut short", fixed, "LH Mun", std::nullopt},
      {"no records", fixed, "", std::nullopt},
      {"memo texts", memo, "LH 00000000ab\r\nAF 000B000Bcd\r\nLX 001E0000ef\r\n", kMemo},
      {"a memo offset that is no number", memo, "LH 00000000ab\r\nAF 00zz0000cd\r\nLX 001E0000ef\r\n", kMemo},
      {"a memo offset past the memo file", memo, "LH 00000000ab\r\nAF 0FFF0000cd\r\n", kMemo},
      {"a string column from a memo text past the file", memo, "LH 000000000b\r\nAF 00000FFFcd\r\n", kMemo},
      {"no memo file", memo, "LH 00000000ab\r\nAF 000B000Bcd\r\n", std::nullopt},
      {"a length-prefixed memo column", "CXR, 3\r\nMEMO_VAR, -2\r\n", "LH 02ab\r\nAF 03abc\r\n",
       std::nullopt},
      {"a virtual field", "CXR, 3\r\nCALC, 32770\r\nAMOUNT, 5\r\n", "LH 00100\r\nAF 00250\r\n", std::nullopt},
  };
}

TEST(RecordValues, RffCursorGivesWhatTheFieldsGive) {
  for (const TRffCase& c : RffCases()) {
    TTempDir dir;
    dir.Write("f.ini", "[FIELDDESCRIPTIONS]\r\n" + c.layout);
    const std::string path = dir.Write("f.rff", c.records);
    if (c.memo) dir.Write("f.rfm", *c.memo);
    const auto open = [&] {
      auto holder = std::make_unique<TRffHolder>();
      holder->set.SetFileName(path);
      holder->set.Open();
      return holder;
    };
    int32_t columns = 0;
    try {
      columns = open()->set.Fields().Count();
    } catch (const std::exception&) {
    }
    ExpectSameAsFields(open, columns, c.name);
  }
}

TEST(RecordValues, RffCursorGivesWhatTheFieldsGiveInTheSamples) {
  for (const char* name : {"fares.rff", "routes.rff"}) {
    const std::string path = std::string(KW_SAMPLES_DIR) + "/" + name;
    const auto open = [&] {
      auto holder = std::make_unique<TRffHolder>();
      holder->set.SetFileName(path);
      holder->set.Open();
      return holder;
    };
    ExpectSameAsFields(open, open()->set.Fields().Count(), name);
  }
}

// ---- STADAF

TStadafFieldSpec Spec(char type, int32_t size, std::string name, int32_t elementSize = 0) {
  TStadafFieldSpec spec;
  spec.Type = type;
  spec.Size = size;
  spec.Name = std::move(name);
  spec.ElementSize = elementSize;
  return spec;
}

// A 2.00 file of fares (fixed, length-prefixed and structured fields) and rules, and where each record
// starts.
struct TStadafFile {
  std::string bytes;
  std::vector<int32_t> fares;
  std::vector<int32_t> rules;
};

TStadafFile BuildFile(int32_t fareCount, size_t noteLength) {
  TStadafFileBuilder b("2.00");
  const int32_t fare = b.AddGroup(
      "FA", {Spec('F', 7, "FaRecordLength"), Spec('F', 2, "FaRecordType"), Spec('F', 3, "FaCarrier"),
             Spec('D', 5, "FaNote"), Spec('S', 0, "FaRanges", 4), Spec('F', 5, "FaAmount")});
  const int32_t rule = b.AddGroup(
      "RL", {Spec('F', 7, "RlRecordLength"), Spec('F', 2, "RlRecordType"), Spec('D', 2, "RlText")});
  b.AddGroup("TK", {Spec('F', 7, "TkRecordLength"), Spec('F', 2, "TkRecordType")});
  b.AddGroup("RT", {Spec('F', 7, "RtRecordLength"), Spec('F', 2, "RtRecordType")});
  b.AddGroup("RS", {Spec('F', 7, "RsRecordLength"), Spec('F', 2, "RsRecordType")});
  std::vector<size_t> fareStarts;
  std::vector<size_t> ruleStarts;
  for (int32_t i = 0; i < fareCount; ++i) {
    fareStarts.push_back(b.Body().size());
    b.AddRecord(fare, {"", "FA", i % 2 ? "LH" : "AF", std::string(noteLength, char('a' + i % 26)) + "!",
                       i % 3 ? "LH40LH41" : "", std::to_string(100 + i)});
    if (i % 4 == 1) {
      ruleStarts.push_back(b.Body().size());
      b.AddRecord(rule, {"", "RL", "rule text " + std::to_string(i)});
    }
  }
  TStadafFile file;
  file.bytes = b.Build();
  const auto dataStart = static_cast<int32_t>(file.bytes.size() - b.Body().size());
  for (const size_t s : fareStarts) file.fares.push_back(dataStart + static_cast<int32_t>(s));
  for (const size_t s : ruleStarts) file.rules.push_back(dataStart + static_cast<int32_t>(s));
  return file;
}

struct TStadafCase {
  const char* name;
  // Damages the file; returns the fare offsets the data set gets.
  std::function<std::vector<int32_t>(TStadafFile& file)> damage;
};

// Replaces the bytes at a fare record's offset + at.
void Patch(TStadafFile& file, int32_t fare, size_t at, std::string_view bytes) {
  file.bytes.replace(static_cast<size_t>(file.fares[static_cast<size_t>(fare)]) + at, bytes.size(), bytes);
}

// Fare record layout: length 7, type 2, carrier 3, note length 5 + note, ranges header 16 + data, amount 5.
constexpr size_t kNoteAt = 12;

std::vector<TStadafCase> StadafCases() {
  const auto unchanged = [](TStadafFile& f) { return f.fares; };
  return {
      {"valid records", unchanged},
      {"a zero byte in a fixed value",
       [](TStadafFile& f) {
         Patch(f, 1, 9, std::string("L\0H", 3));
         return f.fares;
       }},
      {"a zero byte in a length-prefixed value",
       [](TStadafFile& f) {
         Patch(f, 2, kNoteAt + 6, std::string(1, '\0'));
         return f.fares;
       }},
      {"a length prefix with a sign",
       [](TStadafFile& f) {
         Patch(f, 1, kNoteAt, "+0007");
         return f.fares;
       }},
      {"a length prefix that is no number",
       [](TStadafFile& f) {
         Patch(f, 2, kNoteAt, "00x06");
         return f.fares;
       }},
      {"structure data of part of an element",
       [](TStadafFile& f) {
         // Note "bbbbbb!" (7 bytes) in record 1, then the ranges header "000008 00002 00004": 2 data bytes
         // end it.
         Patch(f, 1, kNoteAt + 5 + 7 + 16 + 2, std::string(1, '\0'));
         return f.fares;
       }},
      {"a structure size that is no number",
       [](TStadafFile& f) {
         Patch(f, 1, kNoteAt + 5 + 7, "00x008");
         return f.fares;
       }},
      {"no CR after a record",
       [](TStadafFile& f) {
         Patch(f, 3, static_cast<size_t>(f.fares[4] - f.fares[3] - 1), "X");
         return f.fares;
       }},
      {"an unknown record type code",
       [](TStadafFile& f) {
         Patch(f, 2, 7, "XX");
         return f.fares;
       }},
      {"a rule among the fares",
       [](TStadafFile& f) {
         std::vector<int32_t> offsets = f.fares;
         offsets[2] = f.rules[0];
         return offsets;
       }},
      {"an offset past the end of the file",
       [](TStadafFile& f) {
         std::vector<int32_t> offsets = f.fares;
         offsets.push_back(static_cast<int32_t>(f.bytes.size()) + 5);
         return offsets;
       }},
      {"the last record cut short",
       [](TStadafFile& f) {
         f.bytes.resize(f.bytes.size() - 4);
         return f.fares;
       }},
  };
}

struct TStadafHolder {
  std::unique_ptr<TStadafTypeView> view;
  TDataSet& DataSet() { return view->DataSet(); }
};

Ref<IDynamicIntegerArray> OffsetList(const std::vector<int32_t>& offsets) {
  auto list = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray);
  for (const int32_t offset : offsets) list->Add(offset);
  return list;
}

void ExpectStadafSameAsFields(const std::string& path, const Ref<IDynamicIntegerArray>& offsets, uint8_t type,
                              const std::string& name) {
  const auto open = [&] {
    auto holder = std::make_unique<TStadafHolder>();
    holder->view = std::make_unique<TStadafTypeView>(path, offsets, type);
    return holder;
  };
  ExpectSameAsFields(open, open()->DataSet().Fields().Count(), name);
}

TEST(RecordValues, StadafCursorGivesWhatTheFieldsGive) {
  for (const TStadafCase& c : StadafCases()) {
    TStadafFile file = BuildFile(6, 6);
    const std::vector<int32_t> fares = c.damage(file);
    TTempDir dir;
    ExpectStadafSameAsFields(dir.Write("f.daf", file.bytes), OffsetList(fares), 1, c.name);
  }
}

TEST(RecordValues, StadafCursorReadsRecordsAcrossTheReadersWindow) {
  // Records of about 9 KiB: some cross the end of the reader's 256 KiB window.
  TStadafFile file = BuildFile(70, 9000);
  TTempDir dir;
  const std::string path = dir.Write("f.daf", file.bytes);
  ExpectStadafSameAsFields(path, OffsetList(file.fares), 1, "long records");
  ExpectStadafSameAsFields(path, OffsetList(file.rules), 2, "rules between long records");
}

TEST(RecordValues, StadafCursorGivesWhatTheFieldsGiveInTheSamples) {
  for (const std::string& bytes : {BuildSample110(), BuildSample200(), BuildSample210()}) {
    TTempDir dir;
    const std::string path = dir.Write("s.daf", bytes);
    const Ref<IInterfaceMap> index = BuildRecordTypeIndex(path);
    for (uint8_t type = 1; type <= 5; ++type)
      if (const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, type))
        ExpectStadafSameAsFields(path, offsets, type, bytes.substr(6, 4) + " type " + std::to_string(type));
  }
}

}  // namespace
