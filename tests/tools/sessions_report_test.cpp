// Sessions through the report tool: logs of generated receiver resets come
// out session for session as generated, in any format; the block appears
// only when asked for; the CSV agrees with the JSON.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

using nlohmann::json;

class SessionsReport : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = testing::TempDir() + "gnsslog-sessions-test-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
};

// The generator's truth as a manual truth, so wrong first fixes are judged
// against where the receiver really was (an averaged truth moves with them).
const std::vector<std::string> kGeneratedTruth = {"--manual-geodetic", "60.2051234", "24.9012345",
                                                  "45.678"};

struct FormatCase {
    const char* legend;
    LogFormat format;
    UbxMessages ubxMessages;
    std::vector<std::string> formatArgs;  // the report's options naming the format
    bool marksRestarts;  // the format can carry the receiver's restarts
};

TEST_F(SessionsReport, GeneratedResetsComeOutAsGeneratedToTheEpoch)
{
    const FormatCase cases[] = {
        {"NMEA GGA", LogFormat::Nmea, UbxMessages::Pvt, {"--nmea"}, true},
        {"u-blox UBX NAV-PVT", LogFormat::Ubx, UbxMessages::Pvt, {"--format", "ubx"}, true},
        {"NavCom PVT1B", LogFormat::Navcom, UbxMessages::Pvt, {"--format", "navcom"}, false}};
    int caseNumber = 0;
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.legend);
        GeneratorOptions options;
        options.format = c.format;
        options.ubxMessages = c.ubxMessages;
        options.resets = 100;
        options.timeToFixMinSeconds = 5;
        options.timeToFixMaxSeconds = 150;
        options.wrongFirstFixShare = 0.1;
        options.seed = 25;
        const std::string path = dir_ + "resets." + std::to_string(++caseNumber);
        const GeneratorStats generated = writeLog(options, path);
        ASSERT_EQ(generated.sessions.size(), 100U);

        // Cut by the gaps, and where the format marks restarts by those
        // alone: the same sessions either way.
        std::vector<std::vector<std::string>> cuttings = {{}};
        if (c.marksRestarts) {
            cuttings.push_back({"--sessions", "markers"});
        }
        for (const std::vector<std::string>& cutting : cuttings) {
            SCOPED_TRACE(cutting.empty() ? "gaps" : "markers");
            std::vector<std::string> args = c.formatArgs;
            args.insert(args.end(), {"--stats", "--json"});
            args.insert(args.end(), cutting.begin(), cutting.end());
            args.insert(args.end(), kGeneratedTruth.begin(), kGeneratedTruth.end());
            args.push_back(path);
            const ToolRun run = runReportTool(args);
            ASSERT_EQ(run.status, 0) << run.err;
            const json sessions = json::parse(run.out).at("sessions");
            const json& list = sessions.at("list");
            ASSERT_EQ(list.size(), 100U);
            EXPECT_EQ(sessions.at("summary").at("count"), 100);
            EXPECT_EQ(sessions.at("summary").at("neverFixed"), 0);

            int wrong = 0;
            for (std::size_t k = 0; k < list.size(); ++k) {
                const GeneratedSession& g = generated.sessions[k];
                const json& s = list[k];
                // Whole epochs of 1 s: the times are integers, exact in a double.
                EXPECT_EQ(s.at("start").get<double>(), g.start) << "session " << k;
                EXPECT_EQ(s.at("timeToFirstPosition").get<double>(), g.timeToFirstPosition) << "session " << k;
                EXPECT_EQ(s.at("timeToFirstFloat").get<double>(), g.timeToFirstFloat) << "session " << k;
                EXPECT_EQ(s.at("timeToFirstFix").get<double>(), g.timeToFirstFix) << "session " << k;
                EXPECT_EQ(s.at("firstFixWrong").get<bool>(), g.firstFixWrong) << "session " << k;
                wrong += g.firstFixWrong ? 1 : 0;
            }
            // The seed gives some of each, so both verdicts are exercised.
            EXPECT_GT(wrong, 0);
            EXPECT_LT(wrong, 100);
            EXPECT_EQ(sessions.at("summary").at("wrongFirstFix").at("count"), wrong);
        }
    }
}

// Receivers before NAV-PVT tell no carrier solution, so no session of
// theirs fixes; their NAV-STATUS uptime still marks every reset.
TEST_F(SessionsReport, OlderUbloxReceiversMarkTheirResetsByUptime)
{
    GeneratorOptions options;
    options.format = LogFormat::Ubx;
    options.ubxMessages = UbxMessages::Sol;
    options.resets = 12;
    const std::string path = dir_ + "resets-sol.ubx";
    const GeneratorStats generated = writeLog(options, path);
    const ToolRun run = runReportTool({"--format", "ubx", "--json", "--sessions", "markers", path});
    ASSERT_EQ(run.status, 0) << run.err;
    const json list = json::parse(run.out).at("sessions").at("list");
    ASSERT_EQ(list.size(), generated.sessions.size());
    for (std::size_t k = 0; k < list.size(); ++k) {
        EXPECT_EQ(list[k].at("start").get<double>(), generated.sessions[k].start) << "session " << k;
        EXPECT_EQ(list[k].at("timeToFirstPosition").get<double>(), generated.sessions[k].timeToFirstPosition)
            << "session " << k;
    }
}

TEST_F(SessionsReport, OnlyWhenAskedAndCsvAgreesWithJson)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.resets = 7;
    const std::string path = dir_ + "seven.nmea";
    writeLog(options, path);

    const ToolRun plain = runReportTool({"--nmea", path});
    const ToolRun plainJson = runReportTool({"--nmea", "--json", path});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("Sessions"), std::string::npos);
    EXPECT_FALSE(json::parse(plainJson.out).contains("sessions"));

    const ToolRun stats = runReportTool({"--nmea", "--stats", path});
    EXPECT_NE(stats.out.find("Sessions (cut after 2.000 s without a position"), std::string::npos);
    EXPECT_NE(stats.out.find("  7 sessions, never fixed 0\n"), std::string::npos);

    const std::string csvPath = dir_ + "sessions.csv";
    const ToolRun withCsv = runReportTool({"--nmea", "--json", "--sessions-csv", csvPath, path});
    ASSERT_EQ(withCsv.status, 0) << withCsv.err;
    const json list = json::parse(withCsv.out).at("sessions").at("list");
    std::ifstream csv(csvPath);
    std::string line;
    ASSERT_TRUE(std::getline(csv, line));
    EXPECT_EQ(line.rfind("session,start,end,records,timeToFirstPosition,", 0), 0U);
    std::size_t rows = 0;
    while (std::getline(csv, line)) {
        ASSERT_LT(rows, list.size());
        std::istringstream fields(line);
        std::string number, start, end, records;
        std::getline(fields, number, ',');
        std::getline(fields, start, ',');
        std::getline(fields, end, ',');
        std::getline(fields, records, ',');
        EXPECT_EQ(number, std::to_string(rows + 1));
        EXPECT_EQ(std::stod(start), list[rows].at("start").get<double>());
        EXPECT_EQ(std::stoul(records), list[rows].at("records").get<std::size_t>());
        ++rows;
    }
    EXPECT_EQ(rows, list.size());
}

TEST_F(SessionsReport, CuttingOptions)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.resets = 5;
    const std::string path = dir_ + "five.nmea";
    writeLog(options, path);

    // A gap longer than every reset joins the sessions of a log that marks
    // no restart into one; the NMEA log's start-up banners still cut.
    GeneratorOptions unmarked = options;
    unmarked.format = LogFormat::Navcom;
    const std::string navcomPath = dir_ + "five.pvt1b";
    writeLog(unmarked, navcomPath);
    const ToolRun wide = runReportTool({"--format", "navcom", "--json", "--session-gap", "30", navcomPath});
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(json::parse(wide.out).at("sessions").at("list").size(), 1U);
    const ToolRun wideMarked = runReportTool({"--nmea", "--json", "--session-gap", "30", path});
    ASSERT_EQ(wideMarked.status, 0) << wideMarked.err;
    EXPECT_EQ(json::parse(wideMarked.out).at("sessions").at("list").size(), 5U);

    const ToolRun byClock = runReportTool({"--nmea", "--json", "--sessions", "every:1min", path});
    ASSERT_EQ(byClock.status, 0) << byClock.err;
    const json clock = json::parse(byClock.out).at("sessions");
    EXPECT_EQ(clock.at("cutting"), "every");
    EXPECT_EQ(clock.at("everySeconds"), 60.0);
    const json& list = clock.at("list");
    ASSERT_GT(list.size(), 1U);
    for (std::size_t k = 1; k < list.size(); ++k) {
        const double sinceFirst = list[k].at("start").get<double>() - list[0].at("start").get<double>();
        EXPECT_EQ(std::fmod(sinceFirst, 60.0), 0.0) << "session " << k;
    }

    // The generated log marks each reset with a start-up banner: by
    // markers it is the five sessions, however long the gap.
    const ToolRun byMarkers =
        runReportTool({"--nmea", "--json", "--sessions", "markers", "--session-gap", "30", path});
    ASSERT_EQ(byMarkers.status, 0) << byMarkers.err;
    const json markers = json::parse(byMarkers.out).at("sessions");
    EXPECT_EQ(markers.at("cutting"), "markers");
    EXPECT_TRUE(markers.at("gapSeconds").is_null());
    EXPECT_EQ(markers.at("list").size(), 5U);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--sessions", "every:"}, {"--sessions", "hourly"},
          {"--session-gap", "0"}, {"--converged", "-1"}, {"--fixed-within", "30,x"}}) {
        std::vector<std::string> args = bad;
        args.push_back(path);
        const ToolRun run = runReportTool(args);
        EXPECT_EQ(run.status, ReportExit::Usage) << bad[0] << ' ' << bad[1];
        EXPECT_NE(run.err.find(bad[0]), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace gnsslog
