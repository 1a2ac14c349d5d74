#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/BinaryOpenMode.h"
#include "rff/RFFSubDataSet.h"
#include "tests/TestSupport.h"

namespace {

std::string RfcLine(int n, size_t width = 64) {
  std::string line;
  while (line.size() < width) line += static_cast<char>('A' + (n + line.size()) % 26);
  return line + "\r\n";
}

std::string RfcFile(int lines, size_t width = 64) {
  std::string out;
  for (int i = 0; i < lines; ++i) out += RfcLine(i, width);
  return out;
}

std::vector<std::string> Row(TRFFSubDataSet& ds) {
  std::vector<std::string> values;
  for (const auto& field : ds.Fields()) values.push_back(field->AsString());
  return values;
}

class RFFSubDataSetTest : public ::testing::Test {
 protected:
  void TearDown() override { SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadWrite); }
  TTempDir dir;
};

TEST_F(RFFSubDataSetTest, FullLinesGiveTenColumnsAtTheirOffsets) {
  const std::string data = RfcFile(10);
  TRFFSubDataSet ds;
  ds.SetFileName(dir.Write("a.rfc", data));
  ds.Open();
  EXPECT_EQ(ds.GetRecordCount(), 10);
  EXPECT_EQ(ds.RecordSize(), 66);
  std::vector<std::string> names;
  for (const auto& f : ds.Fields()) names.push_back(f->FieldName());
  EXPECT_EQ(names, (std::vector<std::string>{"Tariff1_ID", "Car1", "Class1", "Dest1", "Tariff2_ID", "Car2",
                                             "Class2", "Dest2", "Jaw", "HIP"}));
  ds.MoveBy(2);
  const std::string row3 = data.substr(132, 66);
  EXPECT_EQ(Row(ds), (std::vector<std::string>{row3.substr(0, 13), row3.substr(13, 3), row3.substr(16, 6),
                                               row3.substr(22, 4), row3.substr(26, 13), row3.substr(39, 3),
                                               row3.substr(42, 6), row3.substr(48, 4), row3.substr(52, 6),
                                               row3.substr(58, 6)}));
}

TEST_F(RFFSubDataSetTest, ShortFirstLineDropsLaterColumns) {
  TRFFSubDataSet ds;
  ds.SetFileName(dir.Write("s.rfc", RfcFile(3, 40)));
  ds.Open();
  ASSERT_EQ(ds.Fields().Count(), 6);
  // Car2 starts at 39: the line's last character and its CR LF.
  EXPECT_EQ(ds.Fields()[5].AsString(), RfcLine(0, 40).substr(39));
}

TEST_F(RFFSubDataSetTest, CountIgnoresAPartialRecordAndEmptyFilesHaveOneColumn) {
  struct Case {
    std::string data;
    int count;
    int columns;
  };
  for (const Case& c : {Case{RfcFile(10) + "X", 10, 10}, Case{"", 0, 1}, Case{"\r\n\r\n\r\n", 3, 1}}) {
    TRFFSubDataSet ds;
    ds.SetFileName(dir.Write("c.rfc", c.data));
    ds.Open();
    EXPECT_EQ(ds.GetRecordCount(), c.count);
    EXPECT_EQ(ds.Fields().Count(), c.columns);
  }
}

TEST_F(RFFSubDataSetTest, SetRecNoDoesNotMoveAndLastReadsNothingBefore) {
  TRFFSubDataSet ds;
  ds.SetFileName(dir.Write("n.rfc", RfcFile(5)));
  ds.Open();
  ds.SetRecNo(4);
  EXPECT_EQ(ds.GetRecNo(), 1);
  ds.Last();
  EXPECT_EQ(ds.GetRecNo(), 5);
  EXPECT_EQ(ds.Fields()[0].AsString(), RfcLine(4).substr(0, 13));
}

TEST_F(RFFSubDataSetTest, OpenModeIsReadOnlyWhileOpenAndBackOnAnyClose) {
  TRFFSubDataSet first, second;
  first.SetFileName(dir.Write("1.rfc", RfcFile(2)));
  second.SetFileName(dir.Write("2.rfc", RfcFile(2)));
  first.Open();
  EXPECT_EQ(GetDefaultBinaryOpenMode(), TBinaryOpenMode::bomReadOnly);
  second.Open();
  first.Close();
  EXPECT_EQ(GetDefaultBinaryOpenMode(), TBinaryOpenMode::bomReadWrite);
  EXPECT_TRUE(second.Active());
}

TEST_F(RFFSubDataSetTest, FileNameIsFixedWhileOpenAndMissingFilesFail) {
  TRFFSubDataSet ds;
  ds.SetFileName(dir.Path("missing.rfc"));
  ExpectError<EInOutError>([&] { ds.Open(); }, "I/O error 2");
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(GetDefaultBinaryOpenMode(), TBinaryOpenMode::bomReadWrite);
  const std::string good = dir.Write("g.rfc", RfcFile(1));
  ds.SetFileName(good);
  ds.Open();
  ds.SetFileName(dir.Path("other.rfc"));
  EXPECT_EQ(ds.FileName(), good);
}

TEST_F(RFFSubDataSetTest, FileShrinkingWhileOpenGivesAnError) {
  const std::string path = dir.Write("k.rfc", RfcFile(4));
  TRFFSubDataSet ds;
  ds.SetFileName(path);
  ds.Open();
  dir.Write("k.rfc", RfcFile(1));
  ds.Last();
  EXPECT_THROW(ds.Fields()[0].AsString(), EInOutError);
}

// The first line's end is looked for within the longest record a buffer holds: a file without line ends
// was read to its end (3 GiB) into one record.
TEST_F(RFFSubDataSetTest, AFirstLineLongerThanARecordIsRefused) {
  const std::string path = dir.Write("huge.rfc", "");
  ASSERT_EQ(::truncate(path.c_str(), int64_t{3} << 30), 0);
  TRFFSubDataSet ds;
  ds.SetFileName(path);
  ExpectError<EDatabaseError>([&] { ds.Open(); }, "Record size exceeds 65535 bytes");
  const std::string longest = dir.Write("long.rfc", std::string(65533, 'A') + "\r\n");
  TRFFSubDataSet fits;
  fits.SetFileName(longest);
  fits.Open();
  EXPECT_EQ(fits.GetRecordCount(), 1);
  EXPECT_EQ(fits.Fields()[9].AsString(), "AAAAAA");
}

TEST_F(RFFSubDataSetTest, DevicesAreNoRecordFiles) {
  TRFFSubDataSet ds;
  ds.SetFileName("/dev/zero");
  ExpectError<Exception>([&] { ds.Open(); }, "Not a regular file");
}

}  // namespace

// Records past 4 GiB read at their 64-bit offsets; more records than 32-bit numbers are refused, naming the
// file.
TEST_F(RFFSubDataSetTest, LargeFilesReadOrSayWhyNot) {
  const std::string line(64, 'x');
  const std::string path = dir.Write("big.rfc", line + "\r\n");
  std::error_code error;
  const int64_t count = (int64_t{1} << 32) / 66 + 3;
  std::filesystem::resize_file(path, count * 66, error);
  if (error) GTEST_SKIP() << "no sparse files here";
  {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp((count - 1) * 66);
    out << "LAST-TARIFF-1" << std::string(51, 'y') << "\r\n";
  }
  TRFFSubDataSet ds;
  ds.SetFileName(path);
  ds.Open();
  EXPECT_EQ(ds.GetRecordCount(), count);
  ds.Last();
  EXPECT_EQ(ds.Fields()[0].AsString(), "LAST-TARIFF-1");
  ds.Close();

  std::filesystem::resize_file(path, (int64_t{1} << 31) * 66);
  try {
    ds.Open();
    ADD_FAILURE() << "opened";
  } catch (const Exception& e) {
    EXPECT_EQ(
        e.Message(),
        "Too many records: 141733920768 bytes hold 2147483648 records of 66 bytes; at most 2147483647 can "
        "be shown");
    EXPECT_EQ(e.FileName(), path);
  }
}
