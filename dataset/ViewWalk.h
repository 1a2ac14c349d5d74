#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "dataset/RecordValues.h"
#include "dataset/RecordView.h"

// What a walk over a view hands out: the record at view position position (first … last) and its values,
// valid during the call.
using TViewRecordFunction = std::function<void(int32_t position, std::span<const std::string_view> values)>;

// Hands the records at view positions first … last of view (record numbers of the cursor's data set) to each,
// in view order, with the values of the cursor's columns. Records are read a block of positions at a time in
// ascending record order, so that a sorted view of a large file is read in forward sweeps rather than by one
// positioned read per record; their values are held until the block is handed out (in a buffer of bounded
// size: a block whose values outgrow it is read again record by record in view order).
//
// A record that cannot be read ends the walk with its error after the records before it in view order were
// handed out, as a walk record by record would. Obeys control's cancel flag (each reports progress). The
// cursor is left on an unspecified record.
void WalkView(TRecordValues& cursor, const TRecordView& view, int32_t first, int32_t last,
              const TPassControl& control, const TViewRecordFunction& each);
