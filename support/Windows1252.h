#pragma once

#include <string>
#include <string_view>

// Decodes 8-bit text of the files' code page, Windows-1252, to UTF-8. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same value.
// The one decoding used for display and export.
std::string Windows1252ToUtf8(std::string_view text);
void AppendWindows1252AsUtf8(std::string& out, std::string_view text);
