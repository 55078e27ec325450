// Framer for u-blox UBX binary messages: 0xB5 0x62, class, id, payload
// length (little-endian 16 bits), payload, and the two Fletcher checksum
// bytes CK_A CK_B over class, id, length and payload.
//
// Unlike the text framers, a failed candidate is not left behind with the
// byte that broke it: the search resumes one byte after the candidate's
// 0xB5. Receivers cut long messages short, and a cut message's declared
// length would otherwise swallow the good frames recorded after it. So the
// framer keeps every byte from the candidate's 0xB5 on (a window), and
// when the sync byte, the length or the checksum fails it looks for the
// next 0xB5 in the window and tries again there. A frame can complete from
// bytes already in the window; it is then published on the next byte fed.
//
// Frames longer than kMaxFrameBytes are dropped by the same rule as a
// failed checksum: nothing the analysis reads is that long, and the cap
// bounds how much a hostile stream makes the framer re-examine. The
// checksum is checked here, not by the decoder: only a checked frame may
// move the search past its bytes.
//
// Long frames whose checksum matches are counted by class and id
// (unpublishedFrames()), so the data-quality figures show every message
// the receiver sent. Failed checksums are counted (checksumFailures()) for the data-quality
// figures, those of messages too long for the buffer included: such a
// candidate is followed on the side (its Fletcher sums gathered as its
// bytes pass, at most kMaxLongCandidates at a time) while the search goes
// on inside it. A failure that starts inside a long candidate counts only
// once that candidate has failed too: inside a good message it was never
// a frame of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/formats/Framers.h"

namespace gnsslog {

namespace FrameKind {
inline constexpr std::uint16_t Ubx = 16;
}  // namespace FrameKind

// Room for the longest message the analysis reads (NAV-PVT: 100 bytes with
// sync, header and checksum) and its zero; a longer frame is dropped like a
// failed one, which also bounds the bytes a failure makes the framer look
// at again.
class UBXSniffer final : public BufferedSniffer<128> {
public:
    static constexpr std::uint8_t kSync1 = 0xB5;
    static constexpr std::uint8_t kSync2 = 0x62;
    // Sync, class, id and length before the payload; the checksum after.
    static constexpr std::int32_t kHeaderBytes = 6;
    static constexpr std::int32_t kChecksumBytes = 2;
    static constexpr std::int32_t kOverheadBytes = kHeaderBytes + kChecksumBytes;
    // The whole frame and its terminating zero fit the buffer.
    static constexpr std::int32_t kMaxFrameBytes = BufferSize - 1;

    UBXSniffer() noexcept = default;
    // frameStart() points into the object itself.
    UBXSniffer(const UBXSniffer&) = delete;
    UBXSniffer& operator=(const UBXSniffer&) = delete;

    // Whether a whole frame's two checksum bytes match the Fletcher sums
    // over class, id, length and payload.
    static bool checksumMatches(const std::uint8_t* frame, std::int32_t length) noexcept;

    // Advances by one byte and returns the new status. Does not throw and
    // does not allocate.
    std::uint8_t feedByte(std::uint8_t byte) noexcept override;

    // Feeds bytes from data[0..size) until a frame completes or the bytes
    // run out, and returns how many were consumed (at least one when size
    // is not 0): the frames and statuses of feedByte() byte by byte. data
    // may be null when size is 0.
    std::size_t feed(const std::uint8_t* data, std::size_t size) noexcept override;

    // A candidate that still needs bytes gives way like a failed one, so
    // the frames its declared length swallowed are read; it counts as
    // truncated once its two sync bytes are in, unless it lies inside a
    // message too long for the buffer that the end cut too (whose payload
    // it most likely is). Failures pending inside such a message are
    // dropped.
    std::uint8_t finish() noexcept override;

    // Long messages (raw measurements, subframes) whose checksum matched.
    std::span<const UnpublishedFrames> unpublishedFrames() const noexcept override
    {
        return {unpublished_, static_cast<std::size_t>(unpublishedTypes_)};
    }

private:
    // A long frame that passed inside a long candidate not yet resolved:
    // it counts only if that candidate fails.
    struct PendingFrame {
        std::uint64_t start = 0;
        std::uint8_t messageClass = 0;
        std::uint8_t messageId = 0;
    };
    static constexpr int kMaxPendingFrames = 4;
    // A candidate longer than the buffer, checked as its bytes pass.
    struct LongCandidate {
        std::uint64_t start = 0;  // stream offset of its 0xB5
        std::uint64_t end = 0;    // offset after its last checksum byte
        std::uint64_t next = 0;   // offset of the next byte to take in
        std::uint64_t inner = 0;  // failures starting inside it, pending
        std::uint8_t a = 0;       // Fletcher sums over class to payload
        std::uint8_t b = 0;
        std::uint8_t checksumA = 0;
        // Offset of the first pending failure inside it.
        std::uint64_t firstInner = 0;
        // End of a passed long frame it starts inside (0: none): failures
        // before there were inside that frame, never candidates.
        std::uint64_t coveredUntil = 0;
        bool failed = false;      // known once next == end
        std::uint8_t messageClass = 0;
        std::uint8_t messageId = 0;
        PendingFrame pending[kMaxPendingFrames];
        int pendingCount = 0;
    };
    static constexpr int kMaxLongCandidates = 32;
    // Long frames that passed lately: a short candidate that starts inside
    // one fails at most a buffer's length after its end.
    struct Span {
        std::uint64_t start = 0;
        std::uint64_t end = 0;
    };
    static constexpr int kRecentGoodSpans = 4;

    void takeIn(LongCandidate& candidate, std::uint8_t byte) noexcept;
    // The next n consumed bytes, before the framer looks at them.
    void audit(const std::uint8_t* bytes, std::size_t n) noexcept;
    void resolveLongCandidates() noexcept;
    void trackLong(std::int32_t payload) noexcept;
    void countFailure(std::uint64_t start, std::uint64_t count) noexcept;
    // At the end: the candidate at the window's start, its sync whole, is
    // cut short; counted unless it lies inside a long message that passed
    // or that has not ended.
    void countCut() noexcept;
    void countCutLongCandidates() noexcept;

    // A long frame that passed: counted, kept pending with the innermost
    // unresolved long candidate around it, or dropped inside a frame.
    void countUnpublished(const PendingFrame& frame) noexcept;
    void addUnpublished(std::uint8_t messageClass, std::uint8_t messageId) noexcept;
    std::uint64_t windowStartOffset() const noexcept
    {
        return consumed_ - static_cast<std::uint64_t>(windowBytes());
    }

    enum class State : std::int8_t {
        Searching = 0,  // looking for 0xB5 in the window (empty: in the input)
        Sync = 1,       // 0xB5 at the window's start; 0x62 expected
        Header = 2,     // class, id and length still to come
        Body = 3,       // length known; waiting for the whole frame
        Published = 4,  // a frame at the window's start was just published
    };

    // Window: buffer_[head_..count_).
    std::int32_t windowBytes() const noexcept { return count_ - head_; }
    void release() noexcept;
    // The candidate at the window's start fails: the search resumes one
    // byte after its 0xB5.
    void giveWay() noexcept
    {
        ++head_;
        state_ = State::Searching;
    }
    void appendToWindow(const std::uint8_t* bytes, std::int32_t n) noexcept;
    std::uint8_t resolve() noexcept;
    std::uint8_t publish() noexcept;

    State state_ = State::Searching;
    std::int32_t head_ = 0;
    // Bytes of the candidate frame, known in Body and Published.
    std::int32_t expected_ = 0;
    // The window byte the published frame's terminating zero covers.
    std::uint8_t covered_ = 0;
    // Bytes consumed so far; the window ends there.
    std::uint64_t consumed_ = 0;
    LongCandidate long_[kMaxLongCandidates];
    int longCount_ = 0;
    Span recentGood_[kRecentGoodSpans];
    int nextGood_ = 0;
    // Inside finish(): no more bytes will come.
    bool ending_ = false;

    // A receiver sends a handful of long message types; types beyond
    // these go uncounted rather than make the framer allocate.
    static constexpr int kMaxUnpublishedTypes = 32;
    UnpublishedFrames unpublished_[kMaxUnpublishedTypes];
    int unpublishedTypes_ = 0;
};

}  // namespace gnsslog
