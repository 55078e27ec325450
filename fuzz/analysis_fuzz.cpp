// The whole analysis of arbitrary bytes as a log, in both parsing modes,
// then the summary texts and the error plot's series of the result. The
// bytes are analysed in memory (runPipelineOnBytes: the results and
// progress calls of a file with these bytes), so no input touches the disk.
//
// The first byte chooses the settings: the KKJ flag (bit 0) and the truth
// mode (bits 1-2). The rest is the log. The analysis runs on this thread
// only: a thread start under the sanitizers costs as much as some ten
// analyses of a small input, so the threaded pipeline has a target of its
// own (pipeline_threads_fuzz).
//
// Besides "no crash, no sanitizer report":
//   - counts, start and end time agree with the records; every record is
//     valid and finite, and its fixChange follows from the fix before it;
//   - the histograms hold exactly the samples the records call for, in
//     sorted bins whose counts add up and peak as published;
//   - progress positions stay within their totals, never step back within
//     a phase, and nothing follows "All done!";
//   - the plot series built from the records and from the index agree
//     through a reset, a zoom in and a wheel step out.
#include <algorithm>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/GnssRecord.h"
#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "log/Summary.h"
#include "plots/series/ErrorSeries.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

// The manual truth of every analysis (metres, KKJ grid).
constexpr double kManualX = 6672000.0;
constexpr double kManualY = 2500000.0;
constexpr double kManualZ = 45.0;

// What the progress callback saw during one analysis. The callback is a
// plain function pointer, so the log is a global.
struct ProgressLog {
    std::string lastPhase;
    std::int32_t lastPosition = 0;
    std::int32_t calls = 0;
    bool sawDone = false;
    const char* broken = nullptr;  // the first broken rule
};

ProgressLog progressLog;

void checkingProgress(const char* phase, std::int32_t position, std::int32_t total)
{
    ProgressLog& p = progressLog;
    ++p.calls;
    const auto broken = [&](const char* why) {
        if (p.broken == nullptr) {
            p.broken = why;
        }
    };
    if (phase == nullptr) {
        broken("null phase");
        return;
    }
    if (p.sawDone) {
        broken("report after All done!");
    }
    if (position < 0 || total < 0 || position > total) {
        broken("position outside 0..total");
    }
    // "Calculating" and "Calculating..." are one phase.
    std::string name(phase);
    if (name == "Calculating...") {
        name = "Calculating";
    }
    if (name == p.lastPhase && position < p.lastPosition) {
        broken("position stepped back");
    }
    p.lastPhase = name;
    p.lastPosition = position;
    if (name == "All done!") {
        p.sawDone = true;
    }
}

void checkHistogram(const Histogram& h)
{
    std::int64_t sum = 0;
    std::int32_t peak = 0;
    for (std::size_t i = 0; i < h.binCount(); ++i) {
        const ErrorRecord& bin = h.bins()[i];
        FUZZ_CHECK(bin.count >= 1);
        FUZZ_CHECK(i == 0 || h.bins()[i - 1].key < bin.key);  // sorted, one bin per key
        sum += bin.count;
        peak = std::max(peak, bin.count);
    }
    FUZZ_CHECK(sum == h.sampleCount());
    FUZZ_CHECK(peak == h.peakCount());
}

void checkAnalysis(const GNSSLog& log)
{
    FUZZ_CHECK(log.openError.empty());
    std::int32_t fixed = 0;
    std::int32_t lost = 0;
    std::int32_t zSamples = 0;
    std::int32_t xySamples = 0;
    std::int32_t fix3D = 0;
    std::int32_t rtkx3D = 0;
    double latest = 0;
    bool wasFixed = false;
    for (const GNSSRecord& r : log.records) {
        FUZZ_CHECK(r.valid == 1);
        FUZZ_CHECK(allFinite(r));
        if (r.fixType == FixType::RtkFixed) {
            ++fixed;
            FUZZ_CHECK(r.fixChange == (wasFixed ? FixChange::None : FixChange::Gained));
            wasFixed = true;
            zSamples += r.has(ValidFlag::Height) ? 1 : 0;
            xySamples += r.has(ValidFlag::Grid) ? 1 : 0;
            fix3D += r.has(ValidFlag::Grid | ValidFlag::Height) ? 1 : 0;
        } else {
            FUZZ_CHECK(r.fixChange == (wasFixed ? FixChange::Lost : FixChange::None));
            lost += wasFixed ? 1 : 0;
            wasFixed = false;
            if (r.fixType == FixType::RtkX) {
                rtkx3D += r.has(ValidFlag::Grid | ValidFlag::Height) ? 1 : 0;
            }
        }
        latest = std::max(latest, r.time);
    }
    FUZZ_CHECK(log.rtkFixCount == fixed);
    FUZZ_CHECK(log.fixLostCount == lost);
    FUZZ_CHECK(log.histZ.sampleCount() == zSamples);
    FUZZ_CHECK(log.histX.sampleCount() == xySamples);
    FUZZ_CHECK(log.histY.sampleCount() == xySamples);
    FUZZ_CHECK(log.hist3DFix.sampleCount() == fix3D);
    FUZZ_CHECK(log.hist3DRtkx.sampleCount() == rtkx3D);
    for (const Histogram* h : {&log.histZ, &log.histX, &log.histY, &log.hist3DFix, &log.hist3DRtkx}) {
        checkHistogram(*h);
    }
    if (log.records.empty()) {
        FUZZ_CHECK(log.startTime == DBL_MAX && log.endTime == 0);
    } else {
        // startTime is the first record's time as decoded; a first time more
        // than 100 s below 0 (a negative NMEA hour) is already a day wrap
        // for the record itself.
        const double first = log.records.front().time;
        FUZZ_CHECK(sameBits(log.startTime, first) ||
                   (log.startTime + 100.0 < 0 && first == log.startTime + 86400.0));
        FUZZ_CHECK(sameBits(log.endTime, latest));
    }
    for (double m : {log.maxErrorX, log.maxErrorY, log.maxErrorZ}) {
        FUZZ_CHECK(m >= 0);
    }
}

// The error plot's series over the analysis: built from the records and
// from the index alike, through a reset, a zoom in on a read-out and a
// wheel step out.
void exerciseSeries(const GNSSLog& log)
{
    constexpr std::int32_t width = 430;  // pixels
    PlotViewState view;
    view.reset(log);
    const SeriesIndex index(log);
    // With times that never step back every column is visited once, and
    // the last one gets no point.
    const bool ordered = std::is_sorted(log.records.begin(), log.records.end(),
                                        [](const GNSSRecord& a, const GNSSRecord& b) {
                                            return a.time < b.time;
                                        });
    for (int step = 0; step < 3; ++step) {
        const auto fromRecords = PointStore::build(width, log, view.CentreTime, view.TimeSpan);
        const auto fromIndex = PointStore::build(width, index, view.CentreTime, view.TimeSpan);
        FUZZ_CHECK(fromRecords->pointCount() == fromIndex->pointCount());
        FUZZ_CHECK(!ordered || fromRecords->pointCount() <= static_cast<std::size_t>(width));
        for (std::size_t i = 0; i < fromRecords->pointCount(); ++i) {
            const PlotPoint& a = fromRecords->points()[i];
            const PlotPoint& b = fromIndex->points()[i];
            FUZZ_CHECK(a.column == b.column && sameRecord(a.sample, b.sample));
            for (std::size_t c = 0; c < CurveCount; ++c) {
                (void)plotValue(a.sample, static_cast<Curve>(c));
            }
        }
        const GNSSRecord* hovered = nullptr;
        for (std::int32_t x : {-5, 0, width / 2, width, width + 100}) {
            const GNSSRecord* sample = fromRecords->nearestSample(x);
            FUZZ_CHECK((sample == nullptr) == (fromRecords->pointCount() == 0));
            if (sample != nullptr && hovered == nullptr) {
                hovered = sample;
            }
        }
        if (hovered != nullptr) {
            view.HoveredTime = hovered->time;
        }
        if (step == 0) {
            view.zoomIn(log);
        } else {
            view.wheel(log, -120);
        }
        FUZZ_CHECK(view.ZoomLevel >= 1);
    }
    for (int s = 0; s <= static_cast<int>(PlotScale::M1_0); ++s) {
        FUZZ_CHECK(scaleRange(static_cast<PlotScale>(s), log) > 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t selector = size > 0 ? data[0] : 0;
    const bool toKKJ = (selector & 0x01) != 0;
    const auto truthMode = static_cast<std::uint8_t>((selector >> 1) & 0x03);
    const std::uint8_t* content = size > 0 ? data + 1 : data;
    const std::size_t contentSize = size > 0 ? size - 1 : 0;

    PipelineOptions plainOptions;
    plainOptions.decodeWorker = false;
    for (const bool navcom : {true, false}) {
        progressLog = ProgressLog{};
        GNSSLog log(truthMode, kManualX, kManualY, kManualZ);
        runPipelineOnBytes(log, content, contentSize, checkingProgress, toKKJ, navcom, plainOptions);
        if (progressLog.broken != nullptr) {
            propertyFailed(progressLog.broken, __FILE__, __LINE__);
        }
        FUZZ_CHECK(progressLog.sawDone && progressLog.calls >= 8);
        checkAnalysis(log);
        FUZZ_CHECK(!summaryTexts(log).label1.empty());
        (void)heightsWithin3cm(log);
        exerciseSeries(log);
    }

    return 0;
}
