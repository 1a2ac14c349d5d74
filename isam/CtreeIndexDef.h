#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CtreeBlocks.h"

// One key segment: where its bytes come from (by mode: a fixed-part offset, a variable field's
// ordinal, or a field position), how many, and how they sort.
class TCTreeSegment {
 public:
  TCTreeSegment(int16_t offset, int16_t mode, int16_t length) : Offset(offset), Length(length), Mode(mode) {}
  void SetDescending(bool descending);
  void SetAlternateSequence(bool alternate);

  int16_t Offset;
  int16_t Length;
  int16_t Mode;
  uint16_t FieldIndex = 0;
  bool Descending = false;
  bool AlternateSequence = false;
};

// One index of a table: its segments in key order and what the engine is told about it.
class TCTreeIndexDef {
 public:
  explicit TCTreeIndexDef(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  TCTreeSegment& AddSegment(int16_t offset, int16_t length, int16_t mode);
  void ClearSegments();
  int SegmentCount() const { return static_cast<int>(segments_.size()); }
  TCTreeSegment& Segments(int i) { return *segments_.at(static_cast<size_t>(i)); }
  const TCTreeSegment& Segments(int i) const { return *segments_.at(static_cast<size_t>(i)); }
  // Sum of the segment lengths, plus 4 for the record position that follows a duplicates key.
  int16_t KeyLength() const;
  // The segments as the engine takes them, owned until the next build; null without segments.
  kwctree::TKeySegment* BuildSegmentArray();
  void SetDescending(bool descending);
  void SetAlternateSequence(const std::array<int16_t, 256>& sequence);
  const std::string& IndexFileName() const { return indexFileName_; }
  void SetIndexFileName(std::string name) { indexFileName_ = std::move(name); }
  // The segment fields' names, one per entry, and joined by ";".
  const std::vector<std::string>& FieldNameList() const { return fieldNameList_; }
  const std::string& FieldNames() const { return fieldNames_; }
  void AddFieldName(const std::string& name);

  int16_t KeyType = 0;
  bool Unique = false;
  bool NullKey = false;
  int16_t EmptyChar = 32;
  std::array<int16_t, 256> AlternateSequence{};
  bool HasAlternateSequence = false;
  bool Descending = false;
  bool HasVariableSegment = false;

 private:
  std::string name_;
  std::string indexFileName_;
  std::vector<std::unique_ptr<TCTreeSegment>> segments_;
  std::vector<kwctree::TKeySegment> segmentArray_;
  std::string fieldNames_;
  std::vector<std::string> fieldNameList_;
};
