// The statistics' text block, JSON objects and command-line options.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "log/Gpslog.h"
#include "tools/report/runs/Report.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {
namespace {

using nlohmann::ordered_json;

GNSSLog fixedThenLost()
{
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    const std::uint8_t types[] = {FixType::RtkFixed, FixType::RtkFixed, FixType::RtkFloat};
    for (int i = 0; i < 3; ++i) {
        GNSSRecord r;
        r.time = 50 + i;
        r.fixType = types[i];
        r.validFlags = ValidFlag::Grid | ValidFlag::Height;
        r.localX = 0.25 * i;
        r.height = i == 1 ? 0.5 : 0.0;  // epoch 1 is a wrong fix
        log.records.push_back(r);
    }
    return log;
}

TEST(StatisticsJson, EmptyClassesAreNullNotNaN)
{
    const GNSSLog log = fixedThenLost();
    ordered_json report = ordered_json::object();
    addStatisticsJson(report, computeStatistics(log, kDefaultWithinThresholds, kDefaultWrongFixThreshold));
    // A dump of NaN would be "NaN" or fail; parse the text back to be sure.
    const ordered_json back = ordered_json::parse(report.dump());
    const auto& rtkx = back["statistics"]["classes"]["rtkX"];
    EXPECT_EQ(rtkx["epochs"], 0);
    EXPECT_EQ(rtkx["x"]["count"], 0);
    EXPECT_TRUE(rtkx["x"]["mean"].is_null());
    EXPECT_TRUE(rtkx["horizontal"]["p50"].is_null());
    EXPECT_TRUE(rtkx["horizontal"]["within"][0]["share"].is_null());
    EXPECT_EQ(rtkx["horizontal"]["within"][0]["threshold"], 0.01);
    EXPECT_TRUE(rtkx["errorEstimate"]["within1x"].is_null());

    const auto& fixed = back["statistics"]["classes"]["rtkFixed"];
    EXPECT_EQ(fixed["epochs"], 2);
    EXPECT_EQ(fixed["x"]["max"], 0.25);
    EXPECT_EQ(fixed["horizontal"]["cep50"], fixed["horizontal"]["p50"]);
    EXPECT_EQ(fixed["horizontal"]["r95"], fixed["horizontal"]["p95"]);
    EXPECT_EQ(back["statistics"]["withinThresholds"].size(), 5U);
}

TEST(StatisticsJson, ContinuityAndWrongFixes)
{
    const GNSSLog log = fixedThenLost();
    ordered_json report = ordered_json::object();
    addStatisticsJson(report, computeStatistics(log, kDefaultWithinThresholds, kDefaultWrongFixThreshold));
    const auto& fc = report["fixContinuity"];
    EXPECT_EQ(fc["lossCount"], 1);
    EXPECT_EQ(fc["timeToFirstFix"], 0.0);
    EXPECT_EQ(fc["logStart"], 50.0);
    EXPECT_EQ(fc["losses"][0]["time"], 52.0);
    EXPECT_EQ(fc["losses"][0]["sinceStart"], 2.0);
    EXPECT_EQ(fc["losses"][0]["regained"], false);
    EXPECT_TRUE(fc["losses"][0]["duration"].is_null());
    EXPECT_EQ(fc["losses"][0]["fixTypes"], ordered_json::array({5}));
    EXPECT_TRUE(fc["refix"]["median"].is_null());

    const auto& wf = report["wrongFixes"];
    EXPECT_EQ(wf["threshold"], 0.1);
    EXPECT_EQ(wf["count"], 1);
    EXPECT_EQ(wf["fixedEpochs"], 2);
    EXPECT_EQ(wf["share"], 0.5);
    ASSERT_EQ(wf["spans"].size(), 1U);
    EXPECT_EQ(wf["spans"][0]["start"], 51.0);
    EXPECT_EQ(wf["spans"][0]["sinceStart"], 1.0);
    EXPECT_EQ(wf["spans"][0]["maxVertical"], 0.5);
}

TEST(StatisticsJson, EmptyAnalysisHasNoNaNAnywhere)
{
    const GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    ordered_json report = ordered_json::object();
    addStatisticsJson(report, computeStatistics(log, kDefaultWithinThresholds, kDefaultWrongFixThreshold));
    const std::string text = report.dump();
    EXPECT_EQ(text.find("NaN"), std::string::npos);
    EXPECT_NO_THROW({
        const ordered_json back = ordered_json::parse(text);
        EXPECT_TRUE(back.is_object());
    });
    EXPECT_TRUE(report["fixContinuity"]["availability"].is_null());
    EXPECT_TRUE(report["fixContinuity"]["timeToFirstFix"].is_null());
    EXPECT_TRUE(report["wrongFixes"]["share"].is_null());
}

TEST(StatisticsText, BlockNamesEveryClassAndTheEvents)
{
    const GNSSLog log = fixedThenLost();
    std::ostringstream out;
    writeStatisticsText(out, computeStatistics(log, kDefaultWithinThresholds, kDefaultWrongFixThreshold));
    const std::string text = out.str();
    for (const char* expected :
         {"Statistics (errors record minus truth, metres)\n", "RTK fixed: 2 epochs\n",
          "RTK float: 1 epochs\n", "RTK-X: 0 epochs\n", "single/other: 0 epochs\n",
          "all: 3 epochs\n", "time to first fix 0.000 s\n", "fix losses 1, regained 0\n",
          "not regained", "Wrong fixes (error > 0.1000 m)\n",
          "1 of 2 fixed epochs (50.0 %) in 1 span\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n--- in ---\n" << text;
    }
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace gnsslog

namespace gnsslog {
namespace {

int run(std::vector<std::string> args, std::string& out, std::string& err)
{
    args.insert(args.begin(), "gnsslog-report");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    std::ostringstream o;
    std::ostringstream e;
    const int status = runReport(static_cast<int>(argv.size()), argv.data(), o, e);
    out = o.str();
    err = e.str();
    return status;
}

const std::string kSample = std::string(GNSSLOG_SOURCE_DIR) + "/samples/static-rtk.pvt1b";

TEST(ReportTool, StatsBlockFollowsTheSixSummaryLines)
{
    std::string out;
    std::string err;
    ASSERT_EQ(run({kSample, "--stats", "--within", "0.02"}, out, err), 0) << err;
    std::istringstream lines(out);
    std::string line;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind("Statistics", 0), std::string::npos) << "line " << i;
    }
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "Statistics (errors record minus truth, metres)");
    EXPECT_NE(out.find("horizontal within 0.0200 m"), std::string::npos);
    EXPECT_EQ(out.find("0.0100 m"), std::string::npos) << "--within replaces the default list";

    std::string plain;
    ASSERT_EQ(run({kSample}, plain, err), 0);
    EXPECT_EQ(plain.find("Statistics"), std::string::npos) << "no block without --stats";
}

TEST(ReportTool, JsonCarriesTheThreeObjectsConsistentWithTheAnalysis)
{
    std::string out;
    std::string err;
    ASSERT_EQ(run({kSample, "--json"}, out, err), 0) << err;
    const ordered_json doc = ordered_json::parse(out);
    ASSERT_TRUE(doc.contains("statistics"));
    ASSERT_TRUE(doc.contains("wrongFixes"));
    const auto& fc = doc.at("fixContinuity");
    EXPECT_EQ(fc.at("lossCount"), doc.at("fixLostCount"));
    EXPECT_EQ(fc.at("fixedEpochs"), doc.at("rtkFixCount"));
    const auto& fixed = doc.at("statistics").at("classes").at("rtkFixed");
    EXPECT_EQ(fixed.at("z").at("count"), doc.at("histograms").at("histZ").at("sampleCount"));
    EXPECT_DOUBLE_EQ(std::max(-fixed.at("x").at("min").get<double>(), fixed.at("x").at("max").get<double>()),
                     doc.at("maxErrorX").get<double>());
}

TEST(ReportTool, HtmlOptionWritesThePageAndReportsAnUnwritablePath)
{
    const auto path = std::filesystem::temp_directory_path() / "gnsslog-report-test.html";
    std::string out;
    std::string err;
    ASSERT_EQ(run({kSample, "--html", path.string()}, out, err), 0) << err;
    std::ifstream in(path, std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(html.find("<h1>gnsslog report: static-rtk.pvt1b</h1>"), std::string::npos);
    std::size_t images = 0;
    for (std::size_t at = html.find("data:image/png;base64,"); at != std::string::npos;
         at = html.find("data:image/png;base64,", at + 1)) {
        ++images;
    }
    EXPECT_EQ(images, 10U)
        << "the six window pictures, the scatter plot, the CDF and the two of the sessions";
    EXPECT_NE(html.find("Cumulative share of the errors"), std::string::npos);
    EXPECT_LT(html.find("Cumulative share of the errors"), html.find("Sessions by fix class"));
    EXPECT_LT(html.find("Sessions by fix class"), html.find("Time to first fix, share of sessions"));
    std::filesystem::remove(path);

    EXPECT_EQ(run({kSample, "--html", "/nonexistent-dir-for-gnsslog/r.html"}, out, err), 2);
    EXPECT_NE(err.find("/nonexistent-dir-for-gnsslog/r.html"), std::string::npos) << err;
}

}  // namespace
}  // namespace gnsslog
