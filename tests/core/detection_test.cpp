// Telling the log format from a file's start, on generated logs of every
// format and on the real logs; and generated UBX and .pos logs through the
// whole pipeline against what the generator wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"
#include "tools/samplegen/Pvt1bEncoder.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

const std::uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

GeneratorOptions options(LogFormat format, std::uint64_t seed)
{
    GeneratorOptions o;
    o.format = format;
    o.seed = seed;
    o.targetBytes = 150000;
    return o;
}

std::vector<std::pair<std::string, GeneratorOptions>> generatedKinds()
{
    std::vector<std::pair<std::string, GeneratorOptions>> kinds = {
        {"navcom", options(LogFormat::Navcom, 1)},
        {"nmea", options(LogFormat::Nmea, 2)},
        {"ubx", options(LogFormat::Ubx, 3)},
    };
    GeneratorOptions olderUbx = options(LogFormat::Ubx, 9);
    olderUbx.ubxMessages = UbxMessages::Sol;
    kinds.emplace_back("ubx", olderUbx);
    kinds.emplace_back("sbf", options(LogFormat::Sbf, 10));
    kinds.emplace_back("novatel", options(LogFormat::NovatelAscii, 11));
    kinds.emplace_back("novatel", options(LogFormat::NovatelBinary, 12));
    GeneratorOptions llk = options(LogFormat::Nmea, 4);
    llk.nmeaSolution = NmeaSolution::Llk;
    kinds.emplace_back("nmea", llk);
    for (const PosSolutionStyle style : {PosSolutionStyle::Degrees, PosSolutionStyle::DegreesMinutes,
                                         PosSolutionStyle::Ecef, PosSolutionStyle::Baseline}) {
        for (const bool weekTime : {false, true}) {
            GeneratorOptions pos = options(LogFormat::Pos, 5 + static_cast<std::uint64_t>(style));
            pos.posStyle = style;
            pos.posWeekTime = weekTime;
            pos.garbageShare = 0.05;
            pos.partialShare = 0.05;
            kinds.emplace_back("pos", pos);
        }
    }
    return kinds;
}

TEST(FormatDetection, FindsTheFormatOfEveryGeneratedLog)
{
    for (const auto& [name, generator] : generatedKinds()) {
        SCOPED_TRACE(name + " style " + std::to_string(static_cast<int>(generator.posStyle)));
        const std::string log = generateLog(generator);
        const InputFormat* detected = detectInputFormat(bytesOf(log), log.size());
        ASSERT_NE(detected, nullptr);
        EXPECT_EQ(detected->name(), name);
        // Only the start counts: bytes beyond it change nothing.
        const std::string longer = log.substr(0, kDetectionBytes) + std::string(200000, '$');
        EXPECT_EQ(detectInputFormat(bytesOf(longer), longer.size()), detected);
    }
}

TEST(FormatDetection, NothingValidIsNoFormat)
{
    EXPECT_EQ(detectInputFormat(nullptr, 0), nullptr);
    const std::string text = "just some words\nand more words\n";
    EXPECT_EQ(detectInputFormat(bytesOf(text), text.size()), nullptr);
    // A sentence with a wrong checksum is no valid frame.
    const std::string bad = "$GPGGA,120000.00,6012.0,N,02454.0,E,1,08,1.0,10.0,M,17.0,M,,*00\r\n";
    EXPECT_EQ(countValidFrames(nmeaFormat(), bytesOf(bad), bad.size()), 0u);
    EXPECT_EQ(detectInputFormat(bytesOf(bad), bad.size()), nullptr);
    EXPECT_EQ(detectLogFileFormat("/nonexistent/gnsslog/log"), nullptr);
}

TEST(FormatDetection, ChecksumSwitchDecidesWhetherWrongNmeaChecksumsCount)
{
    // A receiver that writes wrong checksums throughout.
    std::string log;
    for (int second = 0; second < 5; ++second) {
        log += "$GPGGA,12000" + std::to_string(second) +
               ".00,6012.0,N,02454.0,E,1,08,1.0,10.0,M,17.0,M,,*00\r\n";
    }
    EXPECT_EQ(countValidFrames(nmeaFormat(), bytesOf(log), log.size(), true), 0u);
    EXPECT_EQ(countValidFrames(nmeaFormat(), bytesOf(log), log.size(), false), 5u);
    EXPECT_EQ(detectInputFormat(bytesOf(log), log.size(), true), nullptr);
    EXPECT_EQ(detectInputFormat(bytesOf(log), log.size(), false), &nmeaFormat());

    const fs::path path = fs::temp_directory_path() / "gnsslog_detection_wrong_checksums.nmea";
    std::ofstream(path, std::ios::binary) << log;
    EXPECT_EQ(detectLogFileFormat(path.string().c_str(), true), nullptr);
    EXPECT_EQ(detectLogFileFormat(path.string().c_str(), false), &nmeaFormat());
    // Where detection finds nothing, the file is read as NavCom.
    EXPECT_EQ(&detectedFormatOrFallback(path.string().c_str(), true), &navcomFormat());
    EXPECT_EQ(&detectedFormatOrFallback(path.string().c_str(), false), &nmeaFormat());
    EXPECT_EQ(&detectedFormatOrFallback("/nonexistent/gnsslog/log"), &navcomFormat());
    fs::remove(path);
}

TEST(FormatDetection, AWholeLogsLastLineCountsWithoutItsLineEnd)
{
    const std::string log =
        "%  GPST  latitude(deg) longitude(deg)  height(m)   Q  ns\n"
        "2137 100.0 60.1 24.9 10.0 1 9";
    EXPECT_EQ(countValidFrames(posFormat(), bytesOf(log), log.size()), 2u);
    // At the detection limit the bytes need not be the log's end.
    const std::string longer = std::string(kDetectionBytes - log.size(), '\n') + log;
    EXPECT_EQ(countValidFrames(posFormat(), bytesOf(longer), longer.size()), 1u);
}

TEST(FormatDetection, NavcomFramesWithAWrongCrcAreNotValid)
{
    // Messages the analysis does not decode as well as PVT1B: each counts
    // only with its CRC right.
    std::string good;
    for (const char* label : {"[MEAS1B]", "[EPHEM1B]", "[CHNLSTATUS1B]"}) {
        good += encodeNavcomMessage(label, std::string(7, '\x01') + std::string(40, 'x'));
    }
    ASSERT_EQ(countValidFrames(navcomFormat(), bytesOf(good), good.size()), 3u);
    EXPECT_EQ(detectInputFormat(bytesOf(good), good.size()), &navcomFormat());

    // Each message ends "*hhhh\r": change the last CRC digit of each.
    std::string bad = good;
    for (std::size_t at = bad.find('\r'); at != std::string::npos; at = bad.find('\r', at + 1)) {
        bad[at - 1] = bad[at - 1] == '0' ? '1' : '0';
    }
    EXPECT_EQ(countValidFrames(navcomFormat(), bytesOf(bad), bad.size()), 0u);
    EXPECT_EQ(detectInputFormat(bytesOf(bad), bad.size()), nullptr);
}

TEST(GeneratedLogs, UbxSbfNovatelAndPosLogsGiveWhatTheGeneratorWrote)
{
    for (const auto& [name, generator] : generatedKinds()) {
        if (name == "navcom" || name == "nmea") {
            continue;
        }
        SCOPED_TRACE(name + " style " + std::to_string(static_cast<int>(generator.posStyle)) +
                     (generator.posWeekTime ? " week" : " date") + " seed " + std::to_string(generator.seed));
        GeneratorStats stats;
        const std::string log = generateLog(generator, &stats);
        const InputFormat& format = *findInputFormat(name);
        GNSSLog plain(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(plain, bytesOf(log), log.size(), nullptr, DecodeOptions{}, format,
                           PipelineOptions{});
        PipelineOptions threaded;
        threaded.workerMinFileSize = 0;
        threaded.batchBytes = 8192;
        GNSSLog withWorker(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(withWorker, bytesOf(log), log.size(), nullptr, DecodeOptions{}, format,
                           threaded);
        std::string why;
        EXPECT_TRUE(testing::sameAnalysis(plain, withWorker, &why)) << why;

        ASSERT_EQ(plain.records.size(), stats.validRecords);
        EXPECT_EQ(static_cast<std::uint64_t>(plain.rtkFixCount), stats.fixedRecords);
        EXPECT_EQ(static_cast<std::uint64_t>(plain.fixLostCount), stats.fixLosses);
        EXPECT_EQ(plain.dataQuality.dayWraps, stats.dayWraps);
        EXPECT_DOUBLE_EQ(plain.startTime, stats.startTime);
        EXPECT_DOUBLE_EQ(plain.endTime, stats.endTime);
        std::uint64_t floats = 0;
        for (const GNSSRecord& r : plain.records) {
            floats += r.fixType == FixType::RtkFloat;
            ASSERT_TRUE(testing::allFinite(r));
        }
        EXPECT_EQ(floats, stats.floatRecords);
        if (name == "pos") {
            // Each garbage and cut line is one rejected solution line; the
            // header is not decoded.
            const auto& types = plain.dataQuality.framesByType;
            ASSERT_EQ(types.size(), 2u);
            EXPECT_EQ(types[0], (std::pair<std::string, std::uint64_t>{"%", 3}));
            EXPECT_EQ(types[1].second, stats.validRecords + plain.dataQuality.rejectedFrames);
            EXPECT_GE(plain.dataQuality.rejectedFrames, stats.partialFrames);
            EXPECT_GT(stats.partialFrames, 0u);
            EXPECT_EQ(plain.dataQuality.unreadFrames, 0u);
        }
    }
}

fs::path realLogFolder()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

TEST(FormatDetection, RealLogsLookLikeTheirFormat)
{
    std::error_code error;
    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        logs.push_back(entry.path());
    }
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs in " << realLogFolder();
    }
    std::size_t checked = 0;
    for (const fs::path& path : logs) {
        const std::string file = path.filename().string();
        SCOPED_TRACE(file);
        const InputFormat* detected = detectLogFileFormat(path.string().c_str());
        // Logs of one format only; mixed UBX and NMEA logs go to the side
        // with more valid frames, which the name does not tell.
        std::string expected;
        if (path.extension() == ".pos") {
            expected = "pos";
        } else if (file.find("nmea") != std::string::npos) {
            expected = "nmea";
        } else if (file == "rtklibexplorer-gnssimu-gnss_1730.ubx" || file == "gpsd-ublox-glo.log") {
            expected = "ubx";
        } else {
            continue;
        }
        ASSERT_NE(detected, nullptr);
        EXPECT_EQ(detected->name(), expected);
        ++checked;
    }
    EXPECT_GE(checked, 8u);
}

}  // namespace
}  // namespace gnsslog
