#pragma once

#include <cstdint>

#include "support/Exception.h"

// Errors of the data-set framework ("Invalid field size", "Field 'X' not found", ...).
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields };
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF };
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum class TFieldType { ftString, ftMemo };
enum class TFieldKind { fkData, fkCalculated, fkLookup };

// What a data set tells its observers (the grid's model) after it moved or changed.
enum class TDataEvent {
  deDataSetChange,  // the buffered rows were refetched
  deDataSetScroll,  // the rows moved by the event's info; the window kept its size
  deLayoutChange,   // the number of buffered rows changed
  deUpdateState,    // opened or closed
};

enum TResyncFlag : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// Opaque 32-bit record id chosen by a record source; 0 means no record. Kept apart from record
// numbers and byte offsets so that one is never passed for another by accident.
enum class TRecordId : uint32_t { None = 0 };
inline constexpr uint32_t IdValue(TRecordId id) {
  return static_cast<uint32_t>(id);
}
inline constexpr TRecordId MakeRecordId(uint32_t value) {
  return static_cast<TRecordId>(value);
}
