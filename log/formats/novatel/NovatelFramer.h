// Framer for NovAtel OEM logs (and Unicore's, which share the framing), in
// binary and ASCII, mixed in one stream as receivers' ports allow:
//   - binary, long header: AA 44 12, header length, message ID, ..., the
//     body's length at offset 8; header, body and a CRC-32 of both;
//   - binary, short header: AA 44 13, body length, message ID, week, ms;
//     12 header bytes, body, CRC-32;
//   - ASCII: "#" (or "%" for the short header) and an upper-case name,
//     printable bytes up to "*", then the CRC-32 of the bytes between the
//     start character and the "*" as eight hexadecimal digits.
// The published frame runs from the sync byte to the end of the CRC (its
// last hexadecimal digit in ASCII; the line end stays outside). The CRC is
// checked here; a candidate that fails is counted (checksumFailures()) and
// gives way one byte after its start byte (see ResyncingSniffer: logs hold
// frames broken by echoed keystrokes and line-ending conversions).
//
// Abbreviated ASCII ("<" lines) carries no CRC and is not framed: in the
// logs it is only the receiver's replies ("<OK").
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/formats/ResyncingSniffer.h"

namespace gnsslog {

namespace FrameKind {
inline constexpr std::uint16_t NovatelBinary = 128;
inline constexpr std::uint16_t NovatelAscii = 256;
}  // namespace FrameKind

inline constexpr std::int32_t kNovatelMaxFrameBytes = 16384;

class NovatelSniffer final : public ResyncingSniffer<NovatelSniffer, kNovatelMaxFrameBytes> {
public:
    static constexpr std::uint8_t kSync1 = 0xAA;
    static constexpr std::uint8_t kSync2 = 0x44;
    static constexpr std::uint8_t kSyncLong = 0x12;
    static constexpr std::uint8_t kSyncShort = 0x13;
    static constexpr std::int32_t kLongHeaderMinBytes = 28;
    static constexpr std::int32_t kShortHeaderBytes = 12;
    static constexpr std::int32_t kCrcBytes = 4;
    static constexpr std::int32_t kAsciiCrcDigits = 8;
    // The binary sync, or "#" and two letters of a name.
    static constexpr std::int32_t kRecognisedBytes = 3;

    // Whether a whole binary frame's last four bytes are the CRC-32 of the
    // bytes before them.
    static bool binaryCrcMatches(const std::uint8_t* frame, std::int32_t length) noexcept;
    // Whether a whole ASCII frame ("#...*" and eight digits) carries the
    // CRC-32 of the bytes between its first byte and the "*".
    static bool asciiCrcMatches(const std::uint8_t* frame, std::int32_t length) noexcept;
    // Whether a published frame is ASCII.
    static bool isAscii(const std::uint8_t* frame) noexcept
    {
        return frame[0] == '#' || frame[0] == '%';
    }

    static std::uint16_t frameKindOf(const std::uint8_t* frame) noexcept
    {
        return isAscii(frame) ? FrameKind::NovatelAscii : FrameKind::NovatelBinary;
    }
    static bool isStart(std::uint8_t byte) noexcept
    {
        return byte == kSync1 || byte == '#' || byte == '%';
    }
    CandidateVerdict examine(const std::uint8_t* window, std::int32_t have,
                             std::int32_t& expected) noexcept;
    std::size_t takeBlindly(const std::uint8_t* data, std::size_t n) noexcept;
    void restart() noexcept
    {
        length_ = 0;
        star_ = 0;
        scanned_ = 1;
        ascii_ = false;
    }

private:
    CandidateVerdict examineBinary(const std::uint8_t* window, std::int32_t have,
                                   std::int32_t& expected) noexcept;
    CandidateVerdict examineAscii(const std::uint8_t* window, std::int32_t have,
                                  std::int32_t& expected) noexcept;

    std::int32_t length_ = 0;   // binary: the candidate's whole length once known
    std::int32_t have_ = 0;     // window bytes at the last look
    std::int32_t star_ = 0;     // ASCII: offset of the "*", 0 before
    std::int32_t scanned_ = 1;  // ASCII: bytes already seen to be printable
    bool ascii_ = false;
};

}  // namespace gnsslog
