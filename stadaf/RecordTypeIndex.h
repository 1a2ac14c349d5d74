#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "support/DynamicIntegerArray.h"
#include "support/InterfaceMap.h"

// The record-type index of a STADAF file: an interface map from the record type as decimal text ("1" to
// "5"; "0" for 2.10 records of a group that names no type, never shown) to the IDynamicIntegerArray of
// that type's record offsets in file order. Item i is record number i + 1 of that type's data set.
//
// Its cache is the ".of1" file beside the data file (32-bit little-endian integers): the stamp text's
// length and bytes, the number of entries, then per entry in key order the key's length and bytes, the
// byte count of the offsets and the offsets.
//
// A data file past 2 GiB has offsets that form cannot hold; its offsets are TWideRecordOffsets and its cache
// is the ".of64" file beside it, in the same places and with the same stamp rule and atomic write
// (integers little-endian, int32 unless noted):
//   8 bytes   magic "KWOF64\r\n"
//   4 + s     stamp text length s, stamp text
//   8         int64 size of the data file when the cache was written (must equal its size now)
//   4         number of entries n; then n entries in key order:
//     4 + k   key length k, key text
//     4       record count c
//     4       run count r (0 when c = 0, else 1 ... c)
//     8 r     runs: first item (int32; 0 for the first run, rising), high 32 bits of the offsets from that
//             item on (uint32, rising)
//     4 c     uint32 low 32 bits of each offset; the offsets (high << 32 | low) rise strictly and end
//             before the data file's size
// Memory is 4 bytes per record plus 8 per run.

inline constexpr int32_t kIndexProgressInterval = 537;

// Extension of the cache of a data file past 2 GiB.
inline constexpr const char* kWideCacheExtension = ".of64";

// Whether a data file of this size has offsets past the 32-bit ".of1" form (larger than 2 GiB - 1).
bool IsWideDataFile(int64_t dataFileSize);

// What an indexing pass reports to the window that started it.
struct TIndexProgress {
  // Before records 0, 537, 1074, ... are read: the status panel shows IndexProgressText(recordNo, count)
  // and pending window messages run.
  std::function<void(int32_t recordNo, int32_t count)> OnStep;
  // Once, after the last record of a pass that succeeded: the status panel is cleared. A failed pass
  // leaves the last progress text.
  std::function<void()> OnDone;
};

// recordNo, " / ", count.
std::string IndexProgressText(int32_t recordNo, int32_t count);

// One pass over the file: probes the version ("Unsupported Stadaf version detected, application shutting
// down" for an unknown one), reads the header and then exactly as many records as the header counts,
// listing each record's offset under its type (version 1.10: always "1"). Records are measured with every
// check of a full read, without storing values. Any error ends the pass and propagates; an unclassifiable
// record raises EStadafException naming its offset.
Ref<IInterfaceMap> BuildRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress = {});

// The index stored in cacheFileName when it was written for stampText (exact comparison). Empty when the
// stamp differs, and also when the cache is torn or implausible: it ends before what it declares, a length
// is negative or not a whole number of offsets, or an offset lies outside 0 ... dataFileSize - 1. Errors of
// opening or reading the file propagate. With recordType, only that type's offsets are read (the others are
// passed over unread, and absent from the index).
Ref<IInterfaceMap> ReadRecordTypeIndexCache(const std::string& stampText, const std::string& cacheFileName,
                                            int64_t dataFileSize, std::optional<int32_t> recordType = {});

// Writes the index with stampText to a new file in the cache's folder, then renames it over cacheFileName,
// so that no reader ever sees a partly written cache. Failures raise EInOutError and leave any earlier
// cache as it was.
void WriteRecordTypeIndexCache(const std::string& stampText, const Ref<IInterfaceMap>& index,
                               const std::string& cacheFileName);

// The ".of64" cache of a data file past 2 GiB, as ReadRecordTypeIndexCache reads the ".of1": empty for
// another stamp or data file size, or a torn or implausible cache (runs or offsets that do not rise, an
// offset at or past dataFileSize); the entries are TWideRecordOffsets.
Ref<IInterfaceMap> ReadWideRecordTypeIndexCache(const std::string& stampText,
                                                const std::string& cacheFileName, int64_t dataFileSize,
                                                std::optional<int32_t> recordType = {});

// Writes the ".of64" form of index (entries of either kind of offset list) as WriteRecordTypeIndexCache
// writes the ".of1".
void WriteWideRecordTypeIndexCache(const std::string& stampText, int64_t dataFileSize,
                                   const Ref<IInterfaceMap>& index, const std::string& cacheFileName);

// The file's last-write time in local time with two-second resolution (odd seconds round down), as
// "yyyymmddhhmmss"; empty for a file that does not exist.
std::string FileStampText(const std::string& fileName);

// The data file's name with the extension ".of1".
std::string RecordTypeIndexCacheName(const std::string& fileName);
// The data file's name with the extension ".of64".
std::string WideRecordTypeIndexCacheName(const std::string& fileName);

// Folder under the user's cache folder that holds the caches of files whose own folder cannot be written.
inline constexpr const char* kUserCacheFolder = "kwviewer";

// Where the cache of fileName lies when it cannot lie beside it: under $XDG_CACHE_HOME (else ~/.cache) in
// kUserCacheFolder, named after the file and a hash of its full path. Empty when there is no home folder.
std::string UserCacheFileName(const std::string& fileName, std::string_view extension = ".of1");

// The index as the viewer opens it: with useCache, the first valid cache of the ".of1" beside the file and
// the one in the user's cache folder; valid means written for the file's current stamp, and its first and
// last record of each type are of that type. A cache that cannot be read counts as none. Otherwise a pass,
// after which (with useCache) the cache is written with the stamp taken before the pass, so that a file
// changed meanwhile is indexed again next time: beside the file, else in the user's cache folder, else not
// at all (the index then lives in memory only). A file past 2 GiB uses the ".of64" caches instead of the
// ".of1" ones. Errors name the file.
// With recordType, an index read from a cache holds that type only.
Ref<IInterfaceMap> OpenRecordTypeIndex(const std::string& fileName, const TIndexProgress& progress,
                                       bool useCache, std::optional<int32_t> recordType = {});

// The offsets of recordType in index; empty when the index has no such entry.
Ref<IDynamicIntegerArray> RecordTypeOffsets(const Ref<IInterfaceMap>& index, int32_t recordType);
