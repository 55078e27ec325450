// Framer for RTKLIB-style solution files (.pos): text lines, "%" header
// lines first, then one solution per line.
//
// How a solution line reads (time style aside, which each line shows)
// depends on the header's column line: which position style, where Q, ns,
// the standard deviations and the age are. The framer reads that line
// itself and puts what it decided in front of every frame it publishes (a
// PosLayout of kPrefixBytes bytes), so a frame decodes on its own on any
// thread, and a header repeated further down changes only the lines after
// it.
//
// A frame is prefix plus line without its line feed (and carriage return).
// Blank lines give no frame. A line longer than the buffer is published
// at its end as an overlong frame, so it is counted, not lost unseen. A
// last line without a line feed is a frame too, published by finish():
// editors and scripts often leave the line feed off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "log/formats/Framers.h"

namespace gnsslog {

namespace FrameKind {
inline constexpr std::uint16_t PosLine = 32;
}  // namespace FrameKind

// What a published frame is.
enum class PosLineKind : std::uint8_t {
    Header = 'H',    // a "%" line
    Solution = 'S',  // any other non-blank line
    Overlong = 'L',  // a line cut short by the buffer
};

// How positions are written.
enum class PosStyle : std::uint8_t {
    Degrees = 0,         // latitude, longitude (degrees), height
    DegreesMinutes = 1,  // "dd mm ss.sss" latitude and longitude, height
    Ecef = 2,            // x, y, z
    Baseline = 3,        // east, north, up from the base
};

// The layout of solution lines, as blank-separated token indices (the
// time is tokens 0 and 1). kMissing: the column is not there.
struct PosLayout {
    static constexpr std::uint8_t kMissing = 0xFF;
    PosLineKind kind = PosLineKind::Solution;
    PosStyle style = PosStyle::Degrees;
    // Axes in the style's order: latitude, longitude, height; x, y, z; or
    // east, north, up. A degrees-minutes angle starts at its index.
    std::uint8_t axis[3] = {2, 3, 4};
    std::uint8_t quality = 5;
    std::uint8_t satellites = 6;
    // The three single-axis standard deviations, in any order.
    std::uint8_t sigma[3] = {7, 8, 9};
    std::uint8_t age = 13;
};

inline constexpr std::int32_t kPosPrefixBytes = 11;

// The layout a frame's prefix holds; frame must hold kPosPrefixBytes.
PosLayout readPosPrefix(const std::uint8_t* frame) noexcept;
void writePosPrefix(const PosLayout& layout, std::uint8_t* prefix) noexcept;

// The layout a "%" column line (without its "%") names, or false when the
// line names no complete set of position columns (any other header line).
bool parsePosColumnLine(std::string_view line, PosLayout& layout) noexcept;

class PosSniffer final : public BufferedSniffer<1024> {
public:
    // Longest line kept whole, without line feed.
    static constexpr std::int32_t kMaxLineBytes = BufferSize - 1 - kPosPrefixBytes;

    PosSniffer() noexcept { count_ = kPosPrefixBytes; }
    // frameStart() points into the object itself.
    PosSniffer(const PosSniffer&) = delete;
    PosSniffer& operator=(const PosSniffer&) = delete;

    // The layout solution lines get now.
    const PosLayout& layout() const noexcept { return layout_; }

    // Advances by one byte and returns the new status. Does not throw and
    // does not allocate.
    std::uint8_t feedByte(std::uint8_t byte) noexcept override;

    // The frames and statuses of feedByte() byte by byte, a run of line
    // bytes at a time; returns the bytes consumed (up to and including a
    // completing line feed). data may be null when size is 0.
    std::size_t feed(const std::uint8_t* data, std::size_t size) noexcept override;

    // Publishes a last line without its line feed as if one followed.
    std::uint8_t finish() noexcept override;

private:
    enum class State : std::int8_t {
        Line = 0,       // storing the line's bytes
        Overlong = 1,   // the buffer is full; skipping to the line feed
        Published = 2,  // a frame was just published
    };

    void startLine() noexcept;
    std::uint8_t endLine() noexcept;

    State state_ = State::Line;
    PosLayout layout_;
};

}  // namespace gnsslog
