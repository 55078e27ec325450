// Differential checks: the same input in different shapes must give the
// same result.
//
// 1. Framers: a log fed byte by byte through feedByte, in one piece
//    through the block path feed(), and through feed() in random chunk
//    sizes gives the same frames.
// 2. Analysis: a log with garbage inserted between frames analyses exactly
//    like the log itself. What is safe to insert, and why:
//    - only at a point where the framer, fed the original log up to there,
//      is in its searching state (its last status was 0, or 3 for a
//      completed frame, which also leaves it searching). Inside a frame,
//      even a harmless-looking byte is a body, label or CRC byte and
//      changes or breaks the frame; right after a truncated frame the
//      framer may still be waiting for its drop;
//    - only bytes other than the start byte of the mode's framer ("[" for
//      NavCom, "$" for NMEA). In the searching state every other byte is
//      ignored and changes nothing that a later frame depends on (the next
//      "[" or "$" restarts the buffer and every counter from scratch).
//    So the garbage may hold anything else: CR, LF, "*", "]", bytes of
//    0x80 and above, and whole frames of the other format that happen not
//    to contain the start byte. Nothing in the result depends on where in
//    the file a frame lies, so records, counts, averages, maxima and
//    histograms must be identical; only the file size differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "log/Gpslog.h"
#include "log/formats/Framers.h"
#include "log/formats/navcom/Pvt1bDecoder.h"
#include "tests/core/pipeline_test_support.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

using testing::Frame;
using testing::framesByBlocks;
using testing::framesByteByByte;
using testing::sameAnalysis;
using testing::TempFile;

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

GeneratorOptions navcomOptions(std::uint64_t seed)
{
    GeneratorOptions options;
    options.format = LogFormat::Navcom;
    options.targetBytes = 300000;
    options.seed = seed;
    options.garbageShare = 0.2;
    options.partialShare = 0.2;
    options.badCrcShare = 0.05;
    options.bootloaderShare = 0.05;
    return options;
}

GeneratorOptions nmeaOptions(NmeaSolution solution, std::uint64_t seed)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.nmeaSolution = solution;
    options.targetBytes = 200000;
    options.seed = seed;
    options.garbageShare = 0.2;
    options.partialShare = 0.2;
    return options;
}

// Random chunk sizes, half of them 1 to 16 bytes and half up to 3000, so
// chunks end in every state of the framers.
std::vector<std::size_t> randomChunks(std::mt19937& random)
{
    std::vector<std::size_t> sizes(997);
    for (std::size_t& s : sizes) {
        s = 1 + random() % (random() % 2 == 0 ? 16 : 3000);
    }
    return sizes;
}

template <typename Sniffer>
void expectSameFramesInEveryShape(const std::string& log, std::mt19937& random,
                                  std::size_t expectedAtLeast)
{
    const std::vector<Frame> byByte = framesByteByByte<Sniffer>(bytesOf(log), log.size());
    EXPECT_GE(byByte.size(), expectedAtLeast);
    EXPECT_EQ(framesByBlocks<Sniffer>(bytesOf(log), log.size(), {}), byByte);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(framesByBlocks<Sniffer>(bytesOf(log), log.size(), randomChunks(random)),
                  byByte);
    }
    EXPECT_EQ(framesByBlocks<Sniffer>(bytesOf(log), log.size(), {1}), byByte);
}

TEST(DifferentialFramers, NavcomFramesAreTheSameFedByteByByteInOnePieceAndInRandomChunks)
{
    std::mt19937 random(7);
    for (std::uint64_t seed : {1, 2, 3}) {
        GeneratorStats stats;
        const std::string log = generateLog(navcomOptions(seed), &stats);
        SCOPED_TRACE(seed);
        expectSameFramesInEveryShape<NCTBINSniffer>(log, random, stats.solutionFrames);
    }
}

TEST(DifferentialFramers, NmeaFramesAreTheSameFedByteByByteInOnePieceAndInRandomChunks)
{
    std::mt19937 random(8);
    for (NmeaSolution solution : {NmeaSolution::Gga, NmeaSolution::LlkLlq, NmeaSolution::Orp}) {
        GeneratorStats stats;
        const std::string log = generateLog(nmeaOptions(solution, 4), &stats);
        SCOPED_TRACE(static_cast<int>(solution));
        expectSameFramesInEveryShape<NMEASniffer>(log, random, stats.solutionFrames);
    }
}

TEST(DifferentialFramers, RandomBytesRichInFrameCharactersGiveTheSameFrames)
{
    // Mostly the framers' own alphabet, so that states are entered and left
    // all the time; with a valid frame now and then.
    std::mt19937 random(9);
    const std::string alphabet = "[]$*\r\n\x08PVTGA1B0F9,ZK.-";
    std::string bytes;
    const std::string navcom = generateLog(navcomOptions(5));
    const std::string nmea = generateLog(nmeaOptions(NmeaSolution::Gga, 5));
    for (int i = 0; i < 400000; ++i) {
        const unsigned pick = random() % 1000;
        if (pick < 700) {
            bytes += alphabet[random() % alphabet.size()];
        } else if (pick < 998) {
            bytes += static_cast<char>(random() & 0xFF);
        } else {
            const std::string& source = (pick == 998) ? navcom : nmea;
            const std::size_t at = random() % (source.size() - 400);
            bytes += source.substr(at, 400);
        }
    }
    expectSameFramesInEveryShape<NCTBINSniffer>(bytes, random, 1);
    expectSameFramesInEveryShape<NMEASniffer>(bytes, random, 1);
}

// Points where the framer, fed log[0, i), is searching.
template <typename Sniffer>
std::vector<std::size_t> searchingPoints(const std::string& log)
{
    Sniffer sniffer;
    std::vector<std::size_t> points{0};
    for (std::size_t i = 0; i < log.size(); ++i) {
        const std::uint8_t status = sniffer.feedByte(static_cast<std::uint8_t>(log[i]));
        if (status == SnifferStatus::Searching || status == SnifferStatus::Complete) {
            points.push_back(i + 1);
        }
    }
    return points;
}

// Garbage without the start byte: random bytes, runs of the framers'
// other special characters, and frames of the other format.
std::string garbage(std::mt19937& random, char startByte, const std::vector<std::string>& foreign)
{
    std::string g;
    switch (random() % 3) {
    case 0: {
        const std::size_t n = 1 + random() % 64;
        for (std::size_t i = 0; i < n; ++i) {
            g += static_cast<char>(random() & 0xFF);
        }
        break;
    }
    case 1: {
        const std::string special = "[]$*\r\n\x08\xff\x80" "B]PVT1B0123456789ABCDEF,";
        const std::size_t n = 1 + random() % 16;
        for (std::size_t i = 0; i < n; ++i) {
            g += special[random() % special.size()];
        }
        break;
    }
    default:
        g = foreign[random() % foreign.size()];
        break;
    }
    g.erase(std::remove(g.begin(), g.end(), startByte), g.end());
    return g;
}

// Up to limit frames of log without the byte otherStart, each with its
// line ending.
template <typename Sniffer>
std::vector<std::string> framesOf(const std::string& log, char otherStart, const char* ending,
                                  std::size_t limit)
{
    std::vector<std::string> frames;
    for (const Frame& f : framesByteByByte<Sniffer>(bytesOf(log), log.size())) {
        if (frames.size() == limit) {
            break;
        }
        if (f.bytes.find(otherStart) == std::string::npos) {
            frames.push_back(f.bytes + ending);
        }
    }
    return frames;
}

// Inserts garbage at about one in every `spacing` safe points.
template <typename Sniffer>
std::string withGarbage(const std::string& log, char startByte,
                        const std::vector<std::string>& foreign, std::uint32_t seed,
                        std::size_t& inserted)
{
    std::mt19937 random(seed);
    const std::vector<std::size_t> points = searchingPoints<Sniffer>(log);
    std::string out;
    std::size_t from = 0;
    inserted = 0;
    for (std::size_t point : points) {
        if (random() % 20 != 0) {
            continue;
        }
        out.append(log, from, point - from);
        const std::string g = garbage(random, startByte, foreign);
        out += g;
        inserted += g.size();
        from = point;
    }
    out.append(log, from, std::string::npos);
    return out;
}

GNSSLog analyse(const std::string& content, bool navcom, std::uint8_t truthMode)
{
    const TempFile file(content, "differential");
    return GNSSLog(file.c_str(), nullptr, true, navcom, truthMode, 6672000.0, 2500000.0, 40.0);
}

void expectSameAnalysis(const std::string& log, const std::string& dirty, bool navcom)
{
    for (std::uint8_t truthMode : {TruthMode::Averaged, TruthMode::FirstFix, TruthMode::Manual}) {
        const GNSSLog clean = analyse(log, navcom, truthMode);
        const GNSSLog noisy = analyse(dirty, navcom, truthMode);
        ASSERT_GT(clean.records.size(), 100u);
        ASSERT_GT(clean.rtkFixCount, 0);
        std::string why;
        EXPECT_TRUE(sameAnalysis(clean, noisy, &why)) << "truth mode " << int{truthMode} << ": " << why;
    }
}

TEST(DifferentialGarbage, NavcomAnalysisIgnoresGarbageBetweenFrames)
{
    const std::string nmea = generateLog(nmeaOptions(NmeaSolution::Gga, 11));
    const std::vector<std::string> foreign = framesOf<NMEASniffer>(nmea, '[', "\r\n", 50);
    for (std::uint64_t seed : {21, 22}) {
        const std::string log = generateLog(navcomOptions(seed));
        std::size_t inserted = 0;
        const std::string dirty = withGarbage<NCTBINSniffer>(log, '[', foreign, 100 + seed, inserted);
        SCOPED_TRACE(seed);
        EXPECT_GT(inserted, log.size() / 20);
        expectSameAnalysis(log, dirty, true);
    }
}

TEST(DifferentialGarbage, NmeaAnalysisIgnoresGarbageBetweenSentences)
{
    const std::string navcom = generateLog(navcomOptions(12));
    const std::vector<std::string> foreign = framesOf<NCTBINSniffer>(navcom, '$', "\r", 50);
    ASSERT_FALSE(foreign.empty());
    for (NmeaSolution solution : {NmeaSolution::Gga, NmeaSolution::LlkLlq, NmeaSolution::Orp,
                                  NmeaSolution::OrpGrid}) {
        const std::string log = generateLog(nmeaOptions(solution, 23));
        std::size_t inserted = 0;
        const std::string dirty = withGarbage<NMEASniffer>(log, '$', foreign, 200, inserted);
        SCOPED_TRACE(static_cast<int>(solution));
        EXPECT_GT(inserted, log.size() / 20);
        expectSameAnalysis(log, dirty, false);
    }
}

TEST(DifferentialGarbage, AStartByteAtASafePointIsNotHarmlessAndTheComparisonSeesIt)
{
    // Control: a lone "[" right before a kept record's own "[" is a doubled
    // start byte and loses that frame, so the same comparison must see it.
    const std::string log = generateLog(navcomOptions(31));
    NCTBINSniffer sniffer;
    std::size_t start = std::string::npos;
    for (std::size_t i = 0; i < log.size() && start == std::string::npos; ++i) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(log[i])) != SnifferStatus::Complete ||
            i < 1000) {
            continue;
        }
        GNSSRecord record;
        decodePVT1B(record, sniffer.frameStart(), sniffer.frameLength(), true);
        if (record.valid == 1) {
            start = i - static_cast<std::size_t>(sniffer.frameLength());  // the CR is not stored
        }
    }
    ASSERT_NE(start, std::string::npos);
    ASSERT_EQ(log.compare(start, 7, "[PVT1B]"), 0);
    const std::string dirty = log.substr(0, start) + "[" + log.substr(start);
    const GNSSLog clean = analyse(log, true, TruthMode::Averaged);
    const GNSSLog noisy = analyse(dirty, true, TruthMode::Averaged);
    EXPECT_FALSE(sameAnalysis(clean, noisy));
    EXPECT_EQ(noisy.records.size() + 1, clean.records.size());
}

}  // namespace
}  // namespace gnsslog
