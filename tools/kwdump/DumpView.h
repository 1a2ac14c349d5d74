#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "dataset/RecordFilter.h"
#include "dataset/RecordSort.h"
#include "dataset/ViewDataSet.h"

class TFileInfo;

// --where FIELD=PATTERN, FIELD<>X, FIELD>=N …: the column up to the first "=", "<" or ">"; after a "=" the
// pattern is the rest, else the rest with its operator. None for a text without a column name or operator.
std::optional<TFilterEntry> ParseWhere(std::string_view text);
// --sort FIELD[:desc|:asc],…; none for an empty column name or another suffix.
std::optional<std::vector<TSortColumn>> ParseSort(std::string_view text);

// The holder's data set seen through the records that match every entry, in the order of the sort columns
// (record order without them), as a data window shows them; open. The passes read through a data set of
// their own on the holder's file.
std::unique_ptr<TViewDataSet> OpenDumpView(const TFileInfo& info, const std::vector<TFilterEntry>& where,
                                           const std::vector<TSortColumn>& sort);
