#include "stadaf/StadafVersion.h"

#include <atomic>

#include "platform/BinaryOpenMode.h"
#include "platform/File.h"

namespace {

constexpr int32_t kProbeLength = 10;
const char* const kZeroStructHeader = "0000000000000000";

// Probed by readers on worker threads (filter and sort passes) as well as on the GUI thread.
std::atomic<int32_t>& CurrentVersion() {
  static std::atomic<int32_t> version = kStadafVersionNone;
  return version;
}

std::string& StructHeader() {
  static std::string header;
  return header;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

void InitializeStadaf() {
  CurrentVersion() = kStadafVersionNone;
  StructHeader() = kZeroStructHeader;
}

void FinalizeStadaf() {
  CurrentVersion() = kStadafVersionNone;
  std::string().swap(StructHeader());
}

int32_t CurrentStadafVersion() {
  return CurrentVersion();
}

int32_t ProbeStadafVersion(const std::string& fileName) {
  SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadOnly);
  TFile file;
  file.Open(fileName);
  char line[kProbeLength];
  const size_t got = file.ReadSomeAt(0, line, sizeof line);
  size_t length = 0;
  while (length < got && line[length] != '\r' && line[length] != '\n') ++length;
  int32_t version = kStadafVersionNone;
  if (length >= static_cast<size_t>(kProbeLength) && IsDigit(line[6]) && IsDigit(line[8]) && IsDigit(line[9]))
    version = 100 * (line[6] - '0') + 10 * (line[8] - '0') + (line[9] - '0');
  CurrentVersion() = version;
  return version;
}

const std::string& DefaultStructHeader() {
  static const std::string zeros = kZeroStructHeader;
  // Structured fields made before start-up (or after finalisation) still get a well-formed header.
  return StructHeader().size() == zeros.size() ? StructHeader() : zeros;
}
