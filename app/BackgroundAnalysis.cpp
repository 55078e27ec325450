#include "app/BackgroundAnalysis.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/ProgressBar.h"
#include "app/ProgressRelay.h"
#include "metrics/SideJob.h"
#include "platform/BackgroundPriority.h"
#include "plots/windows/CdfPlot.h"

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
    std::atomic<bool> finished{false};
    {
        SideJob job(true, [&request, &result, &finished] {
            struct Finish {
                std::atomic<bool>& flag;
                ~Finish() { flag.store(true); }
            } finish{finished};
            lowerThisThreadsPriority();
            result.analysis = std::make_unique<GNSSLog>(request.fileName, relayProgress, *request.decodeOptions,
                                                        *request.format, request.truthMode, request.manual[0],
                                                        request.manual[1], request.manual[2]);
            result.cdf = computeErrorCdf(*result.analysis, kCdfBins);
            result.circles = rtkFixedCircles(*result.analysis);
            result.plotIndex = std::make_shared<const ErrorPlotIndex>(*result.analysis);
        });
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(kPollIntervalMs);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            showReports(progress, relay);
            if (finished.load()) {
                loop.quit();
            }
        });
        poll.start();
        // A quit of the application ends this loop too, and every later
        // one at once (-1): the analysis is then waited for without events,
        // as the objects it writes live here.
        while (!finished.load() && loop.exec() != kLoopRefused) {
        }
        job.wait();
    }
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

}  // namespace gnsslog
