#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The one integer syntax of the system: an optional sign, then decimal digits or "$" and hexadecimal
// digits. Hexadecimal values fill 32 bits (so "$FFFFFFFF" is -1); decimal values must fit an int32.
std::optional<int32_t> TryStrToInt(std::string_view text);

// Throws EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
