// The log-format seam: what the analysis needs to know of a receiver's
// output. A format finds frames in the byte stream (its framer), says which
// frames carry something to decode, decodes one frame on its own, and may
// complete one record from several frames (an epoch told in two
// sentences).
//
// The pipeline frames on one thread and decodes on several, so decodeFrame
// must be a pure function of the frame; everything that depends on earlier
// frames belongs in the RecordAssembler, which sees the decoded frames in
// file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "geodesy/GridFrame.h"
#include "log/GnssRecord.h"
#include "log/formats/Framers.h"
#include "log/formats/RecordClock.h"

namespace gnsslog {

// What a decoder is asked to do besides decoding.
struct DecodeOptions {
    // Geodetic positions are converted to grid coordinates as well.
    bool toKKJ = true;
    // The grid. KKJ: the decoders convert while toKKJ is set, as they
    // always have. Any other frame: the pipeline converts each decoded
    // geodetic position itself, whatever toKKJ says.
    GridFrame frame{};
    // The tangent point of an Enu frame; none: the log's first decoded
    // geodetic position.
    std::optional<GeodeticPosition> enuOrigin{};

    friend bool operator==(const DecodeOptions&, const DecodeOptions&) = default;
};

// What became of a decoded frame.
enum class FrameVerdict : std::uint8_t {
    Record,          // a usable record (or part of one)
    ChecksumFailed,  // checksum or CRC does not match
    Unread,          // a type this format does not read
    Rejected,        // a type it reads, with fields that do not make a record
};

// Where assembled records go.
class RecordSink {
public:
    virtual void take(const DecodedRecord& record) = 0;
    // A date the assembler did not follow: it would have moved the time by
    // other than the whole days the time of day allows.
    virtual void ignoreDate() noexcept {}
    // The receiver restarted: the next record taken is the first after it.
    virtual void markRestart() noexcept {}

protected:
    ~RecordSink() = default;
};

// Turns the decoded frames of a log, in file order, into records. Each
// analysis gets its own.
class RecordAssembler {
public:
    virtual ~RecordAssembler() = default;
    // One decoded frame, valid or not; hands completed records to sink.
    virtual void add(const DecodedRecord& frame, RecordSink& sink) = 0;
    // After the last frame: hands on what is still pending.
    virtual void finish(RecordSink& sink) = 0;
};

class InputFormat {
public:
    virtual ~InputFormat() = default;

    // Short lower-case name, as the report tool's options write it.
    virtual std::string_view name() const noexcept = 0;
    // The parsing-mode menu's caption.
    virtual std::string_view caption() const noexcept = 0;

    // The fewest bytes of a log that can hold one record; with it the
    // record storage is sized from the log's size.
    virtual std::size_t minimumRecordBytes() const noexcept = 0;

    virtual std::unique_ptr<PacketSniffer> makeFramer() const = 0;

    // Whether a frame the framer completed is worth decoding. Called on the
    // reading thread, so it must be cheap.
    virtual bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept = 0;

    // The frame's type as the log writes it (an NMEA address, a NavCom
    // label), for the data-quality counts. Called on the reading thread
    // for every completed frame; points into frame.
    virtual std::string_view frameType(const std::uint8_t* frame,
                                       std::int32_t length) const noexcept = 0;

    // Decodes one wanted frame into record, which is zeroed. frame holds
    // length bytes followed by a zero byte. Pure: may run on any thread.
    // A verdict other than Record leaves record.valid 0.
    virtual FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame,
                                     std::int32_t length,
                                     const DecodeOptions& options) const noexcept = 0;

    // Whether a frame the framer completed without checking its checksum
    // carries the right one. Format detection asks it of the frames it
    // does not decode; decodeFrame checks the others itself.
    virtual bool frameIntact(const std::uint8_t* /*frame*/, std::int32_t /*length*/) const noexcept
    {
        return true;
    }

    // What the records' times count, judged from the log's first bytes
    // (at most kDetectionBytes; a format whose header says it may read
    // them, the others ignore them). Pure.
    virtual RecordClock recordClock(const std::uint8_t* head, std::size_t size) const noexcept = 0;

    // Null when every valid decoded frame is a record of its own.
    virtual std::unique_ptr<RecordAssembler> makeAssembler() const { return nullptr; }

    // The same format decoding frames whatever their checksum says, for
    // receivers that write wrong ones (the application's "Verify NMEA
    // checksums" off, the report tool's --no-checksum). A format whose
    // framer checks its own checksums reads no differently: itself.
    virtual const InputFormat& ignoringChecksums() const noexcept { return *this; }
};

// format, or with verifyChecksum false the format reading frames whatever
// their checksum.
inline const InputFormat& withChecksumCheck(const InputFormat& format, bool verifyChecksum) noexcept
{
    return verifyChecksum ? format : format.ignoringChecksums();
}

}  // namespace gnsslog
