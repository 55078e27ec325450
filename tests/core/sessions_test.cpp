// Sessions on hand-made record sequences: where logs are cut, and each
// session's times, first fix and convergence, worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "metrics/BinomialInterval.h"
#include "metrics/SessionSummary.h"
#include "metrics/Sessions.h"
#include "plots/series/SessionTable.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::kTruthX;
using metrics_test::kTruthY;
using metrics_test::kTruthZ;

constexpr std::uint8_t kNo = FixType::NoPosition;
constexpr std::uint8_t kSingle = FixType::StandAlone;
constexpr std::uint8_t kFloat = FixType::RtkFloat;
constexpr std::uint8_t kFixed = FixType::RtkFixed;
const TruthPoint kTruth{kTruthX, kTruthY, kTruthZ};

// Records at the given (time, fixType), all exactly on the truth.
std::vector<GNSSRecord> timeline(std::initializer_list<std::pair<double, std::uint8_t>> epochs)
{
    std::vector<GNSSRecord> records;
    for (const auto& [time, type] : epochs) {
        GNSSRecord r = epoch(type, 0, 0, 0);
        r.time = time;
        records.push_back(r);
    }
    return records;
}

std::vector<SessionStart> startsOf(const std::vector<GNSSRecord>& records,
                                   const SessionOptions& options = {})
{
    return findSessionStarts(records, options, nominalEpochInterval(records));
}

struct CutCase {
    const char* legend;
    std::vector<GNSSRecord> records;
    std::vector<std::pair<std::size_t, double>> starts;  // first index, start time
};

TEST(SessionCutting, GapRuleCutsAtOutagesOfAtLeastTheGap)
{
    const std::vector<CutCase> cases = {
        {"empty log: no session", {}, {}},
        {"one missing epoch at 1 Hz does not cut",
         timeline({{0, kFixed}, {1, kFixed}, {3, kFixed}}), {{0, 0}}},
        {"two missing epochs cut one interval after the last position",
         timeline({{0, kFixed}, {1, kFixed}, {4, kSingle}, {5, kFixed}}), {{0, 0}, {2, 2}}},
        {"one no-position epoch does not cut",
         timeline({{0, kFixed}, {1, kNo}, {2, kFixed}}), {{0, 0}}},
        {"two no-position epochs cut at the first of them",
         timeline({{0, kFixed}, {1, kNo}, {2, kNo}, {3, kSingle}}), {{0, 0}, {1, 1}}},
        {"no-position epochs, then a long gap: one cut at the outage's start",
         timeline({{0, kFixed}, {1, kNo}, {9, kNo}, {10, kFixed}}), {{0, 0}, {1, 1}}},
        {"a step back longer than the gap cuts at the record after it",
         timeline({{100, kFixed}, {101, kFixed}, {50, kFixed}, {51, kFixed}}),
         {{0, 100}, {2, 50}}},
        {"no-position epochs before any position belong to the first session",
         timeline({{0, kNo}, {1, kNo}, {2, kNo}, {3, kSingle}, {4, kFixed}}), {{0, 0}}},
        {"a log of no-position epochs only is one session",
         timeline({{0, kNo}, {1, kNo}, {9, kNo}}), {{0, 0}}},
        {"a log made only of gaps: each record its own session",
         timeline({{0, kFixed}, {10, kSingle}, {20, kFloat}}), {{0, 0}, {1, 10}, {2, 20}}},
        {"a trailing outage as long as the gap is a session that never had a position",
         timeline({{0, kFixed}, {1, kFixed}, {2, kNo}, {3, kNo}}), {{0, 0}, {2, 2}}},
        {"a trailing outage shorter than the gap is not",
         timeline({{0, kFixed}, {1, kFixed}, {2, kNo}}), {{0, 0}}},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.legend);
        const std::vector<SessionStart> starts = startsOf(c.records);
        ASSERT_EQ(starts.size(), c.starts.size());
        for (std::size_t k = 0; k < starts.size(); ++k) {
            EXPECT_EQ(starts[k].firstIndex, c.starts[k].first) << "session " << k;
            EXPECT_EQ(starts[k].startTime, c.starts[k].second) << "session " << k;
        }
    }
}

TEST(SessionCutting, GapOptionAndClockWindows)
{
    const std::vector<GNSSRecord> records =
        timeline({{0, kFixed}, {1, kFixed}, {4, kFixed}, {5, kFixed}, {31, kFixed}, {95, kFixed}});
    SessionOptions wide;
    wide.gapSeconds = 30;
    // The 3 s step is within a 30 s gap, the 26 s step too; 64 s is not.
    const std::vector<SessionStart> byGap = startsOf(records, wide);
    ASSERT_EQ(byGap.size(), 2U);
    EXPECT_EQ(byGap[1].firstIndex, 5U);

    SessionOptions every;
    every.cutting = SessionCutting::Every;
    every.everySeconds = 30;
    // Windows [0,30), [30,60), [90,120); the empty [60,90) is no session.
    const std::vector<SessionStart> byClock = startsOf(records, every);
    ASSERT_EQ(byClock.size(), 3U);
    EXPECT_EQ(byClock[0].firstIndex, 0U);
    EXPECT_EQ(byClock[1].firstIndex, 4U);
    EXPECT_EQ(byClock[1].startTime, 30.0);
    EXPECT_EQ(byClock[2].firstIndex, 5U);
    EXPECT_EQ(byClock[2].startTime, 90.0);
}

TEST(SessionCutting, MarkedRestartsCutInBothGapAndMarkerModes)
{
    // 1 Hz; a restart marked at record 3 after an outage too short for
    // the gap rule, and an outage of 4 s from record 5 that the gap rule
    // cuts; record 9 is marked as the restart after it.
    const std::vector<GNSSRecord> records =
        timeline({{0, kFixed}, {1, kFixed}, {2, kNo}, {3, kSingle}, {4, kFixed}, {5, kNo},
                  {6, kNo}, {7, kNo}, {8, kNo}, {9, kSingle}, {10, kFixed}});
    const std::vector<std::size_t> restarts = {3, 9};
    const double interval = nominalEpochInterval(records);

    const std::vector<SessionStart> byGaps = findSessionStarts(records, {}, interval, restarts);
    // The outage 5..8 ends at the restart at 9, so it stays with the
    // session before it instead of making one of its own.
    ASSERT_EQ(byGaps.size(), 3U);
    EXPECT_EQ(byGaps[1].firstIndex, 3U);
    EXPECT_EQ(byGaps[1].startTime, 3.0);
    EXPECT_EQ(byGaps[2].firstIndex, 9U);
    EXPECT_EQ(byGaps[2].startTime, 9.0);
    // Without the markers the gap rule alone cuts at 5 only.
    const std::vector<SessionStart> gapsOnly = findSessionStarts(records, {}, interval);
    ASSERT_EQ(gapsOnly.size(), 2U);
    EXPECT_EQ(gapsOnly[1].firstIndex, 5U);

    SessionOptions markers;
    markers.cutting = SessionCutting::Markers;
    const std::vector<SessionStart> byMarkers =
        findSessionStarts(records, markers, interval, restarts);
    ASSERT_EQ(byMarkers.size(), 3U);
    EXPECT_EQ(byMarkers[0].firstIndex, 0U);
    EXPECT_EQ(byMarkers[1].firstIndex, 3U);
    EXPECT_EQ(byMarkers[2].firstIndex, 9U);

    // Markers that cut nothing: at the first record, repeated, out of
    // order or past the end.
    const std::vector<std::size_t> odd = {0, 4, 4, 2, 11, 99};
    const std::vector<SessionStart> oddMarkers = findSessionStarts(records, markers, interval, odd);
    ASSERT_EQ(oddMarkers.size(), 2U);
    EXPECT_EQ(oddMarkers[1].firstIndex, 4U);
    const std::vector<SessionStart> oddGaps = findSessionStarts(records, {}, interval, odd);
    ASSERT_EQ(oddGaps.size(), 3U);
    EXPECT_EQ(oddGaps[1].firstIndex, 4U);
    EXPECT_EQ(oddGaps[2].firstIndex, 5U);

    // Times count from the restart's record.
    const SessionAnalysis a = analyseSessions(records, kTruth, markers, restarts);
    ASSERT_EQ(a.sessions.size(), 3U);
    EXPECT_EQ(a.sessions[1].timeToFirstFixed, 1.0);
    EXPECT_EQ(a.sessions[2].timeToFirstPosition, 0.0);
    EXPECT_EQ(a.sessions[2].timeToFirstFixed, 1.0);
}

TEST(SessionCutting, RestartBeforeASilentStartUpStartsOneEpochAfterTheLastRecord)
{
    // 1 Hz; the receiver restarts after record 2 and writes nothing until
    // its first position at 7: its start-up counts from 3, in both modes,
    // as the gap rule alone would count it.
    const std::vector<GNSSRecord> records =
        timeline({{0, kFixed}, {1, kFixed}, {2, kFixed}, {7, kSingle}, {8, kFloat}, {9, kFixed}, {10, kFixed}});
    const std::vector<std::size_t> restarts = {3};
    SessionOptions markers;
    markers.cutting = SessionCutting::Markers;
    for (const SessionOptions& options : {SessionOptions{}, markers}) {
        const SessionAnalysis a = analyseSessions(records, kTruth, options, restarts);
        ASSERT_EQ(a.sessions.size(), 2U);
        EXPECT_EQ(a.sessions[1].firstIndex, 3U);
        EXPECT_EQ(a.sessions[1].startTime, 3.0);
        EXPECT_EQ(a.sessions[1].timeToFirstPosition, 4.0);
        EXPECT_EQ(a.sessions[1].timeToFirstFixed, 6.0);
    }
    // A clock that steps back at the restart: the restart's record starts it.
    const std::vector<GNSSRecord> back = timeline({{100, kFixed}, {101, kFixed}, {5, kSingle}, {6, kFixed}});
    const std::vector<std::size_t> atTwo = {2};
    const SessionAnalysis a = analyseSessions(back, kTruth, markers, atTwo);
    ASSERT_EQ(a.sessions.size(), 2U);
    EXPECT_EQ(a.sessions[1].startTime, 5.0);
    EXPECT_EQ(a.sessions[1].timeToFirstPosition, 0.0);
}

TEST(SessionFigures, TimesToTheEpochFromTheSessionStart)
{
    // Session 2 starts at 3 (the first no-position epoch): position at 5,
    // float at 7, fixed at 9.5.
    const std::vector<GNSSRecord> records =
        timeline({{0, kFixed}, {1, kFixed}, {2, kFixed}, {3, kNo}, {4, kNo}, {5, kSingle},
                  {6, kSingle}, {7, kFloat}, {8.5, kFloat}, {9.5, kFixed}, {10.5, kFixed}});
    const SessionAnalysis a = analyseSessions(records, kTruth, {});
    ASSERT_EQ(a.sessions.size(), 2U);

    const Session& first = a.sessions[0];
    // A session that starts fixed: every time is 0.
    EXPECT_EQ(first.timeToFirstPosition, 0.0);
    EXPECT_EQ(first.timeToFirstFloat, 0.0);
    EXPECT_EQ(first.timeToFirstFixed, 0.0);
    EXPECT_EQ(first.recordCount, 3U);
    EXPECT_EQ(first.fixedShare, 1.0);

    const Session& second = a.sessions[1];
    EXPECT_EQ(second.startTime, 3.0);
    EXPECT_EQ(second.endTime, 10.5);
    EXPECT_EQ(second.timeToFirstPosition, 2.0);
    EXPECT_EQ(second.timeToFirstFloat, 4.0);
    EXPECT_EQ(second.timeToFirstFixed, 6.5);
    EXPECT_DOUBLE_EQ(second.fixedShare, 2.0 / 8.0);
    EXPECT_EQ(second.horizontal95, 0.0);
}

TEST(SessionFigures, SessionWithoutFixHasNoFixFigures)
{
    const std::vector<GNSSRecord> records =
        timeline({{0, kNo}, {1, kSingle}, {2, kFloat}, {3, kSingle}});
    const SessionAnalysis a = analyseSessions(records, kTruth, {});
    ASSERT_EQ(a.sessions.size(), 1U);
    const Session& s = a.sessions[0];
    EXPECT_EQ(s.timeToFirstPosition, 1.0);
    EXPECT_EQ(s.timeToFirstFloat, 2.0);
    EXPECT_FALSE(s.timeToFirstFixed);
    EXPECT_FALSE(s.firstFixHorizontal);
    EXPECT_FALSE(s.firstFixJudged());
    EXPECT_FALSE(s.horizontal95);
    EXPECT_EQ(s.fixedShare, 0.0);
    EXPECT_EQ(a.summary.neverFixed, 1U);
    EXPECT_EQ(a.summary.judgedFirstFixes, 0U);
    EXPECT_EQ(a.summary.wrongFirstFixShare, 0.0);
    EXPECT_FALSE(a.summary.firstFixed.median);
}

TEST(SessionFigures, FirstFixWrongOnlyStrictlyBeyondTheThreshold)
{
    SessionOptions options;
    options.wrongFixThreshold = 0.125;
    struct Case {
        const char* legend;
        double dx, dy, dz;
        std::uint32_t flags;
        bool judged, wrong;
    } cases[] = {
        {"at the threshold", 0.125, 0, -0.125, metrics_test::kXYZ, true, false},
        {"horizontal beyond", 0.375, 0.5, 0, metrics_test::kXYZ, true, true},
        {"vertical beyond", 0, 0, -0.25, metrics_test::kXYZ, true, true},
        {"height unknown, horizontal within", 0, 0.0625, 9, ValidFlag::Grid, true, false},
        {"nothing measured", 5, 5, 5, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        std::vector<GNSSRecord> records = timeline({{0, kSingle}});
        GNSSRecord fix = epoch(kFixed, c.dx, c.dy, c.dz, c.flags);
        fix.time = 1;
        records.push_back(fix);
        // A later, far worse fix must not change the verdict on the first.
        records.push_back(epoch(kFixed, 3, 3, 3));
        records.back().time = 2;
        const SessionAnalysis a = analyseSessions(records, kTruth, options);
        ASSERT_EQ(a.sessions.size(), 1U);
        EXPECT_EQ(a.sessions[0].firstFixJudged(), c.judged);
        EXPECT_EQ(a.sessions[0].firstFixWrong, c.wrong);
        EXPECT_EQ(a.summary.wrongFirstFixes, c.wrong ? 1U : 0U);
    }
}

TEST(SessionFigures, ConvergedWhenBelowTheLimitForTheWholeSpan)
{
    SessionOptions options;
    options.convergedMetres = 0.0625;
    options.convergedForSeconds = 3;
    std::vector<GNSSRecord> records;
    // dx per second from 1 (binary fractions, so exact beside the truth):
    // small, small, 0.25 (breaks the run), small, 0.0625 (at the limit:
    // breaks), small x4 -> converged from 6, 5 s after the start at 1.
    constexpr double kSmall = 0.015625;
    const double dx[] = {kSmall, kSmall, 0.25, kSmall, 0.0625, kSmall, kSmall, kSmall, kSmall};
    for (std::size_t i = 0; i < std::size(dx); ++i) {
        records.push_back(epoch(kFixed, dx[i], 0, 0));
        records.back().time = static_cast<double>(i) + 1;
    }
    const SessionAnalysis a = analyseSessions(records, kTruth, options);
    ASSERT_EQ(a.sessions.size(), 1U);
    EXPECT_EQ(a.sessions[0].timeToConverged, 5.0);

    options.convergedForSeconds = 4;  // the last run spans only 3 s
    EXPECT_FALSE(analyseSessions(records, kTruth, options).sessions[0].timeToConverged);
}

Session sessionFixedAt(std::optional<double> time)
{
    Session s;
    s.timeToFirstFixed = time;
    s.timeToFirstPosition = 0.0;
    if (time) {
        s.firstFixHorizontal = 0.0;
    }
    return s;
}

TEST(SessionSummaryFigures, NeverFixedSessionsRankAfterAllOthers)
{
    // Fix times 10, 20, 40 and one never: median (rank 2 of 4) 20; 95th
    // percentile (rank 4) falls on the never-fixed one and does not exist.
    std::vector<Session> sessions = {sessionFixedAt(40.0), sessionFixedAt(std::nullopt),
                                     sessionFixedAt(10.0), sessionFixedAt(20.0)};
    sessions[0].firstFixWrong = true;
    const double limits[] = {20, 60};
    const SessionSummary s = summariseSessions(sessions, limits);
    EXPECT_EQ(s.count, 4U);
    EXPECT_EQ(s.neverFixed, 1U);
    EXPECT_EQ(s.firstFixed.reached, 3U);
    EXPECT_EQ(s.firstFixed.median, 20.0);
    EXPECT_FALSE(s.firstFixed.p95);
    EXPECT_EQ(s.firstPosition.p95, 0.0);
    ASSERT_EQ(s.fixedWithin.size(), 2U);
    EXPECT_EQ(s.fixedWithin[0].share, 0.5);  // at the limit counts
    EXPECT_EQ(s.fixedWithin[1].share, 0.75);
    EXPECT_EQ(s.judgedFirstFixes, 3U);
    EXPECT_EQ(s.wrongFirstFixes, 1U);
    EXPECT_DOUBLE_EQ(s.wrongFirstFixShare, 1.0 / 3.0);
}

TEST(BinomialIntervals, WilsonScoreReferenceValues)
{
    // Reference values: the closed form evaluated in double precision
    // (z = 1.959964); 1 of 10 agrees with the published 0.0179 .. 0.4042.
    // Tolerance 1e-6.
    const BinomialInterval none = wilsonInterval95(0, 100);
    EXPECT_EQ(none.lower, 0.0);
    EXPECT_NEAR(none.upper, 0.036993, 1e-6);  // z^2 / (n + z^2)
    const BinomialInterval one = wilsonInterval95(1, 10);
    EXPECT_NEAR(one.lower, 0.017876, 1e-6);
    EXPECT_NEAR(one.upper, 0.404150, 1e-6);
    const BinomialInterval all = wilsonInterval95(20, 20);
    EXPECT_NEAR(all.lower, 0.838875, 1e-6);
    EXPECT_EQ(all.upper, 1.0);
    const BinomialInterval nothing = wilsonInterval95(0, 0);
    EXPECT_EQ(nothing.lower, 0.0);
    EXPECT_EQ(nothing.upper, 1.0);
}

TEST(SessionRequirements, TermsJudgeTheSessionsOfALog)
{
    // Sessions from 0 (fixed at once), 3 (fixed at 7, 0.5 m off: wrong),
    // 9 (never fixed) and, after the long step from 11 to 72, from 12, one
    // interval after the last record (fixed at 72: 60 s).
    std::vector<GNSSRecord> records =
        timeline({{0, kFixed}, {1, kFixed}, {2, kFixed}, {3, kNo}, {4, kNo}, {5, kSingle}, {6, kFloat}});
    GNSSRecord wrongFix = epoch(kFixed, 0.5, 0, 0);
    wrongFix.time = 7;
    records.push_back(wrongFix);
    for (const auto& [time, type] : {std::pair{8.0, kFixed}, {9.0, kNo}, {10.0, kNo}, {11.0, kSingle},
                                     {72.0, kFixed}}) {
        records.push_back(epoch(type, 0, 0, 0));
        records.back().time = time;
    }
    const LogFigures f = computeLogFigures(records, kTruthX, kTruthY, kTruthZ, 0.1);
    ASSERT_EQ(f.sessions, 4);
    EXPECT_EQ(f.sessionTimesToFix, (std::vector<double>{0, 4, 60}));
    EXPECT_FALSE(f.timeToFix95);  // rank 4 of 4 is the never-fixed third session
    EXPECT_EQ(f.wrongFirstFixShare, 1.0 / 3.0);

    const RequirementList list =
        parseRequirements("ttfix95<=60s, fixed-within-1min>=75%, fixed-within-59.5s>=75%, "
                          "wrong-first-fix<=1%, wrong-first-fix<=0.34");
    ASSERT_TRUE(list.error.empty()) << list.error;
    ASSERT_EQ(list.requirements.size(), 5U);
    EXPECT_EQ(list.requirements[1].figure, Figure::FixedWithin);
    EXPECT_EQ(list.requirements[1].withinSeconds, 60.0);
    const std::vector<Verdict> v = checkRequirements(list.requirements, f);
    EXPECT_FALSE(v[0].pass);  // no 95th percentile: fails
    EXPECT_FALSE(v[0].value);
    EXPECT_TRUE(v[1].pass);   // 3 of 4 within 60 s, the last at the limit
    EXPECT_EQ(v[1].value, 0.75);
    EXPECT_FALSE(v[2].pass);  // 2 of 4 within 59.5 s
    EXPECT_EQ(v[2].value, 0.5);
    EXPECT_FALSE(v[3].pass);
    EXPECT_TRUE(v[4].pass);

    for (const char* bad : {"fixed-within-60>=95%", "fixed-within->=95%", "fixed-within-60s>=95"}) {
        EXPECT_FALSE(parseRequirements(bad).error.empty()) << bad;
    }
}

// The Sessions window's texts: a figure that does not exist is "-", never
// a number made up for it, and the summary of no sessions has no shares.
TEST(SessionTableTexts, MissingFiguresAreDashesAndRowsFollowTheSessions)
{
    SessionAnalysis a;
    Session fixed;
    fixed.startTime = 36000.25;
    fixed.timeToFirstPosition = 0.0;
    fixed.timeToFirstFloat = 4.0;
    fixed.timeToFirstFixed = 12.5;
    fixed.firstFixHorizontal = 0.6;
    fixed.firstFixWrong = true;
    fixed.fixedShare = 0.875;
    fixed.horizontal95 = 0.0123;
    Session never;
    never.startTime = 36100.0;
    never.timeToFirstPosition = 3.0;
    a.sessions = {fixed, never};
    a.summary = summariseSessions(a.sessions, kDefaultFixedWithinSeconds);

    const std::vector<std::vector<std::string>> rows = sessionRows(a);
    ASSERT_EQ(rows.size(), 2U);
    ASSERT_EQ(rows[0].size(), sessionTableHeader().size());
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "36000.2", "0.0", "4.0", "12.5", "0.600", "yes", "-",
                                                 "87.5 %", "0.012"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "36100.0", "3.0", "-", "-", "-", "-", "-", "0.0 %", "-"}));

    const std::vector<std::string> lines = sessionSummaryLines(a.summary, 0.5);
    ASSERT_EQ(lines.size(), 7U);
    EXPECT_EQ(lines[0], "2 sessions, never fixed 1");
    // Rank 1 of 2 is the fixed session; rank 2 the one never fixed.
    EXPECT_EQ(lines[3], "Time to first fix: median 12.5 s, 95 % - s, reached in 1 session");
    EXPECT_EQ(lines[5], "Fixed within 30 s: 50.0 %, 60 s: 50.0 %, 120 s: 50.0 %, 300 s: 50.0 %");
    EXPECT_EQ(lines[6].rfind("Wrong first fixes (error > 0.500 m): 1 of 1 (100.0 %, 95 % interval ", 0), 0U)
        << lines[6];

    const std::vector<std::string> none = sessionSummaryLines(summariseSessions({}, kDefaultFixedWithinSeconds), 0.5);
    EXPECT_EQ(none[0], "0 sessions, never fixed 0");
    EXPECT_EQ(none[5], "Fixed within 30 s: -, 60 s: -, 120 s: -, 300 s: -");
    EXPECT_EQ(none[6], "Wrong first fixes (error > 0.500 m): 0 of 0");
}

}  // namespace
}  // namespace gnsslog
