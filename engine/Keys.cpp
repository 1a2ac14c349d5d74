#include "engine/Keys.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kwctree {

namespace {

// Little-endian signed integer -> big-endian with the sign bit flipped: unsigned byte order is then
// numeric order.
void SignedToOrdered(char* p, int n) {
  std::string be(p, static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) p[i] = be[static_cast<size_t>(n - 1 - i)];
  p[0] = static_cast<char>(p[0] ^ 0x80);
}

// IEEE float or double -> bytes in numeric order: positive values get the sign bit set, negative ones
// every bit inverted. Other lengths are compared as unsigned bytes.
void FloatToOrdered(char* p, int n) {
  if (n != 4 && n != 8) return;
  unsigned char be[8];
  for (int i = 0; i < n; ++i) be[i] = static_cast<unsigned char>(p[n - 1 - i]);
  if (be[0] & 0x80) {
    for (int i = 0; i < n; ++i) be[i] = static_cast<unsigned char>(~be[i]);
  } else {
    be[0] ^= 0x80;
  }
  std::memcpy(p, be, static_cast<size_t>(n));
}

void TransformSegment(const TIndexDef& index, const TSegmentDef& s, char* p) {
  const int mode = s.Mode & 0x0F;
  switch (mode) {
    case smDate:
    case smCounter:
    case smSigned:
      SignedToOrdered(p, s.Length);
      break;
    case smFloat:
      FloatToOrdered(p, s.Length);
      break;
    default:  // bytes: Boolean, string, character, variable and field-number segments
      if ((s.Mode & smAlternateFlag) && index.AlternateSequence.size() == 256)
        for (int i = 0; i < s.Length; ++i)
          p[i] = static_cast<char>(index.AlternateSequence[static_cast<unsigned char>(p[i])]);
      break;
  }
  if (s.Mode & smDescendingFlag)
    for (int i = 0; i < s.Length; ++i) p[i] = static_cast<char>(~p[i]);
}

// The bytes of the ordinal-th variable-length field after the fixed part.
std::string_view VariableField(const TTableDef& table, std::string_view record, int ordinal) {
  size_t at = table.RecordLength;
  // Field types of the variable part, in order; without field definitions every one is a memo.
  std::vector<uint16_t> types;
  for (const TFieldDef& f : table.Fields)
    if (f.Type == 146 || f.Type == 170) types.push_back(f.Type);
  for (int i = 0; at < record.size(); ++i) {
    const uint16_t type = i < static_cast<int>(types.size()) ? types[static_cast<size_t>(i)] : 146;
    size_t length;
    if (type == 170) {
      uint32_t count = 0;
      if (record.size() - at >= 4) std::memcpy(&count, record.data() + at, 4);
      length = std::min<size_t>(record.size() - at, 4 + static_cast<size_t>(count));
    } else {
      const void* nul = std::memchr(record.data() + at, 0, record.size() - at);
      length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - (record.data() + at)) + 1
                   : record.size() - at;
    }
    if (i == ordinal) return record.substr(at, length);
    at += length;
  }
  return {};
}

// Byte offset of the field at position number in the fixed part, from the field definitions.
int FieldOffset(const TTableDef& table, int number) {
  int at = 0;
  for (int i = 0; i < number && i < static_cast<int>(table.Fields.size()); ++i)
    at += table.Fields[static_cast<size_t>(i)].Length;
  return at;
}

}  // namespace

void AppendPosition(std::string& key, uint32_t position) {
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>((position >> shift) & 0xFF));
}

void TransformKey(const TIndexDef& index, std::string& key) {
  size_t at = 0;
  for (const TSegmentDef& s : index.Segments) {
    if (at + static_cast<size_t>(s.Length) > key.size()) break;
    TransformSegment(index, s, key.data() + at);
    at += static_cast<size_t>(s.Length);
  }
}

std::string BuildKey(const TIndexDef& index, const TTableDef& table, std::string_view record,
                     uint32_t position) {
  std::string key;
  key.reserve(static_cast<size_t>(index.KeyLength));
  for (const TSegmentDef& s : index.Segments) {
    const int mode = s.Mode & 0x0F;
    std::string_view bytes;
    if (mode == smVariable) {
      bytes = VariableField(table, record, s.Offset);
    } else {
      const size_t offset =
          static_cast<size_t>(mode == smFieldNumber ? FieldOffset(table, s.Offset) : s.Offset);
      const std::string_view fixed = record.substr(0, std::min<size_t>(record.size(), table.RecordLength));
      if (offset < fixed.size()) bytes = fixed.substr(offset, static_cast<size_t>(s.Length));
    }
    const size_t at = key.size();
    key.append(bytes.substr(0, static_cast<size_t>(s.Length)));
    key.resize(at + static_cast<size_t>(s.Length), '\0');
    TransformSegment(index, s, key.data() + at);
  }
  if (index.Duplicates) AppendPosition(key, position);
  return key;
}

}  // namespace kwctree
