// Command-line options of gnsslog-report.
//
// The defaults are the main window's menu states at start-up: NavCom
// binary parsing, Geodetic-->KKJ on, averaged truth, manual truth 0 0 0.
// To add an option: a field here, one line in addReportOptions(), and its
// output step in runs/SingleLogReport.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log/formats/InputFormat.h"
#include "plots/draw/PlotWindowSizes.h"
#include "tools/report/options/CLocaleNumber.h"
#include "tools/report/options/ComparisonOptions.h"
#include "tools/report/options/HistoryOptions.h"
#include "tools/report/options/LiveOptions.h"
#include "tools/report/options/ReferenceOptions.h"
#include "tools/report/options/SessionReportOptions.h"
#include "tools/report/options/StatsOptions.h"

namespace CLI {
class App;
}

namespace gnsslog {

struct ReportOptions {
    std::string logFile;            // the first log file
    bool nmea = false;              // --nmea: NMEA (ascii) instead of NavCom binary
    std::string format;             // --format NAME: any log format or "auto"; empty: as --nmea says
    bool noKkj = false;             // --no-kkj: no Geodetic-->KKJ conversion
    bool noChecksum = false;        // --no-checksum: NMEA sentences decoded whatever their checksum
    std::string truth = "average";  // --truth average|first|manual
    std::vector<double> manual{0, 0, 0};  // --manual X Y Z (metres), C-locale decimals
    std::string frame = "kkj";            // --frame kkj|enu|tm35fin|gkNN|EPSG:NNNN
    std::vector<double> manualGeodetic;   // --manual-geodetic LAT LON H (degrees, degrees, metres)
    bool json = false;              // --json: one JSON document instead of the six texts
    std::string recordsCsv;         // --records-csv FILE: every kept record as CSV
    std::string pngDir;             // --png DIR: the six pictures of the plot windows
    // --png-size WxH: the error plot picture, pixels
    int pngWidth = ErrorPlotWindowSize::PictureWidth;
    int pngHeight = ErrorPlotWindowSize::PictureHeight;
    StatsOptions stats;  // --stats, --within, --wrong-fix, --html
    std::string alertLimit;                // --alert-limit H[,V] (metres); empty: no integrity
    std::string protection = "5.33-sigma";  // --protection K-sigma|pl
    ComparisonOptions comparison;  // every log file, --truth-from, --split, --require, --jobs
    SessionReportOptions sessions;  // --session-gap, --sessions, --converged..., --sessions-csv
    ReferenceOptions reference;     // --reference, --reference-format, --max-gap, --time-offset
    LiveOptions live;               // --follow, --every, --duration, --archive
    HistoryOptions history;         // --history, --history-report, --from, --to, --source

    // The log format of --format (with "auto", the one the start of the
    // log file looks like, NavCom binary when none), else of --nmea.
    const InputFormat& inputFormat() const;
    bool toKKJ() const noexcept { return !noKkj; }
    bool verifyNmeaChecksum() const noexcept { return !noChecksum; }
    std::uint8_t truthMode() const noexcept;  // TruthMode code of `truth`
};

// The --format value that detects the format from the log itself.
inline constexpr const char* kAutoFormatName = "auto";

// Declares every option of the tool on app, bound to options (which must
// outlive the parse). A bad value makes app.parse() throw a
// CLI::ParseError whose text names the option and the value.
void addReportOptions(CLI::App& app, ReportOptions& options);

}  // namespace gnsslog
