#include "app/BackgroundAnalysis.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/ProgressBar.h"
#include "app/ProgressRelay.h"
#include "common/SideJob.h"
#include "log/ErrorPass.h"
#include "platform/BackgroundPriority.h"
#include "plots/windows/CdfPlot.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"

namespace gnsslog {

namespace {

// How often the window thread looks for new reports and for the end of the
// analysis: quick enough for a bar that moves smoothly and a menu that
// opens at once, rare enough to cost nothing.
constexpr int kPollIntervalMs = 40;
constexpr int kLoopRefused = -1;  // QEventLoop::exec while the application quits

// The pipeline's callback is a plain function: it finds the relay of the
// analysis in progress here. One analysis runs at a time (the load and the
// comparison refuse to start during a load).
std::atomic<ProgressRelay*> activeRelay{nullptr};

void relayProgress(const char* text, std::int32_t position, std::int32_t total)
{
    if (ProgressRelay* relay = activeRelay.load()) {
        relay->add(text, position, total);
    }
}

void showReports(TFormProgress* progress, ProgressRelay& relay)
{
    if (progress == nullptr) {
        relay.take();
        return;
    }
    for (const ProgressReport& report : relay.take()) {
        progress->ShowReport(report.text.c_str(), report.position, report.total);
    }
}

}  // namespace

void runWhileAnswering(const std::function<void()>& job, const std::function<void()>& poll)
{
    std::atomic<bool> finished{false};
    SideJob side(true, [&job, &finished] {
        struct Finish {
            std::atomic<bool>& flag;
            ~Finish() { flag.store(true); }
        } finish{finished};
        lowerThisThreadsPriority();
        job();
    });
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(kPollIntervalMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (poll) {
            poll();
        }
        if (finished.load()) {
            loop.quit();
        }
    });
    timer.start();
    // A quit of the application ends this loop too, and every later one at
    // once (-1): the job is then waited for without events, as the objects
    // it writes live with the caller.
    while (!finished.load() && loop.exec() != kLoopRefused) {
    }
    side.wait();
}

WindowFigures windowFiguresOf(const GNSSLog& shown, const GNSSLog& positions,
                              const ReferenceTrajectory* reference, bool withTrack)
{
    WindowFigures figures;
    // Two halves of about the same cost, one on each core: each is a pass
    // over every record, and a day at 20 Hz has 1.7 million of them.
    SideJob statistics(shown.records.size() >= kSplitErrorPassRecords, [&] {
        lowerThisThreadsPriority();
        figures.cdf = computeErrorCdf(shown, kCdfBins);
        figures.circles = rtkFixedCircles(shown);
    });
    figures.plotIndex = std::make_shared<const ErrorPlotIndex>(shown);
    figures.sessions = std::make_shared<const SessionAnalysis>(analyseSessions(
        shown.records, {shown.truthX(), shown.truthY(), shown.truthZ()}, SessionOptions{}, shown.restarts));
    if (withTrack) {
        figures.track = trackSeries(positions.records, reference);
    }
    statistics.wait();
    return figures;
}

AnalysedLog analyseInBackground(const AnalysisRequest& request, TFormProgress* progress)
{
    if (progress != nullptr) {
        progress->StartAtZero();
    }
    ProgressRelay relay;
    activeRelay.store(&relay);
    struct Unhook {
        ~Unhook() { activeRelay.store(nullptr); }
    } unhook;  // also when the analysis throws
    AnalysedLog result;
    runWhileAnswering(
        [&request, &result] {
            result.analysis = std::make_unique<GNSSLog>(request.fileName, relayProgress, *request.decodeOptions,
                                                        *request.format, request.truthMode, request.manual[0],
                                                        request.manual[1], request.manual[2]);
            // A log that could not be read keeps its own message.
            if (request.reference && result.analysis->openError.empty() && !result.analysis->records.empty()) {
                const RecordClock clock = logRecordClock(request.fileName, *request.format);
                ReferenceMeasurement measured = measureAgainstReference(*result.analysis, clock,
                                                                        *request.reference, {});
                result.truthMatch = std::move(measured.match);
                if (measured.errors) {
                    result.positions = std::move(result.analysis);
                    result.analysis = std::move(measured.errors);
                }
            }
            const GNSSLog& positions = result.positions ? *result.positions : *result.analysis;
            result.figures =
                windowFiguresOf(*result.analysis, positions, request.reference.get(), request.trackSeries);
        },
        [progress, &relay] { showReports(progress, relay); });
    while (true) {
        const std::vector<ProgressReport> rest = relay.take();
        if (rest.empty()) {
            break;
        }
        if (progress != nullptr) {
            for (const ProgressReport& report : rest) {
                progress->ShowReport(report.text.c_str(), report.position, report.total);
            }
        }
    }
    return result;
}

ReferenceLoad loadReferenceInBackground(const QString& fileName)
{
    const std::string path = QFile::encodeName(fileName).toStdString();
    ReferenceLoad load;
    runWhileAnswering([&load, &path] { load = loadReference(path, {}); }, {});
    return load;
}

}  // namespace gnsslog
