// The report tool with the formats beyond the first two: each generated
// log read by name and by detection, and the no-records message that
// names what a log looks like when the user chose the format.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "log/formats/Formats.h"
#include "tests/tools/ReportRun.h"
#include "tools/report/options/ReportOptions.h"
#include "tools/report/runs/Report.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

class ReportFormats : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = testing::TempDir() + "gnsslog-report-formats-" + std::to_string(getpid()) + "/";
        std::system(("mkdir -p '" + dir_ + "'").c_str());
        const std::pair<const char*, LogFormat> formats[] = {
            {"navcom", LogFormat::Navcom}, {"nmea", LogFormat::Nmea},
            {"ubx", LogFormat::Ubx},       {"pos", LogFormat::Pos},
            {"sbf", LogFormat::Sbf},       {"novatel", LogFormat::NovatelBinary}};
        for (const auto& [name, format] : formats) {
            GeneratorOptions o;
            o.targetBytes = 100000;
            o.seed = 21;
            o.format = format;
            logs_.push_back({name, path(name), writeLog(o, path(name)).validRecords});
        }
        std::ofstream(path("text")) << "no receiver wrote this\n";
    }
    static void TearDownTestSuite() { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    static std::string path(const std::string& name) { return dir_ + name + ".log"; }

    struct Log {
        std::string format;
        std::string path;
        std::uint64_t records;
    };
    static std::string dir_;
    static std::vector<Log> logs_;
};

std::string ReportFormats::dir_;
std::vector<ReportFormats::Log> ReportFormats::logs_;

TEST_F(ReportFormats, EachFormatByNameAndByDetection)
{
    for (const Log& log : logs_) {
        SCOPED_TRACE(log.format);
        const std::string loaded = "Log file loaded, " + std::to_string(log.records) + " records readed";
        for (const std::string& format : {log.format, std::string("auto")}) {
            const ToolRun run = runReportTool({"--format", format, log.path});
            EXPECT_EQ(run.status, ReportExit::Ok) << run.err;
            EXPECT_EQ(run.out.rfind(loaded, 0), 0u) << run.out.substr(0, 80);
        }
    }
}

TEST_F(ReportFormats, NoRecordsNamesWhatTheLogLooksLikeWhenTheFormatWasChosen)
{
    const ToolRun nmeaAsUbx = runReportTool({"--format", "ubx", path("nmea")});
    EXPECT_EQ(nmeaAsUbx.status, ReportExit::NoRecords);
    EXPECT_EQ(nmeaAsUbx.err, "No records, check parsing mode (the file looks like NMEA (ascii))\n");

    const ToolRun posAsNavcom = runReportTool({"--format", "navcom", path("pos")});
    EXPECT_EQ(posAsNavcom.err, "No records, check parsing mode (the file looks like Solution file (.pos))\n");

    for (const char* format : {"auto", "pos"}) {
        const ToolRun text = runReportTool({"--format", format, path("text")});
        EXPECT_EQ(text.status, ReportExit::NoRecords);
        EXPECT_EQ(text.err, "No records, check parsing mode (the file looks like none of the log formats)\n");
    }
    // The default format keeps the application's message as it is.
    const ToolRun plain = runReportTool({path("pos")});
    EXPECT_EQ(plain.err, "No records, check parsing mode\n");
}

TEST(ReportFormatOption, AutoReadsTheLogsStartAndFallsBackToNavcom)
{
    ReportOptions options;
    options.format = kAutoFormatName;
    options.logFile = "/nonexistent/gnsslog.log";
    EXPECT_EQ(&options.inputFormat(), &navcomFormat());
    const ToolRun missing = runReportTool({"--format", "auto", "/nonexistent/gnsslog.log"});
    EXPECT_EQ(missing.status, ReportExit::Usage);
}

}  // namespace
}  // namespace gnsslog
