#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CtreeBlocks.h"

// A table's definitions as the engine keeps them: the file definition with its indexes (from the
// IFIL block) and the field definitions (from the DODA array), with their stored forms inside the
// data file and the self-contained blocks handed back by GetIFile and GetDODA.
namespace kwctree {

struct TSegmentDef {
  int16_t Offset = 0;
  int16_t Length = 0;
  int16_t Mode = 0;
};

struct TIndexDef {
  int16_t KeyLength = 0;
  int16_t KeyType = 0;
  bool Duplicates = false;
  int16_t NullKey = 0;
  int16_t EmptyChar = 32;
  std::vector<TSegmentDef> Segments;
  std::string Name;
  std::string FileName;  // as given in the block: empty for "the same file as the index before"
  std::vector<int16_t> AlternateSequence;  // empty or 256 values
  // The file that holds the index, relative to the data file's folder; empty for the main ".idx".
  std::string StoredFile;
  int32_t Id = 0;  // names its key table; unique within the data file

  int SegmentBytes() const;
};

struct TFieldDef {
  std::string Name;
  uint16_t Type = 0;
  uint16_t Length = 0;
};

struct TTableDef {
  uint16_t RecordLength = 0;
  uint16_t DataExtensionSize = 0;
  uint16_t DataFileMode = 0;
  uint16_t IndexExtensionSize = 0;
  uint16_t IndexFileMode = 0;
  std::vector<TIndexDef> Indexes;
  std::vector<TFieldDef> Fields;  // empty until field definitions are stored
};

// Reads the indexes of an IFIL block, checking what the engine relies on; throws TDefinitionError.
std::vector<TIndexDef> ReadIndexRecords(const TIfil& ifil, int firstId);
TTableDef ReadIfil(const TIfil& ifil);
std::vector<TFieldDef> ReadDoda(const TDodaField* fields, int count);

std::string StoreIndexes(const TTableDef& table);
std::string StoreFields(const std::vector<TFieldDef>& fields);
void LoadIndexes(std::string_view stored, TTableDef& table);
void LoadFields(std::string_view stored, TTableDef& table);

// Self-contained blocks meant to be copied to base: every pointer they hold is base + an offset inside
// the block. Called with base 0 first for the size.
std::string IfilBlock(const TTableDef& table, const std::string& name, int16_t tableFileNumber,
                      uintptr_t base);
std::string DodaBlock(const std::vector<TFieldDef>& fields, uintptr_t base);

struct TDefinitionError {
  int16_t Code;
};

}  // namespace kwctree
