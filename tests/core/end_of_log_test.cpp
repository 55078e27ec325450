// The end of a log: a last frame that lacks only its line end or carriage
// return is read, and a last frame the end cuts short loses only itself and
// is counted in the data quality. With and without the decoding thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "log/formats/Formats.h"
#include "log/formats/Framers.h"
#include "log/formats/ubx/UbxFramer.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

GNSSLog analyse(const std::string& log, const InputFormat& format, bool worker)
{
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    PipelineOptions options;
    if (worker) {
        options.workerMinFileSize = 0;
        options.batchBytes = 4096;
    }
    runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{}, format, options);
    return result;
}

// Solutions only: no garbage, no other frames and no cut ones, so the last
// bytes are the last solution's.
std::string cleanLog(LogFormat format)
{
    GeneratorOptions options;
    options.format = format;
    options.targetBytes = 4000;
    options.seed = 7;
    options.noiseShare = 0;
    options.garbageShare = 0;
    options.partialShare = 0;
    options.bootloaderShare = 0;
    return generateLog(options);
}

// Where the last frame a framer completes in log starts; the framer
// publishes it on the byte after its last one (NavCom's carriage return)
// when Closed.
template <typename Sniffer, bool Closed = false>
std::size_t lastFrameStart(const std::string& log)
{
    Sniffer sniffer;
    std::size_t start = log.size();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(log[i])) == SnifferStatus::Complete) {
            start = i + (Closed ? 0 : 1) - static_cast<std::size_t>(sniffer.frameLength());
        }
    }
    return start;
}

std::string withoutLineEnd(std::string log)
{
    while (!log.empty() && (log.back() == '\r' || log.back() == '\n')) {
        log.pop_back();
    }
    return log;
}

struct Row {
    const char* legend;
    LogFormat generated;
    const InputFormat& format;
    // Frames end in a line end or carriage return.
    bool terminated;
    // Start of the log's last frame; 0 where a cut line cannot be told
    // from a short one.
    std::function<std::size_t(const std::string&)> lastStart;
};

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = {
        {"NavCom", LogFormat::Navcom, navcomFormat(), true, lastFrameStart<NCTBINSniffer, true>},
        {"NMEA", LogFormat::Nmea, nmeaFormat(), true, lastFrameStart<NMEASniffer>},
        {"UBX", LogFormat::Ubx, ubxFormat(), false, lastFrameStart<UBXSniffer>},
        {".pos", LogFormat::Pos, posFormat(), true,
         [](const std::string&) { return std::size_t{0}; }},
    };
    return table;
}

TEST(EndOfLog, ALastFrameWithoutItsLineEndIsRead)
{
    for (const Row& row : rows()) {
        if (!row.terminated) {
            continue;
        }
        for (const bool worker : {false, true}) {
            SCOPED_TRACE(std::string(row.legend) + (worker ? " with worker" : ""));
            const std::string log = cleanLog(row.generated);
            const std::string unterminated = withoutLineEnd(log);
            ASSERT_LT(unterminated.size(), log.size());
            const GNSSLog whole = analyse(log, row.format, worker);
            const GNSSLog result = analyse(unterminated, row.format, worker);
            ASSERT_GT(whole.records.size(), 2u);
            std::string why;
            EXPECT_TRUE(testing::sameAnalysis(result, whole, &why)) << why;
            EXPECT_EQ(result.dataQuality.truncatedFrames, 0u);
            EXPECT_EQ(result.dataQuality.frames, whole.dataQuality.frames);
        }
    }
}

TEST(EndOfLog, ALastFrameCutShortLosesOnlyItselfAndIsCounted)
{
    for (const Row& row : rows()) {
        const std::string log = cleanLog(row.generated);
        const std::size_t start = row.lastStart(log);
        if (start == 0) {
            continue;
        }
        for (const bool worker : {false, true}) {
            SCOPED_TRACE(std::string(row.legend) + (worker ? " with worker" : ""));
            ASSERT_LT(start, log.size());
            const std::string before = log.substr(0, start);
            const std::string cut = log.substr(0, start + (log.size() - start) / 2);
            const GNSSLog reference = analyse(before, row.format, worker);
            const GNSSLog result = analyse(cut, row.format, worker);
            ASSERT_GT(reference.records.size(), 2u);
            EXPECT_EQ(result.records.size(), reference.records.size());
            EXPECT_EQ(result.dataQuality.frames, reference.dataQuality.frames);
            EXPECT_EQ(result.dataQuality.truncatedFrames, 1u);
            EXPECT_EQ(reference.dataQuality.truncatedFrames, 0u);
        }
    }
}

}  // namespace
}  // namespace gnsslog
