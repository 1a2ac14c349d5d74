#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string_view>

#include "support/Windows1252.h"

// An 8-bit text of the files' code page (a field value, a message, a layout's name) as the screen shows it.
inline QString DisplayText(std::string_view text) {
  return QString::fromUtf8(Windows1252ToUtf8(text));
}

// A file name as the platform names it; only the contents of files are in their code page.
inline QString FileNameText(std::string_view name) {
  return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

// A caption made of a file name and texts added to it (" (1)", " - Fare"), each part decoded by what it
// is: the leading fileName as a file name, the rest as text. A caption that does not begin with fileName
// is all text.
inline QString CaptionText(std::string_view caption, std::string_view fileName) {
  if (fileName.empty() || !caption.starts_with(fileName)) return DisplayText(caption);
  return FileNameText(fileName) + DisplayText(caption.substr(fileName.size()));
}
