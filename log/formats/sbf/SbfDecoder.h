// Decoder of the Septentrio SBF blocks the analysis reads: PVTGeodetic
// and PVTCartesian (the solution), PosCovGeodetic and PosCovCartesian (its
// covariance, for the error estimate) and DOP.
//
// Each block decodes on its own; the SBF assembler joins the blocks of one
// epoch. A decoded block's time is the whole GPS time in milliseconds
// since the start of GPS week 0 (WNc * 604800000 + TOW), exact in a
// double; the assembler turns it into seconds of the log's first week.
//
// errorEstimate (metres) is the square root of the summed variances of the
// three position axes: sqrt(sigma_lat^2 + sigma_lon^2 + sigma_hgt^2). From
// PosCov* the variances themselves; from PVTGeodetic's own HAccuracy
// (2DRMS, so twice the horizontal RMS) and VAccuracy (2 sigma) the same
// quantity is sqrt((HAccuracy/2)^2 + (VAccuracy/2)^2).
#pragma once

#include <cstdint>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

namespace SbfBlock {
inline constexpr std::uint16_t Dop = 4001;
inline constexpr std::uint16_t PvtCartesian = 4006;
inline constexpr std::uint16_t PvtGeodetic = 4007;
inline constexpr std::uint16_t PosCovCartesian = 5905;
inline constexpr std::uint16_t PosCovGeodetic = 5906;
}  // namespace SbfBlock

// The block number of a whole block (ID bits 0-12).
std::uint16_t sbfBlockNumber(const std::uint8_t* block) noexcept;
// The block's name for the blocks above ("PVTGeodetic"), null otherwise.
const char* sbfBlockName(std::uint16_t number) noexcept;

// The fix class of a PVT Mode's type (bits 0-3).
std::uint8_t sbfFixTypeOfMode(std::uint8_t mode) noexcept;

// Fills record (expected zeroed) from one whole block (its length bytes;
// the CRC is not looked at). Record: a PVT block with a position
// (framePart Solution), a covariance (ErrorEstimate) or DOP (Dop);
// Rejected: one of those without a usable value (Mode 0, Error set,
// do-not-use values, no time); Unread: any other block, or one too short
// for its fields. Does not throw and does not allocate.
FrameVerdict decodeSbfBlock(DecodedRecord& record, const std::uint8_t* block, std::int32_t length,
                            bool toKKJ) noexcept;

}  // namespace gnsslog
