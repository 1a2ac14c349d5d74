#pragma once

#include <string>
#include <string_view>

// The one comparison of names without regard to letter case: ASCII letters fold to upper case, every
// other byte compares by its value. Used for equality and for sort order alike.
int CompareText(std::string_view a, std::string_view b);
inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
