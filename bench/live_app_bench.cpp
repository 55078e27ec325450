// The application following a 20 Hz receiver for 24 hours: 1 728 000
// epochs of NMEA. Targets: the analysis and everything the windows keep
// from it within 400 MB resident, also while an update measures the next
// figures beside the shown ones, and each window's redraw at its designed
// size below 100 ms. The application keeps the records decoded as they
// arrived (GrowingLogReader) and measures only the figures again at each
// update; BM_Live24h20HzUpdate times such an update, and
// BM_Live24h20HzReanalysis what an update cost when it analysed the whole
// archive again, for their ratio.
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

#include "log/ErrorPass.h"
#include "log/Gpslog.h"
#include "log/GrowingLogReader.h"
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

// The day's log, written once per run into the temporary folder, but for
// its last second, which an update brings.
struct DayLog {
    RemovedAtExit file;
    std::string lastSecond;
};

const DayLog& dayLog()
{
    static const DayLog log = [] {
        DayLog made;
        made.file.path = (std::filesystem::temp_directory_path() /
                          ("gnsslog-bench-20hz-" + std::to_string(getpid()) + ".nmea"))
                             .string();
        gnsslog::GeneratorOptions options;
        options.format = gnsslog::LogFormat::Nmea;
        options.epochIntervalMs = kEpochIntervalMs;
        options.targetBytes = UINT64_MAX;  // stopped below at the epoch count
        options.chunkBytes = 4096;
        gnsslog::LogGenerator generator(options);
        std::ofstream out(made.file.path, std::ios::binary);
        std::string chunk;
        const std::uint64_t epochsPerSecond = 1000 / kEpochIntervalMs;
        while (generator.stats().epochs < kEpochs && generator.next(chunk)) {
            if (generator.stats().epochs + epochsPerSecond >= kEpochs) {
                made.lastSecond += chunk;
            } else {
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            }
        }
        return made;
    }();
    return log;
}

// What the application's windows keep of an analysis besides it
// (app/BackgroundAnalysis.h, WindowFigures).
struct WindowFigures {
    gnsslog::ErrorCdf cdf;
    gnsslog::ScatterCircles circles;
    std::unique_ptr<gnsslog::ErrorPlotIndex> plotIndex;
    std::unique_ptr<gnsslog::SessionAnalysis> sessions;
    gnsslog::TrackSeries track;  // the Track window's
};

WindowFigures windowFiguresOf(const gnsslog::GNSSLog& log)
{
    WindowFigures figures;
    figures.cdf = gnsslog::computeErrorCdf(log, kCdfBins);
    figures.circles = gnsslog::rtkFixedCircles(log);
    figures.plotIndex = std::make_unique<gnsslog::ErrorPlotIndex>(log);
    figures.sessions = std::make_unique<gnsslog::SessionAnalysis>(gnsslog::analyseSessions(
        log.records, {log.truthX(), log.truthY(), log.truthZ()}, gnsslog::SessionOptions{}, log.restarts));
    figures.track = gnsslog::trackSeries(log.records, nullptr);
    return figures;
}

// The day as the application keeps it while following the receiver.
struct LiveDay {
    gnsslog::GrowingLogReader reader{gnsslog::nmeaFormat(), gnsslog::DecodeOptions{}};
    gnsslog::GNSSLog kept{gnsslog::TruthMode::Averaged, 0.0, 0.0, 0.0};
    WindowFigures figures;
};

// One update: the new bytes decoded onto the kept records, the figures
// measured beside the shown ones, then put in their place.
void update(LiveDay& day, const std::string& newBytes)
{
    day.reader.feed(reinterpret_cast<const std::uint8_t*>(newBytes.data()), newBytes.size());
    day.reader.handOver(day.kept);
    gnsslog::ErrorFigures errors = gnsslog::measureErrorFigures(day.kept, true);
    WindowFigures next = windowFiguresOf(day.kept);
    gnsslog::takeErrorFigures(day.kept, std::move(errors));
    day.figures = std::move(next);
}

LiveDay& day()
{
    static const std::unique_ptr<LiveDay> kept = [] {
        auto made = std::make_unique<LiveDay>();
        made->reader.feedGrowth(dayLog().file.path.c_str());
        update(*made, {});
        return made;
    }();
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

// One iteration: the day as the application keeps it, then the update
// that brings its last second.
void BM_Live24h20HzMemory(benchmark::State& state)
{
    for (auto _ : state) {
        LiveDay& live = day();
        state.counters["rssAfterAnalysisMiB"] = statusMebibytes("VmRSS");
        state.counters["peakAfterAnalysisMiB"] = statusMebibytes("VmHWM");
        update(live, dayLog().lastSecond);
        state.counters["records"] = static_cast<double>(live.kept.records.size());
        state.counters["rssAfterUpdateMiB"] = statusMebibytes("VmRSS");
        state.counters["peakDuringUpdateMiB"] = statusMebibytes("VmHWM");
    }
}
BENCHMARK(BM_Live24h20HzMemory)->Iterations(1)->Unit(benchmark::kSecond);

// An update of the day with nothing new: what every second costs.
void BM_Live24h20HzUpdate(benchmark::State& state)
{
    LiveDay& live = day();
    for (auto _ : state) {
        update(live, {});
        benchmark::DoNotOptimize(live.figures.cdf);
    }
}
BENCHMARK(BM_Live24h20HzUpdate)->Unit(benchmark::kMillisecond);

// The same update as a whole analysis of the archive again.
void BM_Live24h20HzReanalysis(benchmark::State& state)
{
    day();
    for (auto _ : state) {
        const gnsslog::GNSSLog log(dayLog().file.path.c_str(), nullptr, gnsslog::DecodeOptions{},
                                   gnsslog::nmeaFormat(), gnsslog::TruthMode::Averaged, 0.0, 0.0, 0.0);
        const WindowFigures figures = windowFiguresOf(log);
        benchmark::DoNotOptimize(figures.cdf);
    }
}
BENCHMARK(BM_Live24h20HzReanalysis)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawErrorPlot(benchmark::State& state)
{
    ensureGui();
    const LiveDay& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::ErrorPlotWindowSize::PictureWidth, gnsslog::ErrorPlotWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::PlotViewState view;
        view.reset(kept.kept);
        const std::int32_t plotWidth = image.width() - 50;
        const auto series =
            gnsslog::PointStore::build(plotWidth, kept.figures.plotIndex->series, view.CentreTime, view.TimeSpan);
        const gnsslog::DenseColumns columns =
            gnsslog::denseColumns(kept.figures.plotIndex->columns, plotWidth, view.CentreTime, view.TimeSpan);
        gnsslog::ErrorPlotView plotView;
        plotView.analysis = &kept.kept;
        gnsslog::paintErrorPlot(image, series.get(), plotView, &columns);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawErrorPlot)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawHistograms(benchmark::State& state)
{
    ensureGui();
    const gnsslog::GNSSLog& log = day().kept;
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
    const LiveDay& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::ScatterWindowSize::PictureWidth, gnsslog::ScatterWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintScatterPlot(image, kept.kept, kept.figures.circles,
                                  gnsslog::scatterAutoscaleRange(kept.kept, kept.figures.circles));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawScatter)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzRedrawCdf(benchmark::State& state)
{
    ensureGui();
    const LiveDay& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::CdfWindowSize::PictureWidth, gnsslog::CdfWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintErrorCdf(image, kept.figures.cdf);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzRedrawCdf)->Unit(benchmark::kMillisecond);

// The Track window gets a new series at each update and fits its view.
void BM_Live24h20HzRedrawTrack(benchmark::State& state)
{
    ensureGui();
    const LiveDay& kept = day();
    for (auto _ : state) {
        const gnsslog::TrackSeries series = gnsslog::trackSeries(kept.kept.records, nullptr);
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
    const LiveDay& kept = day();
    for (auto _ : state) {
        const gnsslog::TrackSeries series = gnsslog::trackSeries(kept.kept.records, nullptr);
        benchmark::DoNotOptimize(series.rover.data());
    }
}
BENCHMARK(BM_Live24h20HzTrackSeries)->Unit(benchmark::kMillisecond);

void BM_Live24h20HzTrackPaint(benchmark::State& state)
{
    ensureGui();
    const LiveDay& kept = day();
    for (auto _ : state) {
        QImage image(gnsslog::TrackWindowSize::PictureWidth, gnsslog::TrackWindowSize::PictureHeight,
                     QImage::Format_RGB32);
        gnsslog::paintTrack(image, kept.figures.track, gnsslog::fitTrackView(kept.figures.track, image.width(), image.height()));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Live24h20HzTrackPaint)->Unit(benchmark::kMillisecond);

}  // namespace
