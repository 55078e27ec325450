#include "log/formats/novatel/NovatelFramer.h"

#include <algorithm>

#include "log/formats/novatel/Crc32.h"
#include "log/formats/LittleEndian.h"

namespace gnsslog {

namespace {

constexpr std::size_t kSyncTypeOffset = 2;      // 0x12 long, 0x13 short header
constexpr std::size_t kHeaderLengthOffset = 3;  // U1, long header
constexpr std::size_t kShortBodyOffset = 3;     // U1 body length, short header
constexpr std::size_t kLongBodyLengthOffset = 8;  // U2 body length, long header
constexpr std::int32_t kLongHeaderNeeded = 10;    // bytes to know a long frame's length

bool printable(std::uint8_t byte) noexcept { return byte >= 0x20 && byte < 0x7F; }

int hexValue(std::uint8_t c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

bool NovatelSniffer::binaryCrcMatches(const std::uint8_t* frame, std::int32_t length) noexcept
{
    if (frame == nullptr || length < kCrcBytes) {
        return false;
    }
    const std::size_t covered = static_cast<std::size_t>(length - kCrcBytes);
    return crc32Novatel(frame, covered) == getLeU32(frame, covered);
}

bool NovatelSniffer::asciiCrcMatches(const std::uint8_t* frame, std::int32_t length) noexcept
{
    if (frame == nullptr || length < 2 + kAsciiCrcDigits || frame[length - 9] != '*') {
        return false;
    }
    std::uint32_t written = 0;
    for (std::int32_t i = length - kAsciiCrcDigits; i < length; ++i) {
        const int digit = hexValue(frame[i]);
        if (digit < 0) {
            return false;
        }
        written = (written << 4) | static_cast<std::uint32_t>(digit);
    }
    return crc32Novatel(frame + 1, static_cast<std::size_t>(length - 10)) == written;
}

CandidateVerdict NovatelSniffer::examineBinary(const std::uint8_t* window, std::int32_t have,
                                               std::int32_t& expected) noexcept
{
    if (have < 3) {
        return CandidateVerdict::NeedMore;
    }
    if (window[1] != kSync2 ||
        (window[kSyncTypeOffset] != kSyncLong && window[kSyncTypeOffset] != kSyncShort)) {
        return CandidateVerdict::NoFrame;
    }
    if (length_ == 0) {
        if (window[kSyncTypeOffset] == kSyncShort) {
            if (have <= static_cast<std::int32_t>(kShortBodyOffset)) {
                return CandidateVerdict::NeedMore;
            }
            length_ = kShortHeaderBytes + window[kShortBodyOffset] + kCrcBytes;
        } else {
            if (have < kLongHeaderNeeded) {
                return CandidateVerdict::NeedMore;
            }
            const std::int32_t header = window[kHeaderLengthOffset];
            if (header < kLongHeaderMinBytes) {
                return CandidateVerdict::NoFrame;
            }
            length_ = header + getLeU16(window, kLongBodyLengthOffset) + kCrcBytes;
            if (length_ > kMaxFrameBytes) {
                length_ = 0;
                return CandidateVerdict::NoFrame;
            }
        }
    }
    expected = length_;
    if (have < length_) {
        return CandidateVerdict::NeedMore;
    }
    return binaryCrcMatches(window, length_) ? CandidateVerdict::Frame : CandidateVerdict::Failed;
}

CandidateVerdict NovatelSniffer::examineAscii(const std::uint8_t* window, std::int32_t have,
                                              std::int32_t& expected) noexcept
{
    if (have < 2) {
        return CandidateVerdict::NeedMore;
    }
    if (window[1] < 'A' || window[1] > 'Z') {
        return CandidateVerdict::NoFrame;
    }
    for (; star_ == 0 && scanned_ < have; ++scanned_) {
        const std::uint8_t byte = window[scanned_];
        if (byte == '*') {
            star_ = scanned_;
        } else if (!printable(byte)) {
            return CandidateVerdict::NoFrame;
        }
    }
    if (star_ == 0) {
        return have >= kMaxFrameBytes ? CandidateVerdict::NoFrame : CandidateVerdict::NeedMore;
    }
    const std::int32_t length = star_ + 1 + kAsciiCrcDigits;
    if (length > kMaxFrameBytes) {
        return CandidateVerdict::NoFrame;
    }
    expected = length;
    for (; scanned_ < std::min(have, length); ++scanned_) {
        if (scanned_ > star_ && hexValue(window[scanned_]) < 0) {
            return CandidateVerdict::NoFrame;
        }
    }
    if (have < length) {
        return CandidateVerdict::NeedMore;
    }
    return asciiCrcMatches(window, length) ? CandidateVerdict::Frame : CandidateVerdict::Failed;
}

CandidateVerdict NovatelSniffer::examine(const std::uint8_t* window, std::int32_t have,
                                         std::int32_t& expected) noexcept
{
    have_ = have;
    ascii_ = isAscii(window);
    return ascii_ ? examineAscii(window, have, expected) : examineBinary(window, have, expected);
}

std::size_t NovatelSniffer::takeBlindly(const std::uint8_t* data, std::size_t n) noexcept
{
    if (ascii_) {
        // Printable bytes before the "*" need no look of their own, and the
        // next examine need not look at them again.
        if (star_ != 0 || have_ < 2 || scanned_ != have_) {
            return 0;
        }
        std::size_t run = 0;
        while (run < n && printable(data[run]) && data[run] != '*') {
            ++run;
        }
        scanned_ += static_cast<std::int32_t>(run);
        return run;
    }
    if (length_ == 0 || have_ >= length_) {
        return 0;
    }
    return std::min(n, static_cast<std::size_t>(length_ - have_));
}

}  // namespace gnsslog
