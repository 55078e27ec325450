// NovAtel OEM logs: the framer (table rows for binary and ASCII frames,
// replies and keystrokes between them, the block path against feedByte),
// the decoder and the one-record-per-epoch rule on hand-built logs, and
// every NovAtel log in the real-log folder record by record against an
// independent scan, the binary and ASCII recordings of one run against
// each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "log/formats/novatel/NovatelDecoder.h"
#include "log/formats/novatel/NovatelFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/NovatelLogScan.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Bytes = std::string;

const std::uint8_t* bytesOf(const Bytes& b) { return reinterpret_cast<const std::uint8_t*>(b.data()); }

void putLe(Bytes& b, std::size_t offset, std::uint64_t value, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        b[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}
void putF8(Bytes& b, std::size_t offset, double v) { putLe(b, offset, std::bit_cast<std::uint64_t>(v), 8); }
void putF4(Bytes& b, std::size_t offset, float v) { putLe(b, offset, std::bit_cast<std::uint32_t>(v), 4); }

struct Pos {
    unsigned week = 1687;
    std::uint32_t ms = 419234000;
    std::uint32_t status = 0;  // SOL_COMPUTED
    std::uint32_t type = 50;   // NARROW_INT
    const char* typeName = "NARROW_INT";
    double lat = 32.59543;
    double lon = -85.29571;
    double height = 190.5;  // above mean sea level
    float undulation = -29.5f;
    float sigma[3] = {0.012f, 0.016f, 0.021f};
    std::uint8_t satellites = 14;
};

// Binary frames with the test's own CRC.
Bytes binaryFrame(unsigned id, unsigned week, std::uint32_t ms, const Bytes& body)
{
    Bytes f(28, '\0');
    f[0] = '\xAA';
    f[1] = '\x44';
    f[2] = '\x12';
    f[3] = 28;
    putLe(f, 4, id, 2);
    putLe(f, 8, body.size(), 2);
    f[13] = static_cast<char>(180);  // FINESTEERING
    putLe(f, 14, week, 2);
    putLe(f, 16, ms, 4);
    f += body;
    Bytes crc(4, '\0');
    putLe(crc, 0, testing::plainCrc32(bytesOf(f), f.size()), 4);
    return f + crc;
}

Bytes bestposBody(const Pos& p)
{
    Bytes b(72, '\0');
    putLe(b, 0, p.status, 4);
    putLe(b, 4, p.type, 4);
    putF8(b, 8, p.lat);
    putF8(b, 16, p.lon);
    putF8(b, 24, p.height);
    putF4(b, 32, p.undulation);
    putLe(b, 36, 61, 4);  // WGS84
    for (int i = 0; i < 3; ++i) {
        putF4(b, 40 + 4 * static_cast<std::size_t>(i), p.sigma[i]);
    }
    b[64] = 20;
    b[65] = static_cast<char>(p.satellites);
    return b;
}

Bytes bestposBinary(const Pos& p, unsigned id = NovatelLog::BestPos)
{
    return binaryFrame(id, p.week, p.ms, bestposBody(p));
}

Bytes withAsciiCrc(const Bytes& content)  // "#...;..." without the "*"
{
    char digits[9];
    const auto crc = testing::plainCrc32(bytesOf(content) + 1, content.size() - 1);
    std::snprintf(digits, sizeof digits, "%08x", crc);
    return content + "*" + digits;
}

Bytes bestposAscii(const Pos& p)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", p.ms / 1000.0);
    char fields[512];
    std::snprintf(fields, sizeof fields,
                  "%s,%s,%.11f,%.11f,%.4f,%.4f,WGS84,%.4f,%.4f,%.4f,\"0\",0.000,0.000,20,%u,20,0,0,06,0,03",
                  p.status == 0 ? "SOL_COMPUTED" : "INSUFFICIENT_OBS", p.typeName, p.lat, p.lon,
                  p.height, double{p.undulation}, double{p.sigma[0]}, double{p.sigma[1]},
                  double{p.sigma[2]}, unsigned{p.satellites});
    return withAsciiCrc("#BESTPOSA,COM1,0,58.5,FINESTEERING," + std::to_string(p.week) + "," +
                        seconds + ",00000000,4ca6,2724;" + fields);
}

struct Row {
    const char* legend;
    Bytes input;
    std::vector<Bytes> frames;
    std::uint64_t failures;
};

TEST(NovatelFramer, FindsTheFramesOfEachTableRow)
{
    const Bytes bin = bestposBinary(Pos{});
    const Bytes asc = bestposAscii(Pos{});
    Bytes badBin = bin;
    badBin[40] ^= 1;
    Bytes badAsc = asc;
    badAsc[30] = badAsc[30] == '1' ? '2' : '1';
    Bytes shortHeader = "\xAA\x44\x13\x04\xFC\x01\x97\x06\x10\x27\x00\x00"s + "abcd";
    Bytes crc(4, '\0');
    putLe(crc, 0, testing::plainCrc32(bytesOf(shortHeader), shortHeader.size()), 4);
    shortHeader += crc;
    const Row rows[] = {
        {"binary", bin, {bin}, 0},
        {"ASCII with its line end", asc + "\r\n", {asc}, 0},
        {"replies between frames", "[COM1]" + bin + "<OK\r\n[COM1]" + asc + "\r\n", {bin, asc}, 0},
        {"short binary header", shortHeader + bin, {shortHeader, bin}, 0},
        {"bad binary CRC counted", badBin + asc, {asc}, 1},
        {"bad ASCII CRC counted", badAsc + "\r\n" + bin, {bin}, 1},
        {"an echoed keystroke in the sync", "\xAA\x44t"s + bin.substr(2) + bin, {bin}, 0},
        {"a cut frame gives way to the next", bin.substr(0, 50) + bin, {bin}, 1},
        {"ASCII broken by a line end", asc.substr(0, 40) + "\r\n" + asc, {asc}, 0},
        {"a hash that starts no log", "#1,#a" + asc, {asc}, 0},
        {"cut by the end", bin + asc.substr(0, 60), {bin}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        NovatelSniffer sniffer;
        std::vector<Bytes> frames;
        for (const char c : row.input) {
            if (sniffer.feedByte(static_cast<std::uint8_t>(c)) == SnifferStatus::Complete) {
                frames.emplace_back(reinterpret_cast<const char*>(sniffer.frameStart()),
                                    static_cast<std::size_t>(sniffer.frameLength()));
                EXPECT_EQ(sniffer.frameStart()[sniffer.frameLength()], 0);
                EXPECT_EQ(sniffer.frameKind(), NovatelSniffer::isAscii(sniffer.frameStart())
                                                   ? FrameKind::NovatelAscii
                                                   : FrameKind::NovatelBinary);
            }
        }
        EXPECT_EQ(frames, row.frames);
        EXPECT_EQ(sniffer.checksumFailures(), row.failures);
        const auto scan = testing::scanNovatelFrames(bytesOf(row.input), row.input.size());
        EXPECT_EQ(scan.frames.size(), row.frames.size());
        EXPECT_EQ(scan.crcFailures, row.failures);
    }
}

TEST(NovatelFramer, BlockPathGivesTheFramesOfByteByByteFeeding)
{
    Bytes input;
    for (std::uint32_t i = 0; i < 30; ++i) {
        Pos p;
        p.ms += 100 * i;
        input += bestposBinary(p);
        input += bestposAscii(p) + "\r\n";
        if (i % 4 == 0) {
            input += "<OK\r\n[ICOM1]" + bestposBinary(p).substr(0, 33);
        }
        if (i % 7 == 0) {
            input += bestposAscii(p).substr(0, 70) + "\b\b\r\n";
        }
    }
    const auto expected =
        testing::framesByteByByte<NovatelSniffer>(bytesOf(input), input.size());
    EXPECT_EQ(expected.size(), 60u);
    for (const std::vector<std::size_t>& chunks :
         {std::vector<std::size_t>{}, {1}, {5}, {64, 3}, {997}}) {
        EXPECT_EQ(testing::framesByBlocks<NovatelSniffer>(bytesOf(input), input.size(), chunks),
                  expected);
    }
}

FrameVerdict decode(DecodedRecord& r, const Bytes& frame)
{
    return novatelFormat().decodeFrame(r, bytesOf(frame),
                                       static_cast<std::int32_t>(frame.size()), DecodeOptions{});
}

TEST(NovatelDecoder, BinaryAndAsciiBestposGiveTheSameSolution)
{
    DecodedRecord bin;
    DecodedRecord asc;
    ASSERT_EQ(decode(bin, bestposBinary(Pos{})), FrameVerdict::Record);
    ASSERT_EQ(decode(asc, bestposAscii(Pos{})), FrameVerdict::Record);
    for (const DecodedRecord& r : {bin, asc}) {
        EXPECT_NEAR(r.latitude, 32.59543, 1e-11);
        EXPECT_NEAR(r.longitude, -85.29571, 1e-11);
        EXPECT_NEAR(r.height, 161.0, 1e-4);  // mean sea level plus undulation
        EXPECT_EQ(r.fixType, FixType::RtkFixed);
        EXPECT_EQ(r.satellites, 14);
        // 1-sigma axes 0.012, 0.016, 0.021 m: sqrt of the summed squares.
        EXPECT_NEAR(r.errorEstimate, 0.029, 1e-6);
        EXPECT_FLOAT_EQ(r.accuracy.sigmaNorth, 0.012f);  // latitude
        EXPECT_FLOAT_EQ(r.accuracy.sigmaEast, 0.016f);   // longitude
        EXPECT_FLOAT_EQ(r.accuracy.sigmaUp, 0.021f);
        EXPECT_DOUBLE_EQ(r.time, 1687 * 604800000.0 + 419234000);
        EXPECT_FALSE(r.has(ValidFlag::Inertial));
    }
}

TEST(NovatelDecoder, PositionTypeGivesTheFixClass)
{
    struct Case {
        std::uint32_t type;
        const char* name;
        std::uint8_t fixType;
        bool inertial;
    } cases[] = {
        {16, "SINGLE", FixType::StandAlone, false},   {17, "PSRDIFF", FixType::Dgnss, false},
        {18, "WAAS", FixType::Sbas, false},           {32, "L1_FLOAT", FixType::RtkFloat, false},
        {34, "NARROW_FLOAT", FixType::RtkFloat, false}, {48, "L1_INT", FixType::RtkFixed, false},
        {49, "WIDE_INT", FixType::RtkFixed, false},   {69, "PPP", FixType::Ppp, false},
        {53, "INS_PSRSP", FixType::StandAlone, true}, {56, "INS_RTKFIXED", FixType::RtkFixed, true},
        {55, "INS_RTKFLOAT", FixType::RtkFloat, true}, {74, "INS_PPP", FixType::Ppp, true},
    };
    for (const Case& c : cases) {
        Pos p;
        p.type = c.type;
        p.typeName = c.name;
        for (const Bytes& frame : {bestposBinary(p), bestposAscii(p)}) {
            DecodedRecord r;
            ASSERT_EQ(decode(r, frame), FrameVerdict::Record) << c.name;
            EXPECT_EQ(r.fixType, c.fixType) << c.name;
            EXPECT_EQ(r.has(ValidFlag::Inertial), c.inertial) << c.name;
        }
    }
}

TEST(NovatelDecoder, NoPositionWithoutAComputedSolutionOrTime)
{
    Pos notComputed;
    notComputed.status = 1;
    Pos none;
    none.type = 0;
    none.typeName = "NONE";
    Pos unknownTime;
    unknownTime.week = 0;
    Pos unknownType;
    unknownType.type = 99;
    unknownType.typeName = "NOT_A_TYPE";
    for (const Pos& p : {notComputed, none, unknownTime, unknownType}) {
        for (const Bytes& frame : {bestposBinary(p), bestposAscii(p)}) {
            DecodedRecord r;
            EXPECT_EQ(decode(r, frame), FrameVerdict::Rejected) << frame.substr(0, 20);
            EXPECT_EQ(r.valid, 0);
        }
    }
    DecodedRecord r;
    EXPECT_EQ(decode(r, binaryFrame(43, 1687, 0, Bytes(100, '\0'))), FrameVerdict::Unread);
    EXPECT_EQ(decode(r, binaryFrame(42, 1687, 0, Bytes(40, '\0'))), FrameVerdict::Unread);
    EXPECT_EQ(decode(r, withAsciiCrc("#RANGEA,COM1,0,0,FINESTEERING,1687,1.0,0,0,0;1,2")),
              FrameVerdict::Unread);
    EXPECT_EQ(decode(r, withAsciiCrc("#BESTPOSA,COM1,0,0,FINESTEERING,1687,1.0,0,0,0;SOL_COMPUTED,SINGLE,x")),
              FrameVerdict::Rejected);
}

TEST(NovatelDecoder, BestxyzGoesThroughTheEcefConversionAndInspvaxIsFlagged)
{
    Bytes xyz(112, '\0');
    putLe(xyz, 4, 16, 4);  // SINGLE
    putF8(xyz, 8, 3803640.7);
    putF8(xyz, 16, -148798.1);
    putF8(xyz, 24, 5100638.1);
    putF4(xyz, 32, 1.0f);
    putF4(xyz, 36, 2.0f);
    putF4(xyz, 40, 2.0f);
    xyz[105] = 9;
    DecodedRecord r;
    ASSERT_EQ(decode(r, binaryFrame(NovatelLog::BestXyz, 1761, 317643000, xyz)),
              FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, 53.45, 0.01);
    EXPECT_NEAR(r.errorEstimate, 3.0, 1e-9);
    EXPECT_FALSE(r.has(ValidFlag::AxisSigmas)) << "X, Y, Z are no local axes";
    EXPECT_EQ(r.satellites, 9);

    Bytes ins(120, '\0');
    putLe(ins, 0, 3, 4);   // INS_SOLUTION_GOOD
    putLe(ins, 4, 74, 4);  // INS_PPP
    putF8(ins, 8, 43.4041);
    putF8(ins, 16, -80.4702);
    putF8(ins, 24, 300.0);
    putF4(ins, 32, -36.0f);
    DecodedRecord i;
    ASSERT_EQ(decode(i, binaryFrame(NovatelLog::InsPvax, 1820, 160205950, ins)),
              FrameVerdict::Record);
    EXPECT_EQ(i.fixType, FixType::Ppp);
    EXPECT_TRUE(i.has(ValidFlag::Inertial));
    EXPECT_NEAR(i.height, 264.0, 1e-9);
    putLe(ins, 0, 1, 4);  // INS_ALIGNING
    EXPECT_EQ(decode(i, binaryFrame(NovatelLog::InsPvax, 1820, 160205950, ins)),
              FrameVerdict::Rejected);
}

TEST(NovatelFormat, AtTheEndFramesBehindACutOneAreReadAndTheCutOneCounted)
{
    Pos first;
    Pos second;
    second.ms += 1000;
    const Bytes cutLong = binaryFrame(NovatelLog::BestPos, 1687, 0, Bytes(1000, '\0')).substr(0, 40);
    struct Row {
        const char* legend;
        Bytes log;
        std::size_t records;
    };
    const std::vector<Row> rows = {
        {"binary behind a cut one", bestposBinary(first) + cutLong + bestposBinary(second), 2},
        {"ASCII behind a cut one", bestposBinary(first) + cutLong + bestposAscii(second), 2},
        {"ASCII cut before its CRC", bestposAscii(first) + bestposAscii(second).substr(0, 60), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const std::vector<std::uint8_t> bytes(row.log.begin(), row.log.end());
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{},
                           novatelFormat(), PipelineOptions{});
        EXPECT_EQ(result.records.size(), row.records);
        EXPECT_EQ(result.dataQuality.truncatedFrames, 1u);
        EXPECT_EQ(result.dataQuality.rejectedChecksum, 0u);
    }
}

TEST(NovatelFormat, AnEpochSentAgainIsOneRecord)
{
    Pos first;
    Pos second;
    second.ms += 100;
    Pos gnssOnly = second;
    gnssOnly.lat += 1e-5;
    const Bytes input = bestposBinary(first) + bestposBinary(second) +
                        bestposBinary(gnssOnly, NovatelLog::BestGnssPos) +
                        binaryFrame(99, 1687, second.ms + 50, Bytes(44, '\0')) +
                        bestposBinary(second);  // the whole second again
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(log, bytesOf(input), input.size(), nullptr, DecodeOptions{},
                       novatelFormat(), PipelineOptions{});
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_DOUBLE_EQ(log.records[0].time, 419234.0);
    EXPECT_DOUBLE_EQ(log.records[1].time, 419234.1);
    EXPECT_DOUBLE_EQ(log.records[1].latitude, second.lat);
    EXPECT_EQ(log.dataQuality.joinedFrames, 2u);
}

// ---- real logs ----

fs::path realLogFolder()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

std::vector<std::uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

constexpr const char* kNovatelLogs[] = {
    "gavlab-ParsingData.ASC",
    "gavlab-ParsingData.GPS",
    "gavlab-test1_rcvr1.ASC",
    "gavlab-test1_rcvr1.dat",
    "swri-gpgga-gprmc-bestpos.asc",
    "swri-bestpos-bestvel-psrdop2-sync.gps",
    "rtklibexplorer-oemv_200911218.gps",
    "novatel-oem7driver-bestpos.gps",
    "novatel-edie-advanceddecoder_alllogs.BIN",
    "rosdrivers-propak6-basic-fix.gps",
    "rosdrivers-propak6-ins-ppp.gps",
};

enum class Class { None, Fixed, Float, Single, Other };

Class classOfTypeName(std::string_view t)
{
    if (t == "NONE") return Class::None;
    if (t.ends_with("_INT") || t == "INS_RTKFIXED" || t == "RTK_DIRECT_INS") return Class::Fixed;
    if (t.ends_with("FLOAT")) return Class::Float;
    if (t == "SINGLE" || t == "INS_PSRSP") return Class::Single;
    return Class::Other;
}

Class classOfType(std::uint32_t t)
{
    switch (t) {
    case 0: return Class::None;
    case 48: case 49: case 50: case 51: case 56: return Class::Fixed;
    case 32: case 33: case 34: case 55: return Class::Float;
    case 16: case 53: return Class::Single;
    default: return Class::Other;
    }
}

bool fits(std::uint8_t fixType, Class c)
{
    switch (c) {
    case Class::Fixed: return fixType == FixType::RtkFixed;
    case Class::Float: return fixType == FixType::RtkFloat;
    case Class::Single: return fixType == FixType::StandAlone;
    default:
        return fixType != FixType::RtkFixed && fixType != FixType::RtkFloat &&
               fixType != FixType::NoPosition;
    }
}

struct Expected {
    long long ms = 0;      // since GPS week 0
    bool ecef = false;
    double a = 0, b = 0, c = 0;  // lat, lon, ellipsoidal height; or X, Y, Z
    Class cls = Class::None;
};

double f8(const std::uint8_t* p) { double v; std::memcpy(&v, p, 8); return v; }
float f4(const std::uint8_t* p) { float v; std::memcpy(&v, p, 4); return v; }
std::uint32_t u32(const std::uint8_t* p) { return testing::scanLe32(p); }

std::vector<std::string_view> split(std::string_view s, char by)
{
    std::vector<std::string_view> out;
    for (std::size_t at; (at = s.find(by)) != std::string_view::npos;) {
        out.push_back(s.substr(0, at));
        s.remove_prefix(at + 1);
    }
    out.push_back(s);
    return out;
}

double num(std::string_view s)
{
    double v = std::nan("");
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

bool readBinary(const std::uint8_t* f, const testing::ScannedNovatelFrame& s, Expected& e)
{
    const std::size_t header = s.shortHeader ? 12 : f[3];
    const unsigned week = s.shortHeader ? (f[6] | (f[7] << 8)) : (f[14] | (f[15] << 8));
    const std::uint32_t ms = s.shortHeader ? u32(f + 8) : u32(f + 16);
    const std::uint8_t* body = f + header;
    bool computed = false;
    std::uint32_t type = 0;
    if (s.id == 42 || s.id == 1429) {
        computed = u32(body) == 0;
        type = u32(body + 4);
        e.a = f8(body + 8);
        e.b = f8(body + 16);
        e.c = f8(body + 24) + f4(body + 32);
    } else if (s.id == 241) {
        computed = u32(body) == 0;
        type = u32(body + 4);
        e.ecef = true;
        e.a = f8(body + 8);
        e.b = f8(body + 16);
        e.c = f8(body + 24);
    } else if (s.id == 1465) {
        const std::uint32_t ins = u32(body);
        computed = ins == 2 || ins == 3 || ins == 6 || ins == 7;
        type = u32(body + 4);
        e.a = f8(body + 8);
        e.b = f8(body + 16);
        e.c = f8(body + 24) + f4(body + 32);
    } else {
        return false;
    }
    e.cls = classOfType(type);
    e.ms = week * 604800000LL + ms;
    return computed && e.cls != Class::None && week != 0;
}

bool readAscii(std::string_view text, Expected& e)
{
    const std::size_t semi = text.find(';');
    const std::size_t star = text.rfind('*');
    const auto header = split(text.substr(1, semi - 1), ',');
    const auto body = split(text.substr(semi + 1, star - semi - 1), ',');
    const std::string_view name = header[0];
    if (header.size() < 7 || body.size() < 15) {
        return false;
    }
    const double week = num(header[5]);
    e.ms = std::llround(week * 604800000.0 + num(header[6]) * 1000);
    bool computed = body[0] == "SOL_COMPUTED";
    if (name == "BESTPOSA" || name == "BESTGNSSPOSA") {
        e.a = num(body[2]);
        e.b = num(body[3]);
        e.c = num(body[4]) + num(body[5]);
    } else if (name == "BESTXYZA") {
        e.ecef = true;
        e.a = num(body[2]);
        e.b = num(body[3]);
        e.c = num(body[4]);
    } else if (name == "INSPVAXA") {
        computed = body[0] == "INS_SOLUTION_GOOD" || body[0] == "INS_HIGH_VARIANCE" ||
                   body[0] == "INS_SOLUTION_FREE" || body[0] == "INS_ALIGNMENT_COMPLETE";
        e.a = num(body[2]);
        e.b = num(body[3]);
        e.c = num(body[4]) + num(body[5]);
    } else {
        return false;
    }
    e.cls = classOfTypeName(body[1]);
    return computed && e.cls != Class::None && week != 0;
}

// The solutions with a position, first of each time, as the format
// describes them.
std::vector<Expected> expectedSolutions(const std::vector<std::uint8_t>& bytes,
                                        const testing::NovatelScan& scan,
                                        std::uint64_t* repeats = nullptr)
{
    std::vector<Expected> out;
    for (const auto& s : scan.frames) {
        Expected e;
        const bool usable = s.ascii ? readAscii(s.text, e) : readBinary(bytes.data() + s.offset, s, e);
        if (!usable) {
            continue;
        }
        if (!out.empty() && out.back().ms == e.ms) {
            if (repeats != nullptr) {
                ++*repeats;
            }
            continue;
        }
        out.push_back(e);
    }
    return out;
}

void toEcef(double latDeg, double lonDeg, double h, double xyz[3])
{
    const double a = 6378137.0;
    const double e2 = 6.69437999014e-3;
    const double lat = latDeg * std::numbers::pi / 180;
    const double lon = lonDeg * std::numbers::pi / 180;
    const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
    xyz[0] = (n + h) * std::cos(lat) * std::cos(lon);
    xyz[1] = (n + h) * std::cos(lat) * std::sin(lon);
    xyz[2] = (n * (1 - e2) + h) * std::sin(lat);
}

GNSSLog analyse(const std::vector<std::uint8_t>& bytes)
{
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{},
                       novatelFormat(), PipelineOptions{});
    return result;
}

TEST(NovatelRealLogs, RecordsAndCrcFailuresAreThoseOfAnIndependentScan)
{
    std::size_t total = 0;
    std::size_t found = 0;
    for (const char* name : kNovatelLogs) {
        const fs::path path = realLogFolder() / name;
        if (!fs::exists(path)) {
            continue;
        }
        ++found;
        SCOPED_TRACE(name);
        const auto bytes = readBytes(path);
        const auto scan = testing::scanNovatelFrames(bytes.data(), bytes.size());
        const auto expected = expectedSolutions(bytes, scan);
        const GNSSLog result = analyse(bytes);
        EXPECT_EQ(result.dataQuality.frames, scan.frames.size());
        EXPECT_EQ(result.dataQuality.rejectedChecksum, scan.crcFailures);
        ASSERT_EQ(result.records.size(), expected.size());
        const long long weekStart =
            expected.empty() ? 0 : expected[0].ms / 604800000LL * 604800000LL;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const GNSSRecord& r = result.records[i];
            const Expected& e = expected[i];
            ASSERT_TRUE(testing::allFinite(r));
            EXPECT_DOUBLE_EQ(r.time, static_cast<double>(e.ms - weekStart) / 1000) << i;
            double got[3];
            double want[3] = {e.a, e.b, e.c};
            toEcef(r.latitude, r.longitude, r.height, got);
            if (!e.ecef) {
                toEcef(e.a, e.b, e.c, want);
            }
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(got[k], want[k], 0.001) << i;  // 1 mm
            }
            EXPECT_TRUE(fits(r.fixType, e.cls)) << i;
        }
        total += expected.size();
    }
    if (found == 0) {
        GTEST_SKIP() << "no NovAtel logs in " << realLogFolder();
    }
    EXPECT_GT(total, 0u);
}

// The same recording as binary and as ASCII gives the same records.
TEST(NovatelRealLogs, BinaryAndAsciiRecordingsOfOneRunAgree)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"gavlab-ParsingData.GPS", "gavlab-ParsingData.ASC"},
        {"gavlab-test1_rcvr1.dat", "gavlab-test1_rcvr1.ASC"},
    };
    std::size_t compared = 0;
    for (const auto& [binary, ascii] : pairs) {
        const fs::path b = realLogFolder() / binary;
        const fs::path a = realLogFolder() / ascii;
        if (!fs::exists(b) || !fs::exists(a)) {
            continue;
        }
        SCOPED_TRACE(binary);
        const GNSSLog fromBinary = analyse(readBytes(b));
        const GNSSLog fromAscii = analyse(readBytes(a));
        ASSERT_EQ(fromBinary.records.size(), fromAscii.records.size());
        for (std::size_t i = 0; i < fromBinary.records.size(); ++i) {
            const GNSSRecord& x = fromBinary.records[i];
            const GNSSRecord& y = fromAscii.records[i];
            EXPECT_DOUBLE_EQ(x.time, y.time);
            // ASCII rounds degrees to 11 decimals, X/Y/Z to 0.1 mm.
            EXPECT_NEAR(x.latitude, y.latitude, 1e-8);
            EXPECT_NEAR(x.longitude, y.longitude, 1e-8);
            EXPECT_NEAR(x.height, y.height, 1e-3);
            EXPECT_EQ(x.fixType, y.fixType);
            EXPECT_EQ(x.satellites, y.satellites);
            EXPECT_NEAR(x.errorEstimate, y.errorEstimate, 1e-3);
        }
        compared += fromBinary.records.size();
    }
    if (compared == 0) {
        GTEST_SKIP() << "no binary/ASCII pairs in " << realLogFolder();
    }
}

TEST(NovatelRealLogs, EachEpochSentTwiceIsOneRecordAndTheRepeatIsCounted)
{
    const fs::path path = realLogFolder() / "rosdrivers-propak6-basic-fix.gps";
    if (!fs::exists(path)) {
        GTEST_SKIP() << path << " not found";
    }
    const auto bytes = readBytes(path);
    const auto scan = testing::scanNovatelFrames(bytes.data(), bytes.size());
    std::set<long long> times;
    std::uint64_t bestpos = 0;
    for (const auto& s : scan.frames) {
        if (!s.ascii && s.id == NovatelLog::BestPos) {
            const std::uint8_t* f = bytes.data() + s.offset;
            times.insert((f[14] | (f[15] << 8)) * 604800000LL + u32(f + 16));
            ++bestpos;
        }
    }
    ASSERT_GT(bestpos, times.size());  // the log repeats epochs
    const GNSSLog result = analyse(bytes);
    EXPECT_EQ(result.records.size(), times.size());
    for (std::size_t i = 1; i < result.records.size(); ++i) {
        ASSERT_GT(result.records[i].time, result.records[i - 1].time);
    }
    // Each repeat, and each BESTXYZ of an epoch, is joined to its record.
    EXPECT_GE(result.dataQuality.joinedFrames, bestpos - times.size());
}

TEST(NovatelRealLogs, ALogCutInsideAFrameKeepsEveryWholeFrameBeforeTheCut)
{
    for (const char* name : {"gavlab-ParsingData.GPS", "gavlab-ParsingData.ASC"}) {
        const fs::path path = realLogFolder() / name;
        if (!fs::exists(path)) {
            continue;
        }
        SCOPED_TRACE(name);
        const auto whole = readBytes(path);
        const auto wholeScan = testing::scanNovatelFrames(whole.data(), whole.size());
        const auto wholeExpected = expectedSolutions(whole, wholeScan);
        // Cut in the middle of the last solution frame.
        std::size_t cut = 0;
        for (const auto& s : wholeScan.frames) {
            Expected e;
            if (s.ascii ? readAscii(s.text, e) : readBinary(whole.data() + s.offset, s, e)) {
                cut = s.offset + s.length / 2;
            }
        }
        ASSERT_GT(cut, 0u);
        const std::vector<std::uint8_t> bytes(whole.begin(),
                                              whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const auto scan = testing::scanNovatelFrames(bytes.data(), bytes.size());
        const GNSSLog result = analyse(bytes);
        EXPECT_EQ(result.dataQuality.frames, scan.frames.size());
        EXPECT_EQ(result.records.size(), expectedSolutions(bytes, scan).size());
        EXPECT_EQ(result.records.size() + 1, wholeExpected.size());
        EXPECT_EQ(result.dataQuality.truncatedFrames, 1u);
    }
}

}  // namespace
}  // namespace gnsslog
