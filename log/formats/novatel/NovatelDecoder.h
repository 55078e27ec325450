// Decoder of the NovAtel OEM logs the analysis reads, binary or ASCII:
// BESTPOS and BESTGNSSPOS (latitude, longitude, height above mean sea
// level plus the undulation), BESTXYZ (ECEF, through the ECEF
// conversion) and INSPVAX (the inertial solution).
//
// Each log decodes on its own into a solution (framePart Solution); the
// GPS epoch assembler keeps the first of each time. A decoded log's time
// is the whole GPS time in milliseconds since the start of GPS week 0
// (week * 604800000 + ms of the week), exact in a double.
//
// The logs' sigmas are 1 sigma per axis; errorEstimate (metres) is
// sqrt(sigma_1^2 + sigma_2^2 + sigma_3^2) over the three position axes
// (latitude, longitude, height; or X, Y, Z, the same sum).
//
// No position: a solution status other than SOL_COMPUTED (an INSPVAX INS
// status other than a solution's), position type NONE or one not known,
// GPS week 0 (the receiver does not know the time yet), coordinates that
// are not finite.
#pragma once

#include <cstdint>
#include <string_view>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

namespace NovatelLog {
inline constexpr std::uint16_t BestPos = 42;
inline constexpr std::uint16_t BestXyz = 241;
inline constexpr std::uint16_t BestGnssPos = 1429;
inline constexpr std::uint16_t InsPvax = 1465;
}  // namespace NovatelLog

// A binary frame's message ID (long or short header).
std::uint16_t novatelMessageId(const std::uint8_t* frame) noexcept;
// The log's name for the IDs the analysis reads and a few common others
// ("BESTPOS"), null for the rest.
const char* novatelLogName(std::uint16_t id) noexcept;
// The ID of an ASCII log's name without its "A" ("BESTPOS"), 0 if unknown.
std::uint16_t novatelIdOfName(std::string_view name) noexcept;

// The position type's fix class; NoPosition for NONE and unknown types.
// inertial tells whether the type blends INS measurements.
std::uint8_t novatelFixTypeOfPositionType(std::uint32_t type, bool& inertial) noexcept;

// Fills record (expected zeroed) from one whole frame as the NovAtel
// framer publishes it, zero-terminated (the CRC is not looked at).
// Record, Rejected (a log above without a position), Unread (any other
// log, or one too short for its fields). Does not throw and does not
// allocate.
FrameVerdict decodeNovatelFrame(DecodedRecord& record, const std::uint8_t* frame,
                                std::int32_t length, bool toKKJ) noexcept;

}  // namespace gnsslog
