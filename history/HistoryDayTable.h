// A history's figures per day as a text table: what gnsslog-report
// --history-report prints below its slices and the application's History
// window shows. Its cells' spellings are the slice table's too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compare/ComparisonTable.h"
#include "history/HistoryTrend.h"

namespace gnsslog {

// Day, slices, records, RTK fix, H95, V95 and availability (docs/history.md
// says how a day's figures are made of its slices').
TextTable historyDayTable(const std::vector<HistoryDay>& days);

// Metres to 0.1 mm ("0.0123"); "-" for a figure that does not exist.
std::string historyMetresCell(const std::optional<double>& metres);
// A share 0..1 in percent to 0.1 % ("90.0 %"); "-" for none.
std::string historyPercentCell(const std::optional<double>& share);

}  // namespace gnsslog
