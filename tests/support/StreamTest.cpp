#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/BinaryStream.h"
#include "support/DynamicIntegerArray.h"
#include "support/Exception.h"
#include "support/MemoryStream.h"

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& stream) {
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

std::string ReadAll(IBinaryStream& stream) {
  std::string text(static_cast<size_t>(stream.GetSize()), '\0');
  stream.SetPosition(0);
  stream.Read(text.data(), stream.GetSize());
  return text;
}

TEST(MemoryStream, ReadsAtMostWhatLiesAfterThePosition) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Write("abcdef", 6), 6);
  EXPECT_EQ(stream.Position(), 6);
  char buffer[8] = {};
  stream.SetPosition(4);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(-1);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_EQ(stream.Size(), 6);
}

TEST(MemoryStream, WritingBeyondTheEndFillsTheGapWithZeros) {
  TMemoryStream stream;
  stream.Write("ab", 2);
  stream.SetPosition(5);
  stream.Write("z", 1);
  EXPECT_EQ(Bytes(stream), (std::vector<uint8_t>{'a', 'b', 0, 0, 0, 'z'}));
  stream.SetPosition(1);
  stream.Write("XY", 2);  // overwrites inside the block
  EXPECT_EQ(Bytes(stream), (std::vector<uint8_t>{'a', 'X', 'Y', 0, 0, 'z'}));
}

TEST(MemoryStream, SeekFromEachOrigin) {
  struct Case {
    int32_t offset;
    TSeekOrigin origin;
    int32_t expected;
  };
  const Case cases[] = {
      {3, TSeekOrigin::soBeginning, 3},
      {-1, TSeekOrigin::soCurrent, 1},
      {-4, TSeekOrigin::soEnd, 6},
      {0, TSeekOrigin::soEnd, 10},
      {INT32_MAX, TSeekOrigin::soEnd, INT32_MAX},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.SetSize(10);
    stream.SetPosition(2);
    EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected);
    EXPECT_EQ(stream.Position(), c.expected);
  }
}

TEST(MemoryStream, SetSizeKeepsThePositionInsideTheStream) {
  TMemoryStream stream;
  stream.SetSize(8);
  EXPECT_EQ(Bytes(stream), std::vector<uint8_t>(8, 0));
  stream.SetPosition(6);
  stream.SetSize(4);
  EXPECT_EQ(stream.Position(), 4);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(MemoryStream, BytesOfItsOwnBlockCanBeWrittenAndReadBack) {
  std::string original(200, '\0');
  for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<char>('A' + i % 26);
  TMemoryStream stream;
  stream.Write(original.data(), 200);

  // Overlapping ranges inside the block, and a write that grows the block it reads from.
  stream.SetPosition(1);
  EXPECT_EQ(stream.Write(stream.Memory(), 150), 150);
  stream.SetPosition(100);
  EXPECT_EQ(stream.Write(stream.Memory(), 200), 200);
  std::string expected = original;
  expected.replace(1, 150, original.substr(0, 150));
  expected = expected.substr(0, 100) + expected.substr(0, 200);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 300), expected);

  stream.SetPosition(1);
  EXPECT_EQ(stream.Read(stream.Memory(), 299), 299);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 299), expected.substr(1));
}

// Blocks of 2 MiB and more are allocated differently from small ones: growing into and within them keeps
// every byte, also when the bytes written come from the block itself.
TEST(MemoryStream, GrowingIntoLargeBlocksKeepsTheBytes) {
  constexpr int32_t kMiB = 1 << 20;
  std::string piece(kMiB + 3, '\0');
  for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 7 % 251);
  TMemoryStream stream;
  stream.Write(piece.data(), static_cast<int32_t>(piece.size()));
  stream.Write(stream.Memory(), static_cast<int32_t>(piece.size()));  // to 2 MiB + 6
  stream.Write(stream.Memory() + 1, 2 * kMiB);                        // to 4 MiB + 6: a larger block again
  ASSERT_EQ(stream.Size(), 4 * kMiB + 6);
  const std::string twice = piece + piece;
  const std::string expected = twice + twice.substr(1, 2 * kMiB);
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(stream.Memory()), expected.size()) == expected);
}

TEST(MemoryStream, GrowingPastTwoGigabytesFails) {
  TMemoryStream stream;
  stream.SetPosition(INT32_MAX - 1);
  try {
    stream.Write("abcd", 4);
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Out of memory while expanding memory stream");
  }
  EXPECT_EQ(stream.Size(), 0);
}

TEST(BinaryStream, CopyFromReadsFromTheSourcePosition) {
  Ref<IBinaryStream> source = CreateBinaryStream();
  source->Write("0123456789", 10);
  Ref<IBinaryStream> target = CreateBinaryStream();

  source->SetPosition(4);
  EXPECT_EQ(target->CopyFrom(*source, 3), 3);
  EXPECT_EQ(source->GetPosition(), 7);
  EXPECT_EQ(ReadAll(*target), "456");

  target->SetPosition(target->GetSize());
  source->SetPosition(8);
  EXPECT_EQ(target->CopyFrom(*source, 0), 10);  // 0: all of it, from its first byte
  EXPECT_EQ(ReadAll(*target), "4560123456789");
}

TEST(BinaryStream, CopyFromAShortSourceFailsAndCopiesNothing) {
  Ref<IBinaryStream> source = CreateBinaryStream();
  source->Write("abc", 3);
  source->SetPosition(1);
  Ref<IBinaryStream> target = CreateBinaryStream();
  for (const int32_t count : {3, -1}) {
    try {
      target->CopyFrom(*source, count);
      FAIL() << "no failure for " << count;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Stream read error");
    }
    EXPECT_EQ(target->GetSize(), 0);
    EXPECT_EQ(source->GetPosition(), 1);
  }
}

TEST(BinaryStream, CopyFromItselfAppendsItsOwnBytes) {
  Ref<IBinaryStream> stream = CreateBinaryStream();
  stream->Write("abc", 3);
  stream->SetPosition(0);
  EXPECT_EQ(stream->CopyFrom(*stream, 0), 3);
  EXPECT_EQ(ReadAll(*stream), "abcabc");
}

TEST(DynamicIntegerArray, ByteFormIsFourLittleEndianBytesPerItem) {
  Ref<IDynamicIntegerArray> array = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  EXPECT_EQ(array->GetCount(), 0);
  EXPECT_EQ(array->GetStream().Size(), 0);
  array->Add(1);
  array->Add(2);
  array->Add(-1);
  EXPECT_EQ(Bytes(array->GetStream()),
            (std::vector<uint8_t>{0x01, 0, 0, 0, 0x02, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(array->GetCount(), 3);
  EXPECT_EQ(array->GetItem(2), -1);
  EXPECT_EQ(array->GetItem(0), 1);
}

TEST(DynamicIntegerArray, ManyItemsStayInOrderAcrossGrowth) {
  Ref<IDynamicIntegerArray> array = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  constexpr int32_t kCount = 300000;
  for (int32_t i = 0; i < kCount; ++i) array->Add(i * 7 - 3);
  ASSERT_EQ(array->GetCount(), kCount);
  ASSERT_EQ(array->GetStream().Size(), kCount * 4);
  for (int32_t i = 0; i < kCount; ++i) ASSERT_EQ(array->GetItem(i), i * 7 - 3) << i;
}

TEST(DynamicIntegerArray, AddAppendsAfterReadsMovedThePosition) {
  Ref<IDynamicIntegerArray> array = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  array->Add(5);
  array->Add(6);
  EXPECT_EQ(array->GetItem(0), 5);
  EXPECT_EQ(array->GetStream().Position(), 4);
  array->Add(7);
  EXPECT_EQ(array->GetCount(), 3);
  EXPECT_EQ(array->GetItem(1), 6);
  EXPECT_EQ(array->GetItem(2), 7);
}

TEST(DynamicIntegerArray, BytesCopiedInReadBackAsItems) {
  TMemoryStream bytes;
  const uint8_t raw[10] = {0x10, 0x27, 0, 0, 0xFE, 0xFF, 0xFF, 0x7F, 0xAA, 0xBB};
  bytes.Write(raw, 10);
  Ref<IDynamicIntegerArray> array = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  EXPECT_EQ(array->GetStream().CopyFrom(bytes, 0), 10);
  EXPECT_EQ(array->GetCount(), 2);  // the last two bytes make no item
  EXPECT_EQ(array->GetItem(0), 10000);
  EXPECT_EQ(array->GetItem(1), 0x7FFFFFFE);

  // Written out and copied into a fresh array, it is the same array.
  Ref<IDynamicIntegerArray> copy = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  array->GetStream().SetPosition(0);
  copy->GetStream().CopyFrom(array->GetStream(), array->GetStream().Size());
  EXPECT_EQ(Bytes(copy->GetStream()), Bytes(array->GetStream()));
}

TEST(DynamicIntegerArray, ReadingOutsideTheItemsFails) {
  Ref<IDynamicIntegerArray> array = MakeRef<IDynamicIntegerArray>(new TDynamicIntegerArray());
  array->Add(1);
  for (const int32_t index : {-1, 1}) {
    try {
      array->GetItem(index);
      FAIL() << "no failure for " << index;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
  array->Clear();
  EXPECT_EQ(array->GetCount(), 0);
  EXPECT_EQ(array->GetStream().Memory(), nullptr);
}

}  // namespace
