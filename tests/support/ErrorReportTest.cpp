#include "support/ErrorReport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include "support/Exception.h"

namespace {

TEST(ErrorReportTest, FileThenMessageAndTheSystemsDescriptionOfAnInOutError) {
  EInOutError denied(EACCES);
  denied.SetFileNameOnce("/data/fares.rff");
  denied.SetFileNameOnce("/data/other.rff");  // the reader closest to the cause named it first
  EXPECT_EQ(denied.Message(), "I/O error 13");
  EXPECT_EQ(PrintableErrorText(denied), "/data/fares.rff: I/O error 13: Permission denied");

  const Exception eof("EOF-Error");
  EXPECT_EQ(PrintableErrorText(eof), "EOF-Error");
  EXPECT_EQ(PrintableErrorText(eof, "/data/fares.rfm"), "/data/fares.rfm: EOF-Error");
  EXPECT_EQ(PrintableErrorText(std::runtime_error("plain")), "plain");
  const TErrorReport report = ReportOf(denied);
  EXPECT_EQ(report.FileName, "/data/fares.rff");
  EXPECT_EQ(report.Message, "I/O error 13: Permission denied");
}

// Messages carry bytes from files; decoded as Windows-1252, control characters (C0, DEL and the C1 codes the
// code page leaves undefined) are written visibly, letters stay.
TEST(ErrorReportTest, ControlCharactersAreWrittenVisibly) {
  Exception error(std::string("F\x1b[2J\x07\x7f\x9d\xfc: Unexpected constant description"));
  error.SetFileNameOnce("/d/a\nb.daf");
  EXPECT_EQ(PrintableErrorText(error),
            "/d/a\\x0ab.daf: F\\x1b[2J\\x07\\x7f\\x9d\xc3\xbc: Unexpected constant description");
}

TEST(ErrorReportTest, NamingFileKeepsTheTypeAndTheCloserName) {
  try {
    NamingFile("/outer.rff", [] { throw EInOutError(ENOENT); });
    ADD_FAILURE();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.FileName(), "/outer.rff");
  }
  try {
    NamingFile("/outer.rff", [] {
      Exception inner("EOF-Error");
      inner.SetFileNameOnce("/inner.rfm");
      throw inner;
    });
  } catch (const Exception& e) {
    EXPECT_EQ(e.FileName(), "/inner.rfm");
  }
  EXPECT_EQ(NamingFile("/f", [] { return 7; }), 7);
}

}  // namespace
