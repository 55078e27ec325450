// A log read as it grows (GrowingLogReader): fed in chunks of any size,
// cut anywhere, with hand-overs between them, it gives exactly the analysis
// of the whole log once it ends; every hand-over adds the next records of
// that analysis and never changes one handed over before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "log/ErrorPass.h"
#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/GrowingLogReader.h"
#include "log/Pipeline.h"
#include "log/quality/DataQualityText.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

GNSSLog wholeLogAnalysis(const std::string& bytes, const InputFormat& format, const DecodeOptions& options)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(log, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), nullptr,
                       options, format, PipelineOptions{});
    return log;
}

// Feeds bytes in chunks of 1 .. maxChunk bytes, handing over after about
// a third of them; each hand-over must add the whole analysis's next
// records (and restarts) and leave the earlier ones as they were.
GNSSLog grownAnalysis(const std::string& bytes, const InputFormat& format, const DecodeOptions& options,
                      const GNSSLog& whole, std::size_t maxChunk, std::uint32_t seed)
{
    GNSSLog shown(TruthMode::Averaged, 0, 0, 0);
    GrowingLogReader reader(format, options, 64);
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> chunkSize(1, maxChunk);
    std::size_t handOvers = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min(chunkSize(random), bytes.size() - at);
        reader.feed(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), n);
        at += n;
        if (random() % 3 != 0) {
            continue;
        }
        const std::size_t before = shown.records.size();
        reader.handOver(shown);
        ++handOvers;
        EXPECT_LE(shown.records.size(), whole.records.size());
        for (std::size_t i = before; i < std::min(shown.records.size(), whole.records.size()); ++i) {
            if (!testing::sameRecord(shown.records[i], whole.records[i])) {
                ADD_FAILURE() << "record " << i << " differs after hand-over " << handOvers;
                break;
            }
        }
        EXPECT_TRUE(shown.accuracy.empty() || shown.accuracy.size() == shown.records.size());
        EXPECT_LE(shown.restarts.size(), whole.restarts.size());
        EXPECT_TRUE(std::equal(shown.restarts.begin(), shown.restarts.end(), whole.restarts.begin(),
                               whole.restarts.begin() + static_cast<std::ptrdiff_t>(
                                                            std::min(shown.restarts.size(), whole.restarts.size()))));
        EXPECT_EQ(shown.dataQuality.recordsKept, shown.records.size());
    }
    reader.finish(shown);
    EXPECT_EQ(reader.bytesFed(), bytes.size());
    takeErrorFigures(shown, measureErrorFigures(shown, false));
    return shown;
}

void expectSameAnalysis(const GNSSLog& grown, const GNSSLog& whole)
{
    std::string why;
    EXPECT_TRUE(testing::sameAnalysis(grown, whole, &why)) << why;
    EXPECT_EQ(grown.restarts, whole.restarts);
    EXPECT_EQ(dataQualityLines(grown.dataQuality), dataQualityLines(whole.dataQuality));
    EXPECT_EQ(grown.frame, whole.frame);
    EXPECT_EQ(grown.gridConverted, whole.gridConverted);
    EXPECT_EQ(grown.frameOrigin.latitude, whole.frameOrigin.latitude);
    EXPECT_EQ(grown.frameOrigin.longitude, whole.frameOrigin.longitude);
}

// The whole analysis, for checks of its own.
GNSSLog expectGrowsIntoWholeAnalysis(const std::string& bytes, const InputFormat& format,
                                     const DecodeOptions& options = {})
{
    GNSSLog whole = wholeLogAnalysis(bytes, format, options);
    EXPECT_FALSE(whole.records.empty());
    // Byte by byte through frames, then in chunks longer than most frames.
    for (const std::size_t maxChunk : {std::size_t{7}, std::size_t{5000}}) {
        SCOPED_TRACE("chunks up to " + std::to_string(maxChunk) + " bytes");
        expectSameAnalysis(grownAnalysis(bytes, format, options, whole, maxChunk, 11), whole);
    }
    return whole;
}

struct GeneratedKind {
    const char* legend;
    LogFormat format;
    const InputFormat& (*reads)() noexcept;
    bool epochSentences;  // NMEA: GST (sigmas), GSA and ZDA after each solution
    std::int64_t resets;  // sessions with restarts marked, 0: the usual spells
};

const GeneratedKind kGeneratedKinds[] = {
    {"navcom", LogFormat::Navcom, navcomFormat, false, 0},
    {"nmea", LogFormat::Nmea, nmeaFormat, false, 0},
    {"nmea with sigmas and dates", LogFormat::Nmea, nmeaFormat, true, 0},
    {"nmea with restarts", LogFormat::Nmea, nmeaFormat, false, 6},
    {"ubx", LogFormat::Ubx, ubxFormat, false, 0},
    {"ubx with restarts", LogFormat::Ubx, ubxFormat, false, 6},
    {"pos", LogFormat::Pos, posFormat, false, 0},
    {"sbf", LogFormat::Sbf, sbfFormat, false, 0},
    {"novatel ascii", LogFormat::NovatelAscii, novatelFormat, false, 0},
    {"novatel binary", LogFormat::NovatelBinary, novatelFormat, false, 0},
};

std::string generated(const GeneratedKind& kind)
{
    GeneratorOptions options;
    options.format = kind.format;
    options.nmeaEpochSentences = kind.epochSentences;
    options.resets = kind.resets;
    options.targetBytes = 60000;
    options.seed = 7;
    options.garbageShare = 0.1;
    options.partialShare = 0.05;
    options.badCrcShare = 0.02;
    return generateLog(options);
}

TEST(GrowingLog, GeneratedLogsOfEveryFormatGrowIntoTheirWholeAnalysis)
{
    for (const GeneratedKind& kind : kGeneratedKinds) {
        SCOPED_TRACE(kind.legend);
        const GNSSLog whole = expectGrowsIntoWholeAnalysis(generated(kind), kind.reads());
        // What the hand-overs must carry over is there to carry.
        EXPECT_GT(whole.dataQuality.frames, whole.dataQuality.recordsKept);
        EXPECT_GT(whole.rtkFixCount, 0);
        if (kind.resets > 0) {
            EXPECT_GE(whole.restarts.size(), 3u);
        }
        if (kind.epochSentences) {
            EXPECT_FALSE(whole.accuracy.empty());
        }
    }
}

TEST(GrowingLog, RecordsWithAccuracyFiguresAfterOnesWithoutKeepTheirPlaces)
{
    // A log whose first epochs state no sigmas: the figures start in a
    // later hand-over, and the records before them get zeros.
    GeneratorOptions plainOptions;
    plainOptions.format = LogFormat::Nmea;
    plainOptions.targetBytes = 8000;
    plainOptions.seed = 3;
    GeneratorOptions sigmaOptions = plainOptions;
    sigmaOptions.nmeaEpochSentences = true;
    sigmaOptions.seed = 4;
    const std::string bytes = generateLog(plainOptions) + generateLog(sigmaOptions);
    const GNSSLog whole = wholeLogAnalysis(bytes, nmeaFormat(), {});
    ASSERT_FALSE(whole.accuracy.empty());
    ASSERT_EQ(whole.accuracy.front().sigmaNorth, 0.0f);
    ASSERT_GT(whole.accuracy.back().sigmaNorth, 0.0f);
    expectGrowsIntoWholeAnalysis(bytes, nmeaFormat());
}

TEST(GrowingLog, AnEnuFrameWaitsForTheLogsFirstPositionAsItsTangentPoint)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.targetBytes = 40000;
    options.seed = 5;
    // A start without any position: noise the decoder does not read.
    const std::string bytes = std::string(3000, 'x') + "\r\n" + generateLog(options);
    DecodeOptions enu;
    enu.frame = GridFrame{GridKind::Enu, 0};
    const GNSSLog whole = wholeLogAnalysis(bytes, nmeaFormat(), enu);
    ASSERT_NE(whole.frameOrigin.latitude, 0.0);
    expectGrowsIntoWholeAnalysis(bytes, nmeaFormat(), enu);

    // Nothing is handed over before the tangent point is known.
    GrowingLogReader reader(nmeaFormat(), enu);
    GNSSLog shown(TruthMode::Averaged, 0, 0, 0);
    reader.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), 3002);
    reader.handOver(shown);
    EXPECT_TRUE(shown.records.empty());
    EXPECT_EQ(shown.dataQuality.frames, 0u);
}

TEST(GrowingLog, FinishingTakesTheLastFrameAndTheRecordStillBeingAssembled)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.nmeaEpochSentences = true;
    options.targetBytes = 5000;
    options.partialShare = 0;
    options.garbageShare = 0;
    const std::string bytes = generateLog(options);
    const GNSSLog whole = wholeLogAnalysis(bytes, nmeaFormat(), {});
    GrowingLogReader reader(nmeaFormat(), {});
    GNSSLog shown(TruthMode::Averaged, 0, 0, 0);
    reader.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    reader.handOver(shown);
    // The last epoch waits for a sentence of the next one.
    EXPECT_LT(shown.records.size(), whole.records.size());
    reader.finish(shown);
    EXPECT_EQ(shown.records.size(), whole.records.size());
    // Bytes after the end are not taken; a second finish changes nothing.
    reader.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    reader.finish(shown);
    reader.handOver(shown);
    EXPECT_EQ(shown.records.size(), whole.records.size());
    EXPECT_EQ(reader.bytesFed(), bytes.size());
}

TEST(GrowingLog, AHandOverCountsTheFramesRejectedSoFarWhereverTheyWereRejected)
{
    // Frames rejected by the framer and by the decoder both count in a
    // hand-over before the log ends.
    for (const GeneratedKind& kind : {kGeneratedKinds[0], kGeneratedKinds[4]}) {
        SCOPED_TRACE(kind.legend);
        const std::string bytes = generated(kind);
        const GNSSLog whole = wholeLogAnalysis(bytes, kind.reads(), {});
        ASSERT_GT(whole.dataQuality.rejectedChecksum, 0u);
        GrowingLogReader reader(kind.reads(), {});
        GNSSLog shown(TruthMode::Averaged, 0, 0, 0);
        reader.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        reader.handOver(shown);
        EXPECT_EQ(shown.dataQuality.rejectedChecksum, whole.dataQuality.rejectedChecksum);
        EXPECT_EQ(dataQualityLines(shown.dataQuality).size(), dataQualityLines(whole.dataQuality).size());
    }
}

TEST(GrowingLog, ErrorFiguresMeasuredApartEqualTheCalculationPass)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.targetBytes = 200000;
    const std::string bytes = generateLog(options);
    for (const std::uint8_t mode : {TruthMode::Averaged, TruthMode::FirstFix, TruthMode::Manual}) {
        GNSSLog whole(mode, 6700000.5, 3400000.25, 40.0);
        runPipelineOnBytes(whole, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), nullptr,
                           DecodeOptions{true}, nmeaFormat(), PipelineOptions{});
        GNSSLog copy = whole;
        for (const bool split : {false, true}) {
            takeErrorFigures(copy, measureErrorFigures(whole, split));
            std::string why;
            EXPECT_TRUE(testing::sameAnalysis(copy, whole, &why)) << why << " mode " << int{mode};
        }
    }
}

fs::path realLogs()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GrowingLog, RealLogsOfEveryMakerGrowIntoTheirWholeAnalysis)
{
    if (!fs::is_directory(realLogs())) {
        GTEST_SKIP() << "no real logs at " << realLogs();
    }
    const char* const files[] = {
        "gpsd-ublox-zed-f9p-nmea.log",            // NMEA with GST
        "jdesbonnet-rover-20181004-1237.ubx",     // u-blox
        "alainmuls-analysegnss-schaffen-base.sbf",  // Septentrio
        "gavlab-ParsingData.ASC",                 // NovAtel ASCII
        "novatel-oem7driver-bestpos.gps",         // NovAtel binary
        "alainmuls-analysegnss-schaffen-rover-PPK.pos",
        "pygpsclient-ubxcartrip.log",             // u-blox on the move
        "gpsd-nmea-rtk.log",
    };
    std::size_t tested = 0;
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const fs::path path = realLogs() / name;
        if (!fs::exists(path)) {
            continue;
        }
        const InputFormat* format = detectLogFileFormat(path.c_str());
        ASSERT_NE(format, nullptr);
        std::string bytes = fileBytes(path);
        // The first 2 MB: enough to cross many hand-overs, quick in a sanitizer build.
        bytes.resize(std::min<std::size_t>(bytes.size(), 2'000'000));
        const GNSSLog whole = wholeLogAnalysis(bytes, *format, {});
        if (whole.records.empty()) {
            continue;
        }
        expectSameAnalysis(grownAnalysis(bytes, *format, {}, whole, 4096, 3), whole);
        ++tested;
    }
    EXPECT_GE(tested, 5u);
}

}  // namespace
}  // namespace gnsslog
