// The NovAtel side of the generator: per epoch a BESTPOS log (a BESTXYZ
// of the same solution after some of them) among the receiver's other
// logs, all in binary with long headers or all in ASCII.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/FormatNumber.h"
#include "log/GnssRecord.h"
#include "log/formats/novatel/Crc32.h"
#include "tools/samplegen/GeneratorState.h"

namespace gnsslog {

using namespace samplegen;

namespace {

constexpr std::uint16_t kBestPos = 42;
constexpr std::uint16_t kBestXyz = 241;

constexpr std::size_t kHeaderBytes = 28;
constexpr std::size_t kBestPosBytes = 72;
constexpr std::size_t kBestXyzBytes = 112;
constexpr std::uint8_t kPortCom1 = 0x20;
constexpr std::uint8_t kFineSteering = 180;
constexpr std::uint16_t kSoftwareBuild = 16809;
constexpr std::uint32_t kDatumWgs84 = 61;

constexpr std::uint32_t kSolComputed = 0;
constexpr std::uint32_t kInsufficientObs = 1;
constexpr double kBestXyzShare = 0.3;

struct PositionType {
    std::uint32_t code;
    const char* name;
};
constexpr PositionType kNone = {0, "NONE"};

// The spell's position type and the fix class the analysis reads from it.
PositionType positionTypeOf(Spell spell, std::uint8_t& fixType)
{
    switch (spell) {
    case Spell::Fixed: fixType = FixType::RtkFixed; return {50, "NARROW_INT"};
    case Spell::Float: fixType = FixType::RtkFloat; return {34, "NARROW_FLOAT"};
    case Spell::RtkX: fixType = FixType::Dgnss; return {17, "PSRDIFF"};  // no RTK-X: the nearest type
    case Spell::Single: fixType = FixType::StandAlone; return {16, "SINGLE"};
    case Spell::NoPosition: break;
    }
    fixType = FixType::NoPosition;
    return kNone;
}

// Other logs a receiver sends: binary ID and ASCII name.
struct OtherLog {
    std::uint16_t id;
    const char* name;
};
constexpr OtherLog kOtherLogs[] = {{43, "RANGE"}, {83, "TRACKSTAT"}, {99, "BESTVEL"}, {101, "TIME"}};

std::string binaryLog(std::uint16_t id, std::int64_t ms, std::uint16_t sequence, const std::string& body)
{
    std::string log(kHeaderBytes, '\0');
    log[0] = '\xAA';
    log[1] = '\x44';
    log[2] = '\x12';
    putLe(log, 3, kHeaderBytes, 1);
    putLe(log, 4, id, 2);
    putLe(log, 7, kPortCom1, 1);
    putLe(log, 8, body.size(), 2);
    putLe(log, 10, sequence, 2);
    putLe(log, 13, kFineSteering, 1);
    putLe(log, 14, static_cast<std::uint64_t>(kFirstGpsWeek + ms / kWeekMs), 2);
    putLe(log, 16, static_cast<std::uint64_t>(ms % kWeekMs), 4);
    putLe(log, 26, kSoftwareBuild, 2);
    log += body;
    const auto crc = crc32Novatel(reinterpret_cast<const std::uint8_t*>(log.data()), log.size());
    log.resize(log.size() + 4);
    putLe(log, log.size() - 4, crc, 4);
    return log;
}

std::string asciiLog(std::string_view name, std::int64_t ms, std::uint16_t sequence, std::string_view fields)
{
    std::string text(name);
    text += "A,COM1,";
    appendInt(text, sequence);
    text += ",60.0,FINESTEERING,";
    appendInt(text, kFirstGpsWeek + ms / kWeekMs);
    text += ',';
    appendFixed(text, static_cast<double>(ms % kWeekMs) * 0.001, 3);
    text += ",02000000,b1f6,";
    appendInt(text, kSoftwareBuild);
    text += ';';
    text += fields;
    const auto crc = crc32Novatel(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string log = "#" + text + "*";
    for (int shift = 28; shift >= 0; shift -= 4) {
        log += kHex[(crc >> shift) & 0xF];
    }
    log += "\r\n";
    return log;
}

// A BESTPOS as the receiver fills it, before it is written.
struct BestPos {
    bool computed = false;
    PositionType type = kNone;
    EpochSolution solution;
    float undulation = 0;     // metres, geoid above the ellipsoid
    float sigmas[3] = {};     // metres, 1 sigma latitude, longitude, height
    float differentialAge = 0;
    int tracked = 0;
};

// The log and, in errorEstimate, the error estimate of the sigmas as written.
std::string asciiBestPos(const BestPos& p, std::int64_t ms, std::uint16_t sequence, double& errorEstimate)
{
    const EpochSolution& e = p.solution;
    std::string f = p.computed ? "SOL_COMPUTED," : "INSUFFICIENT_OBS,";
    f += p.type.name;
    for (const double degrees : {e.latitude, e.longitude}) {
        f += ',';
        appendFixed(f, degrees, 11);
    }
    f += ',';
    appendFixed(f, e.height - p.undulation, 4);
    f += ',';
    appendFixed(f, p.undulation, 4);
    f += ",WGS84";
    double sum = 0;
    for (const float sigma : p.sigmas) {
        const std::string text = formatFixed(sigma, 4);
        f += ',' + text;
        double written = 0;
        std::from_chars(text.data(), text.data() + text.size(), written);
        sum += written * written;
    }
    errorEstimate = std::sqrt(sum);
    f += ",\"0\",";
    appendFixed(f, p.differentialAge, 3);
    f += ",0.000,";
    appendInt(f, p.tracked);
    for (int i = 0; i < 3; ++i) {
        f += ',';
        appendInt(f, e.satellites);
    }
    f += ",00,0b,00,33";
    return asciiLog("BESTPOS", ms, sequence, f);
}

std::string binaryBestPos(const BestPos& p, std::int64_t ms, std::uint16_t sequence, double& errorEstimate)
{
    const EpochSolution& e = p.solution;
    std::string body(kBestPosBytes, '\0');
    putLe(body, 0, p.computed ? kSolComputed : kInsufficientObs, 4);
    putLe(body, 4, p.type.code, 4);
    putF8(body, 8, e.latitude);
    putF8(body, 16, e.longitude);
    putF8(body, 24, e.height - p.undulation);
    putF4(body, 32, p.undulation);
    putLe(body, 36, kDatumWgs84, 4);
    double sum = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        putF4(body, 40 + 4 * i, p.sigmas[i]);
        sum += static_cast<double>(p.sigmas[i]) * static_cast<double>(p.sigmas[i]);
    }
    errorEstimate = std::sqrt(sum);
    body[52] = '0';
    putF4(body, 56, p.differentialAge);
    putLe(body, 64, static_cast<std::uint64_t>(p.tracked), 1);
    for (std::size_t i = 65; i < 68; ++i) {
        putLe(body, i, static_cast<std::uint64_t>(e.satellites), 1);
    }
    return binaryLog(kBestPos, ms, sequence, body);
}

std::string binaryBestXyz(const BestPos& p, std::int64_t ms, std::uint16_t sequence)
{
    std::string body(kBestXyzBytes, '\0');
    putLe(body, 4, p.type.code, 4);
    double xyz[3];
    toEcef(p.solution.latitude, p.solution.longitude, p.solution.height, xyz);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        putF8(body, 8 + 8 * axis, xyz[axis]);
        putF4(body, 32 + 4 * axis, p.sigmas[axis]);
    }
    putLe(body, 105, static_cast<std::uint64_t>(p.solution.satellites), 1);
    return binaryLog(kBestXyz, ms, sequence, body);
}

}  // namespace

std::string LogGenerator::State::novatelSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                 std::uint8_t& fixType)
{
    const auto sequence = static_cast<std::uint16_t>(rng.between(0, 2));
    BestPos p;
    p.type = positionTypeOf(spell, fixType);
    p.computed = valid = p.type.code != kNone.code;
    if (valid) {
        p.solution = drawSolution();
        decodedTime = gpsWeekSeconds(ms);
    } else {
        p.solution.satellites = static_cast<int>(rng.between(0, 3));
    }
    const EpochSolution& e = p.solution;
    p.undulation = static_cast<float>(truth.geoidSeparation);
    p.sigmas[0] = static_cast<float>(e.sigmaLatitude);
    p.sigmas[1] = static_cast<float>(e.sigmaLongitude);
    p.sigmas[2] = static_cast<float>(e.sigmaHeight);
    p.differentialAge = static_cast<float>(valid && spell != Spell::Single ? rng.between(1, 3) : 0);
    p.tracked = static_cast<int>(e.satellites + rng.between(0, 4));
    double errorEstimate = 0;
    std::string logs;
    if (options.format == LogFormat::NovatelAscii) {
        logs = asciiBestPos(p, ms, sequence, errorEstimate);
    } else {
        logs = binaryBestPos(p, ms, sequence, errorEstimate);
        if (valid && rng.chance(kBestXyzShare)) {
            // The same solution in ECEF: joined to the BESTPOS, which came first.
            logs += binaryBestXyz(p, ms, sequence);
        }
    }
    if (valid) {
        noteRecord(e.latitude, e.longitude, e.height, errorEstimate, 0.0, e.satellites);
    }
    return logs;
}

std::string LogGenerator::State::novatelNoise(std::int64_t ms)
{
    const OtherLog& other = kOtherLogs[rng.between(0, static_cast<std::int64_t>(std::size(kOtherLogs)) - 1)];
    // RANGE runs long, the others stay short.
    const std::int64_t count = other.id == kOtherLogs[0].id ? rng.between(10, 60) : rng.between(2, 8);
    const auto sequence = static_cast<std::uint16_t>(rng.between(0, 2));
    if (options.format == LogFormat::NovatelAscii) {
        std::string fields;
        appendInt(fields, count);
        for (std::int64_t i = 0; i < count; ++i) {
            fields += ',';
            appendFixed(fields, static_cast<double>(rng.between(-99999999, 99999999)) * 0.001, 3);
        }
        return asciiLog(other.name, ms, sequence, fields);
    }
    std::string body(static_cast<std::size_t>(4 + 16 * count), '\0');
    for (char& c : body) {
        c = static_cast<char>(rng.next() & 0xFF);
    }
    return binaryLog(other.id, ms, sequence, body);
}

}  // namespace gnsslog
