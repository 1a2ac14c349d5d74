#pragma once

#include <cstdint>

// Reports the two installed version numbers of the product family: 2600 and 3100. The executable
// exports it under this name with C linkage, so that other programs can call it. Null places are
// left alone.
extern "C" __attribute__((visibility("default"))) void GetValidAmbrelVersion(int32_t* first, int32_t* second);

// Start-up step: reads the installed versions once through GetValidAmbrelVersion and enables the
// Skellan keys when the second number is 3000 or more.
void InitializeInstalledVersions();
// Program end: clears the flag and drops the process-wide configuration store and default settings.
void FinalizeInstalledVersions();

// Whether the installed-settings lookup reads the Skellan keys before the Ambrel keys.
bool SkellanKeysEnabled();
