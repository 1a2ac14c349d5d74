#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stadaf/RecordOffsets.h"
#include "stadaf/RecordTypeIndex.h"
#include "stadaf/StadafFieldList.h"
#include "stadaf/StadafFile.h"
#include "tests/TestSupport.h"
#include "tools/mkstadaf/StadafWriter.h"

// The fixed part of a header as a builder writes it, with the given version text and record count field.
inline std::string FixedPart(std::string_view version, std::string_view countField) {
  return "STADAF" + std::string(version) + "202601150930" + "Kestrelwing Samples " + "KWS  " +
         "kw_mkstadaf 1.0     " + "00001#" + "000000001000" + "PC-ASCII" + std::string(countField);
}

inline std::string Entry(char type, std::string_view size, std::string_view name) {
  std::string entry(1, type);
  entry += size;
  entry += name;
  entry.resize(36, ' ');
  return entry + '\r';
}

// The names of the files in dir, sorted.
inline std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The index as "key:offset,offset;key:..." for comparisons.
inline std::string IndexText(const Ref<IInterfaceMap>& index) {
  std::string text;
  for (int32_t i = 0; i < index->GetCount(); ++i) {
    text += index->GetNameAt(i) + ":";
    const Ref<IDynamicIntegerArray> offsets = Query<IDynamicIntegerArray>(index->GetItemAt(i));
    for (int32_t j = 0; j < offsets->GetCount(); ++j)
      text += (j ? "," : "") + std::to_string(RecordOffsetAt(*offsets, j));
    text += ";";
  }
  return text;
}

// Offsets of the records of a file built by TStadafFileBuilder: the header's size, then each record's
// end. Records end with CR; bytes inside records never are CR in the samples.
inline std::vector<int32_t> RecordStarts(const std::string& bytes, int32_t dataStart) {
  std::vector<int32_t> starts{dataStart};
  for (size_t i = static_cast<size_t>(dataStart); i < bytes.size(); ++i)
    if (bytes[i] == '\r') starts.push_back(static_cast<int32_t>(i + 1));
  return starts;
}
