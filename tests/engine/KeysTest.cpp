#include <gtest/gtest.h>

#include <cstring>

#include "engine/Keys.h"

namespace {

using namespace kwctree;

TIndexDef Index(std::vector<TSegmentDef> segments, bool duplicates = false) {
  TIndexDef d;
  d.Segments = std::move(segments);
  d.Duplicates = duplicates;
  d.KeyLength = static_cast<int16_t>(d.SegmentBytes() + (duplicates ? 4 : 0));
  return d;
}

TEST(EngineKeys, TransformedKeysOfARecordEqualBuiltKeys) {
  TTableDef table;
  table.RecordLength = 16;
  const TIndexDef index =
      Index({{0, 4, smSigned}, {4, 8, smFloat | smDescendingFlag}, {12, 4, smString}}, true);
  char record[16];
  const int32_t i = -42;
  const double f = 2.5;
  std::memcpy(record, &i, 4);
  std::memcpy(record + 4, &f, 8);
  std::memcpy(record + 12, "abcd", 4);
  std::string key(record, 16);
  key.append(4, '\0');
  TransformKey(index, key);
  std::string built = BuildKey(index, table, std::string_view(record, 16), 0x01020304);
  EXPECT_EQ(built.size(), 20u);
  EXPECT_EQ(built.substr(0, 16), key.substr(0, 16));
  EXPECT_EQ(built.substr(16), std::string("\x01\x02\x03\x04"));
}

TEST(EngineKeys, VariableSegmentsReadTheVariablePart) {
  TTableDef table;
  table.RecordLength = 2;
  table.Fields = {{"flag", 144, 2}, {"memo", 146, 0}, {"picture", 170, 0}, {"memo2", 146, 0}};
  std::string record("x", 2);
  record += std::string("hello\0", 6);
  const uint32_t count = 3;
  record += std::string(reinterpret_cast<const char*>(&count), 4) + std::string("pq\0", 3);
  record += std::string("second\0", 7);
  EXPECT_EQ(BuildKey(Index({{0, 3, smVariable}}), table, record, 1), "hel");
  EXPECT_EQ(BuildKey(Index({{2, 8, smVariable}}), table, record, 1), std::string("second\0\0", 8));
  EXPECT_EQ(BuildKey(Index({{5, 2, smVariable}}), table, record, 1), std::string(2, '\0'));  // no such field
}

}  // namespace
