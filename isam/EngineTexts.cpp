#include "isam/EngineTexts.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

struct TCodeRange {
  int32_t first;
  int32_t last;
};

// Every code the engine's documentation describes.
constexpr TCodeRange kListedCodes[] = {
    {0, 0},     {2, 8},     {10, 120},  {122, 156}, {158, 203}, {206, 222}, {225, 228}, {230, 233},
    {235, 240}, {400, 408}, {410, 430}, {432, 453}, {455, 469}, {471, 496}, {506, 522}, {541, 551},
    {555, 563}, {570, 576}, {968, 970}, {974, 984}, {992, 994}, {996, 998},
};

struct TCodeText {
  int32_t code;
  const char* text;
};

// The texts the system meets most, word for word, and the codes our engine library gives.
constexpr TCodeText kCodeTexts[] = {
    {0, "Successful operation."},
    {2, "Key value already exists in index."},
    {10, "InitCTree parameters require too much space."},
    {11, "Bad InitCTree parameter(s): either bufs < 3, idxs <0, sect <1, or dats < 0."},
    {12,
     "Could not open file. Either file does not exist, filnam points to incorrect file name, or file is "
     "locked "
     "by another process. See Appendix B for additional information."},
    {17, "Could not create file: it exists already, or its folder cannot be written."},
    {22,
     "filno out of range: 0 <= filno < fils where fils is 2nd InitCTree parameter. This error may occur if "
     "c-tree has not been initialized (via InitISAM, OpenISAM, CreateISAM or InitCTree). Remember"},
    {26, "No file is open under this file number."},
    {36, "The file's storage could not be read; sysiocod holds the system error."},
    {37, "The file's storage could not be written; nothing was changed. sysiocod holds the system error."},
    {42, "Could not obtain the data record lock: another process or file handle holds it."},
    {46, "The file number is already in use."},
    {48, "The file was opened read-only; it cannot be written."},
    {100, "No current ISAM record for data file isam_fil."},
    {101,
     "Could not satisfy ISAM search request for index isam_fil. See appendix B for additional information."},
    {115, "Invalid file or index definition: key length, key segments or record length do not fit together."},
    {153, "The buffer passed is too small for the record or resource."},
    {160, "Multi-user interference: key value changed between index search andsubsequent data record read."},
    {170, "The engine does not implement this function."},
    {408, "The data file holds no such resource."},
    {574, "Integrity check failed: an index does not match the records."},
};

struct TFunctionName {
  uint16_t number;
  const char* name;
};

constexpr TFunctionName kFunctionNames[] = {
    {1, "UpdateFileMode"},
    {3, "DeleteCtFile"},
    {12, "CloseCtFile"},
    {49, "SetAlternateSequence"},
    {53, "PutDoda"},
    {54, "SetVariableBytes"},
    {123, "DeleteCtResource"},
    {124, "EnableCtResource"},
    {142, "CreateIndexMember"},
    {224, "WhichCtree"},
    {225, "NextCtree"},
    {226, "SwitchCtree"},
    {227, "GetCtreePointer"},
    {228, "RegisterCtree"},
    {229, "UnRegisterCtree"},
    {258, "ResetRecord"},
    {261, "DeleteRecord"},
    {264, "DeleteVRecord"},
    {273, "CloseRFile"},
    {274, "DeleteRFile"},
    {296, "AddRecord"},
    {297, "ReWriteRecord"},
    {336, "FirstInSet"},
    {337, "LastInSet"},
    {338, "GetRecord"},
    {339, "GetGTERecord"},
    {340, "GetLTERecord"},
    {341, "GetGTRecord"},
    {342, "GetLTRecord"},
    {349, "DeleteIFil"},
    {352, "CloseIFile"},
    {354, "PermIIndex"},
    {575, "WriteData"},
    {577, "ReleaseData"},
    {578, "ReleaseVData"},
    {642, "AddKey"},
    {643, "LoadKey"},
    {644, "DeleteKey"},
    {666, "DeleteKeyBlind"},
    {667, "GetKey"},
    {671, "NewData"},
    {672, "NbrOfRecords"},
    {673, "NbrOfKeyEntries"},
    {674, "GetSerialNbr"},
    {682, "GetCtFileInfo"},
    {716, "LockCtData"},
    {717, "EstimateKeySpan"},
    {724, "NbrOfKeysInRange"},
    {728, "UpdateHeader"},
    {926, "CurrentFileOffset"},
    {982, "OpenISAMContext"},
    {1102, "Security"},
    {1149, "UpdateCtResource"},
    {1150, "AddCtResource"},
    {1400, "AddVRecord"},
    {1401, "ReWriteVRecord"},
    {1461, "VRecordLength"},
    {1483, "DoBatch"},
    {1596, "WriteVData"},
    {1702, "GetCtResource"},
    {1716, "VDataLength"},
    {1742, "NewVData"},
    {1749, "GetORDKey"},
    {1856, "SetRecord"},
    {2098, "GetAlternateSequence"},
    {2236, "TransformKey"},
    {2238, "CurrentLowLevelKey"},
    {2346, "NextRecord"},
    {2347, "PreviousRecord"},
    {2348, "FirstRecord"},
    {2349, "LastRecord"},
    {2350, "ReReadRecord"},
    {2351, "NextInSet"},
    {2352, "PreviousInSet"},
    {2356, "PositionSet"},
    {2622, "ReadData"},
    {2903, "ReadIsamData"},
    {3146, "GetSuperFileNames"},
    {3147, "GetSymbolicNames"},
    {3450, "ReReadVRecord"},
    {3517, "CurrentISAMKey"},
    {3645, "ReadVData"},
    {3767, "GetDODA"},
    {4022, "GetIFile"},
    {8202, "StopUser"},
    {8205, "Commit"},
    {8206, "RestoreSavePoint"},
    {8207, "Abort"},
    {8208, "ClearTranError"},
    {8214, "Perform"},
    {8223, "AbortXtd"},
    {8307, "SetNodeName"},
    {8332, "CreateDataFile"},
    {8333, "CreateIndexFile"},
    {8393, "AvailableFileNbr"},
    {8394, "OpenCtFile"},
    {8399, "SetSavePoint"},
    {8452, "LockISAM"},
    {8454, "AllocateSet"},
    {8455, "ChangeSet"},
    {8457, "CloseISAM"},
    {8459, "FreeSet"},
    {8467, "AllocateBatch"},
    {8468, "ChangeBatch"},
    {8469, "FreeBatch"},
    {8475, "ChangeISAMContext"},
    {8476, "CloseISAMContext"},
    {8543, "CreateIFile"},
    {8545, "OpenIFile"},
    {8548, "PutIFile"},
    {8549, "CompactIFile"},
    {8867, "Begin"},
    {9156, "OpenFileWithResource"},
    {9864, "SetOperationState"},
    {10450, "IOPERFORMANCE"},
    {10455, "SystemConfiguration"},
    {11461, "GetCtTempFileName"},
    {11835, "SystemMonitor"},
    {12398, "InitCTree"},
    {12634, "CreateISAM"},
    {12635, "OpenISAM"},
    {12655, "InitISAM"},
    {17046, "GetGTEKey"},
    {17047, "GetGTKey"},
    {17048, "GetLTKey"},
    {17049, "GetLTEKey"},
    {19100, "FirstKey"},
    {19101, "LastKey"},
    {19108, "NextKey"},
    {19109, "PreviousKey"},
    {19144, "KeyAtPercentile"},
};

}  // namespace

std::string GetEngineErrorText(int32_t code) {
  const auto text = std::find_if(std::begin(kCodeTexts), std::end(kCodeTexts),
                                 [code](const TCodeText& t) { return t.code == code; });
  if (text != std::end(kCodeTexts)) return text->text;
  const bool listed = std::any_of(std::begin(kListedCodes), std::end(kListedCodes),
                                  [code](const TCodeRange& r) { return code >= r.first && code <= r.last; });
  if (listed) return "Engine error " + std::to_string(code) + ": not given by this engine library.";
  return "<unexpected error code>";
}

std::string GetEngineFunctionName(uint16_t function) {
  const auto entry = std::lower_bound(std::begin(kFunctionNames), std::end(kFunctionNames), function,
                                      [](const TFunctionName& f, uint16_t n) { return f.number < n; });
  if (entry != std::end(kFunctionNames) && entry->number == function) return entry->name;
  return "<unexpected function number>";
}
