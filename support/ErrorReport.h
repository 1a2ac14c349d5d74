#pragma once

#include <exception>
#include <string>

// What a person is shown for an error: the file it concerns and the system's message as it stands, with the
// operating system's description added to an I/O error ("I/O error 13: Permission denied").
struct TErrorReport {
  std::string FileName;  // as the platform names it (UTF-8 on Linux); empty when no file is known
  std::string Message;   // 8-bit text of the files' code page, as the message carries it
};

TErrorReport ReportOf(const std::exception& error);

// "file: message", or the message alone, as UTF-8 with control characters written visibly ("\x1b"), so that
// bytes taken from a file cannot act on a terminal. fileName names the file when the error names none. For
// kwdump and other command-line tools.
std::string PrintableErrorText(const std::exception& error, const std::string& fileName = {});
