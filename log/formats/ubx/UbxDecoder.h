// Decoder of the u-blox UBX navigation messages the analysis reads:
// NAV-PVT (the solution with its status) and NAV-HPPOSLLH (the same
// position to a tenth of a millimetre); and, for receivers older than
// NAV-PVT, NAV-SOL (an ECEF solution with its status), NAV-POSLLH (a
// position without status) and NAV-STATUS (the status alone).
//
// A NAV-PVT with gnssFixOK set is a whole record. A NAV-HPPOSLLH carries
// no fix status: its record holds the position, the time and the
// accuracy, with fixType NoPosition, and is a record only once joined
// with the NAV-PVT of the same epoch (see UbxFormat). A NAV-SOL with
// gpsFixOk set is a solution (framePart OtherSolution), a NAV-POSLLH a
// position (framePart Position, fixType NoPosition), a NAV-STATUS with
// gpsFixOk a fix state (framePart FixState); the assembler makes records
// of them only in epochs without a NAV-PVT.
//
// A NAV-STATUS, with or without gpsFixOk, carries the receiver's time
// since its start (msss, seconds) in correctionAge, which NAV-STATUS has
// no other use for: the time going back tells a restart. Without gpsFixOk
// it is rejected, valid 0.
//
// errorEstimate: NAV-PVT, NAV-HPPOSLLH and NAV-POSLLH sqrt(hAcc^2 +
// vAcc^2); NAV-SOL its pAcc, the receiver's own 3-D accuracy. The same
// three give per-axis sigmas: hAcc / sqrt(2) north and east (hAcc is
// taken as the horizontal RMS), vAcc up.
//
// NAV-PL (protection levels) is a frame of framePart ProtectionLevels
// where its position level is valid and names its frame: horizontal the
// semi-major axis (frame 3) or the root sum of squares of the two
// horizontal levels (frames 1 and 2, which bound each axis alone),
// vertical the third level. Otherwise Rejected.
#pragma once

#include <cstdint>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

inline constexpr std::uint8_t kUbxClassNav = 0x01;
inline constexpr std::uint8_t kUbxIdNavPvt = 0x07;
inline constexpr std::uint8_t kUbxIdNavHpposllh = 0x14;
inline constexpr std::uint8_t kUbxIdNavSol = 0x06;
inline constexpr std::uint8_t kUbxIdNavPosllh = 0x02;
inline constexpr std::uint8_t kUbxIdNavStatus = 0x03;
inline constexpr std::uint8_t kUbxIdNavPl = 0x62;

namespace FramePart {
// A position without a fix state, coarser than NAV-HPPOSLLH's (NAV-POSLLH).
inline constexpr std::uint8_t Position = 7;
}  // namespace FramePart

// Fills record (expected zeroed) from one whole UBX frame (sync bytes to
// checksum, length bytes; the checksum is not looked at). Record: a
// NAV-PVT solution or a NAV-HPPOSLLH position; Rejected: one of those
// without a usable position; Unread: any other message, or a frame whose
// length does not match its header. Does not throw and does not allocate.
FrameVerdict decodeUbxFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                            bool toKKJ) noexcept;

// Whether a record decodeUbxFrame made is a NAV-HPPOSLLH position (to be
// joined with its epoch's NAV-PVT) rather than a solution of its own.
// A NAV-STATUS frame's time since the receiver's start, seconds.
inline double ubxUptimeSeconds(const GNSSRecord& navStatus) noexcept
{
    return navStatus.correctionAge;
}

inline bool isUbxPositionOnly(const GNSSRecord& record) noexcept
{
    return record.valid != 0 && record.fixType == FixType::NoPosition &&
           record.framePart == FramePart::Solution;
}

}  // namespace gnsslog
