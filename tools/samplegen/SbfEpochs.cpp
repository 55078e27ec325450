// The Septentrio side of the generator: per epoch a PVTGeodetic block, the
// PosCovGeodetic of most epochs and a DOP block, among measurement, status
// and navigation blocks whose bodies the analysis does not read.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "log/GnssRecord.h"
#include "log/formats/navcom/Crc16.h"
#include "tools/samplegen/GeneratorState.h"

namespace gnsslog {

using namespace samplegen;

namespace {

constexpr std::uint16_t kPvtGeodetic = 4007;
constexpr std::uint16_t kPvtCartesian = 4006;
constexpr std::uint16_t kPosCovGeodetic = 5906;
constexpr std::uint16_t kDop = 4001;
// Blocks a receiver sends beside the solution: MeasEpoch, ChannelStatus,
// ReceiverStatus, GPSNav.
constexpr std::uint16_t kNoiseBlocks[] = {4027, 4013, 4014, 5891};

constexpr unsigned kRevisionShift = 13;
constexpr std::size_t kPvtBytes = 96;     // revision 2: fields to Misc (offset 94), padded
constexpr std::size_t kPosCovBytes = 56;  // mode, error, ten covariances
constexpr std::size_t kDopBytes = 32;

// Mode types (bits 0-3).
constexpr std::uint8_t kModeNoPvt = 0;
constexpr std::uint8_t kModeStandAlone = 1;
constexpr std::uint8_t kModeDgnss = 2;
constexpr std::uint8_t kModeRtkFixed = 4;
constexpr std::uint8_t kModeRtkFloat = 5;
constexpr std::uint8_t kErrorNotEnoughMeasurements = 1;

constexpr double kDoNotUseFloat = -2e10;
constexpr std::uint16_t kDoNotUseU2 = 65535;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kPvtCartesianShare = 0.3;
constexpr double kPosCovShare = 0.8;

// A block of `bytes` (a multiple of 4) with its header, time and CRC; body
// holds the bytes from offset 14 on and is cut or padded to fit.
std::string sbfBlock(std::uint16_t number, unsigned revision, std::int64_t ms, std::string body, std::size_t bytes)
{
    std::string block(bytes, '\0');
    block[0] = '$';
    block[1] = '@';
    putLe(block, 4, number | (revision << kRevisionShift), 2);
    putLe(block, 6, bytes, 2);
    putLe(block, 8, static_cast<std::uint64_t>(ms % kWeekMs), 4);
    putLe(block, 12, static_cast<std::uint64_t>(kFirstGpsWeek + ms / kWeekMs), 2);
    body.resize(bytes - 14, '\0');
    block.replace(14, body.size(), body);
    const auto* data = reinterpret_cast<const std::uint8_t*>(block.data());
    putLe(block, 2, crc16Xmodem(data + 4, bytes - 4), 2);
    return block;
}

// The fix class of a spell and the Mode that tells it.
std::uint8_t modeOf(Spell spell, std::uint8_t& fixType)
{
    switch (spell) {
    case Spell::Fixed: fixType = FixType::RtkFixed; return kModeRtkFixed;
    case Spell::Float: fixType = FixType::RtkFloat; return kModeRtkFloat;
    case Spell::RtkX: fixType = FixType::Dgnss; return kModeDgnss;  // no RTK-X in SBF: the nearest class it has
    case Spell::Single: fixType = FixType::StandAlone; return kModeStandAlone;
    case Spell::NoPosition: break;
    }
    fixType = FixType::NoPosition;
    return kModeNoPvt;
}

}  // namespace

std::string LogGenerator::State::sbfSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                             std::uint8_t& fixType)
{
    const std::uint8_t mode = modeOf(spell, fixType);
    valid = mode != kModeNoPvt;
    // Offsets below count from offset 14 (Mode) of the block.
    std::string pvt(kPvtBytes - 14, '\0');
    std::string cov(kPosCovBytes - 14, '\0');
    std::string dop(kDopBytes - 14, '\0');
    pvt[0] = static_cast<char>(mode);
    cov[0] = static_cast<char>(mode);
    if (!valid) {
        pvt[1] = static_cast<char>(kErrorNotEnoughMeasurements);
        cov[1] = static_cast<char>(kErrorNotEnoughMeasurements);
        for (std::size_t offset : {2u, 10u, 18u}) {
            putF8(pvt, offset, kDoNotUseFloat);
        }
        pvt[60] = static_cast<char>(rng.between(0, 3));  // NrSV
        putLe(pvt, 76, kDoNotUseU2, 2);                  // HAccuracy
        putLe(pvt, 78, kDoNotUseU2, 2);                  // VAccuracy
        // DOP: PDOP 0, no solution.
        return sbfBlock(kPvtGeodetic, 2, ms, pvt, kPvtBytes) + sbfBlock(kPosCovGeodetic, 0, ms, cov, kPosCovBytes) +
               sbfBlock(kDop, 0, ms, dop, kDopBytes);
    }
    const EpochSolution e = drawSolution();
    decodedTime = gpsWeekSeconds(ms);
    putF8(pvt, 2, e.latitude * kRadiansPerDegree);
    putF8(pvt, 10, e.longitude * kRadiansPerDegree);
    putF8(pvt, 18, e.height);
    putF4(pvt, 26, static_cast<float>(truth.geoidSeparation));
    putF4(pvt, 42, static_cast<float>(kDoNotUseFloat));  // COG: static receiver
    pvt[60] = static_cast<char>(e.satellites);
    putLe(pvt, 64, static_cast<std::uint64_t>(rng.between(100, 300)), 2);  // MeanCorrAge, 0.01 s
    const double horizontal = std::hypot(e.sigmaLatitude, e.sigmaLongitude);
    // HAccuracy is 2DRMS, VAccuracy 2 sigma, both in centimetres.
    const auto hAccuracy = static_cast<std::uint16_t>(std::llround(200.0 * horizontal));
    const auto vAccuracy = static_cast<std::uint16_t>(std::llround(200.0 * e.sigmaHeight));
    putLe(pvt, 76, hAccuracy, 2);
    putLe(pvt, 78, vAccuracy, 2);
    double errorEstimate = std::hypot(hAccuracy * 0.005, vAccuracy * 0.005);

    std::string blocks = sbfBlock(kPvtGeodetic, 2, ms, pvt, kPvtBytes);
    if (rng.chance(kPvtCartesianShare)) {
        // The same solution in ECEF: joined to the geodetic one, which came first.
        double xyz[3];
        toEcef(e.latitude, e.longitude, e.height, xyz);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            putF8(pvt, 2 + 8 * axis, xyz[axis]);
        }
        blocks += sbfBlock(kPvtCartesian, 2, ms, pvt, kPvtBytes);
    }
    if (rng.chance(kPosCovShare)) {
        const auto latitudeVariance = static_cast<float>(e.sigmaLatitude * e.sigmaLatitude);
        const auto longitudeVariance = static_cast<float>(e.sigmaLongitude * e.sigmaLongitude);
        const auto heightVariance = static_cast<float>(e.sigmaHeight * e.sigmaHeight);
        putF4(cov, 2, latitudeVariance);
        putF4(cov, 6, longitudeVariance);
        putF4(cov, 10, heightVariance);
        putF4(cov, 14, static_cast<float>(1e-4 * (1.0 + rng.uniform())));  // clock bias
        blocks += sbfBlock(kPosCovGeodetic, 0, ms, cov, kPosCovBytes);
        errorEstimate = std::sqrt(static_cast<double>(latitudeVariance) + static_cast<double>(longitudeVariance) +
                                  static_cast<double>(heightVariance));
    }
    dop[0] = static_cast<char>(e.satellites);
    const auto pdop = static_cast<std::uint16_t>(std::llround(e.pdop * 100.0));
    putLe(dop, 2, pdop, 2);
    putLe(dop, 4, static_cast<std::uint64_t>(pdop / 2), 2);      // TDOP
    putLe(dop, 6, static_cast<std::uint64_t>(pdop * 3 / 5), 2);  // HDOP
    putLe(dop, 8, static_cast<std::uint64_t>(pdop * 4 / 5), 2);  // VDOP
    putF4(dop, 10, static_cast<float>(kDoNotUseFloat));          // HPL
    putF4(dop, 14, static_cast<float>(kDoNotUseFloat));          // VPL
    blocks += sbfBlock(kDop, 0, ms, dop, kDopBytes);
    noteRecord(e.latitude, e.longitude, e.height, errorEstimate, pdop * 0.01, e.satellites);
    return blocks;
}

std::string LogGenerator::State::sbfNoise(std::int64_t ms)
{
    const std::uint16_t number = kNoiseBlocks[rng.between(0, static_cast<std::int64_t>(std::size(kNoiseBlocks)) - 1)];
    // MeasEpoch runs long, the others stay short.
    const std::int64_t words = number == kNoiseBlocks[0] ? rng.between(30, 400) : rng.between(4, 40);
    std::string body(static_cast<std::size_t>(4 * words - 6), '\0');
    for (char& c : body) {
        c = static_cast<char>(rng.next() & 0xFF);
    }
    return sbfBlock(number, static_cast<unsigned>(rng.between(0, 1)), ms, body, body.size() + 14);
}

}  // namespace gnsslog
