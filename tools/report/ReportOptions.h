// Command-line options of gnsslog-report.
//
// The defaults are the main window's menu states at start-up: NavCom
// binary parsing, Geodetic-->KKJ on, averaged truth, manual truth 0 0 0.
// To add an option: a field here, one line in addReportOptions(), and its
// output step in Report.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace gnsslog {

struct ReportOptions {
    std::string logFile;
    bool nmea = false;              // --nmea: NMEA (ascii) instead of NavCom binary
    bool noKkj = false;             // --no-kkj: no Geodetic-->KKJ conversion
    std::string truth = "average";  // --truth average|first|manual
    std::vector<std::string> manualTexts{"0", "0", "0"};  // --manual X Y Z, C-locale decimals
    bool json = false;              // --json: one JSON document instead of the six texts
    std::string recordsCsv;         // --records-csv FILE: every kept record as CSV
    std::string pngDir;             // --png DIR: the six pictures of the plot windows
    std::string pngSize = "530x385";  // --png-size WxH: the error plot picture, pixels

    // Filled by resolveReportOptions() from the texts above.
    double manualX = 0;
    double manualY = 0;
    double manualZ = 0;
    int pngWidth = 530;
    int pngHeight = 385;

    bool navcomBinary() const noexcept { return !nmea; }
    bool toKKJ() const noexcept { return !noKkj; }
    std::uint8_t truthMode() const noexcept;  // TruthMode code of `truth`
};

// Declares every option on app, bound to options.
void addReportOptions(CLI::App& app, ReportOptions& options);

// Converts the option texts that CLI11 leaves as text (the manual
// coordinates, so that "-1.5" is a number and not an option, and so that
// the conversion never depends on a locale). Returns an empty string, or a
// message naming the bad value.
std::string resolveReportOptions(ReportOptions& options);

// Decimal number in the C locale, the whole text consumed ("1.5", "-2",
// "1e3"); false for anything else, an empty text included.
bool parseCLocaleDouble(const std::string& text, double& value) noexcept;

}  // namespace gnsslog
