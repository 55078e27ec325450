#include "history/HistoryDayTable.h"

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kMetreDecimals = 4;
constexpr int kPercentDecimals = 1;

}  // namespace

std::string historyMetresCell(const std::optional<double>& metres)
{
    return metres ? formatFixed(*metres, kMetreDecimals) : "-";
}

std::string historyPercentCell(const std::optional<double>& share)
{
    return share ? formatFixed(*share * 100.0, kPercentDecimals) + " %" : "-";
}

TextTable historyDayTable(const std::vector<HistoryDay>& days)
{
    TextTable table;
    table.header = {"day", "slices", "records", "RTK fix", "H95 (m)", "V95 (m)", "availability"};
    for (const HistoryDay& d : days) {
        table.rows.push_back({d.day, formatInt(d.slices), formatInt(d.records), historyPercentCell(d.fixShare),
                              historyMetresCell(d.horizontal95), historyMetresCell(d.vertical95),
                              historyPercentCell(d.availability)});
    }
    return table;
}

}  // namespace gnsslog
