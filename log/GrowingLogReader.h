// A log read while it is still being written (a live source's archive):
// bytes are framed and decoded as they arrive, onto framer, assembler and
// collector state kept from one call to the next, and the records completed
// meanwhile are handed over to an analysis that stays on show. Nothing is
// decoded twice, so keeping a live source up to date costs what its new
// bytes cost, and its records are held once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/Gpslog.h"
#include "log/formats/Framers.h"
#include "log/formats/InputFormat.h"
#include "log/quality/QualityTally.h"

namespace gnsslog {

class FrameDecoder;
class RecordCollector;

// Room the records get before the first one (it goes with them to the
// analysis on show): a day of a 20 Hz receiver (1 728 000 epochs) and some
// more, so that a day's records are never copied to grow; untouched room
// costs address space only.
inline constexpr std::size_t kGrowingLogRecordRoom = std::size_t{1} << 21;

class GrowingLogReader {
public:
    // An Enu frame without a tangent point takes the log's first geodetic
    // position, as a whole-log analysis does: bytes are held back until one
    // is found, or until kMostHeldBytes are held without one (the frame
    // then has none, as for a log without positions).
    GrowingLogReader(const InputFormat& format, const DecodeOptions& options,
                     std::size_t recordRoom = kGrowingLogRecordRoom);
    ~GrowingLogReader();
    GrowingLogReader(const GrowingLogReader&) = delete;
    GrowingLogReader& operator=(const GrowingLogReader&) = delete;

    static constexpr std::size_t kMostHeldBytes = std::size_t{1} << 20;

    // The next bytes of the log. Nothing is taken after finish().
    void feed(const std::uint8_t* bytes, std::size_t size);
    std::uint64_t bytesFed() const noexcept { return bytesFed_; }
    // Whether it reads as a reader made with these would.
    bool reads(const InputFormat& format, const DecodeOptions& options) const noexcept
    {
        return &format == &format_ && options == askedOptions_;
    }
    // Feeds what the file (a log something else appends to) holds beyond
    // the bytes fed so far; "" or why it could not be read.
    std::string feedGrowth(const char* fileName);

    // Moves the records completed since the last hand-over onto shown's,
    // with their accuracy figures and restarts, and sets shown's counts,
    // times, averages, grid and data quality as they stand. shown is the
    // same analysis at every call and nothing else adds records to it; its
    // truth settings are its own. Its errors are not measured here
    // (measureErrorFigures, log/ErrorPass.h). A record still being
    // assembled waits for the next call.
    void handOver(GNSSLog& shown);

    // The log has ended: its last frames and the record being assembled are
    // taken as a whole-log analysis takes them, then handed over. shown
    // then holds what the analysis of the whole log holds but for its
    // errors.
    void finish(GNSSLog& shown);

private:
    // Starts decoding once the tangent point (if one is needed) is settled.
    void start();
    void startWithHeldBytes();
    void decode(const std::uint8_t* bytes, std::size_t size);
    // The frame types so far, those the framer passed unpublished included.
    FrameTypeTally frameTypesSoFar() const;
    void passOn(GNSSLog& shown, const FrameTypeTally& frameTypes, std::uint64_t framerChecksumFailures,
                std::uint64_t framerTruncatedFrames);

    const InputFormat& format_;
    const DecodeOptions askedOptions_;
    DecodeOptions options_;  // with the tangent point once it is found
    const std::size_t recordRoom_;
    GNSSLog staging_;  // the collector's: records not handed over yet
    std::unique_ptr<RecordCollector> collector_;  // null until started
    std::unique_ptr<FrameDecoder> decoder_;
    std::unique_ptr<PacketSniffer> framer_;
    FrameTypeTally frameTypes_;
    std::vector<std::uint8_t> held_;  // bytes waiting for the tangent point
    std::uint64_t bytesFed_ = 0;
    bool finished_ = false;
};

}  // namespace gnsslog
