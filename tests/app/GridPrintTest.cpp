#include <gtest/gtest.h>

#include <QAction>
#include <QPrinter>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/PassProgress.h"
#include "app/gridtools/TablePrinter.h"
#include "tests/app/GridOutputTestSupport.h"

namespace {

class GridPrintTest : public GridOutputTest {
 protected:
  void SetUp() override {
    std::vector<TRecord> records;
    for (int n = 1; n <= 3000; ++n) records.push_back({n, n % 2 ? "AB" : "CD", "City " + std::to_string(n)});
    Open(records);
    // Previews and print dialogs print to PDF files in the output folder instead.
    previous_preview_ =
        TGridPrint::SetPreviewFunction([this](QWidget*, const std::function<void(QPrinter&)>& paint) {
          QPrinter printer(QPrinter::HighResolution);
          printer.setOutputFormat(QPrinter::PdfFormat);
          printer.setOutputFileName(QString::fromStdString(out_.Path("preview.pdf")));
          paint(printer);
        });
    previous_printer_ = TGridPrint::SetPrinterFunction([this](QWidget*) { return PdfPrinter("print.pdf"); });
  }
  void TearDown() override {
    TGridPrint::SetPreviewFunction(previous_preview_);
    TGridPrint::SetPrinterFunction(previous_printer_);
    GridOutputTest::TearDown();
  }

  std::unique_ptr<QPrinter> PdfPrinter(const std::string& name) const {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(out_.Path(name)));
    return printer;
  }
  // Rows on a page of the printers above.
  int RowsPerPage() const {
    const std::unique_ptr<QPrinter> printer = PdfPrinter("unused.pdf");
    return TTablePrinter(*printer, QString(), {{QStringLiteral("NO"), 60}}, 0).RowsPerPage();
  }

  TGridPrint::TPreviewFunction previous_preview_;
  TGridPrint::TPrinterFunction previous_printer_;
};

TEST_F(GridPrintTest, PrintsTheGridOnOnePageAndRangesOfTheDataSetOnAsManyPagesAsTheyFill) {
  const int rows = RowsPerPage();
  ASSERT_GT(rows, 10);
  output_->Print().PrintGrid();
  EXPECT_EQ(PdfPageCount(out_.Path("preview.pdf")), 1);
  std::remove(out_.Path("preview.pdf").c_str());

  struct Case {
    const char* name;
    int32_t first;
    int32_t last;
    bool preview;
    const char* file;
    int pages;
  };
  const Case cases[] = {
      {"one record", 7, 7, false, "print.pdf", 1},
      {"exactly two pages", 1, 2 * rows, false, "print.pdf", 2},
      {"one record more", 1, 2 * rows + 1, false, "print.pdf", 3},
      {"preview of a range", 100, 100 + rows, true, "preview.pdf", 2},
      {"past the last record", 2999, 5000, false, "print.pdf", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    output_->Print().PrintDataSet({c.first, c.last, c.preview});
    ASSERT_TRUE(Wait());
    EXPECT_EQ(PdfPageCount(out_.Path(c.file)), c.pages);
    std::remove(out_.Path(c.file).c_str());
    EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{});
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

TEST_F(GridPrintTest, PrintFollowsTheViewAndACancelledPrintLeavesTheEarlierFile) {
  // Only the CD records, the last first: 1500 of them.
  window_->GridTools()->Query({{"CODE", "CD"}});
  window_->GridTools()->Sort({{"NO", true}});
  ASSERT_TRUE(Wait());
  output_->Print().PrintDataSet({1, 1500, false});
  ASSERT_TRUE(Wait());
  EXPECT_EQ(PdfPageCount(out_.Path("print.pdf")), (1500 + RowsPerPage() - 1) / RowsPerPage());
  const std::string pdf = FileBytes(out_.Path("print.pdf"));

  output_->Print().PrintDataSet({1, 1500, false});
  output_->Cancel();
  ASSERT_TRUE(Wait());
  EXPECT_EQ(FileBytes(out_.Path("print.pdf")), pdf);
  EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{"print.pdf"});
  EXPECT_FALSE(output_->ProgressBar()->isVisible());
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

TEST_F(GridPrintTest, ContextMenuEntriesAskAndRunThePrintsAndTheExport) {
  const auto previousRange =
      TPrintRangeDialog::SetAskFunction([](QWidget*, int32_t count) -> std::optional<TPrintRange> {
        return TPrintRange{count - 1, count, false};
      });
  const auto previousExport =
      TExportDialog::SetAskFunction([this](QWidget*, bool) -> std::optional<TExportChoice> {
        TExportChoice choice;
        choice.Target.Path = QString::fromStdString(out_.Path("export.tsv"));
        choice.Target.Format = TDumpFormat::dfTsv;
        return choice;
      });
  struct Case {
    TGridMenuEntry entry;
    const char* file;
  };
  const Case cases[] = {
      {TGridMenuEntry::gmPrintGrid, "preview.pdf"},
      {TGridMenuEntry::gmPrintDataSet, "print.pdf"},
      {TGridMenuEntry::gmExportGrid, "export.tsv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(TGridContextMenu::EntryName(c.entry));
    window_->ContextMenu()->Refresh();
    QAction* action = window_->ContextMenu()->Entry(c.entry);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
    ASSERT_TRUE(Wait());
    EXPECT_EQ(FolderFiles(out_.Path("")), std::vector<std::string>{c.file});
    std::remove(out_.Path(c.file).c_str());
  }
  TPrintRangeDialog::SetAskFunction(previousRange);
  TExportDialog::SetAskFunction(previousExport);
  EXPECT_EQ(boxes_, std::vector<std::string>{});
}

}  // namespace
