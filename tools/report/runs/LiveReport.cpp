#include "tools/report/runs/LiveReport.h"

#include <chrono>
#include <optional>
#include <sstream>

#include "live/OpenSource.h"
#include "live/SameFile.h"
#include "live/StopSignals.h"
#include "tools/report/ReportMessages.h"
#include "tools/report/runs/AnalysisReport.h"
#include "tools/report/runs/LiveHistory.h"
#include "tools/report/runs/LiveLine.h"
#include "tools/report/runs/LiveLineWriter.h"

namespace gnsslog {

namespace {

std::chrono::milliseconds toMilliseconds(double seconds)
{
    return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000.0 + 0.5));
}

const char* endName(LiveEnd end)
{
    switch (end) {
    case LiveEnd::Duration: return "duration";
    case LiveEnd::Signal: return "signal";
    case LiveEnd::SourceFailed: return "sourceFailed";
    case LiveEnd::ArchiveFailed: return "archiveFailed";
    }
    return "unknown";
}

// The options of an offline run on the archive.
ReportOptions archiveOptionsOf(const ReportOptions& options, const std::string& archive)
{
    ReportOptions offline = options;
    offline.logFile = archive;
    offline.comparison.logFiles = {archive};
    offline.live = LiveOptions{};
    offline.history.liveSource = options.logFile;
    return offline;
}

// The offline report of the archive with the session's fields added.
int writeFinalReport(const ReportOptions& offline, const nlohmann::ordered_json& session,
                     std::ostream& out, std::ostream& err)
{
    std::ostringstream report;
    const int status = runAnalysisReport(offline, report, err);
    std::string text = report.str();
    const std::string sessionText = session.dump();
    if (offline.json && text.size() >= 2 && text.ends_with("}\n")) {
        // Appended as the document's last member, so every byte before it
        // is the offline document's.
        text.insert(text.size() - 2, ",\"live\":" + sessionText);
        out << text;
    } else {
        out << "{\"live\":" << sessionText << "}\n" << text;
    }
    out.flush();
    return status;
}

std::string liveOptionsProblem(const ReportOptions& options)
{
    if (options.comparison.logFiles.size() > 1) {
        return "a live source is analysed alone, without other log files";
    }
    if (!options.comparison.truthFrom.empty()) {
        return "--truth-from does not fit a live source";
    }
    // Opening the archive empties it: were it the source itself, the run
    // would destroy the log and then read its own writes forever.
    if (sameExistingFile(options.logFile, options.live.archive)) {
        return "the archive " + options.live.archive + " is the source itself";
    }
    return {};
}

}  // namespace

bool isLiveRun(const ReportOptions& options)
{
    return options.live.follow || isLiveSourceText(options.logFile);
}

int runLiveReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    if (const std::string problem = liveOptionsProblem(options); !problem.empty()) {
        return reportError(err, problem);
    }
    // A history that would be refused stops the run before it starts.
    if (options.history.writes()) {
        if (const std::string refusal = historyRefusal(options.history.file); !refusal.empty()) {
            return reportError(err, refusal);
        }
    }
    const SourceParse parse = parseSourceAddress(options.logFile);
    if (!parse.error.empty()) {
        return reportError(err, "bad live source " + parse.error);
    }
    ArchiveWriter archive;
    const std::string archiveProblem =
        options.live.archive.empty() ? archive.openTemporary() : archive.open(options.live.archive);
    if (!archiveProblem.empty()) {
        return reportError(err, archiveProblem);
    }
    std::string sourceProblem;
    std::unique_ptr<ByteSource> source = openByteSource(parse.address, sourceProblem);
    if (!source) {
        return reportError(err, sourceProblem);
    }
    ReportOptions offline = archiveOptionsOf(options, archive.path());
    std::optional<LiveHistory> history;
    if (options.history.writes()) {
        history.emplace(offline);
        if (!history->openError().empty()) {
            return reportError(err, history->openError());
        }
    }
    LiveSettings settings;
    settings.every = toMilliseconds(options.live.everySeconds);
    settings.duration = toMilliseconds(options.live.durationSeconds);

    LiveOutcome outcome;
    {
        LiveLineWriter lines(offline, parse.address.text, out, history ? &*history : nullptr);
        const StopSignals stopSignals;
        outcome = runLiveLoop(*source, archive, settings,
                              {[&lines](const LiveProgress& progress) { lines.tick(progress); },
                               [&lines] { lines.poll(); }});
        lines.finish();
    }
    source.reset();  // a serial source's application object goes before the pictures make theirs
    if (outcome.end == LiveEnd::ArchiveFailed) {
        return reportError(err, outcome.error + "; the live run stopped, the archive holds every byte before");
    }
    if (history) {
        if (!history->writeError().empty()) {
            reportError(err, history->writeError() + "; the run's end writes its history again");
        }
        offline.history.liveRunId = history->runId();
        history.reset();  // its connection closed before the end's writer opens its own
    }
    nlohmann::ordered_json session = liveSessionJson(parse.address.text, outcome.last);
    session["end"] = endName(outcome.end);
    const int status = writeFinalReport(offline, session, out, err);
    if (outcome.end == LiveEnd::SourceFailed) {
        return reportError(err, outcome.error);
    }
    return status;
}

}  // namespace gnsslog
