// Sessions of real receiver logs, checked by hand once and kept as
// regression values with the reasoning beside them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "metrics/SessionSummary.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

fs::path realLog(const char* name)
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs" / name;
}

SessionAnalysis sessionsOfLog(const fs::path& path)
{
    const InputFormat* format = detectLogFileFormat(path.c_str());
    const InputFormat& chosen = format != nullptr ? *format : nmeaFormat();
    const GNSSLog log(path.c_str(), nullptr, DecodeOptions{}, chosen, TruthMode::Averaged, 0, 0, 0);
    return analyseSessions(log.records, {log.truthX(), log.truthY(), log.truthZ()}, {},
                           log.restarts);
}

#define SKIP_WITHOUT(path)                                                 \
    if (!fs::is_regular_file(path)) {                                      \
        GTEST_SKIP() << (path).string() << " not found (real logs absent)"; \
    }

TEST(SessionsOfRealLogs, ColdBootIsARestartWithoutAPosition)
{
    // A GPS-320FW cold boot: two positioned epochs, then the receiver
    // restarts and the rest of the log has quality 0. The restart's date
    // (another day) is one a receiver without a fix makes up, so it is
    // ignored and the epochs keep the log's own day; the run without a
    // position is far beyond the 2 s gap, so the restart opens a second
    // session, later than the first, which never gets a position.
    const fs::path path = realLog("gpsd-gp-320fw-2019-04-07-coldboot.log");
    SKIP_WITHOUT(path);
    const SessionAnalysis a = sessionsOfLog(path);
    ASSERT_EQ(a.sessions.size(), 2U);
    EXPECT_EQ(a.sessions[0].timeToFirstPosition, 0.0);
    EXPECT_GT(a.sessions[1].startTime, a.sessions[0].startTime);
    // Both sessions lie in the minutes the log covers, not a day apart.
    EXPECT_LT(a.sessions[1].startTime - a.sessions[0].startTime, 60.0);
    EXPECT_FALSE(a.sessions[1].timeToFirstPosition);
    EXPECT_EQ(a.summary.neverFixed, 2U);
}

TEST(SessionsOfRealLogs, ColdBootMarksItsRestartWhereItsDateJumpsBack)
{
    // Checked by hand: the RMC of 00:03:45 (status A) dates 2019-04-07;
    // after the $PLCS line of the reboot the RMC of 23:59:48 (status V)
    // says 2006-12-16, years back, and later void RMCs wander (2010-09-30,
    // 2010-09-25, 1999-08-22) without a date with a fix between. So one
    // restart, after the two positioned GGA, before the first GGA of
    // quality 0 (23:59:52); every GGA after it is of quality 0.
    const fs::path path = realLog("gpsd-gp-320fw-2019-04-07-coldboot.log");
    SKIP_WITHOUT(path);
    const GNSSLog log(path.c_str(), nullptr, DecodeOptions{}, nmeaFormat(), TruthMode::Averaged,
                      0, 0, 0);
    ASSERT_EQ(log.restarts.size(), 1U);
    const std::size_t r = log.restarts[0];
    ASSERT_GT(r, 0U);
    ASSERT_LT(r, log.records.size());
    EXPECT_NE(log.records[r - 1].fixType, FixType::NoPosition);
    for (std::size_t i = r; i < log.records.size(); ++i) {
        EXPECT_EQ(log.records[i].fixType, FixType::NoPosition) << i;
    }

    // The marker alone cuts the log where the gap rule does.
    SessionOptions markers;
    markers.cutting = SessionCutting::Markers;
    const TruthPoint truth{log.truthX(), log.truthY(), log.truthZ()};
    const SessionAnalysis byMarkers = analyseSessions(log.records, truth, markers, log.restarts);
    const SessionAnalysis byGaps = analyseSessions(log.records, truth, {}, log.restarts);
    ASSERT_EQ(byMarkers.sessions.size(), 2U);
    ASSERT_EQ(byGaps.sessions.size(), 2U);
    EXPECT_EQ(byMarkers.sessions[1].firstIndex, r);
    EXPECT_EQ(byGaps.sessions[1].firstIndex, r);
}

TEST(SessionsOfRealLogs, RoversThatLoseTheFixButNotThePositionAreOneSession)
{
    // NEO-M8P rovers: an independent scan of their GGA finds no quality 0
    // and no step over 1 s, so each log is one session; the first float
    // (quality 5 or 4) and the first fix (4) come, from the first GGA, at
    // 44 and 213 s, and at 282 and 424 s.
    struct Case {
        const char* log;
        double toFloat;
        double toFix;
    } cases[] = {{"jdesbonnet-rover-20181009-1221.ubx", 44, 213},
                 {"jdesbonnet-rover-20181104-1634.ubx", 282, 424}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        const fs::path path = realLog(c.log);
        SKIP_WITHOUT(path);
        const SessionAnalysis a = sessionsOfLog(path);
        ASSERT_EQ(a.sessions.size(), 1U);
        EXPECT_EQ(a.sessions[0].timeToFirstPosition, 0.0);
        EXPECT_EQ(a.sessions[0].timeToFirstFloat, c.toFloat);
        EXPECT_EQ(a.sessions[0].timeToFirstFixed, c.toFix);
        EXPECT_GT(a.sessions[0].fixedShare, 0.0);
        EXPECT_LT(a.sessions[0].fixedShare, 1.0);
    }
}

}  // namespace
}  // namespace gnsslog
