// gnsslog-report's command line as CLI11 reads it: values, defaults and the
// usage errors (exit 2, the option and the bad value named).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "tools/report/runs/Report.h"
#include "tools/report/options/ReportOptions.h"
#include "tests/tools/ReportRun.h"

namespace gnsslog {
namespace {

struct Parsed {
    bool ok = false;
    std::string error;  // the ParseError's text when not ok
    ReportOptions options;
};

// Parses the arguments (the program name and a log file name are added)
// with the tool's own option set.
Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "gnsslog-report");
    args.push_back("some.log");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    Parsed p;
    CLI::App app;
    addReportOptions(app, p.options);
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
        p.ok = true;
    } catch (const CLI::ParseError& error) {
        p.error = error.what();
    }
    return p;
}

TEST(ReportCommandLine, DefaultsAreTheMainWindowsStartUpMenus)
{
    const Parsed p = parse({});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.logFile, "some.log");
    EXPECT_EQ(&p.options.inputFormat(), &navcomFormat());
    EXPECT_TRUE(p.options.toKKJ());
    EXPECT_EQ(p.options.truthMode(), TruthMode::Averaged);
    EXPECT_EQ(p.options.manual, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(p.options.pngWidth, 530);
    EXPECT_EQ(p.options.pngHeight, 385);
    EXPECT_FALSE(p.options.stats.text);
    EXPECT_EQ(p.options.stats.within, (std::vector<double>{0.01, 0.02, 0.03, 0.05, 0.10}));
    EXPECT_EQ(p.options.stats.wrongFixThreshold, 0.10);
    EXPECT_TRUE(p.options.stats.htmlFile.empty());
}

TEST(ReportCommandLine, FormatByNameOrTheNmeaFlagButNotBoth)
{
    EXPECT_EQ(&parse({"--nmea"}).options.inputFormat(), &nmeaFormat());
    for (const InputFormat* format : inputFormats()) {
        const Parsed p = parse({"--format", std::string(format->name())});
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(&p.options.inputFormat(), format);
    }
    const Parsed unknown = parse({"--format", "sirf"});
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.error.find("--format"), std::string::npos) << unknown.error;
    EXPECT_FALSE(parse({"--format", "navcom", "--nmea"}).ok);
}

TEST(ReportCommandLine, ManualTakesThreeNumbersNegativeOnesIncluded)
{
    const Parsed p = parse({"--manual", "-1.5", "2", "-3"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.manual, (std::vector<double>{-1.5, 2.0, -3.0}));
    EXPECT_EQ(p.options.logFile, "some.log");

    const Parsed precise = parse({"--manual", "6677407.187", "+3381123.5", "1e2"});
    ASSERT_TRUE(precise.ok) << precise.error;
    EXPECT_EQ(precise.options.manual, (std::vector<double>{6677407.187, 3381123.5, 100.0}));
}

TEST(ReportCommandLine, MalformedManualIsAUsageErrorNamingTheValue)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--manual", "1,5", "2", "3"}, "--manual: '1,5' is not a valid floating point value"},
        {{"--manual", "1", "2", "x"}, "--manual: 'x' is not a valid floating point value"},
        {{"--manual", "", "2", "3"}, "--manual: '' is not a valid floating point value"},
        {{"--manual", "1", "2", "1e400"}, "--manual: '1e400' is not a valid floating point value"},
        {{"--manual", "1", "2"}, "--manual: At least 3 required but received 2"},
    };
    for (const auto& [args, message] : cases) {
        const Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << args[1];
        EXPECT_EQ(p.error, message);
    }
}

TEST(ReportCommandLine, PictureSizeIsWidthByHeightWithinLimits)
{
    const Parsed p = parse({"--png-size", "800x300"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.pngWidth, 800);
    EXPECT_EQ(p.options.pngHeight, 300);
    const Parsed limits = parse({"--png-size", "60x20000"});
    ASSERT_TRUE(limits.ok) << limits.error;
    EXPECT_EQ(limits.options.pngWidth, 60);
    EXPECT_EQ(limits.options.pngHeight, 20000);
    for (const char* bad : {"59x300", "800x20001", "800X300", "800x 300", "0x0", ""}) {
        const Parsed wrong = parse({"--png-size", bad});
        EXPECT_FALSE(wrong.ok) << bad;
        EXPECT_EQ(wrong.error, std::string("--png-size: '") + bad +
                                   "' is not WxH with both from 60 to 20000 pixels");
    }
}

TEST(ReportCommandLine, StatisticsOptionsAndTheirThresholds)
{
    const Parsed given = parse({"--stats", "--within", "0.005,0.5", "--wrong-fix", "0.2", "--html",
                                "out.html"});
    ASSERT_TRUE(given.ok) << given.error;
    EXPECT_TRUE(given.options.stats.text);
    EXPECT_EQ(given.options.stats.within, (std::vector<double>{0.005, 0.5}));
    EXPECT_EQ(given.options.stats.wrongFixThreshold, 0.2);
    EXPECT_EQ(given.options.stats.htmlFile, "out.html");
    for (const char* bad : {"-0.1", "nan", "inf", "abc", ""}) {
        const Parsed wrongFix = parse({"--wrong-fix", bad});
        EXPECT_FALSE(wrongFix.ok) << bad;
        EXPECT_EQ(wrongFix.error,
                  std::string("--wrong-fix: threshold must be a finite number of metres, not negative: ") +
                      bad);
        if (*bad != '\0') {  // "0.01," is one threshold: CLI11 drops the empty piece
            EXPECT_FALSE(parse({"--within", std::string("0.01,") + bad}).ok) << bad;
        }
    }
}

TEST(ReportCommandLine, ToolExitsTwoWithTheMessageAndTheHelpHint)
{
    const ToolRun run = runReportTool({"--manual", "-1.5", "2", "-3,0", "no-such.log"});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "gnsslog-report: --manual: '-3,0' is not a valid floating point value\n"
                       "Run with --help for more information.\n");

    const ToolRun size = runReportTool({"--png-size", "800", "no-such.log"});
    EXPECT_EQ(size.status, ReportExit::Usage);
    EXPECT_EQ(size.err, "gnsslog-report: --png-size: '800' is not WxH with both from 60 to 20000 pixels\n"
                        "Run with --help for more information.\n");

    // A good command line reaches the log: the error is then the file's.
    const ToolRun file = runReportTool({"--manual", "-1.5", "2", "-3", "no-such.log"});
    EXPECT_EQ(file.status, ReportExit::Usage);
    EXPECT_EQ(file.err, "gnsslog-report: cannot open 'no-such.log': No such file or directory\n");
}

TEST(ReportCommandLine, HelpShowsEveryOption)
{
    const ToolRun run = runReportTool({"--help"});
    EXPECT_EQ(run.status, ReportExit::Ok);
    for (const char* option : {"--nmea", "--no-kkj", "--truth", "--manual FLOAT x 3", "--json",
                               "--records-csv", "--png ", "--png-size", "(default 530x385)", "--stats",
                               "--within", "--wrong-fix", "--html", "LOGFILE"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace gnsslog
