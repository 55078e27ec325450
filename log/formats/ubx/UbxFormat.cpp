// u-blox UBX logs: NAV-PVT solutions, made more precise by the NAV-HPPOSLLH
// of the same epoch where the receiver sends one, or the NAV-SOL,
// NAV-POSLLH and NAV-STATUS of older receivers, among the receiver's other
// messages and whatever NMEA or RTCM shares the stream.
#include <array>

#include "log/formats/Formats.h"
#include "log/formats/ubx/UbxDecoder.h"
#include "log/formats/ubx/UbxFramer.h"
#include "log/formats/ubx/UbxMessageNames.h"
#include "log/formats/WeekRollover.h"

namespace gnsslog {

namespace {

// Sync, class, id, length, the shortest NAV-HPPOSLLH payload and checksum.
constexpr std::size_t kShortestRecordBytes = 36 + UBXSniffer::kOverheadBytes;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Joins the parts of one epoch, in whichever order they come: the
// NAV-PVT's status, DOP, satellites and accuracy, the NAV-HPPOSLLH's
// finer position. An epoch ends when a part of another time comes, and
// is a record if its NAV-PVT was. Without a NAV-PVT (older receivers) the
// epoch's NAV-SOL makes the record, or its NAV-STATUS with a position;
// the position is the finest the epoch has (NAV-HPPOSLLH, NAV-POSLLH,
// NAV-SOL's ECEF in centimetres). iTOW counts the week: a new week moves
// the clock on instead of back. A NAV-STATUS whose time since start-up
// (msss) is less than the one before marks a restart; the epoch it comes
// in is the first after it.
class UbxAssembler final : public RecordAssembler {
public:
    void add(const DecodedRecord& frame, RecordSink& sink) override
    {
        if (frame.framePart == FramePart::FixState && restarted(frame)) {
            if (open_ && frame.time != epochTime_) {
                finish(sink);
            }
            sink.markRestart();
        }
        if (frame.valid == 0) {
            return;
        }
        if (open_ && frame.time != epochTime_) {
            finish(sink);
        }
        open_ = true;
        epochTime_ = frame.time;
        if (isUbxPositionOnly(frame)) {
            take(position_, hasPosition_, frame);
            return;
        }
        switch (frame.framePart) {
        case FramePart::OtherSolution: take(oldSolution_, hasOldSolution_, frame); break;
        case FramePart::Position: take(coarsePosition_, hasCoarsePosition_, frame); break;
        case FramePart::FixState: take(fixState_, hasFixState_, frame); break;
        case FramePart::ProtectionLevels: take(levels_, hasLevels_, frame); break;
        default: take(solution_, hasSolution_, frame); break;
        }
    }

    void finish(RecordSink& sink) override
    {
        if (hasSolution_) {
            if (hasPosition_) {
                copyPosition(solution_, position_);
            }
            emit(withLevels(solution_), sink);
        } else if (hasOldSolution_ || (hasFixState_ && (hasPosition_ || hasCoarsePosition_))) {
            emit(withLevels(olderReceiverRecord()), sink);
        }
        hasLevels_ = false;
        open_ = false;
        hasSolution_ = false;
        hasPosition_ = false;
        hasOldSolution_ = false;
        hasCoarsePosition_ = false;
        hasFixState_ = false;
    }

private:
    bool restarted(const DecodedRecord& navStatus) noexcept
    {
        const double uptime = ubxUptimeSeconds(navStatus);
        const bool back = hasUptime_ && uptime < uptime_;
        uptime_ = uptime;
        hasUptime_ = true;
        return back;
    }

    static void take(DecodedRecord& slot, bool& has, const DecodedRecord& frame) noexcept
    {
        slot = frame;
        has = true;
    }

    DecodedRecord withLevels(DecodedRecord record) const noexcept
    {
        if (hasLevels_) {
            record.accuracy.protectionHorizontal = levels_.accuracy.protectionHorizontal;
            record.accuracy.protectionVertical = levels_.accuracy.protectionVertical;
            record.validFlags |= ValidFlag::ProtectionLevels;
        }
        return record;
    }

    static void copyPosition(DecodedRecord& to, const DecodedRecord& from) noexcept
    {
        to.latitude = from.latitude;
        to.longitude = from.longitude;
        to.height = from.height;
        to.localX = from.localX;
        to.localY = from.localY;
    }

    // An epoch of NAV-SOL, NAV-POSLLH and NAV-STATUS.
    DecodedRecord olderReceiverRecord() const noexcept
    {
        const DecodedRecord* finest =
            hasPosition_ ? &position_ : (hasCoarsePosition_ ? &coarsePosition_ : nullptr);
        DecodedRecord record = hasOldSolution_ ? oldSolution_ : *finest;
        if (!hasOldSolution_) {
            record.fixType = fixState_.fixType;
        }
        if (finest != nullptr) {
            copyPosition(record, *finest);
            if (!record.has(ValidFlag::AxisSigmas)) {
                record.takeSigmas(*finest);
            }
        }
        record.framePart = FramePart::Solution;
        return record;
    }

    void emit(DecodedRecord record, RecordSink& sink)
    {
        record.time = week_.apply(record.time);
        sink.take(record);
    }

    DecodedRecord solution_;        // NAV-PVT
    DecodedRecord position_;        // NAV-HPPOSLLH
    DecodedRecord oldSolution_;     // NAV-SOL
    DecodedRecord coarsePosition_;  // NAV-POSLLH
    DecodedRecord fixState_;        // NAV-STATUS
    DecodedRecord levels_;          // NAV-PL
    WeekRollover week_;
    double epochTime_ = 0;
    double uptime_ = 0;  // msss of the last NAV-STATUS, seconds
    bool hasUptime_ = false;
    bool open_ = false;
    bool hasSolution_ = false;
    bool hasPosition_ = false;
    bool hasOldSolution_ = false;
    bool hasCoarsePosition_ = false;
    bool hasFixState_ = false;
    bool hasLevels_ = false;
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
               (frame[3] == kUbxIdNavPvt || frame[3] == kUbxIdNavHpposllh ||
                frame[3] == kUbxIdNavSol || frame[3] == kUbxIdNavPosllh ||
                frame[3] == kUbxIdNavStatus || frame[3] == kUbxIdNavPl);
    }

    // The message's name ("NAV-PVT"), or "UBX-" and class and id in
    // hexadecimal for one without a name ("UBX-7F-01"). Only sync, class
    // and id are read. The hexadecimal text is the calling thread's own,
    // valid until its next call.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        thread_local std::array<char, 9> text = {'U', 'B', 'X', '-', '0', '0', '-', '0', '0'};
        if (frame == nullptr || length < 4) {
            return std::string_view(text.data(), 3);
        }
        if (const char* name = ubxMessageName(frame[2], frame[3])) {
            return name;
        }
        text[4] = kHexDigits[frame[2] >> 4];
        text[5] = kHexDigits[frame[2] & 0xF];
        text[7] = kHexDigits[frame[3] >> 4];
        text[8] = kHexDigits[frame[3] & 0xF];
        return std::string_view(text.data(), text.size());
    }

    // The framer publishes only frames whose checksum matches.
    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        return decodeUbxFrame(record, frame, length, options.toKKJ);
    }

    // iTOW: GPS milliseconds of the week.
    RecordClock recordClock(const std::uint8_t*, std::size_t) const noexcept override
    {
        return {TimeScale::Gps, DateKnown::TimeOfWeek};
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
