#pragma once

#include <cstdint>
#include <string>

// Texts of the engine's error codes and function numbers, as error messages and log lines show them.

// The description of an engine error code; "<unexpected error code>" for a code the engine never
// gives.
std::string GetEngineErrorText(int32_t code);
// The name of an engine function number; "<unexpected function number>" for any other number.
std::string GetEngineFunctionName(uint16_t function);
