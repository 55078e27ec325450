// What --history-report prints: the slices a history holds, one row each,
// as a text table, and the slices and days as JSON (the days' text table
// is history/HistoryDayTable.h).
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "compare/ComparisonTable.h"
#include "history/HistoryRecords.h"
#include "history/HistoryTrend.h"

namespace gnsslog {

// Day, source, slice, records, RTK fix, H50, H95, V95, availability,
// wrong fixes, gaps, sessions, median and 95 % time to fix, wrong first
// fixes of those judged, share within 1 sigma, hazardously misleading
// epochs, the misleading rate's 95 % bound and the slice's requirements
// (PASS, FAIL, "-" for none or undecided).
TextTable historySliceTable(const std::vector<HistoryRow>& rows);

// {"file", "slices": [...], "days": [...]}; figures in base units (shares
// 0..1, metres, seconds), null where they do not exist.
nlohmann::ordered_json historyJson(const std::string& file, const std::vector<HistoryRow>& rows,
                                   const std::vector<HistoryDay>& days);

}  // namespace gnsslog
