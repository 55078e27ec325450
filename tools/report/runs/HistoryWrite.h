// Writing a run into the monitoring history: the file is opened (and
// checked) before any log is analysed, each analysed log adds its run, and
// all of them are appended in one transaction at the end. The run's own
// output stays what it is without --history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "compare/LogComparison.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryRecords.h"
#include "tools/report/options/HistoryOptions.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

class HistoryWriter {
public:
    // logs: how many runs there will be at most.
    HistoryWriter(const HistoryOptions& options, std::size_t logs, std::string requirementsText);

    // "" when the file can be written; else why not, naming it.
    const std::string& openError() const noexcept { return database_.errorMessage(); }

    // Called from the analysis threads, once per analysed log. measured:
    // the analysis row was measured on (against a reference, its errors').
    // A row without slices is measured again in slices of the history's
    // default length.
    void add(std::size_t index, const std::string& file, const GNSSLog& analysis,
             const GNSSLog& measured, const LogRow& row, const ComparisonSettings& settings);
    // The run add() keeps, without its truth.
    HistoryRun runOf(const std::string& file, const GNSSLog& analysis, const GNSSLog& measured,
                     const LogRow& row, const ComparisonSettings& settings) const;

    // Appends the runs added, in the order of the logs, each stating the
    // truth they were measured against; a live run's end replaces the row
    // it wrote as it went. "" or why not.
    std::string write(const std::string& truthLine);

    // The file itself, for a live run's writes as it goes (LiveHistory).
    HistoryDatabase& database() noexcept { return database_; }

private:
    HistoryDatabase database_;
    std::string requirementsText_;
    std::string writtenUtc_;
    std::string liveSource_;
    std::int64_t liveRunId_ = 0;
    std::mutex mutex_;
    std::vector<std::optional<HistoryRun>> runs_;
};

// The writer of --history for a run of `logs` logs, null without it; its
// openError() says whether the file is refused.
std::unique_ptr<HistoryWriter> openHistoryWriter(const ReportOptions& options, std::size_t logs);

// The settings a single-log run's history is measured with: the options'
// format, checksum switch, wrong-fix threshold and alert limits, in slices
// of the history's default length. "" or why the alert limits are wrong.
std::string singleLogHistorySettings(const ReportOptions& options, ComparisonSettings& settings);

// The truth line a single log's history row states.
std::string historyTruthLine(const ReportOptions& options, const GNSSLog& analysis);

// The single-log run's history: the log's row against the run's truth
// (the reference's errors where measured is them), written at once.
std::string writeSingleLogHistory(HistoryWriter& writer, const ReportOptions& options,
                                  const GNSSLog& analysis, const GNSSLog& measured);

// Why the history file would be refused, "" when it can be written; the
// check a live run makes before it starts (a missing file is created).
std::string historyRefusal(const std::string& path);

}  // namespace gnsslog
