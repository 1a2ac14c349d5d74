// Any bytes as kwdump's command line and file set: a flags byte (data file kind, output format, --schema,
// --no-cache, --first, --limit), a --type byte, then the data file, its layout (".ini") and memo texts
// (".rfm"), each a 4-byte length and its bytes, and the rest as the STADAF index cache (".of1"), stamped
// for the data file. An empty part is a missing file. kwdump runs end to end into memory. Errors are
// expected; crashes, hangs, sanitizer reports, raw control characters in its messages or JSON lines and
// output that is not UTF-8 are not.
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "tools/kwdump/Kwdump.h"

namespace {

constexpr const char* kExtensions[] = {".rff", ".rfc", ".daf", ".txt"};
constexpr const char* kFormats[] = {"jsonl", "csv", "tsv", "jsonl"};

std::vector<std::string> Arguments(uint8_t flags, uint8_t type, const std::string& file) {
  std::vector<std::string> args = {"kwdump", "--format", kFormats[(flags >> 2) & 3]};
  if (flags & 0x10) args.push_back("--schema");
  if (flags & 0x20) args.push_back("--no-cache");
  if (flags & 0x40) args.insert(args.end(), {"--first", "2"});
  if (flags & 0x80) args.insert(args.end(), {"--limit", "3"});
  if (type != 0) args.insert(args.end(), {"--type", std::to_string(type % 8)});
  args.push_back(file);
  return args;
}

// Valid UTF-8 (the files' Windows-1252 texts are converted); messages also without C1 control characters.
bool IsValidUtf8(std::string_view text, bool allowC1) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t j = 1; j < length; ++j)
      if ((static_cast<unsigned char>(text[i + j]) >> 6) != 2) return false;
    if (!allowC1 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
    i += length;
  }
  return true;
}

// No control character but the line end; messages also without DEL.
bool HasOnlyLineEnds(std::string_view text, bool allowDelete) {
  for (const char c : text)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || (c == '\x7f' && !allowDelete)) return false;
  return true;
}

// Messages carry bytes from the files (names, texts): a terminal must never get them raw. JSON lines hold
// no raw control characters below 0x20 (JSON allows DEL).
void CheckOutput(const std::string& out, const std::string& err, bool json) {
  if (!IsValidUtf8(err, false) || !HasOnlyLineEnds(err, false)) std::abort();
  if (!IsValidUtf8(out, true)) std::abort();
  if (json && !HasOnlyLineEnds(out, true)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFuzzFolder folder;
  TFuzzParts parts(data, size);
  const uint8_t flags = parts.Byte();
  const uint8_t type = parts.Byte();
  const std::string file = folder.Write(std::string("input") + kExtensions[flags & 3], parts.Next());
  TFuzzFolder::SetStamp(file);
  folder.WriteOrRemove("input.ini", parts.Next());
  folder.WriteOrRemove("input.rfm", parts.Next());
  folder.WriteOrRemove("input.of1", parts.Rest());

  std::vector<std::string> args = Arguments(flags, type, file);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  RunKwdump(static_cast<int>(args.size()), argv.data(), out, err);
  CheckOutput(out.str(), err.str(), ((flags >> 2) & 3) != 1 && ((flags >> 2) & 3) != 2);
  return 0;
}
