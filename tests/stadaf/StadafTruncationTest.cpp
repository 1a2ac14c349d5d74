#include <gtest/gtest.h>

#include "tests/stadaf/StadafTestSupport.h"

namespace {

// Opens a file the way the viewer does: the index (cache on), then every non-empty record type's data set,
// reading every value of every record. Returns the error's message, or "" when all of it worked.
std::string OpenCompletely(const std::string& path, std::string& indexText) {
  try {
    const Ref<IInterfaceMap> index = OpenRecordTypeIndex(path, {}, true);
    indexText = IndexText(index);
    for (int32_t type = 1; type <= 5; ++type) {
      const Ref<IDynamicIntegerArray> offsets = RecordTypeOffsets(index, type);
      if (!offsets || offsets->GetCount() == 0) continue;
      TStadafTypeView view(path, offsets, static_cast<uint8_t>(type));
      TStadafDataSet& ds = view.DataSet();
      std::string value;
      for (ds.First(); !ds.Eof(); ds.Next())
        for (const auto& field : ds.Fields()) field->GetAsString(value);
    }
    return std::string();
  } catch (const Exception& e) {
    return e.Message().empty() ? "(empty message)" : e.Message();
  }
}

struct TSample {
  const char* name;
  std::string bytes;
};

class StadafTruncation : public ::testing::TestWithParam<int> {
 protected:
  TSample Sample() const {
    switch (GetParam()) {
      case 0:
        return {"1.10", BuildSample110()};
      case 1:
        return {"2.00", BuildSample200()};
      default:
        return {"2.10", BuildSample210()};
    }
  }
  TTempDir dir;
};

// Every cut through the header area and the first records fails with a message and leaves no cache.
TEST_P(StadafTruncation, EveryCutBeforeTheCountedRecordsEndFails) {
  const TSample sample = Sample();
  const std::string whole = dir.Write("t.daf", sample.bytes);
  const std::vector<int32_t> starts = RecordStarts(sample.bytes, OpenStadafFieldList(whole)->DataStart());
  const auto end = static_cast<size_t>(starts[3]);
  for (size_t cut = 0; cut < end; ++cut) {
    const std::string path = dir.Write("t.daf", sample.bytes.substr(0, cut));
    std::string index;
    const std::string message = OpenCompletely(path, index);
    EXPECT_FALSE(message.empty()) << sample.name << " cut at " << cut;
    EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"t.daf"}) << sample.name << " cut at " << cut;
  }
}

// With a header that counts two records, cuts after the second record's end succeed with two records.
TEST_P(StadafTruncation, CutsAfterTheCountedRecordsSucceed) {
  const TSample sample = Sample();
  std::string bytes = sample.bytes;
  const bool v110 = bytes.substr(6, 4) == "1.10";
  bytes.replace(93, v110 ? 8 : 9, v110 ? "00000002" : "000000002");
  const std::vector<int32_t> starts =
      RecordStarts(bytes, OpenStadafFieldList(dir.Write("t.daf", bytes))->DataStart());
  for (auto cut = static_cast<size_t>(starts[1]); cut <= static_cast<size_t>(starts[3]); ++cut) {
    std::filesystem::remove(dir.Path("t.of1"));
    const std::string path = dir.Write("t.daf", bytes.substr(0, cut));
    std::string index;
    const std::string message = OpenCompletely(path, index);
    if (cut < static_cast<size_t>(starts[2])) {
      EXPECT_FALSE(message.empty()) << sample.name << " cut at " << cut;
      EXPECT_EQ(FilesIn(dir.Path("")), std::vector<std::string>{"t.daf"}) << sample.name << " cut at " << cut;
    } else {
      EXPECT_EQ(message, "") << sample.name << " cut at " << cut;
      EXPECT_EQ(std::count(index.begin(), index.end(), ',') + std::count(index.begin(), index.end(), ';'), 2)
          << index;
      EXPECT_EQ(FilesIn(dir.Path("")), (std::vector<std::string>{"t.daf", "t.of1"}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, StadafTruncation, ::testing::Values(0, 1, 2));

}  // namespace
