#include "log/formats/ubx/UbxDecoder.h"

#include <cmath>
#include <numbers>

#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"
#include "log/formats/LittleEndian.h"
#include "log/formats/ubx/UbxFramer.h"

namespace gnsslog {

namespace {

constexpr std::size_t kPayloadOffset = 6;  // after sync, class, id and length
constexpr std::size_t kClassOffset = 2;
constexpr std::size_t kIdOffset = 3;

// NAV-PVT payload; 92 bytes, 84 on receivers older than the fields from 84.
constexpr std::int32_t kPvtLength = 92;
constexpr std::int32_t kPvtShortLength = 84;
constexpr std::size_t kPvtTimeOffset = 0;         // U4 iTOW, ms of the GPS week
constexpr std::size_t kPvtFlagsOffset = 21;       // X1: bit 0 gnssFixOK, bits 6-7 carrSoln
constexpr std::size_t kPvtSatellitesOffset = 23;  // U1 numSV
constexpr std::size_t kPvtLongitudeOffset = 24;   // I4, 1e-7 deg
constexpr std::size_t kPvtLatitudeOffset = 28;    // I4, 1e-7 deg
constexpr std::size_t kPvtHeightOffset = 32;      // I4 above the ellipsoid, mm
constexpr std::size_t kPvtHAccOffset = 40;        // U4, mm
constexpr std::size_t kPvtVAccOffset = 44;        // U4, mm
constexpr std::size_t kPvtPDopOffset = 76;        // U2, 0.01

constexpr std::uint8_t kGnssFixOk = 0x01;
constexpr unsigned kCarrSolnShift = 6;
constexpr unsigned kCarrSolnFloat = 1;
constexpr unsigned kCarrSolnFixed = 2;

// NAV-HPPOSLLH payload, 36 bytes.
constexpr std::int32_t kHpposllhLength = 36;
constexpr std::size_t kHpFlagsOffset = 3;       // X1: bit 0 invalidLlh
constexpr std::size_t kHpTimeOffset = 4;        // U4 iTOW, ms
constexpr std::size_t kHpLongitudeOffset = 8;   // I4, 1e-7 deg
constexpr std::size_t kHpLatitudeOffset = 12;   // I4, 1e-7 deg
constexpr std::size_t kHpHeightOffset = 16;     // I4 above the ellipsoid, mm
constexpr std::size_t kHpLonHpOffset = 24;      // I1, 1e-9 deg
constexpr std::size_t kHpLatHpOffset = 25;      // I1, 1e-9 deg
constexpr std::size_t kHpHeightHpOffset = 26;   // I1, 0.1 mm
constexpr std::size_t kHpHAccOffset = 28;       // U4, 0.1 mm
constexpr std::size_t kHpVAccOffset = 32;       // U4, 0.1 mm

constexpr std::uint8_t kInvalidLlh = 0x01;

// NAV-SOL payload, 52 bytes.
constexpr std::int32_t kSolLength = 52;
constexpr std::size_t kSolTimeOffset = 0;        // U4 iTOW, ms
constexpr std::size_t kSolFixOffset = 10;        // U1 gpsFix
constexpr std::size_t kSolFlagsOffset = 11;      // X1: bit 0 gpsFixOk, bit 1 diffSoln
constexpr std::size_t kSolEcefXOffset = 12;      // I4, cm
constexpr std::size_t kSolEcefYOffset = 16;      // I4, cm
constexpr std::size_t kSolEcefZOffset = 20;      // I4, cm
constexpr std::size_t kSolPAccOffset = 24;       // U4 3-D accuracy, cm
constexpr std::size_t kSolPDopOffset = 44;       // U2, 0.01
constexpr std::size_t kSolSatellitesOffset = 47; // U1 numSV

// NAV-POSLLH payload, 28 bytes.
constexpr std::int32_t kPosllhLength = 28;
constexpr std::size_t kPosllhTimeOffset = 0;       // U4 iTOW, ms
constexpr std::size_t kPosllhLongitudeOffset = 4;  // I4, 1e-7 deg
constexpr std::size_t kPosllhLatitudeOffset = 8;   // I4, 1e-7 deg
constexpr std::size_t kPosllhHeightOffset = 12;    // I4 above the ellipsoid, mm
constexpr std::size_t kPosllhHAccOffset = 20;      // U4, mm
constexpr std::size_t kPosllhVAccOffset = 24;      // U4, mm

// NAV-STATUS payload, 16 bytes.
constexpr std::int32_t kStatusLength = 16;
constexpr std::size_t kStatusTimeOffset = 0;   // U4 iTOW, ms
constexpr std::size_t kStatusFixOffset = 4;    // U1 gpsFix
constexpr std::size_t kStatusFlagsOffset = 5;  // X1: bit 0 gpsFixOk, bit 1 diffSoln
constexpr std::size_t kStatusUptimeOffset = 12;  // U4 msss, ms since start-up or reset

constexpr std::uint8_t kGpsFixOk = 0x01;

// NAV-PL, version 1.
constexpr std::int32_t kPlLength = 52;
constexpr std::size_t kPlPosValidOffset = 3;  // U1, 1 valid
constexpr std::size_t kPlPosFrameOffset = 4;  // U1, 0 invalid, 1 NEU, 2 LLV, 3 ellipse + vertical
constexpr std::size_t kPlTimeOffset = 12;     // U4 iTOW, ms
constexpr std::size_t kPlPos1Offset = 16;     // U4, mm
constexpr std::size_t kPlPos2Offset = 20;     // U4, mm
constexpr std::size_t kPlPos3Offset = 24;     // U4, mm
constexpr std::uint8_t kPlValid = 1;
constexpr std::uint8_t kPlFrameNorthEastUp = 1;
constexpr std::uint8_t kPlFrameAlongAcrossUp = 2;
constexpr std::uint8_t kPlFrameEllipse = 3;
constexpr std::uint8_t kDiffSoln = 0x02;
constexpr double kMetresPerCentimetre = 0.01;

constexpr double kSecondsPerMillisecond = 0.001;
constexpr double kDegreesPerUnit = 1e-7;        // standard angles
constexpr double kDegreesPerHpUnit = 1e-9;      // high-precision parts
constexpr double kMetresPerMillimetre = 0.001;
constexpr double kMetresPerTenthMillimetre = 0.0001;
constexpr double kDopPerUnit = 0.01;


std::int8_t getS8(const std::uint8_t* buf, std::size_t off) noexcept
{
    return static_cast<std::int8_t>(buf[off]);
}

double errorEstimate(double horizontal, double vertical) noexcept
{
    return std::sqrt(horizontal * horizontal + vertical * vertical);
}

// hAcc as the horizontal RMS, shared equally by north and east.
void setSigmas(DecodedRecord& record, double horizontal, double vertical) noexcept
{
    const double perAxis = horizontal / std::numbers::sqrt2;
    record.setSigmas(perAxis, perAxis, vertical);
}

FrameVerdict decodeNavPl(DecodedRecord& record, const std::uint8_t* p) noexcept
{
    const std::uint8_t frame = getU8(p, kPlPosFrameOffset);
    if (getU8(p, kPlPosValidOffset) != kPlValid ||
        (frame != kPlFrameNorthEastUp && frame != kPlFrameAlongAcrossUp &&
         frame != kPlFrameEllipse)) {
        return FrameVerdict::Rejected;
    }
    const double first = getLeU32(p, kPlPos1Offset) * kMetresPerMillimetre;
    const double second = getLeU32(p, kPlPos2Offset) * kMetresPerMillimetre;
    record.time = getLeU32(p, kPlTimeOffset) * kSecondsPerMillisecond;
    record.accuracy.protectionHorizontal =
        static_cast<float>(frame == kPlFrameEllipse ? first : std::hypot(first, second));
    record.accuracy.protectionVertical =
        static_cast<float>(getLeU32(p, kPlPos3Offset) * kMetresPerMillimetre);
    record.validFlags = ValidFlag::ProtectionLevels;
    record.framePart = FramePart::ProtectionLevels;
    record.valid = 1;
    return FrameVerdict::Record;
}

void addGrid(DecodedRecord& record, bool toKKJ) noexcept
{
    if (toKKJ) {
        geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
        record.validFlags |= ValidFlag::Grid;
    }
}

std::uint8_t fixTypeOfCarrierSolution(std::uint8_t flags) noexcept
{
    switch (flags >> kCarrSolnShift) {
    case kCarrSolnFixed:
        return FixType::RtkFixed;
    case kCarrSolnFloat:
        return FixType::RtkFloat;
    default:
        return FixType::StandAlone;
    }
}

// gpsFix with its flags: 0 none, 1 dead reckoning, 2 2-D, 3 3-D, 4 GNSS
// and dead reckoning, 5 time only (a surveyed position held).
std::uint8_t fixTypeOfGpsFix(std::uint8_t gpsFix, std::uint8_t flags) noexcept
{
    if ((flags & kGpsFixOk) == 0) {
        return FixType::NoPosition;
    }
    switch (gpsFix) {
    case 1: return FixType::DeadReckoning;
    case 2:
    case 3:
    case 4: return (flags & kDiffSoln) != 0 ? FixType::Dgnss : FixType::StandAlone;
    case 5: return FixType::FixedPosition;
    default: return FixType::NoPosition;
    }
}

FrameVerdict decodeNavSol(DecodedRecord& record, const std::uint8_t* p, bool toKKJ) noexcept
{
    const std::uint8_t fixType =
        fixTypeOfGpsFix(getU8(p, kSolFixOffset), getU8(p, kSolFlagsOffset));
    Wgs84Position position;
    if (fixType == FixType::NoPosition ||
        !ecefToWgs84(getLeS32(p, kSolEcefXOffset) * kMetresPerCentimetre,
                     getLeS32(p, kSolEcefYOffset) * kMetresPerCentimetre,
                     getLeS32(p, kSolEcefZOffset) * kMetresPerCentimetre, position)) {
        return FrameVerdict::Rejected;
    }
    record.time = getLeU32(p, kSolTimeOffset) * kSecondsPerMillisecond;
    record.latitude = position.latitude;
    record.longitude = position.longitude;
    record.height = position.height;
    record.errorEstimate = getLeU32(p, kSolPAccOffset) * kMetresPerCentimetre;
    record.dop = getLeU16(p, kSolPDopOffset) * kDopPerUnit;
    record.satellites = getU8(p, kSolSatellitesOffset);
    record.fixType = fixType;
    record.validFlags =
        ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::ErrorEstimate;
    addGrid(record, toKKJ);
    record.framePart = FramePart::OtherSolution;
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeNavPosllh(DecodedRecord& record, const std::uint8_t* p, bool toKKJ) noexcept
{
    record.time = getLeU32(p, kPosllhTimeOffset) * kSecondsPerMillisecond;
    record.latitude = getLeS32(p, kPosllhLatitudeOffset) * kDegreesPerUnit;
    record.longitude = getLeS32(p, kPosllhLongitudeOffset) * kDegreesPerUnit;
    record.height = getLeS32(p, kPosllhHeightOffset) * kMetresPerMillimetre;
    record.errorEstimate =
        errorEstimate(getLeU32(p, kPosllhHAccOffset) * kMetresPerMillimetre,
                      getLeU32(p, kPosllhVAccOffset) * kMetresPerMillimetre);
    record.fixType = FixType::NoPosition;
    record.validFlags = ValidFlag::LatLon | ValidFlag::Height | ValidFlag::ErrorEstimate;
    setSigmas(record, getLeU32(p, kPosllhHAccOffset) * kMetresPerMillimetre,
              getLeU32(p, kPosllhVAccOffset) * kMetresPerMillimetre);
    addGrid(record, toKKJ);
    record.framePart = FramePart::Position;
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeNavStatus(DecodedRecord& record, const std::uint8_t* p) noexcept
{
    const std::uint8_t fixType =
        fixTypeOfGpsFix(getU8(p, kStatusFixOffset), getU8(p, kStatusFlagsOffset));
    // Without a fix too, for the uptime.
    record.time = getLeU32(p, kStatusTimeOffset) * kSecondsPerMillisecond;
    record.framePart = FramePart::FixState;
    record.correctionAge = getLeU32(p, kStatusUptimeOffset) * kSecondsPerMillisecond;
    if (fixType == FixType::NoPosition) {
        return FrameVerdict::Rejected;
    }
    record.fixType = fixType;
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeNavPvt(DecodedRecord& record, const std::uint8_t* p, bool toKKJ) noexcept
{
    const std::uint8_t flags = getU8(p, kPvtFlagsOffset);
    if ((flags & kGnssFixOk) == 0) {
        return FrameVerdict::Rejected;
    }
    record.time = getLeU32(p, kPvtTimeOffset) * kSecondsPerMillisecond;
    record.latitude = getLeS32(p, kPvtLatitudeOffset) * kDegreesPerUnit;
    record.longitude = getLeS32(p, kPvtLongitudeOffset) * kDegreesPerUnit;
    record.height = getLeS32(p, kPvtHeightOffset) * kMetresPerMillimetre;
    record.errorEstimate = errorEstimate(getLeU32(p, kPvtHAccOffset) * kMetresPerMillimetre,
                                         getLeU32(p, kPvtVAccOffset) * kMetresPerMillimetre);
    record.dop = getLeU16(p, kPvtPDopOffset) * kDopPerUnit;
    record.satellites = getU8(p, kPvtSatellitesOffset);
    record.fixType = fixTypeOfCarrierSolution(flags);
    record.validFlags =
        ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::ErrorEstimate;
    setSigmas(record, getLeU32(p, kPvtHAccOffset) * kMetresPerMillimetre,
              getLeU32(p, kPvtVAccOffset) * kMetresPerMillimetre);
    addGrid(record, toKKJ);
    record.valid = 1;
    return FrameVerdict::Record;
}

FrameVerdict decodeNavHpposllh(DecodedRecord& record, const std::uint8_t* p, bool toKKJ) noexcept
{
    if ((getU8(p, kHpFlagsOffset) & kInvalidLlh) != 0) {
        return FrameVerdict::Rejected;
    }
    record.time = getLeU32(p, kHpTimeOffset) * kSecondsPerMillisecond;
    record.latitude = getLeS32(p, kHpLatitudeOffset) * kDegreesPerUnit +
                      getS8(p, kHpLatHpOffset) * kDegreesPerHpUnit;
    record.longitude = getLeS32(p, kHpLongitudeOffset) * kDegreesPerUnit +
                       getS8(p, kHpLonHpOffset) * kDegreesPerHpUnit;
    record.height = getLeS32(p, kHpHeightOffset) * kMetresPerMillimetre +
                    getS8(p, kHpHeightHpOffset) * kMetresPerTenthMillimetre;
    record.errorEstimate = errorEstimate(getLeU32(p, kHpHAccOffset) * kMetresPerTenthMillimetre,
                                         getLeU32(p, kHpVAccOffset) * kMetresPerTenthMillimetre);
    record.fixType = FixType::NoPosition;
    record.validFlags = ValidFlag::LatLon | ValidFlag::Height | ValidFlag::ErrorEstimate;
    setSigmas(record, getLeU32(p, kHpHAccOffset) * kMetresPerTenthMillimetre,
              getLeU32(p, kHpVAccOffset) * kMetresPerTenthMillimetre);
    addGrid(record, toKKJ);
    record.valid = 1;
    return FrameVerdict::Record;
}

}  // namespace

FrameVerdict decodeUbxFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                            bool toKKJ) noexcept
{
    if (frame == nullptr || length < UBXSniffer::kOverheadBytes) {
        return FrameVerdict::Unread;
    }
    const std::int32_t payloadLength = getLeU16(frame, 4);
    if (payloadLength + UBXSniffer::kOverheadBytes != length ||
        frame[kClassOffset] != kUbxClassNav) {
        return FrameVerdict::Unread;
    }
    const std::uint8_t* payload = frame + kPayloadOffset;
    const std::uint8_t id = frame[kIdOffset];
    if (id == kUbxIdNavPvt && (payloadLength == kPvtLength || payloadLength == kPvtShortLength)) {
        return decodeNavPvt(record, payload, toKKJ);
    }
    if (id == kUbxIdNavHpposllh && payloadLength == kHpposllhLength) {
        return decodeNavHpposllh(record, payload, toKKJ);
    }
    if (id == kUbxIdNavSol && payloadLength == kSolLength) {
        return decodeNavSol(record, payload, toKKJ);
    }
    if (id == kUbxIdNavPosllh && payloadLength == kPosllhLength) {
        return decodeNavPosllh(record, payload, toKKJ);
    }
    if (id == kUbxIdNavStatus && payloadLength == kStatusLength) {
        return decodeNavStatus(record, payload);
    }
    if (id == kUbxIdNavPl && payloadLength == kPlLength) {
        return decodeNavPl(record, payload);
    }
    return FrameVerdict::Unread;
}

}  // namespace gnsslog
