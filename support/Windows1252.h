#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Decodes 8-bit text of the files' code page, Windows-1252, to UTF-8. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same value.
// The one decoding used for display and export.
std::string Windows1252ToUtf8(std::string_view text);
void AppendWindows1252AsUtf8(std::string& out, std::string_view text);

// Encodes UTF-8 text in Windows-1252; none when the text is not UTF-8 or holds a character the code
// page cannot hold (badCodePoint then names it, or is 0 for bytes that are not UTF-8).
std::optional<std::string> Utf8ToWindows1252(std::string_view text, uint32_t* badCodePoint = nullptr);
