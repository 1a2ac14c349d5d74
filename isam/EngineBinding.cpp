#include "isam/EngineBinding.h"

#include <dlfcn.h>

#include <cstdlib>

#include "isam/EngineEnvironment.h"

namespace {

struct TBinding {
  void* library = nullptr;
  TEngineEntryPoints entries;
};

TBinding& Binding() {
  static TBinding binding;
  return binding;
}

template <class F>
F Bind(void* library, const char* name) {
  return reinterpret_cast<F>(::dlsym(library, name));
}

}  // namespace

const TEngineEntryPoints& EngineEntryPoints() {
  return Binding().entries;
}

int16_t CallCtree(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                  int16_t count) {
  const auto ctree = Binding().entries.Ctree;
  return ctree ? ctree(function, file, p1, plong, p2, p3, count) : int16_t{-1};
}

std::string EngineLibraryPath() {
  const char* chosen = std::getenv(kEngineLibraryVariable);
  if (chosen && *chosen) return chosen;
  return ProgramFolder() + kEngineLibraryName;
}

bool LoadEngineLibrary() {
  using namespace kwctree;
  UnloadEngineLibrary();
  TBinding& b = Binding();
  b.library = ::dlopen(EngineLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!b.library) return false;
  b.entries.Ctree = Bind<TCtreeFunction>(b.library, kCtreeEntry);
  b.entries.InitIsam = Bind<TInitIsamFunction>(b.library, kInitIsamEntry);
  b.entries.WhichCtree = Bind<TWhichCtreeFunction>(b.library, kWhichCtreeEntry);
  b.entries.GetCtree = Bind<TGetCtreeFunction>(b.library, kGetCtreeEntry);
  b.entries.TestFileNumber = Bind<TTestFileNumberFunction>(b.library, kTestFileNumberEntry);
  b.entries.DeleteRFile = Bind<TDeleteRFileFunction>(b.library, kDeleteRFileEntry);
  b.entries.RangeEntry = Bind<TRangeEntryFunction>(b.library, kRangeEntryEntry);
  b.entries.IntegrityCheck = Bind<TIntegrityCheckFunction>(b.library, kIntegrityCheckEntry);
  return true;
}

void UnloadEngineLibrary() {
  TBinding& b = Binding();
  b.entries = TEngineEntryPoints{};
  if (b.library) ::dlclose(b.library);
  b.library = nullptr;
}

bool EngineLibraryLoaded() {
  return Binding().library != nullptr;
}
