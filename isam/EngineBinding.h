#pragma once

#include <cstdint>
#include <string>

#include "engine/CtreeBlocks.h"

// The engine library's entry points, bound by name and shared by the whole process. A missing entry
// point stays null and is never called.
struct TEngineEntryPoints {
  kwctree::TCtreeFunction Ctree = nullptr;
  kwctree::TInitIsamFunction InitIsam = nullptr;
  kwctree::TWhichCtreeFunction WhichCtree = nullptr;
  kwctree::TGetCtreeFunction GetCtree = nullptr;
  kwctree::TTestFileNumberFunction TestFileNumber = nullptr;
  kwctree::TDeleteRFileFunction DeleteRFile = nullptr;
  kwctree::TRangeEntryFunction RangeEntry = nullptr;
  kwctree::TIntegrityCheckFunction IntegrityCheck = nullptr;
};

const TEngineEntryPoints& EngineEntryPoints();

// "ctree" with its arguments; -1 without a call when it is not bound.
int16_t CallCtree(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                  int16_t count);

// The engine library on this platform. "CTREEW95.dll" is our shared library "libctreew95.so" in the
// program's folder; the environment variable KW_CTREE_LIBRARY, when set, names another one instead.
inline constexpr const char* kEngineLibraryName = "libctreew95.so";
inline constexpr const char* kEngineLibraryVariable = "KW_CTREE_LIBRARY";
std::string EngineLibraryPath();

// Loads the library and binds every entry point it has; false when it does not load.
bool LoadEngineLibrary();
// Forgets the entry points and unloads the library.
void UnloadEngineLibrary();
bool EngineLibraryLoaded();
