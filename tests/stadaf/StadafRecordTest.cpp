#include <gtest/gtest.h>

#include <fstream>

#include "stadaf/Stadaf110FieldList.h"
#include "stadaf/Stadaf200FieldList.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

TEST(StadafClassifyRecord, TheSecondCodeLetterAfterTheDigitsDecides) {
  struct TCase {
    std::string bytes;
    int32_t result;
    int type;
  };
  const std::string digits19(19, '7');
  const TCase cases[] = {
      {"0000215FA.............", 0, 1},
      {"215RL................", 0, 2},
      {"0000123rt.............", 0, 4},
      {"0000123TK.............", 0, 3},
      {"0000123RS.............", 0, 5},
      {"0000001AS.............", 0, 5},
      {"0000001MC.............", -1, 0},
      {"0000001xa.............", 0, 1},
      {"FA..................", 0, 1},
      {digits19 + "FA", -2, 0},
      {"123456789012345678FA", 0, 1},
      {"12RT", 0, 4},
      {"1234", -2, 0},
      {"12R", -2, 0},
      {"0000001M\x01..............", -1, 0},
  };
  TTempDir dir;
  for (const TCase& c : cases) {
    TStadaf200FieldList list;
    list.SetDataFileName(dir.Write("c.daf", "XX" + c.bytes));
    EXPECT_EQ(list.ClassifyRecord(2), c.result) << c.bytes;
    EXPECT_EQ(list.CurrentRecordType(), c.type) << c.bytes;
    EXPECT_EQ(list.Position(), 0);
  }
}

TEST(StadafClassifyRecord, NoBytesAtTheOffsetLeaveTheRecordToTheRead) {
  TTempDir dir;
  TStadaf200FieldList list;
  list.SetDataFileName(dir.Write("c.daf", "XX12RT"));
  for (const int32_t offset : {6, 7, -1}) {
    EXPECT_EQ(list.ClassifyRecord(offset), 0) << offset;
    EXPECT_EQ(list.CurrentRecordType(), 0) << offset;
  }
  list.SetPosition(6);
  ExpectError<EFileReaderException>([&] { list.ReadRecord(); }, "EOF-Error");
}

class StadafRecords : public ::testing::Test {
 protected:
  std::unique_ptr<TStadafFieldList> Open(const std::string& bytes) {
    std::unique_ptr<TStadafFieldList> list = OpenStadafFieldList(dir.Write("r.daf", bytes));
    return list;
  }
  TTempDir dir;
};

TEST_F(StadafRecords, Version200ReadsEachRecordThroughItsTypesFields) {
  const std::string bytes = BuildSample200();
  const auto list = Open(bytes);
  auto& typed = dynamic_cast<TStadaf200FieldList&>(*list);
  std::string types;
  for (int32_t i = 0; i < list->GetRecordCount(); ++i) {
    list->ReadRecord();
    types += std::to_string(typed.CurrentRecordType());
    if (i == 3) {
      EXPECT_EQ(list->FieldByName("FaRemark").ValueAsString(), "Weekdays only");
      EXPECT_EQ(list->FieldByName("FaFlightRanges").ValueAsString(), "LH400LH409");
      EXPECT_EQ(list->FieldByName("FaAmount").ValueAsString(), "     1289.00");
      EXPECT_EQ(list->FieldByName("fatkref").ValueAsString(), "T0000001");
    }
  }
  EXPECT_EQ(types, "2451145521412511");
  EXPECT_EQ(list->Position(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(list->FieldByName("FaRemark").ValueAsString(),
            "K\xf8"
            "benhavn");
}

TEST_F(StadafRecords, Version200RecordNotEndingWithCrFailsAtItsOffset) {
  std::string bytes = BuildSample200();
  const auto probe = Open(bytes);
  const std::vector<int32_t> starts = RecordStarts(bytes, probe->DataStart());
  // Record 4 is the first fare: one byte more before its CR.
  bytes.insert(static_cast<size_t>(starts[4] - 1), "X");
  const auto list = Open(bytes);
  list->SetPosition(starts[3]);
  ExpectError<Exception>([&] { list->ReadRecord(); }, "Error at offset " + std::to_string(starts[3]));
  EXPECT_EQ(list->Position(), starts[3]);
  list->SetPosition(starts[2]);
  list->ReadRecord();
  EXPECT_EQ(list->Position(), starts[3]);
}

TEST_F(StadafRecords, UnclassifiableRecordsStopWithoutMovingBack) {
  std::string bytes = BuildSample200();
  const int32_t start = Open(bytes)->DataStart();
  struct TCase {
    std::string code;  // replaces the first record's "RL"
    std::string message;
  };
  const TCase cases[] = {{"MC", "Unknown record type code at offset "},
                         {"77", "No record type code at offset "}};
  for (const TCase& c : cases) {
    std::string spoiled = bytes;
    spoiled.replace(static_cast<size_t>(start + 7), 2, c.code);
    if (c.code == "77") spoiled.replace(static_cast<size_t>(start + 9), 10, "7777777777");
    const auto list = Open(spoiled);
    for (int pass = 0; pass < 2; ++pass) {
      ExpectError<EStadafException>(
          [&] {
            if (pass == 0)
              list->ReadRecord();
            else
              list->SkipRecord();
          },
          c.message + std::to_string(start));
      EXPECT_EQ(list->Position(), start);
    }
  }
}

TEST_F(StadafRecords, Version210RecordOfAGroupWithoutTypeIsReadThroughThatGroup) {
  std::string bytes = BuildSample210();
  const auto list = Open(bytes);
  auto& typed = dynamic_cast<TStadaf200FieldList&>(*list);
  const std::vector<int32_t> starts = RecordStarts(bytes, list->DataStart());
  list->SetPosition(starts[2]);
  list->ReadRecord();
  EXPECT_EQ(typed.CurrentRecordType(), 0);
  EXPECT_EQ(list->FieldByName("McClasses").ValueAsString(), "YBMH      ");
  EXPECT_EQ(list->Position(), starts[3]);
  // The code's letter case does not matter.
  bytes[static_cast<size_t>(starts[2] + 7)] = 'm';
  const auto lower = Open(bytes);
  lower->SetPosition(starts[2]);
  EXPECT_EQ(lower->SkipRecord(), 0);
  EXPECT_EQ(lower->Position(), starts[3]);
}

TEST_F(StadafRecords, Version110SeparatorIsNotCompared) {
  std::string bytes = BuildSample110();
  const auto probe = Open(bytes);
  const std::vector<int32_t> starts = RecordStarts(bytes, probe->DataStart());
  bytes[static_cast<size_t>(starts[1] - 1)] = 'Z';
  const auto list = Open(bytes);
  list->ReadRecord();
  EXPECT_EQ(list->Position(), starts[1]);
  list->ReadRecord();
  EXPECT_EQ(list->FieldByName("CARRIER").ValueAsString(), "LH ");
  EXPECT_EQ(list->FieldByName("ROUTING").ValueAsString(), "MUC-FRA-ORD");
  EXPECT_EQ(list->FieldByName("FLIGHTS").ValueAsString(), "");
  list->SetPosition(starts[0]);
  EXPECT_EQ(list->SkipRecord(), 1);
  EXPECT_EQ(list->Position(), starts[1]);
}

// The index pass measures records with a lighter read; it must succeed and fail exactly where reading the
// records with ReadRecord does, with the same message.
std::string IndexByReadRecord(const std::string& path) {
  try {
    const auto list = OpenStadafFieldList(path);
    auto* typed = dynamic_cast<TStadaf200FieldList*>(list.get());
    std::map<int, std::vector<int32_t>> offsets;
    const int32_t count = list->GetRecordCount();
    for (int32_t i = 0; i < count; ++i) {
      const int32_t offset = list->Position();
      list->ReadRecord();
      offsets[typed ? typed->CurrentRecordType() : 1].push_back(offset);
    }
    std::string text;
    for (const auto& [key, list] : offsets) {
      text += std::to_string(key) + ":";
      for (size_t j = 0; j < list.size(); ++j) text += (j ? "," : "") + std::to_string(list[j]);
      text += ";";
    }
    return text;
  } catch (const Exception& e) {
    return "error: " + e.Message();
  }
}

std::string IndexBySkipRecord(const std::string& path) {
  try {
    return IndexText(BuildRecordTypeIndex(path));
  } catch (const Exception& e) {
    return "error: " + e.Message();
  }
}

TEST(StadafSkipRecord, AgreesWithReadRecordOnEverySpoiledByte) {
  TTempDir dir;
  const std::string samples[] = {BuildSample110(), BuildSample200(), BuildSample210()};
  // Also the byte after the digits and one from 0x80 on.
  const char replacements[] = {'X', '0', '\r', '\0', '-', ':', '\xB9'};
  int failures = 0;
  for (const std::string& sample : samples) {
    const int32_t dataStart = OpenStadafFieldList(dir.Write("s.daf", sample))->DataStart();
    // The first four records hold every kind of field of each sample.
    const auto end = static_cast<size_t>(RecordStarts(sample, dataStart)[4]);
    for (size_t at = static_cast<size_t>(dataStart); at < end; ++at) {
      for (const char c : replacements) {
        if (sample[at] == c) continue;
        std::string spoiled = sample;
        spoiled[at] = c;
        const std::string path = dir.Write("s.daf", spoiled);
        const std::string expected = IndexByReadRecord(path);
        const std::string actual = IndexBySkipRecord(path);
        if (expected != actual && ++failures <= 10)
          ADD_FAILURE() << sample.substr(6, 4) << " byte " << at << " = " << int(c) << ": read " << expected
                        << ", skip " << actual;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

// Records of a large file are mostly measured in place in the reader's window, and the ones that cross its
// end through the checked path: both agree with ReadRecord, also for damage next to a window's end.
TEST(StadafSkipRecord, AgreesWithReadRecordAcrossReadAheadWindows) {
  TTempDir dir;
  const std::string path = dir.Path("bench.daf");
  WriteBenchStadaf200(path, 900 << 10, {TBenchShape::ShortRecords});
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(IndexBySkipRecord(path), IndexByReadRecord(path));
  const size_t window = TFileReader::kWindowSize;
  const std::vector<int32_t> starts = RecordStarts(bytes, OpenStadafFieldList(path)->DataStart());
  // The first record starting at or after offset.
  const auto startAfter = [&](size_t offset) {
    return static_cast<size_t>(*std::lower_bound(starts.begin(), starts.end(), static_cast<int32_t>(offset)));
  };
  const struct {
    size_t at;
    char c;
  } damages[] = {
      {startAfter(window - 8) - 1, 'X'},        // a record's CR, just before the window's end
      {startAfter(window) + 8, 'Q'},            // an unknown type code just after it
      {startAfter(3 * window / 2), 'Q'},        // no digits before the code
      {startAfter(2 * window - 30) + 3, '\0'},  // a length digit (not checked: no error)
      {bytes.size() - 1, 'Q'},                  // the last record's CR
  };
  int errors = 0;
  for (const auto& damage : damages) {
    std::string spoiled = bytes;
    spoiled[damage.at] = damage.c;
    const std::string spoiledPath = dir.Write("spoiled.daf", spoiled);
    const std::string expected = IndexByReadRecord(spoiledPath);
    errors += expected.starts_with("error: ");
    EXPECT_EQ(IndexBySkipRecord(spoiledPath), expected) << damage.at;
  }
  EXPECT_GE(errors, 3);  // the damage is seen, not skipped over
}

}  // namespace
