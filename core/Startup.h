#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/DateTimeText.h"

// The program's start-up: the modules' initialisation steps run in a fixed order before the main
// window exists, their finalisations in reverse order after it is gone. Nothing runs in static
// initialisers; tests run the sequence and read the log to observe the order.

// One step of the sequence; either function may be empty.
struct TStartupStep {
  const char* Name;
  void (*Initialize)();
  void (*Finalize)();
};

// The steps in start-up order.
const std::vector<TStartupStep>& StartupSteps();

// Runs every step's initialisation in order. When one fails, the steps already initialised are
// finalised in reverse order and the error propagates. Running it again without RunFinalization in
// between does nothing.
void RunStartup();
// Finalises the initialised steps in reverse order; a failing finalisation does not stop the others.
void RunFinalization();
bool StartupDone();

// The application window's handle for the engine session's instance name; 0 (the default) means the
// process has none, as in the command-line tools.
void SetApplicationWindowHandle(uint32_t handle);
// Whether a start-up question was answered with the wish to end the program: it then quits as soon
// as its event loop starts.
bool TerminateAfterStartup();

// What RunStartup and RunFinalization did, one entry per step: "init <Name>" or "final <Name>".
// Cleared by RunStartup.
const std::vector<std::string>& StartupLog();

// The short date format and date separator (ShortDateFormat, SetShortDateFormat, DateSeparator) are
// those of support/DateTimeText.h.

// The start-up rule for the short date format: upper-cased, then forced to a four-digit year. With no
// "Y", the separator and "YYYY" are appended; with 1, 2 or 3 "Y" characters, "YYY", "YY" or "Y" is
// inserted at the first "Y"; with 4 or more it stays.
std::string FourDigitYearDateFormat(std::string_view format, char separator);

// The program's version, "major.minor.patch", compiled in from the build.
const char* ProgramVersion();
