#include "platform/BinaryOpenMode.h"

namespace {
TBinaryOpenMode defaultMode = TBinaryOpenMode::bomReadWrite;
}

TBinaryOpenMode GetDefaultBinaryOpenMode() { return defaultMode; }
void SetDefaultBinaryOpenMode(TBinaryOpenMode mode) { defaultMode = mode; }
