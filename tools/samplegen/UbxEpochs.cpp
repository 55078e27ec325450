// The u-blox side of the generator: NAV-PVT solutions, a NAV-HPPOSLLH
// for some epochs, or the NAV-POSLLH, NAV-STATUS and NAV-SOL of receivers
// older than NAV-PVT, and the receiver's other traffic around them (other
// UBX messages, long raw-measurement messages the framer drops by their
// length, NMEA sentences).
#include <cmath>
#include <numbers>
#include <cstdint>
#include <string>

#include "log/GnssRecord.h"
#include "tools/samplegen/GeneratorState.h"

namespace gnsslog {

using namespace samplegen;

namespace {

constexpr std::uint8_t kClassNav = 0x01;
constexpr std::uint8_t kIdPvt = 0x07;
constexpr std::uint8_t kIdHpposllh = 0x14;
constexpr std::uint8_t kIdSat = 0x35;
constexpr std::uint8_t kClassRxm = 0x02;
constexpr std::uint8_t kIdRawx = 0x15;

constexpr std::uint8_t kIdPosllh = 0x02;
constexpr std::uint8_t kIdStatus = 0x03;
constexpr std::uint8_t kIdSol = 0x06;

constexpr std::size_t kPvtPayload = 92;
constexpr std::size_t kSolPayload = 52;
constexpr std::size_t kPosllhPayload = 28;
constexpr std::size_t kStatusPayload = 16;
constexpr std::size_t kStatusMsssOffset = 12;  // U4: milliseconds since start-up

// NAV-SOL and NAV-STATUS flags: gpsFixOk, diffSoln, week and time of week set.
constexpr std::uint8_t kGpsFixOk = 0x01;
constexpr std::uint8_t kDiffSoln = 0x02;
constexpr std::uint8_t kWeekAndTowSet = 0x0C;
constexpr std::size_t kHpposllhPayload = 36;

constexpr std::uint8_t kGnssFixOk = 0x01;
constexpr std::uint8_t kCarrierFloat = 1u << 6;
constexpr std::uint8_t kCarrierFixed = 2u << 6;
constexpr std::uint8_t kInvalidLlh = 0x01;
constexpr std::uint8_t kFix3D = 3;

std::uint32_t asU32(std::int64_t value)
{
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::string samplegen::ubxFrame(std::uint8_t messageClass, std::uint8_t id, const std::string& payload)
{
    std::string frame = "\xB5\x62";
    frame += static_cast<char>(messageClass);
    frame += static_cast<char>(id);
    frame += static_cast<char>(payload.size() & 0xFF);
    frame += static_cast<char>((payload.size() >> 8) & 0xFF);
    frame += payload;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::size_t i = 2; i < frame.size(); ++i) {
        a = static_cast<std::uint8_t>(a + static_cast<std::uint8_t>(frame[i]));
        b = static_cast<std::uint8_t>(b + a);
    }
    frame += static_cast<char>(a);
    frame += static_cast<char>(b);
    return frame;
}

std::string LogGenerator::State::ubxSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                             std::uint8_t& fixType)
{
    const SpellModel m = model(spell);
    const auto iTow = static_cast<std::uint32_t>(ms % kWeekMs);
    decodedTime = iTow * 0.001;
    std::string pvt(kPvtPayload, '\0');
    std::string hp(kHpposllhPayload, '\0');
    putLe(pvt, 0, iTow, 4);
    putLe(hp, 4, iTow, 4);
    const auto satellites = rng.between(8, 30);
    const auto pdop = rng.between(90, 250);
    putLe(pvt, 23, static_cast<std::uint64_t>(satellites), 1);
    putLe(pvt, 76, static_cast<std::uint64_t>(pdop), 2);
    const bool withHp = rng.chance(0.5);
    if (spell == Spell::NoPosition) {
        // No fix: the receiver still writes its last position.
        putLe(pvt, 20, kFix3D, 1);
        putLe(pvt, 24, asU32(std::llround(truth.longitude * 1e7)), 4);
        putLe(pvt, 28, asU32(std::llround(truth.latitude * 1e7)), 4);
        putLe(hp, 3, kInvalidLlh, 1);
        valid = false;
        fixType = FixType::NoPosition;
        const std::string frame = ubxFrame(kClassNav, kIdPvt, pvt);
        return withHp ? ubxFrame(kClassNav, kIdHpposllh, hp) + frame : frame;
    }
    const double latitude = truth.latitude + axisError(biasN, m.sigmaH) / kMetresPerDegreeLat;
    const double longitude = truth.longitude + axisError(biasE, m.sigmaH) / metresPerDegreeLon;
    const double height = truth.height + axisError(biasU, m.sigmaV);
    std::uint8_t flags = kGnssFixOk;
    switch (spell) {
    case Spell::Fixed: flags |= kCarrierFixed; fixType = FixType::RtkFixed; break;
    case Spell::Float:
    case Spell::RtkX: flags |= kCarrierFloat; fixType = FixType::RtkFloat; break;
    default: fixType = FixType::StandAlone; break;
    }
    putLe(pvt, 20, kFix3D, 1);
    putLe(pvt, 21, flags, 1);
    const std::int64_t lon7 = std::llround(longitude * 1e7);
    const std::int64_t lat7 = std::llround(latitude * 1e7);
    const std::int64_t heightMm = std::llround(height * 1000.0);
    putLe(pvt, 24, asU32(lon7), 4);
    putLe(pvt, 28, asU32(lat7), 4);
    putLe(pvt, 32, asU32(heightMm), 4);
    putLe(pvt, 36, asU32(heightMm - std::llround(truth.geoidSeparation * 1000.0)), 4);
    auto hAccMm = static_cast<std::uint32_t>(std::llround(1000.0 * m.sigmaH * (1.0 + rng.uniform())));
    auto vAccMm = static_cast<std::uint32_t>(std::llround(1000.0 * m.sigmaV * (1.0 + rng.uniform())));
    if (options.sigmaHonesty > 0) {
        // The horizontal RMS of the per-axis noise, as the decoder reads hAcc.
        hAccMm = static_cast<std::uint32_t>(std::llround(1000.0 * m.sigmaH * std::numbers::sqrt2));
        vAccMm = static_cast<std::uint32_t>(std::llround(1000.0 * m.sigmaV));
    }
    putLe(pvt, 40, hAccMm, 4);
    putLe(pvt, 44, vAccMm, 4);
    valid = true;
    noteRecord(latitude, longitude, height, std::hypot(hAccMm * 0.001, vAccMm * 0.001),
               static_cast<double>(pdop) * 0.01, static_cast<int>(satellites));
    std::string frames = ubxFrame(kClassNav, kIdPvt, pvt);
    if (withHp) {
        putLe(hp, 8, asU32(lon7), 4);
        putLe(hp, 12, asU32(lat7), 4);
        putLe(hp, 16, asU32(heightMm), 4);
        putLe(hp, 24, static_cast<std::uint64_t>(std::llround((longitude * 1e7 - lon7) * 100.0)) & 0xFF, 1);
        putLe(hp, 25, static_cast<std::uint64_t>(std::llround((latitude * 1e7 - lat7) * 100.0)) & 0xFF, 1);
        putLe(hp, 26, static_cast<std::uint64_t>(std::llround((height * 1000.0 - heightMm) * 10.0)) & 0xFF, 1);
        putLe(hp, 28, hAccMm * 10u, 4);
        putLe(hp, 32, vAccMm * 10u, 4);
        frames = rng.chance(0.5) ? frames + ubxFrame(kClassNav, kIdHpposllh, hp)
                                 : ubxFrame(kClassNav, kIdHpposllh, hp) + frames;
    }
    return frames;
}

// Receivers before NAV-PVT tell no carrier solution: the RTK spells are
// differential fixes, gpsFix 3 with diffSoln.
std::string LogGenerator::State::ubxOlderSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                  std::uint8_t& fixType)
{
    const auto iTow = static_cast<std::uint32_t>(ms % kWeekMs);
    decodedTime = iTow * 0.001;
    std::string sol(kSolPayload, '\0');
    std::string posllh(kPosllhPayload, '\0');
    std::string status(kStatusPayload, '\0');
    putLe(sol, 0, iTow, 4);
    putLe(posllh, 0, iTow, 4);
    putLe(status, 0, iTow, 4);
    putLe(sol, 8, static_cast<std::uint64_t>(kFirstGpsWeek + ms / kWeekMs), 2);
    valid = spell != Spell::NoPosition;
    const EpochSolution e = valid ? drawSolution() : EpochSolution{truth.latitude, truth.longitude, truth.height,
                                                                   50.0, 50.0, 80.0, 99.99, 2};
    std::uint8_t flags = kWeekAndTowSet;
    std::uint8_t gpsFix = 0;
    fixType = FixType::NoPosition;
    if (valid) {
        gpsFix = kFix3D;
        flags |= kGpsFixOk;
        fixType = FixType::StandAlone;
        if (spell != Spell::Single) {
            flags |= kDiffSoln;
            fixType = FixType::Dgnss;
        }
    }
    putLe(sol, 10, gpsFix, 1);
    putLe(sol, 11, flags, 1);
    putLe(status, 4, gpsFix, 1);
    putLe(status, 5, flags, 1);
    if (options.resets > 0) {
        putLe(status, kStatusMsssOffset, uptimeMs(ms), 4);
    }
    double xyz[3];
    toEcef(e.latitude, e.longitude, e.height, xyz);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        putLe(sol, 12 + 4 * axis, asU32(std::llround(xyz[axis] * 100.0)), 4);
    }
    const double horizontal = std::hypot(e.sigmaLatitude, e.sigmaLongitude);
    const auto pAccCm = static_cast<std::uint32_t>(std::llround(100.0 * std::hypot(horizontal, e.sigmaHeight)));
    putLe(sol, 24, pAccCm, 4);
    const auto pdop = static_cast<std::uint16_t>(std::llround(e.pdop * 100.0));
    putLe(sol, 44, pdop, 2);
    putLe(sol, 47, static_cast<std::uint64_t>(e.satellites), 1);
    const std::int64_t heightMm = std::llround(e.height * 1000.0);
    putLe(posllh, 4, asU32(std::llround(e.longitude * 1e7)), 4);
    putLe(posllh, 8, asU32(std::llround(e.latitude * 1e7)), 4);
    putLe(posllh, 12, asU32(heightMm), 4);
    putLe(posllh, 16, asU32(heightMm - std::llround(truth.geoidSeparation * 1000.0)), 4);
    putLe(posllh, 20, static_cast<std::uint32_t>(std::llround(1000.0 * horizontal)), 4);
    putLe(posllh, 24, static_cast<std::uint32_t>(std::llround(1000.0 * e.sigmaHeight)), 4);
    if (valid) {
        noteRecord(e.latitude, e.longitude, e.height, pAccCm * 0.01, pdop * 0.01, e.satellites);
    }
    return ubxFrame(kClassNav, kIdPosllh, posllh) + ubxFrame(kClassNav, kIdStatus, status) +
           ubxFrame(kClassNav, kIdSol, sol);
}

std::uint32_t LogGenerator::State::uptimeMs(std::int64_t ms) const noexcept
{
    return static_cast<std::uint32_t>(ms - bootMs);
}

std::string LogGenerator::State::ubxUptimeStatus(std::int64_t ms, bool positioned)
{
    std::string status(kStatusPayload, '\0');
    putLe(status, 0, static_cast<std::uint32_t>(ms % kWeekMs), 4);
    putLe(status, 4, positioned ? kFix3D : 0, 1);
    putLe(status, 5, kWeekAndTowSet | (positioned ? kGpsFixOk : 0), 1);
    putLe(status, kStatusMsssOffset, uptimeMs(ms), 4);
    return ubxFrame(kClassNav, kIdStatus, status);
}

std::string LogGenerator::State::ubxNoise(std::int64_t ms)
{
    const std::int64_t kind = rng.between(0, 2);
    if (kind == 0) {
        return nmeaNoise(ms);
    }
    // NAV-SAT fits the framer's buffer; RXM-RAWX is dropped by its length.
    const bool raw = kind == 2;
    std::string payload(static_cast<std::size_t>(raw ? rng.between(200, 1200) : rng.between(8, 100)), '\0');
    for (char& c : payload) {
        c = static_cast<char>(rng.next() & 0xFF);
    }
    return raw ? ubxFrame(kClassRxm, kIdRawx, payload) : ubxFrame(kClassNav, kIdSat, payload);
}

}  // namespace gnsslog
