// A stand-in engine library for the session tests; compile definitions leave out entry points or make
// them answer badly. Every "ctree" call is appended to the file $KW_FAKE_TRACE names.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/CtreeBlocks.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_INIT_RESULT
#define FAKE_INIT_RESULT 0
#endif

namespace {
kwctree::TStatusBlock status{};
[[maybe_unused]] kwctree::TInstanceRecord record{0, &status};
bool started = false;
}  // namespace

FAKE_EXPORT int16_t ctree(uint16_t function, int16_t, void*, int32_t*, void*, void*, int16_t) {
  if (const char* trace = std::getenv("KW_FAKE_TRACE")) {
    if (FILE* f = std::fopen(trace, "a")) {
      std::fprintf(f, "ctree %u\n", function);
      std::fclose(f);
    }
  }
  return 0;
}

FAKE_EXPORT int16_t INTISAM(int16_t bufs, int16_t files, int16_t sect) {
  started = bufs == 100 && files == 1024 && sect == 32;
  status.UserErrorCode = 12;
  status.SystemIoCode = 2;
  status.IsamError = -7;
  return FAKE_INIT_RESULT;
}

FAKE_EXPORT int32_t WCHCTREE() {
#ifdef FAKE_ZERO_INSTANCE
  return 0;
#else
  return started ? 7 : 0;
#endif
}

#ifndef FAKE_NO_GETCTREE
FAKE_EXPORT void* GETCTREE(int32_t instance) {
#ifdef FAKE_NULL_RECORD
  (void)instance;
  return nullptr;
#else
#ifdef FAKE_NO_STATUS
  record.Status = nullptr;
#endif
  record.Instance = instance;
  return &record;
#endif
}
#endif

#ifndef FAKE_NO_TSTFILNUM
FAKE_EXPORT int16_t TSTFILNUM(int16_t) {
  return 0;
}
#endif
