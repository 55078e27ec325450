// What a history shows of its days, whoever shows them (gnsslog-report's
// --history-report and the application's History window): the table per
// day and the days handed to the trend picture.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/HistoryDayTable.h"
#include "history/HistoryTrend.h"

namespace gnsslog {
namespace {

HistoryDay dayOf(const std::string& text, double h95)
{
    HistoryDay d;
    d.day = text;
    d.slices = 2;
    d.records = 7200;
    d.horizontal95 = h95;
    d.vertical95 = 2 * h95;
    d.fixShare = 0.9;
    d.availability = 0.75;
    return d;
}

TEST(HistoryTrendDaysTest, DatedDaysKeepTheirOrderAndFiguresOthersAreLeftOut)
{
    HistoryDay bare;
    bare.day = "2026-12-10";  // a day without records has no figures
    const std::vector<HistoryDay> days{dayOf("2026-12-08", 0.01), dayOf("2026-02-30", 0.02),
                                       dayOf("2026-12-09", 0.03), dayOf("", 0.04), bare};
    const std::vector<TrendDay> trend = trendDaysOf(days);
    ASSERT_EQ(trend.size(), 3u);
    EXPECT_EQ(trend[0].label, "2026-12-08");
    EXPECT_EQ(trend[0].day, 20795);
    EXPECT_EQ(trend[1].label, "2026-12-09");
    EXPECT_EQ(trend[1].day, 20796);
    EXPECT_EQ(trend[1].horizontal95, 0.03);
    EXPECT_EQ(trend[1].vertical95, 0.06);
    EXPECT_EQ(trend[1].fixShare, 0.9);
    EXPECT_EQ(trend[1].availability, 0.75);
    EXPECT_EQ(trend[2].day, 20797);
    EXPECT_FALSE(trend[2].horizontal95 || trend[2].vertical95 || trend[2].fixShare || trend[2].availability);
    EXPECT_TRUE(trendDaysOf({}).empty());
}

TEST(HistoryDayTableTest, CellsInMetresAndPercentADashForAFigureThatIsMissing)
{
    HistoryDay empty;
    empty.day = "2026-12-10";
    const TextTable table = historyDayTable({dayOf("2026-12-09", 0.012345), empty});
    EXPECT_EQ(table.header, (std::vector<std::string>{"day", "slices", "records", "RTK fix", "H95 (m)", "V95 (m)",
                                                      "availability"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0],
              (std::vector<std::string>{"2026-12-09", "2", "7200", "90.0 %", "0.0123", "0.0247", "75.0 %"}));
    EXPECT_EQ(table.rows[1], (std::vector<std::string>{"2026-12-10", "0", "0", "-", "-", "-", "-"}));
    EXPECT_TRUE(historyDayTable({}).rows.empty());
}

}  // namespace
}  // namespace gnsslog
