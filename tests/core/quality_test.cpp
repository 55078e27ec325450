// NMEA checksums and the data-quality figures of an analysis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "log/quality/DataQualityText.h"
#include "log/formats/Formats.h"
#include "log/formats/nmea/NmeaChecksum.h"
#include "log/quality/QualityTally.h"
#include "log/Pipeline.h"
#include "tests/core/pipeline_test_support.h"
#include "tools/samplegen/NmeaWriter.h"

namespace gnsslog {
namespace {

using testing::llk;
using testing::nmeaSentence;

bool checksumMatches(const std::string& sentence)
{
    return nmeaChecksumMatches(reinterpret_cast<const std::uint8_t*>(sentence.data()),
                               static_cast<std::int32_t>(sentence.size()));
}

TEST(NmeaChecksum, XorOfTheBytesBetweenDollarAndStar)
{
    const std::string good = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    EXPECT_TRUE(checksumMatches(good));
    EXPECT_FALSE(checksumMatches(good.substr(0, good.size() - 1) + "B"));
    EXPECT_FALSE(checksumMatches(good.substr(0, good.size() - 2) + "6a"));  // lower case
    EXPECT_FALSE(checksumMatches(good.substr(0, good.size() - 2) + "6:"));  // not a digit
    EXPECT_FALSE(checksumMatches("$GPGGA,1,2"));                              // no "*"
    EXPECT_TRUE(checksumMatches("$*00"));  // nothing to sum
    EXPECT_FALSE(checksumMatches("$*01"));
    EXPECT_TRUE(checksumMatches("$A*41"));
    EXPECT_FALSE(checksumMatches("A*41"));  // no "$"
    EXPECT_FALSE(checksumMatches(""));
    EXPECT_FALSE(nmeaChecksumMatches(nullptr, 0));
    const std::string built = nmeaSentence("GPLLK,120000.00,010126,1,M,2,M,3,12,1.5,4,M");
    EXPECT_TRUE(checksumMatches(built.substr(0, built.size() - 2)));  // without CR LF

    // Every length from 0 to 40 summed bytes, each byte of each position
    // flipped once: the sum sees every byte, however the bytes are grouped.
    for (std::size_t n = 0; n <= 40; ++n) {
        std::string body;
        for (std::size_t i = 0; i < n; ++i) {
            body += static_cast<char>('A' + (i * 7) % 26);
        }
        const std::string sentence = nmeaSentence(body);
        const std::string plain = sentence.substr(0, sentence.size() - 2);
        ASSERT_TRUE(checksumMatches(plain)) << n;
        for (std::size_t i = 1; i <= n; ++i) {
            std::string changed = plain;
            changed[i] = static_cast<char>(changed[i] ^ 0x01);
            EXPECT_FALSE(checksumMatches(changed)) << n << " " << i;
        }
    }
}

GNSSLog analyse(const std::string& log, bool verifyChecksum, bool navcom = false)
{
    GNSSLog analysis(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(analysis, reinterpret_cast<const std::uint8_t*>(log.data()), log.size(),
                       nullptr, DecodeOptions{true},
                       withChecksumCheck(navcom ? navcomFormat() : nmeaFormat(), verifyChecksum),
                       PipelineOptions{});
    return analysis;
}

std::string gga(double seconds, double latitude, double height, int quality = 4)
{
    GgaFields f;
    f.centiseconds = static_cast<std::int64_t>(std::llround(seconds * 100));
    f.latitude = latitude;
    f.longitude = 24.9;
    f.quality = quality;
    f.satellites = 12;
    f.hdop = 0.8;
    f.heightMetres = height;
    f.geoidSeparation = 17.5;
    return ggaSentence(f, "GN");
}

// A GGA cut short runs into an RMC: the sentence ends with the RMC's
// checksum, which does not fit the whole, and the fields read as an
// RTK-fixed solution with an absurd height.
const std::string kCutGga =
    "$GNGGA,161831.50,2844.05121,N,01352.01240,W,4,12,$GNRMC,161831.62,A,2844.05123,N,"
    "01352.01237,W,0.987,23.26,160419,,,R,V*0E\r\n";

TEST(NmeaChecksum, ACorruptSentenceIsRejectedAndCountedUnlessTurnedOff)
{
    const std::string log = gga(100, 28.73, 60.0) + kCutGga + gga(101, 28.73, 60.1);
    const GNSSLog verified = analyse(log, true);
    ASSERT_EQ(verified.records.size(), 2u);
    EXPECT_EQ(verified.dataQuality.rejectedChecksum, 1u);
    EXPECT_NEAR(verified.avgZ, 60.1, 1e-9);  // the mean of the records after the first
    EXPECT_LT(verified.maxErrorZ, 1.0);

    const GNSSLog literal = analyse(log, false);
    ASSERT_EQ(literal.records.size(), 3u);
    EXPECT_EQ(literal.dataQuality.rejectedChecksum, 0u);
    EXPECT_GT(literal.records[1].height, 1000.0);  // what the cut sentence reads as
}

TEST(DataQuality, FramesByTypeAndWhatBecameOfThem)
{
    // A type the decoder does not read (RMC is read for its date now).
    const std::string vtg = nmeaSentence("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    const std::string badGga = nmeaSentence("GPGGA,100000.00,,N,02454.000,E,4,12,0.8,40,M,17,M,,");
    std::string log = vtg + gga(1, 60.2, 40) + badGga + gga(2, 60.2, 40);
    log += "$GPGGA,broken*00\r\n";
    const DataQuality q = analyse(log, true).dataQuality;
    EXPECT_EQ(q.frames, 5u);
    ASSERT_EQ(q.framesByType.size(), 3u);
    EXPECT_EQ(q.framesByType[0], (std::pair<std::string, std::uint64_t>{"$GPVTG", 1}));
    EXPECT_EQ(q.framesByType[1], (std::pair<std::string, std::uint64_t>{"$GNGGA", 2}));
    EXPECT_EQ(q.framesByType[2], (std::pair<std::string, std::uint64_t>{"$GPGGA", 2}));
    EXPECT_EQ(q.recordsKept, 2u);
    EXPECT_EQ(q.unreadFrames, 1u);
    EXPECT_EQ(q.rejectedFrames, 1u);
    EXPECT_EQ(q.rejectedChecksum, 1u);
    EXPECT_EQ(q.recordsKept + q.unreadFrames + q.rejectedFrames + q.rejectedChecksum, q.frames);
}

// Types that share their length and ends, more types than the tally's
// index has slots, lengths either side of each word size: every type keeps
// a count of its own, in the order of first appearance.
TEST(DataQuality, FrameTypeTallyKeepsEveryTypeApart)
{
    std::vector<std::string> types = {"", "$", "$GP", "[AB]", "$GPGGA", "$GPGSA", "$GAGGA", "[PVT1B]",
                                      "[ALM1B]", "[MEAS1B]", "[EPHEM1B]", "[CHNLSTATUS1B]",
                                      "[CHNLSTATVS1B]", "[A234567890123456]", "[A234567890123457]"};
    for (int i = 0; i < 100; ++i) {
        types.push_back("[T" + std::to_string(i) + "]");
    }
    FrameTypeTally tally;
    for (int round = 1; round <= 3; ++round) {
        for (std::size_t i = 0; i < types.size(); ++i) {
            for (std::size_t k = 0; k < 1 + i % 3; ++k) {
                tally.add(types[(i * 7) % types.size()]);
            }
        }
    }
    DataQuality quality;
    tally.moveInto(quality);
    ASSERT_EQ(quality.framesByType.size(), types.size());
    std::uint64_t frames = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::size_t t = (i * 7) % types.size();
        EXPECT_EQ(quality.framesByType[i].first, types[t]);
        EXPECT_EQ(quality.framesByType[i].second, 3 * (1 + i % 3)) << types[t];
        frames += quality.framesByType[i].second;
    }
    EXPECT_EQ(quality.frames, frames);
}

TEST(DataQuality, ClockStepsBackWrapsAndGaps)
{
    std::string log;
    for (int i = 0; i < 20; ++i) {
        log += gga(86380 + i, 60.2, 40);  // 86380 .. 86399
    }
    log += gga(0.5, 60.2, 40);   // midnight: a new day
    log += gga(1.5, 60.2, 40);
    log += gga(1.0, 60.2, 40);   // half a second back: not a new day
    log += gga(2.0, 60.2, 40);
    log += gga(10.0, 60.2, 40);  // 8 s step: a gap against the 1 s median
    const DataQuality q = analyse(log, true).dataQuality;
    EXPECT_EQ(q.dayWraps, 1u);
    EXPECT_EQ(q.backwardSteps, 1u);
    EXPECT_EQ(q.medianInterval, 1.0);
    EXPECT_EQ(q.gaps, 1u);
    EXPECT_EQ(q.recordsKept, 25u);
}

TEST(DataQuality, ResolutionOfTheLogsNumbersAndItsWarning)
{
    // Latitudes in steps of 1e-5 minute and heights in steps of 0.1 m, as a
    // u-blox receiver writes them.
    std::string log;
    const double minute = 1.0 / 60.0;
    for (int i = 0; i < 30; ++i) {
        log += gga(i, 60.0 + (i % 3) * 1e-5 * minute, 40.0 + (i % 2) * 0.1);
    }
    const DataQuality q = analyse(log, true).dataQuality;
    // 1e-5 minute of latitude is 1.85 cm at 60 degrees north.
    EXPECT_NEAR(q.resolution.north, 0.0186, 0.0002);
    EXPECT_NEAR(q.resolution.height, 0.1, 1e-6);
    EXPECT_TRUE(std::isnan(q.resolution.east));  // longitude never changes
    // Grid coordinates converted from the positions have no resolution of
    // the log's.
    EXPECT_TRUE(std::isnan(q.resolution.gridX));
    ASSERT_FALSE(q.warnings.empty());
    EXPECT_NE(q.warnings[0].find("histogram bins of 1 cm are quantised by the log's resolution of "
                                 "1.9 cm north"),
              std::string::npos)
        << q.warnings[0];
    EXPECT_NE(q.warnings[0].find("10.0 cm height"), std::string::npos) << q.warnings[0];
}

// A receiver without a fix writes zeros for its position; those records
// must not make the resolution the distance to the equator.
TEST(DataQuality, RecordsWithoutAPositionDoNotCountForTheResolution)
{
    const double minute = 1.0 / 60.0;
    std::string log;
    for (int i = 0; i < 10; ++i) {
        log += gga(2 * i, 0.0, 0.0, 0);
        log += gga(2 * i + 1, 60.0 + (i % 2) * 1e-5 * minute, 40.0, 4);
    }
    const DataQuality q = analyse(log, true).dataQuality;
    EXPECT_NEAR(q.resolution.north, 0.0186, 0.0002);
    EXPECT_TRUE(std::isnan(q.resolution.height));
    EXPECT_EQ(q.recordsKept, 20u);
}

TEST(DataQuality, FinePositionsGiveNoWarningAndEmptyLogsNothing)
{
    std::string log;
    for (int i = 0; i < 10; ++i) {
        log += llk(i, 6672000.0 + i * 0.001, 2500000.0, 40.0 + i * 0.001, testing::kLlkFixed);
    }
    const DataQuality fine = analyse(log, true).dataQuality;
    EXPECT_NEAR(fine.resolution.gridX, 0.001, 1e-6);
    EXPECT_TRUE(fine.warnings.empty());

    const DataQuality empty = analyse("", true).dataQuality;
    EXPECT_EQ(empty.frames, 0u);
    EXPECT_TRUE(std::isnan(empty.medianInterval));
    EXPECT_TRUE(std::isnan(empty.resolution.north));
    EXPECT_TRUE(empty.warnings.empty());
}

TEST(DataQuality, AveragedTruthWithoutFixedRecordsIsUndefinedAndSaysSo)
{
    std::string floating;
    for (int i = 0; i < 10; ++i) {
        floating += gga(i, 60.2, 40.0, 5);
    }
    const std::string warning =
        "averaged truth undefined: no RTK-fixed records; choose first fix, manual or a reference";
    const GNSSLog undefined = analyse(floating, true);
    EXPECT_TRUE(undefined.truthUndefined());
    EXPECT_EQ(std::count(undefined.dataQuality.warnings.begin(),
                         undefined.dataQuality.warnings.end(), warning),
              1);
    const std::vector<std::string> lines = dataQualityLines(undefined.dataQuality);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  warning: " + warning), lines.end());

    // One fixed record defines it; other truths and logs without records
    // need none.
    const GNSSLog fixed = analyse(floating + gga(10, 60.2, 40.0, 4), true);
    EXPECT_FALSE(fixed.truthUndefined());
    EXPECT_TRUE(fixed.dataQuality.warnings.empty());
    GNSSLog firstFix(TruthMode::FirstFix, 0, 0, 0);
    runPipelineOnBytes(firstFix, reinterpret_cast<const std::uint8_t*>(floating.data()),
                       floating.size(), nullptr, DecodeOptions{}, nmeaFormat(), PipelineOptions{});
    EXPECT_FALSE(firstFix.truthUndefined());
    EXPECT_TRUE(firstFix.dataQuality.warnings.empty());
    EXPECT_FALSE(analyse("", true).truthUndefined());
}

TEST(DataQualityText, EveryFigureInPlainWords)
{
    DataQuality q;
    q.framesByType = {{"$GNGGA", 3}, {"$GNRMC", 2}};
    q.frames = 5;
    q.recordsKept = 2;
    q.rejectedChecksum = 1;
    q.unreadFrames = 2;
    q.backwardSteps = 1;
    q.dayWraps = 1;
    q.gaps = 2;
    q.medianInterval = 0.2;
    q.resolution.north = 0.0186;
    q.resolution.height = 0.1;
    q.warnings = {"something to know"};
    const std::vector<std::string> expected = {
        "Data quality",
        "  5 frames ($GNGGA 3, $GNRMC 2)",
        "  2 records kept; rejected: 1 checksum, 2 of types not read, 0 unusable",
        "  clock: 1 step back, 1 day wrap, 2 gaps longer than twice the median interval of "
        "0.200 s",
        "  resolution: north 1.9 cm, east -, height 10.0 cm, grid x -, grid y -",
        "  warning: something to know",
    };
    EXPECT_EQ(dataQualityLines(q), expected);

    const std::vector<std::string> empty = dataQualityLines(DataQuality{});
    ASSERT_EQ(empty.size(), 5u);
    EXPECT_EQ(empty[1], "  0 frames");
    EXPECT_EQ(empty[3], "  clock: 0 steps back, 0 day wraps, 0 gaps");
}

// The window cuts long lines between items only: a count never leaves
// the name it counts.
TEST(DataQualityText, LinesAreCutBetweenItemsOnly)
{
    const std::string line =
        "  1709 frames (NAV-PVT 536, RXM-RAWX 536, RXM-SFRBX 2328, $GNGGA 536, UBX-7F-01 3)";
    const auto joined = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) {
            const std::size_t start = part.find_first_not_of(' ');
            text += (text.empty() ? part.substr(0, start) : std::string(" ")) + part.substr(start);
        }
        return text;
    };
    for (const std::size_t columns : {21u, 30u, 37u, 45u, 60u}) {
        SCOPED_TRACE(columns);
        const std::vector<std::string> parts = wrapBetweenItems(line, columns);
        EXPECT_GT(parts.size(), 1u);
        EXPECT_EQ(joined(parts), line) << "nothing lost, nothing added";
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_LE(parts[i].size(), columns) << parts[i];
            if (i > 0) {
                EXPECT_TRUE(parts[i].starts_with("      ") && parts[i][6] != ' ') << parts[i];
                // Each cut follows a comma or comes before the parenthesis.
                EXPECT_TRUE(parts[i - 1].back() == ',' || parts[i][6] == '(') << parts[i - 1] << "|" << parts[i];
            }
        }
    }
    EXPECT_EQ(wrapBetweenItems(line, 200), std::vector<std::string>{line});
    EXPECT_EQ(wrapBetweenItems("", 20), std::vector<std::string>{""});

    // An item longer than a line is cut between its words, a word longer
    // than a line stays whole.
    const std::vector<std::string> warning =
        wrapBetweenItems("  warning: positions are written to 0.1 mm only", 22);
    const std::vector<std::string> expected = {"  warning: positions", "      are written to",
                                               "      0.1 mm only"};
    EXPECT_EQ(warning, expected);
    EXPECT_EQ(wrapBetweenItems("  abcdefghijklmnop, q", 8),
              (std::vector<std::string>{"  abcdefghijklmnop,", "      q"}));
}

}  // namespace
}  // namespace gnsslog
