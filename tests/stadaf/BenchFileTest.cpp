// The benchmark files kw_mkstadaf --bench writes: both record shapes index as stated, a file too large for
// the per-type record cap gets longer records instead of more, and a failed write leaves no file.
#include <gtest/gtest.h>

#include <filesystem>

#include "stadaf/RecordTypeIndex.h"
#include "tests/TestSupport.h"
#include "tests/stadaf/StadafTestSupport.h"

namespace {

int32_t CountOf(const Ref<IInterfaceMap>& index, int32_t recordType) {
  const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, recordType);
  return offsets ? offsets->GetCount() : 0;
}

class BenchFile : public ::testing::Test {
 protected:
  TTempDir dir;
};

TEST_F(BenchFile, BothShapesIndexAsStatedWithinTheCap) {
  struct Case {
    TBenchShape shape;
    int32_t typeCap;
    double minMean;
    double maxMean;
  };
  const Case cases[] = {
      {TBenchShape::LongRecords, 9999999, 150, 185},
      {TBenchShape::ShortRecords, 9999999, 50, 70},
      // Too small a cap for 4 MiB of records of the usual length: the fares grow instead.
      {TBenchShape::LongRecords, 3000, 600, 1e9},
      {TBenchShape::ShortRecords, 2000, 200, 1e9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.shape) << " cap " << c.typeCap);
    const std::string path = dir.Path("bench.daf");
    const int64_t wanted = int64_t{4} << 20;
    const TBenchFileFigures figures = WriteBenchStadaf200(path, wanted, {c.shape, c.typeCap});
    EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), figures.Bytes);
    EXPECT_GT(figures.Bytes, wanted * 9 / 10);
    EXPECT_LE(figures.Bytes, wanted * 11 / 10);
    const Ref<IInterfaceMap> index = BuildRecordTypeIndex(path);
    const int32_t counts[] = {figures.Fares, figures.Rules, figures.Tickets, figures.Routings,
                              figures.Segments};
    int32_t total = 0;
    for (int32_t type = 1; type <= 5; ++type) {
      EXPECT_EQ(CountOf(index, type), counts[type - 1]) << type;
      EXPECT_LE(counts[type - 1], c.typeCap) << type;
      if (c.shape == TBenchShape::ShortRecords) {
        EXPECT_GT(counts[type - 1], 0) << type;
      }
      total += counts[type - 1];
    }
    EXPECT_EQ(total, figures.Records);
    const double mean = static_cast<double>(figures.Bytes) / figures.Records;
    EXPECT_GE(mean, c.minMean);
    EXPECT_LE(mean, c.maxMean);
  }
}

TEST_F(BenchFile, AFailedWriteLeavesNoFile) {
  EXPECT_THROW(WriteBenchStadaf200(dir.Path("missing/bench.daf"), 1 << 20), std::runtime_error);
  // A folder in the file's place: writing succeeds, the rename into place fails.
  std::filesystem::create_directories(dir.Path("taken.daf/inside"));
  EXPECT_THROW(WriteBenchStadaf200(dir.Path("taken.daf"), 1 << 20), std::runtime_error);
  EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"taken.daf"});
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("taken.daf/inside")));
}

}  // namespace
