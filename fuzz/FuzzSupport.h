#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/Startup.h"

// The readers work on files: each input is written to a file in a private folder made once.
class TFuzzFolder {
 public:
  TFuzzFolder() {
    char pattern[] = "/tmp/kw_fuzz_XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    path_ = pattern;
    RunStartup();
  }
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
    const std::string path = path_ + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
  }

 private:
  std::string path_;
};

// Reads every value of every record the data set reaches, as the grid and kwdump would.
template <class DataSet>
void ReadEveryValue(DataSet& dataSet) {
  std::string value;
  for (int guard = 0; !dataSet.IsEmpty() && !dataSet.Eof() && guard < 100000; ++guard) {
    for (const auto& field : dataSet.Fields()) field->GetAsString(value);
    dataSet.Next();
  }
}
