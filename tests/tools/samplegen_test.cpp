// The sample-log generator: its encoders read back through the real
// decoders, its logs are deterministic, and every frame it claims to have
// written is framed, CRC-checked and decoded as it says.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/nmea/NmeaDecoder.h"
#include "log/formats/Framers.h"
#include "log/formats/navcom/Pvt1bDecoder.h"
#include "tools/samplegen/LogGenerator.h"
#include "tools/samplegen/NmeaWriter.h"
#include "tools/samplegen/Pvt1bEncoder.h"
#include "tools/samplegen/SamplegenOptions.h"

namespace gnsslog {
namespace {

// CRC-16/XMODEM bit by bit, independent of log/formats/navcom/Crc16.h.
std::uint16_t referenceCrc(const std::string& bytes, std::size_t from, std::size_t to)
{
    std::uint32_t crc = 0;
    for (std::size_t i = from; i < to; ++i) {
        crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) ? (crc << 1) ^ 0x1021u : crc << 1;
        }
        crc &= 0xFFFFu;
    }
    return static_cast<std::uint16_t>(crc);
}

GNSSRecord decodeMessage(const std::string& message, bool toKKJ = false)
{
    GNSSRecord record;
    decodePVT1B(record, reinterpret_cast<const std::uint8_t*>(message.data()),
                static_cast<std::int32_t>(message.size()), toKKJ);
    return record;
}

GNSSRecord decodeSentence(const std::string& sentence, bool toKKJ = false)
{
    // The framer hands over "$...*hh" without CR LF.
    std::string text = sentence.substr(0, sentence.find('\r'));
    GNSSRecord record;
    decodeNmeaSentence(record, text.data(), toKKJ);
    return record;
}

// --- PVT1B encoder -------------------------------------------------------

TEST(Pvt1bEncoder, MessageHasTheFramedLayoutAndACorrectCrc)
{
    Pvt1bFields f;
    f.timeMs = 0x12345678;
    const std::string m = encodePvt1bMessage(f);
    ASSERT_EQ(m.size(), 84u);  // 78 bytes to the "*", "*", four digits, CR
    EXPECT_EQ(m.substr(0, 7), "[PVT1B]");
    const unsigned n = static_cast<std::uint8_t>(m[7]) | static_cast<std::uint8_t>(m[8]) << 8;
    EXPECT_EQ(n, 9u + 62u);
    EXPECT_EQ(m[7 + n], '*');
    EXPECT_EQ(m.substr(8 + n, 4), hex4(referenceCrc(m, 7, 7 + n)));
    EXPECT_EQ(m.back(), '\r');
    EXPECT_EQ(static_cast<std::uint8_t>(m[11]), 0x78);  // time stamp, little-endian
    EXPECT_EQ(static_cast<std::uint8_t>(m[14]), 0x12);

    f.trailingBytes = 10;
    EXPECT_EQ(encodePvt1bMessage(f).size(), 94u);
}

TEST(Pvt1bEncoder, FieldsDecodeBackThroughTheDecoder)
{
    Pvt1bFields f;
    f.timeMs = 208800123;
    f.rawLatitude = 442368000;  // 60 degrees exactly
    f.latExtension = 8;
    f.rawLongitude = -1000;
    f.lonExtension = 3;
    f.heightMm = 12345;
    f.heightCorrection = -1;   // FF FF FF
    f.error1 = f.error2 = f.error3 = 1024;
    f.dop1 = 10;
    f.dop2 = 20;
    f.dop3 = 20;
    f.satellites = 17;
    f.mode = Pvt1bMode::RtkFixed | 0x0F;
    f.correctionAge = 7;
    f.gpsMask = 0xFFFFFFFFu;
    f.glonassMask = 0x81;
    const GNSSRecord r = decodeMessage(encodePvt1bMessage(f));
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.time, 208800123 * 0.001);
    EXPECT_EQ(r.latitude, 60.0 + 0.5 * 0.00048828125 / 3600.0);
    EXPECT_NEAR(r.longitude, (-1000 + 3 / 16.0) * 0.00048828125 / 3600.0, 1e-15);
    EXPECT_EQ(r.height, 12.345 - 0.0009765625);
    EXPECT_NEAR(r.errorEstimate, 1.68, 1e-12);
    EXPECT_NEAR(r.dop, 3.0, 1e-12);
    EXPECT_EQ(r.satellites, 17);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_EQ(r.correctionAge, 7.0);
    EXPECT_EQ(r.gpsSatellites, 32);
    EXPECT_EQ(r.glonassSatellites, 2);
}

TEST(Pvt1bEncoder, HeightCorrectionUsesTwentyFourBits)
{
    Pvt1bFields f;
    f.heightCorrection = -8388608;  // 00 00 80
    const std::string m = encodePvt1bMessage(f);
    EXPECT_EQ(static_cast<std::uint8_t>(m[30]), 0x00);
    EXPECT_EQ(static_cast<std::uint8_t>(m[31]), 0x00);
    EXPECT_EQ(static_cast<std::uint8_t>(m[32]), 0x80);
    EXPECT_EQ(decodeMessage(m).height, -8192.0);
}

TEST(Pvt1bEncoder, DegreesAndMetresConvertWithinTheirResolution)
{
    const double unit = 0.00048828125 / 3600.0 / 16.0;  // one sixteenth of 2^-11 arcsecond, degrees
    for (const double degrees : {60.2051234, 24.9012345, -33.8688197, -0.0000001, 179.9999999, 0.0}) {
        const RawAngle a = degreesToRawAngle(degrees);
        EXPECT_LT(a.extension, 16);
        const double back = (a.raw + a.extension * 0.0625) * 0.00048828125 / 3600.0;
        EXPECT_NEAR(back, degrees, unit / 2 + 1e-15) << degrees;
    }
    for (const double metres : {45.678, -12.3456, 0.0004, 8000.0009}) {
        const RawHeight h = metresToRawHeight(metres);
        EXPECT_NEAR(h.millimetres * 0.001 + h.correction * 0.0009765625, metres, 0.00048828125) << metres;
    }
}

TEST(Pvt1bEncoder, OtherLabelsGetTheirLengthAndCrc)
{
    const std::string m = encodeNavcomMessage("[MEAS1B]", std::string(7, '\0') + "body");
    EXPECT_EQ(m.substr(0, 8), "[MEAS1B]");
    EXPECT_EQ(static_cast<std::uint8_t>(m[8]), 13);  // 9 + 4 body bytes
    EXPECT_EQ(m.substr(8 + 13 + 1, 4), hex4(referenceCrc(m, 8, 8 + 13)));
    EXPECT_EQ(hex4(0xBEEF), "BEEF");
    EXPECT_EQ(hex4(0x000A), "000A");
}

// --- NMEA writer ---------------------------------------------------------

TEST(NmeaWriter, SentenceCarriesTheXorChecksum)
{
    // The textbook GGA example and its published checksum.
    EXPECT_EQ(nmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    EXPECT_EQ(nmeaSentence(""), "$*00\r\n");
}

TEST(NmeaWriter, NumberFormats)
{
    EXPECT_EQ(nmeaTime(0), "000000.00");
    EXPECT_EQ(nmeaTime(8639999), "235959.99");
    EXPECT_EQ(nmeaTime(8640000 + 4531950), "123519.50");  // reduced to the time of day
    EXPECT_EQ(nmeaLatitude(60.5, 4), "6030.0000");
    EXPECT_EQ(nmeaLatitude(60.0 + 5.0 / 60.0, 4), "6005.0000");  // minutes keep two digits
    EXPECT_EQ(nmeaLongitude(24.9, 4), "02454.0000");
    EXPECT_EQ(nmeaLongitude(8.0, 2), "00800.00");
    // Minutes that round up to 60 carry into the degrees.
    EXPECT_EQ(nmeaLatitude(59.9999999999, 4), "6000.0000");
    EXPECT_EQ(fixedDecimals(-1.25, 1), "-1.2");
}

TEST(NmeaWriter, GgaDecodesBack)
{
    GgaFields g;
    g.centiseconds = 4531912;
    g.latitude = 60.2051234;
    g.longitude = 24.9012345;
    g.quality = 4;
    g.satellites = 8;
    g.hdop = 0.9;
    g.heightMetres = 45.678;
    g.geoidSeparation = 17.512;
    g.correctionAge = 1.0;
    GNSSRecord r = decodeSentence(ggaSentence(g));
    EXPECT_EQ(r.valid, 1);
    EXPECT_NEAR(r.time, 45319.12, 1e-9);
    EXPECT_NEAR(r.latitude, g.latitude, 1e-9);
    EXPECT_NEAR(r.longitude, g.longitude, 1e-9);
    EXPECT_NEAR(r.height, 45.678, 1e-9);
    EXPECT_EQ(r.fixType, 4);
    EXPECT_EQ(r.satellites, 8);
    EXPECT_NEAR(r.correctionAge, 1.0, 1e-12);

    g.station = "0026";
    EXPECT_EQ(decodeSentence(ggaSentence(g, "GN")).fixType, FixType::RtkX);

    g.noPosition = true;
    EXPECT_EQ(decodeSentence(ggaSentence(g)).valid, 0);
}

TEST(NmeaWriter, GridAndOrpSentencesDecodeBack)
{
    GridFields g;
    g.centiseconds = 360000;
    g.gridX = 6677407.187;
    g.gridY = 2550153.894;
    g.quality = 3;
    g.satellites = 14;
    g.dopOrQuality = 2.0;  // whole, so it reads the same as an integer or a decimal
    g.height = 45.678;
    GNSSRecord r = decodeSentence(llkSentence(g));
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.time, 3600.0);
    EXPECT_NEAR(r.localX, g.gridX, 1e-6);
    EXPECT_NEAR(r.localY, g.gridY, 1e-6);
    EXPECT_NEAR(r.height, g.height, 1e-9);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_EQ(r.dop, 2.0);
    EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::Dop);

    g.quality = 2;
    g.dopOrQuality = 3.0;
    r = decodeSentence(llqSentence(g));
    EXPECT_EQ(r.fixType, FixType::RtkFloat);
    EXPECT_EQ(r.errorEstimate, 3.0);
    EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::ErrorEstimate);

    OrpFields o;
    o.centiseconds = 4531900;
    o.error1 = 0.01;
    o.error2 = 0.02;
    o.error3 = 0.03;
    o.dop = 1.5;
    o.gpsSatellites = 9;
    o.glonassSatellites = 7;
    o.first = 60.2051234;
    o.second = 24.9012345;
    o.height = 100.5;
    r = decodeSentence(orpSentence(o));
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_NEAR(r.errorEstimate, std::sqrt(0.0014), 1e-12);
    EXPECT_EQ(r.satellites, 16);
    EXPECT_NEAR(r.latitude, o.first, 1e-10);
    EXPECT_NEAR(r.longitude, o.second, 1e-10);
    EXPECT_EQ(r.height, 100.5);

    o.status = 0;
    EXPECT_EQ(decodeSentence(orpSentence(o)).valid, 0);
    o.status = 254;
    o.coordinateKind = 2;
    o.first = 6677407.187;
    r = decodeSentence(orpSentence(o));
    EXPECT_EQ(r.validFlags & (ValidFlag::LatLon | ValidFlag::Grid), ValidFlag::Grid);
    EXPECT_NEAR(r.localX, 6677407.187, 1e-6);
}

// --- Log generator -------------------------------------------------------

GeneratorOptions options(LogFormat format, std::uint64_t bytes, std::uint64_t seed = 7)
{
    GeneratorOptions o;
    o.format = format;
    o.targetBytes = bytes;
    o.seed = seed;
    return o;
}

TEST(LogGenerator, SameSeedSameBytesOtherSeedOtherBytes)
{
    for (const LogFormat format : {LogFormat::Navcom, LogFormat::Nmea, LogFormat::Sbf, LogFormat::NovatelAscii,
                                   LogFormat::NovatelBinary}) {
        const std::string a = generateLog(options(format, 60000));
        EXPECT_EQ(a, generateLog(options(format, 60000)));
        EXPECT_NE(a, generateLog(options(format, 60000, 8)));
    }
}

TEST(LogGenerator, StreamsInChunksOfAboutTheAskedSize)
{
    GeneratorOptions o = options(LogFormat::Nmea, 300000);
    o.chunkBytes = 4096;
    LogGenerator generator(o);
    std::string chunk;
    std::string whole;
    int chunks = 0;
    while (generator.next(chunk)) {
        EXPECT_LT(chunk.size(), 4096u + 4096u);
        whole += chunk;
        ++chunks;
    }
    EXPECT_TRUE(chunk.empty());
    EXPECT_FALSE(generator.next(chunk));
    EXPECT_GT(chunks, 50);
    EXPECT_EQ(whole, generateLog(options(LogFormat::Nmea, 300000)));
    EXPECT_EQ(generator.stats().bytes, whole.size());
    EXPECT_GE(whole.size(), 300000u);
    EXPECT_LT(whole.size(), 300000u + 4096u);
}

struct FrameCount {
    std::uint64_t solutions = 0;  // framed solution frames
    std::uint64_t others = 0;     // other framed frames
    std::uint64_t valid = 0, fixed = 0, rtkx = 0, fixFloat = 0;
    std::uint64_t losses = 0;
};

void countRecord(FrameCount& c, const GNSSRecord& r, bool& prevFixed)
{
    if (r.valid == 0) {
        return;
    }
    ++c.valid;
    c.fixed += r.fixType == FixType::RtkFixed;
    c.rtkx += r.fixType == FixType::RtkX;
    c.fixFloat += r.fixType == FixType::RtkFloat;
    if (r.fixType == FixType::RtkFixed) {
        prevFixed = true;
    } else if (prevFixed) {
        ++c.losses;
        prevFixed = false;
    }
}

FrameCount frameNavcom(const std::string& log)
{
    FrameCount c;
    bool prevFixed = false;
    NCTBINSniffer sniffer;
    for (const char byte : log) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(byte)) != SnifferStatus::Complete) {
            continue;
        }
        const std::string frame(reinterpret_cast<const char*>(sniffer.frameStart()),
                                static_cast<std::size_t>(sniffer.frameLength()));
        // Checked here independently of the framer's own CRC test.
        const std::size_t close = frame.find(']');
        EXPECT_EQ(frame.substr(frame.size() - 4), hex4(referenceCrc(frame, close + 1, frame.size() - 5)));
        if (frame.rfind("[PVT1B]", 0) == 0) {
            ++c.solutions;
            countRecord(c, decodeMessage(frame), prevFixed);
        } else {
            EXPECT_EQ(frame.find("BOOTLOADB]"), std::string::npos);
            ++c.others;
        }
    }
    return c;
}

FrameCount frameNmea(const std::string& log)
{
    FrameCount c;
    bool prevFixed = false;
    NMEASniffer sniffer;
    for (const char byte : log) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(byte)) != SnifferStatus::Complete) {
            continue;
        }
        std::string sentence(reinterpret_cast<const char*>(sniffer.frameStart()),
                             static_cast<std::size_t>(sniffer.frameLength()));
        const std::size_t star = sentence.rfind('*');
        EXPECT_EQ(sentence.substr(star + 1), hex4(nmeaChecksum(sentence.substr(1, star - 1))).substr(2));
        const bool solution = sentence.find("GGA") != std::string::npos || sentence.find("LLK") != std::string::npos
                              || sentence.find("LLQ") != std::string::npos
                              || sentence.find("ORP") != std::string::npos;
        (solution ? c.solutions : c.others) += 1;
        GNSSRecord r;
        decodeNmeaSentence(r, sentence.data(), true);
        // RMC and GSA complete an epoch; they make no record of their own.
        if (r.framePart != FramePart::Solution) {
            continue;
        }
        countRecord(c, r, prevFixed);
    }
    return c;
}

void expectCountsMatch(const FrameCount& c, const GeneratorStats& s)
{
    EXPECT_EQ(c.solutions, s.solutionFrames);
    EXPECT_EQ(c.others, s.noiseFrames);
    EXPECT_EQ(c.valid, s.validRecords);
    EXPECT_EQ(c.fixed, s.fixedRecords);
    EXPECT_EQ(c.rtkx, s.rtkxRecords);
    EXPECT_EQ(c.fixFloat, s.floatRecords);
    EXPECT_EQ(c.losses, s.fixLosses);
    EXPECT_EQ(s.validRecords, s.fixedRecords + s.floatRecords + s.rtkxRecords + s.otherRecords);
}

TEST(LogGenerator, EveryNavcomFrameItCountsIsFramedAndDecoded)
{
    GeneratorOptions o = options(LogFormat::Navcom, 400000);
    // Much more hostile than the default, with corrupted CRCs as well.
    o.garbageShare = 0.3;
    o.partialShare = 0.2;
    o.badCrcShare = 0.05;
    o.bootloaderShare = 0.05;
    GeneratorStats s;
    const std::string log = generateLog(o, &s);
    ASSERT_GT(s.fixedRecords, 100u);
    ASSERT_GT(s.rtkxRecords, 0u);
    ASSERT_GT(s.invalidSolutions, 0u);
    ASSERT_GT(s.fixLosses, 3u);
    ASSERT_GT(s.badCrcFrames, 0u);
    ASSERT_GT(s.bootloaderFrames, 0u);
    ASSERT_GT(s.partialFrames, 0u);
    EXPECT_NE(log.find("[BOOTLOADB]"), std::string::npos);
    expectCountsMatch(frameNavcom(log), s);
}

TEST(LogGenerator, EveryNmeaSentenceItCountsIsFramedAndDecoded)
{
    for (const NmeaSolution kind : {NmeaSolution::Gga, NmeaSolution::Llk, NmeaSolution::Llq,
                                    NmeaSolution::LlkLlq, NmeaSolution::Orp, NmeaSolution::OrpGrid}) {
        GeneratorOptions o = options(LogFormat::Nmea, 200000);
        o.nmeaSolution = kind;
        o.garbageShare = 0.3;
        o.partialShare = 0.2;
        GeneratorStats s;
        const std::string log = generateLog(o, &s);
        SCOPED_TRACE(static_cast<int>(kind));
        ASSERT_GT(s.fixedRecords, 100u);
        ASSERT_GT(s.partialFrames, 0u);
        ASSERT_GT(s.noiseFrames, 0u);
        expectCountsMatch(frameNmea(log), s);
    }
}

TEST(LogGenerator, NmeaLogCrossesMidnightByDefault)
{
    GeneratorStats s;
    generateLog(options(LogFormat::Nmea, 100000), &s);
    // Its RMC sentences date it from the start, so the analysis follows
    // the date across midnight rather than wrapping the day.
    EXPECT_EQ(s.dayWraps, 0u);
    EXPECT_GT(s.startTime, 80000.0);
    EXPECT_GT(s.endTime, 86400.0);
    EXPECT_LT(s.endTime, 86400.0 + 3600.0);
}

TEST(LogGenerator, EmptyTargetGivesEmptyLog)
{
    GeneratorStats s;
    EXPECT_TRUE(generateLog(options(LogFormat::Navcom, 0), &s).empty());
    EXPECT_EQ(s.validRecords, 0u);
    EXPECT_EQ(s.bytes, 0u);
}

// --- Command line -------------------------------------------------------

// The options gnsslog-samplegen reads from args (--out added); false when
// CLI11 refuses them.
bool parseSamplegen(std::vector<std::string> args, GeneratorOptions& options)
{
    args.insert(args.begin(), "gnsslog-samplegen");
    args.insert(args.end(), {"--out", "x.log"});
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    CLI::App app;
    SamplegenFiles files;
    addSamplegenOptions(app, options, files);
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError&) {
        return false;
    }
    return true;
}

TEST(SamplegenOptions, FormatAndUbxMessageNamesSelectWhatTheyName)
{
    const std::pair<const char*, LogFormat> formats[] = {
        {"navcom", LogFormat::Navcom}, {"nmea", LogFormat::Nmea},
        {"ubx", LogFormat::Ubx},       {"pos", LogFormat::Pos},
        {"sbf", LogFormat::Sbf},       {"novatel-ascii", LogFormat::NovatelAscii},
        {"novatel-binary", LogFormat::NovatelBinary}};
    for (const auto& [name, format] : formats) {
        GeneratorOptions o;
        ASSERT_TRUE(parseSamplegen({"--format", name}, o)) << name;
        EXPECT_EQ(o.format, format) << name;
        EXPECT_EQ(o.ubxMessages, UbxMessages::Pvt) << name;
    }
    GeneratorOptions o;
    ASSERT_TRUE(parseSamplegen({"--format", "ubx", "--ubx-messages", "sol"}, o));
    EXPECT_EQ(o.ubxMessages, UbxMessages::Sol);
    ASSERT_TRUE(parseSamplegen({"--ubx-messages", "pvt"}, o));
    EXPECT_EQ(o.ubxMessages, UbxMessages::Pvt);
    // The report's format name is no generator format: it writes one encoding.
    EXPECT_FALSE(parseSamplegen({"--format", "novatel"}, o));
    EXPECT_FALSE(parseSamplegen({"--ubx-messages", "posllh"}, o));
}

}  // namespace
}  // namespace gnsslog
