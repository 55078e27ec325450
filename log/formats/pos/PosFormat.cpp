// RTKLIB-style solution files (.pos): one record per solution line, the
// header's column line saying how the lines read.
#include <cstdint>
#include <string_view>

#include "log/formats/FrameFeed.h"
#include "log/formats/Formats.h"
#include "log/formats/pos/PosDecoder.h"
#include "log/formats/pos/PosFramer.h"
#include "log/formats/WeekRollover.h"

namespace gnsslog {

namespace {

// Week and seconds, position, Q and ns with one-digit fields and a line feed.
constexpr std::size_t kShortestLineBytes = 16;

constexpr std::string_view kHeaderType = "%";
constexpr std::string_view kSolutionType = "solution";
constexpr std::string_view kOverlongType = "overlong line";

// 1970-01-01 to the GPS epoch, 1980-01-06.
constexpr std::int64_t kGpsEpochDaysFrom1970 = 3657;
constexpr double kSecondsPerDay = 86400.0;
// RTKLIB's JST is UTC + 9 h.
constexpr double kJstAheadOfUtcSeconds = 9 * 3600.0;

// What the header says the times are on.
enum class PosTimeSystem : std::uint8_t {
    Unnamed,  // nothing yet: RTKLIB's default, GPS time
    Gpst,
    Utc,
    Jst,
    Other,  // a column line naming a system whose offset is not known here
};

bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The time system a header line names ("%  GPST  latitude(deg) ...",
// "%  UTC ..."), or system when it names none.
PosTimeSystem headerTimeSystem(std::string_view line, PosTimeSystem system) noexcept
{
    std::size_t first = 0;
    while (first < line.size() && (isBlank(line[first]) || line[first] == '%')) {
        ++first;
    }
    std::size_t end = first;
    while (end < line.size() && !isBlank(line[end])) {
        ++end;
    }
    const std::string_view token = line.substr(first, end - first);
    if (token == "GPST") {
        return PosTimeSystem::Gpst;
    }
    if (token == "UTC") {
        return PosTimeSystem::Utc;
    }
    if (token == "JST") {
        return PosTimeSystem::Jst;
    }
    const std::size_t percent = line.find('%');
    PosLayout layout;
    if (percent != std::string_view::npos && parsePosColumnLine(line.substr(percent + 1), layout)) {
        return PosTimeSystem::Other;
    }
    return system;
}

// The clock of a log whose first record is frame, under the header's
// time system. Calendar lines count from the midnight of that record's
// date (the analysis moves later days on by whole days), so the date
// completes them; week and seconds are GPS time, but a UTC header has
// always been taken at its word.
RecordClock firstRecordClock(const std::uint8_t* frame, std::int32_t length,
                             PosTimeSystem system) noexcept
{
    const TimeScale scale =
        system == PosTimeSystem::Utc || system == PosTimeSystem::Jst ? TimeScale::Utc : TimeScale::Gps;
    std::int64_t day = 0;
    // The decoder's test for a date: a slash in the first column.
    const std::string_view line(reinterpret_cast<const char*>(frame) + kPosPrefixBytes,
                                static_cast<std::size_t>(length - kPosPrefixBytes));
    std::size_t first = 0;
    while (first < line.size() && static_cast<unsigned char>(line[first]) <= ' ') {
        ++first;
    }
    std::size_t end = first;
    while (end < line.size() && static_cast<unsigned char>(line[end]) > ' ') {
        ++end;
    }
    if (line.substr(first, end - first).find('/') == std::string_view::npos) {
        return {system == PosTimeSystem::Utc ? TimeScale::Utc : TimeScale::Gps, DateKnown::TimeOfWeek};
    }
    if (system == PosTimeSystem::Other || !posFrameDate(frame, length, day)) {
        return {scale, DateKnown::TimeOfDay};
    }
    RecordClock clock{scale, DateKnown::FullDate};
    clock.dateOrigin = static_cast<double>(day - kGpsEpochDaysFrom1970) * kSecondsPerDay;
    if (system == PosTimeSystem::Jst) {
        clock.dateOrigin -= kJstAheadOfUtcSeconds;
    }
    return clock;
}

// The header's column line names the time system in its first column;
// the first solution line that decodes, read by the analysis's own framer
// and decoder, says whether times are of the week or of a dated day.
RecordClock posRecordClock(const std::uint8_t* head, std::size_t size) noexcept
{
    RecordClock clock{TimeScale::Gps, DateKnown::TimeOfWeek};
    if (head == nullptr) {
        return clock;
    }
    PosSniffer framer;
    PosTimeSystem system = PosTimeSystem::Unnamed;
    bool found = false;
    const auto onFrame = [&](const std::uint8_t* frame, std::int32_t length) {
        if (length < kPosPrefixBytes) {
            return true;
        }
        if (frame[0] == static_cast<std::uint8_t>(PosLineKind::Header)) {
            system = headerTimeSystem(
                std::string_view(reinterpret_cast<const char*>(frame) + kPosPrefixBytes,
                                 static_cast<std::size_t>(length - kPosPrefixBytes)),
                system);
            return true;
        }
        DecodedRecord record;
        if (decodePosFrame(record, frame, length, false) != FrameVerdict::Record) {
            return true;
        }
        clock = firstRecordClock(frame, length, system);
        found = true;
        return false;
    };
    if (feedFrames(framer, head, size, onFrame)) {
        finishFrames(framer, onFrame);
    }
    if (!found && system == PosTimeSystem::Utc) {
        clock.scale = TimeScale::Utc;
    }
    return clock;
}

// Solution lines in file order, their week seconds made continuous across
// the week's end (calendar times, seconds of the day, never step back that
// far).
class PosAssembler final : public RecordAssembler {
public:
    void add(const DecodedRecord& frame, RecordSink& sink) override
    {
        if (frame.valid == 0) {
            return;
        }
        DecodedRecord record = frame;
        record.time = week_.apply(frame.time);
        sink.take(record);
    }

    void finish(RecordSink&) override {}

private:
    WeekRollover week_;
};

class PosFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "pos"; }
    std::string_view caption() const noexcept override { return "Solution file (.pos)"; }

    std::size_t minimumRecordBytes() const noexcept override { return kShortestLineBytes; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<PosSniffer>();
    }

    // Header lines have done their work in the framer.
    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return frame != nullptr && length >= kPosPrefixBytes &&
               frame[0] != static_cast<std::uint8_t>(PosLineKind::Header);
    }

    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        if (frame == nullptr || length < kPosPrefixBytes) {
            return kOverlongType;
        }
        switch (static_cast<PosLineKind>(frame[0])) {
        case PosLineKind::Header:
            return kHeaderType;
        case PosLineKind::Solution:
            return kSolutionType;
        default:
            return kOverlongType;
        }
    }

    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        return decodePosFrame(record, frame, length, options.toKKJ);
    }

    RecordClock recordClock(const std::uint8_t* head, std::size_t size) const noexcept override
    {
        return posRecordClock(head, size);
    }

    std::unique_ptr<RecordAssembler> makeAssembler() const override
    {
        return std::make_unique<PosAssembler>();
    }
};

}  // namespace

const InputFormat& posFormat() noexcept
{
    static const PosFormat format;
    return format;
}

}  // namespace gnsslog
