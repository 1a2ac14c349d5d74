#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a text into lines at CR LF, a lone CR or a lone LF. A last line without an end counts; an
// empty text has no lines.
std::vector<std::string> SplitTextLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

// Comma text: items joined by ","; an item holding a byte 0 to 32, a double quote or a comma is
// quoted, inner quotes doubled; a single empty item is written as two double quotes.
std::string FormatCommaText(const std::vector<std::string>& items);

// Reads comma text: bytes 1 to 32 before and after an item are skipped; a quoted item runs to its
// closing quote (doubled quotes stand for one), any other item to the next comma or byte of 32 or
// less, so unquoted blanks separate items as commas do; a comma at the very end adds an empty item.
// A byte 0 ends the text.
std::vector<std::string> ParseCommaText(std::string_view text);

// The text without the blanks and control characters (bytes 0 to 32) at both ends.
std::string_view TrimText(std::string_view text);
