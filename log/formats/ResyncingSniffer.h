// Framing for binary block formats whose blocks carry their own length and
// CRC (Septentrio SBF, NovAtel OEM logs), shared by their framers.
//
// Receivers and their recorders cut blocks short, and typed commands or
// line-ending conversions break others; the declared length of a broken
// block would swallow the good blocks recorded after it. So, as for UBX,
// a candidate that fails is not skipped by its length: the search resumes
// one byte after its start byte. The framer keeps every byte from the
// candidate's start byte on (a window); when the candidate fails it looks
// for the next start byte in the window and tries again there. A frame
// can complete from bytes already in the window; it is then published on
// the next byte fed.
//
// The format (Derived) tells what a candidate is:
//   static bool isStart(std::uint8_t byte)
//   Verdict examine(const std::uint8_t* window, std::int32_t have,
//                   std::int32_t& expected)
//       NeedMore (expected: the candidate's whole length once known, else
//       0), NoFrame (not a candidate after all: nothing is counted),
//       Failed (a whole candidate whose CRC does not match: counted), or
//       Frame (expected bytes from window[0] are a good frame);
//   std::size_t takeBlindly(const std::uint8_t* data, std::size_t n)
//       how many of the next n bytes can join the window before examine
//       needs to look again (for a fast path; 0 is always right);
//   void restart() noexcept: a new candidate begins at window[0];
//   static constexpr std::int32_t kRecognisedBytes: from this many bytes
//       on, a candidate examine() still accepts is recognisably a frame's
//       start, and one the end of the bytes cuts is counted as truncated;
//   static std::uint16_t frameKindOf(const std::uint8_t* frame).
//
// Frames longer than MaxFrame are no candidates: nothing the analysis
// reads comes near, and the cap bounds what a hostile stream makes the
// framer look at again (each start byte at most MaxFrame bytes).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "log/formats/Framers.h"

namespace gnsslog {

enum class CandidateVerdict : std::uint8_t { NeedMore, NoFrame, Failed, Frame };

template <typename Derived, std::int32_t MaxFrame>
class ResyncingSniffer : public BufferedSniffer<MaxFrame + 1> {
    using Base = BufferedSniffer<MaxFrame + 1>;

public:
    static constexpr std::int32_t kMaxFrameBytes = MaxFrame;

    ResyncingSniffer() noexcept = default;
    // frameStart() points into the object itself.
    ResyncingSniffer(const ResyncingSniffer&) = delete;
    ResyncingSniffer& operator=(const ResyncingSniffer&) = delete;

    // Advances by one byte and returns the new status. Does not throw and
    // does not allocate.
    std::uint8_t feedByte(std::uint8_t byte) noexcept override
    {
        if (state_ == State::Published) {
            release();
        }
        if (state_ == State::Searching && windowBytes() == 0 && !Derived::isStart(byte)) {
            return this->status_ = SnifferStatus::Searching;
        }
        appendToWindow(&byte, 1);
        return resolve();
    }

    // At the end of the bytes: publishes the next frame that already lies
    // whole in the window, counting the failed candidates before it. A
    // candidate that still needs bytes gives way like a failed one, so the
    // frames its declared length swallowed are read; it counts as
    // truncated from kRecognisedBytes on (a lone start byte is no frame).
    std::uint8_t finish() noexcept override
    {
        ending_ = true;
        const std::uint8_t status = resolve();
        ending_ = false;
        return status;
    }

    // Feeds bytes from data[0..size) until a frame completes or the bytes
    // run out, and returns how many were consumed (at least one when size
    // is not 0): the frames and statuses of feedByte() byte by byte. data
    // may be null when size is 0.
    std::size_t feed(const std::uint8_t* data, std::size_t size) noexcept override
    {
        std::size_t i = 0;
        while (i < size) {
            if (state_ == State::Searching && windowBytes() == 0) {
                while (i < size && !Derived::isStart(data[i])) {
                    ++i;
                }
                this->status_ = SnifferStatus::Searching;
                if (i == size) {
                    return size;
                }
                if (feedByte(data[i++]) == SnifferStatus::Complete) {
                    return i;
                }
                continue;
            }
            if (state_ == State::Candidate) {
                const std::size_t room = static_cast<std::size_t>(MaxFrame - windowBytes());
                const std::size_t run = derived().takeBlindly(data + i, std::min(size - i, room));
                if (run > 0) {
                    appendToWindow(data + i, static_cast<std::int32_t>(run));
                    i += run;
                    if (resolve() == SnifferStatus::Complete) {
                        return i;
                    }
                    continue;
                }
            }
            if (feedByte(data[i++]) == SnifferStatus::Complete) {
                return i;
            }
        }
        return size;
    }

protected:
    using Base::buffer_;
    using Base::count_;

    std::int32_t windowBytes() const noexcept { return count_ - head_; }

private:
    enum class State : std::int8_t {
        Searching = 0,  // looking for a start byte in the window (empty: in the input)
        Candidate = 1,  // a start byte at the window's start; the format examines it
        Published = 2,  // a frame at the window's start was just published
    };

    Derived& derived() noexcept { return static_cast<Derived&>(*this); }

    // Drops the published frame from the window, giving back the byte its
    // terminating zero covered.
    void release() noexcept
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

    void appendToWindow(const std::uint8_t* bytes, std::int32_t n) noexcept
    {
        if (count_ + n > Base::BufferSize - 1) {
            // The window never holds more than one candidate's bytes, so
            // moving it to the front makes room.
            const std::int32_t kept = windowBytes();
            std::memmove(buffer_, buffer_ + head_, static_cast<std::size_t>(kept));
            head_ = 0;
            count_ = kept;
        }
        this->append(bytes, static_cast<std::size_t>(n));
    }

    std::uint8_t publish() noexcept
    {
        const std::int32_t end = head_ + expected_;
        covered_ = buffer_[end];  // beyond count_ this is unused buffer
        buffer_[end] = 0;
        this->frameStart_ = buffer_ + head_;
        this->frameLength_ = expected_;
        this->frameKind_ = Derived::frameKindOf(buffer_ + head_);
        state_ = State::Published;
        return this->status_ = SnifferStatus::Complete;
    }

    void giveWay() noexcept
    {
        ++head_;
        state_ = State::Searching;
    }

    // Takes the window as far as its bytes allow: a failed candidate gives
    // way to the next start byte after its own.
    std::uint8_t resolve() noexcept
    {
        for (;;) {
            switch (state_) {
            case State::Searching: {
                const std::uint8_t* window = buffer_ + head_;
                std::int32_t at = 0;
                while (at < windowBytes() && !Derived::isStart(window[at])) {
                    ++at;
                }
                if (at == windowBytes()) {
                    head_ = count_ = 0;
                    return this->status_ = SnifferStatus::Searching;
                }
                head_ += at;
                derived().restart();
                state_ = State::Candidate;
                continue;
            }
            case State::Candidate:
                expected_ = 0;
                switch (derived().examine(buffer_ + head_, windowBytes(), expected_)) {
                case CandidateVerdict::NeedMore:
                    if (!ending_) {
                        return this->status_ = SnifferStatus::InFrame;
                    }
                    if (windowBytes() >= Derived::kRecognisedBytes) {
                        ++this->truncatedFrames_;
                    }
                    giveWay();
                    continue;
                case CandidateVerdict::NoFrame:
                    giveWay();
                    continue;
                case CandidateVerdict::Failed:
                    ++this->checksumFailures_;
                    giveWay();
                    continue;
                case CandidateVerdict::Frame:
                    return publish();
                }
                giveWay();
                continue;
            case State::Published:
                release();
                continue;
            }
        }
    }

    State state_ = State::Searching;
    std::int32_t head_ = 0;
    // Bytes of the published frame.
    std::int32_t expected_ = 0;
    // The window byte the published frame's terminating zero covers.
    std::uint8_t covered_ = 0;
    // Inside finish(): no more bytes will come.
    bool ending_ = false;
};

}  // namespace gnsslog
