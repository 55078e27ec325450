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

}  // namespace

std::string LogGenerator::State::novatelSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                 std::uint8_t& fixType)
{
    const bool ascii = options.format == LogFormat::NovatelAscii;
    const auto sequence = static_cast<std::uint16_t>(rng.between(0, 2));
    const PositionType type = positionTypeOf(spell, fixType);
    valid = type.code != kNone.code;
    EpochSolution e;
    if (valid) {
        e = drawSolution();
        decodedTime = gpsWeekSeconds(ms);
    } else {
        e.satellites = static_cast<int>(rng.between(0, 3));
    }
    // Floats as the binary log carries them; ASCII writes them to 4 decimals.
    const auto undulation = static_cast<float>(truth.geoidSeparation);
    const float sigmas[3] = {static_cast<float>(e.sigmaLatitude), static_cast<float>(e.sigmaLongitude),
                             static_cast<float>(e.sigmaHeight)};
    const double heightMsl = e.height - undulation;
    const auto differentialAge = static_cast<float>(valid && spell != Spell::Single ? rng.between(1, 3) : 0);
    const auto tracked = static_cast<int>(e.satellites + rng.between(0, 4));
    const std::uint32_t status = valid ? kSolComputed : kInsufficientObs;
    std::string logs;
    double errorEstimate = 0;
    if (ascii) {
        std::string f = valid ? "SOL_COMPUTED," : "INSUFFICIENT_OBS,";
        f += type.name;
        for (const double degrees : {e.latitude, e.longitude}) {
            f += ',';
            appendFixed(f, degrees, 11);
        }
        f += ',';
        appendFixed(f, heightMsl, 4);
        f += ',';
        appendFixed(f, undulation, 4);
        f += ",WGS84";
        double sum = 0;
        for (const float sigma : sigmas) {
            const std::string text = formatFixed(sigma, 4);
            f += ',' + text;
            double written = 0;
            std::from_chars(text.data(), text.data() + text.size(), written);
            sum += written * written;
        }
        errorEstimate = std::sqrt(sum);
        f += ",\"0\",";
        appendFixed(f, differentialAge, 3);
        f += ",0.000,";
        appendInt(f, tracked);
        for (int i = 0; i < 3; ++i) {
            f += ',';
            appendInt(f, e.satellites);
        }
        f += ",00,0b,00,33";
        logs = asciiLog("BESTPOS", ms, sequence, f);
    } else {
        std::string body(kBestPosBytes, '\0');
        putLe(body, 0, status, 4);
        putLe(body, 4, type.code, 4);
        putF8(body, 8, e.latitude);
        putF8(body, 16, e.longitude);
        putF8(body, 24, heightMsl);
        putF4(body, 32, undulation);
        putLe(body, 36, kDatumWgs84, 4);
        double sum = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            putF4(body, 40 + 4 * i, sigmas[i]);
            sum += static_cast<double>(sigmas[i]) * static_cast<double>(sigmas[i]);
        }
        errorEstimate = std::sqrt(sum);
        body[52] = '0';
        putF4(body, 56, differentialAge);
        putLe(body, 64, static_cast<std::uint64_t>(tracked), 1);
        for (std::size_t i = 65; i < 68; ++i) {
            putLe(body, i, static_cast<std::uint64_t>(e.satellites), 1);
        }
        logs = binaryLog(kBestPos, ms, sequence, body);
        if (valid && rng.chance(kBestXyzShare)) {
            // The same solution in ECEF: joined to the BESTPOS, which came first.
            std::string xyzBody(kBestXyzBytes, '\0');
            putLe(xyzBody, 4, type.code, 4);
            double xyz[3];
            toEcef(e.latitude, e.longitude, e.height, xyz);
            for (std::size_t axis = 0; axis < 3; ++axis) {
                putF8(xyzBody, 8 + 8 * axis, xyz[axis]);
                putF4(xyzBody, 32 + 4 * axis, sigmas[axis]);
            }
            putLe(xyzBody, 105, static_cast<std::uint64_t>(e.satellites), 1);
            logs += binaryLog(kBestXyz, ms, sequence, xyzBody);
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
