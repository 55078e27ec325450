#include "tools/report/options/ReportOptions.h"

#include <charconv>
#include <cmath>

#include <CLI/CLI.hpp>

#include "common/BuildVersion.h"
#include "geodesy/GridFrame.h"
#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "tools/report/ReportMessages.h"

namespace gnsslog {

namespace {

// Numbers are checked here in the C locale, whatever the locale; CLI11
// then converts the checked text with strtold, which follows LC_NUMERIC.
// The tool keeps that at "C" (the pictures' QGuiApplication puts it back),
// so the conversion reads the text the same way.
const CLI::Validator kDecimalNumber(
    [](std::string& text) -> std::string {
        double value = 0;
        if (!parseCLocaleDouble(text, value)) {
            return "'" + text + "' is not a valid floating point value";
        }
        return {};
    },
    "");

const CLI::Validator kThresholdMetres(
    [](std::string& text) -> std::string {
        double value = 0;
        if (!parseCLocaleDouble(text, value) || !std::isfinite(value) || value < 0) {
            return "threshold must be a finite number of metres, not negative: " + text;
        }
        return {};
    },
    "METRES");

const CLI::Validator kGridFrame(
    [](std::string& text) -> std::string {
        if (!parseGridFrame(text)) {
            return "'" + text + "' is not a grid: kkj, enu, tm35fin, gk19 ... gk31 or EPSG:NNNN";
        }
        return {};
    },
    "GRID");

constexpr int kSmallestPicture = 60;    // pixels, either side
constexpr int kLargestPicture = 20000;  // pixels, either side

bool parsePictureSide(std::string_view text, int& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           value >= kSmallestPicture && value <= kLargestPicture;
}

// "WxH" into width and height; throws the option's usage error.
void setPictureSize(const std::string& text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    int w = 0;
    int h = 0;
    if (x == std::string::npos || !parsePictureSide(std::string_view(text).substr(0, x), w) ||
        !parsePictureSide(std::string_view(text).substr(x + 1), h)) {
        throw CLI::ValidationError("--png-size", "'" + text + "' is not WxH with both from " +
                                                     std::to_string(kSmallestPicture) + " to " +
                                                     std::to_string(kLargestPicture) + " pixels");
    }
    width = w;
    height = h;
}

}  // namespace

std::uint8_t ReportOptions::truthMode() const noexcept
{
    if (truth == "first") {
        return TruthMode::FirstFix;
    }
    if (truth == "manual") {
        return TruthMode::Manual;
    }
    return TruthMode::Averaged;
}

const InputFormat& ReportOptions::inputFormat() const
{
    const InputFormat* chosen = findInputFormat(format);
    if (chosen == nullptr) {
        chosen = format == kAutoFormatName
                     ? &detectedFormatOrFallback(logFile.c_str(), verifyNmeaChecksum())
                     : nmea ? &nmeaFormat()
                            : &navcomFormat();
    }
    return withChecksumCheck(*chosen, verifyNmeaChecksum());
}

namespace {

// The log's format, grid and truth, the outputs and the log files.
void addInputOptions(CLI::App& app, ReportOptions& options)
{
    std::vector<std::string> formatNames;
    for (const InputFormat* format : inputFormats()) {
        formatNames.emplace_back(format->name());
    }
    formatNames.emplace_back(kAutoFormatName);
    app.set_version_flag("--version", versionLine(kReportProgramName), "print the program's name and version and exit");
    CLI::Option* nmea =
        app.add_flag("--nmea", options.nmea, "parse NMEA (ascii) sentences instead of NavCom binary");
    app.add_option("--format", options.format, "log format (default navcom; auto: the format the log's start looks like)")
        ->check(CLI::IsMember(formatNames))
        ->excludes(nmea);
    CLI::Option* noKkj = app.add_flag("--no-kkj", options.noKkj,
                                      "do not convert geodetic positions to KKJ grid coordinates");
    app.add_option("--frame", options.frame,
                   "grid of the errors: kkj (default), enu (local north, east), tm35fin, gk19 ... "
                   "gk31, or EPSG:NNNN (any projected system)")
        ->check(kGridFrame)
        ->excludes(noKkj);
    app.add_flag("--no-checksum", options.noChecksum,
                 "decode NMEA sentences whatever their checksum (for receivers that write wrong ones)");
    app.add_option("--truth", options.truth, "truth coordinates: average, first (fix) or manual")
        ->check(CLI::IsMember({"average", "first", "manual"}));
    CLI::Option* manual =
        app.add_option("--manual", options.manual, "manual truth coordinates X Y Z (metres)")
            ->expected(3)
            ->allow_extra_args(false)
            ->check(kDecimalNumber);
    app.add_option("--manual-geodetic", options.manualGeodetic,
                   "manual truth as WGS84 latitude, longitude (degrees) and height (metres), "
                   "converted into the grid; with --frame enu also the plane's origin")
        ->expected(3)
        ->allow_extra_args(false)
        ->check(kDecimalNumber)
        ->excludes(manual);
    app.add_flag("--json", options.json, "print one JSON document instead of the summary texts");
    app.add_option("--records-csv", options.recordsCsv, "write every kept record to FILE as CSV");
    app.add_option("--png", options.pngDir, "write the plot windows' pictures as PNG files into DIR");
    app.add_option_function<std::string>(
        "--png-size",
        [&options](const std::string& text) { setPictureSize(text, options.pngWidth, options.pngHeight); },
        "size WxH of the error plot picture (default " + std::to_string(options.pngWidth) + "x" +
            std::to_string(options.pngHeight) + ")");
    app.add_option_function<std::vector<std::string>>(
        "LOGFILE",
        [&options](const std::vector<std::string>& files) {
            options.comparison.logFiles = files;
            options.logFile = files.empty() ? std::string() : files.front();
        },
        "the log files to analyse; several are compared; or one live source: "
        "tcp://HOST:PORT, gpsd://HOST[:PORT], serial:DEVICE[?baud=N]")
        ->required();
}

// The statistics' limits and the integrity's.
void addStatisticsOptions(CLI::App& app, ReportOptions& options)
{
    app.add_flag("--stats", options.stats.text,
                 "Add accuracy, fix-continuity and wrong-fix statistics to the text output");
    app.add_option("--within", options.stats.within,
                   "Horizontal and vertical error limits (metres) for the within shares")
        ->delimiter(',')
        // One comma-separated argument, so the log files after it stay log files.
        ->allow_extra_args(false)
        ->check(kThresholdMetres)
        ->capture_default_str();
    app.add_option("--wrong-fix", options.stats.wrongFixThreshold,
                   "A fixed epoch whose horizontal or vertical error exceeds this (metres) is wrong")
        ->check(kThresholdMetres)
        ->capture_default_str();
    app.add_option("--alert-limit", options.alertLimit,
                   "Integrity against this horizontal[,vertical] alert limit (metres): each epoch "
                   "nominal, misleading, hazardously misleading or unavailable");
    app.add_option("--protection", options.protection,
                   "Protection levels of the integrity: K-sigma (K times the log's own sigma, "
                   "e.g. 5.33-sigma) or pl (the receiver's own levels)")
        ->capture_default_str();
}

}  // namespace

void addReportOptions(CLI::App& app, ReportOptions& options)
{
    addInputOptions(app, options);
    addStatisticsOptions(app, options);
    addComparisonOptions(app, options.comparison);
    addSessionOptions(app, options.sessions);
    addReferenceOptions(app, options.reference);
    addLiveOptions(app, options.live);
    addHistoryOptions(app, options.history);
    app.add_option("--html", options.stats.htmlFile,
                   "Write a self-contained HTML report (summary, statistics, pictures) to FILE");
}

}  // namespace gnsslog
