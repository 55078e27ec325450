#include "log/formats/pos/PosFramer.h"

#include <algorithm>
#include <cstring>

namespace gnsslog {

namespace {

bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The next blank-separated token of text from pos on; empty at the end.
std::string_view nextToken(std::string_view text, std::size_t& pos) noexcept
{
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    const std::size_t start = pos;
    while (pos < text.size() && !isBlank(text[pos])) {
        ++pos;
    }
    return text.substr(start, pos - start);
}

// Which axis of which style a column label names: the label's text before
// its unit in parentheses.
struct AxisLabel {
    std::string_view name;
    PosStyle style;
    int axis;
};

constexpr AxisLabel kAxisLabels[] = {
    {"latitude", PosStyle::Degrees, 0},   {"longitude", PosStyle::Degrees, 1},
    {"height", PosStyle::Degrees, 2},     {"x-ecef", PosStyle::Ecef, 0},
    {"y-ecef", PosStyle::Ecef, 1},        {"z-ecef", PosStyle::Ecef, 2},
    {"e-baseline", PosStyle::Baseline, 0}, {"n-baseline", PosStyle::Baseline, 1},
    {"u-baseline", PosStyle::Baseline, 2},
};

constexpr std::string_view kSigmaLabels[] = {"sdn", "sde", "sdu", "sdx", "sdy", "sdz"};
// The unit of an angle written as degrees, minutes and seconds.
constexpr std::string_view kDegreesMinutesUnit = "(d'\")";
constexpr int kDegreesMinutesTokens = 3;
constexpr int kTimeTokens = 2;
// Token indices must fit the prefix's bytes, kMissing excluded.
constexpr int kLastTokenIndex = PosLayout::kMissing - 1;

}  // namespace

PosLayout readPosPrefix(const std::uint8_t* frame) noexcept
{
    PosLayout layout;
    layout.kind = static_cast<PosLineKind>(frame[0]);
    layout.style = static_cast<PosStyle>(frame[1]);
    std::memcpy(layout.axis, frame + 2, 3);
    layout.quality = frame[5];
    layout.satellites = frame[6];
    std::memcpy(layout.sigma, frame + 7, 3);
    layout.age = frame[10];
    return layout;
}

void writePosPrefix(const PosLayout& layout, std::uint8_t* prefix) noexcept
{
    prefix[0] = static_cast<std::uint8_t>(layout.kind);
    prefix[1] = static_cast<std::uint8_t>(layout.style);
    std::memcpy(prefix + 2, layout.axis, 3);
    prefix[5] = layout.quality;
    prefix[6] = layout.satellites;
    std::memcpy(prefix + 7, layout.sigma, 3);
    prefix[10] = layout.age;
}

bool parsePosColumnLine(std::string_view line, PosLayout& layout) noexcept
{
    PosLayout found;
    found.axis[0] = found.axis[1] = found.axis[2] = PosLayout::kMissing;
    found.quality = found.satellites = found.age = PosLayout::kMissing;
    found.sigma[0] = found.sigma[1] = found.sigma[2] = PosLayout::kMissing;
    bool styleKnown = false;
    int sigmas = 0;
    std::size_t pos = 0;
    // The first label names the time system; the time is two tokens.
    if (nextToken(line, pos).empty()) {
        return false;
    }
    int index = kTimeTokens;
    for (std::string_view label = nextToken(line, pos); !label.empty() && index <= kLastTokenIndex;
         label = nextToken(line, pos)) {
        const std::size_t paren = label.find('(');
        const std::string_view name = label.substr(0, paren);
        const std::string_view unit =
            paren == std::string_view::npos ? std::string_view() : label.substr(paren);
        int tokens = 1;
        const auto index8 = static_cast<std::uint8_t>(index);
        for (const AxisLabel& axis : kAxisLabels) {
            if (name != axis.name) {
                continue;
            }
            PosStyle style = axis.style;
            if (style == PosStyle::Degrees && axis.axis < 2 && unit == kDegreesMinutesUnit) {
                style = PosStyle::DegreesMinutes;
                tokens = kDegreesMinutesTokens;
            }
            // The two latitude styles share the height column.
            const bool geodetic = style == PosStyle::Degrees || style == PosStyle::DegreesMinutes;
            const bool foundGeodetic =
                found.style == PosStyle::Degrees || found.style == PosStyle::DegreesMinutes;
            if (styleKnown && (geodetic ? !foundGeodetic : found.style != style)) {
                return false;
            }
            if (!styleKnown || axis.axis < 2) {
                found.style = style;
            }
            styleKnown = true;
            found.axis[axis.axis] = index8;
        }
        if (name == "Q") {
            found.quality = index8;
        } else if (name == "ns") {
            found.satellites = index8;
        } else if (name == "age") {
            found.age = index8;
        } else if (sigmas < 3 &&
                   std::find(std::begin(kSigmaLabels), std::end(kSigmaLabels), name) !=
                       std::end(kSigmaLabels)) {
            found.sigma[sigmas++] = index8;
        }
        index += tokens;
    }
    if (!styleKnown || found.axis[0] == PosLayout::kMissing ||
        found.axis[1] == PosLayout::kMissing || found.axis[2] == PosLayout::kMissing ||
        found.quality == PosLayout::kMissing) {
        return false;
    }
    if (sigmas < 3) {
        found.sigma[0] = found.sigma[1] = found.sigma[2] = PosLayout::kMissing;
    }
    layout = found;
    return true;
}

void PosSniffer::startLine() noexcept
{
    count_ = kPosPrefixBytes;
    state_ = State::Line;
}

std::uint8_t PosSniffer::endLine() noexcept
{
    PosLayout frameLayout = layout_;
    if (state_ == State::Overlong) {
        frameLayout.kind = PosLineKind::Overlong;
    } else {
        while (count_ > kPosPrefixBytes && isBlank(static_cast<char>(buffer_[count_ - 1]))) {
            --count_;
        }
        std::int32_t first = kPosPrefixBytes;
        while (first < count_ && isBlank(static_cast<char>(buffer_[first]))) {
            ++first;
        }
        if (first == count_) {
            startLine();
            return status_ = SnifferStatus::Searching;
        }
        if (buffer_[first] == '%') {
            const std::string_view text(reinterpret_cast<const char*>(buffer_) + first + 1,
                                        static_cast<std::size_t>(count_ - first - 1));
            PosLayout named;
            if (parsePosColumnLine(text, named)) {
                layout_ = named;
            }
            // A column line's frame shows the layout it set.
            frameLayout = layout_;
            frameLayout.kind = PosLineKind::Header;
        }
    }
    writePosPrefix(frameLayout, buffer_);
    buffer_[count_] = 0;
    frameStart_ = buffer_;
    frameLength_ = count_;
    frameKind_ = FrameKind::PosLine;
    state_ = State::Published;
    return status_ = SnifferStatus::Complete;
}

std::uint8_t PosSniffer::finish() noexcept
{
    if (state_ == State::Published || count_ == kPosPrefixBytes) {
        startLine();
        return status_ = SnifferStatus::Searching;
    }
    return endLine();
}

std::uint8_t PosSniffer::feedByte(std::uint8_t byte) noexcept
{
    if (state_ == State::Published) {
        startLine();
    }
    if (byte == '\n') {
        return endLine();
    }
    if (state_ == State::Line && !store(byte)) {
        state_ = State::Overlong;
    }
    return status_ = SnifferStatus::InFrame;
}

std::size_t PosSniffer::feed(const std::uint8_t* data, std::size_t size) noexcept
{
    std::size_t i = 0;
    while (i < size) {
        if (state_ == State::Published) {
            startLine();
        }
        const void* found = std::memchr(data + i, '\n', size - i);
        const std::size_t end =
            found == nullptr ? size
                             : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
        const std::size_t run = end - i;
        if (run > 0) {
            if (state_ == State::Line) {
                const std::size_t kept = std::min(run, room());
                append(data + i, kept);
                if (kept < run) {
                    state_ = State::Overlong;
                }
            }
            status_ = SnifferStatus::InFrame;
        }
        i = end;
        if (found == nullptr) {
            return size;
        }
        ++i;
        if (endLine() == SnifferStatus::Complete) {
            return i;
        }
    }
    return size;
}

}  // namespace gnsslog
