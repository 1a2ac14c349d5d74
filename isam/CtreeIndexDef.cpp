#include "isam/CtreeIndexDef.h"

using namespace kwctree;

void TCTreeSegment::SetDescending(bool descending) {
  Descending = descending;
  Mode = static_cast<int16_t>(descending ? Mode | smDescendingFlag : Mode & ~smDescendingFlag);
}

void TCTreeSegment::SetAlternateSequence(bool alternate) {
  AlternateSequence = alternate;
  Mode = static_cast<int16_t>(alternate ? Mode | smAlternateFlag : Mode & ~smAlternateFlag);
}

TCTreeSegment& TCTreeIndexDef::AddSegment(int16_t offset, int16_t length, int16_t mode) {
  segments_.push_back(std::make_unique<TCTreeSegment>(offset, mode, length));
  return *segments_.back();
}

void TCTreeIndexDef::ClearSegments() {
  segments_.clear();
  segmentArray_.clear();
}

int16_t TCTreeIndexDef::KeyLength() const {
  int length = Unique ? 0 : 4;
  for (const auto& segment : segments_) length += segment->Length;
  return static_cast<int16_t>(length);
}

TKeySegment* TCTreeIndexDef::BuildSegmentArray() {
  segmentArray_.clear();
  if (segments_.empty()) return nullptr;
  for (const auto& segment : segments_)
    segmentArray_.push_back({segment->Offset, segment->Length, segment->Mode});
  return segmentArray_.data();
}

void TCTreeIndexDef::SetDescending(bool descending) {
  Descending = descending;
  for (auto& segment : segments_) segment->SetDescending(descending);
}

void TCTreeIndexDef::SetAlternateSequence(const std::array<int16_t, 256>& sequence) {
  AlternateSequence = sequence;
  HasAlternateSequence = true;
  for (auto& segment : segments_) segment->SetAlternateSequence(true);
}

void TCTreeIndexDef::AddFieldName(const std::string& name) {
  if (!fieldNames_.empty()) fieldNames_ += ';';
  fieldNames_ += name;
  fieldNameList_.push_back(name);
}
