// NMEA logs: position sentences (GGA, GNS, LLK, LLQ, ORP) among any
// others, one record each, completed by the epoch's GST, GSA and the
// dates of RMC and ZDA.
#include "log/formats/FrameFeed.h"
#include "log/formats/Formats.h"
#include "log/formats/nmea/NmeaAssembler.h"
#include "log/formats/nmea/NmeaChecksum.h"
#include "log/formats/nmea/NmeaDecoder.h"

namespace gnsslog {

namespace {

// "$", five address letters, "*" and two checksum characters.
constexpr std::size_t kShortestSentenceBytes = 9;

class NmeaFormat final : public InputFormat {
public:
    explicit NmeaFormat(bool verifyChecksum) noexcept : verifyChecksum_(verifyChecksum) {}

    std::string_view name() const noexcept override { return "nmea"; }
    std::string_view caption() const noexcept override { return "NMEA (ascii)"; }

    // Sentences do not overlap.
    std::size_t minimumRecordBytes() const noexcept override { return kShortestSentenceBytes; }

    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<NMEASniffer>();
    }

    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return frame != nullptr && length >= 0;
    }

    // The address: "$" and five letters.
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t length) const noexcept override
    {
        return std::string_view(reinterpret_cast<const char*>(frame),
                                static_cast<std::size_t>(length < 6 ? length : 6));
    }

    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                             const DecodeOptions& options) const noexcept override
    {
        if (verifyChecksum_ && !nmeaChecksumMatches(frame, length)) {
            return FrameVerdict::ChecksumFailed;
        }
        const char* sentence = reinterpret_cast<const char*>(frame);
        // A sentence of another type would decode to the zeroed record it
        // already is; one search for the types decides that.
        const NmeaSolutionType type = nmeaSolutionType(sentence);
        if (type == NmeaSolutionType::None) {
            return FrameVerdict::Unread;
        }
        decodeNmeaSentence(record, sentence, type, options.toKKJ);
        if (record.valid != 0) {
            return FrameVerdict::Record;
        }
        // A text stays unread in the data quality even when it is a
        // start-up banner (framePart Restart), which the assembler marks.
        return type == NmeaSolutionType::Txt ? FrameVerdict::Unread : FrameVerdict::Rejected;
    }

    // UTC time of day; with the date of the first record that an RMC or
    // ZDA of the head dates, from which the times count.
    RecordClock recordClock(const std::uint8_t* head, std::size_t size) const noexcept override;

    std::unique_ptr<RecordAssembler> makeAssembler() const override
    {
        return std::make_unique<NmeaAssembler>();
    }

    const InputFormat& ignoringChecksums() const noexcept override;

private:
    // Sentences whose checksum does not match are rejected.
    bool verifyChecksum_;
};

// Takes nothing: only the assembler's first day is wanted.
class DiscardingSink final : public RecordSink {
public:
    void take(const DecodedRecord&) override {}
};

// 1970-01-01 to the GPS epoch, 1980-01-06.
constexpr std::int64_t kGpsEpochDaysFrom1970 = 3657;
constexpr double kSecondsPerDay = 86400.0;

RecordClock NmeaFormat::recordClock(const std::uint8_t* head, std::size_t size) const noexcept
{
    RecordClock clock{TimeScale::Utc, DateKnown::TimeOfDay};
    if (head == nullptr) {
        return clock;
    }
    // The analysis's own framing and assembly over the head, so that the
    // day found is the one its records count from.
    NMEASniffer framer;
    NmeaAssembler assembler;
    DiscardingSink sink;
    DecodeOptions options;
    options.toKKJ = false;
    std::int64_t day = 0;
    const auto onFrame = [&](const std::uint8_t* frame, std::int32_t length) {
        DecodedRecord record;
        decodeFrame(record, frame, length, options);
        assembler.add(record, sink);
        return !assembler.firstDay(day);
    };
    if (feedFrames(framer, head, size, onFrame) && finishFrames(framer, onFrame)) {
        assembler.finish(sink);
    }
    if (assembler.firstDay(day)) {
        clock.date = DateKnown::FullDate;
        clock.dateOrigin = static_cast<double>(day - kGpsEpochDaysFrom1970) * kSecondsPerDay;
    }
    return clock;
}

const NmeaFormat& nmeaFormatWithoutChecksums() noexcept
{
    static const NmeaFormat format(false);
    return format;
}

const InputFormat& NmeaFormat::ignoringChecksums() const noexcept
{
    return nmeaFormatWithoutChecksums();
}

}  // namespace

const InputFormat& nmeaFormat() noexcept
{
    static const NmeaFormat format(true);
    return format;
}

}  // namespace gnsslog
