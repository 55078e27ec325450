// The log formats the analysis reads.
#pragma once

#include <span>
#include <string_view>

#include "log/formats/InputFormat.h"

namespace gnsslog {

// NavCom binary "[PVT1B]" messages.
const InputFormat& navcomFormat() noexcept;
// NMEA sentences with a position solution: GGA, LLK, LLQ, ORP.
const InputFormat& nmeaFormat() noexcept;
// u-blox UBX NAV-PVT solutions, refined by NAV-HPPOSLLH.
const InputFormat& ubxFormat() noexcept;
// RTKLIB-style solution files (.pos).
const InputFormat& posFormat() noexcept;
// Septentrio SBF PVTGeodetic / PVTCartesian solutions.
const InputFormat& sbfFormat() noexcept;
// NovAtel OEM logs, ASCII and binary: BESTPOS, BESTGNSSPOS, BESTXYZ, INSPVAX.
const InputFormat& novatelFormat() noexcept;

// Every format, in the order the user is offered them.
std::span<const InputFormat* const> inputFormats() noexcept;

// The format of that name, or null.
const InputFormat* findInputFormat(std::string_view name) noexcept;

}  // namespace gnsslog
