// The NavCom side of the generator: "[PVT1B]" solutions and the other
// binary messages around them.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/Saturate.h"
#include "geodesy/Kkj.h"
#include "log/GnssRecord.h"
#include "tools/samplegen/GeneratorState.h"
#include "tools/samplegen/NmeaWriter.h"
#include "tools/samplegen/Pvt1bEncoder.h"

namespace gnsslog {

using namespace samplegen;

std::string LogGenerator::State::navcomSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                std::uint8_t& fixType)
{
    const SpellModel m = model(spell);
    Pvt1bFields f;
    const std::int64_t weekMs = ms % kWeekMs;
    f.week = static_cast<std::uint16_t>(2400 + ms / kWeekMs);
    f.timeMs = static_cast<std::uint32_t>(weekMs);
    decodedTime = f.timeMs * 0.001;
    const int gps = static_cast<int>(rng.between(7, 12));
    const int glonass = static_cast<int>(rng.between(4, 8));
    for (int i = 0; i < gps;) {
        const std::uint32_t bit = 1u << rng.between(0, 31);
        if ((f.gpsMask & bit) == 0) {
            f.gpsMask |= bit;
            ++i;
        }
    }
    for (int i = 0; i < glonass;) {
        const std::uint32_t bit = 1u << rng.between(0, 23);
        if ((f.glonassMask & bit) == 0) {
            f.glonassMask |= bit;
            ++i;
        }
    }
    f.satellites = static_cast<std::uint8_t>(gps + glonass);
    f.dop1 = static_cast<std::uint8_t>(rng.between(6, 12));
    f.dop2 = static_cast<std::uint8_t>(rng.between(5, 10));
    f.dop3 = static_cast<std::uint8_t>(rng.between(10, 18));
    f.correctionAge = static_cast<std::uint16_t>(rng.between(1, 3));
    f.headerByte = 0x02;
    f.trailingBytes = 4;
    if (spell == Spell::NoPosition) {
        f.status = 0x00;
        f.mode = Pvt1bMode::NoPosition;
        f.satellites = static_cast<std::uint8_t>(rng.between(0, 3));
        valid = false;
        fixType = FixType::NoPosition;
        return encodePvt1bMessage(f);
    }
    const double dn = biasN + m.sigmaH * rng.gauss();
    const double de = biasE + m.sigmaH * rng.gauss();
    const double du = biasU + m.sigmaV * rng.gauss();
    const RawAngle lat = degreesToRawAngle(truth.latitude + dn / kMetresPerDegreeLat);
    const RawAngle lon = degreesToRawAngle(truth.longitude + de / metresPerDegreeLon);
    const RawHeight h = metresToRawHeight(truth.height + du);
    f.status = 0x01;
    f.rawLatitude = lat.raw;
    f.latExtension = lat.extension;
    f.rawLongitude = lon.raw;
    f.lonExtension = lon.extension;
    f.heightMm = h.millimetres;
    f.heightCorrection = h.correction;
    const auto component = [&](double sigma) {
        return static_cast<std::uint16_t>(toInt32(sigma * 1024.0 * (0.8 + 0.4 * rng.uniform())));
    };
    f.error1 = component(m.sigmaH);
    f.error2 = component(m.sigmaH);
    f.error3 = component(m.sigmaV);
    switch (spell) {
    case Spell::Fixed: f.mode = Pvt1bMode::RtkFixed; fixType = FixType::RtkFixed; break;
    case Spell::Float:
        f.mode = rng.chance(0.5) ? Pvt1bMode::RtkFloat : 0x50;  // modes 3, 5 and 6 are all float
        fixType = FixType::RtkFloat;
        break;
    case Spell::RtkX: f.mode = Pvt1bMode::RtkX; fixType = FixType::RtkX; break;
    default:
        f.mode = rng.chance(0.5) ? Pvt1bMode::StandAlone : 0x20;
        fixType = FixType::StandAlone;
        break;
    }
    f.mode = static_cast<std::uint8_t>(f.mode | rng.between(0, 15));  // low nibble is not read
    valid = true;
    return encodePvt1bMessage(f);
}

// outcome: 1 kept record, 0 framed but rejected, -1 no sentence at all.

std::string LogGenerator::State::navcomNoise(std::int64_t ms)
{
    const std::size_t labels = sizeof kNavcomNoiseLabels / sizeof kNavcomNoiseLabels[0];
    const char* label = kNavcomNoiseLabels[rng.between(0, static_cast<std::int64_t>(labels) - 1)];
    std::string rest;
    const std::int64_t weekMs = ms % kWeekMs;
    rest.push_back(static_cast<char>(0x60));
    rest.push_back(static_cast<char>(0x09));
    for (int i = 0; i < 4; ++i) {
        rest.push_back(static_cast<char>((weekMs >> (8 * i)) & 0xFF));
    }
    rest.push_back('\0');
    const auto body = rng.between(8, 200);
    for (std::int64_t i = 0; i < body; ++i) {
        rest.push_back(static_cast<char>(rng.next() & 0xFF));
    }
    return encodeNavcomMessage(label, rest);
}

std::string LogGenerator::State::bootloaderMessage()
{
    // The framer drops this label at its "]"; the rest is then read as loose
    // bytes, so none of them may be "[".
    for (;;) {
        std::string rest;
        const auto body = rng.between(8, 64);
        for (std::int64_t i = 0; i < 7 + body; ++i) {
            char c = static_cast<char>(rng.next() & 0xFF);
            rest.push_back(c == '[' ? '\0' : c);
        }
        std::string message = encodeNavcomMessage("[BOOTLOADB]", rest);
        if (message.find('[', 1) == std::string::npos) {
            return message;
        }
    }
}


}  // namespace gnsslog
