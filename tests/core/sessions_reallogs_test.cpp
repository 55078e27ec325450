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
    return analyseSessions(log.records, {log.truthX(), log.truthY(), log.truthZ()}, {});
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
