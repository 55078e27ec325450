// The log formats the analysis reads, and what the rest of the program asks
// about each: one registration per format, in Formats.cpp.
#pragma once

#include <span>
#include <string_view>

#include "log/formats/InputFormat.h"

namespace gnsslog {

// NavCom binary "[PVT1B]" messages.
const InputFormat& navcomFormat() noexcept;
// NMEA sentences with a position solution: GGA, GNS, LLK, LLQ, ORP.
const InputFormat& nmeaFormat() noexcept;
// u-blox UBX NAV-PVT solutions, refined by NAV-HPPOSLLH.
const InputFormat& ubxFormat() noexcept;
// RTKLIB-style solution files (.pos).
const InputFormat& posFormat() noexcept;
// Septentrio SBF PVTGeodetic / PVTCartesian solutions.
const InputFormat& sbfFormat() noexcept;
// NovAtel OEM logs, ASCII and binary: BESTPOS, BESTGNSSPOS, BESTXYZ, INSPVAX.
const InputFormat& novatelFormat() noexcept;

// A format and what is known of it outside its decoding. Its name
// (--format, the sample generator's writers), its Parsing-mode caption,
// and through its framer and decoder its detection, come from format.
struct FormatRegistration {
    const InputFormat* format;
    // The open dialog's patterns for its logs, separated by spaces
    // ("*.ubx *.bin"); empty: no filter of its own.
    std::string_view fileExtensions;
    // The folder under fuzz/corpus holding the seeds of its decoder's fuzz
    // target (which is named the same).
    std::string_view fuzzSeeds;
};

// Every registration, in the order the user is offered the formats, which
// is also detection's choice on a tie.
std::span<const FormatRegistration> formatRegistrations() noexcept;

// Every format, in the same order.
std::span<const InputFormat* const> inputFormats() noexcept;

// The format of that name, or null.
const InputFormat* findInputFormat(std::string_view name) noexcept;

// The registration of format, or null for a format not registered.
const FormatRegistration* findFormatRegistration(const InputFormat& format) noexcept;

// The format a log is read in when neither the user nor its first bytes
// name one: the receiver the analyser was first written for.
const InputFormat& fallbackFormat() noexcept;

}  // namespace gnsslog
