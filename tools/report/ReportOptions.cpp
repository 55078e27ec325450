#include "tools/report/ReportOptions.h"

#include <charconv>
#include <map>

#include <CLI/CLI.hpp>

#include "log/Gpslog.h"

namespace gnsslog {

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

void addReportOptions(CLI::App& app, ReportOptions& options)
{
    app.add_flag("--nmea", options.nmea, "parse NMEA (ascii) sentences instead of NavCom binary");
    app.add_flag("--no-kkj", options.noKkj, "do not convert geodetic positions to KKJ grid coordinates");
    app.add_option("--truth", options.truth, "truth coordinates: average, first (fix) or manual")
        ->check(CLI::IsMember({"average", "first", "manual"}));
    // Taken as text: CLI11 would read "-1.5" as an option name.
    app.add_option("--manual", options.manualTexts, "manual truth coordinates X Y Z (metres)")
        ->expected(3)
        ->allow_extra_args(false);
    app.add_flag("--json", options.json, "print one JSON document instead of the summary texts");
    app.add_option("--records-csv", options.recordsCsv, "write every kept record to FILE as CSV");
    app.add_option("--png", options.pngDir, "write the plot windows' pictures as PNG files into DIR");
    app.add_option("--png-size", options.pngSize, "size WxH of the error plot picture (default 530x385)");
    app.add_option("LOGFILE", options.logFile, "the log file to analyse")->required();
}

bool parseCLocaleDouble(const std::string& text, double& value) noexcept
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;  // from_chars takes no plus sign
    }
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last && first != last;
}

std::string resolveReportOptions(ReportOptions& options)
{
    if (options.manualTexts.size() != 3) {
        return "--manual needs three numbers X Y Z";
    }
    double* targets[] = {&options.manualX, &options.manualY, &options.manualZ};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!parseCLocaleDouble(options.manualTexts[i], *targets[i])) {
            return "--manual: '" + options.manualTexts[i] + "' is not a valid floating point value";
        }
    }
    const std::size_t x = options.pngSize.find('x');
    const auto dimension = [](const std::string& text, int& value) {
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= 60 &&
               value <= 20000;
    };
    if (x == std::string::npos || !dimension(options.pngSize.substr(0, x), options.pngWidth) ||
        !dimension(options.pngSize.substr(x + 1), options.pngHeight)) {
        return "--png-size: '" + options.pngSize + "' is not WxH with both from 60 to 20000 pixels";
    }
    return {};
}

}  // namespace gnsslog
