// NavCom binary logs: "[PVT1B]" messages among the receiver's other binary
// messages, one record each.
#include <cstring>

#include "log/Formats.h"
#include "log/Pvt1bDecoder.h"

namespace gnsslog {

namespace {

constexpr char kPvt1bLabel[] = "[PVT1B]";
constexpr std::size_t kPvt1bLabelLength = sizeof(kPvt1bLabel) - 1;

class NavcomFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "navcom"; }

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

    void decodeFrame(GNSSRecord& record, const std::uint8_t* frame, std::int32_t length,
                     bool toKKJ) const noexcept override
    {
        if (NCTBINSniffer::crcMatches(frame, length)) {
            decodePVT1B(record, frame, length, toKKJ);
        }
    }
};

}  // namespace

const InputFormat& navcomFormat() noexcept
{
    static const NavcomFormat format;
    return format;
}

}  // namespace gnsslog
