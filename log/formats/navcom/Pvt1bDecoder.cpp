#include "log/formats/navcom/Pvt1bDecoder.h"

#include <bit>
#include <cmath>

#include "geodesy/Kkj.h"
#include "log/formats/LittleEndian.h"

namespace gnsslog {

namespace {

// Field offsets from the '[' of the label; the body starts at 16.
constexpr std::size_t kTimeOffset = 11;          // u32, milliseconds
constexpr std::size_t kStatusOffset = 16;        // bit 0: position valid
constexpr std::size_t kLatitudeOffset = 17;      // s32, 2^-11 arc second, north positive
constexpr std::size_t kLongitudeOffset = 21;     // s32, 2^-11 arc second, east positive
constexpr std::size_t kExtensionOffset = 25;     // high nibble latitude, low longitude
constexpr std::size_t kHeightOffset = 26;        // s32, millimetres
constexpr std::size_t kHeightFineOffset = 30;    // s24, 2^-10 m
constexpr std::size_t kError1Offset = 33;        // u16, 2^-10 m
constexpr std::size_t kError2Offset = 35;        // u16, 2^-10 m
constexpr std::size_t kError3Offset = 37;        // u16, 2^-10 m
constexpr std::size_t kDop1Offset = 39;          // u8, 0.1
constexpr std::size_t kDop2Offset = 40;          // u8, 0.1
constexpr std::size_t kDop3Offset = 41;          // u8, 0.1
constexpr std::size_t kSatellitesOffset = 51;    // u8, satellites used
constexpr std::size_t kModeOffset = 52;          // high nibble: solution mode
constexpr std::size_t kCorrectionAgeOffset = 53; // u16, taken as logged
constexpr std::size_t kGpsMaskOffset = 66;       // u32, one bit per GPS satellite
constexpr std::size_t kGlonassMaskOffset = 74;   // u32, one bit per GLONASS satellite

constexpr double kSecondsPerMillisecond = 0.001;         // time stamp resolution, s
constexpr double kArcSecondsPerUnit = 0.00048828125;     // 2^-11 arc second per raw unit
constexpr double kUnitsPerExtensionStep = 0.0625;        // 1/16 raw unit per nibble step
constexpr double kDegreesPerArcSecond = 1.0 / 3600.0;    // degree per arc second
constexpr double kMetresPerMillimetre = 0.001;           // height resolution, m
constexpr double kMetresPerFineUnit = 0.0009765625;      // 2^-10 m, height correction
constexpr double kErrorUnitsPerMetre = 1024.0;           // error components, 2^-10 m
constexpr double kErrorEstimateScale = 0.56;             // applied to the plain sum, dimensionless
constexpr double kDopPerUnit = 0.1;                      // DOP component resolution


// Solution mode nibble to fixType: 0-2 stand-alone, 3/5/6 RTK float,
// 4 RTK-X, 7 RTK fixed, 8-15 no usable position.
constexpr std::uint8_t kFixTypeOfMode[16] = {
    FixType::StandAlone, FixType::StandAlone, FixType::StandAlone, FixType::RtkFloat,
    FixType::RtkX,       FixType::RtkFloat,   FixType::RtkFloat,   FixType::RtkFixed,
    FixType::NoPosition, FixType::NoPosition, FixType::NoPosition, FixType::NoPosition,
    FixType::NoPosition, FixType::NoPosition, FixType::NoPosition, FixType::NoPosition,
};

// Raw 2^-11 arc-second units plus the 1/16-unit extension, to degrees.
inline double angleDegrees(std::int32_t raw, unsigned extension) noexcept
{
    const double units = raw + extension * kUnitsPerExtensionStep;
    const double arcSeconds = units * kArcSecondsPerUnit;
    return arcSeconds * kDegreesPerArcSecond;
}

}  // namespace

std::uint32_t countBits(std::uint32_t value) noexcept
{
    // Same count as testing the 32 positions one by one.
    return static_cast<std::uint32_t>(std::popcount(value));
}

std::int32_t signExtend24(std::uint32_t value) noexcept
{
    const std::uint32_t low = value & 0x00FFFFFFu;
    // Two's complement conversion of the widened value is defined in C++20.
    return static_cast<std::int32_t>((low & 0x00800000u) != 0 ? low | 0xFF000000u : low);
}

GNSSRecord& decodePVT1B(GNSSRecord& record, const std::uint8_t* frame, std::int32_t frameLength,
                        bool toKKJ) noexcept
{
    record.valid = 1;
    // A short frame would make every later read run past its end.
    if (frame == nullptr || frameLength < kPvt1bMinimumLength || (frame[kStatusOffset] & 0x01) == 0) {
        record.valid = 0;
        record.fixType = FixType::NoPosition;
        return record;
    }

    record.time = getLeU32(frame, kTimeOffset) * kSecondsPerMillisecond;

    record.gpsSatellites = static_cast<std::int32_t>(countBits(getLeU32(frame, kGpsMaskOffset)));
    record.glonassSatellites = static_cast<std::int32_t>(countBits(getLeU32(frame, kGlonassMaskOffset)));
    record.satellites = getU8(frame, kSatellitesOffset);

    const double dop1 = getU8(frame, kDop1Offset) * kDopPerUnit;
    const double dop2 = getU8(frame, kDop2Offset) * kDopPerUnit;
    const double dop3 = getU8(frame, kDop3Offset) * kDopPerUnit;
    record.dop = std::sqrt(dop3 * dop3 + dop1 * dop1 + dop2 * dop2);

    // Three u16 values cannot overflow the sum.
    const std::uint32_t errorSum = std::uint32_t{getLeU16(frame, kError3Offset)} +
                                   getLeU16(frame, kError1Offset) + getLeU16(frame, kError2Offset);
    record.errorEstimate = errorSum / kErrorUnitsPerMetre * kErrorEstimateScale;

    record.correctionAge = getLeU16(frame, kCorrectionAgeOffset);

    record.validFlags = ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop |
                        ValidFlag::CorrectionAge | ValidFlag::ErrorEstimate;

    const std::uint8_t extension = getU8(frame, kExtensionOffset);
    record.latitude = angleDegrees(getLeS32(frame, kLatitudeOffset), extension >> 4);
    record.longitude = angleDegrees(getLeS32(frame, kLongitudeOffset), extension & 0x0Fu);

    record.height = getLeS32(frame, kHeightOffset) * kMetresPerMillimetre +
                    signExtend24(getLeU24(frame, kHeightFineOffset)) * kMetresPerFineUnit;

    if (toKKJ) {
        geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
        record.validFlags |= ValidFlag::Grid;
    }

    record.fixType = kFixTypeOfMode[getU8(frame, kModeOffset) >> 4];
    return record;
}

}  // namespace gnsslog
