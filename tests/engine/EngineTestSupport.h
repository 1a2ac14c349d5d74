#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/CtreeBlocks.h"

// The engine library loaded the way the session loads it: by path, entry points by name.
namespace enginetest {

using namespace kwctree;

struct TEngineApi {
  void* handle = nullptr;
  TCtreeFunction ctree = nullptr;
  TInitIsamFunction initIsam = nullptr;
  TDeleteRFileFunction deleteRFile = nullptr;
  TIntegrityCheckFunction check = nullptr;

  static TEngineApi& Get() {
    static TEngineApi api = [] {
      TEngineApi a;
      a.handle = ::dlopen(KW_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL);
      if (!a.handle) throw std::runtime_error(::dlerror());
      a.ctree = reinterpret_cast<TCtreeFunction>(::dlsym(a.handle, kCtreeEntry));
      a.initIsam = reinterpret_cast<TInitIsamFunction>(::dlsym(a.handle, kInitIsamEntry));
      a.deleteRFile = reinterpret_cast<TDeleteRFileFunction>(::dlsym(a.handle, kDeleteRFileEntry));
      a.check = reinterpret_cast<TIntegrityCheckFunction>(::dlsym(a.handle, kIntegrityCheckEntry));
      if (a.initIsam(100, 1024, 32) != 0) throw std::runtime_error("INTISAM failed");
      return a;
    }();
    return api;
  }
};

inline int16_t Call(uint16_t fn, int16_t file, void* p1 = nullptr, int32_t* plong = nullptr,
                    void* p2 = nullptr, int16_t count = 0) {
  return TEngineApi::Get().ctree(fn, file, p1, plong, p2, nullptr, count);
}

// The test record: 100 bytes.
constexpr int kRecordLength = 100;
constexpr int kIdOffset = 0;       // int32, unique index "id"
constexpr int kGroupOffset = 4;    // int32, duplicates index "group"
constexpr int kNameOffset = 8;     // 20 bytes of text
constexpr int kAmountOffset = 28;  // double

struct TRecord {
  char bytes[kRecordLength] = {};
  TRecord() = default;
  TRecord(int32_t id, int32_t group, const std::string& name = "", double amount = 0) {
    std::memcpy(bytes + kIdOffset, &id, 4);
    std::memcpy(bytes + kGroupOffset, &group, 4);
    std::memcpy(bytes + kNameOffset, name.data(), std::min<size_t>(name.size(), 19));
    std::memcpy(bytes + kAmountOffset, &amount, 8);
  }
  int32_t Id() const {
    int32_t v;
    std::memcpy(&v, bytes + kIdOffset, 4);
    return v;
  }
  int32_t Group() const {
    int32_t v;
    std::memcpy(&v, bytes + kGroupOffset, 4);
    return v;
  }
  std::string Name() const { return std::string(bytes + kNameOffset); }
};

struct TIndexSpec {
  TIndexSpec(std::string n, std::vector<TKeySegment> s, bool d = false, std::vector<int16_t> a = {})
      : name(std::move(n)), segments(std::move(s)), duplicates(d), alternate(std::move(a)) {}
  std::string name;
  std::vector<TKeySegment> segments;
  bool duplicates = false;
  std::vector<int16_t> alternate;
  std::string file;
};

// Keeps an IFIL with its index records and texts alive.
class TTableSpec {
 public:
  TTableSpec(std::string name, std::vector<TIndexSpec> indexes, uint16_t mode = 0xC1)
      : name_(std::move(name)), specs_(std::move(indexes)) {
    for (const TIndexSpec& s : specs_) {
      TIndexRecord r{};
      int length = 0;
      for (const TKeySegment& k : s.segments) length += k.Length;
      r.KeyLength = static_cast<int16_t>(length + (s.duplicates ? 4 : 0));
      r.Duplicates = s.duplicates;
      r.EmptyChar = 32;
      r.SegmentCount = static_cast<int16_t>(s.segments.size());
      r.Segments = const_cast<TKeySegment*>(s.segments.data());
      r.IndexName = const_cast<char*>(s.name.c_str());
      r.IndexFileName = s.file.empty() ? nullptr : const_cast<char*>(s.file.c_str());
      r.AlternateSequence = s.alternate.empty() ? nullptr : const_cast<int16_t*>(s.alternate.data());
      records_.push_back(r);
    }
    ifil_.Name = name_.data();
    ifil_.DataFileNumber = -1;
    ifil_.RecordLength = kRecordLength;
    ifil_.DataFileMode = mode;
    ifil_.IndexCount = static_cast<int16_t>(records_.size());
    ifil_.IndexFileMode = mode & 0xFF7B;
    ifil_.Indexes = records_.data();
    ifil_.TableFileNumber = -1;
    block_.Ifil = &ifil_;
  }
  TIsamBlock* Block() { return &block_; }
  TIfil& Ifil() { return ifil_; }
  std::string DataFile() const { return name_ + ".dat"; }

 private:
  std::string name_;
  std::vector<TIndexSpec> specs_;
  std::vector<TIndexRecord> records_;
  TIfil ifil_{};
  TIsamBlock block_{};
};

inline TOpenBlock OpenBlock(const std::string& file, uint16_t mode = 0xC1) {
  TOpenBlock b{};
  b.Mode = mode;
  std::strncpy(b.FileName, file.c_str(), sizeof b.FileName - 1);
  return b;
}

// Opens a table through its resources; returns the data file number or -1.
inline int16_t OpenTable(const std::string& file, uint16_t mode = 0xC1, int16_t* rc = nullptr) {
  TOpenBlock b = OpenBlock(file, mode);
  int32_t number = -1;
  const int16_t r = Call(fnOpenFileWithResource, -1, &b, &number);
  if (rc) *rc = r;
  return r == 0 ? static_cast<int16_t>(number) : int16_t{-1};
}

inline std::string Check(const std::string& dataFile) {
  char report[4096];
  const int16_t rc = TEngineApi::Get().check(dataFile.c_str(), report, sizeof report);
  return rc == 0 ? std::string("ok") : std::to_string(rc) + ": " + report;
}

// The standard test table: "id" unique over the first integer, "group" with duplicates over the second.
inline TTableSpec StandardTable(const std::string& name) {
  return TTableSpec(name,
                    {{"id", {{kIdOffset, 4, smSigned}}}, {"group", {{kGroupOffset, 4, smSigned}}, true}});
}

}  // namespace enginetest
