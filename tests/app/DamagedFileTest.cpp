#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "stadaf/RecordTypeIndex.h"
#include "support/DynamicIntegerArray.h"
#include "support/InterfaceMap.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

namespace {

// Files with a damaged record, opened with the real readers: the window opens with the records before it,
// and the error is shown once, when the cursor reaches the damaged record.
class DamagedFileTest : public TShownFormTest<TMessageBoxRequest> {
 protected:
  static std::string SampleBytes(const std::string& name) {
    std::ifstream in(std::string(KW_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // stadaf200.daf cut inside its fifth record (the second fare), with a cache that lists every record
  // that starts before the cut, as a cache written before the file was damaged would.
  std::string CutStadafWithCache() {
    const std::string whole = dir_.Write("whole.daf", SampleBytes("stadaf200.daf"));
    const Ref<IInterfaceMap> index = BuildRecordTypeIndex(whole);
    const Ref<IDynamicIntegerArray> fares = RecordTypeOffsets(index, 1);
    const int32_t damaged = fares->GetItem(1);
    const std::string file = dir_.Write("cut.daf", SampleBytes("stadaf200.daf").substr(0, damaged + 40));
    const Ref<IInterfaceMap> listed = MakeRef<IInterfaceMap>(new TStaticInterfaceMap);
    for (int32_t i = 0; i < index->GetCount(); ++i) {
      const Ref<IDynamicIntegerArray> all = QueryStrict<IDynamicIntegerArray>(index->GetItemAt(i));
      auto* kept = new TDynamicIntegerArray;
      for (int32_t j = 0; j < all->GetCount(); ++j)
        if (all->GetItem(j) <= damaged) kept->Add(all->GetItem(j));
      listed->SetItem(index->GetNameAt(i), MakeRef<IDynamicIntegerArray>(kept));
    }
    WriteRecordTypeIndexCache(FileStampText(file), listed, RecordTypeIndexCacheName(file));
    return file;
  }

  // fares.rff whose fifth record points its REMARK memo past the end of the .rfm file.
  std::string RffWithMemoPastTheMemoFile() {
    std::string records = SampleBytes("fares.rff");
    const size_t recordLength = records.find("\r\n") + 2;
    const size_t remark = 4 * recordLength + recordLength - 2 - 8;  // the record's last field
    records.replace(remark, 8, "00007000");
    dir_.Write("memo.ini", SampleBytes("fares.ini"));
    dir_.Write("memo.rfm", SampleBytes("fares.rfm"));
    return dir_.Write("memo.rff", records);
  }

  TMDIChild* WindowOf(const std::string& caption) const {
    for (TMDIChild* child : form_->ChildWindows())
      if (child->Caption() == caption) return child;
    return nullptr;
  }
};

TEST_F(DamagedFileTest, TheWindowShowsTheReadableRecordsAndTheErrorComesOnceWhenTheRecordIsReached) {
  struct Case {
    const char* name;
    std::function<std::string()> make;
    const char* windowSuffix;
    int readable;  // records before the damaged one
    const char* message;
    const char* concerns;  // the file the error names
  };
  const Case cases[] = {
      {"STADAF cut inside a record", [this] { return CutStadafWithCache(); }, " - Fare", 1, nullptr,
       "cut.daf"},
      {"RFF memo past the memo file", [this] { return RffWithMemoPastTheMemoFile(); }, "", 4, "EOF-Error",
       "memo.rfm"},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    const std::string file = c.make();
    form_->OpenFile(file);
    EXPECT_TRUE(boxes_.empty()) << c.name << ": " << (boxes_.empty() ? "" : boxes_[0].Text);
    TMDIChild* window = WindowOf(file + c.windowSuffix);
    ASSERT_NE(window, nullptr) << c.name;
    TDBGrid* grid = window->rxdbg();
    for (int row = 0; row < c.readable; ++row)
      EXPECT_FALSE(grid->Model()->index(row, 0).data().toString().isEmpty()) << c.name << " row " << row;

    grid->setFocus();
    for (int i = 0; i < c.readable; ++i) QTest::keyClick(grid->View(), Qt::Key_Down);
    ASSERT_EQ(boxes_.size(), 1u) << c.name;
    EXPECT_EQ(boxes_[0].FileName, dir_.Path(c.concerns)) << c.name;
    if (c.message) {
      EXPECT_EQ(boxes_[0].Text, c.message) << c.name;
    } else {
      EXPECT_NE(boxes_[0].Text.find("offset"), std::string::npos) << c.name << ": " << boxes_[0].Text;
    }
    // The rows before it stay on screen and can be reached.
    QTest::keyClick(grid->View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->DataSet()->GetRecNo(), 1) << c.name;
    EXPECT_FALSE(grid->Model()->index(0, 0).data().toString().isEmpty()) << c.name;
    EXPECT_EQ(boxes_.size(), 1u) << c.name;
  }
}

}  // namespace
