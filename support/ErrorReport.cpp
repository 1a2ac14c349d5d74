#include "support/ErrorReport.h"

#include <cstdio>
#include <cstring>

#include "support/Exception.h"
#include "support/Windows1252.h"

namespace {

// Control characters (C0, DEL and C1) as \xNN; everything else as it is. Input is UTF-8.
void AppendPrintable(std::string& out, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : c;
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
}

}  // namespace

TErrorReport ReportOf(const std::exception& error) {
  TErrorReport report;
  if (const auto* e = dynamic_cast<const Exception*>(&error)) {
    report.FileName = e->FileName();
    report.Message = e->Message();
    if (const auto* io = dynamic_cast<const EInOutError*>(e)) {
      report.Message += ": ";
      report.Message += std::strerror(io->ErrorCode());
    }
  } else {
    report.Message = error.what();
  }
  return report;
}

std::string PrintableErrorText(const std::exception& error, const std::string& fileName) {
  TErrorReport report = ReportOf(error);
  if (report.FileName.empty()) report.FileName = fileName;
  std::string text;
  if (!report.FileName.empty()) {
    AppendPrintable(text, report.FileName);
    text += ": ";
  }
  AppendPrintable(text, Windows1252ToUtf8(report.Message));
  return text;
}
