// A log analysed off the window thread: the analysis and the figures the
// scatter plot, error CDF and sessions windows draw from it are computed
// on a second thread while the window thread keeps answering its menus
// and shows the pipeline's progress reports in the progress window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "log/Gpslog.h"
#include "metrics/ErrorCdf.h"
#include "metrics/ScatterCircles.h"
#include "metrics/SessionSummary.h"
#include "plots/series/ErrorPlotIndex.h"
#include "plots/series/TrackSeries.h"
#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

class TFormProgress;

// What the windows draw from an analysis besides the analysis itself.
struct WindowFigures {
    ErrorCdf cdf;            // of the records' errors
    ScatterCircles circles;  // of the RTK-fixed records
    std::shared_ptr<const ErrorPlotIndex> plotIndex;  // of the analysis
    // Against the analysis's truth and its marked restarts, default cutting.
    std::shared_ptr<const SessionAnalysis> sessions;
    // The Track window's series, where it was asked for.
    std::optional<TrackSeries> track;
};

struct AnalysedLog {
    // Against a reference, the error analysis (reference/ErrorAnalysis.h)
    // that every window measures with; otherwise the log's own.
    std::unique_ptr<GNSSLog> analysis;
    std::unique_ptr<GNSSLog> positions;  // against a reference: the log's own analysis
    std::optional<TruthMatch> truthMatch;  // against the request's reference, where it has one
    WindowFigures figures;  // of analysis
};

struct AnalysisRequest {
    const char* fileName = "";
    const DecodeOptions* decodeOptions = nullptr;
    const InputFormat* format = nullptr;
    std::uint8_t truthMode = TruthMode::Averaged;
    double manual[3] = {0, 0, 0};
    // Every record is matched against it; may be null.
    std::shared_ptr<const ReferenceTrajectory> reference;
    // Build the Track window's series too (of the log's own positions).
    bool trackSeries = false;
};

// The window figures of shown; positions: the log's own records (shown
// itself without a reference), which the Track series is built from when
// withTrack is set, with the reference's line where one is given.
WindowFigures windowFiguresOf(const GNSSLog& shown, const GNSSLog& positions,
                              const ReferenceTrajectory* reference, bool withTrack);

// The reference trajectory in fileName (format detected), read on a
// second thread while the window thread answers; what loadReference gives.
ReferenceLoad loadReferenceInBackground(const QString& fileName);

// Runs job on a second thread (on this one when none can be started) at a
// lower priority and returns when it is done, processing window events
// meanwhile and calling poll (may be empty) on this thread every few tens
// of milliseconds. Rethrows what the job threw.
void runWhileAnswering(const std::function<void()>& job, const std::function<void()>& poll);

// Runs the analysis on a second thread (on this one when none can be
// started) and returns when it is done, processing window events meanwhile;
// progress (may be null) is reset first and then shows every report. Rethrows
// what the analysis threw.
AnalysedLog analyseInBackground(const AnalysisRequest& request, TFormProgress* progress);

}  // namespace gnsslog
