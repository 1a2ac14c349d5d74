#include "core/FileNames.h"

#include <errno.h>
#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/File.h"

std::string ExtractFileExt(std::string_view name) {
  const size_t at = name.find_last_of("./");
  if (at == std::string_view::npos || name[at] != '.') return {};
  return std::string(name.substr(at));
}

namespace {

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// The absolute form of path as components; trailing reports whether path ended with "/".
std::vector<std::string> AbsoluteComponents(std::string_view path, bool& trailing) {
  std::string full(path);
  if (full.empty() || full[0] != '/') full = CurrentDirectory() + "/" + full;
  trailing = full.size() > 1 && full.back() == '/';
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string_view component(full.data() + start, end - start);
    if (component == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!component.empty() && component != ".") {
      components.emplace_back(component);
    }
    start = end + 1;
  }
  return components;
}

}  // namespace

std::string ExpandLongPathName(std::string_view path) {
  bool trailing = false;
  const std::vector<std::string> components = AbsoluteComponents(path, trailing);
  std::string result = "/";
  for (size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    const std::optional<std::string> stored = StoredEntryName(result, components[i]);
    if (!stored) {
      for (size_t j = i; j < components.size(); ++j) {
        result += components[j];
        if (j + 1 < components.size() || trailing) result += '/';
      }
      return result;
    }
    result += *stored;
    if (!last || trailing) result += '/';
  }
  return result;
}
