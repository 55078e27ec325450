// NavCom binary logs: "[PVT1B]" messages among the receiver's other binary
// messages, one record each.
#include <cstring>

#include "log/formats/Formats.h"
#include "log/formats/navcom/Pvt1bDecoder.h"

namespace gnsslog {

namespace {

constexpr char kPvt1bLabel[] = "[PVT1B]";
constexpr std::size_t kPvt1bLabelLength = sizeof(kPvt1bLabel) - 1;

class NavcomFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "navcom"; }
    std::string_view caption() const noexcept override { return "Navcom binary"; }

    // Frames do not overlap, and a shorter one is rejected.
    std::size_t minimumRecordBytes() const noexcept override { return kPvt1bMinimumLength; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        // The CRC is checked in decodeFrame, on the decoding threads.
        return std::make_unique<NCTBINSniffer>(false);
    }

    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return frame != nullptr && length >= static_cast<std::int32_t>(kPvt1bLabelLength) &&
               std::memcmp(frame, kPvt1bLabel, kPvt1bLabelLength) == 0;
    }

    // The label with its brackets.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        const std::string_view text(reinterpret_cast<const char*>(frame),
                                    static_cast<std::size_t>(length));
        return text.substr(0, text.find(']') + 1);
    }

    // The packet's millisecond count is GPS time of week.
    RecordClock recordClock(const std::uint8_t*, std::size_t) const noexcept override
    {
        return {TimeScale::Gps, DateKnown::TimeOfWeek};
    }

    bool frameIntact(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return NCTBINSniffer::crcMatches(frame, length);
    }

    // The CRC is always checked: the framer would check it itself.
    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        if (!NCTBINSniffer::crcMatches(frame, length)) {
            return FrameVerdict::ChecksumFailed;
        }
        decodePVT1B(record, frame, length, options.toKKJ);
        return record.valid != 0 ? FrameVerdict::Record : FrameVerdict::Rejected;
    }
};

}  // namespace

const InputFormat& navcomFormat() noexcept
{
    static const NavcomFormat format;
    return format;
}

}  // namespace gnsslog
