// The generator's moving receiver against its own reference, through
// gnsslog-report --reference: the injected errors come out as what they
// are, in every format, and reference gaps are counted, not bridged.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kTenHzMs = 100;
constexpr double kSpeed = 20;    // metres per second
constexpr double kRadius = 50;   // metres: 2.5 s a radian, a 0.25 s gap cuts a chord 12 mm off the arc
constexpr double kTuesdayNoonMs = (2 * 86400.0 + 12 * 3600.0) * 1000.0;

// A 50 m circle at 20 m/s sampled at 10 Hz, RTK fixed throughout.
GeneratorOptions circle(LogFormat format)
{
    GeneratorOptions o;
    o.format = format;
    o.targetBytes = 120000;
    o.epochIntervalMs = kTenHzMs;
    o.garbageShare = 0;
    o.partialShare = 0;
    o.trajectory.kind = TrajectoryKind::Circle;
    o.trajectory.speed = kSpeed;
    o.trajectory.radius = kRadius;
    o.trajectory.allFixed = true;
    return o;
}

struct Analysis {
    nlohmann::json reference;  // the report's reference block
    std::uint64_t roverEpochs = 0;
};

class TrajectoryTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("gnsslog-trajectory-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes rover and reference, and reads the report's reference block.
    Analysis analyse(const GeneratorOptions& options, const std::string& formatName,
                std::vector<std::string> extra = {})
    {
        const std::string rover = (dir_ / "rover.log").string();
        const std::string reference = (dir_ / "reference.csv").string();
        const GeneratorStats stats = writeLogAndReference(options, rover, reference);
        std::vector<std::string> args = {"--format", formatName, "--reference", reference, "--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(rover);
        const ToolRun run = runReportTool(args);
        EXPECT_EQ(run.status, ReportExit::Ok) << run.err;
        Analysis result;
        result.roverEpochs = stats.validRecords;
        if (run.status == ReportExit::Ok) {
            result.reference = nlohmann::json::parse(run.out)["reference"];
        }
        return result;
    }

    fs::path dir_;
};

// Each format's times reach the reference's GPS time: UTC ones with the
// leap seconds, times of day and of week completed from its date.
TEST_F(TrajectoryTest, EveryFormatMeetsItsReference)
{
    struct Case {
        const char* legend;
        LogFormat format;
        const char* name;
        bool weekTime;
        double rmsBelow;  // metres; UBX NAV-PVT resolves 1e-7 degrees, 11 mm north
    };
    const Case cases[] = {
        {"NMEA, UTC time of day", LogFormat::Nmea, "nmea", false, 0.02},
        {".pos, GPST dates", LogFormat::Pos, "pos", false, 0.02},
        {".pos, GPS week and seconds", LogFormat::Pos, "pos", true, 0.02},
        {"UBX, GPS time of week", LogFormat::Ubx, "ubx", false, 0.03},
        {"SBF", LogFormat::Sbf, "sbf", false, 0.02},
        {"NovAtel binary", LogFormat::NovatelBinary, "novatel", false, 0.02},
        {"NavCom", LogFormat::Navcom, "navcom", false, 0.02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        GeneratorOptions o = circle(c.format);
        o.posWeekTime = c.weekTime;
        o.startMs = c.format == LogFormat::Nmea || (c.format == LogFormat::Pos && !c.weekTime)
                        ? 12 * 3600 * 1000
                        : static_cast<std::int64_t>(kTuesdayNoonMs);
        const Analysis run = analyse(o, c.name);
        ASSERT_FALSE(run.reference.is_null());
        EXPECT_GT(run.roverEpochs, 300u);
        EXPECT_EQ(run.reference["matched"].get<std::uint64_t>(), run.roverEpochs);
        const auto& fixed = run.reference["classes"]["rtkFixed"];
        EXPECT_LT(fixed["horizontal"]["rms"].get<double>(), c.rmsBelow);
        // Everything moves at 20 m/s: every epoch has a direction.
        EXPECT_EQ(fixed["cross"]["count"], fixed["matched"]);
    }
}

TEST_F(TrajectoryTest, EpochsInAReferenceGapAreCountedAndLeftOut)
{
    GeneratorOptions o = circle(LogFormat::Pos);
    o.posWeekTime = true;
    o.trajectory.referenceGap = 3.0;
    const Analysis run = analyse(o, "pos");
    const auto& r = run.reference;
    ASSERT_FALSE(r.is_null());
    // The reference and rover share their 10 Hz instants: each reference
    // epoch left out is a rover epoch without truth (3 s: 29 or 30).
    const auto inGap = r["withoutTruth"]["inGap"].get<std::uint64_t>();
    EXPECT_GE(inGap, 29u);
    EXPECT_LE(inGap, 30u);
    EXPECT_EQ(r["matched"].get<std::uint64_t>() + inGap, run.roverEpochs);
    // Bridging 3 s of a 50 m circle would put those epochs metres off.
    EXPECT_LT(r["classes"]["all"]["horizontal"]["p95"].get<double>(), 0.03);
}

TEST_F(TrajectoryTest, AnEighteenSecondOffsetIsEighteenSeconds)
{
    GeneratorOptions o = circle(LogFormat::Pos);
    o.posWeekTime = true;
    o.trajectory.timeOffset = 18;
    const Analysis plain = analyse(o, "pos");
    ASSERT_FALSE(plain.reference.is_null());
    // 18 s along a 50 m circle at 20 m/s is 360 m of arc, about 7.2 rad:
    // the rover is tens of metres off nearly everywhere.
    EXPECT_GT(plain.reference["classes"]["all"]["horizontal"]["rms"].get<double>(), 20.0);

    const Analysis shifted = analyse(o, "pos", {"--time-offset", "-18"});
    const auto& r = shifted.reference;
    ASSERT_FALSE(r.is_null());
    // The rover's first 18 s fall before the reference starts.
    EXPECT_EQ(r["withoutTruth"]["outsideSpan"], 180);
    EXPECT_EQ(r["matched"].get<std::uint64_t>() + 180, shifted.roverEpochs);
    EXPECT_LT(r["classes"]["all"]["horizontal"]["rms"].get<double>(), 0.02);
}

// Without the analysis knowing of them, the injected errors show where a
// vehicle feels them: a lever arm across the track, a latency along it.
TEST_F(TrajectoryTest, LeverArmAndLatencyShowAcrossAndAlongTheTrack)
{
    GeneratorOptions o = circle(LogFormat::Pos);
    o.posWeekTime = true;
    o.trajectory.leverArmRight = 1.0;
    const Analysis arm = analyse(o, "pos");
    ASSERT_FALSE(arm.reference.is_null());
    const auto& armFixed = arm.reference["classes"]["rtkFixed"];
    EXPECT_NEAR(armFixed["cross"]["mean"].get<double>(), 1.000, 0.005);
    EXPECT_NEAR(armFixed["along"]["mean"].get<double>(), 0.0, 0.005);

    o.trajectory.leverArmRight = 0;
    o.trajectory.latencyMs = 30;
    const Analysis late = analyse(o, "pos");
    ASSERT_FALSE(late.reference.is_null());
    const auto& lateFixed = late.reference["classes"]["rtkFixed"];
    // 30 ms at 20 m/s: 0.6 m behind, and on the clockwise circle the
    // arc's sag (0.6^2 / 100 m, 3.6 mm) to the inside, the right.
    EXPECT_NEAR(lateFixed["along"]["mean"].get<double>(), -0.600, 0.005);
    EXPECT_NEAR(lateFixed["cross"]["mean"].get<double>(), 0.0036, 0.002);
}

// What the report estimates from the errors: the latency from the along
// error against speed, the lever arm taken off, the whole-second shift.
TEST_F(TrajectoryTest, TheReportRecoversTheInjectedLatencyLeverArmAndOffset)
{
    GeneratorOptions o = circle(LogFormat::Pos);
    o.posWeekTime = true;
    o.trajectory.latencyMs = 30;
    const Analysis late = analyse(o, "pos");
    ASSERT_FALSE(late.reference.is_null());
    EXPECT_NEAR(late.reference["latency_s"].get<double>(), 0.030, 0.002);

    o.trajectory.latencyMs = 0;
    o.trajectory.leverArmRight = 1.0;
    const Analysis arm = analyse(o, "pos", {"--lever-arm", "0", "1", "0"});
    ASSERT_FALSE(arm.reference.is_null());
    EXPECT_LT(std::fabs(arm.reference["classes"]["rtkFixed"]["cross"]["mean"].get<double>()), 0.005);

    o.trajectory.leverArmRight = 0;
    o.trajectory.timeOffset = 18;
    const Analysis apart = analyse(o, "pos");
    ASSERT_FALSE(apart.reference.is_null());
    const auto& warnings = apart.reference["warnings"];
    ASSERT_TRUE(warnings.is_array());
    EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                        "the rover and the reference look 18 s apart (UTC against GPS time?)"),
              warnings.end())
        << warnings.dump();
}

}  // namespace
}  // namespace gnsslog
