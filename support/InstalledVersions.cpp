#include "support/InstalledVersions.h"

#include "support/ConfigStorage.h"

namespace {
constexpr int32_t kFirstVersion = 2600;
constexpr int32_t kSecondVersion = 3100;
constexpr int32_t kFirstSkellanVersion = 3000;

constinit bool skellanKeysEnabled = false;
}  // namespace

// Defined beside the start-up step that calls it, so that every executable running the start-up links
// (and, built with exports enabled, exports) it.
extern "C" void GetValidAmbrelVersion(int32_t* first, int32_t* second) {
  if (first != nullptr) *first = kFirstVersion;
  if (second != nullptr) *second = kSecondVersion;
}

void InitializeInstalledVersions() {
  int32_t first = 0;
  int32_t second = 0;
  GetValidAmbrelVersion(&first, &second);
  skellanKeysEnabled = second >= kFirstSkellanVersion;
}

void FinalizeInstalledVersions() {
  skellanKeysEnabled = false;
  ReleaseConfigStorage();
}

bool SkellanKeysEnabled() {
  return skellanKeysEnabled;
}
