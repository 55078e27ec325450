// Decoder of the u-blox UBX navigation messages the analysis reads:
// NAV-PVT (the solution with its status) and NAV-HPPOSLLH (the same
// position to a tenth of a millimetre).
//
// A NAV-PVT with gnssFixOK set is a whole record. A NAV-HPPOSLLH carries
// no fix status: its record holds the position, the time and the
// accuracy, with fixType NoPosition, and is a record only once joined
// with the NAV-PVT of the same epoch (see UbxFormat).
#pragma once

#include <cstdint>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

inline constexpr std::uint8_t kUbxClassNav = 0x01;
inline constexpr std::uint8_t kUbxIdNavPvt = 0x07;
inline constexpr std::uint8_t kUbxIdNavHpposllh = 0x14;

// Fills record (expected zeroed) from one whole UBX frame (sync bytes to
// checksum, length bytes; the checksum is not looked at). Record: a
// NAV-PVT solution or a NAV-HPPOSLLH position; Rejected: one of those
// without a usable position; Unread: any other message, or a frame whose
// length does not match its header. Does not throw and does not allocate.
FrameVerdict decodeUbxFrame(GNSSRecord& record, const std::uint8_t* frame, std::int32_t length,
                            bool toKKJ) noexcept;

// Whether a record decodeUbxFrame made is a NAV-HPPOSLLH position (to be
// joined with its epoch's NAV-PVT) rather than a solution of its own.
inline bool isUbxPositionOnly(const GNSSRecord& record) noexcept
{
    return record.valid != 0 && record.fixType == FixType::NoPosition;
}

}  // namespace gnsslog
