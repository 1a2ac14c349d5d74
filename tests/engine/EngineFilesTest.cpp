#include <dlfcn.h>

#include <filesystem>

#include "tests/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using namespace enginetest;

std::vector<int32_t> Walk(int16_t file, uint16_t first, uint16_t step) {
  std::vector<int32_t> ids;
  TRecord r;
  for (int16_t rc = Call(first, file, r.bytes); rc == 0; rc = Call(step, file, r.bytes))
    ids.push_back(r.Id());
  return ids;
}

TEST(EngineFiles, NumbersOpeningAloneAndClosing) {
  TEngineApi::Get();
  TTempDir dir;
  TTableSpec spec = StandardTable(dir.Path("F"));
  ASSERT_EQ(Call(fnCreateIFile, -1, spec.Block()), 0);
  const int16_t t = spec.Ifil().TableFileNumber;
  ASSERT_EQ(Call(fnAddRecord, t, TRecord(2, 0).bytes), 0);
  ASSERT_EQ(Call(fnAddRecord, t, TRecord(1, 0).bytes), 0);
  const auto testFileNumber =
      reinterpret_cast<TTestFileNumberFunction>(::dlsym(TEngineApi::Get().handle, kTestFileNumberEntry));
  ASSERT_NE(testFileNumber, nullptr);
  EXPECT_EQ(testFileNumber(t), 46);
  EXPECT_EQ(testFileNumber(t + 2), 46);
  EXPECT_EQ(testFileNumber(-1), 22);

  // Closing through the ISAM block closes the data file and its indexes.
  ASSERT_EQ(Call(fnCloseIFile, -1, spec.Block()), 0);
  EXPECT_EQ(testFileNumber(t), 0);
  EXPECT_EQ(testFileNumber(t + 1), 0);

  // The data file alone, under a number asked for first.
  const int16_t free = Call(fnAvailableFileNbr, -1, nullptr, nullptr, nullptr, 1);
  ASSERT_GE(free, 0);
  TOpenBlock alone = OpenBlock(spec.DataFile());
  ASSERT_EQ(Call(fnOpenCtFile, free, &alone), 0);
  EXPECT_EQ(Call(fnOpenCtFile, free, &alone), 46);  // the number is taken
  EXPECT_EQ(Walk(free, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{2, 1}));
  int32_t size = 0;
  EXPECT_EQ(Call(fnGetIFile, free, nullptr, &size), 0);
  EXPECT_GT(size, 0);
  EXPECT_EQ(testFileNumber(free + 1), 0);  // no index files opened with it
  ASSERT_EQ(Call(fnCloseCtFile, free), 0);
  EXPECT_EQ(Call(fnFirstRecord, free), 26);

  // Lock values are checked; the range entry is not offered.
  int16_t number = OpenTable(spec.DataFile());
  ASSERT_GE(number, 0);
  for (int16_t value : {0, 2, 3}) EXPECT_EQ(Call(fnLockISAM, number, nullptr, nullptr, nullptr, value), 0);
  EXPECT_EQ(Call(fnLockISAM, number, nullptr, nullptr, nullptr, 1), 115);
  int32_t position = 1;
  EXPECT_EQ(Call(fnLockCtData, number, nullptr, &position, nullptr, 7), 115);
  const auto range =
      reinterpret_cast<TRangeEntryFunction>(::dlsym(TEngineApi::Get().handle, kRangeEntryEntry));
  EXPECT_EQ(range(static_cast<int16_t>(number + 1), 0, 0), 170);

  // CloseISAM closes every file and ends the instance until the engine is started again.
  const auto which =
      reinterpret_cast<TWhichCtreeFunction>(::dlsym(TEngineApi::Get().handle, kWhichCtreeEntry));
  EXPECT_NE(which(), 0);
  EXPECT_EQ(Call(fnCloseISAM, 0), 0);
  EXPECT_EQ(which(), 0);
  EXPECT_EQ(Call(fnFirstRecord, number), 22);
  ASSERT_EQ(TEngineApi::Get().initIsam(100, 1024, 32), 0);
  EXPECT_EQ(Call(fnFirstRecord, number), 26);
  EXPECT_EQ(TEngineApi::Get().initIsam(2, 1024, 32), 11);
  EXPECT_EQ(TEngineApi::Get().initIsam(100, -1, 32), 11);
  EXPECT_EQ(TEngineApi::Get().initIsam(100, 1024, 0), 11);
}

TEST(EngineFiles, VariableLengthRecords) {
  TEngineApi::Get();
  TTempDir dir;
  // The memo text after the fixed part is indexed by its first 6 bytes.
  TTableSpec spec(dir.Path("V"), {{"id", {{kIdOffset, 4, smSigned}}}, {"memo", {{0, 6, smVariable}}, true}},
                  0xC5);
  ASSERT_EQ(Call(fnCreateIFile, -1, spec.Block()), 0);
  const int16_t t = spec.Ifil().TableFileNumber;
  const auto add = [&](int32_t id, const std::string& memo) {
    std::string whole(TRecord(id, 0).bytes, kRecordLength);
    whole += memo;
    whole.push_back('\0');
    int32_t length = static_cast<int32_t>(whole.size());
    return Call(fnAddVRecord, t, whole.data(), &length);
  };
  ASSERT_EQ(add(1, "walnut"), 0);
  ASSERT_EQ(add(2, "almond and more"), 0);
  ASSERT_EQ(add(3, "cashew"), 0);
  EXPECT_EQ(Walk(t + 2, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{2, 3, 1}));

  TRecord r;
  ASSERT_EQ(Call(fnFirstRecord, t + 2, r.bytes), 0);
  int32_t length = 0;
  ASSERT_EQ(Call(fnVRecordLength, t, nullptr, &length), 0);
  EXPECT_EQ(length, kRecordLength + 16);
  std::string whole(static_cast<size_t>(length), '\0');
  int32_t small = 10;
  EXPECT_EQ(Call(fnReReadVRecord, t, whole.data(), &small), 153);
  ASSERT_EQ(Call(fnReReadVRecord, t, whole.data(), &length), 0);
  EXPECT_EQ(whole.substr(kRecordLength), std::string("almond and more\0", 16));

  // A whole-record rewrite moves the key; a fixed-part rewrite keeps the variable part.
  whole = std::string(TRecord(2, 5).bytes, kRecordLength) + std::string("zucchini\0", 9);
  length = static_cast<int32_t>(whole.size());
  ASSERT_EQ(Call(fnReWriteVRecord, t, whole.data(), &length), 0);
  EXPECT_EQ(Walk(t + 2, fnFirstRecord, fnNextRecord), (std::vector<int32_t>{3, 1, 2}));
  ASSERT_EQ(Call(fnLastRecord, t + 2, r.bytes), 0);
  TRecord fixed(2, 9, "changed");
  ASSERT_EQ(Call(fnReWriteRecord, t, fixed.bytes), 0);
  length = 200;
  whole.assign(200, '\0');
  ASSERT_EQ(Call(fnReReadVRecord, t, whole.data(), &length), 0);
  EXPECT_EQ(std::string(whole.data() + kNameOffset), "changed");
  EXPECT_EQ(std::string(whole.data() + kRecordLength), "zucchini");
  EXPECT_EQ(Check(spec.DataFile()), "ok");
  Call(fnCloseRFile, t);
}

}  // namespace
