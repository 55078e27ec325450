// A live run's monitoring history kept up to date as it goes: once a
// --split slice is complete (a record of a later time has arrived), it is
// written in a transaction of its own, so a run killed hard loses at most
// the slice in progress. The first written slice writes the run's row, in
// progress; the run's end (the offline report of the archive) replaces
// the row and its slices with its own.
//
// Brought up to date from the live lines' analysis, on its thread, so the
// live loop keeps reading meanwhile and never waits for SQLite. An update
// that finds no slice newly complete costs a look at the latest record.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "compare/LogComparison.h"
#include "tools/report/options/ReportOptions.h"
#include "tools/report/runs/HistoryWrite.h"

namespace gnsslog {

class LiveHistory {
public:
    // archiveOptions: the offline options on the archive, naming the live
    // source in history.liveSource; must outlive this. Opens (and checks)
    // the history file.
    explicit LiveHistory(const ReportOptions& archiveOptions);

    // "" when the file can be written; else why not, naming it.
    const std::string& openError() const noexcept { return writer_.openError(); }

    // Writes the slices of analysis (the archive's records so far) that
    // are complete and not written yet. One call at a time.
    void update(const GNSSLog& analysis);

    // The run's row, 0 while no slice is written. Read after the last update.
    std::int64_t runId() const noexcept { return runId_; }
    // Why the last write failed, "" when it did not.
    const std::string& writeError() const noexcept { return writeError_; }

private:
    const ReportOptions& archiveOptions_;
    HistoryWriter writer_;
    ComparisonSettings settings_;
    std::string settingsError_;
    std::int64_t runId_ = 0;
    // Slices starting before this, seconds of the log's clock, are written.
    double writtenUpTo_ = -std::numeric_limits<double>::infinity();
    // The end of the slice in progress at the last update: nothing new is
    // complete before a record reaches it.
    double inProgressEnd_ = -std::numeric_limits<double>::infinity();
    std::string writeError_;
};

}  // namespace gnsslog
