// Preloaded into a program: before the program's main runs, looks its exported GetValidAmbrelVersion up
// by name, prints the two numbers it reports and ends the process (exit code 3 when the name is missing).
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {
__attribute__((constructor)) void ProbeExportedVersion() {
  using VersionFunction = void (*)(int32_t*, int32_t*);
  auto function = reinterpret_cast<VersionFunction>(dlsym(RTLD_DEFAULT, "GetValidAmbrelVersion"));
  if (function == nullptr) {
    std::printf("GetValidAmbrelVersion not exported\n");
    std::fflush(stdout);
    _exit(3);
  }
  int32_t first = 0;
  int32_t second = 0;
  function(&first, &second);
  std::printf("%d %d\n", first, second);
  std::fflush(stdout);
  _exit(0);
}
}  // namespace
