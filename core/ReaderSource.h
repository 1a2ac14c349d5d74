#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/FileInfo.h"
#include "isam/CtreeDataSet.h"
#include "support/DynamicIntegerArray.h"

// What a pass needs to read a holder's file through a data set of its own (data sets are not shared across
// threads): the file, and for an ISAM table the order and record numbers the holder's data set has. Taken on
// the holder's thread; opened on any.
struct TReaderSource {
  std::string FileName;
  Ref<IDynamicIntegerArray> Offsets;
  uint8_t RecordType = 0;
  std::string Extension;
  // An ISAM table's order (an index name; empty: physical order) and its records' numbering, if it has one.
  std::optional<std::string> IndexName;
  std::shared_ptr<const TRecordPositions> Positions;

  static TReaderSource For(const TFileInfo& info);
  // A holder of its own on the file whose data set reads the records as the source's holder's does, by the
  // same record numbers. Raises what opening the file raises.
  std::unique_ptr<TFileInfo> Open() const;
};
