#pragma once

#include <cstdint>
#include <string>

// Format versions as the version probe numbers them.
inline constexpr int32_t kStadafVersionNone = -1;
inline constexpr int32_t kStadafVersion100 = 100;
inline constexpr int32_t kStadafVersion110 = 110;
inline constexpr int32_t kStadafVersion200 = 200;
inline constexpr int32_t kStadafVersion210 = 210;

// Start-up step of the STADAF module: no version probed yet, and the default structure header of a new
// structured field becomes sixteen "0" characters. FinalizeStadaf undoes both.
void InitializeStadaf();
void FinalizeStadaf();

// The result of the last ProbeStadafVersion; -1 until the first probe.
int32_t CurrentStadafVersion();

// Sets the process-wide default open mode for binary files to read-only (and leaves it so), then reads the
// file's first line (up to the first CR or LF): the result is 100 x its 7th character + 10 x its 9th + its
// 10th, or -1 when the line is shorter than 10 characters or one of those three is not a decimal digit.
// Neither "STADAF" nor the dot is checked. Stores the result as CurrentStadafVersion and returns it. A file
// that cannot be opened raises EInOutError.
int32_t ProbeStadafVersion(const std::string& fileName);

// Header text of a new structured field; sixteen "0" characters, also before start-up.
const std::string& DefaultStructHeader();
