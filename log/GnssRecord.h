// One decoded position solution (one epoch), whichever decoder produced it.
#pragma once

#include <cstdint>

namespace gnsslog {

// Solution type codes of GNSSRecord::fixType. The analysis gives meaning to
// RtkFixed and RtkX only; other NMEA quality digits pass through unchanged.
namespace FixType {
inline constexpr std::uint8_t NoPosition = 0;
inline constexpr std::uint8_t StandAlone = 1;
// Codes of the binary formats for what NMEA tells by its own quality
// digits: the digit where NMEA has one, so both logs of a receiver agree.
inline constexpr std::uint8_t Dgnss = 2;
inline constexpr std::uint8_t RtkFixed = 4;
inline constexpr std::uint8_t RtkFloat = 5;
inline constexpr std::uint8_t DeadReckoning = 6;
inline constexpr std::uint8_t FixedPosition = 7;  // a surveyed position held, as NMEA's manual
inline constexpr std::uint8_t Sbas = 9;
inline constexpr std::uint8_t Ppp = 10;
inline constexpr std::uint8_t RtkX = 255;
}  // namespace FixType

// Bits of GNSSRecord::validFlags: which field groups hold decoded values.
namespace ValidFlag {
inline constexpr std::uint32_t LatLon = 0x01;         // latitude, longitude
inline constexpr std::uint32_t Grid = 0x02;           // localX, localY
inline constexpr std::uint32_t Height = 0x04;         // height
inline constexpr std::uint32_t Dop = 0x08;            // dop
inline constexpr std::uint32_t CorrectionAge = 0x10;  // correctionAge
inline constexpr std::uint32_t ErrorEstimate = 0x20;  // errorEstimate
// time counts from midnight of the log's first date (NMEA RMC or ZDA), so
// days follow the date rather than the day-wrap rule
inline constexpr std::uint32_t DatedTime = 0x40;
// the receiver blended inertial measurements into the position; fixType
// is the class of its satellite part
inline constexpr std::uint32_t Inertial = 0x80;
// AccuracyFigures' sigmaNorth, sigmaEast, sigmaUp: the log's own
// accuracy, per axis
inline constexpr std::uint32_t AxisSigmas = 0x100;
// AccuracyFigures' protectionHorizontal, protectionVertical
inline constexpr std::uint32_t ProtectionLevels = 0x200;
}  // namespace ValidFlag

// What a decoded frame contributes when one epoch is told in several
// frames; the format's RecordAssembler reads it, kept records hold
// Solution.
namespace FramePart {
inline constexpr std::uint8_t Solution = 0;       // a position record of its own
inline constexpr std::uint8_t ErrorEstimate = 1;  // errorEstimate of the solution at time
inline constexpr std::uint8_t Date = 2;           // time: seconds since 1970-01-01 00:00 UTC
// gpsSatellites, glonassSatellites used; satellites: the system the
// sentence names (NMEA 4.10 system ID, 0 for none); no time
inline constexpr std::uint8_t Satellites = 3;
// a position like Solution, told by a second sentence type (GNS beside
// GGA): where both tell one epoch, the first makes the record
inline constexpr std::uint8_t OtherSolution = 4;
// dop of the solution at time
inline constexpr std::uint8_t Dop = 5;
// protection levels of the solution at time; nothing else
inline constexpr std::uint8_t ProtectionLevels = 9;
// fixType (and valid) of the solution at time; nothing else
inline constexpr std::uint8_t FixState = 6;
// the receiver restarted (a start-up banner); nothing else. 7 is UBX's own.
inline constexpr std::uint8_t Restart = 8;
}  // namespace FramePart

// RTK-fix transition marker written by the pipeline.
namespace FixChange {
inline constexpr std::uint8_t None = 0;
inline constexpr std::uint8_t Gained = 1;
inline constexpr std::uint8_t Lost = 2;
}  // namespace FixChange

// A field whose validFlags bit is clear reads 0. A new record is all zero.
struct GNSSRecord {
    double time = 0;               // seconds; after the pipeline, plus the day-wrap offset
    double latitude = 0;           // WGS84 degrees, north positive
    double longitude = 0;          // WGS84 degrees, east positive
    double height = 0;             // metres; the Z of every error computation
    double localX = 0;             // grid X: the grid's northing (KKJ by default), metres
    double localY = 0;             // grid Y: its easting (KKJ's with the zone prefix), metres
    double dop = 0;                // dilution of precision, dimensionless
    double correctionAge = 0;      // age of differential corrections, as logged
    double errorEstimate = 0;      // receiver's own error estimate, metres
    std::int32_t gpsSatellites = 0;
    std::int32_t glonassSatellites = 0;
    std::int32_t satellites = 0;
    std::uint32_t validFlags = 0;  // ValidFlag bits
    std::uint8_t fixType = 0;      // FixType code
    std::uint8_t fixChange = 0;    // FixChange marker
    std::uint8_t valid = 0;        // 1: usable solution; 0: the pipeline drops it
    std::uint8_t framePart = 0;    // FramePart code
    bool has(std::uint32_t flags) const noexcept { return (validFlags & flags) == flags; }

};

// 96 bytes, four of them padding: every log keeps one per epoch, so the
// figures only some formats give live beside the records (AccuracyFigures).
static_assert(sizeof(GNSSRecord) == 96);

// The log's own account of its accuracy at one epoch, kept beside the
// records (GNSSLog::accuracy) only for logs that give it, so a log without
// any pays nothing for them.
struct AccuracyFigures {
    // 1 sigma per axis, metres, however the format states it
    // (docs/statistics.md); ValidFlag::AxisSigmas. Floats: a sigma needs
    // no more than 7 digits.
    float sigmaNorth = 0;
    float sigmaEast = 0;
    float sigmaUp = 0;
    // Protection levels, metres, as the receiver states them;
    // ValidFlag::ProtectionLevels.
    float protectionHorizontal = 0;
    float protectionVertical = 0;
};

// A record as a decoder fills it and an assembler completes it: the record
// and the accuracy figures, which part on the way into the analysis.
struct DecodedRecord : GNSSRecord {
    AccuracyFigures accuracy;

    // Sets nothing unless all three are at least 0 and fit a float (a
    // larger double would not convert).
    void setSigmas(double north, double east, double up) noexcept
    {
        constexpr double kLargestSigma = 1e30;  // metres
        if (!(north >= 0 && east >= 0 && up >= 0 && north <= kLargestSigma &&
              east <= kLargestSigma && up <= kLargestSigma)) {
            return;
        }
        accuracy.sigmaNorth = static_cast<float>(north);
        accuracy.sigmaEast = static_cast<float>(east);
        accuracy.sigmaUp = static_cast<float>(up);
        validFlags |= ValidFlag::AxisSigmas;
    }
    // Takes the sigmas of another frame of the same epoch, where it has them.
    void takeSigmas(const DecodedRecord& other) noexcept
    {
        if (other.has(ValidFlag::AxisSigmas)) {
            setSigmas(other.accuracy.sigmaNorth, other.accuracy.sigmaEast,
                      other.accuracy.sigmaUp);
        }
    }
    // Whether the analysis must keep accuracy figures for this record.
    bool hasAccuracy() const noexcept
    {
        return (validFlags & (ValidFlag::AxisSigmas | ValidFlag::ProtectionLevels)) != 0;
    }
};

}  // namespace gnsslog
