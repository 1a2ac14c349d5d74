#include <gtest/gtest.h>

#include <cstring>

#include "FakeSource.h"

namespace {

const std::vector<TFakeColumn> kTwoStrings = {{"A", TFieldType::ftString, 7}, {"B", TFieldType::ftString, 3}};

TEST(AbstractDataSet, EmptySourceSetsBothEndFlagsAndCountsZero) {
  TFakeDataSet ds(0, kTwoStrings);
  ds.Open();
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.GetRecordCount(), 0);
  ds.InternalFirst();
  EXPECT_TRUE(ds.AtStart() && ds.AtEnd());
  ds.InternalLast();
  EXPECT_TRUE(ds.AtStart() && ds.AtEnd());
  std::vector<char> buffer(64, 'x');
  EXPECT_EQ(ds.GetRecord(buffer.data(), TGetMode::gmNext), TGetResult::grEOF);
  EXPECT_EQ(ds.Fake().reads, 0);
}

TEST(AbstractDataSet, StepsFromTheEndsAskForFirstAndLastRecord) {
  TFakeDataSet ds(5, kTwoStrings);
  ds.Open();
  std::vector<char> buffer(64);
  ds.InternalFirst();
  ds.Fake().log.clear();
  ASSERT_EQ(ds.GetRecord(buffer.data(), TGetMode::gmNext), TGetResult::grOK);
  ds.InternalLast();
  ASSERT_EQ(ds.GetRecord(buffer.data(), TGetMode::gmPrior), TGetResult::grOK);
  EXPECT_EQ(ds.Fake().log, (std::vector<std::string>{"First", "Last", "Last"}));
  EXPECT_EQ(IdValue(ds.CurrentRecordId()), 5u);
}

TEST(AbstractDataSet, BookmarkJumpKeepsTheEndFlags) {
  TFakeDataSet ds(5, kTwoStrings);
  ds.Open();
  ds.InternalLast();
  const char bookmark[16] = {2};
  ds.InternalGotoBookmark(bookmark);
  EXPECT_EQ(IdValue(ds.CurrentRecordId()), 2u);
  EXPECT_TRUE(ds.AtEnd());
  std::vector<char> buffer(64);
  ds.Fake().log.clear();
  ds.GetRecord(buffer.data(), TGetMode::gmPrior);
  EXPECT_EQ(ds.Fake().log, (std::vector<std::string>{"Last"}));
}

TEST(AbstractDataSet, FetchWritesHeaderAndFieldData) {
  TFakeDataSet ds(5, kTwoStrings);
  ds.Open();
  ds.Last();
  const char* buffer = ds.ActiveBuffer();
  EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 5);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;
  EXPECT_STREQ(buffer + 16, "R5");
  EXPECT_EQ(ds.Fields()[0].AsString(), "R5");
  EXPECT_EQ(ds.GetRecNo(), 5);
}

TEST(AbstractDataSet, CurrentFetchWithoutRecordLeavesBufferUntouched) {
  TFakeDataSet ds(0, kTwoStrings);
  ds.Open();
  std::vector<char> buffer(64, 'x');
  EXPECT_EQ(ds.GetRecord(buffer.data(), TGetMode::gmCurrent), TGetResult::grOK);
  EXPECT_EQ(buffer, std::vector<char>(64, 'x'));
}

TEST(AbstractDataSet, BlobFieldsTakeNoBytesAndAreRegistered) {
  TFakeDataSet ds(3, {{"A", TFieldType::ftString, 4},
                      {"M", TFieldType::ftMemo, 0},
                      {"B", TFieldType::ftString, 2},
                      {"N", TFieldType::ftMemo, 0}});
  ds.Open();
  EXPECT_EQ(ds.FieldOffset(1), 0);
  EXPECT_EQ(ds.FieldOffset(2), 5);
  EXPECT_EQ(ds.FieldOffset(3), 5);
  EXPECT_EQ(ds.FieldOffset(4), 8);
  EXPECT_EQ(ds.DataSize(), 8);
  EXPECT_EQ(ds.Fake().blobOffsets, (std::vector<int32_t>{5, 8}));
  EXPECT_EQ(ds.Fake().fieldDefsChanged, 1);
}

TEST(AbstractDataSet, SetRecNoInTheBaseChangesNothing) {
  TFakeDataSet ds(9, kTwoStrings);
  ds.Open();
  ds.MoveBy(2);
  ds.SetRecNo(7);
  EXPECT_EQ(ds.GetRecNo(), 3);
}

TEST(AbstractDataSet, RecordBufferOver65535BytesIsRefused) {
  TFakeDataSet ds(1, {{"A", TFieldType::ftString, 32767}, {"B", TFieldType::ftString, 32767}});
  EXPECT_THROW(ds.Open(), EDatabaseError);
  EXPECT_FALSE(ds.Active());
  TFakeDataSet fits(1, {{"A", TFieldType::ftString, 32767}, {"B", TFieldType::ftString, 32750}});
  EXPECT_NO_THROW(fits.Open());
  TFakeDataSet headerOnly(0, {{"A", TFieldType::ftString, 32767}, {"B", TFieldType::ftString, 32767}});
  headerOnly.headerOnlyBuffers = true;
  EXPECT_NO_THROW(headerOnly.Open());
}

// 70,000 fields of 32,767 bytes add up past 2^31: a 32-bit sum wrapped to a negative size and passed.
TEST(AbstractDataSet, SizesSummingPast32BitsAreRefused) {
  std::vector<TFakeColumn> fields;
  for (int i = 0; i < 70000; ++i) fields.push_back({"F" + std::to_string(i), TFieldType::ftString, 32767});
  TFakeDataSet ds(1, fields);
  EXPECT_THROW(ds.Open(), EDatabaseError);
  EXPECT_FALSE(ds.Active());
}

TEST(AbstractDataSet, NegativeStringSizeIsRefusedWhenFieldsAreCreated) {
  TFakeDataSet ds(1, {{"V", TFieldType::ftString, -3}});
  try {
    ds.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Invalid field size");
  }
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.Fields().Count(), 0);
}

TEST(AbstractDataSet, ReopensAfterClose) {
  TFakeDataSet ds(3, kTwoStrings);
  ds.Open();
  ds.Last();
  ds.Close();
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.Fields().Count(), 0);
  ds.Open();
  EXPECT_EQ(ds.Fields()[0].AsString(), "R1");
}

TEST(ReadOnlyRecordBuffers, NumbersRecordsFromOne) {
  Ref<IRecordBuffers> source = MakeRef<IRecordBuffers>(new TReadOnlyRecordBuffers);
  auto readOnly = Query<IReadOnlyRecordBuffers>(source);
  ASSERT_TRUE(readOnly);
  EXPECT_EQ(IdValue(source->FirstRecord()), 0u);
  readOnly->SetRecordCount(3);
  EXPECT_EQ(source->GetRecordCount(), 3);
  EXPECT_EQ(IdValue(source->FirstRecord()), 1u);
  EXPECT_EQ(IdValue(source->LastRecord()), 3u);
  EXPECT_EQ(IdValue(source->NextRecord(MakeRecordId(2))), 3u);
  EXPECT_EQ(IdValue(source->NextRecord(MakeRecordId(3))), 0u);
  EXPECT_EQ(IdValue(source->PriorRecord(MakeRecordId(2))), 1u);
  EXPECT_EQ(IdValue(source->PriorRecord(MakeRecordId(1))), 0u);
  char untouched[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(source->GetRecordData(MakeRecordId(1), untouched), -1);
  EXPECT_EQ(untouched[0], 'x');
  readOnly->SetRecordCount(INT32_MAX);
  EXPECT_EQ(IdValue(source->NextRecord(MakeRecordId(INT32_MAX))), 0u);
}

}  // namespace
