// Generated UBX, SBF and NovAtel logs read back through the whole pipeline
// record by record: the generator notes each record it means the analysis
// to make, and the decoded one must match it within what the format can
// carry (its resolution), with the same time, fix class, satellites, DOP
// and error estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

struct Kind {
    const char* legend;
    LogFormat format;
    UbxMessages ubxMessages;
    const char* formatName;
    double degrees;  // largest position difference the encoding allows, degrees
    double metres;   // largest height difference, metres
    bool hasDop;
};

// Tolerances: half the last digit or unit the log writes, and a little for
// the conversions on either side.
const Kind kKinds[] = {
    // NAV-PVT 1e-7 deg and mm; half of them finer through NAV-HPPOSLLH.
    {"ubx nav-pvt", LogFormat::Ubx, UbxMessages::Pvt, "ubx", 0.5e-7 + 1e-12, 0.5e-3 + 1e-9, true},
    // NAV-POSLLH 1e-7 deg and mm.
    {"ubx nav-sol", LogFormat::Ubx, UbxMessages::Sol, "ubx", 0.5e-7 + 1e-12, 0.5e-3 + 1e-9, true},
    // Radians and metres as doubles.
    {"sbf", LogFormat::Sbf, UbxMessages::Pvt, "sbf", 1e-12, 1e-9, true},
    // Degrees as doubles; height above sea level plus a float undulation.
    {"novatel binary", LogFormat::NovatelBinary, UbxMessages::Pvt, "novatel", 1e-12, 1e-9, false},
    // 11 decimals of a degree; height and undulation to 4 decimals each.
    {"novatel ascii", LogFormat::NovatelAscii, UbxMessages::Pvt, "novatel", 0.5e-11 + 1e-12, 1e-4 + 1e-9, false},
};

GeneratorOptions hostileOptions(const Kind& kind, std::uint64_t seed)
{
    GeneratorOptions o;
    o.format = kind.format;
    o.ubxMessages = kind.ubxMessages;
    o.seed = seed;
    o.targetBytes = 800000;
    o.garbageShare = 0.2;
    o.partialShare = 0.1;
    o.keepRecords = true;
    return o;
}

std::vector<GNSSRecord> readBack(const std::string& log, const InputFormat& format)
{
    GNSSLog analysis(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(analysis, reinterpret_cast<const std::uint8_t*>(log.data()), log.size(), nullptr,
                       DecodeOptions{}, format, PipelineOptions{});
    return analysis.records;
}

TEST(GeneratedRecords, EveryRecordMatchesWhatTheGeneratorMeantWithinTheFormatsResolution)
{
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.legend);
        GeneratorStats stats;
        const std::string log = generateLog(hostileOptions(kind, 31), &stats);
        // The log must exercise what the comparison checks.
        ASSERT_GT(stats.validRecords, 500u);
        ASSERT_GT(stats.invalidSolutions, 5u);
        ASSERT_GT(stats.partialFrames, 10u);
        ASSERT_GT(stats.garbageBytes, 1000u);
        ASSERT_EQ(stats.records.size(), stats.validRecords);

        const std::vector<GNSSRecord> records = readBack(log, *findInputFormat(kind.formatName));
        ASSERT_EQ(records.size(), stats.records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const GNSSRecord& got = records[i];
            const GeneratedRecord& meant = stats.records[i];
            SCOPED_TRACE("record " + std::to_string(i));
            ASSERT_EQ(got.time, meant.time);
            ASSERT_EQ(got.fixType, meant.fixType);
            ASSERT_NEAR(got.latitude, meant.latitude, kind.degrees);
            ASSERT_NEAR(got.longitude, meant.longitude, kind.degrees);
            ASSERT_NEAR(got.height, meant.height, kind.metres);
            ASSERT_EQ(got.satellites, meant.satellites);
            ASSERT_NE(got.validFlags & ValidFlag::ErrorEstimate, 0u);
            ASSERT_NEAR(got.errorEstimate, meant.errorEstimate, 1e-9 * meant.errorEstimate);
            if (kind.hasDop) {
                ASSERT_NE(got.validFlags & ValidFlag::Dop, 0u);
                ASSERT_NEAR(got.dop, meant.dop, 1e-12);
            } else {
                ASSERT_EQ(got.validFlags & ValidFlag::Dop, 0u);
            }
        }
    }
}

TEST(GeneratedRecords, EachFormatTellsTheFixClassesItHas)
{
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.legend);
        GeneratorStats stats;
        generateLog(hostileOptions(kind, 32), &stats);
        std::uint64_t counts[256] = {};
        for (const GeneratedRecord& r : stats.records) {
            ++counts[r.fixType];
        }
        EXPECT_GT(counts[FixType::StandAlone], 0u);
        EXPECT_EQ(counts[FixType::RtkX], 0u);
        if (kind.ubxMessages == UbxMessages::Sol) {
            // Receivers before NAV-PVT tell a differential fix, not a carrier solution.
            EXPECT_GT(counts[FixType::Dgnss], 0u);
            EXPECT_EQ(counts[FixType::RtkFixed] + counts[FixType::RtkFloat], 0u);
        } else {
            EXPECT_GT(counts[FixType::RtkFixed], 0u);
            EXPECT_GT(counts[FixType::RtkFloat], 0u);
            EXPECT_EQ(counts[FixType::RtkFixed], stats.fixedRecords);
        }
    }
}

TEST(GeneratedRecords, SbfAndNovatelLogsRunOnAcrossTheGpsWeek)
{
    // Saturday 23:50: the week ends ten minutes into the log, and the
    // records' seconds run on past 604800 instead of starting again.
    for (const LogFormat format : {LogFormat::Sbf, LogFormat::NovatelBinary, LogFormat::NovatelAscii}) {
        GeneratorOptions o;
        o.format = format;
        o.targetBytes = 400000;
        o.startMs = 604800000 - 600000;
        o.keepRecords = true;
        GeneratorStats stats;
        const std::string log = generateLog(o, &stats);
        const std::vector<GNSSRecord> records =
            readBack(log, *findInputFormat(format == LogFormat::Sbf ? "sbf" : "novatel"));
        ASSERT_EQ(records.size(), stats.records.size());
        ASSERT_GT(stats.endTime, 604800.0 + 60.0);
        EXPECT_EQ(records.back().time, stats.endTime);
        for (std::size_t i = 1; i < records.size(); ++i) {
            ASSERT_GT(records[i].time, records[i - 1].time) << i;
        }
    }
}

}  // namespace
}  // namespace gnsslog
