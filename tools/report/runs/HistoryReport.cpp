#include "tools/report/runs/HistoryReport.h"

#include <filesystem>

#include "history/HistoryDatabase.h"
#include "history/HistoryDayTable.h"
#include "tools/report/ReportMessages.h"
#include "tools/report/writers/HistoryPage.h"
#include "tools/report/writers/HistoryTables.h"
#include "tools/report/writers/JsonReport.h"
#include "tools/report/writers/PngExport.h"

namespace gnsslog {

namespace {

// Writes the picture and the page asked for; "" or why not.
std::string writePictures(const ReportOptions& options, const std::vector<HistoryDay>& days,
                          const TextTable& dayTable, const TextTable& sliceTable)
{
    if (!ensureGuiApplication()) {
        return "pictures need a QGuiApplication, and another kind of application exists";
    }
    const QImage picture = drawHistoryTrend(days);
    if (!options.pngDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.pngDir, error);
        const std::string path = (std::filesystem::path(options.pngDir) / kHistoryTrendPng).string();
        if (error || !picture.save(QString::fromStdString(path), "PNG")) {
            return "cannot write " + path;
        }
    }
    if (const std::string& page = options.stats.htmlFile; !page.empty()) {
        const std::string png = encodePng(picture);
        return writeHistoryHtml(page, options.history.reportFile, png, dayTable, sliceTable);
    }
    return {};
}

}  // namespace

int runHistoryReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    const HistoryOptions& h = options.history;
    if (!options.comparison.logFiles.empty()) {
        return reportError(err, "--history-report takes no log file");
    }
    HistoryDatabase database(h.reportFile, false);
    if (!database.isOpen()) {
        return reportError(err, database.errorMessage());
    }
    std::string error;
    const std::vector<HistoryRow> rows = database.read({h.from, h.to, h.source}, error);
    if (!error.empty()) {
        return reportError(err, error);
    }
    const std::vector<HistoryDay> days = historyTrend(rows);
    const TextTable sliceTable = historySliceTable(rows);
    const TextTable dayTable = historyDayTable(days);
    if (options.json) {
        nlohmann::ordered_json document = historyJson(h.reportFile, rows, days);
        document["generator"] = generatorJson();
        out << document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    } else {
        for (const std::string& line : formatTextTable(sliceTable)) {
            out << line << '\n';
        }
        out << '\n';
        for (const std::string& line : formatTextTable(dayTable)) {
            out << line << '\n';
        }
    }
    out.flush();
    if (!options.pngDir.empty() || !options.stats.htmlFile.empty()) {
        if (const std::string problem = writePictures(options, days, dayTable, sliceTable);
            !problem.empty()) {
            return reportError(err, problem);
        }
    }
    if (rows.empty()) {
        err << "gnsslog-report: no slices in " << h.reportFile << " match\n";
        return ReportExit::NoRecords;
    }
    return ReportExit::Ok;
}

}  // namespace gnsslog
