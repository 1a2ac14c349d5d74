#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Small stateless text functions shared by the record layouts and the STADAF reader.

// s without any space character (code 32); tabs and every other byte stay.
std::string RemoveBlanks(std::string_view s);

// Replaces list by the pieces of s between occurrences of c: n separators give n + 1 pieces, empty ones
// included; the empty text gives no piece at all.
void SplitAt(std::string_view s, char c, std::vector<std::string>& list);

// s widened to w characters with trailing blanks / leading "0"s; never cut.
std::string PadRight(std::string_view s, int32_t w);
std::string PadLeftZeros(std::string_view s, int32_t w);

// Replaces out by the non-empty lines of section name: the lines after the first line equal to
// "[" + name + "]" (letter case ignored, nothing trimmed) up to a line starting with "[" or the end.
void GetSectionLines(const std::vector<std::string>& lines, std::string_view name,
                     std::vector<std::string>& out);

// The lines of a text file, split by SplitTextLines (support/TextLines.h): a line ends at CR LF, at a lone
// CR or at a lone LF, and a break at the very end starts no further line. Bytes are kept as they are; the
// file is opened read-only whatever the default mode for binary files. Failures raise EInOutError.
std::vector<std::string> LoadTextLines(const std::string& fileName);

// Display name of a record type; only the low seven bits of code count ("Fare" for 1 and 129).
std::string RecordTypeName(int code);

// Version text of an executable's version resource, "major.minor" or, with full, "major.minor.release.build".
// Executables here carry no version resource, so the text is always empty (also for a missing file).
std::string GetFileVersionText(const std::string& fileName, bool full);

// name with its extension (from the last "." after the last "/") replaced by ext, or ext appended when it
// has none; ext includes its dot (".rfm").
std::string ChangeFileExt(std::string_view name, std::string_view ext);

// The file beside name that carries extension ext (".ini", ".rfm", ".rfc", ".of1"): ChangeFileExt's name when
// such a file exists, else one that differs from it only in letter case ("X.RFF" finds "X.ini"), else
// ChangeFileExt's name.
std::string CompanionFileName(std::string_view name, std::string_view ext);
