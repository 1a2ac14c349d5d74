#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TDravikField;
class TFileReader;

// How to move past the fields of one record without storing their values, making every check that reading
// them makes: the bytes must be there, length indicators must be integers within the reader's limit, and
// a structure's header must be valid and its data a whole number of elements. Consecutive fixed fields are
// passed in one step. Errors are those of reading the fields; the caller reports them for the record.
class TRecordSkipPlan {
 public:
  void Clear() {
    steps_.clear();
    trailingBytes_ = 0;
  }
  // Appends the step for the field as the layout reads it (virtual fields occupy no bytes).
  void Add(const TDravikField& field);
  void Skip(TFileReader& reader) const;
  // The same pass over bytes in memory: the number of bytes the fields take when every step is plainly
  // valid (plain decimal digits, counts within the limits, whole structures) and inside the size bytes;
  // 0 otherwise, when Skip on the reader must decide, with its exact errors. No field ends a record at its
  // first byte, so a valid record never gives 0 unless it has no bytes at all.
  size_t SkipInMemory(const char* bytes, size_t size) const;

 private:
  enum class TKind : uint8_t { skDecimalLength, skStructure, skBinaryLength, skUnreadable };
  // One field that is not of fixed size, after the fixed-size fields before it: a record of fixed fields
  // around one length-prefixed text is one step and the trailing bytes.
  struct TStep {
    int64_t fixedBytes;  // the fixed-size fields before the field
    TKind kind;
    int32_t size;  // the digits of a decimal length indicator
  };

  static void SkipBytes(TFileReader& reader, int64_t count);
  static void SkipStructure(TFileReader& reader);

  std::vector<TStep> steps_;
  int64_t trailingBytes_ = 0;  // the fixed-size fields after the last step
};
