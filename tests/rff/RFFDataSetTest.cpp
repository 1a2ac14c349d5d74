#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "layout/DravikFieldList.h"
#include "layout/FileReader.h"
#include "rff/RFFDataSet.h"
#include "tests/TestSupport.h"

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Records "C<n>  FARE<nnnnnnnn>\r\n" under the layout CXR, 3 / FARE, 12 (17 bytes each).
std::string CxrFareRecords(int n) {
  std::string out;
  for (int i = 1; i <= n; ++i) {
    char record[32];
    std::snprintf(record, sizeof record, "C%-2dFARE%08d\r\n", i % 100, i);
    out += record;
  }
  return out;
}

class RFFDataSetTest : public ::testing::Test {
 protected:
  // Writes name.ini with the description lines and name.rff with data; returns the data path.
  std::string Make(const std::string& name, const std::vector<std::string>& fields, const std::string& data) {
    std::string ini = "[FIELDDESCRIPTIONS]\r\n";
    for (const auto& f : fields) ini += f + "\r\n";
    dir.Write(name + ".ini", ini);
    return dir.Write(name + ".rff", data);
  }
  std::vector<std::string> Values(TRFFDataSet& ds) {
    std::vector<std::string> values;
    for (const auto& field : ds.Fields()) values.push_back(field->AsString());
    return values;
  }

  TTempDir dir;
};

TEST_F(RFFDataSetTest, RecordNumbersFollowFromTheRecordLength) {
  TRFFDataSet ds;
  ds.SetFileName(Make("f", {"CXR, 3", "FARE, 12"}, CxrFareRecords(10)));
  ds.Open();
  EXPECT_EQ(ds.FieldList().GetRecordLength(), 17);
  EXPECT_EQ(ds.GetRecordCount(), 10);
  ds.SetRecNo(3);
  EXPECT_EQ(IdValue(ds.CurrentRecordId()), 35u);
  EXPECT_EQ(ds.GetRecNo(), 3);
  EXPECT_EQ(Values(ds), (std::vector<std::string>{"C3 ", "FARE00000003"}));
  ds.Last();
  EXPECT_EQ(ds.GetRecNo(), 10);
  EXPECT_EQ(Values(ds)[1], "FARE00000010");
  ASSERT_EQ(ds.Fields().Count(), 2);
  EXPECT_EQ(ds.Fields()[1].Size(), 12);
  EXPECT_FALSE(ds.Fields()[1].IsBlob());
}

TEST_F(RFFDataSetTest, PartialRecordsAfterTheCountedOnes) {
  struct Case {
    int fullRecords;
    int extraBytes;
    int count;
  };
  // 8.47 records count 8, but stepping on reaches the partial ninth; 9.53 records count 10.
  for (const Case c : {Case{8, 8, 8}, Case{9, 9, 10}}) {
    SCOPED_TRACE(c.fullRecords);
    TRFFDataSet ds;
    ds.SetFileName(Make("p", {"CXR, 3", "FARE, 12"},
                        CxrFareRecords(c.fullRecords) + std::string("C99FARE000000", c.extraBytes)));
    ds.Open();
    EXPECT_EQ(ds.GetRecordCount(), c.count);
    ds.MoveBy(c.fullRecords - 1);
    ExpectError<Exception>([&] { ds.Next(); }, "Error at offset " + std::to_string(c.fullRecords * 17));
  }
}

TEST_F(RFFDataSetTest, LastRecordWithoutItsSeparatorFails) {
  TRFFDataSet ds;
  std::string data = CxrFareRecords(3);
  data.resize(data.size() - 2);
  ds.SetFileName(Make("s", {"CXR, 3", "FARE, 12"}, data));
  ds.Open();
  ExpectError<Exception>([&] { ds.Last(); }, "Error at offset 34");
}

TEST_F(RFFDataSetTest, MemoColumnsAndStringColumnsOverMemoOffsets) {
  const std::string memo = std::string("first text") + '\0' + "second memo text" + '\0';
  dir.Write("m.rfm", memo);
  // Memo_Remark: a layout memo by its prefix; REMARK, 8, M: a layout memo shown as a string column;
  // SUBMEMO: a memo column over the record's own characters.
  TRFFDataSet ds;
  ds.SetFileName(
      Make("m", {"Memo_Remark, 8", "REMARK, 8, M", "SUBMEMO, 10"}, "0000000B00000000abcdefghij\r\n"));
  ds.Open();
  ASSERT_EQ(ds.Fields().Count(), 3);
  EXPECT_TRUE(ds.Fields()[0].IsBlob());
  EXPECT_FALSE(ds.Fields()[1].IsBlob());
  EXPECT_TRUE(ds.Fields()[2].IsBlob());
  EXPECT_EQ(ds.Fields()[0].Size(), 0);
  EXPECT_EQ(Values(ds), (std::vector<std::string>{"second memo text", "first te", "abcdefghij"}));
  auto stream = ds.CreateBlobStream(ds.Fields()[0], TBlobStreamMode::bmRead);
  EXPECT_EQ(stream->Size(), 17);
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(ds.CreateBlobStream(ds.Fields()[0], TBlobStreamMode::bmWrite)->Size(), 0);
}

TEST_F(RFFDataSetTest, BadMemoOffsetsFailWhenTheTextIsRequested) {
  dir.Write("b.rfm", std::string("abc") + '\0');
  TRFFDataSet ds;
  ds.SetFileName(Make("b", {"MEMO_A, 4"}, "0010\r\nzz!!\r\n"));
  ds.Open();
  ExpectError<EFileReaderException>([&] { ds.Fields()[0].AsString(); }, "EOF-Error");
  ds.Next();
  EXPECT_THROW(ds.Fields()[0].AsString(), EConvertError);
}

TEST_F(RFFDataSetTest, EmptyFileHasNoRowsAndTheUnsignedRecordNumber) {
  TRFFDataSet ds;
  ds.SetFileName(Make("e", {"CXR, 3", "FARE, 12"}, ""));
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.GetRecordCount(), 0);
  EXPECT_EQ(ds.GetRecNo(), 252645136);
  EXPECT_EQ(ds.Fields()[0].AsString(), "");
  EXPECT_EQ(ds.CreateBlobStream(ds.Fields()[0], TBlobStreamMode::bmRead)->Size(), 0);
}

TEST_F(RFFDataSetTest, SetRecNoPastTheEndFails) {
  TRFFDataSet ds;
  ds.SetFileName(Make("x", {"CXR, 3", "FARE, 12"}, CxrFareRecords(4)));
  ds.Open();
  ExpectError<EFileReaderException>([&] { ds.SetRecNo(6); }, "EOF-Error");
}

// Numbers whose record would start outside the file fail without moving the cursor; 32-bit arithmetic on
// RL * (n - 1) + 1 would wrap onto a byte inside the file (offset 16 or 1 for RL = 17).
TEST_F(RFFDataSetTest, SetRecNoOutsideTheFileKeepsTheCursor) {
  TRFFDataSet ds;
  ds.SetFileName(Make("o", {"CXR, 3", "FARE, 12"}, CxrFareRecords(4)));
  ds.Open();
  ds.SetRecNo(2);
  for (const int32_t recNo : {5, 6, 0, -1, 252645137, -252645134, INT32_MAX, INT32_MIN}) {
    SCOPED_TRACE(recNo);
    ExpectError<EFileReaderException>([&] { ds.SetRecNo(recNo); }, "EOF-Error");
    EXPECT_EQ(ds.GetRecNo(), 2);
    EXPECT_EQ(Values(ds)[1], "FARE00000002");
  }
  ds.Next();
  EXPECT_EQ(ds.GetRecNo(), 3);
  EXPECT_EQ(Values(ds)[1], "FARE00000003");
}

TEST_F(RFFDataSetTest, VariableFieldsCannotBeShown) {
  TRFFDataSet ds;
  ds.SetFileName(Make("v", {"NOTE, -3"}, "003abc\r\n"));
  ExpectError<EDatabaseError>([&] { ds.Open(); }, "Invalid field size");
  EXPECT_FALSE(ds.Active());
}

TEST_F(RFFDataSetTest, MissingLayoutFailsInAnOrderlyWay) {
  TRFFDataSet ds;
  ds.SetFileName(dir.Write("nolayout.rff", CxrFareRecords(2)));
  try {
    ds.Open();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "File not found");
    EXPECT_EQ(e.FileName(), dir.Path("nolayout.ini"));
  }
}

TEST_F(RFFDataSetTest, WideFieldEndingEarlyShowsAtMost255Blanks) {
  std::string record = "abc";
  record += '\0';
  record += Repeat("x", 296);
  TRFFDataSet ds;
  ds.SetFileName(Make("w", {"WIDE, 300"}, record + "\r\n"));
  ds.Open();
  EXPECT_EQ(ds.Fields()[0].AsString(), "abc" + std::string(255, ' '));
}

TEST_F(RFFDataSetTest, HighBytesPassThroughUnchanged) {
  TRFFDataSet ds;
  ds.SetFileName(Make("h", {"CITY, 6"}, "M\xFCnich\r\n"));
  ds.Open();
  EXPECT_EQ(ds.Fields()[0].AsString(), "M\xFCnich");
}

// An ordinary user opens data, layout and memo files that are read-only, in the default read/write mode.
TEST_F(RFFDataSetTest, ReadOnlyFilesOpenForAnOrdinaryUser) {
  const std::string path = Make("ro", {"CXR, 3", "FARE, 12"}, CxrFareRecords(2));
  dir.Write("ro.rfm", "memo");
  for (const char* name : {"ro.rff", "ro.ini", "ro.rfm"}) ::chmod(dir.Path(name).c_str(), 0444);
  ::chmod(dir.Path("").c_str(), 0555);
  EXPECT_TRUE(RunAsOrdinaryUser([&] {
    TRFFDataSet ds;
    ds.SetFileName(path);
    ds.Open();
    return ds.GetRecordCount() == 2 && ds.Fields()[1].AsString() == "FARE00000001";
  }));
  ::chmod(dir.Path("").c_str(), 0755);
}

// Field sizes adding up past 2^31 wrapped the record length and the buffer size, and the data set wrote past
// its buffer.
TEST_F(RFFDataSetTest, LayoutsAddingUpPast32BitsAreRefused) {
  std::vector<std::string> fields;
  for (int i = 0; i < 70000; ++i) fields.push_back("F" + std::to_string(i) + ", 32767");
  const std::string path = Make("big", fields, CxrFareRecords(2));
  TRFFDataSet ds;
  ds.SetFileName(path);
  ExpectError<EDatabaseError>([&] { ds.Open(); }, "Record size exceeds 65535 bytes");
  EXPECT_EQ(ds.FieldList().GetRecordLength(), INT32_MAX);
}

}  // namespace

namespace {

// A sparse RFF file of size bytes (a multiple of 17) under the layout CXR, 3 / FARE, 12, with a record
// written at each given record number and zero bytes elsewhere; false when there are no sparse files.
std::string FareOf(int32_t n) {
  char fare[16];
  std::snprintf(fare, sizeof fare, "FARE%08d", n % 100000000);
  return fare;
}

bool WriteSparseRff(const std::string& path, int64_t size, const std::vector<int32_t>& written) {
  std::ofstream(path, std::ios::binary).close();
  std::error_code error;
  std::filesystem::resize_file(path, size, error);
  if (error) return false;
  const int fd = ::open(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  for (const int32_t n : written) {
    char record[32];
    std::snprintf(record, sizeof record, "C%-2dFARE%08d\r\n", n % 100, n % 100000000);
    if (::pwrite(fd, record, 17, int64_t{n - 1} * 17) != 17) return false;
  }
  ::close(fd);
  return true;
}

}  // namespace

// Files past 2 GiB (ids offset + 1 still fit 32 bits) and past 4 GiB (ids are record numbers): records at
// both ends and on either side of both limits read, number and step as in a small file.
TEST_F(RFFDataSetTest, FilesPast2And4GiBReadEveryRecord) {
  for (const int64_t atLeast : {int64_t{3} << 30, (int64_t{1} << 32) + 1000}) {
    SCOPED_TRACE(atLeast);
    const int32_t count = static_cast<int32_t>(atLeast / 17 + 1);
    const auto past2 = static_cast<int32_t>((int64_t{1} << 31) / 17 + 2);
    const auto past4 = static_cast<int32_t>((int64_t{1} << 32) / 17 + 2);
    std::vector<int32_t> written{1, past2 - 1, past2, count};
    if (past4 < count) written.insert(written.end() - 1, {past4 - 1, past4});
    Make("big", {"CXR, 3", "FARE, 12"}, "");
    if (!WriteSparseRff(dir.Path("big.rff"), int64_t{count} * 17, written))
      GTEST_SKIP() << "no sparse files here";
    TRFFDataSet ds;
    ds.SetFileName(dir.Path("big.rff"));
    ds.Open();
    EXPECT_EQ(ds.GetRecordCount(), count);
    EXPECT_EQ(Values(ds)[1], "FARE00000001");
    ds.Last();
    EXPECT_EQ(ds.GetRecNo(), count);
    EXPECT_EQ(Values(ds)[1], FareOf(count));
    for (const int32_t n : written) {
      ds.SetRecNo(n);
      EXPECT_EQ(ds.GetRecNo(), n);
      EXPECT_EQ(Values(ds)[1], FareOf(n)) << n;
    }
    ds.SetRecNo(past2 - 1);
    ds.Next();
    EXPECT_EQ(ds.GetRecNo(), past2);
    ds.Prior();
    ds.Prior();
    EXPECT_EQ(ds.GetRecNo(), past2 - 2);
    EXPECT_EQ(Values(ds)[1], std::string(12, ' '));  // zero bytes
    ds.Close();
  }
}

// Record numbers are 32-bit: a file of more records is refused with a message that says so.
TEST_F(RFFDataSetTest, MoreRecordsThanNumbersAreRefused) {
  const std::string path = Make("many", {"A, 1"}, "");
  std::error_code error;
  std::filesystem::resize_file(path, (int64_t{1} << 31) * 3, error);
  if (error) GTEST_SKIP() << "no sparse files here";
  TRFFDataSet ds;
  ds.SetFileName(path);
  try {
    ds.Open();
    ADD_FAILURE() << "opened";
  } catch (const Exception& e) {
    EXPECT_EQ(
        e.Message(),
        "Too many records: 6442450944 bytes hold 2147483648 records of 3 bytes; at most 2147483647 can be "
        "shown");
  }
}
