#include "layout/TextHelpers.h"

#include <iterator>

#include "platform/File.h"
#include "support/Text.h"
#include "support/TextLines.h"

std::string RemoveBlanks(std::string_view s) {
  std::string result;
  result.reserve(s.size());
  for (const char c : s)
    if (c != ' ') result.push_back(c);
  return result;
}

void SplitAt(std::string_view s, char c, std::vector<std::string>& list) {
  list.clear();
  if (s.empty()) return;
  for (;;) {
    const size_t p = s.find(c);
    if (p == std::string_view::npos) {
      list.emplace_back(s);
      return;
    }
    list.emplace_back(s.substr(0, p));
    s.remove_prefix(p + 1);
  }
}

std::string PadRight(std::string_view s, int32_t w) {
  std::string result(s);
  if (w > 0 && static_cast<size_t>(w) > s.size()) result.append(static_cast<size_t>(w) - s.size(), ' ');
  return result;
}

std::string PadLeftZeros(std::string_view s, int32_t w) {
  if (w <= 0 || static_cast<size_t>(w) <= s.size()) return std::string(s);
  std::string result(static_cast<size_t>(w) - s.size(), '0');
  result.append(s);
  return result;
}

void GetSectionLines(const std::vector<std::string>& lines, std::string_view name,
                     std::vector<std::string>& out) {
  out.clear();
  std::string header;
  header.reserve(name.size() + 2);
  header.append("[").append(name).append("]");
  size_t i = 0;
  while (i < lines.size() && !SameText(lines[i], header)) ++i;
  if (i == lines.size()) return;
  for (++i; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] == '[') break;
    if (!line.empty()) out.push_back(line);
  }
}

std::vector<std::string> LoadTextLines(const std::string& fileName) {
  // Text files are only read, whatever the default mode for binary files is.
  TFile file;
  file.Open(fileName);
  std::string text(static_cast<size_t>(file.Size()), '\0');
  text.resize(file.ReadSomeAt(0, text.data(), text.size()));
  return SplitTextLines(text);
}

std::string RecordTypeName(int code) {
  static constexpr const char* kNames[] = {
      "None",        "Fare",     "Rule",           "Ticket",   "Routing", "Routing-Segment",
      "Mix-Classes", "Open-Jaw", "AddOn_SideTrip", "Companion"};
  const int type = code & 0x7F;
  if (type < static_cast<int>(std::size(kNames))) return kNames[type];
  return "unknown";
}

std::string GetFileVersionText(const std::string& /*fileName*/, bool /*full*/) {
  return std::string();
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
  const size_t p = name.find_last_of("./");
  std::string result(p != std::string_view::npos && name[p] == '.' ? name.substr(0, p) : name);
  result.append(ext);
  return result;
}

std::string CompanionFileName(std::string_view name, std::string_view ext) {
  std::string exact = ChangeFileExt(name, ext);
  const size_t slash = exact.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : exact.substr(0, slash + 1);
  const std::optional<std::string> stored = StoredEntryName(directory, exact.substr(directory.size()));
  return stored ? directory + *stored : exact;
}
