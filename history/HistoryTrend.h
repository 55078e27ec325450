// A history's figures per day, for its trend picture and table.
//
// Percentiles of slices cannot be merged into the day's percentile without
// the errors themselves, so a day's H95 and V95 are the median of its
// slices' values (a slice without the figure takes no part); the fix share
// and availability are the slices' values weighted by their records, which
// for the fix share is the day's own share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"
#include "plots/series/HistoryTrendSeries.h"

namespace gnsslog {

struct HistoryDay {
    std::string day;  // "YYYY-MM-DD"
    std::int64_t slices = 0;
    std::int64_t records = 0;
    std::optional<double> horizontal95;  // metres
    std::optional<double> vertical95;    // metres
    std::optional<double> fixShare;      // 0..1; empty without records
    std::optional<double> availability;  // 0..1
};

// One entry per day that has rows, in day order; rows in any order.
std::vector<HistoryDay> historyTrend(const std::vector<HistoryRow>& rows);

// The trend picture's days of these, in their order; a day whose text is
// no date is left out (another writer may have spelt one differently).
std::vector<TrendDay> trendDaysOf(const std::vector<HistoryDay>& days);

}  // namespace gnsslog
