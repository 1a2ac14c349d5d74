#include "core/Startup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "isam/CtreeSession.h"
#include "isam/EngineEnvironment.h"
#include "layout/DravikField.h"
#include "stadaf/StadafVersion.h"
#include "support/DateTimeText.h"
#include "support/InstalledVersions.h"
#include "support/Text.h"
#include "support/TextTable.h"

#ifndef KW_PROGRAM_VERSION
#error "KW_PROGRAM_VERSION must be defined by the build"
#endif

namespace {

constexpr const char* kStartShortDateFormat = "m/d/yy";

void InitializeShortDateFormat() {
  SetShortDateFormat(FourDigitYearDateFormat(ShortDateFormat(), DateSeparator()));
}
void FinalizeShortDateFormat() {
  SetShortDateFormat(kStartShortDateFormat);
}

// The head of an engine log line: the short date format in force, a blank, the long time format.
std::string EngineLogTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char time[16];
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  return FormatShortDate(ShortDateFormat(), DateSeparator(), local) + " " + time;
}

uint32_t& ApplicationWindow() {
  static uint32_t handle = 0;
  return handle;
}

void InitializeEngineSession() {
  SetLogTimeFunction(EngineLogTime);
  InitializeCtreeSession(ApplicationWindow());
}
void FinalizeEngineSession() {
  FinalizeCtreeSession();
  SetLogTimeFunction(nullptr);
}

struct TStartupState {
  size_t initialized = 0;  // steps whose initialisation ran, from the first on
  bool done = false;
  std::vector<std::string> log;
};

TStartupState& State() {
  static TStartupState state;
  return state;
}

void FinalizeFirst(size_t count) {
  TStartupState& state = State();
  while (count > 0) {
    const TStartupStep& step = StartupSteps()[--count];
    state.log.push_back(std::string("final ") + step.Name);
    if (step.Finalize) {
      try {
        step.Finalize();
      } catch (...) {
        // A finalisation that fails must not keep the others from running.
      }
    }
  }
  state.initialized = 0;
}

}  // namespace

const std::vector<TStartupStep>& StartupSteps() {
  static const std::vector<TStartupStep> steps = {
      {"FieldDescriptions", InitializeFieldDescriptions, FinalizeFieldDescriptions},
      {"StringMapping", InitializeStringMapping, FinalizeStringMapping},
      {"CtreeSession", InitializeEngineSession, FinalizeEngineSession},
      {"InstalledVersions", InitializeInstalledVersions, FinalizeInstalledVersions},
      // The fare domain library's handler object is not part of this program; its date rule is.
      {"ShortDateFormat", InitializeShortDateFormat, FinalizeShortDateFormat},
      // The fare domain library's other process-wide objects are not part of this program.
      {"Stadaf", InitializeStadaf, FinalizeStadaf},
  };
  return steps;
}

void RunStartup() {
  TStartupState& state = State();
  if (state.done) return;
  state.log.clear();
  state.initialized = 0;
  const auto& steps = StartupSteps();
  try {
    for (const TStartupStep& step : steps) {
      state.log.push_back(std::string("init ") + step.Name);
      if (step.Initialize) step.Initialize();
      ++state.initialized;
    }
  } catch (...) {
    FinalizeFirst(state.initialized);
    throw;
  }
  state.done = true;
}

void RunFinalization() {
  TStartupState& state = State();
  if (!state.done) return;
  FinalizeFirst(state.initialized);
  state.done = false;
}

void SetApplicationWindowHandle(uint32_t handle) {
  ApplicationWindow() = handle;
}

bool TerminateAfterStartup() {
  return TerminationRequested();
}

bool StartupDone() {
  return State().done;
}

const std::vector<std::string>& StartupLog() {
  return State().log;
}

std::string FourDigitYearDateFormat(std::string_view format, char separator) {
  std::string result = UpperCase(format);
  const auto years = std::count(result.begin(), result.end(), 'Y');
  if (years == 0) {
    result += separator;
    result += "YYYY";
  } else if (years < 4) {
    result.insert(result.find('Y'), static_cast<size_t>(4 - years), 'Y');
  }
  return result;
}

const char* ProgramVersion() {
  return KW_PROGRAM_VERSION;
}
