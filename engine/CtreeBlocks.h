#pragma once

// The calling interface of the ISAM engine library: entry points, function numbers, result codes and
// the parameter blocks, at the platform's native pointer width. Shared by the engine (engine/) and
// by the session and tables that load it at run time (isam/); nothing here links either side.

#include <atomic>
#include <cstdint>

namespace kwctree {

// ---- Entry points, looked up by name --------------------------------------------------------------

inline constexpr const char* kCtreeEntry = "ctree";
inline constexpr const char* kInitIsamEntry = "INTISAM";
inline constexpr const char* kWhichCtreeEntry = "WCHCTREE";
inline constexpr const char* kGetCtreeEntry = "GETCTREE";
inline constexpr const char* kTestFileNumberEntry = "TSTFILNUM";
inline constexpr const char* kDeleteRFileEntry = "DELRFIL";
inline constexpr const char* kRangeEntryEntry = "RNGENT";
// Our own: checks one table's files (see TIntegrityCheckFunction).
inline constexpr const char* kIntegrityCheckEntry = "KWCHECK";

extern "C" {
// function number, file number, p1, plong, p2, p3, count -> result code (0 = success)
typedef int16_t (*TCtreeFunction)(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2,
                                  void* p3, int16_t count);
// index buffers, files, node sectors -> result code
typedef int16_t (*TInitIsamFunction)(int16_t indexBuffers, int16_t files, int16_t nodeSectors);
// -> instance handle, 0 while no engine instance exists
typedef int32_t (*TWhichCtreeFunction)();
// instance handle -> the instance record, or null
typedef void* (*TGetCtreeFunction)(int32_t instance);
// file number -> 0 when the number is free; never called by the system, its presence tells the level
typedef int16_t (*TTestFileNumberFunction)(int16_t file);
// data file number -> result code; closes and deletes the data file and its index files
typedef int16_t (*TDeleteRFileFunction)(int16_t dataFile);
// key number, two 32-bit arguments -> result code (kUnsupported in our engine)
typedef int16_t (*TRangeEntryFunction)(int16_t keyNumber, int32_t a, int32_t b);
// full data file name, report buffer and its size -> 0 when every record is in every index once and
// every index entry points at its record with the key the record gives; otherwise kIntegrityFailed
// (or the code that kept the check from running) and a report of what is wrong, NUL-terminated.
typedef int16_t (*TIntegrityCheckFunction)(const char* dataFileName, char* report, int32_t reportSize);
}

// ---- Function numbers of "ctree" and what each passes --------------------------------------------
// "file" is the 16-bit file number argument; p1/plong/p2 as named; unnamed arguments are ignored.
enum : uint16_t {
  fnCloseCtFile = 12,         // file: data file (with its indexes) or an index number
  fnPutDoda = 53,             // file: data; p1: TDodaField[count]; stores the field definitions
  fnDeleteRecord = 261,       // file: data or index; deletes the current record and its keys
  fnCloseRFile = 273,         // file: data; closes it with its index files
  fnAddRecord = 296,          // file: data; p1: fixed-length record
  fnReWriteRecord = 297,      // file: data; p1: fixed-length record replacing the current one
  fnGetRecord = 338,          // file: index; p1: key in index form; p2: record out; equal key
  fnGetGTERecord = 339,       // as GetRecord, first key >= p1
  fnGetGTRecord = 341,        // as GetRecord, first key > p1
  fnCloseIFile = 352,         // p1: TIsamBlock; closes the data file ifil->TableFileNumber and its indexes
  fnPermIIndex = 354,         // p1: TIsamBlock; ifil->DataFileNumber open data file, ifil->Name the new
                              // index file ("+" first: in the data file's folder), ifil->Indexes the new
                              // indexes; builds them from the records and records them in the data file
  fnNbrOfRecords = 672,       // file: data; *plong out
  fnNbrOfKeyEntries = 673,    // file: index; *plong out
  fnLockCtData = 716,         // file: data or index; *plong: record position; count: lock value
  fnCurrentFileOffset = 926,  // file: data or index; *plong out: current record's position; 160: none
  fnAddVRecord = 1400,        // file: data; p1: whole record; *plong: its length
  fnReWriteVRecord = 1401,    // file: data; p1: whole record; *plong: its length
  fnVRecordLength = 1461,     // file: data or index; *plong out: current record's whole length
  fnSetRecord = 1856,         // file: data or index; *plong: position; p1: fixed part out; 160: no record
  fnTransformKey = 2236,      // file: index; p1: key built from record bytes, turned into index form
  fnNextRecord = 2346,        // file: data (physical order) or index; p1: fixed part out
  fnPreviousRecord = 2347,    //
  fnFirstRecord = 2348,       //
  fnLastRecord = 2349,        //
  fnReReadRecord = 2350,      // file: data or index; p1: current record's fixed part, read again
  fnReReadVRecord = 3450,     // file: data or index; p1: whole record out; *plong: buffer size
  fnCurrentISAMKey = 3517,    // file: index; p1: key out; *plong in: buffer size, out: key length
  fnGetDODA = 3767,           // file: data; p1: buffer or null; *plong in: size, out: size needed
  fnGetIFile = 4022,          // file: data; p1: buffer or null; *plong as GetDODA; a TIfil block
  fnAvailableFileNbr = 8393,  // count: consecutive numbers wanted; result: the first, or -1 (0xFFFF)
  fnOpenCtFile = 8394,        // file: number to use; p1: TOpenBlock; the data file alone
  fnLockISAM = 8452,          // count: lock value; kept, has no effect of its own in our engine
  fnCloseISAM = 8457,         // closes every file and ends the engine instance
  fnRebuildIFile = 8542,      // p1: TIsamBlock; rebuilds every index file of the data file ifil->Name
  fnCreateIFile = 8543,       // p1: TIsamBlock; creates and opens data and index files; the data file
                              // number comes back in ifil->TableFileNumber
  fnOpenFileWithResource = 9156,  // file: number to use or -1; p1: TOpenBlock; opens the data file and
                                  // the index files of its definition; *plong out: the data file number
};

// ---- Result codes ---------------------------------------------------------------------------------
enum : int16_t {
  kSuccess = 0,
  kKeyExists = 2,  // duplicate key in a unique index; nothing written
  kBadInitParameters = 11,
  kCannotOpen = 12,       // missing, not an engine file, or refused by the opening mode of another
  kCannotCreate = 17,     // exists already or cannot be written
  kFileNumberRange = 22,  // file number outside the engine's range, or engine not initialised
  kFileNotActive = 26,    // no file open under that number
  kReadFailed = 36,       // the storage could not be read
  kWriteFailed = 37,      // the storage could not be written; nothing changed
  kRecordLocked = 42,     // record lock refused (lock value 2)
  kFileNumberInUse = 46,
  kFileModeViolation = 48,  // a write on a file opened read-only
  kNoCurrentRecord = 100,
  kNotFound = 101,
  kBadDefinition = 115,  // key segment, record length or index definition unusable
  kBufferTooSmall = 153,
  kInterference = 160,  // the record went away between index and record, or no current position
  kUnsupported = 170,   // function number the engine does not implement
  kResourceNotFound = 408,
  kIntegrityFailed = 574,  // integrity check found a fault
};

// ---- Lock values (LockCtData, LockISAM) -----------------------------------------------------------
enum : int16_t { lvFree = 0, lvNoWait = 2, lvWait = 3 };

// ---- File mode bits of TOpenBlock::Mode and TIfil ------------------------------------------------
enum : uint16_t {
  fmExclusiveBit = 0x0000,
  fmSharedBit = 0x0001,
  fmPermanentBit = 0x0002,
  fmVariableBit = 0x0004,
  fmReadOnlyBit = 0x0008,
};

// ---- Key segment modes ---------------------------------------------------------------------------
enum : int16_t {
  smUnsigned = 0,      // unsigned bytes (Boolean)
  smDate = 1,          // signed little-endian integer
  smString = 2,        // unsigned bytes
  smCounter = 3,       // signed little-endian integer
  smVariable = 4,      // offset: ordinal of a variable-length field; its leading bytes
  smSigned = 8,        // signed little-endian integer of the segment's length
  smFloat = 9,         // IEEE float or double, numeric order
  smFieldNumber = 13,  // offset: field position in the field definitions
  smDescendingFlag = 0x10,
  smAlternateFlag = 0x20,
};

// ---- Parameter blocks ----------------------------------------------------------------------------

struct TOpenBlock {
  uint16_t Mode;
  uint8_t Zero;
  uint8_t Unused[9];
  char FileName[256];  // full data file name with extension
};

struct TKeySegment {
  int16_t Offset;
  int16_t Length;
  int16_t Mode;
};

struct TIndexRecord {
  int16_t KeyLength;  // segment lengths, plus 4 for a duplicates index
  int16_t KeyType;
  int16_t Duplicates;  // 1: duplicates allowed, the record position follows the key
  int16_t NullKey;
  int16_t EmptyChar;
  int16_t SegmentCount;
  TKeySegment* Segments;
  char* IndexName;
  char* IndexFileName;         // null: in the same file as the index before (the first: the main ".idx")
  int16_t* AlternateSequence;  // 256 values, or null
  void* Reserved;
};

struct TIfil {
  char* Name;  // full table name; ".dat" is added unless it has an extension of its own
  int16_t DataFileNumber;
  uint16_t RecordLength;
  uint16_t DataExtensionSize;
  uint16_t DataFileMode;
  int16_t IndexCount;
  uint16_t IndexExtensionSize;
  uint16_t IndexFileMode;
  uint16_t Padding;
  TIndexRecord* Indexes;
  void* FirstField;
  void* LastField;
  int16_t TableFileNumber;
};

struct TDodaField {
  char* Name;  // null ends an array read back from the engine
  void* Reserved;
  uint16_t Type;
  uint16_t Length;
  uint8_t Zero[16];
};

struct TIsamBlock {
  int32_t Zero;
  char Text1[32];
  char Text2[10];
  char Text3[8];
  char Text4[10];
  TIfil* Ifil;
};

// The engine's status block: 16-bit error fields at byte offsets 92, 94 and 96.
// Written by every engine call, from whichever thread makes it; its fields are stored and read atomically
// (StoreStatus, LoadStatus), so that a reader on another thread sees one call's value or another's.
struct TStatusBlock {
  uint8_t Reserved[92];
  int16_t UserErrorCode;  // uerr_cod
  int16_t SystemIoCode;   // sysiocod
  int16_t IsamError;      // isam_error
};
static_assert(sizeof(TStatusBlock) == 98);

inline void StoreStatus(int16_t& field, int16_t value) {
  std::atomic_ref<int16_t>(field).store(value, std::memory_order_relaxed);
}
// The block is writable memory; only this reader's view of it is const.
inline int16_t LoadStatus(const int16_t& field) {
  return std::atomic_ref<int16_t>(const_cast<int16_t&>(field)).load(std::memory_order_relaxed);
}

// What "GETCTREE" points at: the instance handle, then the status block.
struct TInstanceRecord {
  int32_t Instance;
  TStatusBlock* Status;
};

}  // namespace kwctree
