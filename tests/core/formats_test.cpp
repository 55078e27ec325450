// The log-format seam: a format that needs two frames for one record, run
// through the whole pipeline with and without the worker.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "log/formats/Formats.h"
#include "log/Pipeline.h"

namespace gnsslog {
namespace {

// "$TSPOS,<time>,<x>,<y>*00" starts an epoch, "$TSHGT,<time>,<h>*00" adds
// its height; an epoch becomes a record when the next one starts or the
// log ends, with the height only when the times agree.
constexpr std::uint32_t kPositionPart = ValidFlag::Grid;
constexpr std::uint32_t kHeightPart = ValidFlag::Height;

class TwoSentenceAssembler final : public RecordAssembler {
public:
    void add(const DecodedRecord& frame, RecordSink& sink) override
    {
        if (frame.validFlags == kPositionPart) {
            finish(sink);
            pending_ = frame;
            pending_.fixType = FixType::RtkFixed;
            pending_.valid = 1;
            havePending_ = true;
        } else if (frame.validFlags == kHeightPart && havePending_ && frame.time == pending_.time) {
            pending_.height = frame.height;
            pending_.validFlags |= kHeightPart;
        }
    }
    void finish(RecordSink& sink) override
    {
        if (havePending_) {
            sink.take(pending_);
            havePending_ = false;
        }
    }

private:
    DecodedRecord pending_;
    bool havePending_ = false;
};

class TwoSentenceFormat final : public InputFormat {
public:
    std::string_view name() const noexcept override { return "two-sentence"; }
    std::string_view caption() const noexcept override { return "Two sentences"; }
    std::size_t minimumRecordBytes() const noexcept override { return 9; }
    std::unique_ptr<PacketSniffer> makeFramer() const override
    {
        return std::make_unique<NMEASniffer>();
    }
    bool wantsFrame(const std::uint8_t* frame, std::int32_t length) const noexcept override
    {
        return length > 6 && std::memcmp(frame, "$TS", 3) == 0;
    }
    std::string_view frameType(const std::uint8_t* frame,
                               std::int32_t) const noexcept override
    {
        return std::string_view(reinterpret_cast<const char*>(frame), 6);
    }
    FrameVerdict decodeFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t,
                             const DecodeOptions&) const noexcept override
    {
        const char* text = reinterpret_cast<const char*>(frame);
        char* rest = nullptr;
        record.time = std::strtod(text + 7, &rest);
        if (std::strncmp(text, "$TSPOS,", 7) == 0) {
            record.localX = std::strtod(rest + 1, &rest);
            record.localY = std::strtod(rest + 1, &rest);
            record.validFlags = kPositionPart;
        } else if (std::strncmp(text, "$TSHGT,", 7) == 0) {
            record.height = std::strtod(rest + 1, &rest);
            record.validFlags = kHeightPart;
        }
        return FrameVerdict::Record;
    }
    RecordClock recordClock(const std::uint8_t*, std::size_t) const noexcept override
    {
        return {};
    }
    std::unique_ptr<RecordAssembler> makeAssembler() const override
    {
        return std::make_unique<TwoSentenceAssembler>();
    }
};

std::string epochs(int count)
{
    std::string log;
    for (int i = 0; i < count; ++i) {
        const std::string t = std::to_string(i);
        log += "$TSPOS," + t + "," + std::to_string(1000 + i) + ",2000*00\r\n";
        if (i % 3 != 0) {  // every third epoch lacks its height
            log += "$GPXXX,noise*00\r\n$TSHGT," + t + "," + std::to_string(i % 7) + "*00\r\n";
        }
    }
    return log;
}

TEST(FormatSeam, OneRecordFromTwoFramesWithAndWithoutTheWorker)
{
    const TwoSentenceFormat format;
    const std::string log = epochs(30000);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(log.data());

    PipelineOptions inline_;
    inline_.decodeWorker = false;
    PipelineOptions worker;
    worker.workerMinFileSize = 0;
    worker.batchBytes = 300;
    PipelineOptions readerDecodes = worker;
    readerDecodes.backlogToDecodeHere = 0;

    for (const PipelineOptions* options : {&inline_, &worker, &readerDecodes}) {
        GNSSLog analysis(TruthMode::FirstFix, 0, 0, 0);
        runPipelineOnBytes(analysis, bytes, log.size(), nullptr, DecodeOptions{false},
                           format, *options);
        ASSERT_EQ(analysis.records.size(), 30000u);
        EXPECT_EQ(analysis.rtkFixCount, 30000);
        for (std::size_t i = 0; i < analysis.records.size(); ++i) {
            const GNSSRecord& r = analysis.records[i];
            ASSERT_EQ(r.time, static_cast<double>(i));
            ASSERT_EQ(r.localX, 1000.0 + static_cast<double>(i));
            ASSERT_EQ(r.has(ValidFlag::Height), i % 3 != 0) << i;
            ASSERT_EQ(r.height, i % 3 != 0 ? static_cast<double>(i % 7) : 0.0) << i;
        }
        // The last epoch is handed on at the end of the log, and the
        // histograms see the assembled records.
        EXPECT_EQ(analysis.endTime, 29999.0);
        EXPECT_EQ(analysis.histX.sampleCount(), 30000);
        EXPECT_EQ(analysis.histZ.sampleCount(), 20000);
    }
}

}  // namespace
}  // namespace gnsslog
