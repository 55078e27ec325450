#include "tools/report/runs/ComparisonReport.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <utility>

#include "log/Gpslog.h"
#include "log/Summary.h"
#include "compare/ComparisonTable.h"
#include "compare/LogComparison.h"
#include "reference/ReferenceFile.h"
#include "tools/report/ReportMessages.h"
#include "tools/report/options/FrameOptions.h"
#include "tools/report/runs/HistoryWrite.h"
#include "tools/report/writers/ComparisonHtml.h"
#include "tools/report/writers/ComparisonJson.h"
#include "tools/report/writers/HonestyReport.h"
#include "tools/report/writers/JsonReport.h"
#include "tools/report/writers/PngExport.h"
#include "tools/report/writers/QualityReport.h"
#include "tools/report/writers/ReferenceReport.h"
#include "tools/report/writers/SingleLogJson.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

namespace {

// What the outputs need of one log, kept after its analysis is freed.
struct LogOutput {
    std::vector<std::string> summaryLines;  // as the window shows them
    std::string statisticsText;             // --stats block
    nlohmann::ordered_json document;        // --json: the single-log document
    std::vector<HtmlPicture> pictures;      // --html
    std::string pictureProblem;
};

std::string bareName(const std::string& file)
{
    const std::string name = std::filesystem::path(file).filename().string();
    return name.empty() ? file : name;
}

// Options of the single-log run that write one file per log.
std::string optionProblem(const ReportOptions& options)
{
    const ComparisonOptions& c = options.comparison;
    if (c.logFiles.size() > 1 && !options.recordsCsv.empty()) {
        return "--records-csv takes one log file";
    }
    if (c.logFiles.size() > 1 && !options.pngDir.empty()) {
        return "--png takes one log file (--html shows the pictures of several)";
    }
    if (!c.truthFrom.empty() && options.truthMode() == TruthMode::Manual) {
        return "--truth-from takes a log's averaged or first-fix truth, not with --truth manual";
    }
    return {};
}

ComparisonSettings settingsOf(const ReportOptions& options, const FrameSettings& frame)
{
    ComparisonSettings s;
    s.decodeOptions = frame.decode;
    s.verifyChecksum = options.verifyNmeaChecksum();
    s.detectFormat = options.format == kAutoFormatName;
    s.format = s.detectFormat ? nullptr : &options.inputFormat();
    s.truthMode = options.truthMode();
    s.manualX = frame.manual[0];
    s.manualY = frame.manual[1];
    s.manualZ = frame.manual[2];
    s.truthFrom = options.comparison.truthFrom;
    s.withinThresholds = options.stats.within;
    s.wrongFixThreshold = options.stats.wrongFixThreshold;
    s.sliceSeconds = options.comparison.sliceSeconds;
    s.requirements = options.comparison.requirements;
    s.concurrency = options.comparison.jobs;
    return s;
}

bool anyFails(const std::vector<Verdict>& verdicts)
{
    return std::any_of(verdicts.begin(), verdicts.end(),
                       [](const Verdict& v) { return !v.pass && !v.undecided; });
}

// A log none of whose requirements fails but some of which are undecided
// is named apart: it did not pass either; so is a log that could not be
// read, whose requirements were never checked.
std::string requirementsLine(const LogComparison& comparison)
{
    std::string failing;
    std::string undecided;
    std::string unreadable;
    for (const LogRow& row : comparison.rows) {
        if (row.openError.empty() && row.passes()) {
            continue;
        }
        const bool fails = anyFails(row.verdicts) ||
                           std::any_of(row.slices.begin(), row.slices.end(),
                                       [](const SliceRow& s) { return anyFails(s.verdicts); });
        std::string& names = !row.openError.empty() ? unreadable : fails ? failing : undecided;
        names += (names.empty() ? "" : ", ") + bareName(row.file);
    }
    if (failing.empty() && undecided.empty() && unreadable.empty()) {
        return "Requirements: PASS";
    }
    std::string line = "Requirements:";
    const std::pair<const char*, const std::string*> groups[] = {
        {"FAIL", &failing}, {"undecided", &undecided}, {"unreadable", &unreadable}};
    const char* separator = " ";
    for (const auto& [verdict, names] : groups) {
        if (!names->empty()) {
            line += separator + std::string(verdict) + " (" + *names + ")";
            separator = "; ";
        }
    }
    return line;
}

// What a log adds to the outputs asked for; reference: the trajectory the
// row was measured against, or null.
LogOutput logOutputOf(const ReportOptions& options, const GNSSLog& analysis, const LogRow& row,
                      const ReferenceTrajectory* reference, std::mutex& pictureMutex)
{
    LogOutput output;
    const StatsOptions& statsOptions = options.stats;
    // The figures and pictures are of the errors against the reference
    // where there is one; the summary is of the log itself.
    const GNSSLog& measured = row.errors ? *row.errors : analysis;
    SummaryTexts texts = summaryTexts(analysis);
    if (row.errors) {
        texts.label3 = summaryTexts(measured).label3;
    }
    output.summaryLines = shownSummary(analysis, texts);
    const bool withReference = reference != nullptr && row.referenceMatch;
    if (statsOptions.text) {
        std::ostringstream block;
        if (withReference) {
            writeReferenceText(block, *reference, analysis.records, *row.referenceMatch,
                               row.referenceWarnings);
        }
        writeStatisticsText(block, row.statistics);
        if (withReference) {
            writeTrackStatisticsText(block, analysis.records, *row.referenceMatch);
        }
        writeDataQualityText(block, analysis.dataQuality);
        output.statisticsText = block.str();
    }
    if (options.json) {
        SingleLogJsonParts parts{analysis, texts, measured, row.statistics};
        if (withReference) {
            parts.reference = reference;
            parts.match = &*row.referenceMatch;
            parts.referenceWarnings = &row.referenceWarnings;
        }
        output.document = singleLogJson(parts);
    }
    if (!statsOptions.htmlFile.empty()) {
        // One painter at a time: the fonts are shared.
        const std::lock_guard lock(pictureMutex);
        output.pictureProblem = renderReportPictures(measured, output.pictures);
        if (output.pictureProblem.empty()) {
            output.pictureProblem = renderRequestedWindowPictures(measured, output.pictures);
        }
    }
    return output;
}

// Reports every log that could not be read or has no records.
struct LogProblems {
    bool unreadable = false;
    bool withoutRecords = false;
};

LogProblems reportLogProblems(const LogComparison& comparison, std::ostream& err)
{
    LogProblems problems;
    for (const LogRow& row : comparison.rows) {
        if (!row.openError.empty()) {
            reportError(err, row.openError);
            problems.unreadable = true;
        } else if (!row.hasRecords()) {
            reportError(err, row.file + ": " + kNoRecordsMessage);
            problems.withoutRecords = true;
        }
    }
    return problems;
}

// {"logs": [...], "comparison": {...}, "generator": {...}}; takes each
// log's document out of outputs.
void writeComparisonDocument(std::ostream& out, const ReportOptions& options,
                             const LogComparison& comparison, std::vector<LogOutput>& outputs)
{
    const ComparisonOptions& c = options.comparison;
    nlohmann::ordered_json document;
    nlohmann::ordered_json logs = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < comparison.rows.size(); ++i) {
        const LogRow& row = comparison.rows[i];
        if (!row.openError.empty()) {
            logs.push_back({{"file", row.file}, {"error", row.openError}});
        } else {
            logs.push_back(std::move(outputs[i].document));
        }
    }
    document["logs"] = std::move(logs);
    document["comparison"] = comparisonJson(comparison, c.requirements, c.sliceSeconds);
    document["generator"] = generatorJson();
    out << document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// One block per log, then the truth, the table and the requirements.
void writeComparisonTexts(std::ostream& out, const ReportOptions& options,
                          const LogComparison& comparison, const std::vector<LogOutput>& outputs,
                          const std::string& truthLine, const TextTable& table)
{
    for (std::size_t i = 0; i < comparison.rows.size(); ++i) {
        const LogRow& row = comparison.rows[i];
        out << "== " << bareName(row.file) << " ==\n";
        if (!row.openError.empty()) {
            out << row.openError << '\n';
        } else {
            for (const std::string& line : outputs[i].summaryLines) {
                out << line << '\n';
            }
            if (row.hasRecords()) {
                out << outputs[i].statisticsText;
            }
        }
        out << '\n';
    }
    out << truthLine << '\n';
    for (const std::string& line : formatTextTable(table)) {
        out << line << '\n';
    }
    if (!options.comparison.requirements.empty()) {
        out << requirementsLine(comparison) << '\n';
    }
}

// The page of every log; takes the pictures out of outputs. False when a
// picture or the page could not be made.
bool writeComparisonPage(const ReportOptions& options, const LogComparison& comparison,
                         std::vector<LogOutput>& outputs, const std::string& truthLine,
                         const TextTable& table, std::ostream& err)
{
    bool written = true;
    std::vector<ComparedLogPage> pages;
    for (std::size_t i = 0; i < comparison.rows.size(); ++i) {
        const LogRow& row = comparison.rows[i];
        ComparedLogPage page;
        page.name = bareName(row.file);
        if (!row.openError.empty()) {
            page.summaryLines = {row.openError};
        } else {
            page.summaryLines = std::move(outputs[i].summaryLines);
            if (row.truthUndefined) {
                page.truthWarning = kAveragedTruthUndefined;
            }
            page.pictures = std::move(outputs[i].pictures);
            if (!outputs[i].pictureProblem.empty()) {
                reportError(err, outputs[i].pictureProblem);
                written = false;
            }
        }
        pages.push_back(std::move(page));
    }
    if (const std::string problem =
            writeComparisonHtml(options.stats.htmlFile, truthLine, table, pages);
        !problem.empty()) {
        reportError(err, problem);
        written = false;
    }
    return written;
}

int comparisonExit(const LogComparison& comparison, const LogProblems& problems, bool outputFailed)
{
    if (problems.unreadable || outputFailed) {
        return ReportExit::Usage;
    }
    for (const LogRow& row : comparison.rows) {
        if (!row.passes()) {
            return ReportExit::RequirementFailed;
        }
    }
    return problems.withoutRecords ? ReportExit::NoRecords : ReportExit::Ok;
}

}  // namespace

int runComparisonReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    if (const std::string problem = optionProblem(options); !problem.empty()) {
        return usageError(err, problem);
    }
    FrameSettings frame;
    if (const std::string problem = resolveFrameSettings(options, frame); !problem.empty()) {
        return usageError(err, problem);
    }
    const ComparisonOptions& c = options.comparison;
    const bool html = !options.stats.htmlFile.empty();
    if (html && !ensureGuiApplication()) {
        return reportError(err, "pictures need a QGuiApplication, and another kind of application exists");
    }

    std::vector<LogOutput> outputs(c.logFiles.size());
    std::mutex pictureMutex;
    ComparisonSettings settings = settingsOf(options, frame);
    if (!options.alertLimit.empty()) {
        const std::string problem =
            readIntegrityOptions(options.alertLimit, options.protection, settings.integrity);
        if (!problem.empty()) {
            return usageError(err, problem);
        }
    }
    ReferenceLoad reference;
    if (options.reference.asked()) {
        if (!c.truthFrom.empty()) {
            return usageError(err, "--reference and --truth-from do not go together");
        }
        reference = loadReference(options.reference.file, options.reference.format);
        if (!reference.ok()) {
            return usageError(err, reference.error);
        }
        settings.reference = &reference.trajectory;
        settings.referenceMatch = truthMatchOptions(options.reference);
    }
    // Opened first: a history that would be refused stops the run before
    // any log is analysed.
    const std::unique_ptr<HistoryWriter> history = openHistoryWriter(options, c.logFiles.size());
    if (history && !history->openError().empty()) {
        return reportError(err, history->openError());
    }
    const LogComparison comparison = compareLogs(
        c.logFiles, settings, [&](std::size_t index, const GNSSLog& analysis, const LogRow& row) {
            outputs[index] = logOutputOf(options, analysis, row, settings.reference, pictureMutex);
            if (history) {
                history->add(index, c.logFiles[index], analysis, row.errors ? *row.errors : analysis,
                             row, settings);
            }
        });

    if (!comparison.truthError.empty()) {
        reportError(err, "--truth-from " + comparison.truthError);
        return comparison.truthUnreadable ? ReportExit::Usage : ReportExit::NoRecords;
    }
    const LogProblems problems = reportLogProblems(comparison, err);

    const TextTable table = comparisonTable(comparison, c.requirements);
    const std::string truthLine = describeTruth(comparison.truth);
    if (options.json) {
        writeComparisonDocument(out, options, comparison, outputs);
    } else {
        writeComparisonTexts(out, options, comparison, outputs, truthLine, table);
    }
    bool outputFailed = html && !writeComparisonPage(options, comparison, outputs, truthLine, table, err);
    if (const std::string problem = history ? history->write(truthLine) : ""; !problem.empty()) {
        reportError(err, problem);
        outputFailed = true;
    }
    out.flush();
    return comparisonExit(comparison, problems, outputFailed);
}

}  // namespace gnsslog
