#pragma once

#include <QString>
#include <string_view>

#include "support/Windows1252.h"

// An 8-bit text of the files' code page (a field value, a caption, a file name) as the screen shows it.
inline QString DisplayText(std::string_view text) {
  return QString::fromUtf8(Windows1252ToUtf8(text));
}
