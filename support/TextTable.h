#pragma once

#include <array>
#include <string>
#include <string_view>

#include "support/StringMap.h"

// The process-wide text table (display texts of the fare domain library, looked up by name without
// regard to letter case; an unknown name yields itself) and the weekday codes, Monday first.

// Start-up step: creates the text table, fills it from the built-in text, and fills the weekday codes.
void InitializeStringMapping();
// Frees both again.
void FinalizeStringMapping();

// Both fail with an Exception when start-up has not run.
const TStringMapper& GetTextTable();
const std::array<std::string, 7>& GetWeekdayCodes();

// The built-in text: 175 lines name=value, each followed by CR LF.
std::string_view BuiltInTextTable();
