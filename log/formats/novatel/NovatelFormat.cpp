// NovAtel OEM logs, binary and ASCII: BESTPOS, BESTGNSSPOS, BESTXYZ and
// INSPVAX solutions, one record per epoch, among the receiver's other logs
// and its replies to commands.
#include <array>
#include <charconv>

#include "log/formats/Formats.h"
#include "log/formats/GpsEpochAssembler.h"
#include "log/formats/novatel/NovatelDecoder.h"
#include "log/formats/novatel/NovatelFramer.h"

namespace gnsslog {

namespace {

// Long header, the BESTPOS body and the CRC.
constexpr std::size_t kShortestRecordBytes = 28 + 72 + 4;
constexpr std::size_t kMaxAsciiNameBytes = 32;

bool readsId(std::uint16_t id) noexcept
{
    return id == NovatelLog::BestPos || id == NovatelLog::BestGnssPos ||
           id == NovatelLog::BestXyz || id == NovatelLog::InsPvax;
}

// An ASCII log's name as written, start character included ("#BESTPOSA").
std::string_view asciiName(const std::uint8_t* frame, std::int32_t length) noexcept
{
    const std::string_view text(reinterpret_cast<const char*>(frame),
                                static_cast<std::size_t>(length));
    const std::size_t end = text.find_first_of(",;*");
    return text.substr(0, std::min(end, kMaxAsciiNameBytes));
}

class NovatelFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "novatel"; }
    std::string_view caption() const noexcept override { return "NovAtel OEM (ASCII/binary)"; }

    // Frames do not overlap.
    std::size_t minimumRecordBytes() const noexcept override { return kShortestRecordBytes; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<NovatelSniffer>();
    }

    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        if (frame == nullptr || length < NovatelSniffer::kShortHeaderBytes) {
            return false;
        }
        if (NovatelSniffer::isAscii(frame)) {
            std::string_view name = asciiName(frame, length);
            return name.size() > 2 && name.ends_with('A') &&
                   novatelIdOfName(name.substr(1, name.size() - 2)) != 0;
        }
        return readsId(novatelMessageId(frame));
    }

    // ASCII: the name as written ("#BESTPOSA"); binary: the log's name and
    // "B" ("BESTPOSB"), or "NOVATEL-" and its ID. The text is the calling
    // thread's own, valid until its next call.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        if (frame == nullptr || length < 6) {
            return "NOVATEL";
        }
        if (NovatelSniffer::isAscii(frame)) {
            return asciiName(frame, length);
        }
        thread_local std::array<char, 24> text{};
        const std::uint16_t id = novatelMessageId(frame);
        char* end = text.data();
        if (const char* name = novatelLogName(id)) {
            const std::string_view known(name);
            end = std::copy(known.begin(), known.end(), end);
            *end++ = 'B';
        } else {
            constexpr std::string_view kPrefix = "NOVATEL-";
            end = std::copy(kPrefix.begin(), kPrefix.end(), end);
            end = std::to_chars(end, text.data() + text.size(), id).ptr;
        }
        return std::string_view(text.data(), static_cast<std::size_t>(end - text.data()));
    }

    // The framer publishes only frames whose CRC matches.
    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        return decodeNovatelFrame(record, frame, length, options.toKKJ);
    }

    // GPS week and milliseconds; the assembler counts from the first
    // record's week.
    RecordClock recordClock(const std::uint8_t*, std::size_t) const noexcept override
    {
        return {TimeScale::Gps, DateKnown::TimeOfWeek};
    }

    std::unique_ptr<RecordAssembler> makeAssembler() const override
    {
        return std::make_unique<GpsEpochAssembler>();
    }
};

}  // namespace

const InputFormat& novatelFormat() noexcept
{
    static const NovatelFormat format;
    return format;
}

}  // namespace gnsslog
