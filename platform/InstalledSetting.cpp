#include "platform/InstalledSetting.h"

#include "support/InstalledVersions.h"

namespace {
constexpr char kSkellanKey[] = "Software\\Corvanelle\\Kestrelwing Skellan\\";
constexpr char kAmbrelKey[] = "Software\\Corvanelle\\Kestrelwing Ambrel\\";

// One read into result: found sets the value, absent (or an unopenable key) sets the marker; false
// when the read failed, which leaves result as it was.
bool ReadInto(const TRegistry& registry, TRegistryRoot root, const std::string& key, const std::string& name,
              std::string& result) {
  const TRegistryRead<std::string> read = registry.ReadString(root, key, name);
  switch (read.status) {
    case TRegistryStatus::rsFound:
      result = read.value;
      return true;
    case TRegistryStatus::rsNoKey:
    case TRegistryStatus::rsNoValue:
    case TRegistryStatus::rsKeyNotOpened:
      result = kNotExisting;
      return true;
    case TRegistryStatus::rsReadFailed:
      break;
  }
  return false;
}

// Current user, then local machine; false when a read failed.
bool ReadUnderBothRoots(const TRegistry& registry, const std::string& key, const std::string& name,
                        std::string& result) {
  if (!ReadInto(registry, TRegistryRoot::rrCurrentUser, key, name, result)) return false;
  if (result != kNotExisting) return true;
  return ReadInto(registry, TRegistryRoot::rrLocalMachine, key, name, result);
}
}  // namespace

std::string ReadInstalledSetting(const TRegistry& registry, bool skellanKeysEnabled,
                                 const std::string& subKey, const std::string& valueName) {
  std::string result;
  if (skellanKeysEnabled) {
    if (!ReadUnderBothRoots(registry, kSkellanKey + subKey, valueName, result)) return result;
  } else {
    result = kNotExisting;
  }
  if (result == kNotExisting) ReadUnderBothRoots(registry, kAmbrelKey + subKey, valueName, result);
  return result;
}

std::string ReadInstalledSetting(const std::string& subKey, const std::string& valueName) {
  return ReadInstalledSetting(GetSystemRegistry(), SkellanKeysEnabled(), subKey, valueName);
}
