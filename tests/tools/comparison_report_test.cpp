// gnsslog-report with several logs: hand-made grid logs with known errors
// side by side, one truth for all, clock slices, requirements and the exit
// status when several kinds of failure come together.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QByteArray>
#include <QXmlStreamReader>
#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"
#include "tools/samplegen/NmeaWriter.h"

namespace gnsslog {
namespace {

constexpr double kX = 6672000.0;
constexpr double kY = 2550000.0;
constexpr double kZ = 50.0;
constexpr std::int64_t kStart = 39540 * 100;  // 10:59:00, centiseconds
constexpr int kEpochs = 120;                  // 1 Hz, so 10:59:00 to 11:00:59

// kEpochs LLK epochs at (kX + dx, kY, kZ + dz); the first `floating` are
// RTK float, the rest RTK fixed.
void writeGridLog(const std::string& path, double dx, double dz, int floating)
{
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kEpochs; ++i) {
        GridFields f;
        f.centiseconds = kStart + i * 100;
        f.gridX = kX + dx;
        f.gridY = kY;
        f.height = kZ + dz;
        f.quality = i < floating ? 2 : 3;
        f.satellites = 12;
        f.dopOrQuality = 1.2;
        out << llkSentence(f);
    }
}

// kEpochs GGA epochs at one place, RTK fixed; the first `displaced`
// epochs are RTK float about a metre further north.
void writeGeodeticLog(const std::string& path, int displaced)
{
    constexpr double kLatitude = 60.2;
    constexpr double kLongitude = 24.9;
    constexpr double kMetreOfLatitude = 1.0 / 111000.0;  // degrees, roughly
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kEpochs; ++i) {
        GgaFields f;
        f.centiseconds = kStart + i * 100;
        f.latitude = kLatitude + (i < displaced ? kMetreOfLatitude : 0.0);
        f.longitude = kLongitude;
        f.quality = i < displaced ? 5 : 4;
        f.satellites = 12;
        f.hdop = 0.8;
        f.heightMetres = kZ;
        out << ggaSentence(f);
    }
}

class ComparisonReportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = testing::TempDir() + "gnsslog-comparison-test-" + std::to_string(getpid()) + "/";
        std::system(("mkdir -p '" + dir_ + "'").c_str());
        writeGridLog(a(), 0, 0, 0);
        writeGridLog(b(), 0.25, -0.125, 10);
        std::ofstream(empty()) << "no sentences here\n";
        writeGeodeticLog(dir_ + "geo-a.nmea", 0);
        writeGeodeticLog(dir_ + "geo-b.nmea", 5);
        writeGridLog(floating(), 0, 0, kEpochs);
    }
    static void TearDownTestSuite() { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    static std::string a() { return dir_ + "a.nmea"; }
    static std::string b() { return dir_ + "b.nmea"; }
    static std::string empty() { return dir_ + "empty.nmea"; }
    static std::string missing() { return dir_ + "missing.nmea"; }
    static std::string floating() { return dir_ + "floating.nmea"; }

    static ToolRun run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--format", "nmea"});
        return runReportTool(std::move(args));
    }
    static nlohmann::json json(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--json");
        const ToolRun r = run(std::move(args));
        return nlohmann::json::parse(r.out);
    }

    static std::string dir_;
};
std::string ComparisonReportTest::dir_;

TEST_F(ComparisonReportTest, HandMadeLogsSideBySideEachAgainstItsOwnTruth)
{
    const nlohmann::json doc = json({a(), b()});
    ASSERT_EQ(doc["logs"].size(), 2u);
    const nlohmann::json& rows = doc["comparison"]["logs"];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(doc["comparison"]["truth"]["source"], "eachLogAveraged");
    const nlohmann::json& fa = rows[0]["figures"];
    const nlohmann::json& fb = rows[1]["figures"];
    EXPECT_EQ(fa["records"], kEpochs);
    EXPECT_EQ(fa["fixShare"], 1.0);
    EXPECT_EQ(fa["timeToFirstFix"], 0.0);
    EXPECT_EQ(fa["horizontal95"], 0.0);
    EXPECT_EQ(fb["fixShare"], 110.0 / 120.0);
    EXPECT_EQ(fb["timeToFirstFix"], 10.0);
    EXPECT_EQ(fb["fixLosses"], 0);
    EXPECT_TRUE(fb["refixMedian"].is_null());
    EXPECT_EQ(fb["horizontal95"], 0.0);  // its own average is where it is
    EXPECT_EQ(fb["wrongFixes"], 0);
}

TEST_F(ComparisonReportTest, ListOptionsBeforeTheFilesLeaveEveryFileALog)
{
    const nlohmann::json doc = json({"--within", "0.01,0.02", a(), b()});
    ASSERT_EQ(doc["logs"].size(), 2u);
    EXPECT_EQ(doc["logs"][1]["statistics"]["withinThresholds"], nlohmann::json::array({0.01, 0.02}));
}

TEST_F(ComparisonReportTest, AutoFormatDetectsEachLogOnItsOwn)
{
    const std::string navcom = dir_ + "auto.pvt1b";
    GeneratorOptions options;
    options.targetBytes = 50000;
    const GeneratorStats stats = writeLog(options, navcom);
    const ToolRun r = runReportTool({"--json", "--format", "auto", a(), navcom});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["comparison"]["logs"][0]["figures"]["records"], kEpochs);
    EXPECT_EQ(doc["comparison"]["logs"][1]["figures"]["records"], stats.validRecords);
}

TEST_F(ComparisonReportTest, EachLogsDocumentIsTheSingleLogDocument)
{
    const nlohmann::json several = json({a(), missing(), b()});
    EXPECT_EQ(several["logs"][0], json({a()}));
    EXPECT_EQ(several["logs"][2], json({b()}));
    EXPECT_EQ(several["logs"][1]["file"], missing());
    EXPECT_TRUE(several["logs"][1].contains("error"));
}

TEST_F(ComparisonReportTest, TruthFromOneLogMovesTheOthersErrorsByTheKnownOffset)
{
    const nlohmann::json doc = json({"--truth-from", a(), a(), b()});
    const nlohmann::json& truth = doc["comparison"]["truth"];
    EXPECT_EQ(truth["source"], "log");
    EXPECT_EQ(truth["x"], kX);
    EXPECT_EQ(truth["z"], kZ);
    const nlohmann::json& fa = doc["comparison"]["logs"][0]["figures"];
    const nlohmann::json& fb = doc["comparison"]["logs"][1]["figures"];
    EXPECT_EQ(fa["horizontal95"], 0.0);
    EXPECT_EQ(fb["horizontal50"], 0.25);
    EXPECT_EQ(fb["horizontal95"], 0.25);
    EXPECT_EQ(fb["vertical95"], 0.125);
    EXPECT_EQ(fb["wrongFixes"], 110);  // 0.25 m is over the 0.10 m default
    // The truth log's own document is unchanged; the other's histograms
    // are measured from the shared truth.
    EXPECT_EQ(doc["logs"][0], json({a()}));
    EXPECT_EQ(doc["logs"][1]["truthMode"], 2);
    EXPECT_EQ(doc["logs"][1]["manualX"], kX);

    const ToolRun text = run({"--truth-from", a(), a(), b()});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Truth: averaged RTK-fixed position of a.nmea"), std::string::npos)
        << text.out;
}

TEST_F(ComparisonReportTest, TruthFromTheFirstFixOfALogThatIsNotCompared)
{
    const nlohmann::json doc = json({"--truth", "first", "--truth-from", b(), a()});
    const nlohmann::json& truth = doc["comparison"]["truth"];
    EXPECT_EQ(truth["mode"], "firstFix");
    EXPECT_EQ(truth["x"], kX + 0.25);
    ASSERT_EQ(doc["comparison"]["logs"].size(), 1u);
    EXPECT_EQ(doc["comparison"]["logs"][0]["figures"]["horizontal95"], 0.25);
    EXPECT_EQ(doc["comparison"]["logs"][0]["figures"]["vertical95"], 0.125);
}

TEST_F(ComparisonReportTest, ALocalPlaneTakesTheTruthLogsOriginInEveryLog)
{
    // b starts a metre away from where both sit: in a plane about its own
    // first position a's truth would land a metre off.
    const std::string geoA = dir_ + "geo-a.nmea";
    const std::string geoB = dir_ + "geo-b.nmea";
    const nlohmann::json doc = json({"--frame", "enu", "--truth-from", geoA, geoA, geoB});
    ASSERT_EQ(doc["comparison"]["logs"].size(), 2u);
    EXPECT_EQ(doc["logs"][0]["frame"]["origin"], doc["logs"][1]["frame"]["origin"]);
    const double h95 = doc["comparison"]["logs"][1]["figures"]["horizontal95"].get<double>();
    EXPECT_LT(h95, 1e-6);
}

TEST_F(ComparisonReportTest, TruthFromALogWithoutFixOrFileStopsBeforeTheTable)
{
    ToolRun r = run({"--truth-from", empty(), a(), b()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no RTK-fixed position"), std::string::npos) << r.err;
    r = run({"--truth-from", missing(), a(), b()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.nmea"), std::string::npos) << r.err;
    r = run({"--truth", "manual", "--truth-from", a(), a(), b()});
    EXPECT_EQ(r.status, 2);
}

TEST_F(ComparisonReportTest, SlicesOnTheClockWithRequirementsPerSlice)
{
    // a: 10:59:00-11:00:59 in minutes; b floats 10:59:00-10:59:09.
    const nlohmann::json doc = json({"--split", "1min", "--require", "ttff<=5s", a(), b()});
    EXPECT_EQ(doc["comparison"]["sliceSeconds"], 60.0);
    const nlohmann::json& slicesB = doc["comparison"]["logs"][1]["slices"];
    ASSERT_EQ(slicesB.size(), 2u);
    EXPECT_EQ(slicesB[0]["start"], 39540.0);
    EXPECT_EQ(slicesB[1]["start"], 39600.0);
    EXPECT_EQ(slicesB[1]["end"], 39660.0);
    EXPECT_FALSE(slicesB[1]["partial"]);
    EXPECT_EQ(slicesB[0]["figures"]["records"], 60);
    EXPECT_EQ(slicesB[0]["figures"]["timeToFirstFix"], 10.0);
    EXPECT_EQ(slicesB[0]["requirements"][0]["verdict"], "FAIL");
    EXPECT_EQ(slicesB[1]["requirements"][0]["verdict"], "PASS");
    EXPECT_FALSE(doc["comparison"]["logs"][1]["pass"]);
    EXPECT_TRUE(doc["comparison"]["logs"][0]["pass"]);

    // 90 s slices: 10:58:30 starts before the log, 11:00:00 ends after it.
    const ToolRun text = run({"--split", "90s", a()});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("10:58:30-11:00:00 (partial)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("11:00:00-11:01:30 (partial)"), std::string::npos) << text.out;
}

TEST_F(ComparisonReportTest, ExitStatusWhenSeveralFailuresComeTogether)
{
    const std::string failing = "h95<=0.02";  // b fails it against a's truth
    struct Case {
        std::vector<std::string> files;
        int status;
    };
    for (const Case& c : {Case{{a(), b()}, 3}, Case{{a(), b(), empty()}, 3},
                          Case{{a(), b(), empty(), missing()}, 2}, Case{{a(), missing()}, 2},
                          Case{{a(), empty()}, 3}, Case{{a()}, 0}}) {
        std::vector<std::string> args{"--truth-from", a(), "--require", failing};
        args.insert(args.end(), c.files.begin(), c.files.end());
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.files) << r.err;
    }
    // Without requirements a log without records is status 1, but an
    // unreadable file still wins.
    EXPECT_EQ(run({a(), empty()}).status, 1);
    EXPECT_EQ(run({a(), empty(), missing()}).status, 2);
    // The requirements line says a log was not read rather than that all passed.
    const ToolRun alone = run({"--require", failing, missing()});
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.out.find("Requirements: unreadable (missing.nmea)"), std::string::npos) << alone.out;
    const ToolRun mixed = run({"--truth-from", a(), "--require", failing, b(), missing()});
    EXPECT_NE(mixed.out.find("Requirements: FAIL (b.nmea); unreadable (missing.nmea)"), std::string::npos)
        << mixed.out;
    const ToolRun both = run({a(), missing(), b()});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("missing.nmea"), std::string::npos);
    EXPECT_NE(both.out.find("== b.nmea =="), std::string::npos) << "the others are still analysed";
}

constexpr const char* kTruthUndefined =
    "averaged truth undefined: no RTK-fixed records; choose first fix, manual or a reference";

TEST_F(ComparisonReportTest, WithoutFixedRecordsTheAveragedTruthIsUndefinedAndErrorsUndecided)
{
    const nlohmann::json doc = json({"--require", "h95<=1m,wrong<=0,records>=100", floating(), a()});
    const nlohmann::json& undefined = doc["comparison"]["logs"][0];
    ASSERT_EQ(undefined["requirements"].size(), 3u);
    EXPECT_EQ(undefined["requirements"][0]["verdict"], "-");
    EXPECT_TRUE(undefined["requirements"][0]["value"].is_null());
    EXPECT_EQ(undefined["requirements"][1]["verdict"], "-");
    EXPECT_EQ(undefined["requirements"][2]["verdict"], "PASS");
    EXPECT_FALSE(undefined["pass"]);
    EXPECT_TRUE(doc["comparison"]["logs"][1]["pass"]);
    EXPECT_EQ(doc["logs"][0]["truthWarning"], kTruthUndefined);
    EXPECT_FALSE(doc["logs"][1].contains("truthWarning"));

    const ToolRun text = run({"--require", "h95<=1m,records>=100", floating(), a()});
    EXPECT_EQ(text.status, 3);
    EXPECT_NE(text.out.find("Requirements: undecided (floating.nmea)"), std::string::npos)
        << text.out;
    const std::string page = dir_ + "undefined.html";
    EXPECT_EQ(run({"--html", page, floating(), a()}).status, 0);
    std::ifstream in(page, std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t said = html.find(std::string("<p>") + kTruthUndefined + "</p>");
    EXPECT_NE(said, std::string::npos);
    EXPECT_LT(said, html.find("<h3>a.nmea</h3>")) << "only under the floating log's summary";
    EXPECT_EQ(html.find(kTruthUndefined, said + 4), std::string::npos) << "said once";

    const ToolRun both = run({"--require", "h95<=1m,records>=200", floating(), a()});
    EXPECT_NE(both.out.find("Requirements: FAIL (floating.nmea, a.nmea)"), std::string::npos)
        << both.out;
}

TEST_F(ComparisonReportTest, ASingleLogWithoutFixedRecordsSaysItsAveragedTruthIsUndefined)
{
    const nlohmann::json undefined = json({floating()});
    EXPECT_EQ(undefined["truthWarning"], kTruthUndefined);
    const auto& warnings = undefined["dataQuality"]["warnings"];
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), kTruthUndefined), warnings.end());
    const nlohmann::json fixed = json({a()});
    EXPECT_FALSE(fixed.contains("truthWarning"));
    const auto& fixedWarnings = fixed["dataQuality"]["warnings"];
    EXPECT_EQ(std::find(fixedWarnings.begin(), fixedWarnings.end(), kTruthUndefined),
              fixedWarnings.end());
    EXPECT_FALSE(json({"--truth", "first", floating()}).contains("truthWarning"));

    for (const std::string& log : {floating(), a()}) {
        const std::string page = dir_ + "truth.html";
        const ToolRun r = run({"--html", page, log});
        EXPECT_EQ(r.status, 0) << r.err;
        std::ifstream in(page, std::ios::binary);
        const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const bool says = html.find(std::string("<p>") + kTruthUndefined + "</p>") != std::string::npos;
        EXPECT_EQ(says, log == floating()) << log;
    }
}

TEST_F(ComparisonReportTest, ABadRequirementIsAUsageErrorBeforeAnyLogIsRead)
{
    const ToolRun r = run({"--require", "fix>=95%,hz95<=0.02", a(), missing()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--require"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'hz95'"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("cannot open"), std::string::npos) << "no log was read: " << r.err;
    EXPECT_TRUE(r.out.empty());
    for (const char* term : {"fix>=150%", "h95<=-2cm", "ttff<=-1s", "v95<=3km"}) {
        const ToolRun beyond = run({"--require", std::string("wrong<=0,") + term, a(), b()});
        EXPECT_EQ(beyond.status, 2) << term;
        EXPECT_NE(beyond.err.find(std::string("'") + term + "'"), std::string::npos) << beyond.err;
        EXPECT_TRUE(beyond.out.empty()) << term;
    }
    EXPECT_EQ(run({"--split", "1hour", a()}).status, 2);
    EXPECT_EQ(run({"--records-csv", dir_ + "x.csv", a(), b()}).status, 2);
}

TEST_F(ComparisonReportTest, TextHasABlockPerLogThenTheTableWithVerdicts)
{
    const ToolRun r = run({"--truth-from", a(), "--require", "h95<=0.02,fix>=90%", a(), b()});
    EXPECT_EQ(r.status, 3);
    const std::size_t blockA = r.out.find("== a.nmea ==\nLog file loaded, 120 records");
    const std::size_t blockB = r.out.find("== b.nmea ==\nLog file loaded, 120 records");
    const std::size_t table = r.out.find("log ");
    ASSERT_NE(blockA, std::string::npos) << r.out;
    ASSERT_NE(blockB, std::string::npos) << r.out;
    ASSERT_NE(table, std::string::npos) << r.out;
    EXPECT_LT(blockA, blockB);
    EXPECT_LT(blockB, table);
    EXPECT_NE(r.out.find("h95<=0.02  fix>=90%"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Requirements: FAIL (b.nmea)"), std::string::npos) << r.out;
}

TEST_F(ComparisonReportTest, HtmlPageHasARowPerLogAndEveryLogsPictures)
{
    const std::string page = dir_ + "cmp.html";
    const ToolRun r =
        run({"--truth-from", a(), "--require", "h95<=0.02", "--html", page, a(), b(), missing()});
    EXPECT_EQ(r.status, 2) << r.err;
    std::ifstream in(page, std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QXmlStreamReader xml(QByteArray::fromStdString(html));
    int images = 0;
    int fails = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name().toString() == "img") {
            ++images;
        }
        if (xml.isStartElement() && xml.attributes().value("class").toString() == "fail") {
            ++fails;
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    // The single-log page's eight pictures (the six windows', the scatter
    // plot and the CDF) for each readable log.
    EXPECT_EQ(images, 2 * 8);
    EXPECT_EQ(fails, 1);
    EXPECT_NE(html.find("missing.nmea"), std::string::npos);
}

// Real receiver logs compared in one run: whatever they hold, every slice
// row adds up to its log, every figure is a number or null, and the run
// ends with a status of the table.
TEST(ComparisonRealLogs, SlicesAddUpAndFiguresAreNumbersOrNull)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
    if (!fs::is_directory(dir)) {
        GTEST_SKIP() << "no real logs at " << dir;
    }
    std::vector<std::string> args{"--json", "--format", "nmea", "--split", "15min", "--require", "fix>=50%"};
    std::size_t logs = 0;
    for (const char* name : {"gpsd-nmea-rtk.log", "gpsd-ublox-zed-f9p-nmea.log", "gpsd-hemi.log",
                             "allenhsu6-nmea.txt", "gpsd-navcom.log"}) {
        if (fs::exists(dir / name)) {
            args.push_back((dir / name).string());
            ++logs;
        }
    }
    if (logs < 2) {
        GTEST_SKIP() << "fewer than two of the NMEA logs in " << dir;
    }
    const ToolRun r = runReportTool(args);
    EXPECT_TRUE(r.status == 0 || r.status == 1 || r.status == 3) << r.status << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    const nlohmann::json& rows = doc["comparison"]["logs"];
    ASSERT_EQ(rows.size(), logs);
    for (const nlohmann::json& row : rows) {
        const std::int64_t records = row["figures"]["records"].get<std::int64_t>();
        std::int64_t sliced = 0;
        for (const nlohmann::json& slice : row["slices"]) {
            sliced += slice["figures"]["records"].get<std::int64_t>();
            EXPECT_EQ(slice["end"].get<double>() - slice["start"].get<double>(), 900.0);
        }
        EXPECT_EQ(sliced, records) << row["file"];
        for (const auto& [key, value] : row["figures"].items()) {
            EXPECT_TRUE(value.is_null() || value.is_number()) << row["file"] << " " << key;
        }
        const double share = row["figures"]["fixShare"].get<double>();
        EXPECT_TRUE(share >= 0.0 && share <= 1.0) << row["file"];
    }
}

}  // namespace
}  // namespace gnsslog
