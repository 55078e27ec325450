#include "tools/report/runs/LiveHistory.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace gnsslog {

namespace {

// The latest finite record time, the log's clock; -infinity without one.
double latestRecordTime(const GNSSLog& analysis)
{
    double latest = -std::numeric_limits<double>::infinity();
    for (const GNSSRecord& record : analysis.records) {
        if (std::isfinite(record.time)) {
            latest = std::max(latest, record.time);
        }
    }
    return latest;
}

}  // namespace

LiveHistory::LiveHistory(const ReportOptions& archiveOptions)
    : archiveOptions_(archiveOptions),
      writer_(archiveOptions.history, 1, archiveOptions.comparison.requireText)
{
    // The slices the end will write: the comparison's with --split or
    // --require, else the single-log run's.
    settingsError_ = singleLogHistorySettings(archiveOptions, settings_);
    if (archiveOptions.comparison.sliceSeconds > 0) {
        settings_.sliceSeconds = archiveOptions.comparison.sliceSeconds;
    }
    settings_.requirements = archiveOptions.comparison.requirements;
}

void LiveHistory::update(const GNSSLog& analysis)
{
    // Against a reference only the end measures: slices written before
    // would be measured against something else than the run's truth.
    if (!settingsError_.empty() || archiveOptions_.reference.asked() || !writer_.openError().empty()) {
        return;
    }
    const double latest = latestRecordTime(analysis);
    if (!std::isfinite(latest) || latest < inProgressEnd_) {
        return;
    }
    const double slice = settings_.sliceSeconds;
    inProgressEnd_ = std::floor(latest / slice) * slice + slice;
    const std::string& file = archiveOptions_.logFile;
    const LogRow row = comparisonRow(file, analysis, settings_);
    HistoryRun run = writer_.runOf(file, analysis, analysis, row, settings_);
    std::vector<HistorySlice> completed;
    for (HistorySlice& s : run.slices) {
        if (s.startSeconds >= writtenUpTo_ && s.endSeconds <= latest) {
            completed.push_back(std::move(s));
        }
    }
    if (completed.empty()) {
        return;
    }
    const double upTo = completed.back().endSeconds;
    if (runId_ == 0) {
        run.slices = std::move(completed);
        run.truth = historyTruthLine(archiveOptions_, analysis);
        writeError_ = writer_.database().beginRun(run, runId_);
    } else {
        writeError_ = writer_.database().appendSlices(runId_, completed);
    }
    if (writeError_.empty()) {
        writtenUpTo_ = upTo;
    } else {
        inProgressEnd_ = -std::numeric_limits<double>::infinity();  // tried again at the next update
    }
}

}  // namespace gnsslog
