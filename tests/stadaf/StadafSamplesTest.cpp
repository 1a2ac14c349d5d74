#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "stadaf/StadafVersion.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The committed samples are what kw_mkstadaf writes.
TEST(StadafSamples, CommittedFilesMatchTheGenerator) {
  const std::string folder = std::string(KW_SAMPLES_DIR) + "/";
  EXPECT_EQ(ReadAll(folder + "stadaf110.daf"), BuildSample110());
  EXPECT_EQ(ReadAll(folder + "stadaf200.daf"), BuildSample200());
  EXPECT_EQ(ReadAll(folder + "stadaf210.daf"), BuildSample210());
}

TEST(StadafSamples, EveryRecordTypeOpensAndShowsItsRecords) {
  struct TCase {
    std::string bytes;
    int32_t version;
    std::vector<int32_t> counts;  // records of the types 1 to 5
  };
  const TCase cases[] = {{BuildSample110(), 110, {5, 0, 0, 0, 0}},
                         {BuildSample200(), 200, {6, 3, 0, 3, 4}},
                         {BuildSample210(), 210, {3, 1, 0, 2, 0}}};
  TTempDir dir;
  for (const TCase& c : cases) {
    const std::string path = dir.Write("s.daf", c.bytes);
    EXPECT_EQ(ProbeStadafVersion(path), c.version);
    const Ref<IInterfaceMap> index = OpenRecordTypeIndex(path, {}, false);
    bool sawHighByte = false;
    for (int32_t type = 1; type <= 5; ++type) {
      const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, type);
      const int32_t count = offsets ? offsets->GetCount() : 0;
      EXPECT_EQ(count, c.counts[static_cast<size_t>(type - 1)]) << c.version << " type " << type;
      if (count == 0) continue;
      TStadafTypeView view(path, offsets, static_cast<uint8_t>(type));
      std::string value;
      int32_t rows = 0;
      for (view.DataSet().First(); !view.DataSet().Eof(); view.DataSet().Next(), ++rows)
        for (const auto& field : view.DataSet().Fields()) {
          field->GetAsString(value);
          for (const char ch : value) sawHighByte |= static_cast<unsigned char>(ch) >= 0xA0;
        }
      EXPECT_EQ(rows, count);
    }
    EXPECT_TRUE(sawHighByte) << c.version;
  }
}

}  // namespace
