#pragma once

// Process-wide default mode in which binary files are opened. Read/write when the program starts;
// every reader opens its file in the mode in force at that moment.
enum class TBinaryOpenMode { bomReadWrite, bomReadOnly };

TBinaryOpenMode GetDefaultBinaryOpenMode();
void SetDefaultBinaryOpenMode(TBinaryOpenMode mode);
