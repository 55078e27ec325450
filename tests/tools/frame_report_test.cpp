// gnsslog-report's grid options: --frame and --manual-geodetic, the
// frame named in the JSON and the HTML, and clear errors for bad values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "ReportRun.h"

namespace {

using gnsslog::runReportTool;
using gnsslog::ToolRun;
using nlohmann::json;

namespace fs = std::filesystem;

constexpr double kMillimetre = 0.001;
constexpr double kPi = 3.141592653589793;

std::string sample(const char* name)
{
    return (fs::path(GNSSLOG_SOURCE_DIR) / "samples" / name).string();
}

// An RTK log from Iowa (gpsd's regression log of a Trimble receiver).
fs::path iowaLog()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs" / "gpsd-nmea-rtk.log";
}

json jsonOf(const ToolRun& run)
{
    return json::parse(run.out);
}

TEST(FrameReport, LocalFrameOnALogFromAbroadGivesHistogramsAndPercentilesInLocalMetres)
{
    if (!fs::exists(iowaLog())) {
        GTEST_SKIP() << "no real logs at " << iowaLog();
    }
    const ToolRun text = runReportTool({"--nmea", "--frame", "enu", "--stats", iowaLog().string()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("  horizontal "), std::string::npos);

    const ToolRun run = runReportTool({"--nmea", "--frame", "enu", "--json", iowaLog().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const json j = jsonOf(run);
    EXPECT_EQ(j["frame"]["name"], "enu");
    const int fixed = j["rtkFixCount"].get<int>();
    ASSERT_GT(fixed, 0);
    // Every fixed solution has grid coordinates, so every one is in the X
    // and Y histograms.
    EXPECT_EQ(j["histograms"]["histX"]["sampleCount"].get<int>(), fixed);
    EXPECT_EQ(j["histograms"]["histY"]["sampleCount"].get<int>(), fixed);
    const json& horizontal = j["statistics"]["classes"]["rtkFixed"]["horizontal"];
    EXPECT_EQ(horizontal["count"].get<int>(), fixed);
    for (const char* key : {"p50", "p68", "p95", "p99"}) {
        ASSERT_TRUE(horizontal[key].is_number()) << key;
        EXPECT_GE(horizontal[key].get<double>(), 0.0) << key;
    }
    EXPECT_LE(horizontal["p50"].get<double>(), horizontal["p95"].get<double>());

    // Local metres about the log's first position: the averaged truth lies
    // where its latitude and longitude differences put it on a sphere of
    // the local radii (to 1e-3 of the distance, for a receiver within
    // kilometres of where it started).
    const json& origin = j["frame"]["origin"];
    const double lat0 = origin["latitude"].get<double>() * kPi / 180;
    constexpr double a = 6378137.0;
    constexpr double e2 = 0.00669437999014;
    const double w = std::sqrt(1 - e2 * std::sin(lat0) * std::sin(lat0));
    const double meridianRadius = a * (1 - e2) / (w * w * w);
    const double primeVertical = a / w;
    const double north = (j["avgLatitude"].get<double>() - origin["latitude"].get<double>()) *
                         kPi / 180 * meridianRadius;
    const double east = (j["avgLongitude"].get<double>() - origin["longitude"].get<double>()) *
                        kPi / 180 * primeVertical * std::cos(lat0);
    const double distance = std::hypot(north, east);
    ASSERT_LT(distance, 5000.0);
    EXPECT_NEAR(j["avgX"].get<double>(), north, 1e-3 * distance + kMillimetre);
    EXPECT_NEAR(j["avgY"].get<double>(), east, 1e-3 * distance + kMillimetre);
}

TEST(FrameReport, TheJsonAndTheHtmlNameTheFrame)
{
    const struct {
        std::vector<std::string> options;
        const char* name;
        const char* description;
    } rows[] = {
        {{}, "kkj", "KKJ zone 2"},
        {{"--no-kkj"}, "none", "none (geodetic positions not converted)"},
        {{"--frame", "tm35fin"}, "tm35fin", "ETRS-TM35FIN (EPSG:3067)"},
        {{"--frame", "gk25"}, "gk25", "ETRS-GK25 (EPSG:3879)"},
        {{"--frame", "EPSG:32635"}, "EPSG:32635", "EPSG:32635"},
    };
    const fs::path html = fs::temp_directory_path() / "gnsslog-frame-report-test.html";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {"--json", "--html", html.string(), sample("static-rtk.pvt1b")});
        const ToolRun run = runReportTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const json j = jsonOf(run);
        EXPECT_EQ(j["frame"]["name"], row.name);
        EXPECT_EQ(j["frame"]["description"], row.description);
        std::ifstream in(html, std::ios::binary);
        const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_NE(page.find(std::string("Grid of the errors: ") + row.description), std::string::npos);
    }
    fs::remove(html);
}

TEST(FrameReport, ManualGeodeticTruthIsConvertedIntoTheFrame)
{
    // cs2cs of PROJ 9.1.1: printf "60.17 24.94\n" | cs2cs -d 4 EPSG:4326 EPSG:3067
    // gives 385700.4214 6672126.7430 (easting, northing).
    ToolRun run = runReportTool({"--frame", "tm35fin", "--truth", "manual", "--manual-geodetic",
                                 "60.17", "24.94", "12.5", "--json", sample("static-rtk.pvt1b")});
    ASSERT_EQ(run.status, 0) << run.err;
    json j = jsonOf(run);
    EXPECT_NEAR(j["manualX"].get<double>(), 6672126.7430, kMillimetre);
    EXPECT_NEAR(j["manualY"].get<double>(), 385700.4214, kMillimetre);
    EXPECT_EQ(j["manualZ"].get<double>(), 12.5);

    // In the local frame the geodetic truth is the origin itself.
    run = runReportTool({"--frame", "enu", "--truth", "manual", "--manual-geodetic", "60.205",
                         "24.901", "45.5", "--json", sample("static-rtk.pvt1b")});
    ASSERT_EQ(run.status, 0) << run.err;
    j = jsonOf(run);
    EXPECT_EQ(j["manualX"].get<double>(), 0.0);
    EXPECT_EQ(j["manualY"].get<double>(), 0.0);
    EXPECT_EQ(j["manualZ"].get<double>(), 45.5);
    EXPECT_EQ(j["frame"]["origin"]["latitude"].get<double>(), 60.205);
    EXPECT_EQ(j["frame"]["origin"]["longitude"].get<double>(), 24.901);
    // The receiver sits within metres of that point: errors of metres,
    // not of the hundreds of kilometres a wrong frame would give.
    EXPECT_LT(std::fabs(j["maxErrorX"].get<double>()), 100.0);
    EXPECT_LT(std::fabs(j["maxErrorY"].get<double>()), 100.0);

    // In KKJ it is the built-in conversion of the point (the worked value
    // of the conversion at 60 N 24 E).
    run = runReportTool({"--manual-geodetic", "60", "24", "0", "--json", sample("static-rtk.pvt1b")});
    ASSERT_EQ(run.status, 0) << run.err;
    j = jsonOf(run);
    EXPECT_NEAR(j["manualX"].get<double>(), 6654212.726, kMillimetre);
    EXPECT_NEAR(j["manualY"].get<double>(), 2500177.274, kMillimetre);
}

TEST(FrameReport, BadValuesAreUsageErrorsNamingTheValue)
{
    const struct {
        std::vector<std::string> options;
        const char* says;
    } rows[] = {
        {{"--frame", "utm35"}, "utm35"},
        {{"--frame", "gk32"}, "gk32"},
        {{"--frame", "EPSG:"}, "EPSG:"},
        {{"--frame", "EPSG:999999"}, "unknown coordinate system EPSG:999999"},
        {{"--frame", "EPSG:4326"}, "EPSG:4326 (WGS 84) is not a projected coordinate system"},
        {{"--frame", "enu", "--no-kkj"}, "--no-kkj"},
        {{"--manual-geodetic", "60", "24"}, "--manual-geodetic"},
        {{"--manual-geodetic", "60", "24", "x"}, "'x'"},
        {{"--manual-geodetic", "60", "24", "0", "--manual", "1", "2", "3"}, "--manual"},
        {{"--frame", "tm35fin", "--manual-geodetic", "95", "24", "0"}, "--manual-geodetic: 95 24"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.says);
        std::vector<std::string> args = row.options;
        args.push_back(sample("static-rtk.pvt1b"));
        const ToolRun run = runReportTool(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    }
}

}  // namespace
