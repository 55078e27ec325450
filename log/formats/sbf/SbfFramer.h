// Framer for Septentrio SBF blocks: "$@", the CRC (16 bits), the ID (block
// number in bits 0-12, revision in bits 13-15), the length of the whole
// block (a multiple of 4, header included), then the block's own bytes.
// The CRC is the CRC-16/XMODEM of everything after the CRC field to the
// end of the block; it is checked here, and a block that fails is counted
// (checksumFailures()) and gives way one byte after its "$" (see
// ResyncingSniffer: logs hold blocks cut short by their recorder).
//
// A "$@" whose length is below the header's 8 bytes, not a multiple of 4
// or over kMaxFrameBytes starts no block and is not counted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/formats/ResyncingSniffer.h"

namespace gnsslog {

namespace FrameKind {
inline constexpr std::uint16_t Sbf = 64;
}  // namespace FrameKind

inline constexpr std::int32_t kSbfMaxBlockBytes = 16384;

class SbfSniffer final : public ResyncingSniffer<SbfSniffer, kSbfMaxBlockBytes> {
public:
    static constexpr std::uint8_t kSync1 = '$';
    static constexpr std::uint8_t kSync2 = '@';
    // Sync, CRC, ID and length.
    static constexpr std::int32_t kHeaderBytes = 8;
    static constexpr std::int32_t kLengthAlignment = 4;
    // "$@".
    static constexpr std::int32_t kRecognisedBytes = 2;

    // Whether a whole block's CRC field matches the CRC of its bytes from
    // the ID on.
    static bool crcMatches(const std::uint8_t* block, std::int32_t length) noexcept;

    static std::uint16_t frameKindOf(const std::uint8_t*) noexcept { return FrameKind::Sbf; }
    static bool isStart(std::uint8_t byte) noexcept { return byte == kSync1; }
    CandidateVerdict examine(const std::uint8_t* window, std::int32_t have,
                             std::int32_t& expected) noexcept;
    std::size_t takeBlindly(const std::uint8_t* data, std::size_t n) const noexcept;
    void restart() noexcept { length_ = 0; }

private:
    // The candidate's declared length once its header is in; 0 before.
    std::int32_t length_ = 0;
    std::int32_t have_ = 0;
};

}  // namespace gnsslog
