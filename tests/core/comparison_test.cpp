// The Qt-free parts of a log comparison: figures of hand-made epochs,
// clock slices, the requirement grammar with its verdicts, and several
// generated logs analysed alone and together.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "compare/ComparisonTable.h"
#include "compare/LogComparison.h"
#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "compare/TimeSlices.h"
#include "log/formats/Formats.h"
#include "tests/core/metrics_test_support.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::kTruthX;
using metrics_test::kTruthY;
using metrics_test::kTruthZ;

GNSSRecord at(double time, std::uint8_t fixType, double dx = 0, double dy = 0, double dz = 0)
{
    GNSSRecord r = epoch(fixType, dx, dy, dz);
    r.time = time;
    return r;
}

// ---------------------------------------------------------------- figures

TEST(LogFiguresTest, KnownEpochsGiveTheirShareLossesTimesAndPercentiles)
{
    // 1 Hz: float 0..1, fixed 2..5, float 6..8 (loss at 6, re-fix at 9),
    // fixed 9..10, stand-alone 11 (loss not regained).
    std::vector<GNSSRecord> records;
    const double horizontal[] = {0.25, 0.5, 0.75, 1.0};  // fixed epochs 2..5, along x
    for (int t = 0; t < 12; ++t) {
        std::uint8_t type = FixType::RtkFloat;
        double dx = 0;
        if (t >= 2 && t <= 5) {
            type = FixType::RtkFixed;
            dx = horizontal[t - 2];
        } else if (t == 9 || t == 10) {
            type = FixType::RtkFixed;
            dx = 0.125;
        } else if (t == 11) {
            type = FixType::StandAlone;
        }
        records.push_back(at(1000.0 + t, type, dx, 0, t == 9 ? -0.5 : 0.0));
    }
    const LogFigures f = computeLogFigures(records, kTruthX, kTruthY, kTruthZ, 0.9);
    EXPECT_EQ(f.records, 12);
    EXPECT_DOUBLE_EQ(f.fixShare, 6.0 / 12.0);
    EXPECT_EQ(f.fixLosses, 2);
    ASSERT_TRUE(f.timeToFirstFix);
    EXPECT_DOUBLE_EQ(*f.timeToFirstFix, 2.0);
    ASSERT_TRUE(f.refixMedian && f.refix95);
    EXPECT_DOUBLE_EQ(*f.refixMedian, 3.0);  // one regained loss: 6 -> 9
    EXPECT_DOUBLE_EQ(*f.refix95, 3.0);
    // Fixed horizontal errors 0.125, 0.125, 0.25, 0.5, 0.75, 1.0: nearest
    // rank 50 % is the 3rd, 95 % the 6th.
    ASSERT_TRUE(f.horizontal50 && f.horizontal95 && f.vertical95);
    EXPECT_DOUBLE_EQ(*f.horizontal50, 0.25);
    EXPECT_DOUBLE_EQ(*f.horizontal95, 1.0);
    EXPECT_DOUBLE_EQ(*f.vertical95, 0.5);
    ASSERT_TRUE(f.availability);
    EXPECT_DOUBLE_EQ(*f.availability, 6.0 / 12.0);
    EXPECT_EQ(f.wrongFixes, 1);  // only the 1.0 m epoch is over 0.9 m
}

TEST(LogFiguresTest, NeverFixedHasNoFixFiguresAndNoRecordsHasNothing)
{
    const std::vector<GNSSRecord> floating{at(0, FixType::RtkFloat), at(1, FixType::RtkFloat)};
    const LogFigures f = computeLogFigures(floating, kTruthX, kTruthY, kTruthZ, 0.1);
    EXPECT_EQ(f.records, 2);
    EXPECT_EQ(f.fixShare, 0.0);
    EXPECT_FALSE(f.timeToFirstFix || f.refixMedian || f.horizontal95 || f.vertical95);
    ASSERT_TRUE(f.availability);
    EXPECT_EQ(*f.availability, 0.0);

    const LogFigures none = computeLogFigures({}, kTruthX, kTruthY, kTruthZ, 0.1);
    EXPECT_EQ(none.records, 0);
    EXPECT_FALSE(none.availability || none.timeToFirstFix);
    const std::vector<std::string> cells = figureCells(none);
    EXPECT_EQ(cells[0], "0");
    EXPECT_EQ(cells[3], "-");  // time to first fix
}

// A missing figure carries its reason, a present one none.
TEST(LogFiguresTest, EveryDashSaysWhy)
{
    std::vector<GNSSRecord> fixedOnce;
    for (int t = 0; t < 6; ++t) {
        fixedOnce.push_back(at(t, t < 3 ? FixType::RtkFixed : FixType::RtkFloat));  // lost at 3, never regained
    }
    std::vector<GNSSRecord> fixedWithoutGrid = fixedOnce;
    for (GNSSRecord& r : fixedWithoutGrid) {
        r.validFlags = ValidFlag::Height;
    }
    struct Case {
        const char* legend;
        std::vector<GNSSRecord> records;
        std::map<int, std::string> notes;  // by figure cell
    };
    const std::string noFix = "no RTK-fixed epochs";
    const std::vector<Case> cases = {
        {"no records", {}, {{3, "no records"}, {4, "no records"}, {5, "no records"}, {6, "no records"},
                            {7, "no records"}, {8, "no records"}, {9, "no records"}, {12, "no records"},
                            {13, "no records"}, {14, "no records"}, {15, "no records"}}},
        {"never fixed", {at(0, FixType::RtkFloat), at(1, FixType::RtkFloat)},
         {{3, noFix}, {4, noFix}, {5, noFix}, {6, noFix}, {7, noFix}, {8, noFix}, {12, "no session fixed"},
          {13, "no session fixed"}, {15, "no session fixed"}}},
        {"fix lost, not regained", fixedOnce, {{4, "no lost fix regained"}, {5, "no lost fix regained"}}},
        {"fixed throughout", {at(0, FixType::RtkFixed), at(1, FixType::RtkFixed)},
         {{4, "no fix lost"}, {5, "no fix lost"}}},
        {"fixed without a grid position", fixedWithoutGrid,
         {{4, "no lost fix regained"}, {5, "no lost fix regained"},
          {6, "no RTK-fixed epoch with a grid position"}, {7, "no RTK-fixed epoch with a grid position"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const LogFigures f = computeLogFigures(c.records, kTruthX, kTruthY, kTruthZ, 0.1);
        const std::vector<std::string> cells = figureCells(f);
        const std::vector<std::string> notes = figureNotes(f);
        ASSERT_EQ(notes.size(), cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto expected = c.notes.find(static_cast<int>(i));
            EXPECT_EQ(notes[i], expected == c.notes.end() ? "" : expected->second) << "cell " << i;
            EXPECT_EQ(cells[i] == "-", !notes[i].empty()) << "cell " << i << " " << cells[i];
        }
    }

    // The table carries them beside its cells; an unreadable log's cell
    // says what went wrong.
    LogComparison comparison;
    LogRow never;
    never.file = "never.nmea";
    never.figures = computeLogFigures(cases[1].records, kTruthX, kTruthY, kTruthZ, 0.1);
    LogRow bad;
    bad.file = "bad.nmea";
    bad.openError = "cannot open 'bad.nmea'";
    comparison.rows = {never, bad};
    const TextTable table = comparisonTable(comparison, {});
    ASSERT_EQ(table.notes.size(), table.rows.size());
    EXPECT_EQ(table.notes[0][0], "");
    EXPECT_EQ(table.notes[0][4], noFix) << "figure cell 3 is the table's column 4";
    EXPECT_EQ(table.rows[0][4], "-");
    EXPECT_EQ(table.notes[1][1], "cannot open 'bad.nmea'");
    EXPECT_EQ(formatTextTable(table)[1].find("no RTK"), std::string::npos) << "text output without notes";
}

// ----------------------------------------------------------------- slices

struct Seen {
    TimeSlice slice;
    std::vector<double> times;
};

std::vector<Seen> slicesOf(const std::vector<GNSSRecord>& records, double seconds,
                           double nominal = 1.0, std::string* error = nullptr)
{
    std::vector<Seen> seen;
    const std::string problem =
        forEachTimeSlice(records, seconds, nominal, [&](const TimeSlice& s, std::span<const GNSSRecord> rs) {
            Seen one{s, {}};
            for (const GNSSRecord& r : rs) {
                one.times.push_back(r.time);
            }
            seen.push_back(one);
        });
    if (error != nullptr) {
        *error = problem;
    }
    return seen;
}

TEST(TimeSlicesTest, DurationsTakeSecondsMinutesAndHours)
{
    double s = 0;
    EXPECT_TRUE(parseDuration("90s", s));
    EXPECT_EQ(s, 90.0);
    EXPECT_TRUE(parseDuration("15min", s));
    EXPECT_EQ(s, 900.0);
    EXPECT_TRUE(parseDuration("1h", s));
    EXPECT_EQ(s, 3600.0);
    EXPECT_TRUE(parseDuration("0.5h", s));
    EXPECT_EQ(s, 1800.0);
    for (const char* bad : {"", "1", "h", "0h", "-1h", "1 h", "1hour", "1m", "nanh", "1e400s", "1,5h"}) {
        EXPECT_FALSE(parseDuration(bad, s)) << bad;
    }
}

TEST(TimeSlicesTest, SlicesStartOnWholeMultiplesAndRecordsOnABoundaryOpenTheNext)
{
    // An hour log from 10:30 to 12:30 in 1 h slices: 10-11 partial at its
    // start, 11-12 whole, 12-13 partial at its end.
    std::vector<GNSSRecord> records;
    for (double t = 37800; t < 45000; t += 600) {
        records.push_back(at(t, FixType::RtkFixed));
    }
    records.push_back(at(39599.5, FixType::RtkFixed));  // out of order on purpose, last of 10-11
    const std::vector<Seen> seen = slicesOf(records, 3600, 600);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].slice.start, 36000.0);
    EXPECT_EQ(seen[0].slice.end, 39600.0);
    EXPECT_TRUE(seen[0].slice.partial);
    EXPECT_EQ(seen[0].times, (std::vector<double>{37800, 38400, 39000, 39599.5}));
    EXPECT_EQ(seen[1].slice.start, 39600.0);  // 39600 (11:00) itself is in the second slice
    EXPECT_FALSE(seen[1].slice.partial);
    EXPECT_EQ(seen[1].slice.recordCount, 6u);
    EXPECT_EQ(seen[1].times.front(), 39600.0);
    EXPECT_TRUE(seen[2].slice.partial);  // ends 44400 + 600 = 12:30, before 13:00
    EXPECT_EQ(seen[2].times, (std::vector<double>{43200, 43800, 44400}));
}

TEST(TimeSlicesTest, ASliceWithoutRecordsIsVisitedAndAWholeLastSliceIsNotPartial)
{
    // 1 Hz from 0 to 59 and from 120 to 179: the minute 60..120 is empty.
    std::vector<GNSSRecord> records;
    for (int t = 0; t < 60; ++t) {
        records.push_back(at(t, FixType::RtkFixed));
    }
    for (int t = 120; t < 180; ++t) {
        records.push_back(at(t, FixType::RtkFloat));
    }
    const std::vector<Seen> seen = slicesOf(records, 60, 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].slice.recordCount, 0u);
    EXPECT_TRUE(seen[1].times.empty());
    EXPECT_FALSE(seen[1].slice.partial);
    EXPECT_FALSE(seen[2].slice.partial);  // 179 + 1 s reaches the slice's end
    EXPECT_EQ(seen[2].slice.recordCount, 60u);
}

TEST(TimeSlicesTest, UnusableTimesAreLeftOutAndTooManySlicesAreRefused)
{
    std::vector<GNSSRecord> records{at(5, FixType::RtkFixed),
                                    at(std::numeric_limits<double>::quiet_NaN(), FixType::RtkFixed),
                                    at(INFINITY, FixType::RtkFixed), at(7, FixType::RtkFixed)};
    std::vector<Seen> seen = slicesOf(records, 10);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].times, (std::vector<double>{5, 7}));

    records.push_back(at(1e12, FixType::RtkFixed));
    std::string error;
    seen = slicesOf(records, 1, 1, &error);
    EXPECT_TRUE(seen.empty());
    EXPECT_NE(error.find("slices"), std::string::npos) << error;
    EXPECT_TRUE(slicesOf({}, 60).empty());
}

TEST(TimeSlicesTest, ClockAndSliceLabels)
{
    EXPECT_EQ(formatClock(36000), "10:00:00");
    EXPECT_EQ(formatClock(3599.9), "00:59:59");
    EXPECT_EQ(formatClock(97200), "27:00:00");
    EXPECT_EQ(formatClock(-1), "-");
    EXPECT_EQ(sliceLabel(TimeSlice{3600, 7200, 0, true}), "01:00:00-02:00:00 (partial)");
}

// ----------------------------------------------------------- requirements

TEST(RequirementsTest, TheIssuesExampleReadsIntoBaseUnits)
{
    const RequirementList list = parseRequirements("fix>=95%,h95<=0.02,v95<=3cm, ttff <= 1min ,wrong<=0");
    ASSERT_TRUE(list.error.empty()) << list.error;
    ASSERT_EQ(list.requirements.size(), 5u);
    EXPECT_EQ(list.requirements[0].figure, Figure::FixShare);
    EXPECT_EQ(list.requirements[0].comparison, Comparison::GreaterOrEqual);
    EXPECT_DOUBLE_EQ(list.requirements[0].limit, 0.95);
    EXPECT_DOUBLE_EQ(list.requirements[2].limit, 0.03);
    EXPECT_EQ(list.requirements[3].figure, Figure::TimeToFirstFix);
    EXPECT_EQ(list.requirements[3].limit, 60.0);
    EXPECT_EQ(list.requirements[3].text, "ttff <= 1min");
    EXPECT_EQ(list.requirements[4].comparison, Comparison::LessOrEqual);
}

TEST(RequirementsTest, ErrorsNameThePartThatFailed)
{
    struct Case {
        const char* text;
        const char* mentions;
    };
    for (const Case& c : {Case{"fix>=95%,hz95<=0.02", "'hz95'"}, Case{"fix>=95%,h95", "'h95'"},
                          Case{"h95<=abc", "'abc'"}, Case{"fix>=95", "percentage"},
                          Case{"h95<=2%", "'2%'"}, Case{"wrong<=0s", "'0s'"},
                          Case{"fix>=95%,,wrong<=0", "after 'fix>=95%'"}, Case{"", "no requirement"},
                          Case{"ttff=<60", "'<60'"}, Case{"h95<=nan", "'nan'"},
                          // Limits beyond the figure's range, and units it does not take.
                          Case{"fix>=150%", "100%"}, Case{"avail>=-1%", "100%"},
                          Case{"fix>=1.5", "percentage"}, Case{"h95<=-1cm", "negative"},
                          Case{"v95<=-0.5", "negative"}, Case{"ttff<=-5s", "negative"},
                          Case{"refix50<=-1", "negative"}, Case{"h95<=3km", "unknown unit 'km'"},
                          Case{"ttff<=2days", "unknown unit 'days'"},
                          Case{"wrong<=0s", "unknown unit 's'"}}) {
        const RequirementList list = parseRequirements(c.text);
        EXPECT_TRUE(list.requirements.empty()) << c.text;
        EXPECT_NE(list.error.find(c.mentions), std::string::npos) << c.text << ": " << list.error;
    }
}

TEST(RequirementsTest, LimitsAtTheEdgesOfTheirRangeAreTaken)
{
    for (const char* text : {"fix>=100%", "fix>=0%", "avail>=1", "h95<=0", "ttff<=0s", "wrong<=0"}) {
        const RequirementList list = parseRequirements(text);
        EXPECT_EQ(list.requirements.size(), 1u) << text << ": " << list.error;
    }
    EXPECT_EQ(parseRequirements("fix>=100%").requirements.at(0).limit, 1.0);
}

TEST(RequirementsTest, EveryOperatorAtJustBelowAndJustAboveItsLimit)
{
    struct Case {
        const char* op;
        bool below, at, above;
    };
    const double limit = 0.02;
    const double values[] = {std::nextafter(limit, 0.0), limit, std::nextafter(limit, 1.0)};
    for (const Case& c : {Case{"<", true, false, false}, Case{"<=", true, true, false},
                          Case{">", false, false, true}, Case{">=", false, true, true},
                          Case{"=", false, true, false}, Case{"==", false, true, false}}) {
        const RequirementList list = parseRequirements(std::string("h95") + c.op + "0.02");
        ASSERT_EQ(list.requirements.size(), 1u) << c.op << list.error;
        const bool expected[] = {c.below, c.at, c.above};
        for (int i = 0; i < 3; ++i) {
            LogFigures f;
            f.horizontal95 = values[i];
            EXPECT_EQ(checkRequirement(list.requirements[0], f).pass, expected[i]) << c.op << " " << i;
        }
    }
}

TEST(RequirementsTest, PercentagesAndUnitsMeetTheFiguresExactlyAtTheLimit)
{
    LogFigures f;
    f.records = 20;
    f.fixShare = 19.0 / 20.0;  // 95 %
    f.timeToFirstFix = 60.0;
    f.vertical95 = 0.03;
    f.wrongFixes = 0;
    const RequirementList list =
        parseRequirements("fix>=95%,fix>=0.95,ttff<=60s,ttff<=1min,v95<=3cm,v95<=30mm,wrong<=0,records>=20");
    ASSERT_TRUE(list.error.empty()) << list.error;
    const std::vector<Verdict> verdicts = checkRequirements(list.requirements, f);
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        EXPECT_TRUE(verdicts[i].pass) << list.requirements[i].text;
    }
    EXPECT_TRUE(allPass(verdicts));
    f.wrongFixes = 1;
    EXPECT_FALSE(allPass(checkRequirements(list.requirements, f)));
}

TEST(RequirementsTest, AFigureThatDoesNotExistFailsWhateverTheOperator)
{
    const LogFigures neverFixed;
    for (const char* text : {"ttff<=60s", "ttff>=0", "h95>=0", "refix95<1h", "avail>=0%"}) {
        const RequirementList list = parseRequirements(text);
        ASSERT_EQ(list.requirements.size(), 1u) << text;
        const Verdict v = checkRequirement(list.requirements[0], neverFixed);
        EXPECT_FALSE(v.pass) << text;
        EXPECT_FALSE(v.value) << text;
    }
}

TEST(RequirementsTest, WithoutATruthOnlyTheErrorRequirementsAreUndecided)
{
    LogFigures f;
    f.records = 100;
    f.horizontal95 = 0.01;
    const RequirementList list =
        parseRequirements("h50<=1m,h95<=1m,v95<=1m,wrong<=0,wrong-first-fix<=1%,records>=100,fix>=50%");
    ASSERT_TRUE(list.error.empty()) << list.error;
    const std::vector<Verdict> verdicts = checkRequirements(list.requirements, f, false);
    ASSERT_EQ(verdicts.size(), 7u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(verdicts[i].undecided) << list.requirements[i].text;
        EXPECT_FALSE(verdicts[i].pass) << list.requirements[i].text;
        EXPECT_STREQ(verdictText(verdicts[i]), "-");
    }
    EXPECT_STREQ(verdictText(verdicts[5]), "PASS");
    EXPECT_STREQ(verdictText(verdicts[6]), "FAIL");
    EXPECT_FALSE(allPass({verdicts[1], verdicts[5]}));
    // With a truth the same figures are judged.
    EXPECT_STREQ(verdictText(checkRequirement(list.requirements[1], f)), "PASS");
}

// ------------------------------------------------------------------ table

TEST(ComparisonTableTest, SliceRowsFollowTheirLogAndColumnsLineUp)
{
    LogComparison comparison;
    LogRow a;
    a.file = "/some/dir/a.nmea";
    a.figures.records = 120;
    a.slices.push_back(SliceRow{TimeSlice{0, 60, 60, false}, {}, {}});
    a.slices.push_back(SliceRow{TimeSlice{60, 120, 0, true}, {}, {}});
    LogRow b;
    b.file = "b.nmea";
    b.openError = "cannot open 'b.nmea'";
    comparison.rows = {a, b};
    const RequirementList list = parseRequirements("records>=100");
    comparison.rows[0].verdicts = checkRequirements(list.requirements, a.figures);
    const TextTable table = comparisonTable(comparison, list.requirements);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.header.back(), "records>=100");
    EXPECT_EQ(table.rows[0][0], "a.nmea");
    EXPECT_EQ(table.rows[0].back(), "PASS");
    EXPECT_EQ(table.rows[1][0], "  00:00:00-00:01:00");
    EXPECT_EQ(table.rows[2][0], "  00:01:00-00:02:00 (partial)");
    EXPECT_EQ(table.rows[3][1], "unreadable");
    for (const auto& row : table.rows) {
        EXPECT_EQ(row.size(), table.header.size());
    }
    const std::vector<std::string> lines = formatTextTable(table);
    ASSERT_EQ(lines.size(), 5u);
    // Right-aligned columns end in the same place on every full row.
    EXPECT_EQ(lines[0].size(), lines[1].size());
    EXPECT_EQ(lines[0].size(), lines[2].size());
}

TEST(ComparisonTableTest, TheTruthLineSaysWhichTruth)
{
    SharedTruth truth;
    EXPECT_NE(describeTruth(truth).find("each log's own averaged"), std::string::npos);
    truth.source = TruthSource::FromLog;
    truth.file = "/x/ref.nmea";
    truth.fromMode = TruthMode::FirstFix;
    truth.x = 1.5;
    EXPECT_EQ(describeTruth(truth),
              "Truth: first RTK-fixed position of ref.nmea (1.5000, 0.0000, 0.0000)");
}

// ---------------------------------------------------------- several logs

constexpr uid_t kNobody = 65534;

class CompareLogsTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("gnsslog-compare-core-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        for (int i = 0; i < 3; ++i) {
            GeneratorOptions options;
            options.targetBytes = 2'000'000;  // past the size that starts a decode thread
            options.seed = static_cast<std::uint64_t>(40 + i);
            files_.push_back((dir_ / ("log" + std::to_string(i) + ".pvt1b")).string());
            writeLog(options, files_.back());
        }
        files_.insert(files_.begin() + 1, (dir_ / "missing.pvt1b").string());
    }
    static void TearDownTestSuite()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    static std::filesystem::path dir_;
    static std::vector<std::string> files_;
};
std::filesystem::path CompareLogsTest::dir_;
std::vector<std::string> CompareLogsTest::files_;

void expectSameFigures(const LogFigures& a, const LogFigures& b)
{
    EXPECT_EQ(a.records, b.records);
    EXPECT_EQ(a.fixShare, b.fixShare);
    EXPECT_EQ(a.fixLosses, b.fixLosses);
    EXPECT_EQ(a.timeToFirstFix, b.timeToFirstFix);
    EXPECT_EQ(a.refix95, b.refix95);
    EXPECT_EQ(a.horizontal95, b.horizontal95);
    EXPECT_EQ(a.vertical95, b.vertical95);
    EXPECT_EQ(a.availability, b.availability);
    EXPECT_EQ(a.wrongFixes, b.wrongFixes);
}

TEST_F(CompareLogsTest, ConcurrencyChangesNothingAndEveryReadableLogReachesTheHook)
{
    ComparisonSettings settings;
    settings.sliceSeconds = 600;
    settings.requirements = parseRequirements("fix>=50%,h95<=2cm").requirements;
    settings.concurrency = 1;
    const LogComparison alone = compareLogs(files_, settings);
    settings.concurrency = 3;
    std::atomic<int> calls{0};
    std::vector<int> seen(files_.size(), 0);
    const LogComparison together =
        compareLogs(files_, settings, [&](std::size_t index, const GNSSLog& log, const LogRow& row) {
            ++calls;
            ++seen[index];
            EXPECT_EQ(static_cast<std::int64_t>(log.records.size()), row.figures.records);
            EXPECT_EQ(row.truthX, log.truthX());
        });
    EXPECT_EQ(calls.load(), 3);
    EXPECT_EQ(seen, (std::vector<int>{1, 0, 1, 1}));
    ASSERT_EQ(together.rows.size(), files_.size());
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const LogRow& a = alone.rows[i];
        const LogRow& b = together.rows[i];
        EXPECT_EQ(b.file, files_[i]);
        EXPECT_EQ(a.openError.empty(), b.openError.empty());
        expectSameFigures(a.figures, b.figures);
        ASSERT_EQ(a.slices.size(), b.slices.size());
        std::int64_t sliced = 0;
        for (std::size_t k = 0; k < a.slices.size(); ++k) {
            expectSameFigures(a.slices[k].figures, b.slices[k].figures);
            sliced += b.slices[k].figures.records;
        }
        EXPECT_EQ(sliced, b.figures.records);
        EXPECT_EQ(b.verdicts.size(), b.openError.empty() ? 2u : 0u);
    }
    EXPECT_NE(together.rows[1].openError.find("missing.pvt1b"), std::string::npos);
}

// In a child process that may start no thread: root's limits are not
// enforced, so root becomes nobody first.
bool startsNoThreads()
{
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        return false;
    }
    const rlimit none{0, 0};
    return ::setrlimit(RLIMIT_NPROC, &none) == 0;
}

TEST_F(CompareLogsTest, WithoutThreadsTheLogsAreAnalysedHere)
{
    ComparisonSettings settings;
    settings.concurrency = 1;
    const LogComparison alone = compareLogs(files_, settings);
    settings.concurrency = 3;
    settings.decodeWorkerWhenConcurrent = true;
    EXPECT_EXIT(
        {
            if (!startsNoThreads()) {
                std::_Exit(2);
            }
            const LogComparison here = compareLogs(files_, settings);
            bool same = here.rows.size() == alone.rows.size();
            for (std::size_t i = 0; same && i < here.rows.size(); ++i) {
                same = here.rows[i].figures.records == alone.rows[i].figures.records &&
                       here.rows[i].figures.fixShare == alone.rows[i].figures.fixShare;
            }
            // _Exit: a leak checker's thread at exit could not start either.
            std::_Exit(same ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(CompareLogsTest, TruthFromOneLogIsEveryLogsTruth)
{
    ComparisonSettings settings;
    settings.truthFrom = files_[2];
    const LogComparison comparison = compareLogs(files_, settings);
    ASSERT_TRUE(comparison.truthError.empty()) << comparison.truthError;
    EXPECT_EQ(comparison.truth.source, TruthSource::FromLog);
    for (const LogRow& row : comparison.rows) {
        if (row.openError.empty()) {
            EXPECT_EQ(row.truthX, comparison.truth.x);
            EXPECT_EQ(row.truthY, comparison.truth.y);
            EXPECT_EQ(row.truthZ, comparison.truth.z);
        }
    }
    // The truth log against its own average, as when it is alone.
    ComparisonSettings own;
    expectSameFigures(compareLogs({files_[2]}, own).rows[0].figures, comparison.rows[2].figures);

    settings.truthFrom = files_[1];
    const LogComparison unreadable = compareLogs(files_, settings);
    EXPECT_TRUE(unreadable.truthUnreadable);
    EXPECT_TRUE(unreadable.rows.empty());
}

// Each log's sessions in its row: as many as the generator reset the
// receiver, their median and 95 % time to fix by nearest rank, the share
// fixed within 60 s and the wrong first fixes, as generated.
TEST(ComparisonSessions, EachLogsRowCarriesItsGeneratedSessions)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("gnsslog-compare-sessions-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<std::string> files;
    std::vector<GeneratorStats> generated;
    for (const std::int64_t resets : {7, 20}) {
        GeneratorOptions options;
        options.format = LogFormat::Nmea;
        options.resets = resets;
        options.seed = static_cast<std::uint64_t>(resets);
        options.timeToFixMinSeconds = 20;
        options.timeToFixMaxSeconds = 100;
        options.wrongFirstFixShare = 0.3;
        files.push_back((dir / ("resets" + std::to_string(resets) + ".nmea")).string());
        generated.push_back(writeLog(options, files.back()));
    }
    ComparisonSettings settings;
    settings.format = &nmeaFormat();
    const LogComparison comparison = compareLogs(files, settings);
    const TextTable table = comparisonTable(comparison, {});
    std::filesystem::remove_all(dir);
    const auto column = [&](const std::string& heading) {
        const auto at = std::find(table.header.begin(), table.header.end(), heading);
        EXPECT_NE(at, table.header.end()) << heading;
        return static_cast<std::size_t>(at - table.header.begin());
    };
    ASSERT_EQ(table.rows.size(), 2U);
    int logsWithWrongFirstFixes = 0;
    for (std::size_t k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(files[k]);
        std::vector<double> times;
        int wrong = 0;
        for (const GeneratedSession& g : generated[k].sessions) {
            times.push_back(g.timeToFirstFix);
            wrong += g.firstFixWrong ? 1 : 0;
        }
        std::sort(times.begin(), times.end());
        const auto rank = [&](double percent) {
            return times[static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(times.size()))) - 1];
        };
        const auto within60 = std::count_if(times.begin(), times.end(), [](double t) { return t <= 60; });
        const LogFigures& f = comparison.rows[k].figures;
        EXPECT_EQ(f.sessions, static_cast<std::int64_t>(times.size()));
        EXPECT_EQ(f.timeToFixMedian, rank(50));
        EXPECT_EQ(f.timeToFix95, rank(95));
        const std::vector<std::string>& row = table.rows[k];
        EXPECT_EQ(row[column("sessions")], std::to_string(times.size()));
        EXPECT_DOUBLE_EQ(std::stod(row[column("time to fix median (s)")]), rank(50));
        EXPECT_DOUBLE_EQ(std::stod(row[column("time to fix 95 % (s)")]), rank(95));
        EXPECT_NEAR(std::stod(row[column("fixed within 60 s")]),
                    100.0 * static_cast<double>(within60) / static_cast<double>(times.size()), 0.05);
        EXPECT_EQ(row[column("wrong first fixes")],
                  std::to_string(wrong) + " of " + std::to_string(times.size()));
        logsWithWrongFirstFixes += wrong > 0 ? 1 : 0;
    }
    EXPECT_GT(logsWithWrongFirstFixes, 0) << "the seeds exercise a wrong first fix";
}

}  // namespace
}  // namespace gnsslog
