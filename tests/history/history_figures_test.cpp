// What a run puts into the history: a generated log's slices with their
// classes, verdicts and days; the calendar; the figures per day.
#include <cmath>
#include <mutex>
#include <set>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compare/LogComparison.h"
#include "history/HistoryDays.h"
#include "history/HistoryRunBuilder.h"
#include "history/HistoryTrend.h"
#include "log/formats/Formats.h"
#include "HistoryTestFiles.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

using history_test::ScratchFolder;

TEST(HistoryDaysTest, KnownDatesAndTheirTexts)
{
    struct Case {
        const char* text;
        std::int64_t days;  // from 1970-01-01, counted by hand
    };
    const Case cases[] = {{"1970-01-01", 0},      {"1969-12-31", -1},     {"1980-01-06", kGpsEpochDay},
                          {"2000-02-29", 11016},  {"2000-03-01", 11017},  {"2026-12-09", 20796}};
    for (const Case& c : cases) {
        EXPECT_EQ(parseDay(c.text), std::optional<std::int64_t>(c.days)) << c.text;
        EXPECT_EQ(dayText(c.days), c.text);
    }
    for (const char* bad : {"2026-02-29", "2026-13-01", "2026-00-10", "2026-1-01", "26-01-01x",
                            "2026/01/01", "", "0000-01-01", "2026-04-31"}) {
        EXPECT_FALSE(parseDay(bad)) << bad;
    }
    EXPECT_EQ(utcTimestamp(std::chrono::system_clock::time_point(std::chrono::seconds(20796LL * 86400 + 3723))),
              "2026-12-09T01:02:03Z");
}

TEST(HistoryDaysTest, SliceDayCountsBackFromTheLastRecordOrFromTheGpsEpoch)
{
    const RecordClock ofDay{TimeScale::Utc, DateKnown::TimeOfDay};
    const std::int64_t lastDay = 20796;  // 2026-12-09
    // The log ran over midnight: its last record on day 1 of its own clock.
    EXPECT_EQ(sliceDay(82800, ofDay, 90000, lastDay), "2026-12-08");
    EXPECT_EQ(sliceDay(86400, ofDay, 90000, lastDay), "2026-12-09");
    const RecordClock ofWeek{TimeScale::Gps, DateKnown::TimeOfWeek};
    EXPECT_EQ(sliceDay(3 * 86400.0 + 10, ofWeek, 3 * 86400.0 + 20, lastDay), "2026-12-09");
    const RecordClock full{TimeScale::Gps, DateKnown::FullDate};
    EXPECT_EQ(sliceDay(0, full, 1e9, lastDay), "1980-01-06");
    EXPECT_EQ(sliceDay(86400.0 * 7 + 5, full, 0, lastDay), "1980-01-13");
    // A dated NMEA log counts from its first date's midnight; the file's
    // modification day does not matter then.
    const RecordClock dated{TimeScale::Utc, DateKnown::FullDate, (20796.0 - kGpsEpochDay) * 86400};
    EXPECT_EQ(sliceDay(3600, dated, 90000, 0), "2026-12-09");
    EXPECT_EQ(sliceDay(86400 + 3600, dated, 90000, 0), "2026-12-10");
    EXPECT_FALSE(sliceDay(std::nan(""), ofDay, 90000, lastDay));
    EXPECT_FALSE(sliceDay(1e300, full, 0, lastDay));
}

HistoryRow rowOf(const std::string& day, std::int64_t records, double fixShare,
                 std::optional<double> h95, std::optional<double> availability)
{
    HistoryRow row;
    row.slice.day = day;
    row.slice.figures.records = records;
    row.slice.figures.fixShare = fixShare;
    row.slice.figures.horizontal95 = h95;
    row.slice.figures.vertical95 = h95 ? std::optional<double>(*h95 * 2) : std::nullopt;
    row.slice.figures.availability = availability;
    return row;
}

TEST(HistoryTrendTest, DaysTakeTheMedianPercentileAndRecordWeightedShares)
{
    const std::vector<HistoryRow> rows{
        rowOf("2026-12-08", 100, 1.0, 0.04, 1.0),   rowOf("2026-12-07", 300, 0.5, 0.01, 0.5),
        rowOf("2026-12-07", 100, 1.0, 0.03, 1.0),   rowOf("2026-12-07", 0, 0.0, std::nullopt, std::nullopt),
        rowOf("2026-12-08", 100, 0.0, std::nullopt, 0.0),
    };
    const std::vector<HistoryDay> trend = historyTrend(rows);
    ASSERT_EQ(trend.size(), 2u);
    EXPECT_EQ(trend[0].day, "2026-12-07");
    EXPECT_EQ(trend[0].slices, 3);
    EXPECT_EQ(trend[0].records, 400);
    EXPECT_DOUBLE_EQ(*trend[0].fixShare, (150.0 + 100.0) / 400.0);
    EXPECT_DOUBLE_EQ(*trend[0].availability, (150.0 + 100.0) / 400.0);
    EXPECT_DOUBLE_EQ(*trend[0].horizontal95, 0.02);  // median of 0.01 and 0.03
    EXPECT_DOUBLE_EQ(*trend[0].vertical95, 0.04);
    EXPECT_DOUBLE_EQ(*trend[1].horizontal95, 0.04);  // the slice without one takes no part
    EXPECT_DOUBLE_EQ(*trend[1].fixShare, 0.5);
    EXPECT_TRUE(historyTrend({}).empty());
}

// A generated NMEA log over midnight, at one epoch per 5 s, cut in hours.
TEST(HistoryRunTest, GeneratedLogGivesItsSlicesClassesVerdictsAndDays)
{
    ScratchFolder folder;
    const std::string file = folder.file("station.nmea");
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.epochIntervalMs = 5000;
    options.targetBytes = 400000;
    writeLog(options, file);

    ComparisonSettings settings;
    settings.format = &nmeaFormat();
    settings.sliceSeconds = 3600;
    settings.requirements = parseRequirements("fix>=50%,h95<=1m").requirements;
    std::vector<HistoryRun> runs;
    std::vector<LogRow> rows;
    HistoryRunContext context;
    context.source = file;
    context.clock = {TimeScale::Utc, DateKnown::TimeOfDay};
    context.lastDay = 20796;
    std::mutex mutex;
    compareLogs({file}, settings, [&](std::size_t, const GNSSLog& analysis, const LogRow& row) {
        const std::lock_guard lock(mutex);
        runs.push_back(historyRunOf(context, analysis, analysis.dataQuality, row, settings));
        rows.push_back(row);
    });
    ASSERT_EQ(runs.size(), 1u);
    const HistoryRun& run = runs[0];
    ASSERT_GE(run.slices.size(), 2u);
    ASSERT_EQ(run.slices.size(), rows[0].slices.size());
    EXPECT_EQ(run.name, "station.nmea");
    ASSERT_TRUE(run.dataQuality);
    EXPECT_GT(run.dataQuality->frames, 0);

    std::set<std::string> days;
    for (std::size_t i = 0; i < run.slices.size(); ++i) {
        const HistorySlice& s = run.slices[i];
        SCOPED_TRACE(s.startSeconds);
        EXPECT_EQ(s.startSeconds, rows[0].slices[i].slice.start);
        EXPECT_EQ(s.figures.records, rows[0].slices[i].figures.records);
        days.insert(s.day);
        // The day follows the slice's own clock, counted back from the last.
        const auto back = std::floor(run.slices.back().startSeconds / 86400) - std::floor(s.startSeconds / 86400);
        EXPECT_EQ(parseDay(s.day), std::optional<std::int64_t>(context.lastDay - static_cast<std::int64_t>(back)));
        std::int64_t classEpochs = 0;
        std::int64_t allEpochs = -1;
        for (const HistoryClassFigures& c : s.classes) {
            EXPECT_GT(c.epochs, 0) << c.solutionClass;
            if (c.solutionClass == "all") {
                allEpochs = c.epochs;
            } else {
                classEpochs += c.epochs;
            }
        }
        EXPECT_EQ(classEpochs, s.figures.records);
        EXPECT_EQ(allEpochs, s.figures.records);
        ASSERT_EQ(s.verdicts.size(), 2u);
        EXPECT_EQ(s.verdicts[1].requirement, "h95<=1m");
        const bool bothPass = s.verdicts[0].verdict == "PASS" && s.verdicts[1].verdict == "PASS";
        EXPECT_EQ(s.passes, std::optional<bool>(bothPass));
        ASSERT_TRUE(s.gaps);
        EXPECT_LE(*s.gaps, s.figures.records);
    }
    // The generator puts midnight about halfway through an NMEA log.
    EXPECT_EQ(days.size(), 2u);
}

}  // namespace
}  // namespace gnsslog
