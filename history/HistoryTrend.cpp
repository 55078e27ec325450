#include "history/HistoryTrend.h"

#include <algorithm>
#include <map>

#include "history/HistoryDays.h"

namespace gnsslog {

namespace {

// The median of values, the mean of the middle two for an even count.
std::optional<double> medianOf(std::vector<double> values)
{
    if (values.empty()) {
        return std::nullopt;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1) {
        return values[middle];
    }
    return (values[middle - 1] + values[middle]) / 2;
}

struct DaySums {
    std::int64_t slices = 0;
    std::int64_t records = 0;
    double fixedRecords = 0;
    double availableWeight = 0;
    double availableSum = 0;
    std::vector<double> horizontal95;
    std::vector<double> vertical95;
};

}  // namespace

std::vector<HistoryDay> historyTrend(const std::vector<HistoryRow>& rows)
{
    std::map<std::string, DaySums> days;
    for (const HistoryRow& row : rows) {
        const LogFigures& f = row.slice.figures;
        DaySums& sums = days[row.slice.day];
        ++sums.slices;
        sums.records += f.records;
        sums.fixedRecords += f.fixShare * static_cast<double>(f.records);
        if (f.availability && f.records > 0) {
            sums.availableWeight += static_cast<double>(f.records);
            sums.availableSum += *f.availability * static_cast<double>(f.records);
        }
        if (f.horizontal95) {
            sums.horizontal95.push_back(*f.horizontal95);
        }
        if (f.vertical95) {
            sums.vertical95.push_back(*f.vertical95);
        }
    }
    std::vector<HistoryDay> trend;
    for (auto& [day, sums] : days) {
        HistoryDay d;
        d.day = day;
        d.slices = sums.slices;
        d.records = sums.records;
        d.horizontal95 = medianOf(std::move(sums.horizontal95));
        d.vertical95 = medianOf(std::move(sums.vertical95));
        if (sums.records > 0) {
            d.fixShare = sums.fixedRecords / static_cast<double>(sums.records);
        }
        if (sums.availableWeight > 0) {
            d.availability = sums.availableSum / sums.availableWeight;
        }
        trend.push_back(std::move(d));
    }
    return trend;
}

std::vector<TrendDay> trendDaysOf(const std::vector<HistoryDay>& days)
{
    std::vector<TrendDay> trend;
    trend.reserve(days.size());
    for (const HistoryDay& d : days) {
        if (const std::optional<std::int64_t> number = parseDay(d.day)) {
            trend.push_back({*number, d.day, d.horizontal95, d.vertical95, d.fixShare, d.availability});
        }
    }
    return trend;
}

}  // namespace gnsslog
