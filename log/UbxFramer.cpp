#include "log/UbxFramer.h"

#include <algorithm>
#include <cstring>

namespace gnsslog {

bool UBXSniffer::checksumMatches(const std::uint8_t* frame, std::int32_t length) noexcept
{
    if (frame == nullptr || length < kOverheadBytes) {
        return false;
    }
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::int32_t i = 2; i < length - kChecksumBytes; ++i) {
        a = static_cast<std::uint8_t>(a + frame[i]);
        b = static_cast<std::uint8_t>(b + a);
    }
    return frame[length - 2] == a && frame[length - 1] == b;
}

// Drops the published frame from the window, giving back the byte its
// terminating zero covered.
void UBXSniffer::release() noexcept
{
    const std::int32_t end = head_ + expected_;
    if (end < count_) {
        buffer_[end] = covered_;
        head_ = end;
    } else {
        head_ = count_ = 0;
    }
    state_ = State::Searching;
}

void UBXSniffer::appendToWindow(const std::uint8_t* bytes, std::int32_t n) noexcept
{
    if (count_ + n > BufferSize - 1) {
        // The window never holds more than one frame's bytes, so moving it
        // to the front makes room.
        const std::int32_t kept = windowBytes();
        std::memmove(buffer_, buffer_ + head_, static_cast<std::size_t>(kept));
        head_ = 0;
        count_ = kept;
    }
    append(bytes, static_cast<std::size_t>(n));
}

std::uint8_t UBXSniffer::publish() noexcept
{
    const std::int32_t end = head_ + expected_;
    covered_ = buffer_[end];  // beyond count_ this is unused buffer
    buffer_[end] = 0;
    frameStart_ = buffer_ + head_;
    frameLength_ = expected_;
    frameKind_ = FrameKind::Ubx;
    state_ = State::Published;
    return status_ = SnifferStatus::Complete;
}

// Takes the window as far as its bytes allow: a failed candidate gives way
// to the next 0xB5 after its own.
std::uint8_t UBXSniffer::resolve() noexcept
{
    for (;;) {
        const std::int32_t have = windowBytes();
        const std::uint8_t* window = buffer_ + head_;
        switch (state_) {
        case State::Searching: {
            const void* start = std::memchr(window, kSync1, static_cast<std::size_t>(have));
            if (start == nullptr) {
                head_ = count_ = 0;
                return status_ = SnifferStatus::Searching;
            }
            head_ = static_cast<std::int32_t>(static_cast<const std::uint8_t*>(start) - buffer_);
            state_ = State::Sync;
            continue;
        }
        case State::Sync:
            if (have < 2) {
                return status_ = SnifferStatus::InFrame;
            }
            if (window[1] != kSync2) {
                ++head_;
                state_ = State::Searching;
                continue;
            }
            state_ = State::Header;
            continue;
        case State::Header: {
            if (have < kHeaderBytes) {
                return status_ = SnifferStatus::InFrame;
            }
            const std::int32_t payload = window[4] | (window[5] << 8);
            if (payload > kMaxFrameBytes - kOverheadBytes) {
                ++head_;
                state_ = State::Searching;
                continue;
            }
            expected_ = payload + kOverheadBytes;
            state_ = State::Body;
            continue;
        }
        case State::Body:
            if (have < expected_) {
                return status_ = SnifferStatus::InFrame;
            }
            if (!checksumMatches(window, expected_)) {
                ++checksumFailures_;
                ++head_;
                state_ = State::Searching;
                continue;
            }
            return publish();
        case State::Published:
            release();
            continue;
        }
    }
}

std::uint8_t UBXSniffer::feedByte(std::uint8_t byte) noexcept
{
    if (state_ == State::Published) {
        release();
    }
    if (state_ == State::Searching && windowBytes() == 0 && byte != kSync1) {
        return status_ = SnifferStatus::Searching;
    }
    appendToWindow(&byte, 1);
    return resolve();
}

std::size_t UBXSniffer::feed(const std::uint8_t* data, std::size_t size) noexcept
{
    std::size_t i = 0;
    while (i < size) {
        if (state_ == State::Searching && windowBytes() == 0) {
            i = findStart(data, i, size, kSync1);
            if (i == size) {
                return size;
            }
            feedByte(data[i++]);
        } else if (state_ == State::Body && windowBytes() < expected_) {
            // Payload bytes until the frame is whole: feedByte would only
            // store them and wait.
            const std::size_t missing = static_cast<std::size_t>(expected_ - windowBytes());
            const std::size_t run = std::min(size - i, missing);
            appendToWindow(data + i, static_cast<std::int32_t>(run));
            i += run;
            if (resolve() == SnifferStatus::Complete) {
                return i;
            }
        } else if (feedByte(data[i++]) == SnifferStatus::Complete) {
            return i;
        }
    }
    return size;
}

}  // namespace gnsslog
