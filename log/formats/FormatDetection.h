// Which log format a file is written in, judged from its first bytes: the
// format whose framer and decoder find the most valid frames there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/formats/InputFormat.h"

namespace gnsslog {

// Bytes from the start of a log that detection looks at.
inline constexpr std::size_t kDetectionBytes = std::size_t{64} << 10;

// Frames in bytes (the first kDetectionBytes at most; fewer are the whole
// log, and the framer's end-of-stream step runs) that format's framer
// completes and that are valid: not asked for (a NavCom or UBX message the
// analysis does not read, a .pos header) with their checksum right, or
// decoded to a record or to a type the format knows but does not read.
// A checksum failure or a line that does not parse is not valid. With
// verifyChecksum false, NMEA checksums are not looked at, as in an
// analysis with the checksum check off.
std::uint64_t countValidFrames(const InputFormat& format, const std::uint8_t* bytes,
                               std::size_t size, bool verifyChecksum = true);

// The format with the most valid frames in bytes, the first in the
// registry on a tie; null when no format finds one.
const InputFormat* detectInputFormat(const std::uint8_t* bytes, std::size_t size,
                                     bool verifyChecksum = true);

// The same for the start of a file; null also when it cannot be read.
const InputFormat* detectLogFileFormat(const char* fileName, bool verifyChecksum = true);

// The format a file is read in when its format is to be detected: the
// detected one, else fallbackFormat(), the format the application reads
// unless told otherwise (the analysis then finds no records).
const InputFormat& detectedFormatOrFallback(const char* fileName, bool verifyChecksum = true);

}  // namespace gnsslog
