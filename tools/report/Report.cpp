#include "tools/report/Report.h"

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include <CLI/CLI.hpp>

#include "common/FormatNumber.h"
#include "log/formats/FormatDetection.h"
#include "log/Gpslog.h"
#include "log/Summary.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"
#include "reference/TimeShiftCheck.h"
#include "tools/report/HonestyReport.h"
#include "tools/report/ComparisonReport.h"
#include "tools/report/CsvExport.h"
#include "tools/report/FrameOptions.h"
#include "tools/report/HtmlReport.h"
#include "tools/report/JsonReport.h"
#include "tools/report/LiveReport.h"
#include "tools/report/PngExport.h"
#include "tools/report/QualityReport.h"
#include "tools/report/ReportOptions.h"
#include "tools/report/SessionsReport.h"
#include "tools/report/StatsReport.h"

namespace gnsslog {

namespace {

// The pipeline takes a plain function pointer, so the bar's target lives
// in a static. Only one analysis runs at a time in this tool.
std::ostream* progressStream = nullptr;
std::string lastProgressLine;

void drawProgress(const char* phase, std::int32_t position, std::int32_t total)
{
    if (progressStream == nullptr) {
        return;
    }
    std::string line = progressBarLine(phase, position, total);
    if (line == lastProgressLine) {
        return;
    }
    lastProgressLine = line;
    *progressStream << '\r' << line << std::flush;
}

// The message for a log without records. Where the user chose the format,
// it adds the format the log's start looks like; with the default format
// the message is the application's own.
std::string noRecordsMessage(const ReportOptions& options)
{
    std::string message = kNoRecordsMessage;
    if (options.format.empty()) {
        return message;
    }
    const InputFormat* looksLike = detectLogFileFormat(options.logFile.c_str(), options.verifyNmeaChecksum());
    if (looksLike == nullptr) {
        return message + " (the file looks like none of the log formats)";
    }
    return message + " (the file looks like " + std::string(looksLike->caption()) + ")";
}

// Clears the bar's line so later messages start in column 0.
void endProgress()
{
    if (progressStream != nullptr && !lastProgressLine.empty()) {
        *progressStream << '\r' << std::string(lastProgressLine.size(), ' ') << '\r' << std::flush;
    }
    progressStream = nullptr;
    lastProgressLine.clear();
}

struct ProgressScope {
    explicit ProgressScope(std::ostream& err)
    {
        if (&err == &std::cerr && isatty(STDERR_FILENO) == 1) {
            progressStream = &err;
        }
    }
    ~ProgressScope() { endProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};

// The tool's error lines: its name, then what went wrong. A bad command
// line also points to --help.
int failure(std::ostream& err, const std::string& message)
{
    err << "gnsslog-report: " << message << '\n';
    return ReportExit::Usage;
}

int usageError(std::ostream& err, const std::string& message)
{
    failure(err, message);
    err << "Run with --help for more information.\n";
    return ReportExit::Usage;
}

void writeSummaryTexts(std::ostream& out, const SummaryTexts& texts)
{
    for (const std::string& line : summaryInWindowOrder(texts)) {
        out << line << '\n';
    }
}

// The sessions against the analysis's truth.
SessionAnalysis sessionsOf(const GNSSLog& analysis, const ReportOptions& options)
{
    return analyseSessions(analysis.records,
                           {analysis.truthX(), analysis.truthY(), analysis.truthZ()},
                           options.sessions.session, analysis.restarts);
}

// Every record of the analysis against the reference, on the clock its
// log's format states.
ReferenceMeasurement measureReference(const GNSSLog& analysis, const ReportOptions& options,
                                      const ReferenceTrajectory& reference)
{
    const RecordClock clock = logRecordClock(options.logFile, options.inputFormat());
    return measureAgainstReference(analysis, clock, reference,
                                   truthMatchOptions(options.reference));
}

// What the checks of a rover against its reference found.
std::vector<std::string> referenceWarnings(const GNSSLog& analysis, const ReportOptions& options,
                                           const ReferenceTrajectory& reference)
{
    const RecordClock clock = logRecordClock(options.logFile, options.inputFormat());
    std::vector<std::string> warnings;
    if (const std::optional<int> shift = findTimeShift(analysis.records, clock, reference,
                                                        truthMatchOptions(options.reference))) {
        warnings.push_back(timeShiftWarning(*shift));
    }
    return warnings;
}

}  // namespace

std::string progressBarLine(const char* phase, std::int32_t position, std::int32_t total, int barWidth)
{
    if (barWidth < 1) {
        barWidth = 1;
    }
    std::int64_t done = 0;
    int percent = 0;
    if (total > 0) {
        const std::int64_t clamped = position < 0 ? 0 : position > total ? total : position;
        done = clamped * barWidth / total;
        percent = static_cast<int>(clamped * 100 / total);
    }
    constexpr std::size_t kPhaseWidth = 20;  // characters; longer phase names are cut
    const std::string_view name = phase != nullptr ? phase : "";
    std::string line = alignLeft(name.substr(0, kPhaseWidth), kPhaseWidth) + " [";
    line.append(static_cast<std::size_t>(done), '#');
    line.append(static_cast<std::size_t>(barWidth - done), '.');
    return line + "] " + alignRight(formatInt(percent), 3) + '%';
}

int runReport(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    ReportOptions options;
    CLI::App app{kReportDescription, kReportProgramName};
    addReportOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ReportExit::Ok;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ReportExit::Ok;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return ReportExit::Ok;
    } catch (const CLI::ParseError& error) {
        return usageError(err, error.what());
    }
    // A first fix is wrong by the same threshold as any fixed epoch.
    options.sessions.session.wrongFixThreshold = options.stats.wrongFixThreshold;
    if (isLiveRun(options)) {
        return runLiveReport(options, out, err);
    }
    for (const char* liveOnly : {"--every", "--duration", "--archive"}) {
        if (app.count(liveOnly) > 0) {
            return usageError(err, std::string(liveOnly) +
                                       " needs a live source: tcp://, gpsd://, serial: or --follow");
        }
    }
    return runAnalysisReport(options, out, err);
}

int runAnalysisReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.comparison.asked()) {
        return runComparisonReport(options, out, err);
    }
    ReferenceLoad reference;
    if (options.reference.asked()) {
        reference = loadReference(options.reference.file, options.reference.format);
        if (!reference.ok()) {
            return usageError(err, reference.error);
        }
    }

    FrameSettings frame;
    if (const std::string problem = resolveFrameSettings(options, frame); !problem.empty()) {
        return usageError(err, problem);
    }
    IntegrityOptions integrityOptions;
    const bool integrityAsked = !options.alertLimit.empty();
    if (integrityAsked) {
        const std::string problem =
            readIntegrityOptions(options.alertLimit, options.protection, integrityOptions);
        if (!problem.empty()) {
            return usageError(err, problem);
        }
    }
    std::unique_ptr<GNSSLog> analysis;
    {
        ProgressScope progress(err);
        analysis = std::make_unique<GNSSLog>(options.logFile.c_str(), drawProgress, frame.decode,
                                             options.inputFormat(), options.truthMode(),
                                             frame.manual[0], frame.manual[1], frame.manual[2]);
    }
    if (!analysis->openError.empty()) {
        return failure(err, analysis->openError);
    }

    const ReferenceMeasurement measurement =
        options.reference.asked() ? measureReference(*analysis, options, reference.trajectory)
                                  : ReferenceMeasurement{};
    const TruthMatch& truthMatch = measurement.match;
    const std::vector<std::string> warnings =
        options.reference.asked() ? referenceWarnings(*analysis, options, reference.trajectory)
                                  : std::vector<std::string>{};
    // Every statistic and picture measures against the reference where
    // there is one; the summary describes the log itself but for its
    // largest errors.
    const GNSSLog& measured = measurement.errors ? *measurement.errors : *analysis;
    SummaryTexts texts = summaryTexts(*analysis);
    if (measurement.errors) {
        texts.label3 = summaryTexts(measured).label3;
    }
    const bool hasRecords = !analysis->records.empty();
    const StatsOptions& statsOptions = options.stats;
    const TrackSource track{analysis->records, reference.trajectory};
    const TrackSource* const trackShown = options.reference.asked() ? &track : nullptr;

    // Outputs, each independent of the others.
    Statistics statistics;
    NormalisedErrors normalised;
    if (options.json || statsOptions.text || !statsOptions.htmlFile.empty()) {
        statistics =
            computeStatistics(measured, statsOptions.within, statsOptions.wrongFixThreshold);
        normalised = normalisedErrorsOf(measured);
    }
    const Integrity integrity =
        integrityAsked ? integrityOf(measured, integrityOptions) : Integrity{};
    const SessionOptions& sessionOptions = options.sessions.session;
    const bool sessionsAsked = options.sessions.asked(statsOptions.text);
    // The pictures show the sessions too.
    const bool sessionsDrawn = !options.pngDir.empty() || !statsOptions.htmlFile.empty();
    const SessionAnalysis sessions =
        sessionsAsked || sessionsDrawn ? sessionsOf(measured, options) : SessionAnalysis{};
    if (options.json) {
        nlohmann::ordered_json document = analysisJson(*analysis, texts, measured);
        addStatisticsJson(document, statistics);
        if (options.reference.asked()) {
            addTrackStatisticsJson(document, analysis->records, truthMatch);
        }
        if (normalised.epochs > 0) {
            document["normalisedError"] = normalisedErrorJson(normalised);
        }
        if (integrityAsked) {
            document["integrity"] = integrityJson(integrity, integrityOptions);
        }
        if (sessionsAsked) {
            document["sessions"] = sessionsJson(sessions, sessionOptions);
        }
        document["dataQuality"] = dataQualityJson(analysis->dataQuality);
        document["frame"] = frameJson(*analysis);
        document["generator"] = generatorJson();
        if (options.reference.asked()) {
            document["reference"] = referenceJson(reference.trajectory, analysis->records, truthMatch, warnings);
        }
        out << document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    } else if (hasRecords) {
        writeSummaryTexts(out, texts);
        if (options.reference.asked()) {
            writeReferenceText(out, reference.trajectory, analysis->records, truthMatch, warnings);
        }
        if (statsOptions.text) {
            writeStatisticsText(out, statistics);
            if (options.reference.asked()) {
                writeTrackStatisticsText(out, analysis->records, truthMatch);
            }
            writeNormalisedErrorText(out, normalised);
            if (integrityAsked) {
                writeIntegrityText(out, integrity);
            }
            writeDataQualityText(out, analysis->dataQuality);
        }
        if (sessionsAsked) {
            writeSessionsText(out, sessions, sessionOptions);
        }
    }
    if (const std::string& file = options.sessions.csvFile; !file.empty()) {
        std::ofstream csv(file, std::ios::binary | std::ios::trunc);
        if (!csv || !writeSessionsCsv(csv, sessions)) {
            return failure(err, "cannot write " + file);
        }
    }
    if (!options.recordsCsv.empty()) {
        std::ofstream csv(options.recordsCsv, std::ios::binary | std::ios::trunc);
        const bool written = options.reference.asked()
                                 ? writeRecordsCsv(csv, analysis->records, truthMatch)
                                 : writeRecordsCsv(csv, analysis->records);
        if (!csv || !written) {
            return failure(err, "cannot write " + options.recordsCsv);
        }
    }
    if (!options.pngDir.empty()) {
        const std::string problem =
            exportPictures(measured, options.pngDir, options.pngWidth, options.pngHeight, sessions,
                           trackShown, integrityAsked ? &integrityOptions : nullptr);
        if (!problem.empty()) {
            return failure(err, problem);
        }
    }
    if (!statsOptions.htmlFile.empty()) {
        const std::string problem = writeAnalysisHtml(statsOptions.htmlFile, options.logFile, measured,
                                                      shownSummary(*analysis, texts), statistics,
                                                      sessions, trackShown,
                                                      integrityAsked ? &integrityOptions : nullptr);
        if (!problem.empty()) {
            return failure(err, problem);
        }
    }
    out.flush();

    if (!hasRecords) {
        err << noRecordsMessage(options) << '\n';
        return ReportExit::NoRecords;
    }
    return ReportExit::Ok;
}

}  // namespace gnsslog
