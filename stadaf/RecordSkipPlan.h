#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "layout/FileReader.h"
#include "stadaf/PlainBytes.h"
#include "stadaf/StadafStructField.h"

class TDravikField;

// How to move past the fields of one record without storing their values, making every check that reading
// them makes: the bytes must be there, length indicators must be integers within the reader's limit, and
// a structure's header must be valid and its data a whole number of elements. Consecutive fixed fields are
// passed with the field after them. Errors are those of reading the fields; the caller reports them for the
// record.
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

// Inline: the indexing pass calls it for every record.
[[gnu::always_inline]] inline size_t TRecordSkipPlan::SkipInMemory(const char* bytes, size_t size) const {
  size_t at = 0;
  for (const TStep& step : steps_) {
    at += static_cast<size_t>(step.fixedBytes);
    // The usual kinds first, tested in turn: their order in a record follows its type, so a chain of tests
    // is predicted better than a jump through a table.
    if (step.kind == TKind::skDecimalLength) {
      if (step.size > 9 || at + static_cast<size_t>(step.size) > size) return 0;
      const int32_t length = step.size <= 8 && size - at >= 8
                                 ? PlainDigitsOfWord(LoadWord(bytes + at), step.size)
                                 : PlainDigits(bytes + at, step.size);
      if (length < 0 || length > TFileReader::kMaxCharsCount) return 0;
      at += static_cast<size_t>(step.size) + static_cast<size_t>(length);
    } else if (step.kind == TKind::skStructure) {
      if (at + TStadafStructField::kHeaderSize > size) return 0;
      // The header's 16 bytes: the total (6 digits), 5 more, the element size (5 digits).
      const int32_t total = PlainDigitsOfWord(LoadWord(bytes + at), 6);
      const int32_t elementSize = PlainDigitsOfWord(LoadWord(bytes + at + 8) >> 24, 5);
      at += TStadafStructField::kHeaderSize;
      if (total < 0 || elementSize < 0 || at + static_cast<size_t>(total) > size) return 0;
      const size_t length = BytesBeforeZeroWithin(bytes + at, static_cast<size_t>(total), size - at);
      if (length != 0 && (elementSize == 0 || length % static_cast<size_t>(elementSize) != 0)) return 0;
      at += static_cast<size_t>(total);
    } else if (step.kind == TKind::skBinaryLength) {
      if (at >= size) return 0;
      at += 1 + static_cast<unsigned char>(bytes[at]);
    } else {
      return 0;
    }
    if (at > size) return 0;
  }
  at += static_cast<size_t>(trailingBytes_);
  return at <= size ? at : 0;
}
