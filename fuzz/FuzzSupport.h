#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/Startup.h"

// The readers work on files: each input is written to a file in a private folder made once, in memory
// where the system offers it (the readers and the cache writer sync and rename; a disk makes that slow).
class TFuzzFolder {
 public:
  TFuzzFolder() {
    std::string pattern =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/kw_fuzz_XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
    // Stamps are local time and the user's cache folder is where caches go that cannot be written beside
    // their file: both fixed, so that inputs replay alike and nothing leaves the folder.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("XDG_CACHE_HOME", (path_ + "/cache").c_str(), 1);
    RunStartup();
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
    const std::string path = Path(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
  }
  std::string Write(const std::string& name, std::string_view bytes) const {
    return Write(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  // Writes the file when bytes is not empty, else removes it: an empty part stands for a missing file.
  std::string WriteOrRemove(const std::string& name, std::string_view bytes) const {
    if (!bytes.empty()) return Write(name, bytes);
    const std::string path = Path(name);
    ::unlink(path.c_str());
    return path;
  }
  // The last-write time every cache input is stamped for: 2026-01-15 09:30:00, "20260115093000".
  static constexpr const char* kStampText = "20260115093000";
  static void SetStamp(const std::string& path) {
    struct tm when = {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 0;
    when.tm_mday = 15;
    when.tm_hour = 9;
    when.tm_min = 30;
    const time_t seconds = ::timegm(&when);
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }

 private:
  std::string path_;
};

// Splits an input into files: each Next() part is a 4-byte little-endian length and that many bytes (cut
// at the input's end), so a part may have any size; Rest() is everything after the parts taken.
class TFuzzParts {
 public:
  TFuzzParts(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  std::string_view Next() {
    if (rest_.size() < 4) {
      rest_ = {};
      return {};
    }
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<uint8_t>(rest_[static_cast<size_t>(i)]);
    rest_.remove_prefix(4);
    const std::string_view part = rest_.substr(0, std::min<size_t>(length, rest_.size()));
    rest_.remove_prefix(part.size());
    return part;
  }
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const uint8_t b = static_cast<uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return b;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Reads every value of every record the data set reaches, as the grid and kwdump would, then goes back
// from the last record. Errors propagate; the guard bounds the rows of a large input.
template <class DataSet>
void ReadEveryValue(DataSet& dataSet) {
  std::string value;
  for (int guard = 0; !dataSet.IsEmpty() && !dataSet.Eof() && guard < 100000; ++guard) {
    for (const auto& field : dataSet.Fields()) field->GetAsString(value);
    dataSet.Next();
  }
  if (dataSet.IsEmpty()) return;
  dataSet.Last();
  for (int guard = 0; !dataSet.Bof() && guard < 3; ++guard) {
    for (const auto& field : dataSet.Fields()) field->GetAsString(value);
    dataSet.Prior();
  }
}
