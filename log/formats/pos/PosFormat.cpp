// RTKLIB-style solution files (.pos): one record per solution line, the
// header's column line saying how the lines read.
#include <string_view>

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

// A column line names its time scale in its first column ("%  GPST ...",
// "%  UTC ..."); RTKLIB writes week and seconds only in GPS time. A first
// solution line with a date ("2023/07/11 06:04:30.0") gives seconds of the
// day, since the decoder keeps no date.
RecordClock posRecordClock(const std::uint8_t* head, std::size_t size) noexcept
{
    RecordClock clock{TimeScale::Gps, DateKnown::TimeOfWeek};
    const std::string_view text(reinterpret_cast<const char*>(head), head == nullptr ? 0 : size);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const bool header = !line.empty() && line[0] == '%';
        const std::string_view body = header ? line.substr(1) : line;
        const std::size_t first = body.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) {
            continue;
        }
        const std::string_view token = body.substr(first, body.find_first_of(" \t\r", first) - first);
        if (header) {
            if (token == "UTC") {
                clock.scale = TimeScale::Utc;
            } else if (token == "GPST") {
                clock.scale = TimeScale::Gps;
            }
            continue;
        }
        clock.date = token.find('/') != std::string_view::npos ? DateKnown::TimeOfDay
                                                               : DateKnown::TimeOfWeek;
        break;
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
