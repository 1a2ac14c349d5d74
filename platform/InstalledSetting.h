#pragma once

#include <string>

#include "platform/Registry.h"

// What the installed-settings lookup yields for a value found nowhere.
inline constexpr char kNotExisting[] = "<not existing>";

// Reads a string value of the product family's installed settings: with the Skellan keys enabled
// first under "Software\Corvanelle\Kestrelwing Skellan\<subKey>", then under
// "Software\Corvanelle\Kestrelwing Ambrel\<subKey>", each in the current user's and then the local
// machine's root. A read that fails ends the lookup with the result as it stood before it. Never fails.
std::string ReadInstalledSetting(const TRegistry& registry, bool skellanKeysEnabled,
                                 const std::string& subKey, const std::string& valueName);

// The same over the system registry and the process-wide SkellanKeysEnabled flag.
std::string ReadInstalledSetting(const std::string& subKey, const std::string& valueName);
