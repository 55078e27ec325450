// The application following a 20 Hz receiver for 24 hours: 1 728 000
// epochs of NMEA. Targets: the analysis and everything the windows keep
// from it within 400 MB resident, and each window's redraw at its
// designed size below 100 ms. A live update holds the previous analysis
// while the next one is built, so the peak counts both.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "log/Gpslog.h"
#include "log/formats/Formats.h"
#include "metrics/ErrorCdf.h"
#include "metrics/ScatterCircles.h"
#include "metrics/SessionSummary.h"
#include "plots/draw/CdfPainter.h"
#include "plots/draw/ErrorPlotPainter.h"
#include "plots/draw/HistogramPainter.h"
#include "plots/draw/PlotWindowSizes.h"
#include "plots/draw/ScatterPainter.h"
#include "plots/draw/TrackPainter.h"
#include "plots/series/ColumnContents.h"
#include "plots/series/ErrorPlotIndex.h"
#include "plots/series/TrackSeries.h"
#include "tools/samplegen/LogGenerator.h"

namespace {

constexpr std::uint64_t kEpochs = 1'728'000;     // 20 Hz for 24 hours
constexpr std::int64_t kEpochIntervalMs = 50;    // 20 Hz
constexpr std::size_t kCdfBins = 2000;           // the CDF window's
constexpr double kBytesPerMebibyte = 1024.0 * 1024.0;

// kB from /proc/self/status's line "key:   N kB"; 0 where it cannot be read.
double statusKilobytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stod(line.substr(prefix.size()));
        }
    }
    return 0;
}

double statusMebibytes(const char* key)
{
    return statusKilobytes(key) * 1024.0 / kBytesPerMebibyte;
}

// Removes the generated log when the run ends.
struct RemovedAtExit {
    std::string path;
    ~RemovedAtExit() { std::filesystem::remove(path); }
};

// The day's log, written once per run into the temporary folder.
const std::string& dayLogPath()
{
    static const RemovedAtExit file{[] {
        const std::string made =
            (std::filesystem::temp_directory_path() / ("gnsslog-bench-20hz-" + std::to_string(getpid()) + ".nmea"))
                .string();
        gnsslog::GeneratorOptions options;
        options.format = gnsslog::LogFormat::Nmea;
        options.epochIntervalMs = kEpochIntervalMs;
        options.targetBytes = UINT64_MAX;  // stopped below at the epoch count
        options.chunkBytes = 4096;
        gnsslog::LogGenerator generator(options);
        std::ofstream out(made, std::ios::binary);
        std::string chunk;
        while (generator.stats().epochs < kEpochs && generator.next(chunk)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
        return made;
    }()};
    return file.path;
}

// What the application keeps of one analysis (app/BackgroundAnalysis.h).
struct KeptAnalysis {
    std::unique_ptr<gnsslog::GNSSLog> log;
    gnsslog::ErrorCdf cdf;
    gnsslog::ScatterCircles circles;
    std::unique_ptr<gnsslog::ErrorPlotIndex> plotIndex;
    std::unique_ptr<gnsslog::SessionAnalysis> sessions;
    gnsslog::TrackSeries track;  // the Track window's
};

std::unique_ptr<KeptAnalysis> analyseDay()
{
    auto kept = std::make_unique<KeptAnalysis>();
    gnsslog::DecodeOptions decode;
    kept->log = std::make_unique<gnsslog::GNSSLog>(dayLogPath().c_str(), nullptr, decode, gnsslog::nmeaFormat(),
                                                   gnsslog::TruthMode::Averaged, 0.0, 0.0, 0.0);
    const gnsslog::GNSSLog& log = *kept->log;
    kept->cdf = gnsslog::computeErrorCdf(log, kCdfBins);
    kept->circles = gnsslog::rtkFixedCircles(log);
    kept->plotIndex = std::make_unique<gnsslog::ErrorPlotIndex>(log);
    kept->sessions = std::make_unique<gnsslog::SessionAnalysis>(gnsslog::analyseSessions(
        log.records, {log.truthX(), log.truthY(), log.truthZ()}, gnsslog::SessionOptions{}, log.restarts));
    kept->track = gnsslog::trackSeries(log.records, nullptr);
    return kept;
}

const KeptAnalysis& day()
{
    static const std::unique_ptr<KeptAnalysis> kept = analyseDay();
    return *kept;
}

void ensureGui()
{
    static int argc = 1;
    static char name[] = "gnsslog_live_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication application(argc, argv);
    }
}

// One iteration: the day analysed as the application keeps it, then a
// second analysis while the first is held, as a live update does.
void BM_Live24h20HzMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const KeptAnalysis& first = day();
        state.counters["records"] = static_cast<double>(first.log->records.size());
        state.counters["rssAfterAnalysisMiB"] = statusMebibytes("VmRSS");
        state.counters["peakAfterAnalysisMiB"] = statusMebibytes("VmHWM");
        {
            const std::unique_ptr<KeptAnalysis> next = analyseDay();
            benchmark::DoNotOptimize(next->log->records.size());
            state.counters["rssDuringUpdateMiB"] = statusMebibytes("VmRSS");
        }
        state.counters["peakDuringUpdateMiB"] = statusMebibytes("VmHWM");
    }
}
BENCHMARK(BM_Live24h20HzMemory)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Live24h20HzRedrawErrorPlot(benchmark::State& state)
{
    ensureGui();
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::ErrorPlotWindowSize::PictureWidth, gnsslog::ErrorPlotWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::PlotViewState view;
        view.reset(*kept.log);
        const std::int32_t plotWidth = image.width() - 50;
        const auto series =
            gnsslog::PointStore::build(plotWidth, kept.plotIndex->series, view.CentreTime, view.TimeSpan);
        const gnsslog::DenseColumns columns =
            gnsslog::denseColumns(kept.plotIndex->columns, plotWidth, view.CentreTime, view.TimeSpan);
        gnsslog::ErrorPlotView plotView;
        plotView.analysis = kept.log.get();
        gnsslog::paintErrorPlot(image, series.get(), plotView, &columns);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawErrorPlot)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawHistograms(benchmark::State& state)
{
    ensureGui();
    const gnsslog::GNSSLog& log = *day().log;
    for (auto _ : state) {
        // The five histogram windows.
        for (const gnsslog::Histogram* histogram :
             {&log.histX, &log.histY, &log.histZ, &log.hist3DFix, &log.hist3DRtkx}) {
            QImage image(gnsslog::HistogramWindowSize::PictureWidth, gnsslog::HistogramWindowSize::PictureHeight,
                         QImage::Format_RGB32);
            image.fill(Qt::white);
            gnsslog::paintHistogram(image, *histogram);
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}
BENCHMARK(BM_Live24h20HzRedrawHistograms)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawScatter(benchmark::State& state)
{
    ensureGui();
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::ScatterWindowSize::PictureWidth, gnsslog::ScatterWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintScatterPlot(image, *kept.log, kept.circles,
                                  gnsslog::scatterAutoscaleRange(*kept.log, kept.circles));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawScatter)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawCdf(benchmark::State& state)
{
    ensureGui();
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::CdfWindowSize::PictureWidth, gnsslog::CdfWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintErrorCdf(image, kept.cdf);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawCdf)->Unit(benchmark::kMillisecond);

// The Track window gets a new series at each update and fits its view.
void BM_Live24h20HzRedrawTrack(benchmark::State& state)
{
    ensureGui();
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        const gnsslog::TrackSeries series = gnsslog::trackSeries(kept.log->records, nullptr);
        QImage image(gnsslog::TrackWindowSize::PictureWidth, gnsslog::TrackWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintTrack(image, series, gnsslog::fitTrackView(series, image.width(), image.height()));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawTrack)->Unit(benchmark::kMillisecond);

// The two halves of the Track window's redraw.
void BM_Live24h20HzTrackSeries(benchmark::State& state)
{
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        const gnsslog::TrackSeries series = gnsslog::trackSeries(kept.log->records, nullptr);
        benchmark::DoNotOptimize(series.rover.data());
    }
}
BENCHMARK(BM_Live24h20HzTrackSeries)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzTrackPaint(benchmark::State& state)
{
    ensureGui();
    const KeptAnalysis& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::TrackWindowSize::PictureWidth, gnsslog::TrackWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintTrack(image, kept.track, gnsslog::fitTrackView(kept.track, image.width(), image.height()));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzTrackPaint)->Unit(benchmark::kMillisecond);

}  // namespace
