#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Definition.h"

// Keys as the indexes store them: the segments of a record, each turned into bytes whose unsigned
// order is the order of the values, then the record position (big-endian) for duplicates indexes.
namespace kwctree {

// Turns the segment bytes of key (record form, segment after segment) into index form in place;
// a duplicates index's trailing position bytes are left as they are.
void TransformKey(const TIndexDef& index, std::string& key);

// The index-form key of a record; variable-length fields are read from the bytes after the fixed part
// using the field definitions (memo: text and NUL; picture: 32-bit count and that many bytes).
std::string BuildKey(const TIndexDef& index, const TTableDef& table, std::string_view record,
                     uint32_t position);

// Big-endian position suffix of a duplicates index key.
void AppendPosition(std::string& key, uint32_t position);

}  // namespace kwctree
