#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "layout/DravikField.h"

class TFileReader;

// A repeating group inside a STADAF record: equal-sized elements stored back to back, announced by a
// 16-character structure header (total size 6 digits, element count 5, element size 5). The value buffer
// holds that header, then the data, then a zero byte; the value is the data. Size is always 0.
class TStadafStructField : public TVariableDravikField {
 public:
  static constexpr int32_t kHeaderSize = 16;

  // The default structure header and no data.
  explicit TStadafStructField(TDravikFieldList* owner);

  // Name, ", 0, " and the element size of the header.
  std::string GetDescription() const override;
  // "name, 0, element size": exactly three parts; the element size must lie in 0 ... 99999, the range of
  // its five header digits.
  void SetDescription(const std::string& line) override;
  // Stores data up to its first zero byte, then derives total size and element count from it and the
  // header's element size. A failing check leaves the new data and total size stored.
  void SetValue(const char* data) override;

  // Reads a structure from a record at the reader's position: its header, then the announced number of
  // bytes, in pieces when they exceed one view of the reader. The element count of the record's header is
  // not read; it is computed again.
  void ReadFromRecord(TFileReader& reader);

  int32_t ElementCount() const { return elementCount_; }
  int32_t TotalSize() const { return totalSize_; }
  std::string_view StructureHeader() const;

 private:
  void EnsureBuffer();
  // The data (length bytes, zero-terminated) is in place: sets total size and element count.
  void StoreDataLength(size_t length);

  int32_t elementCount_ = 0;
  int32_t totalSize_ = 0;
};
