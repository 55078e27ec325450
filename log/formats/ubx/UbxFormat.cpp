// u-blox UBX logs: NAV-PVT solutions, made more precise by the NAV-HPPOSLLH
// of the same epoch where the receiver sends one, among the receiver's
// other messages and whatever NMEA or RTCM shares the stream.
#include <array>

#include "log/formats/Formats.h"
#include "log/formats/ubx/UbxDecoder.h"
#include "log/formats/ubx/UbxFramer.h"
#include "log/formats/WeekRollover.h"

namespace gnsslog {

namespace {

// Sync, class, id, length, the shortest NAV-HPPOSLLH payload and checksum.
constexpr std::size_t kShortestRecordBytes = 36 + UBXSniffer::kOverheadBytes;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Joins the parts of one epoch, in whichever order they come: the
// NAV-PVT's status, DOP, satellites and accuracy, the NAV-HPPOSLLH's
// finer position. An epoch ends when a part of another time comes, and
// is a record only if its NAV-PVT was. iTOW counts the week: a new week
// moves the clock on instead of back.
class UbxAssembler final : public RecordAssembler {
public:
    void add(const GNSSRecord& frame, RecordSink& sink) override
    {
        if (frame.valid == 0) {
            return;
        }
        if ((hasSolution_ || hasPosition_) && frame.time != epochTime_) {
            finish(sink);
        }
        epochTime_ = frame.time;
        if (isUbxPositionOnly(frame)) {
            position_ = frame;
            hasPosition_ = true;
        } else {
            solution_ = frame;
            hasSolution_ = true;
        }
    }

    void finish(RecordSink& sink) override
    {
        if (hasSolution_) {
            if (hasPosition_) {
                solution_.latitude = position_.latitude;
                solution_.longitude = position_.longitude;
                solution_.height = position_.height;
                solution_.localX = position_.localX;
                solution_.localY = position_.localY;
            }
            solution_.time = week_.apply(solution_.time);
            sink.take(solution_);
        }
        hasSolution_ = false;
        hasPosition_ = false;
    }

private:
    GNSSRecord solution_;
    GNSSRecord position_;
    WeekRollover week_;
    double epochTime_ = 0;
    bool hasSolution_ = false;
    bool hasPosition_ = false;
};

class UbxFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "ubx"; }
    std::string_view caption() const noexcept override { return "u-blox UBX (binary)"; }

    // Frames do not overlap.
    std::size_t minimumRecordBytes() const noexcept override { return kShortestRecordBytes; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<UBXSniffer>();
    }

    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return frame != nullptr && length >= UBXSniffer::kOverheadBytes &&
               frame[2] == kUbxClassNav &&
               (frame[3] == kUbxIdNavPvt || frame[3] == kUbxIdNavHpposllh);
    }

    // "UBX-" and class and id in hexadecimal, as "UBX-01-07". The text is
    // the calling thread's own, valid until its next call.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        thread_local std::array<char, 9> text = {'U', 'B', 'X', '-', '0', '0', '-', '0', '0'};
        if (frame == nullptr || length < 4) {
            return std::string_view(text.data(), 3);
        }
        text[4] = kHexDigits[frame[2] >> 4];
        text[5] = kHexDigits[frame[2] & 0xF];
        text[7] = kHexDigits[frame[3] >> 4];
        text[8] = kHexDigits[frame[3] & 0xF];
        return std::string_view(text.data(), text.size());
    }

    // The framer publishes only frames whose checksum matches.
    FrameVerdict decodeFrame(GNSSRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        return decodeUbxFrame(record, frame, length, options.toKKJ);
    }

    std::unique_ptr<RecordAssembler> makeAssembler() const override
    {
        return std::make_unique<UbxAssembler>();
    }
};

}  // namespace

const InputFormat& ubxFormat() noexcept
{
    static const UbxFormat format;
    return format;
}

}  // namespace gnsslog
