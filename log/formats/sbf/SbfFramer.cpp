#include "log/formats/sbf/SbfFramer.h"

#include <algorithm>

#include "log/formats/navcom/Crc16.h"
#include "log/formats/LittleEndian.h"

namespace gnsslog {

namespace {

constexpr std::size_t kCrcOffset = 2;
constexpr std::size_t kLengthOffset = 6;
constexpr std::size_t kCoveredFrom = 4;  // the CRC covers the ID onwards

}  // namespace

bool SbfSniffer::crcMatches(const std::uint8_t* block, std::int32_t length) noexcept
{
    if (block == nullptr || length < kHeaderBytes) {
        return false;
    }
    return crc16Xmodem(block + kCoveredFrom, static_cast<std::size_t>(length) - kCoveredFrom) ==
           getLeU16(block, kCrcOffset);
}

CandidateVerdict SbfSniffer::examine(const std::uint8_t* window, std::int32_t have,
                                     std::int32_t& expected) noexcept
{
    have_ = have;
    if (have < 2) {
        return CandidateVerdict::NeedMore;
    }
    if (window[1] != kSync2) {
        return CandidateVerdict::NoFrame;
    }
    if (have < kHeaderBytes) {
        return CandidateVerdict::NeedMore;
    }
    const std::int32_t length = getLeU16(window, kLengthOffset);
    if (length < kHeaderBytes || length % kLengthAlignment != 0 || length > kMaxFrameBytes) {
        return CandidateVerdict::NoFrame;
    }
    length_ = length;
    expected = length;
    if (have < length) {
        return CandidateVerdict::NeedMore;
    }
    return crcMatches(window, length) ? CandidateVerdict::Frame : CandidateVerdict::Failed;
}

std::size_t SbfSniffer::takeBlindly(const std::uint8_t*, std::size_t n) const noexcept
{
    // Only the block's body: the header decides what follows.
    if (length_ == 0 || have_ >= length_) {
        return 0;
    }
    return std::min(n, static_cast<std::size_t>(length_ - have_));
}

}  // namespace gnsslog
