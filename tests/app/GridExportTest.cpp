#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "app/gridtools/PassProgress.h"
#include "app/gridtools/RecordExport.h"
#include "core/FileInfo.h"
#include "dataset/RecordView.h"
#include "tests/app/GridOutputTestSupport.h"

namespace {

// Commas, quotes, a tab, a backslash, markup and Windows-1252 letters (ü, ã, €).
const std::vector<GridOutputTest::TRecord> kCities = {
    {1, "LH", "Z\xFCrich"},    {2, "AF", "Say \"Hi\", X"},   {3, "BA", "Tab\there\\"},
    {4, "LH", "S\xE3o Paulo"}, {5, "X7", "Euro \x80 & <b>"},
};

// The time the calling thread has spent ready to run, waiting for a processor, in ns (0 where the system does
// not tell).
qint64 QueuedNs() {
  std::ifstream in("/proc/thread-self/schedstat");
  long long running = 0;
  long long queued = 0;
  in >> running >> queued;
  return in ? queued : 0;
}

class GridExportTest : public GridOutputTest {
 protected:
  void Export(const std::string& name, TDumpFormat format, bool byteOrderMark = false, bool selection = false,
              TExportWriting writing = TExportWriting::ewByLoad) {
    TExportChoice choice;
    choice.Target.Path = QString::fromStdString(out_.Path(name));
    choice.Target.Format = format;
    choice.Target.ByteOrderMark = byteOrderMark;
    choice.Target.Writing = writing;
    choice.SelectionOnly = selection;
    output_->Export().Export(choice);
  }
};

// The two ways a whole export's output reaches the file, each taken whatever the machine's load.
const TExportWriting kWritings[] = {TExportWriting::ewEncodingThread, TExportWriting::ewWritingThread};

TEST_F(GridExportTest, WholeDataSetIsWhatKwdumpWritesInTheOrderTheGridShows) {
  struct Case {
    const char* name;
    TDumpFormat format;
    bool byteOrderMark;
    std::vector<TFilterEntry> where;
    std::vector<TSortColumn> sort;
    QStringList kwdump;
  };
  const Case cases[] = {
      {"csv", TDumpFormat::dfCsv, false, {}, {}, {"--format", "csv"}},
      {"csv with byte order mark", TDumpFormat::dfCsv, true, {}, {}, {"--format", "csv"}},
      {"tsv", TDumpFormat::dfTsv, false, {}, {}, {"--format", "tsv"}},
      {"jsonl", TDumpFormat::dfJsonLines, false, {}, {}, {"--format", "jsonl"}},
      {"sorted view",
       TDumpFormat::dfCsv,
       false,
       {},
       {{"CITY", true}},
       {"--format", "csv", "--sort", "CITY:desc"}},
      {"query and sort view",
       TDumpFormat::dfJsonLines,
       false,
       {{"CODE", "LH"}},
       {{"NO", true}},
       {"--format", "jsonl", "--where", "CODE=LH", "--sort", "NO:desc"}},
  };
  Open(kCities);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.where.empty()) window_->GridTools()->Query(c.where);
    if (!c.sort.empty()) window_->GridTools()->Sort(c.sort);
    ASSERT_TRUE(Wait());
    Export("out", c.format, c.byteOrderMark);
    ASSERT_TRUE(Wait());
    const std::string expected = (c.byteOrderMark ? "\xEF\xBB\xBF" : "") + Kwdump(c.kwdump);
    EXPECT_EQ(FileBytes(out_.Path("out")), expected);
    EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{"out"});
    window_->GridTools()->ShowAll();
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

// Some megabytes, so that the writing thread takes several turns of its buffers and hands stretches to the
// disk.
TEST_F(GridExportTest, LargeExportIsWhatKwdumpWritesFromEitherThread) {
  std::vector<TRecord> records;
  for (int n = 1; n <= 300000; ++n)
    records.push_back({n, n % 7 == 0 ? "L\"H" : "AB", "City, " + std::to_string(n)});
  Open(records);
  const std::string expected = Kwdump({"--format", "csv"});
  for (const TExportWriting writing : kWritings) {
    SCOPED_TRACE(static_cast<int>(writing));
    Export("large.csv", TDumpFormat::dfCsv, false, false, writing);
    ASSERT_TRUE(Wait());
    EXPECT_EQ(FileBytes(out_.Path("large.csv")), expected);
    EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{"large.csv"});
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

TEST_F(GridExportTest, HtmlTableAndTheSelectionAreWrittenThroughTheSameWriter) {
  Open(kCities);
  Export("all.html", TDumpFormat::dfHtml);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(FileBytes(out_.Path("all.html")),
            "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n<table>\n"
            "<tr><th>NO</th><th>CODE</th><th>CITY</th></tr>\n"
            "<tr><td>000001</td><td>LH  </td><td>Z\u00fcrich              </td></tr>\n"
            "<tr><td>000002</td><td>AF  </td><td>Say &quot;Hi&quot;, X         </td></tr>\n"
            "<tr><td>000003</td><td>BA  </td><td>Tab\there\\           </td></tr>\n"
            "<tr><td>000004</td><td>LH  </td><td>S\u00e3o Paulo           </td></tr>\n"
            "<tr><td>000005</td><td>X7  </td><td>Euro \u20ac &amp; &lt;b&gt;        </td></tr>\n"
            "</table>\n</body>\n</html>\n");

  // Two cells of records 2 and 4: the rows and columns that hold them, the other cells empty.
  QItemSelectionModel& selection = *grid_->View()->selectionModel();
  selection.clearSelection();
  selection.select(grid_->Model()->index(1, 2), QItemSelectionModel::Select);
  selection.select(grid_->Model()->index(3, 0), QItemSelectionModel::Select);
  struct Case {
    TDumpFormat format;
    bool byteOrderMark;
    const char* expected;
  };
  const Case cases[] = {
      {TDumpFormat::dfCsv, false, "NO,CITY\r\n,\"Say \"\"Hi\"\", X         \"\r\n000004,\r\n"},
      {TDumpFormat::dfCsv, true, "\xEF\xBB\xBFNO,CITY\r\n,\"Say \"\"Hi\"\", X         \"\r\n000004,\r\n"},
      {TDumpFormat::dfTsv, false, "NO\tCITY\n\tSay \"Hi\", X         \n000004\t\n"},
      {TDumpFormat::dfJsonLines, false,
       "{\"columns\":[{\"name\":\"NO\",\"kind\":\"string\",\"size\":6},{\"name\":\"CITY\",\"kind\":"
       "\"string\","
       "\"size\":20}],\"record_type\":0,\"type_name\":\"None\",\"count\":2}\n"
       "{\"recno\":2,\"values\":[\"\",\"Say \\\"Hi\\\", X         \"]}\n"
       "{\"recno\":4,\"values\":[\"000004\",\"\"]}\n"},
      {TDumpFormat::dfHtml, false,
       "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n<table>\n"
       "<tr><th>NO</th><th>CITY</th></tr>\n<tr><td></td><td>Say &quot;Hi&quot;, X         </td></tr>\n"
       "<tr><td>000004</td><td></td></tr>\n</table>\n</body>\n</html>\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    Export("selection", c.format, c.byteOrderMark, true);
    EXPECT_FALSE(output_->Running());
    EXPECT_EQ(FileBytes(out_.Path("selection")), c.expected);
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

TEST_F(GridExportTest, CancelledOrFailedExportLeavesNoFileAndTheEarlierOneUnchanged) {
  std::vector<TRecord> records;
  for (int n = 1; n <= 300000; ++n) records.push_back({n, "AB", "City " + std::to_string(n)});
  Open(records);
  out_.Write("earlier.csv", "earlier\n");
  struct Case {
    const char* name;
    std::string path;
    bool cancel;
    std::vector<std::string> boxes;
    rlim_t sizeLimit = RLIM_INFINITY;
  };
  const std::string missing = out_.Path("missing/x.csv");
  const Case cases[] = {
      {"cancelled", out_.Path("earlier.csv"), true, {}},
      {"folder missing", missing, false, {"Export failed: "}},
      // The file outgrows the process's size limit after 2 MiB: write() fails in the middle of the export
      // (with the writing thread, on it).
      {"write fails", out_.Path("earlier.csv"), false, {"Export failed: File too large"}, 2 << 20},
  };
  for (const TExportWriting writing : kWritings)
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name +
                   std::string(writing == TExportWriting::ewWritingThread ? ", writing thread" : ""));
      boxes_.clear();
      std::vector<TMessageBoxRequest> requests;
      {
        TMessageBoxRecorder recorder(requests);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit before = limit;
        const auto signal = std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = c.sizeLimit;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TExportChoice choice;
        choice.Target.Path = QString::fromStdString(c.path);
        choice.Target.Writing = writing;
        output_->Export().Export(choice);
        if (c.cancel) output_->Cancel();
        const bool ended = Wait();
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, signal);
        ASSERT_TRUE(ended);
      }
      EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{"earlier.csv"});
      EXPECT_EQ(FileBytes(out_.Path("earlier.csv")), "earlier\n");
      ASSERT_EQ(requests.size(), c.boxes.size());
      for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_TRUE(requests[i].Text.starts_with(c.boxes[i])) << requests[i].Text;
        EXPECT_EQ(requests[i].FileName, c.path);
      }
      EXPECT_FALSE(output_->ProgressBar()->isVisible());
    }
}

TEST_F(GridExportTest, LongExportReportsProgressAndKeepsTheWindowResponsive) {
  std::string bytes;
  std::vector<TRecord> chunk;
  for (int n = 1; n <= 1000; ++n) chunk.push_back({n, "AB", "City " + std::to_string(n)});
  const std::string block = RecordBytes(chunk);
  for (int i = 0; i < 1000; ++i) bytes += block;
  OpenBytes(bytes);

  std::vector<int> shown;
  QObject::connect(output_->ProgressBar()->Bar(), &QProgressBar::valueChanged,
                   [&shown](int value) { shown.push_back(value); });
  // The longest wait between two turns of the event loop while the export runs, less the time this thread
  // was ready to run but had no processor (other programs' load is not the window's doing).
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 lastQueued = 0;
  qint64 longest = 0;
  QTimer turn;
  turn.setInterval(0);
  QObject::connect(&turn, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    const qint64 queued = QueuedNs();
    longest = std::max(longest, (now - last) - (queued - lastQueued));
    last = now;
    lastQueued = queued;
  });
  Export("large.csv", TDumpFormat::dfCsv);
  ASSERT_TRUE(output_->Running());
  EXPECT_TRUE(output_->ProgressBar()->isVisibleTo(window_));
  clock.start();
  lastQueued = QueuedNs();
  turn.start();
  ASSERT_TRUE(Wait());
  turn.stop();

  EXPECT_LE(longest, 50'000'000);
  EXPECT_GE(shown.size(), 2u);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(FileBytes(out_.Path("large.csv")), Kwdump({"--format", "csv"}));
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

// A cancel some megabytes in, with the writing thread at work on the buffers: no file, no temporary file, the
// earlier file unchanged.
TEST(RecordExportTest, CancelWhileTheWritingThreadHoldsBuffersLeavesNoFile) {
  TTempDir dir;
  std::string layout = "[FIELDDESCRIPTIONS]\r\n";
  for (int i = 1; i <= 20; ++i) layout += "TEXT" + std::to_string(i) + ", 200\r\n";
  dir.Write("wide.ini", layout);
  const std::string record = std::string(4000, 'x') + "\r\n";
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += record;
  const std::string input = dir.Write("wide.rff", bytes);
  const TFileInfo info(input, nullptr, 0, ".RFF");
  for (const TExportWriting writing : kWritings) {
    SCOPED_TRACE(static_cast<int>(writing));
    TTempDir out;
    out.Write("earlier.csv", "earlier\n");
    std::atomic<bool> cancel = false;
    TPassControl control;
    control.Cancel = &cancel;
    control.FileName = input;
    int64_t cancelledAt = 0;
    // The first report comes after 1024 records (4 MB, more than the buffers hold); the next look at the flag
    // ends the pass.
    control.OnProgress = [&](int64_t done, int64_t) {
      if (cancelledAt == 0) cancelledAt = done;
      cancel = true;
    };
    TExportTarget target;
    target.Path = QString::fromStdString(out.Path("earlier.csv"));
    target.Writing = writing;
    TExportTimes times;
    EXPECT_THROW(ExportRecords(info.GetDataSet(), nullptr, {0, "None"}, target, control, &times),
                 EPassCancelled);
    EXPECT_EQ(cancelledAt, 1024);
    EXPECT_EQ(times.WritingThread, writing == TExportWriting::ewWritingThread);
    EXPECT_EQ(FolderFiles(out.Path("")), std::vector<std::string>{"earlier.csv"});
    EXPECT_EQ(FileBytes(out.Path("earlier.csv")), "earlier\n");
  }
}

}  // namespace
