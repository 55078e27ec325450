// NMEA epochs told in several sentences, through the whole pipeline: GST
// estimates on the record of their time, GSA satellites, and the dates of
// RMC and ZDA deciding the day. Logs are written sentence by sentence here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "log/quality/DataQualityText.h"
#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "tests/core/pipeline_test_support.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

using testing::nmeaClock;
using testing::nmeaSentence;

constexpr double kDay = 86400.0;

GNSSLog analyse(const std::string& content, bool worker = false)
{
    GNSSLog analysis(TruthMode::Averaged, 0, 0, 0);
    PipelineOptions options;
    options.decodeWorker = worker;
    options.workerMinFileSize = 0;
    options.batchBytes = 256;  // many batches even for short logs
    runPipelineOnBytes(analysis, reinterpret_cast<const std::uint8_t*>(content.data()),
                       content.size(), nullptr, DecodeOptions{false}, nmeaFormat(),
                       options);
    return analysis;
}

std::string ggaAt(const std::string& clock, int quality = 4)
{
    return nmeaSentence("GNGGA," + clock + ",6010.0000,N,02450.0000,E," +
                        std::to_string(quality) + ",12,0.8,20.0,M,17.0,M,1.0,0001");
}

std::string gga(double time, int quality = 4) { return ggaAt(nmeaClock(time), quality); }

std::string gst(double time, const std::string& sigmas = "0.03,0.04,0.12")
{
    return nmeaSentence("GNGST," + nmeaClock(time) + ",1.2,,,," + sigmas);
}

// ddmmyy
std::string rmcAt(const std::string& clock, const char* date)
{
    return nmeaSentence("GNRMC," + clock + ",A,6010.0000,N,02450.0000,E,0.0,," + date + ",,,R,V");
}

std::string rmc(double time, const char* date) { return rmcAt(nmeaClock(time), date); }

std::string zda(double time, int day, int month, int year)
{
    char fields[40];
    std::snprintf(fields, sizeof fields, ",%02d,%02d,%04d,00,00", day, month, year);
    return nmeaSentence("GNZDA," + nmeaClock(time) + fields);
}

std::string gsa(const std::string& prns, int system)
{
    return nmeaSentence("GNGSA,A,3," + prns + ",1.0,0.6,0.8," + std::to_string(system));
}

// Twelve PRN fields from the first few.
std::string prns(std::vector<int> used)
{
    std::string text;
    for (std::size_t i = 0; i < 12; ++i) {
        if (i > 0) {
            text += ',';
        }
        if (i < used.size()) {
            text += std::to_string(used[i]);
        }
    }
    return text;
}

const double kEstimate = std::sqrt(0.03 * 0.03 + 0.04 * 0.04 + 0.12 * 0.12);

std::vector<double> times(const GNSSLog& log)
{
    std::vector<double> t;
    for (const GNSSRecord& r : log.records) {
        t.push_back(r.time);
    }
    return t;
}

TEST(NmeaEpochEstimate, GstLandsOnTheRecordOfItsTimeWhicheverComesFirst)
{
    struct Row {
        const char* legend;
        std::string log;
        std::vector<bool> estimated;  // per record
    };
    const Row rows[] = {
        {"after its GGA", gga(10) + gst(10) + gga(11) + gst(11), {true, true}},
        {"before its GGA", gst(10) + gga(10) + gst(11) + gga(11), {true, true}},
        {"mixed order", gga(10) + gst(10) + gst(11) + gga(11) + gga(12), {true, true, false}},
        {"GST of another time", gga(10) + gst(9) + gga(11), {false, false}},
        {"GST without a GGA", gst(10) + gst(11) + gga(12) + gst(13), {false}},
        {"empty sigmas", gga(10) + gst(10, ",,") + gga(11) + gst(11), {false, true}},
        {"sentences between", gga(10) + rmc(10, "010120") + gsa(prns({1, 2}), 1) + gst(10),
         {true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        for (const bool worker : {false, true}) {
            const GNSSLog log = analyse(row.log, worker);
            ASSERT_EQ(log.records.size(), row.estimated.size());
            for (std::size_t i = 0; i < log.records.size(); ++i) {
                const GNSSRecord& r = log.records[i];
                EXPECT_EQ(r.has(ValidFlag::ErrorEstimate), row.estimated[i]) << i;
                EXPECT_DOUBLE_EQ(r.errorEstimate, row.estimated[i] ? kEstimate : 0.0) << i;
                EXPECT_EQ(r.framePart, FramePart::Solution);
            }
        }
    }
    // A GST frame counts as read, an empty one as unusable.
    const GNSSLog counted = analyse(gga(10) + gst(10) + gst(11, ",,") + gga(11));
    EXPECT_EQ(counted.dataQuality.unreadFrames, 0u);
    EXPECT_EQ(counted.dataQuality.rejectedFrames, 1u);
    EXPECT_EQ(counted.dataQuality.recordsKept, 2u);
    EXPECT_EQ(counted.dataQuality.joinedFrames, 1u);
    const std::vector<std::string> lines = dataQualityLines(counted.dataQuality);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "  2 records kept, 1 frame joined to them; rejected: 0 checksum, "
                        "0 of types not read, 1 unusable");
    // Without joined frames the line reads as it always has.
    const GNSSLog plain = analyse(gga(10) + gga(11));
    EXPECT_EQ(dataQualityLines(plain.dataQuality)[2],
              "  2 records kept; rejected: 0 checksum, 0 of types not read, 0 unusable");
}

TEST(NmeaEpochEstimate, GgaOnlyLogsKeepTheirRecordsBitForBit)
{
    // Without the other sentences the records are exactly the decoder's
    // reading of each GGA, whichever thread decodes.
    std::string log;
    for (int i = 0; i < 50; ++i) {
        log += gga(std::fmod(86390.0 + i, kDay), i % 7 == 0 ? 5 : 4);
    }
    const GNSSLog here = analyse(log, false);
    const GNSSLog worker = analyse(log, true);
    std::string why;
    EXPECT_TRUE(testing::sameAnalysis(here, worker, &why)) << why;
    ASSERT_EQ(here.records.size(), 50u);
    for (const GNSSRecord& r : here.records) {
        EXPECT_FALSE(r.has(ValidFlag::ErrorEstimate));
        EXPECT_FALSE(r.has(ValidFlag::DatedTime));
        EXPECT_EQ(r.gpsSatellites, 0);
    }
    EXPECT_EQ(here.records[10].time, 86400.0);  // wrapped by the 100-second rule
    EXPECT_EQ(here.dataQuality.dayWraps, 1u);
}

TEST(NmeaEpochSatellites, GsaOfTheEpochAddUpPerSystem)
{
    const std::string epoch1 = gga(10) + gsa(prns({1, 2, 3}), 1) + gsa(prns({65, 70}), 2) +
                               gsa(prns({7, 12}), 3);
    // Before its GGA, after another sentence of its time.
    const std::string epoch2 = gst(11) + gsa(prns({5, 6, 7, 8, 66}), 0) + gga(11);
    const std::string epoch3 = rmc(12, "010120") + gsa(prns({9}), 1) + gga(12);
    const std::string epoch4 = gga(13);  // none
    const GNSSLog log = analyse(epoch1 + epoch2 + epoch3 + epoch4);
    ASSERT_EQ(log.records.size(), 4u);
    EXPECT_EQ(log.records[0].gpsSatellites, 3);
    EXPECT_EQ(log.records[0].glonassSatellites, 2);
    EXPECT_EQ(log.records[0].satellites, 12);  // the GGA's own count stays
    EXPECT_EQ(log.records[1].gpsSatellites, 4);
    EXPECT_EQ(log.records[1].glonassSatellites, 1);
    EXPECT_EQ(log.records[2].gpsSatellites, 1);
    EXPECT_EQ(log.records[3].gpsSatellites, 0);
    EXPECT_EQ(log.records[3].glonassSatellites, 0);
    // A GSA after an RMC of another epoch waits for a GGA of that epoch.
    const GNSSLog stale = analyse(rmc(20, "010120") + gsa(prns({1, 2}), 1) + gga(21));
    ASSERT_EQ(stale.records.size(), 1u);
    EXPECT_EQ(stale.records[0].gpsSatellites, 0);
}

TEST(NmeaDates, DateChangeAtMidnightContinuesTheClock)
{
    // The GGA of 00:00:00 comes before any RMC with the new date.
    const std::string log = rmc(86398, "311219") + gga(86398) + rmc(86399, "311219") +
                            gga(86399) + gga(0) + gga(1) + rmc(1, "010120");
    for (const bool worker : {false, true}) {
        const GNSSLog a = analyse(log, worker);
        EXPECT_EQ(times(a), (std::vector<double>{86398, 86399, kDay, kDay + 1}));
        for (const GNSSRecord& r : a.records) {
            EXPECT_TRUE(r.has(ValidFlag::DatedTime));
        }
        EXPECT_EQ(a.dataQuality.dayWraps, 0u);
        EXPECT_EQ(a.dataQuality.backwardSteps, 0u);
        EXPECT_EQ(a.startTime, 86398.0);
        EXPECT_EQ(a.endTime, kDay + 1);
    }
    // The RMC first, as u-blox writes them, and a GGA late after its date.
    const GNSSLog late = analyse(rmc(86399, "311219") + gga(86399) + rmc(0, "010120") +
                                 gga(86399.5) + gga(0) + zda(1, 1, 1, 2020) + gga(1));
    EXPECT_EQ(times(late), (std::vector<double>{86399, 86399.5, kDay, kDay + 1}));
}

TEST(NmeaDates, DaysFollowTheDateNotTheClock)
{
    // Across a month, a year and a GPS week boundary (Saturday to Sunday):
    // the date changes where the time of day passes midnight.
    const GNSSLog year = analyse(gga(86000) + zda(86000, 31, 12, 2022) + gga(10) + zda(10, 1, 1, 2023));
    EXPECT_EQ(times(year), (std::vector<double>{86000, kDay + 10}));
    EXPECT_EQ(year.dataQuality.datesIgnored, 0u);
    // Undated records before the first date keep the old rule, and the
    // dated ones continue them.
    const GNSSLog joined = analyse(gga(86390) + gga(5) + rmc(6, "020120") + gga(6) + gga(7));
    EXPECT_EQ(times(joined), (std::vector<double>{86390, kDay + 5, kDay + 6, kDay + 7}));
    EXPECT_FALSE(joined.records[1].has(ValidFlag::DatedTime));
    EXPECT_TRUE(joined.records[2].has(ValidFlag::DatedTime));
    EXPECT_EQ(joined.dataQuality.dayWraps, 1u);
}

TEST(NmeaDates, ADateThatJumpsWithoutPassingMidnightIsIgnoredAndCounted)
{
    struct Row {
        const char* legend;
        std::string log;
        std::vector<double> times;
        std::uint64_t ignored;
    };
    const Row rows[] = {
        {"two days on at 50 s after 100 s", rmc(100, "010120") + gga(100) + rmc(150, "030120") + gga(150),
         {100, 150}, 1},
        {"28 years back", rmc(100, "010120") + gga(100) + rmc(101, "010192") + gga(101) +
                              rmc(102, "010120") + gga(102),
         {100, 101, 102}, 1},
        {"a day on before midnight", gga(86000) + rmc(86000, "010120") + rmc(86100, "020120") +
                                         gga(86100) + rmc(10, "020120") + gga(10),
         {86000, 86100, kDay + 10}, 1},
        {"a day back after midnight", rmc(86390, "010120") + gga(86390) + rmc(5, "010120") + gga(5),
         {86390, kDay + 5}, 1},
        {"the new day at midnight", rmc(86390, "010120") + gga(86390) + rmc(5, "020120") + gga(5),
         {86390, kDay + 5}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const GNSSLog log = analyse(row.log);
        EXPECT_EQ(times(log), row.times);
        EXPECT_EQ(log.dataQuality.datesIgnored, row.ignored);
        const std::vector<std::string> lines = dataQualityLines(log.dataQuality);
        const bool said = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("1 date ignored") != std::string::npos;
        });
        EXPECT_EQ(said, row.ignored == 1);
    }
}

TEST(NmeaDates, OnlyAReceiverWithAFixGivesDates)
{
    // A void RMC is refused; a ZDA dates only while the latest position
    // sentence has a position.
    const GNSSLog voidRmc =
        analyse(nmeaSentence("GPRMC,000010.00,V,0000.0000,N,00000.0000,E,,,161206,,,N") + gga(10));
    ASSERT_EQ(voidRmc.records.size(), 1u);
    EXPECT_FALSE(voidRmc.records[0].has(ValidFlag::DatedTime));
    EXPECT_EQ(voidRmc.dataQuality.rejectedFrames, 1u);

    const GNSSLog zdaFirst = analyse(zda(10, 22, 8, 1999) + gga(10) + gga(11, 0) + zda(12, 22, 8, 1999) +
                                     gga(12, 0) + gga(13) + zda(13, 1, 1, 2020));
    ASSERT_EQ(zdaFirst.records.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(zdaFirst.records[i].has(ValidFlag::DatedTime)) << i;
    }
    EXPECT_TRUE(zdaFirst.records[3].has(ValidFlag::DatedTime));
    EXPECT_EQ(zdaFirst.dataQuality.datesIgnored, 0u);
}

TEST(NmeaDates, StepBackWithoutDateChangeIsAnAnomalyNotANewDay)
{
    // Today's rule would make 300 s after 1000 s a new day; with the date
    // it is a step back, counted.
    const std::string log = rmc(1000, "050520") + gga(1000) + rmc(300, "050520") + gga(300) +
                            gga(301) + rmc(302, "050520") + gga(302);
    const GNSSLog a = analyse(log);
    EXPECT_EQ(times(a), (std::vector<double>{1000, 300, 301, 302}));
    EXPECT_EQ(a.dataQuality.backwardSteps, 1u);
    EXPECT_EQ(a.dataQuality.dayWraps, 0u);
    EXPECT_EQ(a.endTime, 1000.0);
    const auto& w = a.dataQuality.warnings;
    EXPECT_TRUE(std::find(w.begin(), w.end(), "the clock stepped back 1 time") != w.end());

    // The same log without dates: the step back wraps into a new day.
    const GNSSLog undated = analyse(gga(1000) + gga(300) + gga(301) + gga(302));
    EXPECT_EQ(times(undated), (std::vector<double>{1000, kDay + 300, kDay + 301, kDay + 302}));
    EXPECT_EQ(undated.dataQuality.backwardSteps, 0u);
    EXPECT_EQ(undated.dataQuality.dayWraps, 1u);
}

TEST(NmeaDates, LeapSecondIsTheNextMidnight)
{
    // 23:59:60 reads as 86400 s, the very instant of the next midnight.
    const std::string log = rmc(86399, "311216") + gga(86399) + rmcAt("235960.00", "311216") +
                            ggaAt("235960.00") + rmc(0, "010117") + gga(0.5) +
                            zda(1.5, 1, 1, 2017) + gga(1.5);
    const GNSSLog a = analyse(log);
    EXPECT_EQ(times(a), (std::vector<double>{86399, 86400, kDay + 0.5, kDay + 1.5}));
    EXPECT_EQ(a.dataQuality.backwardSteps, 0u);
    EXPECT_EQ(a.dataQuality.dayWraps, 0u);
}

TEST(NmeaDates, GarbageDatesAreRefusedAndLeaveTheClockAlone)
{
    const GNSSLog a = analyse(rmc(10, "320120") + gga(10) + rmc(11, "") + gga(11) +
                              nmeaSentence("GNZDA,000012.00,1,1,2020,,") + gga(12));
    EXPECT_EQ(times(a), (std::vector<double>{10, 11, 12}));
    EXPECT_EQ(a.dataQuality.rejectedFrames, 3u);
    for (const GNSSRecord& r : a.records) {
        EXPECT_FALSE(r.has(ValidFlag::DatedTime));
    }
}

std::string gns(double time, const char* mode)
{
    return nmeaSentence("GNGNS," + nmeaClock(time) + ",6010.0000,N,02450.0000,E," + mode +
                        ",09,0.8,20.0,17.0,1.0,0001,V");
}

TEST(NmeaEpochSolutions, GnsBesideGgaOfTheSameTimeMakesNoSecondRecord)
{
    struct Row {
        const char* legend;
        std::string log;
        std::vector<double> times;
        std::vector<std::uint8_t> fixTypes;
    };
    const Row rows[] = {
        {"GNS alone", gns(10, "RR") + gns(11, "FN") + gns(12, "AN"), {10, 11, 12},
         {FixType::RtkFixed, FixType::RtkFloat, FixType::StandAlone}},
        {"GGA then GNS", gga(10, 5) + gns(10, "RR") + gga(11, 5) + gns(11, "RR"), {10, 11},
         {FixType::RtkFloat, FixType::RtkFloat}},
        {"GNS then GGA", gns(10, "RR") + gga(10, 5) + gst(10), {10}, {FixType::RtkFloat}},
        {"GNS, GST, GGA", gns(10, "DD") + gst(10) + gga(10, 4) + gns(11, "DD") + gga(11, 2),
         {10, 11}, {FixType::RtkFixed, 2}},
        {"GNS of another time", gga(10) + gns(11, "FF"), {10, 11},
         {FixType::RtkFixed, FixType::RtkFloat}},
        {"GGA repeated stays two records", gga(10) + gga(10), {10, 10},
         {FixType::RtkFixed, FixType::RtkFixed}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const GNSSLog log = analyse(row.log);
        EXPECT_EQ(times(log), row.times);
        std::vector<std::uint8_t> fixTypes;
        for (const GNSSRecord& r : log.records) {
            fixTypes.push_back(r.fixType);
            EXPECT_EQ(r.framePart, FramePart::Solution);
        }
        EXPECT_EQ(fixTypes, row.fixTypes);
    }
    // The GST reaches the GGA the GNS repeated.
    const GNSSLog estimated = analyse(gga(10) + gns(10, "R") + gst(10));
    ASSERT_EQ(estimated.records.size(), 1u);
    EXPECT_TRUE(estimated.records[0].has(ValidFlag::ErrorEstimate));
    // The GGA after its GNS keeps the GST and GSA that came between them,
    // and its own satellite count.
    const GNSSLog between = analyse(gns(10, "RR") + gst(10) + gsa(prns({1, 2, 3}), 1) + gga(10, 5));
    ASSERT_EQ(between.records.size(), 1u);
    const GNSSRecord& r = between.records[0];
    EXPECT_EQ(r.fixType, FixType::RtkFloat);
    EXPECT_TRUE(r.has(ValidFlag::ErrorEstimate));
    EXPECT_EQ(r.gpsSatellites, 3);
    EXPECT_EQ(r.satellites, 12);  // the GGA's; the GNS says 9
}

TEST(NmeaEpochSatellites, ASystemCountedTwiceEndsTheEpochsCounts)
{
    // The GGA of the second epoch was lost: its GSA must not add to the
    // first epoch's.
    const std::string log = gga(10) + gsa(prns({1, 2, 3}), 1) + gsa(prns({65}), 2) +
                            gsa(prns({4, 5}), 1) + gsa(prns({66, 67}), 2) + gga(12);
    const GNSSLog a = analyse(log);
    ASSERT_EQ(a.records.size(), 2u);
    EXPECT_EQ(a.records[0].gpsSatellites, 3);
    EXPECT_EQ(a.records[0].glonassSatellites, 1);
    EXPECT_EQ(a.records[1].gpsSatellites, 0);
    // Without system IDs the PRN ranges tell the systems apart.
    const GNSSLog ranges = analyse(gga(10) + gsa(prns({1, 2}), 0) + gsa(prns({70}), 0) +
                                   gsa(prns({3}), 0) + gga(11));
    EXPECT_EQ(ranges.records[0].gpsSatellites, 2);
    EXPECT_EQ(ranges.records[0].glonassSatellites, 1);
}

GeneratorOptions generated(NmeaSolution solution, bool epochSentences)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.nmeaSolution = solution;
    options.nmeaEpochSentences = epochSentences;
    options.targetBytes = 150000;
    options.startMs = 86100000;  // 23:55: both kinds of log cross midnight
    options.seed = 7;
    return options;
}

TEST(NmeaGeneratedEpochs, EpochSentencesAddEstimateSatellitesAndDateAndNothingElse)
{
    GeneratorStats plainStats;
    GeneratorStats fullStats;
    const std::string plainLog = generateLog(generated(NmeaSolution::Gga, false), &plainStats);
    const std::string fullLog = generateLog(generated(NmeaSolution::Gga, true), &fullStats);
    EXPECT_EQ(plainStats.epochFrames, 0u);
    EXPECT_GT(fullStats.epochFrames, 0u);
    for (const bool worker : {false, true}) {
        const GNSSLog plain = analyse(plainLog, worker);
        const GNSSLog full = analyse(fullLog, worker);
        ASSERT_EQ(full.records.size(), fullStats.validRecords);
        EXPECT_EQ(full.startTime, fullStats.startTime);
        EXPECT_EQ(full.endTime, fullStats.endTime);
        EXPECT_GT(full.endTime, kDay);
        EXPECT_EQ(full.dataQuality.dayWraps, fullStats.dayWraps);
        EXPECT_EQ(full.dataQuality.backwardSteps, 0u);
        EXPECT_EQ(full.rtkFixCount, static_cast<std::int32_t>(fullStats.fixedRecords));
        // The same solutions either way: the extra sentences draw nothing
        // from the generator's random source.
        const std::size_t common = std::min(plain.records.size(), full.records.size());
        ASSERT_GT(common, 100u);
        for (std::size_t i = 0; i < common; ++i) {
            const GNSSRecord& a = plain.records[i];
            const GNSSRecord& b = full.records[i];
            ASSERT_EQ(a.time, b.time) << i;
            ASSERT_EQ(a.latitude, b.latitude) << i;
            ASSERT_EQ(a.height, b.height) << i;
            ASSERT_EQ(a.fixType, b.fixType) << i;
            ASSERT_TRUE(b.has(ValidFlag::ErrorEstimate | ValidFlag::DatedTime)) << i;
            ASSERT_GT(b.errorEstimate, 0.0) << i;
            ASSERT_GE(b.gpsSatellites, 7) << i;
            ASSERT_LE(b.gpsSatellites, 12) << i;
            ASSERT_GE(b.glonassSatellites, 4) << i;
            ASSERT_LE(b.glonassSatellites, 8) << i;
        }
    }
}

TEST(NmeaGeneratedEpochs, GnsLogsKeepTheGeneratorsCounts)
{
    for (const bool epochSentences : {false, true}) {
        SCOPED_TRACE(epochSentences ? "with GST, GSA, ZDA" : "GNS only");
        GeneratorStats stats;
        const GNSSLog log = analyse(generateLog(generated(NmeaSolution::Gns, epochSentences), &stats));
        EXPECT_EQ(log.records.size(), stats.validRecords);
        EXPECT_EQ(log.rtkFixCount, static_cast<std::int32_t>(stats.fixedRecords));
        EXPECT_EQ(log.fixLostCount, static_cast<std::int32_t>(stats.fixLosses));
        EXPECT_EQ(log.endTime, stats.endTime);
        EXPECT_EQ(log.dataQuality.dayWraps, stats.dayWraps);
        EXPECT_EQ(stats.rtkxRecords, 0u);
    }
}

// An RMC of a receiver without a fix, with the date its clock believes.
std::string voidRmc(double time, const char* date)
{
    return nmeaSentence("GNRMC," + nmeaClock(time) + ",V,,,,,,," + date + ",,,N");
}

const std::string kBanner = nmeaSentence("GNTXT,01,01,02,u-blox AG - www.u-blox.com");

TEST(NmeaRestartMarkers, BannerAndColdStartDateMarkTheFirstRecordAfterThem)
{
    struct Row {
        const char* legend;
        std::string log;
        std::vector<std::size_t> restarts;
    };
    const std::string dated = rmc(0, "070419") + gga(0) + gga(1);
    const Row rows[] = {
        {"a banner between epochs", gga(0) + gga(1) + kBanner + gga(2, 0) + gga(3, 1), {2}},
        {"a banner in lower case",
         gga(0) + nmeaSentence("GPTXT,01,01,02,U-BLOX ag - www.u-blox.com") + gga(1), {1}},
        {"other texts mark nothing",
         gga(0) + nmeaSentence("GNTXT,01,01,01,NMEA unknown msg") +
             nmeaSentence("GNTXT,01,01,02,u-blox") + gga(1),
         {}},
        {"a banner before the first record or after the last", kBanner + gga(0) + kBanner, {}},
        {"two banners before one record mark it once", gga(0) + kBanner + kBanner + gga(1), {1}},
        {"a void RMC years back after a dated fix, before its GGA",
         dated + voidRmc(2, "161206") + gga(2, 0) + voidRmc(3, "300910") + gga(3, 0), {2}},
        {"the same after its GGA",
         dated + gga(2, 0) + voidRmc(2, "161206") + gga(3, 0) + voidRmc(3, "250910"), {2}},
        {"a void RMC of the day the clock reached marks nothing",
         dated + voidRmc(2, "070419") + gga(2, 0), {}},
        {"a void RMC far back before any date with a fix marks nothing",
         gga(0, 0) + voidRmc(0, "161206") + gga(1), {}},
        {"a second cold start after the next date with a fix",
         dated + voidRmc(2, "161206") + gga(2, 0) + rmc(3, "070419") + gga(3) +
             voidRmc(4, "010180") + gga(4, 0),
         {2, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        for (const bool worker : {false, true}) {
            const GNSSLog log = analyse(row.log, worker);
            EXPECT_EQ(log.restarts, row.restarts) << "worker " << worker;
        }
    }
    // The banner and the void RMC count in the data quality as they did
    // before they marked anything: a text unread, the RMC unusable.
    const GNSSLog counted = analyse(dated + kBanner + rmc(2, "070419") + gga(2) +
                                    voidRmc(3, "161206") + gga(3, 0));
    EXPECT_EQ(counted.restarts, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(counted.dataQuality.unreadFrames, 1u);
    EXPECT_EQ(counted.dataQuality.rejectedFrames, 1u);
    EXPECT_EQ(counted.dataQuality.recordsKept, 4u);
}

}  // namespace
}  // namespace gnsslog
