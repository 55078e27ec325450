// gnsslog-report --reference: the reference block, the truth line, and the
// references and options it refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/report/runs/Report.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

// A rover standing still at 35.2 N 136.9 E for five epochs at 1 Hz, and a
// reference at 5 Hz that ends after its third: two epochs without truth.
class ReferenceReportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::path(testing::TempDir()) / ("gnsslog-reference-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        std::ofstream rover(roverPath());
        rover << "%  GPST          latitude(deg) longitude(deg)  height(m)   Q  ns\n";
        for (int i = 0; i < 5; ++i) {
            rover << "2270 " << 194670 + i << ".000   35.200000000  136.900000000    50.0100   1   9\n";
        }
        std::ofstream reference(referencePath());
        reference << std::fixed << std::setprecision(1);
        reference << "GPS TOW (s),GPS Week,Latitude (deg),Longitude (deg),Ellipsoid Height (m)\n";
        for (int i = 0; i <= 10; ++i) {
            reference << 194670 + i * 0.2 << ",2270,35.2,136.9,50\n";
        }
        std::ofstream(onePointPath()) << "time,lat,lon,height\n2023-07-11T06:04:12Z,35.2,136.9,50\n";
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static std::string roverPath() { return (dir_ / "rover.pos").string(); }
    static std::string referencePath() { return (dir_ / "reference.csv").string(); }
    static std::string onePointPath() { return (dir_ / "one.csv").string(); }

    static fs::path dir_;
};
fs::path ReferenceReportTest::dir_;

TEST_F(ReferenceReportTest, JsonCarriesTheReferenceBlock)
{
    const ToolRun run = runReportTool({"--format", "pos", "--reference", referencePath(), "--json", roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    ASSERT_TRUE(document.contains("reference"));
    const auto& r = document["reference"];
    EXPECT_EQ(r["file"], referencePath());
    EXPECT_EQ(r["format"], "csv");
    EXPECT_EQ(r["timeScale"], "GPS");
    EXPECT_EQ(r["epochs"], 11);
    EXPECT_DOUBLE_EQ(r["span"]["length_s"].get<double>(), 2.0);
    // GPS seconds of 2023 resolve 0.24 microseconds.
    EXPECT_NEAR(r["medianInterval_s"].get<double>(), 0.2, 1e-6);
    EXPECT_EQ(r["interpolation"], "cubic");
    EXPECT_NEAR(r["maxGap_s"].get<double>(), 0.5, 1e-6);
    EXPECT_EQ(r["matched"], 3);
    EXPECT_EQ(r["withoutTruth"]["outsideSpan"], 2);
    EXPECT_EQ(r["withoutTruth"]["inGap"], 0);
    EXPECT_EQ(r["withoutTruth"]["noDate"], 0);
    EXPECT_DOUBLE_EQ(r["coverage"].get<double>(), 0.6);
    EXPECT_EQ(r["dateCompleted"], true);
    EXPECT_EQ(r["timeOffset_s"], 0);
    // Every rover epoch is fixed; the reference stands still, so nothing
    // has a direction of travel.
    const auto& fixed = r["classes"]["rtkFixed"];
    EXPECT_EQ(fixed["matched"], 3);
    EXPECT_EQ(fixed["horizontal"]["count"], 3);
    EXPECT_LT(fixed["horizontal"]["rms"].get<double>(), 1e-6);
    EXPECT_EQ(fixed["along"]["count"], 0);
    EXPECT_TRUE(fixed["along"]["rms"].is_null());
    EXPECT_EQ(r["classes"]["all"]["matched"], 3);
    EXPECT_EQ(r["classes"]["rtkFloat"]["matched"], 0);
}

TEST_F(ReferenceReportTest, OptionsMoveTheRoverAndWidenTheGap)
{
    // One second earlier, the rover's first epoch falls before the span.
    const ToolRun early = runReportTool({"--format", "pos", "--reference", referencePath(), "--time-offset",
                                         "-1", "--max-gap", "3", "--json", roverPath()});
    ASSERT_EQ(early.status, ReportExit::Ok) << early.err;
    const auto r = nlohmann::json::parse(early.out)["reference"];
    EXPECT_EQ(r["matched"], 3);
    EXPECT_EQ(r["withoutTruth"]["outsideSpan"], 2);
    EXPECT_EQ(r["timeOffset_s"], -1);
    EXPECT_EQ(r["maxGap_s"], 3);
}

TEST_F(ReferenceReportTest, TextReportNamesTheReferenceAfterTheSummary)
{
    const ToolRun run = runReportTool({"--format", "pos", "--reference", referencePath(), roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const std::string truth = "Truth: reference trajectory " + referencePath() +
                              " (csv, GPS time), 3 of 5 epochs matched (60.0 %)\n"
                              "Without truth: outsideSpan 2 inGap 0 noDate 0\n";
    EXPECT_NE(run.out.find(truth), std::string::npos) << run.out;
    const ToolRun plain = runReportTool({"--format", "pos", roverPath()});
    ASSERT_EQ(plain.status, ReportExit::Ok);
    EXPECT_EQ(plain.out.find("reference"), std::string::npos);
    // Without the reference the text is the same, less the truth lines and
    // for the largest errors: the rover stands 1 cm above the reference
    // and on its own average.
    const std::string ownMax = "Max errors: X: 0.00 Y: 0.00 Z: 0.00 \n";
    const std::string referenceMax = "Max errors: X: 0.00 Y: 0.00 Z: 0.01 \n";
    std::string expected = plain.out;
    ASSERT_NE(expected.find(ownMax), std::string::npos) << plain.out;
    expected.replace(expected.find(ownMax), ownMax.size(), referenceMax);
    EXPECT_EQ(run.out, expected + truth);
}

TEST_F(ReferenceReportTest, StatisticsMeasureAgainstTheReferenceAndLeaveEpochsWithoutTruthOut)
{
    const ToolRun run = runReportTool({"--format", "pos", "--reference", referencePath(), "--json", roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    const auto& fixed = document["statistics"]["classes"]["rtkFixed"];
    // Five fixed epochs, three with truth: 1 cm above the reference.
    EXPECT_EQ(fixed["epochs"], 5);
    EXPECT_EQ(fixed["horizontal"]["count"], 3);
    EXPECT_EQ(fixed["z"]["count"], 3);
    EXPECT_NEAR(fixed["z"]["mean"].get<double>(), 0.01, 1e-4);
    EXPECT_NEAR(document["maxErrorZ"].get<double>(), 0.01, 1e-4);
    EXPECT_EQ(document["histograms"]["hist3DFix"]["sampleCount"], 3);
    // The standing reference gives no along or cross errors, and puts every
    // epoch in the slowest speed band.
    EXPECT_EQ(fixed["along"]["count"], 0);
    EXPECT_EQ(fixed["cross"]["count"], 0);
    const auto& bands = document["statistics"]["speedBands"];
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[0]["from_mps"], 0);
    EXPECT_EQ(bands[0]["to_mps"], 1);
    EXPECT_EQ(bands[0]["horizontal"]["count"], 3);
    EXPECT_TRUE(bands[4]["to_mps"].is_null());
    EXPECT_EQ(bands[4]["horizontal"]["count"], 0);
    // Each class has its own bands; a class without epochs has empty ones.
    ASSERT_EQ(fixed["speedBands"].size(), 5u);
    EXPECT_EQ(fixed["speedBands"][0]["horizontal"]["count"], 3);
    EXPECT_EQ(fixed["speedBands"][0]["horizontal"]["p95"], bands[0]["horizontal"]["p95"]);
    EXPECT_EQ(document["statistics"]["classes"]["rtkFloat"]["speedBands"][0]["horizontal"]["count"], 0);

    const ToolRun plain = runReportTool({"--format", "pos", "--json", roverPath()});
    const auto own = nlohmann::json::parse(plain.out);
    EXPECT_EQ(own["statistics"]["classes"]["rtkFixed"]["horizontal"]["count"], 5);
    EXPECT_FALSE(own["statistics"].contains("speedBands"));
    EXPECT_FALSE(own["statistics"]["classes"]["rtkFixed"].contains("along"));
}

TEST_F(ReferenceReportTest, StatisticsTextGivesAlongCrossAndSpeedBandsPerClass)
{
    const ToolRun run = runReportTool({"--format", "pos", "--reference", referencePath(), "--stats", roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const std::size_t block = run.out.find("Against the reference (metres)\nRTK fixed: 3 epochs\n");
    ASSERT_NE(block, std::string::npos) << run.out;
    const std::string text = run.out.substr(block);
    EXPECT_NE(text.find("  along 0 epochs\n  cross 0 epochs\n  speed 0-1 m/s: 3 epochs, horizontal 95 % "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  speed over 30 m/s: 0 epochs\n"), std::string::npos) << text;
    // Classes without matched epochs are left out.
    EXPECT_EQ(text.find("RTK float:"), std::string::npos) << text;

    const ToolRun plain = runReportTool({"--format", "pos", "--stats", roverPath()});
    EXPECT_EQ(plain.out.find("Against the reference"), std::string::npos);
}

TEST_F(ReferenceReportTest, RecordsCsvGainsTheErrorsAgainstTheReference)
{
    const std::string csvPath = (dir_ / "records.csv").string();
    const ToolRun run = runReportTool(
        {"--format", "pos", "--reference", referencePath(), "--records-csv", csvPath, roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    std::ifstream in(csvPath);
    std::string header;
    std::getline(in, header);
    const std::string added = ",errorNorth,errorEast,errorUp,errorAlong,errorCross,truthAvailable";
    ASSERT_GE(header.size(), added.size());
    EXPECT_EQ(header.substr(header.size() - added.size()), added);
    std::vector<std::string> tails;
    for (std::string row; std::getline(in, row);) {
        // The last six fields.
        std::size_t at = row.size();
        for (int field = 0; field < 6 && at != std::string::npos; ++field) {
            at = row.rfind(',', at - 1);
        }
        ASSERT_NE(at, std::string::npos) << row;
        tails.push_back(row.substr(at));
    }
    ASSERT_EQ(tails.size(), 5u);
    // Matched epochs: north, east and up, no direction; then two without truth.
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tails[i].substr(tails[i].size() - 4), ",,,1") << tails[i];
        double north = 1, east = 1, up = 0;
        ASSERT_EQ(std::sscanf(tails[i].c_str(), ",%lf,%lf,%lf", &north, &east, &up), 3) << tails[i];
        EXPECT_NEAR(std::hypot(north, east), 0, 1e-6);
        EXPECT_NEAR(up, 0.01, 1e-4);
    }
    EXPECT_EQ(tails[3], ",,,,,,0");
    EXPECT_EQ(tails[4], ",,,,,,0");

    const std::string plainPath = (dir_ / "plain.csv").string();
    ASSERT_EQ(runReportTool({"--format", "pos", "--records-csv", plainPath, roverPath()}).status,
              ReportExit::Ok);
    std::ifstream plain(plainPath);
    std::string plainHeader;
    std::getline(plain, plainHeader);
    EXPECT_EQ(plainHeader + added, header);
}

TEST_F(ReferenceReportTest, LeverArmLatencyAndWarningsInTheReferenceBlock)
{
    const ToolRun run = runReportTool({"--format", "pos", "--reference", referencePath(), "--lever-arm",
                                       "0.5", "-0.25", "0.01", "--json", roverPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto r = nlohmann::json::parse(run.out)["reference"];
    EXPECT_EQ(r["leverArm"]["forward_m"], 0.5);
    EXPECT_EQ(r["leverArm"]["right_m"], -0.25);
    EXPECT_EQ(r["leverArm"]["up_m"], 0.01);
    // A standing reference tells no latency; the antenna's 1 cm up is the
    // rover's 1 cm above the reference.
    EXPECT_TRUE(r["latency_s"].is_null());
    EXPECT_TRUE(r["latencyStdErr_s"].is_null());
    EXPECT_EQ(r["warnings"], nlohmann::json::array());
    const auto fixed = nlohmann::json::parse(run.out)["statistics"]["classes"]["rtkFixed"];
    EXPECT_NEAR(fixed["z"]["mean"].get<double>(), 0, 1e-4);
}

TEST_F(ReferenceReportTest, EveryComparedLogIsMeasuredAgainstTheReference)
{
    const std::string copy = (dir_ / "rover-copy.pos").string();
    fs::copy_file(roverPath(), copy, fs::copy_options::overwrite_existing);
    const ToolRun run =
        runReportTool({"--format", "pos", "--reference", referencePath(), "--json", roverPath(), copy});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    const auto& truth = document["comparison"]["truth"];
    EXPECT_EQ(truth["source"], "reference");
    EXPECT_EQ(truth["file"], referencePath());
    ASSERT_EQ(document["logs"].size(), 2u);
    for (const auto& log : document["logs"]) {
        EXPECT_EQ(log["reference"]["matched"], 3);
        EXPECT_EQ(log["reference"]["withoutTruth"]["outsideSpan"], 2);
        const auto& fixed = log["statistics"]["classes"]["rtkFixed"];
        EXPECT_EQ(fixed["epochs"], 5);
        EXPECT_EQ(fixed["horizontal"]["count"], 3);
        EXPECT_NEAR(fixed["z"]["mean"].get<double>(), 0.01, 1e-4);
        EXPECT_TRUE(log["statistics"].contains("speedBands"));
    }

    const ToolRun text =
        runReportTool({"--format", "pos", "--reference", referencePath(), "--stats", roverPath(), copy});
    ASSERT_EQ(text.status, ReportExit::Ok) << text.err;
    EXPECT_NE(text.out.find("Truth: reference trajectory " + referencePath() + "\n"), std::string::npos)
        << text.out;
    const std::string matched = "3 of 5 epochs matched (60.0 %)";
    const std::size_t first = text.out.find(matched);
    ASSERT_NE(first, std::string::npos) << text.out;
    EXPECT_NE(text.out.find(matched, first + 1), std::string::npos) << text.out;

    const ToolRun both = runReportTool({"--format", "pos", "--reference", referencePath(), "--truth-from",
                                        roverPath(), roverPath(), copy});
    EXPECT_EQ(both.status, ReportExit::Usage);
    EXPECT_NE(both.err.find("--truth-from"), std::string::npos) << both.err;
}

TEST_F(ReferenceReportTest, UnusableReferencesAndOptionsAreUsageErrors)
{
    const struct {
        const char* legend;
        std::vector<std::string> args;
        std::string mentions;
    } rows[] = {
        {"one epoch", {"--reference", onePointPath()}, onePointPath() + ": 1 usable reference epoch"},
        {"a log as CSV", {"--reference", roverPath(), "--reference-format", "csv"}, roverPath() + ": the column names"},
        {"missing file", {"--reference", onePointPath() + ".gone"}, onePointPath() + ".gone"},
        {"unknown format", {"--reference", referencePath(), "--reference-format", "gpx"}, "--reference-format"},
        {"zero gap", {"--reference", referencePath(), "--max-gap", "0"}, "--max-gap"},
        {"offset not a number", {"--reference", referencePath(), "--time-offset", "1,5"}, "--time-offset"},
        {"lever arm of two", {"--reference", referencePath(), "--lever-arm", "1", "2"}, "--lever-arm"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"--format", "pos"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back(roverPath());
        const ToolRun run = runReportTool(args);
        EXPECT_EQ(run.status, ReportExit::Usage) << row.legend;
        EXPECT_NE(run.err.find(row.mentions), std::string::npos) << row.legend << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << row.legend;
    }
}

TEST(ReferenceReportRealLogs, MatRtklibRoverHasTruthAtEveryEpoch)
{
    const fs::path logs = fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
    const fs::path rover = logs / "taroz-matrtklib-kinematic-rover_rtk.pos";
    const fs::path reference = logs / "taroz-matrtklib-kinematic-reference.csv";
    if (!fs::exists(rover) || !fs::exists(reference)) {
        GTEST_SKIP() << "no real logs in " << logs;
    }
    const ToolRun run = runReportTool({"--format", "pos", "--reference", reference.string(), "--stats", "--json",
                                       rover.string()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    const auto& r = document["reference"];
    EXPECT_EQ(r["interpolation"], "hermite");
    EXPECT_GT(r["matched"].get<int>(), 0);
    EXPECT_EQ(r["coverage"], 1.0);
    EXPECT_EQ(r["withoutTruth"]["outsideSpan"], 0);
    const auto& classes = r["classes"];
    EXPECT_EQ(classes["all"]["matched"], r["matched"]);
    int byClass = 0;
    for (const char* c : {"rtkFixed", "rtkFloat", "rtkX", "other"}) {
        byClass += classes[c]["matched"].get<int>();
    }
    EXPECT_EQ(byClass, r["matched"].get<int>());
    // The car drives for most of the run: most fixed epochs have a direction.
    const auto& fixed = classes["rtkFixed"];
    EXPECT_GT(fixed["along"]["count"].get<int>(), fixed["matched"].get<int>() / 2);
    EXPECT_LE(fixed["along"]["count"].get<int>(), fixed["matched"].get<int>());
    EXPECT_EQ(fixed["along"]["count"], fixed["cross"]["count"]);
}

}  // namespace
}  // namespace gnsslog
