#pragma once

#include <string>
#include <string_view>

// The extension of name, dot included: from the last "." after the last "/" on; empty when there is
// none. Letter case is kept.
std::string ExtractFileExt(std::string_view name);

// path with every component in the letter case stored on disk. path is first made absolute against
// the current directory ("." and ".." components resolved by their names, repeated "/" collapsed).
// Each component is looked up in the directory reached so far: an entry of exactly that name first,
// else one equal to it without regard to letter case (the first such name in byte order). At the first
// component that is not found the rest of the path is appended unchanged. Unix file systems keep no
// short names, so no other form is expanded.
std::string ExpandLongPathName(std::string_view path);
