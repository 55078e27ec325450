// Byte-at-a-time framers for NMEA sentences and NavCom binary messages.
// (the helper fills in the opening paragraph and the state machines)
#pragma once

#include <cstdint>

namespace gnsslog {

// Status returned by feedByte.
namespace SnifferStatus {
inline constexpr std::uint8_t Searching = 0;
inline constexpr std::uint8_t InFrame = 1;
inline constexpr std::uint8_t Complete = 3;
}  // namespace SnifferStatus

namespace FrameKind {
inline constexpr std::uint16_t Nmea = 2;
inline constexpr std::uint16_t NavcomBinary = 8;
}  // namespace FrameKind

class PacketSniffer {
public:
    virtual std::uint8_t feedByte(std::uint8_t byte) = 0;
    virtual ~PacketSniffer() = default;

    // The last complete frame, zero-terminated, in the framer's own buffer:
    // valid from a Complete return until the next byte is fed.
    const std::uint8_t* frameStart() const noexcept { return frameStart_; }
    std::int32_t frameLength() const noexcept { return frameLength_; }
    std::uint16_t frameKind() const noexcept { return frameKind_; }
    std::uint8_t status() const noexcept { return status_; }

protected:
    const std::uint8_t* frameStart_ = nullptr;
    std::int32_t frameLength_ = 0;
    std::uint16_t frameKind_ = 0;
    std::uint8_t status_ = SnifferStatus::Searching;
};

}  // namespace gnsslog
