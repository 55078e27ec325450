#include "tools/report/runs/SingleLogReport.h"

#include <fstream>
#include <memory>
#include <optional>

#include "log/formats/FormatDetection.h"
#include "log/Gpslog.h"
#include "log/Summary.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"
#include "reference/TimeShiftCheck.h"
#include "tools/report/ReportMessages.h"
#include "tools/report/options/FrameOptions.h"
#include "tools/report/runs/HistoryWrite.h"
#include "tools/report/runs/ReportProgress.h"
#include "tools/report/writers/CsvExport.h"
#include "tools/report/writers/HonestyReport.h"
#include "tools/report/writers/HtmlReport.h"
#include "tools/report/writers/JsonReport.h"
#include "tools/report/writers/PngExport.h"
#include "tools/report/writers/QualityReport.h"
#include "tools/report/writers/ReferenceReport.h"
#include "tools/report/writers/SessionsReport.h"
#include "tools/report/writers/SingleLogJson.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

namespace {

// What the options give the analysis beyond themselves.
struct RunInputs {
    ReferenceLoad reference;
    FrameSettings frame;
    IntegrityOptions integrityOptions;
    bool integrityAsked = false;
};

// Everything the outputs show, each part computed only when one asks.
struct RunResults {
    ReferenceMeasurement measurement;
    std::vector<std::string> referenceWarnings;
    SummaryTexts texts;
    Statistics statistics;
    NormalisedErrors normalised;
    Integrity integrity;
    SessionAnalysis sessions;
    bool sessionsAsked = false;
};

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

// Reads the reference, the grid and the integrity options; the usage
// problem, or empty.
std::string readRunInputs(const ReportOptions& options, RunInputs& inputs)
{
    if (options.reference.asked()) {
        inputs.reference = loadReference(options.reference.file, options.reference.format);
        if (!inputs.reference.ok()) {
            return inputs.reference.error;
        }
    }
    if (std::string problem = resolveFrameSettings(options, inputs.frame); !problem.empty()) {
        return problem;
    }
    inputs.integrityAsked = !options.alertLimit.empty();
    if (inputs.integrityAsked) {
        return readIntegrityOptions(options.alertLimit, options.protection, inputs.integrityOptions);
    }
    return {};
}

std::unique_ptr<GNSSLog> analyse(const ReportOptions& options, const FrameSettings& frame,
                                 std::ostream& err)
{
    ProgressScope progress(err);
    return std::make_unique<GNSSLog>(options.logFile.c_str(), drawProgress, frame.decode,
                                     options.inputFormat(), options.truthMode(), frame.manual[0],
                                     frame.manual[1], frame.manual[2]);
}

// Every statistic and picture measures against the reference where there
// is one; the summary describes the log itself but for its largest errors.
const GNSSLog& measuredLog(const GNSSLog& analysis, const RunResults& results)
{
    return results.measurement.errors ? *results.measurement.errors : analysis;
}

RunResults computeResults(const ReportOptions& options, const RunInputs& inputs,
                          const GNSSLog& analysis)
{
    RunResults results;
    if (options.reference.asked()) {
        results.measurement = measureReference(analysis, options, inputs.reference.trajectory);
        results.referenceWarnings = referenceWarnings(analysis, options, inputs.reference.trajectory);
    }
    const GNSSLog& measured = measuredLog(analysis, results);
    results.texts = summaryTexts(analysis);
    if (results.measurement.errors) {
        results.texts.label3 = summaryTexts(measured).label3;
    }
    const StatsOptions& statsOptions = options.stats;
    if (options.json || statsOptions.text || !statsOptions.htmlFile.empty()) {
        results.statistics =
            computeStatistics(measured, statsOptions.within, statsOptions.wrongFixThreshold);
        results.normalised = normalisedErrorsOf(measured);
    }
    if (inputs.integrityAsked) {
        results.integrity = integrityOf(measured, inputs.integrityOptions);
    }
    results.sessionsAsked = options.sessions.asked(statsOptions.text);
    // The pictures show the sessions too.
    const bool sessionsDrawn = !options.pngDir.empty() || !statsOptions.htmlFile.empty();
    if (results.sessionsAsked || sessionsDrawn) {
        results.sessions = sessionsOf(measured, options);
    }
    return results;
}

void writeJsonDocument(std::ostream& out, const ReportOptions& options, const RunInputs& inputs,
                       const GNSSLog& analysis, const RunResults& results)
{
    SingleLogJsonParts parts{analysis, results.texts, measuredLog(analysis, results),
                             results.statistics};
    if (options.reference.asked()) {
        parts.reference = &inputs.reference.trajectory;
        parts.match = &results.measurement.match;
        parts.referenceWarnings = &results.referenceWarnings;
    }
    parts.normalised = &results.normalised;
    if (inputs.integrityAsked) {
        parts.integrity = &results.integrity;
        parts.integrityOptions = &inputs.integrityOptions;
    }
    if (results.sessionsAsked) {
        parts.sessions = &results.sessions;
        parts.sessionOptions = &options.sessions.session;
    }
    out << singleLogJson(parts).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << '\n';
}

void writeTexts(std::ostream& out, const ReportOptions& options, const RunInputs& inputs,
                const GNSSLog& analysis, const RunResults& results)
{
    writeSummaryTexts(out, results.texts);
    if (options.reference.asked()) {
        writeReferenceText(out, inputs.reference.trajectory, analysis.records,
                           results.measurement.match, results.referenceWarnings);
    }
    if (options.stats.text) {
        writeStatisticsText(out, results.statistics);
        if (options.reference.asked()) {
            writeTrackStatisticsText(out, analysis.records, results.measurement.match);
        }
        writeNormalisedErrorText(out, results.normalised);
        if (inputs.integrityAsked) {
            writeIntegrityText(out, results.integrity);
        }
        writeDataQualityText(out, analysis.dataQuality);
    }
    if (results.sessionsAsked) {
        writeSessionsText(out, results.sessions, options.sessions.session);
    }
}

// Writes the CSV files, pictures and page asked for; the first problem, or
// empty.
std::string writeFiles(const ReportOptions& options, const RunInputs& inputs,
                       const GNSSLog& analysis, const RunResults& results)
{
    if (const std::string& file = options.sessions.csvFile; !file.empty()) {
        std::ofstream csv(file, std::ios::binary | std::ios::trunc);
        if (!csv || !writeSessionsCsv(csv, results.sessions)) {
            return "cannot write " + file;
        }
    }
    if (!options.recordsCsv.empty()) {
        std::ofstream csv(options.recordsCsv, std::ios::binary | std::ios::trunc);
        const bool written = options.reference.asked()
                                 ? writeRecordsCsv(csv, analysis.records, results.measurement.match)
                                 : writeRecordsCsv(csv, analysis.records);
        if (!csv || !written) {
            return "cannot write " + options.recordsCsv;
        }
    }
    const GNSSLog& measured = measuredLog(analysis, results);
    const TrackSource track{analysis.records, inputs.reference.trajectory};
    const TrackSource* const trackShown = options.reference.asked() ? &track : nullptr;
    // The pictures' protection levels: the options' where integrity is asked.
    const IntegrityOptions* const protection =
        inputs.integrityAsked ? &inputs.integrityOptions : nullptr;
    if (!options.pngDir.empty()) {
        std::string problem = exportPictures(measured, options.pngDir, options.pngWidth,
                                             options.pngHeight, results.sessions, trackShown,
                                             protection);
        if (!problem.empty()) {
            return problem;
        }
    }
    if (!options.stats.htmlFile.empty()) {
        return writeAnalysisHtml(options.stats.htmlFile, options.logFile, measured,
                                 shownSummary(analysis, results.texts), results.statistics,
                                 results.sessions, trackShown, protection);
    }
    return {};
}

}  // namespace

int runSingleLogReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    RunInputs inputs;
    if (const std::string problem = readRunInputs(options, inputs); !problem.empty()) {
        return usageError(err, problem);
    }
    // Opened first: a history that would be refused stops the run before
    // the log is read.
    const std::unique_ptr<HistoryWriter> history = openHistoryWriter(options, 1);
    if (history && !history->openError().empty()) {
        return reportError(err, history->openError());
    }
    const std::unique_ptr<GNSSLog> analysis = analyse(options, inputs.frame, err);
    if (!analysis->openError.empty()) {
        return reportError(err, analysis->openError);
    }
    const RunResults results = computeResults(options, inputs, *analysis);
    const bool hasRecords = !analysis->records.empty();
    if (options.json) {
        writeJsonDocument(out, options, inputs, *analysis, results);
    } else if (hasRecords) {
        writeTexts(out, options, inputs, *analysis, results);
    }
    if (const std::string problem = writeFiles(options, inputs, *analysis, results);
        !problem.empty()) {
        return reportError(err, problem);
    }
    if (history) {
        const GNSSLog& measured = measuredLog(*analysis, results);
        if (const std::string problem = writeSingleLogHistory(*history, options, *analysis, measured);
            !problem.empty()) {
            return reportError(err, problem);
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
