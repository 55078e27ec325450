// gnsslog-report end to end, in-process: generated logs go through
// runReport and come out as texts, JSON and CSV that must agree with the
// generator's own counts and with the core analysis of the same file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "log/Gpslog.h"
#include "log/Summary.h"
#include "tools/report/writers/CsvExport.h"
#include "tools/report/runs/Report.h"
#include "tools/report/options/ReportOptions.h"
#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

ToolRun report(std::vector<std::string> args)
{
    return runReportTool(std::move(args));
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// One generated log per format, written once for the whole suite.
class ReportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = testing::TempDir() + "gnsslog-report-test-" + std::to_string(getpid()) + "/";
        std::system(("mkdir -p '" + dir_ + "'").c_str());
        GeneratorOptions o;
        o.targetBytes = 200000;
        o.seed = 11;
        o.format = LogFormat::Navcom;
        navcomStats_ = writeLog(o, navcomPath());
        o.format = LogFormat::Nmea;
        nmeaStats_ = writeLog(o, nmeaPath());
    }
    static void TearDownTestSuite() { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    static std::string navcomPath() { return dir_ + "log.pvt1b"; }
    static std::string nmeaPath() { return dir_ + "log.nmea"; }

    static std::string dir_;
    static GeneratorStats navcomStats_;
    static GeneratorStats nmeaStats_;
};

std::string ReportTest::dir_;
GeneratorStats ReportTest::navcomStats_;
GeneratorStats ReportTest::nmeaStats_;

TEST_F(ReportTest, TextIsTheSixSummaryLinesInWindowOrder)
{
    const ToolRun run = report({navcomPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    EXPECT_EQ(run.err, "");
    const GNSSLog log(navcomPath().c_str(), nullptr, true, true, TruthMode::Averaged, 0, 0, 0);
    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{t.label1, t.label2, t.label6, t.label4, t.label3, t.label5}));

    char expected[128];
    std::snprintf(expected, sizeof expected, "Log file loaded, %llu records readed,",
                  static_cast<unsigned long long>(navcomStats_.validRecords));
    EXPECT_EQ(run.out.rfind(expected, 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Fix lost " + std::to_string(navcomStats_.fixLosses) + " times"), std::string::npos);
}

TEST_F(ReportTest, JsonHasExactlyTheDocumentedKeysAndTheAnalysisValues)
{
    const ToolRun run = report({"--nmea", "--json", nmeaPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const nlohmann::ordered_json j = nlohmann::ordered_json::parse(run.out);
    // The analysis keys come first, in this order; statistics objects may follow.
    std::vector<std::string> keys;
    for (const auto& item : j.items()) {
        if (keys.size() < 22) {
            keys.push_back(item.key());
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "records", "rtkFixCount", "fixLostCount", "avgLatitude", "avgLongitude", "avgZ", "avgX",
                        "avgY", "firstFixX", "firstFixY", "firstFixZ", "manualX", "manualY", "manualZ",
                        "maxErrorX", "maxErrorY", "maxErrorZ", "startTime", "endTime", "truthMode",
                        "histograms", "summary"}));

    // What the generator wrote...
    EXPECT_EQ(j["records"].get<std::uint64_t>(), nmeaStats_.validRecords);
    EXPECT_EQ(j["rtkFixCount"].get<std::uint64_t>(), nmeaStats_.fixedRecords);
    EXPECT_EQ(j["fixLostCount"].get<std::uint64_t>(), nmeaStats_.fixLosses);
    EXPECT_NEAR(j["startTime"].get<double>(), nmeaStats_.startTime, 1e-9);
    EXPECT_NEAR(j["endTime"].get<double>(), nmeaStats_.endTime, 1e-9);
    EXPECT_GT(j["endTime"].get<double>(), 86400.0);  // crossed midnight
    EXPECT_NEAR(j["avgLatitude"].get<double>(), 60.2051234, 1e-6);  // truth within about 10 cm
    EXPECT_NEAR(j["avgZ"].get<double>(), 45.678, 0.01);

    // ...and, to the last bit, what the core analysis computes.
    const GNSSLog log(nmeaPath().c_str(), nullptr, true, false, TruthMode::Averaged, 0, 0, 0);
    EXPECT_EQ(j["avgX"].get<double>(), log.avgX);
    EXPECT_EQ(j["avgY"].get<double>(), log.avgY);
    EXPECT_EQ(j["avgLongitude"].get<double>(), log.avgLongitude);
    EXPECT_EQ(j["firstFixZ"].get<double>(), log.firstFixZ);
    EXPECT_EQ(j["maxErrorX"].get<double>(), log.maxErrorX);
    EXPECT_EQ(j["maxErrorZ"].get<double>(), log.maxErrorZ);
    EXPECT_EQ(j["truthMode"].get<int>(), 0);

    const auto& h = j["histograms"];
    const Histogram* expected[] = {&log.histZ, &log.histX, &log.histY, &log.hist3DFix, &log.hist3DRtkx};
    const char* names[] = {"histZ", "histX", "histY", "hist3DFix", "hist3DRtkx"};
    std::size_t index = 0;
    for (const auto& item : h.items()) {
        ASSERT_LT(index, 5u);
        EXPECT_EQ(item.key(), names[index]);
        const Histogram& e = *expected[index];
        EXPECT_EQ(item.value()["sampleCount"].get<int>(), e.sampleCount());
        EXPECT_EQ(item.value()["peakCount"].get<int>(), e.peakCount());
        const auto& bins = item.value()["bins"];
        ASSERT_EQ(bins.size(), e.binCount());
        for (std::size_t b = 0; b < e.binCount(); ++b) {
            EXPECT_EQ(bins[b][0].get<int>(), e.bins()[b].key);
            EXPECT_EQ(bins[b][1].get<int>(), e.bins()[b].count);
        }
        ++index;
    }
    EXPECT_EQ(index, 5u);
    EXPECT_EQ(h["histZ"]["sampleCount"].get<std::uint64_t>(), nmeaStats_.fixedRecords);
    EXPECT_GT(h["hist3DRtkx"]["sampleCount"].get<int>(), 0);

    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(j["summary"].get<std::vector<std::string>>(),
              (std::vector<std::string>{t.label1, t.label2, t.label6, t.label4, t.label3, t.label5}));
}

TEST_F(ReportTest, NoRecordsExitsOneAndStillPrintsTheJson)
{
    // A NMEA log read as NavCom binary has no frames at all.
    const ToolRun run = report({"--json", nmeaPath()});
    EXPECT_EQ(run.status, ReportExit::NoRecords);
    EXPECT_EQ(run.err, "No records, check parsing mode\n");
    const nlohmann::json j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["records"].get<int>(), 0);
    EXPECT_EQ(j["startTime"].get<double>(), DBL_MAX);  // survives the round trip exactly
    EXPECT_EQ(j["histograms"]["histX"]["bins"].size(), 0u);
    // The main window shows its message box and no summary of this log (its
    // labels keep what they held), so the summary is the message alone, not
    // texts such as "Start time: 1193046:28" made from the empty analysis.
    EXPECT_EQ(j["summary"].get<std::vector<std::string>>(),
              std::vector<std::string>{"No records, check parsing mode"});

    const std::string html = dir_ + "no-records.html";
    const ToolRun page = report({"--stats", "--html", html, nmeaPath()});
    EXPECT_EQ(page.status, ReportExit::NoRecords);
    std::ifstream in(html, std::ios::binary);
    const std::string markup((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(markup.find("<h2>Summary</h2><pre>No records, check parsing mode\n</pre>"), std::string::npos)
        << markup.substr(0, 600);
    EXPECT_EQ(markup.find("Start time"), std::string::npos);

    const ToolRun text = report({nmeaPath()});
    EXPECT_EQ(text.status, ReportExit::NoRecords);
    EXPECT_EQ(text.out, "");
}

TEST_F(ReportTest, UsageErrorsAndUnreadableFilesExitTwo)
{
    const std::string missing = dir_ + "no-such-log.bin";
    ToolRun run = report({missing});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    EXPECT_EQ(report({}).status, ReportExit::Usage);
    EXPECT_EQ(report({"--frobnicate", navcomPath()}).status, ReportExit::Usage);
    EXPECT_EQ(report({"--truth", "median", navcomPath()}).status, ReportExit::Usage);
    EXPECT_EQ(report({"--manual", "1", "2", navcomPath()}).status, ReportExit::Usage);
    run = report({"--manual", "1,5", "2", "3", navcomPath()});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_NE(run.err.find("'1,5'"), std::string::npos) << run.err;
    EXPECT_EQ(report({"--records-csv", dir_ + "no-such-dir/x.csv", navcomPath()}).status, ReportExit::Usage);

    run = report({"--help"});
    EXPECT_EQ(run.status, ReportExit::Ok);
    EXPECT_NE(run.out.find("--records-csv"), std::string::npos);
}

TEST_F(ReportTest, ManualTruthTakesNegativeNumbers)
{
    const ToolRun run = report({"--truth", "manual", "--manual", "-1.5", "2", "-3e0", "--json", navcomPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const nlohmann::json j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["manualX"].get<double>(), -1.5);
    EXPECT_EQ(j["manualY"].get<double>(), 2.0);
    EXPECT_EQ(j["manualZ"].get<double>(), -3.0);
    EXPECT_EQ(j["truthMode"].get<int>(), TruthMode::Manual);
    const GNSSLog log(navcomPath().c_str(), nullptr, true, true, TruthMode::Manual, -1.5, 2, -3);
    EXPECT_EQ(j["maxErrorZ"].get<double>(), log.maxErrorZ);
    EXPECT_GT(log.maxErrorZ, 45.0);  // measured from -3 m, not from the average
}

TEST_F(ReportTest, FirstFixTruthAndNoKkj)
{
    ToolRun run = report({"--truth", "first", "--json", navcomPath()});
    ASSERT_EQ(run.status, ReportExit::Ok);
    nlohmann::json j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["truthMode"].get<int>(), TruthMode::FirstFix);
    const GNSSLog first(navcomPath().c_str(), nullptr, true, true, TruthMode::FirstFix, 0, 0, 0);
    EXPECT_EQ(j["maxErrorX"].get<double>(), first.maxErrorX);

    run = report({"--no-kkj", "--json", navcomPath()});
    ASSERT_EQ(run.status, ReportExit::Ok);
    j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["avgX"].get<double>(), 0.0);  // no grid coordinates without the conversion
    EXPECT_EQ(j["histograms"]["histX"]["sampleCount"].get<int>(), 0);
    EXPECT_EQ(j["histograms"]["histZ"]["sampleCount"].get<std::uint64_t>(), navcomStats_.fixedRecords);
}

std::vector<std::string> splitCsv(const std::string& row)
{
    std::vector<std::string> cells;
    std::stringstream in(row);
    for (std::string cell; std::getline(in, cell, ',');) {
        cells.push_back(cell);
    }
    return cells;
}

TEST_F(ReportTest, RecordsCsvRoundTripsEveryField)
{
    const std::string csvPath = dir_ + "records.csv";
    const ToolRun run = report({"--records-csv", csvPath, navcomPath()});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    std::ifstream in(csvPath);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header,
              "time,latitude,longitude,height,localX,localY,dop,correctionAge,errorEstimate,fixType,"
              "gpsSatellites,glonassSatellites,satellites,validFlags,fixChange,valid");

    const GNSSLog log(navcomPath().c_str(), nullptr, true, true, TruthMode::Averaged, 0, 0, 0);
    std::vector<std::string> rows;
    for (std::string row; std::getline(in, row);) {
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), log.records.size());
    ASSERT_EQ(rows.size(), navcomStats_.validRecords);
    // A fixed record somewhere in the middle, every field read back.
    std::size_t i = rows.size() / 2;
    while (i < rows.size() && log.records[i].fixType != FixType::RtkFixed) {
        ++i;
    }
    ASSERT_LT(i, rows.size());
    const GNSSRecord& r = log.records[i];
    const std::vector<std::string> c = splitCsv(rows[i]);
    ASSERT_EQ(c.size(), 16u);
    const double doubles[] = {r.time, r.latitude, r.longitude, r.height, r.localX, r.localY,
                              r.dop, r.correctionAge, r.errorEstimate};
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(std::strtod(c[k].c_str(), nullptr), doubles[k]) << k << ": " << c[k];
    }
    EXPECT_EQ(std::stol(c[9]), r.fixType);
    EXPECT_EQ(std::stol(c[10]), r.gpsSatellites);
    EXPECT_EQ(std::stol(c[11]), r.glonassSatellites);
    EXPECT_EQ(std::stol(c[12]), r.satellites);
    EXPECT_EQ(std::stoul(c[13]), r.validFlags);
    EXPECT_EQ(std::stol(c[14]), r.fixChange);
    EXPECT_EQ(std::stol(c[15]), 1);
}

// The data-quality figures reach every output, and --no-checksum decodes
// a sentence whose checksum does not fit.
TEST_F(ReportTest, DataQualityEverywhereAndChecksumsCanBeIgnored)
{
    std::ifstream in(nmeaPath(), std::ios::binary);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t gga = log.find("GGA");
    const std::size_t star = log.find('*', gga);
    ASSERT_NE(star, std::string::npos);
    log[star + 1] = log[star + 1] == '0' ? '1' : '0';
    const std::string damaged = dir_ + "damaged.nmea";
    std::ofstream(damaged, std::ios::binary) << log;

    const ToolRun checked = report({"--nmea", "--json", damaged});
    ASSERT_EQ(checked.status, ReportExit::Ok) << checked.err;
    const nlohmann::ordered_json j = nlohmann::ordered_json::parse(checked.out);
    const auto& q = j["dataQuality"];
    EXPECT_EQ(q["rejectedChecksum"].get<std::uint64_t>(), 1u);
    EXPECT_EQ(q["recordsKept"].get<std::uint64_t>(), j["records"].get<std::uint64_t>());
    EXPECT_GT(q["framesByType"]["$GPGGA"].get<std::uint64_t>(), 0u);
    EXPECT_TRUE(q["resolution"]["north_m"].is_number());
    EXPECT_TRUE(q["resolution"]["gridX_m"].is_null());  // converted, not logged
    EXPECT_TRUE(q["warnings"].is_array());
    EXPECT_EQ(j["records"].get<std::uint64_t>() + 1, nmeaStats_.validRecords);

    const ToolRun ignored = report({"--nmea", "--json", "--no-checksum", damaged});
    ASSERT_EQ(ignored.status, ReportExit::Ok) << ignored.err;
    const nlohmann::ordered_json k = nlohmann::ordered_json::parse(ignored.out);
    EXPECT_EQ(k["records"].get<std::uint64_t>(), nmeaStats_.validRecords);
    EXPECT_EQ(k["dataQuality"]["rejectedChecksum"].get<std::uint64_t>(), 0u);

    const ToolRun text = report({"--nmea", "--stats", damaged});
    EXPECT_NE(text.out.find("\nData quality\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" rejected: 1 checksum,"), std::string::npos) << text.out;
    const ToolRun plain = report({"--nmea", damaged});
    EXPECT_EQ(plain.out.find("Data quality"), std::string::npos);  // only with --stats

    const std::string html = dir_ + "damaged.html";
    ASSERT_EQ(report({"--nmea", "--html", html, damaged}).status, ReportExit::Ok);
    std::ifstream page(html, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    EXPECT_NE(content.find("<h2>Data quality</h2>"), std::string::npos);
}

TEST(ReportOptions, CLocaleNumbers)
{
    double v = 0;
    EXPECT_TRUE(parseCLocaleDouble("-1.5", v));
    EXPECT_EQ(v, -1.5);
    EXPECT_TRUE(parseCLocaleDouble("+2", v));
    EXPECT_EQ(v, 2.0);
    EXPECT_TRUE(parseCLocaleDouble("6677407.187", v));
    EXPECT_EQ(v, 6677407.187);
    for (const char* bad : {"", "1,5", "1.5x", " 1", "abc", "+", "--1"}) {
        EXPECT_FALSE(parseCLocaleDouble(bad, v)) << bad;
    }
}

TEST(ReportProgress, BarLine)
{
    EXPECT_EQ(progressBarLine("Reading file", 0, 0, 10), "Reading file         [..........]   0%");
    EXPECT_EQ(progressBarLine("Reading file", 50, 100, 10), "Reading file         [#####.....]  50%");
    EXPECT_EQ(progressBarLine("All done!", 5, 5, 10), "All done!            [##########] 100%");
    // Out-of-range positions stay inside the bar.
    EXPECT_EQ(progressBarLine("x", 500, 100, 4), "x                    [####] 100%");
    EXPECT_EQ(progressBarLine("x", -3, 100, 4), "x                    [....]   0%");
    EXPECT_EQ(progressBarLine(nullptr, 2147483647, 2147483647, 4), "                     [####] 100%");
}

}  // namespace
}  // namespace gnsslog
