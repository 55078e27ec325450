// Septentrio SBF logs: PVTGeodetic or PVTCartesian solutions with the
// covariance and DOP blocks of their epoch, among the receiver's raw
// measurement and status blocks.
#include <array>
#include <charconv>

#include "log/formats/Formats.h"
#include "log/formats/GpsEpochAssembler.h"
#include "log/formats/sbf/SbfDecoder.h"
#include "log/formats/sbf/SbfFramer.h"

namespace gnsslog {

namespace {

// The shortest PVT block (revision 0) holds its fields up to NrSV.
constexpr std::size_t kShortestRecordBytes = 88;

class SbfFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "sbf"; }
    std::string_view caption() const noexcept override { return "Septentrio SBF (binary)"; }

    // Blocks do not overlap.
    std::size_t minimumRecordBytes() const noexcept override { return kShortestRecordBytes; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<SbfSniffer>();
    }

    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return frame != nullptr && length >= SbfSniffer::kHeaderBytes &&
               sbfBlockName(sbfBlockNumber(frame)) != nullptr;
    }

    // The block's name where the analysis reads it, else "SBF-" and its
    // number, as "SBF-4027". The text is the calling thread's own, valid
    // until its next call.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        if (frame == nullptr || length < SbfSniffer::kHeaderBytes) {
            return "SBF";
        }
        const std::uint16_t number = sbfBlockNumber(frame);
        if (const char* name = sbfBlockName(number)) {
            return name;
        }
        thread_local std::array<char, 12> text = {'S', 'B', 'F', '-'};
        const auto end = std::to_chars(text.data() + 4, text.data() + text.size(), number).ptr;
        return std::string_view(text.data(), static_cast<std::size_t>(end - text.data()));
    }

    // The framer publishes only blocks whose CRC matches.
    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        return decodeSbfBlock(record, frame, length, options.toKKJ);
    }

    // Time of week and week number; the assembler counts from the first
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

const InputFormat& sbfFormat() noexcept
{
    static const SbfFormat format;
    return format;
}

}  // namespace gnsslog
