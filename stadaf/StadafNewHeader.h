#pragma once

#include <string>
#include <string_view>

// The fixed part (93 bytes) a new STADAF file starts with: "STADAF", the version text, a zero time, the
// sender name, sender code and converter label, the constants "0000", "1", "#", a zero file size and
// "PC-ASCII".
//
// Sender name and code come from the "SenderName" and "SenderCode" settings of the configuration store's
// "Converter" section, trimmed. A configured name is written left-aligned, at most 20 bytes, zero bytes
// after it; without one, "Corvanelle" padded with blanks. A configured code takes at most 5 bytes, padded
// with zero bytes (zeroPadSenderCode, version 1.10) or blanks; without one, "CV" padded with blanks. The
// converter label is "kwDafex " and the version of "kwsdcv32.dll" when that file lies in the program's
// folder, else "Kestrelwing " and the program's major.minor version, padded with blanks and cut to 20.
std::string NewStadafFixedPart(std::string_view versionText, bool zeroPadSenderCode);

// The converter label before padding.
std::string StadafConverterLabel();
