#include "log/formats/sbf/SbfDecoder.h"

#include <bit>
#include <cmath>
#include <numbers>

#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"
#include "log/formats/LittleEndian.h"

namespace gnsslog {

namespace {

// Offsets from the "$".
constexpr std::size_t kIdOffset = 4;
constexpr std::size_t kTowOffset = 8;    // U4, ms of the GPS week
constexpr std::size_t kWncOffset = 12;   // U2, continuous GPS week
constexpr std::size_t kModeOffset = 14;  // U1: bits 0-3 solution type
constexpr std::size_t kErrorOffset = 15; // U1: 0 no error

// PVTGeodetic / PVTCartesian.
constexpr std::size_t kPvtAxis1Offset = 16;  // F8 latitude rad, or X m
constexpr std::size_t kPvtAxis2Offset = 24;  // F8 longitude rad, or Y m
constexpr std::size_t kPvtAxis3Offset = 32;  // F8 ellipsoidal height m, or Z m
constexpr std::size_t kPvtNrSvOffset = 74;   // U1
constexpr std::int32_t kPvtMinLength = 75;
constexpr std::size_t kPvtHAccuracyOffset = 90;  // U2 2DRMS, 0.01 m (revision 2 on)
constexpr std::size_t kPvtVAccuracyOffset = 92;  // U2 2 sigma, 0.01 m
constexpr std::int32_t kPvtAccuracyMinLength = 94;
constexpr unsigned kRevisionWithAccuracy = 2;

// PosCovGeodetic / PosCovCartesian: F4 variances, m^2.
constexpr std::size_t kCov1Offset = 16;
constexpr std::size_t kCov2Offset = 20;
constexpr std::size_t kCov3Offset = 24;
constexpr std::int32_t kCovMinLength = 28;

// DOP.
constexpr std::size_t kDopPdopOffset = 16;  // U2, 0.01
constexpr std::int32_t kDopMinLength = 18;

constexpr unsigned kBlockNumberBits = 0x1FFF;
constexpr unsigned kRevisionShift = 13;
constexpr unsigned kModeTypeBits = 0x0F;

// Do-not-use values.
constexpr double kDoNotUseFloat = -2e10;
constexpr std::uint32_t kDoNotUseU4 = 4294967295u;
constexpr std::uint16_t kDoNotUseU2 = 65535;
constexpr std::uint8_t kDoNotUseU1 = 255;

constexpr double kMillisecondsPerWeek = 604800000.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double kMaxLatitude = 90.0;    // degrees
constexpr double kMaxLongitude = 360.0;  // degrees
constexpr double kMetresPerCentimetre = 0.01;
constexpr double kDopPerUnit = 0.01;
// HAccuracy is 2DRMS and VAccuracy 2 sigma: half of each is the RMS.
constexpr double kTwoSigmaToOne = 0.5;


double getLeF8(const std::uint8_t* buf, std::size_t off) noexcept
{
    return std::bit_cast<double>(detail::loadLe<std::uint64_t>(buf, off));
}

float getLeF4(const std::uint8_t* buf, std::size_t off) noexcept
{
    return std::bit_cast<float>(getLeU32(buf, off));
}

bool usable(double value) noexcept { return std::isfinite(value) && value != kDoNotUseFloat; }

// The block's GPS time in ms since week 0; false when TOW or WNc is
// do-not-use.
bool readTime(const std::uint8_t* block, double& milliseconds) noexcept
{
    const std::uint32_t tow = getLeU32(block, kTowOffset);
    const std::uint16_t week = getLeU16(block, kWncOffset);
    if (tow == kDoNotUseU4 || week == kDoNotUseU2) {
        return false;
    }
    milliseconds = week * kMillisecondsPerWeek + tow;
    return true;
}

bool solutionUsable(const std::uint8_t* block) noexcept
{
    return (getU8(block, kModeOffset) & kModeTypeBits) != 0 && getU8(block, kErrorOffset) == 0;
}

void addGrid(DecodedRecord& record, bool toKKJ) noexcept
{
    if (toKKJ) {
        geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
        record.validFlags |= ValidFlag::Grid;
    }
}

// HAccuracy and VAccuracy, where the revision has them and they are known.
void addOwnAccuracy(DecodedRecord& record, const std::uint8_t* block, std::int32_t length) noexcept
{
    const unsigned revision = getLeU16(block, kIdOffset) >> kRevisionShift;
    if (revision < kRevisionWithAccuracy || length < kPvtAccuracyMinLength) {
        return;
    }
    const std::uint16_t h = getLeU16(block, kPvtHAccuracyOffset);
    const std::uint16_t v = getLeU16(block, kPvtVAccuracyOffset);
    if (h == kDoNotUseU2 || v == kDoNotUseU2) {
        return;
    }
    const double horizontal = h * kMetresPerCentimetre * kTwoSigmaToOne;
    const double vertical = v * kMetresPerCentimetre * kTwoSigmaToOne;
    record.errorEstimate = std::sqrt(horizontal * horizontal + vertical * vertical);
    record.validFlags |= ValidFlag::ErrorEstimate;
    // The horizontal RMS shared equally by north and east.
    const double perAxis = horizontal / std::numbers::sqrt2;
    record.setSigmas(perAxis, perAxis, vertical);
}

FrameVerdict decodePvt(DecodedRecord& record, const std::uint8_t* block, std::int32_t length,
                       bool geodetic, bool toKKJ) noexcept
{
    if (length < kPvtMinLength) {
        return FrameVerdict::Unread;
    }
    const std::uint8_t fixType = sbfFixTypeOfMode(getU8(block, kModeOffset));
    double time = 0;
    if (fixType == FixType::NoPosition || !solutionUsable(block) || !readTime(block, time)) {
        return FrameVerdict::Rejected;
    }
    const double a = getLeF8(block, kPvtAxis1Offset);
    const double b = getLeF8(block, kPvtAxis2Offset);
    const double c = getLeF8(block, kPvtAxis3Offset);
    if (!usable(a) || !usable(b) || !usable(c)) {
        return FrameVerdict::Rejected;
    }
    if (geodetic) {
        record.latitude = a * kDegreesPerRadian;
        record.longitude = b * kDegreesPerRadian;
        if (std::fabs(record.latitude) > kMaxLatitude ||
            std::fabs(record.longitude) > kMaxLongitude) {
            record = DecodedRecord{};
            return FrameVerdict::Rejected;
        }
        record.height = c;
    } else {
        Wgs84Position position;
        if (!ecefToWgs84(a, b, c, position)) {
            return FrameVerdict::Rejected;
        }
        record.latitude = position.latitude;
        record.longitude = position.longitude;
        record.height = position.height;
    }
    record.time = time;
    const std::uint8_t satellites = getU8(block, kPvtNrSvOffset);
    record.satellites = satellites == kDoNotUseU1 ? 0 : satellites;
    record.fixType = fixType;
    record.validFlags = ValidFlag::LatLon | ValidFlag::Height;
    addOwnAccuracy(record, block, length);
    addGrid(record, toKKJ);
    record.framePart = FramePart::Solution;
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeCovariance(DecodedRecord& record, const std::uint8_t* block,
                              std::int32_t length, bool geodetic) noexcept
{
    if (length < kCovMinLength) {
        return FrameVerdict::Unread;
    }
    double time = 0;
    if (getU8(block, kErrorOffset) != 0 || !readTime(block, time)) {
        return FrameVerdict::Rejected;
    }
    const double a = getLeF4(block, kCov1Offset);
    const double b = getLeF4(block, kCov2Offset);
    const double c = getLeF4(block, kCov3Offset);
    if (!usable(a) || !usable(b) || !usable(c) || a < 0 || b < 0 || c < 0) {
        return FrameVerdict::Rejected;
    }
    record.time = time;
    record.errorEstimate = std::sqrt(a + b + c);
    record.validFlags = ValidFlag::ErrorEstimate;
    if (geodetic) {
        // Latitude, longitude and height variances: north, east and up.
        record.setSigmas(std::sqrt(a), std::sqrt(b), std::sqrt(c));
    }
    record.framePart = FramePart::ErrorEstimate;
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeDop(DecodedRecord& record, const std::uint8_t* block,
                       std::int32_t length) noexcept
{
    if (length < kDopMinLength) {
        return FrameVerdict::Unread;
    }
    double time = 0;
    if (!readTime(block, time)) {
        return FrameVerdict::Rejected;
    }
    const std::uint16_t pdop = getLeU16(block, kDopPdopOffset);
    // A receiver without a solution writes 0.
    if (pdop == 0 || pdop == kDoNotUseU2) {
        return FrameVerdict::Rejected;
    }
    record.time = time;
    record.dop = pdop * kDopPerUnit;
    record.validFlags = ValidFlag::Dop;
    record.framePart = FramePart::Dop;
    record.valid = 1;
    return FrameVerdict::Record;
}

}  // namespace

std::uint16_t sbfBlockNumber(const std::uint8_t* block) noexcept
{
    return static_cast<std::uint16_t>(getLeU16(block, kIdOffset) & kBlockNumberBits);
}

const char* sbfBlockName(std::uint16_t number) noexcept
{
    switch (number) {
    case SbfBlock::Dop: return "DOP";
    case SbfBlock::PvtCartesian: return "PVTCartesian";
    case SbfBlock::PvtGeodetic: return "PVTGeodetic";
    case SbfBlock::PosCovCartesian: return "PosCovCartesian";
    case SbfBlock::PosCovGeodetic: return "PosCovGeodetic";
    default: return nullptr;
    }
}

std::uint8_t sbfFixTypeOfMode(std::uint8_t mode) noexcept
{
    switch (mode & kModeTypeBits) {
    case 1: return FixType::StandAlone;
    case 2: return FixType::Dgnss;
    case 3: return FixType::FixedPosition;
    case 4: return FixType::RtkFixed;      // RTK fixed
    case 5: return FixType::RtkFloat;      // RTK float
    case 6: return FixType::Sbas;
    case 7: return FixType::RtkFixed;      // moving-base RTK fixed
    case 8: return FixType::RtkFloat;      // moving-base RTK float
    case 10: return FixType::Ppp;
    default: return FixType::NoPosition;   // 0 no PVT, and types not defined
    }
}

FrameVerdict decodeSbfBlock(DecodedRecord& record, const std::uint8_t* block, std::int32_t length,
                            bool toKKJ) noexcept
{
    if (block == nullptr || length < static_cast<std::int32_t>(kErrorOffset) + 1) {
        return FrameVerdict::Unread;
    }
    switch (sbfBlockNumber(block)) {
    case SbfBlock::PvtGeodetic: return decodePvt(record, block, length, true, toKKJ);
    case SbfBlock::PvtCartesian: return decodePvt(record, block, length, false, toKKJ);
    case SbfBlock::PosCovGeodetic: return decodeCovariance(record, block, length, true);
    case SbfBlock::PosCovCartesian: return decodeCovariance(record, block, length, false);
    case SbfBlock::Dop: return decodeDop(record, block, length);
    default: return FrameVerdict::Unread;
    }
}

}  // namespace gnsslog
