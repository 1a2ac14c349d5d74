#include "support/Text.h"

namespace {
inline unsigned char FoldUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }
}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = FoldUpper(static_cast<unsigned char>(a[i]));
    const unsigned char cb = FoldUpper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(FoldUpper(static_cast<unsigned char>(c)));
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}
