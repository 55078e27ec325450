#include "log/formats/ubx/UbxFramer.h"

#include <algorithm>
#include <cstring>

namespace gnsslog {

namespace {

// Bytes summed in 32 bits before the Fletcher sums are reduced: the second
// sum stays below 2048 * (255 + 2048 * 255) < 2^32.
constexpr std::uint64_t kSumBlockBytes = 2048;

}  // namespace

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

void UBXSniffer::takeIn(LongCandidate& candidate, std::uint8_t byte) noexcept
{
    const std::uint64_t offset = candidate.next++;
    if (offset + kChecksumBytes < candidate.end) {
        if (offset >= candidate.start + 2) {  // the sums start at the class
            candidate.a = static_cast<std::uint8_t>(candidate.a + byte);
            candidate.b = static_cast<std::uint8_t>(candidate.b + candidate.a);
        }
    } else if (offset + kChecksumBytes == candidate.end) {
        candidate.checksumA = byte;
    } else {
        candidate.failed = candidate.checksumA != candidate.a || byte != candidate.b;
    }
}

// Failures that start at start: none inside a long frame that passed,
// else pending with the innermost unresolved long candidate around them,
// else counted.
void UBXSniffer::countFailure(std::uint64_t start, std::uint64_t count) noexcept
{
    for (const Span& good : recentGood_) {
        if (good.start < start && start < good.end) {
            return;
        }
    }
    for (int i = longCount_ - 1; i >= 0; --i) {
        LongCandidate& candidate = long_[i];
        if (candidate.start < start && start < candidate.end) {
            if (start < candidate.coveredUntil) {
                return;
            }
            if (candidate.inner == 0) {
                candidate.firstInner = start;
            }
            candidate.inner += count;
            return;
        }
    }
    checksumFailures_ += count;
}

void UBXSniffer::countCut() noexcept
{
    const std::uint64_t start = windowStartOffset();
    for (const Span& good : recentGood_) {
        if (good.start < start && start < good.end) {
            return;
        }
    }
    for (int i = 0; i < longCount_; ++i) {
        if (long_[i].start < start && start < long_[i].end) {
            return;
        }
    }
    ++truncatedFrames_;
}

// The long candidates the end cut, outermost first (they are kept in the
// order of their start): one inside another counted one is its payload.
void UBXSniffer::countCutLongCandidates() noexcept
{
    std::uint64_t countedUntil = 0;
    for (int i = 0; i < longCount_; ++i) {
        const LongCandidate& candidate = long_[i];
        if (candidate.coveredUntil != 0 || candidate.start < countedUntil) {
            continue;
        }
        ++truncatedFrames_;
        countedUntil = candidate.end;
    }
    // A cut candidate was never a frame: what passed inside it was.
    for (int i = 0; i < longCount_; ++i) {
        for (int k = 0; k < long_[i].pendingCount; ++k) {
            addUnpublished(long_[i].pending[k].messageClass, long_[i].pending[k].messageId);
        }
    }
    longCount_ = 0;
}

std::uint8_t UBXSniffer::finish() noexcept
{
    ending_ = true;
    const std::uint8_t status = resolve();
    ending_ = false;
    if (status != SnifferStatus::Complete) {
        countCutLongCandidates();
    }
    return status;
}

void UBXSniffer::countUnpublished(const PendingFrame& frame) noexcept
{
    for (const Span& good : recentGood_) {
        if (good.start < frame.start && frame.start < good.end) {
            return;
        }
    }
    for (int i = longCount_ - 1; i >= 0; --i) {
        LongCandidate& candidate = long_[i];
        if (candidate.start < frame.start && frame.start < candidate.end) {
            if (frame.start < candidate.coveredUntil) {
                return;
            }
            // Rarely more than one; beyond the room the frame just counts.
            if (candidate.pendingCount < kMaxPendingFrames) {
                candidate.pending[candidate.pendingCount++] = frame;
                return;
            }
            break;
        }
    }
    addUnpublished(frame.messageClass, frame.messageId);
}

void UBXSniffer::addUnpublished(std::uint8_t messageClass, std::uint8_t messageId) noexcept
{
    for (int i = 0; i < unpublishedTypes_; ++i) {
        UnpublishedFrames& type = unpublished_[i];
        if (type.head[2] == messageClass && type.head[3] == messageId) {
            ++type.count;
            return;
        }
    }
    if (unpublishedTypes_ < kMaxUnpublishedTypes) {
        unpublished_[unpublishedTypes_++] = UnpublishedFrames{{kSync1, kSync2, messageClass, messageId}, 1};
    }
}

void UBXSniffer::trackLong(std::int32_t payload) noexcept
{
    if (longCount_ == kMaxLongCandidates) {
        return;
    }
    LongCandidate& candidate = long_[longCount_++];
    candidate = LongCandidate{};
    candidate.start = windowStartOffset();
    candidate.end = candidate.start + static_cast<std::uint64_t>(payload + kOverheadBytes);
    candidate.next = candidate.start;
    const std::uint8_t* window = buffer_ + head_;
    candidate.messageClass = window[2];  // the header is in the window
    candidate.messageId = window[3];
    for (std::int32_t i = 0; i < windowBytes(); ++i) {
        takeIn(candidate, window[i]);  // the window is shorter than the candidate
    }
}

void UBXSniffer::audit(const std::uint8_t* bytes, std::size_t n) noexcept
{
    const std::uint64_t first = consumed_;
    consumed_ += n;
    if (longCount_ == 0) {
        return;
    }
    for (int i = 0; i < longCount_; ++i) {
        LongCandidate& candidate = long_[i];
        const std::uint64_t stop = std::min(candidate.end, consumed_);
        // Payload bytes in wide sums, reduced modulo 256 every block: the
        // run of a long message is most of what a raw-data log holds.
        const std::uint64_t payloadStop = std::min(stop, candidate.end - kChecksumBytes);
        if (candidate.next < payloadStop) {
            const std::uint8_t* p = bytes + (candidate.next - first);
            std::uint64_t left = payloadStop - candidate.next;
            std::uint32_t a = candidate.a;
            std::uint32_t b = candidate.b;
            while (left > 0) {
                const std::uint64_t block = std::min<std::uint64_t>(left, kSumBlockBytes);
                for (std::uint64_t k = 0; k < block; ++k) {
                    a += p[k];
                    b += a;
                }
                a &= 0xFF;
                b &= 0xFF;
                p += block;
                left -= block;
            }
            candidate.a = static_cast<std::uint8_t>(a);
            candidate.b = static_cast<std::uint8_t>(b);
            candidate.next = payloadStop;
        }
        for (std::uint64_t offset = candidate.next; offset < stop; ++offset) {
            takeIn(candidate, bytes[offset - first]);
        }
    }
    resolveLongCandidates();
}

// Resolves the complete long candidates, the earliest end first, so that
// a candidate inside another hands its counts to it before it resolves.
void UBXSniffer::resolveLongCandidates() noexcept
{
    for (;;) {
        int done = -1;
        for (int i = 0; i < longCount_; ++i) {
            if (long_[i].next == long_[i].end && (done < 0 || long_[i].end < long_[done].end)) {
                done = i;
            }
        }
        if (done < 0) {
            return;
        }
        const LongCandidate resolved = long_[done];
        for (int i = done + 1; i < longCount_; ++i) {
            long_[i - 1] = long_[i];
        }
        --longCount_;
        const bool reached = resolved.coveredUntil == 0;
        if (resolved.failed || !reached) {
            if (reached) {
                countFailure(resolved.start, resolved.inner + 1);
            } else if (resolved.inner > 0) {
                // Never a candidate itself; what failed inside it after
                // the frame around it ended still counts.
                countFailure(resolved.firstInner, resolved.inner);
            }
            // Frames that passed inside it were frames after all, unless
            // the frame around it holds them.
            for (int k = 0; k < resolved.pendingCount; ++k) {
                countUnpublished(resolved.pending[k]);
            }
        } else {
            // A frame: nothing inside it was a candidate or a frame.
            recentGood_[nextGood_] = Span{resolved.start, resolved.end};
            nextGood_ = (nextGood_ + 1) % kRecentGoodSpans;
            for (int i = 0; i < longCount_; ++i) {
                LongCandidate& inside = long_[i];
                if (resolved.start < inside.start && inside.start < resolved.end) {
                    inside.inner = 0;
                    inside.pendingCount = 0;
                    inside.coveredUntil = std::max(inside.coveredUntil, resolved.end);
                }
            }
            countUnpublished(PendingFrame{resolved.start, resolved.messageClass, resolved.messageId});
        }
    }
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
            if (have < 2 && !ending_) {
                return status_ = SnifferStatus::InFrame;
            }
            if (have < 2 || window[1] != kSync2) {
                giveWay();
                continue;
            }
            state_ = State::Header;
            continue;
        case State::Header: {
            if (have < kHeaderBytes) {
                if (!ending_) {
                    return status_ = SnifferStatus::InFrame;
                }
                countCut();
                giveWay();
                continue;
            }
            const std::int32_t payload = window[4] | (window[5] << 8);
            if (payload > kMaxFrameBytes - kOverheadBytes) {
                trackLong(payload);
                giveWay();
                continue;
            }
            expected_ = payload + kOverheadBytes;
            state_ = State::Body;
            continue;
        }
        case State::Body:
            if (have < expected_) {
                if (!ending_) {
                    return status_ = SnifferStatus::InFrame;
                }
                countCut();
                giveWay();
                continue;
            }
            if (!checksumMatches(window, expected_)) {
                countFailure(windowStartOffset(), 1);
                giveWay();
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
    audit(&byte, 1);
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
            const std::size_t start = findStart(data, i, size, kSync1);
            audit(data + i, start - i);
            i = start;
            if (i == size) {
                return size;
            }
            feedByte(data[i++]);
        } else if (state_ == State::Body && windowBytes() < expected_) {
            // Payload bytes until the frame is whole: feedByte would only
            // store them and wait.
            const std::size_t missing = static_cast<std::size_t>(expected_ - windowBytes());
            const std::size_t run = std::min(size - i, missing);
            audit(data + i, run);
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
