// Byte-at-a-time framers for NMEA sentences and NavCom binary messages.
//
// A log file is an unstructured byte stream: reads split packets anywhere,
// a recording usually starts in the middle of a message, and garbage, line
// noise and truncated messages sit between the good ones. Each framer is a
// small state machine fed one byte at a time. It stores the bytes of the
// frame in progress in its own fixed buffer and moves on only while every
// byte fits the expected shape; anything unexpected drops the frame and
// returns to the ground state, where the next start byte begins a new one.
// The byte that broke a frame is consumed: it is never re-examined as a
// start byte, so a doubled "$" or "[" loses the frame that follows it.
// Lengths are capped before bytes are stored, and every state refuses a
// byte that would leave no room for the terminating zero, so no input can
// overrun a buffer. A NavCom framer that checks CRCs checks each once,
// when its frame is complete; the analysis's own leaves the check to the
// decoding threads (crcMatches).
//
// feed() is a block fast path: it gives exactly the frames and statuses
// that feeding the same bytes one by one through feedByte() would give.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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

// Frames that passed their checks but were too long for the framer to
// publish, of one type: the frame's first bytes (enough for a format's
// frameType() to name it) and how many passed.
struct UnpublishedFrames {
    static constexpr std::int32_t kHeadBytes = 4;
    std::array<std::uint8_t, kHeadBytes> head{};
    std::uint64_t count = 0;
};

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
    // Candidates dropped because their checksum did not match, for a framer
    // that checks checksums itself (and so never publishes such a frame).
    std::uint64_t checksumFailures() const noexcept { return checksumFailures_; }
    // Good frames passed over for their length, by type in order of first
    // appearance, for a framer that checks such frames without keeping
    // them; valid until the next byte is fed.
    virtual std::span<const UnpublishedFrames> unpublishedFrames() const noexcept { return {}; }

    // Feeds bytes up to and including the next completed frame (status()
    // is then Complete) and returns how many were used: the frames and
    // statuses of feeding them one by one through feedByte().
    virtual std::size_t feed(const std::uint8_t* data, std::size_t size);

    // The end-of-stream step, after the last byte: publishes a frame that
    // the bytes fed hold whole but the framer still waits on (a last line
    // without its line end, frames held behind a candidate the end cut
    // short) and counts a frame that the end cut short once its start was
    // recognisable: sync bytes, a name (truncatedFrames()). Returns Complete for each frame it
    // publishes: call it until it returns anything else; the framer is
    // then in its ground state, ready for another stream.
    virtual std::uint8_t finish() noexcept = 0;
    // Frames cut short by the end of the stream, counted by finish().
    std::uint64_t truncatedFrames() const noexcept { return truncatedFrames_; }

protected:
    const std::uint8_t* frameStart_ = nullptr;
    std::int32_t frameLength_ = 0;
    std::uint16_t frameKind_ = 0;
    std::uint8_t status_ = SnifferStatus::Searching;
    std::uint64_t checksumFailures_ = 0;
    std::uint64_t truncatedFrames_ = 0;
};

// The frame being gathered, shared by the framers: bytes are stored only
// while one more still fits for the terminating zero.
template <std::int32_t Size>
class BufferedSniffer : public PacketSniffer {
public:
    static constexpr std::int32_t BufferSize = Size;

protected:
    bool store(std::uint8_t byte) noexcept
    {
        if (count_ >= BufferSize - 1) {
            return false;
        }
        buffer_[count_++] = byte;
        return true;
    }
    // Where the next frame can start: the offset of the first startByte
    // in data[from..size), or size (and status Searching) when there is none.
    std::size_t findStart(const std::uint8_t* data, std::size_t from, std::size_t size,
                          std::uint8_t startByte) noexcept
    {
        const void* start = std::memchr(data + from, startByte, size - from);
        if (start == nullptr) {
            status_ = SnifferStatus::Searching;
            return size;
        }
        return static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - data);
    }
    // Bytes that can be stored with room left for the terminating zero.
    std::size_t room() const noexcept { return static_cast<std::size_t>(BufferSize - 1 - count_); }
    // n must not exceed room().
    void append(const std::uint8_t* bytes, std::size_t n) noexcept
    {
        std::memcpy(buffer_ + count_, bytes, n);
        count_ += static_cast<std::int32_t>(n);
    }

    std::uint8_t buffer_[BufferSize] = {};
    std::int32_t count_ = 0;
};

// NMEA sentences: "$", five upper-case letters, a body of printable 7-bit
// bytes, "*" and two characters "0".."F". The published frame runs from
// "$" to the second checksum character; the checksum itself is left to the
// decoder. At most 511 bytes, so the sentence and its zero fit 512.
class NMEASniffer final : public BufferedSniffer<512> {
public:
    NMEASniffer() noexcept = default;
    // frameStart() points into the object itself.
    NMEASniffer(const NMEASniffer&) = delete;
    NMEASniffer& operator=(const NMEASniffer&) = delete;

    // Advances the machine by one byte and returns the new status. Does not
    // throw and does not allocate.
    std::uint8_t feedByte(std::uint8_t byte) noexcept override;

    // Feeds bytes from data[0..size) until a frame completes or the bytes
    // run out, and returns how many were consumed (at least one when size
    // is not 0); status() then tells whether the last consumed byte
    // completed a frame. data may be null when size is 0. Does not throw
    // and does not allocate.
    std::size_t feed(const std::uint8_t* data, std::size_t size) noexcept override;

    // A sentence is published at its last checksum character, so none waits
    // for a line end; one cut short after its address is counted.
    std::uint8_t finish() noexcept override;

private:
    enum class State : std::int8_t {
        Searching = 0,     // waiting for "$"
        AddressFirst = 1,  // "$" stored; first address letter expected
        Address = 2,       // address letters until five follow the "$"
        Body = 3,          // printable bytes up to "*"
        Checksum = 4,      // "*" stored; two characters "0".."F" expected
    };

    std::uint8_t drop() noexcept
    {
        state_ = State::Searching;
        return status_ = SnifferStatus::Searching;
    }
    std::uint8_t publish() noexcept;
    // At a "$": the whole sentence when the bytes hold all of it and the
    // byte-by-byte machine would publish it; returns the bytes it takes,
    // 0 (nothing changed) otherwise.
    std::size_t wholeSentence(const std::uint8_t* data, std::size_t size) noexcept;

    State state_ = State::Searching;
};

// NavCom binary messages: a label "[" + characters "0".."Z" ending in "B"
// + "]" (four bytes at least, "BOOTLOADB]" excluded), a nine-byte header
// whose first two bytes are the length N = 9 + body bytes (little-endian),
// the body, "*", the CRC-16/XMODEM of header and body as four upper-case
// hexadecimal digits and a carriage return. The published frame runs from
// "[" to the last CRC digit. Bodies are limited to 2000 bytes, and a body
// byte is refused once more than 2000 bytes (label and header included)
// are stored, so with "[PVT1B]" the longest body is 1985 bytes.
class NCTBINSniffer final : public BufferedSniffer<4096> {
public:
    static constexpr std::int32_t HeaderSize = 9;
    static constexpr std::int32_t MaxBody = 2000;
    static constexpr std::int32_t MaxStoredBeforeBodyByte = 2000;
    static constexpr std::int32_t CrcDigits = 4;

    NCTBINSniffer() noexcept = default;
    // With crcChecked false, a frame whose CRC digits do not match is
    // published too, for a reader that checks it later with crcMatches()
    // (on another thread, say). Nothing else changes: after a frame the
    // machine starts searching anew whether its CRC matched or not.
    explicit NCTBINSniffer(bool crcChecked) noexcept : crcChecked_(crcChecked) {}

    // Whether a frame published without its CRC checked carries the right
    // CRC: the CRC-16/XMODEM of everything between the label's "]" and the
    // "*", against the four digits after the "*".
    static bool crcMatches(const std::uint8_t* frame, std::int32_t length) noexcept;
    // frameStart() points into the object itself.
    NCTBINSniffer(const NCTBINSniffer&) = delete;
    NCTBINSniffer& operator=(const NCTBINSniffer&) = delete;

    // Advances the machine by one byte and returns the new status. Does not
    // throw and does not allocate.
    std::uint8_t feedByte(std::uint8_t byte) noexcept override;

    // Feeds bytes from data[0..size) until a frame completes or the bytes
    // run out, and returns how many were consumed (at least one when size
    // is not 0); status() then tells whether the last consumed byte
    // completed a frame. data may be null when size is 0. Does not throw
    // and does not allocate.
    std::size_t feed(const std::uint8_t* data, std::size_t size) noexcept override;

    // A message whose four CRC digits are in lacks only its carriage
    // return: it is published as that byte would publish it. One cut short
    // after its label is counted.
    std::uint8_t finish() noexcept override;

private:
    enum class State : std::int8_t {
        Searching = 0,  // waiting for "["
        Label = 1,      // label characters "0".."Z" until "]"
        Header = 2,     // nine header bytes, the first two the length
        Body = 3,       // body bytes, counted down from the length
        Star = 4,       // "*" expected right after the body
        Crc = 5,        // CRC digits (backspace removes one), then CR
    };

    std::uint8_t drop() noexcept
    {
        state_ = State::Searching;
        return status_ = SnifferStatus::Searching;
    }
    std::uint8_t endLabel() noexcept;
    std::uint8_t endHeader() noexcept;
    std::uint8_t verifyAndPublish() noexcept;
    // The buffer's count_ bytes, zero-terminated, as the completed frame.
    std::uint8_t publish() noexcept;
    // At a "[": the whole frame when the bytes hold all of it, no limit of
    // the buffer comes near, and the byte-by-byte machine would publish it;
    // returns the bytes it takes, 0 (nothing changed) otherwise.
    std::size_t wholeFrame(const std::uint8_t* data, std::size_t size) noexcept;

    State state_ = State::Searching;
    // Offset of the first header byte (the label's length).
    std::int32_t headerStart_ = 0;
    std::uint16_t remainingBody_ = 0;
    // Header bytes stored, then CRC digits stored. Wide enough for a
    // buffer full of digits, so it cannot wrap.
    std::int32_t counter_ = 0;
    bool crcChecked_ = true;
};

inline std::uint8_t NMEASniffer::feedByte(std::uint8_t byte) noexcept
{
    switch (state_) {
    case State::Searching:
        if (byte != '$') {
            return status_ = SnifferStatus::Searching;
        }
        buffer_[0] = byte;
        count_ = 1;
        state_ = State::AddressFirst;
        return status_ = SnifferStatus::InFrame;
    case State::AddressFirst:
        if (byte < 'A' || byte > 'Z') {
            return drop();
        }
        buffer_[count_++] = byte;
        state_ = State::Address;
        return status_ = SnifferStatus::InFrame;
    case State::Address:
        if (byte < 'A' || byte > 'Z') {
            return drop();
        }
        buffer_[count_++] = byte;
        if (count_ == 6) {
            state_ = State::Body;
        }
        return status_ = SnifferStatus::InFrame;
    case State::Body:
        // Control characters (CR and LF among them) and bytes outside 7-bit
        // ASCII end a sentence that has not reached its "*".
        if (byte < 0x20 || byte >= 0x80 || !store(byte)) {
            return drop();
        }
        if (byte == '*') {
            state_ = State::Checksum;
        }
        return status_ = SnifferStatus::InFrame;
    case State::Checksum:
        if (byte < '0' || byte > 'F' || !store(byte)) {
            return drop();
        }
        if (buffer_[count_ - 3] == '*') {
            return publish();
        }
        return status_ = SnifferStatus::InFrame;
    }
    return drop();
}

inline std::uint8_t NCTBINSniffer::feedByte(std::uint8_t byte) noexcept
{
    switch (state_) {
    case State::Searching:
        if (byte != '[') {
            return status_ = SnifferStatus::Searching;
        }
        buffer_[0] = byte;
        count_ = 1;
        state_ = State::Label;
        return status_ = SnifferStatus::InFrame;
    case State::Label:
        if (byte == ']') {
            // "[" + two characters + "]" at least.
            if (count_ < 3 || !store(byte)) {
                return drop();
            }
            return endLabel();
        }
        if (byte < '0' || byte > 'Z' || !store(byte)) {
            return drop();
        }
        return status_ = SnifferStatus::InFrame;
    case State::Header:
        if (!store(byte)) {
            return drop();
        }
        if (++counter_ == HeaderSize) {
            return endHeader();
        }
        return status_ = SnifferStatus::InFrame;
    case State::Body:
        if (count_ > MaxStoredBeforeBodyByte) {
            return drop();
        }
        buffer_[count_++] = byte;
        if (--remainingBody_ == 0) {
            counter_ = 0;
            state_ = State::Star;
        }
        return status_ = SnifferStatus::InFrame;
    case State::Star:
        if (byte != '*' || !store(byte)) {
            return drop();
        }
        counter_ = 0;
        state_ = State::Crc;
        return status_ = SnifferStatus::InFrame;
    case State::Crc:
        if (byte == '\r') {
            if (counter_ != CrcDigits) {
                return drop();
            }
            return verifyAndPublish();
        }
        if (byte == 0x08) {  // backspace takes back the last digit
            if (counter_ == 0) {
                return drop();
            }
            --counter_;
            --count_;
            return status_ = SnifferStatus::InFrame;
        }
        if (byte < '0' || byte > 'F' || !store(byte)) {
            return drop();
        }
        ++counter_;
        return status_ = SnifferStatus::InFrame;
    }
    return drop();
}

}  // namespace gnsslog
