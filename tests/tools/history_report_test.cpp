// gnsslog-report --history and --history-report: daily logs filling one
// history, the report reading it back, files refused untouched, two
// processes writing at once, the trend picture; real logs in place.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "history/HistoryDays.h"
#include "history/SqliteHandles.h"
#include "plots/draw/HistoryTrendPainter.h"
#include "tests/tools/ReportRun.h"
#include "tools/report/writers/PngExport.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sets a file's modification time to 23:30 UTC of the day.
void writtenOn(const std::string& path, const char* day)
{
    const std::chrono::sys_seconds moment =
        std::chrono::sys_days(std::chrono::days(*parseDay(day))) + std::chrono::minutes(23 * 60 + 30);
    fs::last_write_time(path, std::chrono::file_clock::from_sys(moment));
}

class HistoryReportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::temp_directory_path() / ("gnsslog-history-report-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Two days of a station, one epoch per 5 s, each log over its
        // midnight. Without the RMC among the other sentences the logs carry
        // no date, so their days come from the files' modification times.
        for (int i = 0; i < 2; ++i) {
            GeneratorOptions options;
            options.format = LogFormat::Nmea;
            options.epochIntervalMs = 5000;
            options.targetBytes = 200000;
            options.noiseShare = 0;
            options.seed = 11 + static_cast<std::uint64_t>(i);
            writeLog(options, log(i));
            writtenOn(log(i), i == 0 ? "2026-12-07" : "2026-12-08");
        }
        GeneratorOptions dated;
        dated.format = LogFormat::Nmea;
        dated.epochIntervalMs = 5000;
        dated.targetBytes = 300000;
        writeLog(dated, datedLog());
        writtenOn(datedLog(), "2030-01-01");
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static std::string log(int i) { return (dir_ / ("day" + std::to_string(i) + ".nmea")).string(); }
    static std::string file(const std::string& name) { return (dir_ / name).string(); }
    static std::string datedLog() { return (dir_ / "dated.nmea").string(); }

    // The records each log has, as a plain run counts them.
    static std::int64_t recordsOf(const std::string& path)
    {
        const ToolRun r = runReportTool({"--json", "--format", "nmea", path});
        return nlohmann::json::parse(r.out)["records"].get<std::int64_t>();
    }

    static inline fs::path dir_;
};

TEST_F(HistoryReportTest, DailyRunsFillOneHistoryThatTheReportReadsBack)
{
    const std::string history = file("daily.sqlite");
    // A run with requirements (the comparison) and a plain one: each prints
    // what it prints without --history.
    const std::vector<std::vector<std::string>> runs{{"--require", "fix>=1%", log(0)}, {"--stats", log(1)}};
    for (const std::vector<std::string>& run : runs) {
        std::vector<std::string> args{"--format", "nmea"};
        args.insert(args.end(), run.begin(), run.end());
        const ToolRun without = runReportTool(args);
        args.insert(args.begin(), {"--history", history});
        const ToolRun with = runReportTool(args);
        EXPECT_EQ(with.status, 0) << with.err;
        EXPECT_EQ(with.status, without.status);
        EXPECT_EQ(with.out, without.out);
    }
    const ToolRun report = runReportTool({"--json", "--history-report", history});
    ASSERT_EQ(report.status, 0) << report.err;
    const nlohmann::json doc = nlohmann::json::parse(report.out);
    std::map<std::string, std::int64_t> records;
    std::map<std::string, std::string> lastDay;
    for (const nlohmann::json& slice : doc["slices"]) {
        const std::string source = slice["source"].get<std::string>();
        records[source] += slice["records"].get<std::int64_t>();
        lastDay[source] = std::max(lastDay[source], slice["day"].get<std::string>());
        EXPECT_EQ(slice["end"].get<double>() - slice["start"].get<double>(), 3600.0);
        EXPECT_EQ(slice["verdicts"].size(), source == log(0) ? 1u : 0u);
        EXPECT_EQ(slice["passes"].is_null(), source != log(0));
        EXPECT_FALSE(slice["runDataQuality"].is_null());
        EXPECT_FALSE(slice["classes"].empty());
    }
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[log(0)], recordsOf(log(0)));
    EXPECT_EQ(records[log(1)], recordsOf(log(1)));
    // A log's last slice is on the day its file was last written.
    EXPECT_EQ(lastDay[log(0)], "2026-12-07");
    EXPECT_EQ(lastDay[log(1)], "2026-12-08");
    // Each log runs over its midnight: three days in all, in order.
    const nlohmann::json& days = doc["days"];
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0]["day"], "2026-12-06");
    EXPECT_EQ(days[2]["day"], "2026-12-08");
    std::int64_t dayRecords = 0;
    for (const nlohmann::json& d : days) {
        dayRecords += d["records"].get<std::int64_t>();
    }
    EXPECT_EQ(dayRecords, records[log(0)] + records[log(1)]);

    // Filters: the days are inclusive, a source by its bare name.
    const auto slicesOf = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--json", "--history-report", history});
        const ToolRun r = runReportTool(args);
        return nlohmann::json::parse(r.out).at("slices");
    };
    for (const nlohmann::json& slice : slicesOf({"--from", "2026-12-07", "--to", "2026-12-07"})) {
        EXPECT_EQ(slice["day"], "2026-12-07");
    }
    for (const nlohmann::json& slice : slicesOf({"--source", "day1.nmea"})) {
        EXPECT_EQ(slice["source"], log(1));
    }
    EXPECT_TRUE(slicesOf({"--from", "2027-01-01"}).empty());
    const ToolRun none = runReportTool({"--history-report", history, "--from", "2027-01-01"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no slices"), std::string::npos);

    const ToolRun text = runReportTool({"--history-report", history, "--source", "day0.nmea"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("day ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("2026-12-07  day0.nmea"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("day1.nmea"), std::string::npos);
}

// The first RMC's date, ddmmyy, as YYYY-MM-DD.
std::string firstRmcDay(const std::string& path)
{
    const std::string text = bytesOf(path);
    std::size_t at = text.find("$GPRMC,");
    for (int field = 0; field < 9 && at != std::string::npos; ++field) {
        at = text.find(',', at + 1);
    }
    if (at == std::string::npos || at + 7 > text.size()) {
        return {};
    }
    const std::string ddmmyy = text.substr(at + 1, 6);
    return "20" + ddmmyy.substr(4, 2) + '-' + ddmmyy.substr(2, 2) + '-' + ddmmyy.substr(0, 2);
}

// A log that dates its records says its days itself, whenever the file was copied.
// Sessions cut at receiver resets and sigmas from GST: each slice keeps
// the comparison's session figures of it and its honesty figures, in a
// comparison with --split and in a single-log run alike.
TEST_F(HistoryReportTest, SlicesKeepTheirSessionAndHonestyFigures)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.nmeaEpochSentences = true;
    options.resets = 8;
    options.seed = 21;
    const std::string resets = file("resets.nmea");
    writeLog(options, resets);

    const std::string history = file("sessions.sqlite");
    const ToolRun comparison = runReportTool({"--format", "nmea", "--split", "2min", "--alert-limit", "1",
                                              "--json", "--history", history, resets});
    ASSERT_EQ(comparison.status, 0) << comparison.err;
    const nlohmann::json compared = nlohmann::json::parse(comparison.out)["comparison"]["logs"][0]["slices"];
    const ToolRun report = runReportTool({"--json", "--history-report", history});
    ASSERT_EQ(report.status, 0) << report.err;
    const nlohmann::json slices = nlohmann::json::parse(report.out)["slices"];
    ASSERT_EQ(slices.size(), compared.size());
    ASSERT_GE(slices.size(), 2u);
    std::int64_t sessions = 0;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        SCOPED_TRACE(i);
        const nlohmann::json& figures = compared[i]["figures"];
        for (const char* key : {"sessions", "timeToFixMedian", "timeToFix95", "judgedFirstFixes", "wrongFirstFixes"}) {
            EXPECT_EQ(slices[i][key], figures[key]) << key;
        }
        sessions += slices[i]["sessions"].get<std::int64_t>();
        if (slices[i]["records"].get<std::int64_t>() > 0) {
            EXPECT_TRUE(slices[i]["within1Sigma"].is_number());
            EXPECT_TRUE(slices[i]["hazardouslyMisleading"].is_number());
            EXPECT_TRUE(slices[i]["misleadingRate95"].is_number());
        }
    }
    // A session that spans a slice's end counts in both.
    EXPECT_GE(sessions, 8);

    const std::string single = file("single.sqlite");
    ASSERT_EQ(runReportTool({"--format", "nmea", "--alert-limit", "1", "--history", single, resets}).status, 0);
    const nlohmann::json singleSlices =
        nlohmann::json::parse(runReportTool({"--json", "--history-report", single}).out)["slices"];
    ASSERT_FALSE(singleSlices.empty());
    EXPECT_TRUE(singleSlices[0]["hazardouslyMisleading"].is_number());
    EXPECT_GT(singleSlices[0]["sessions"].get<std::int64_t>(), 0);
    const ToolRun text = runReportTool({"--history-report", single});
    EXPECT_NE(text.out.find("time to fix median (s)"), std::string::npos) << text.out;
}

TEST_F(HistoryReportTest, ADatedLogsDaysComeFromItsDates)
{
    const std::string history = file("dated.sqlite");
    ASSERT_EQ(runReportTool({"--format", "nmea", "--history", history, datedLog()}).status, 0);
    const ToolRun report = runReportTool({"--json", "--history-report", history});
    ASSERT_EQ(report.status, 0) << report.err;
    const std::optional<std::int64_t> first = parseDay(firstRmcDay(datedLog()));
    ASSERT_TRUE(first) << firstRmcDay(datedLog());
    const nlohmann::json doc = nlohmann::json::parse(report.out);
    std::set<std::string> days;
    for (const nlohmann::json& slice : doc["slices"]) {
        days.insert(slice["day"].get<std::string>());
    }
    // The generator puts its midnight about halfway through the log.
    EXPECT_EQ(days, (std::set<std::string>{dayText(*first), dayText(*first + 1)}));
}

TEST_F(HistoryReportTest, FilesNotOursOrNewerStopTheRunAndStayUnchanged)
{
    const std::string foreign = file("photos.db");
    {
        SqliteConnection db;
        ASSERT_EQ(db.open(foreign, true, 1000), "");
        ASSERT_EQ(db.execute("CREATE TABLE photos (id INTEGER); INSERT INTO photos VALUES (7);"), "");
    }
    const std::string newer = file("newer.sqlite");
    ASSERT_EQ(runReportTool({"--format", "nmea", "--history", newer, log(0)}).status, 0);
    {
        SqliteConnection db;
        ASSERT_EQ(db.open(newer, false, 1000), "");
        ASSERT_EQ(db.execute("PRAGMA user_version = 9"), "");
    }
    struct Case {
        std::string path;
        const char* says;
    };
    for (const Case& c : {Case{foreign, "not a gnsslog history"}, Case{newer, "newer gnsslog"}}) {
        const std::string before = bytesOf(c.path);
        const ToolRun write = runReportTool({"--format", "nmea", "--history", c.path, log(0)});
        EXPECT_EQ(write.status, 2);
        EXPECT_NE(write.err.find(c.says), std::string::npos) << write.err;
        EXPECT_EQ(write.out, "");  // refused before the log was analysed
        const ToolRun read = runReportTool({"--history-report", c.path});
        EXPECT_EQ(read.status, 2);
        EXPECT_NE(read.err.find(c.says), std::string::npos) << read.err;
        EXPECT_EQ(bytesOf(c.path), before) << c.path;
    }
    const ToolRun both = runReportTool({"--history", file("x.sqlite"), "--history-report", file("x.sqlite")});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(runReportTool({"--from", "2026-12-01", log(0)}).status, 2);  // --from needs the report
    EXPECT_EQ(runReportTool({"--history-report", file("daily.sqlite"), log(0)}).status, 2);
    const ToolRun noLog = runReportTool({"--format", "nmea"});
    EXPECT_EQ(noLog.status, 2);
    EXPECT_NE(noLog.err.find("LOGFILE is required"), std::string::npos);
}

// Two processes start on a new history at once; each waits for the
// other's transaction rather than failing.
TEST_F(HistoryReportTest, TwoProcessesWritingOneHistoryBothSucceed)
{
    const std::string history = file("shared.sqlite");
    constexpr int kRunsEach = 4;
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            int status = 0;
            for (int k = 0; k < kRunsEach && status == 0; ++k) {
                status = runReportTool({"--format", "nmea", "--history", history, "--jobs", "1", log(i)}).status;
            }
            _exit(status);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    const ToolRun report = runReportTool({"--json", "--history-report", history});
    ASSERT_EQ(report.status, 0) << report.err;
    std::map<std::string, std::set<std::int64_t>> runs;
    const nlohmann::json doc = nlohmann::json::parse(report.out);
    for (const nlohmann::json& slice : doc["slices"]) {
        runs[slice["source"].get<std::string>()].insert(slice["run"].get<std::int64_t>());
    }
    EXPECT_EQ(runs[log(0)].size(), std::size_t{kRunsEach});
    EXPECT_EQ(runs[log(1)].size(), std::size_t{kRunsEach});
}

TEST_F(HistoryReportTest, TrendPictureAsPngAndInThePage)
{
    const std::string history = file("pictures.sqlite");
    ASSERT_EQ(runReportTool({"--format", "nmea", "--history", history, log(0), log(1)}).status, 0);
    const std::string png = file("png");
    const std::string page = file("history.html");
    const ToolRun r = runReportTool({"--history-report", history, "--png", png, "--html", page});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString((fs::path(png) / "history-trend.png").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), kHistoryTrendWidth);
    EXPECT_EQ(image.height(), kHistoryTrendHeight);
    const std::string html = bytesOf(page);
    EXPECT_NE(html.find("<img src=\"data:image/png;base64,"), std::string::npos);
    EXPECT_NE(html.find("2026-12-08"), std::string::npos);
}

// The painter: each series in its panel, a larger value higher, a missing
// day breaking the line.
TEST(HistoryTrendPainterTest, SeriesSitInTheirPanelsAtTheirValues)
{
    ASSERT_TRUE(ensureGuiApplication());
    const std::vector<TrendDay> days{
        {100, "a", 0.01, 0.04, 0.5, 0.9},
        {101, "b", 0.03, std::nullopt, 0.75, 0.9},
        {103, "d", 0.02, 0.04, 1.0, std::nullopt},
    };
    QImage image(kHistoryTrendWidth, kHistoryTrendHeight, QImage::Format_RGB32);
    paintHistoryTrend(image, days);
    const TrendPanels p = trendPanels(image.width(), image.height());
    // The rows of a colour in one day's column, or -1.
    const auto rowOf = [&](std::int64_t day, unsigned colour) {
        const int x = p.left + static_cast<int>((static_cast<double>(day - 100) + 0.5) * p.width / 4.0);
        for (int y = 0; y < image.height(); ++y) {
            if ((image.pixel(x, y) & 0xFFFFFF) == colour) {
                return y;
            }
        }
        return -1;
    };
    const int h100 = rowOf(100, kTrendH95Colour);
    const int h101 = rowOf(101, kTrendH95Colour);
    ASSERT_GT(h100, 0);
    ASSERT_GT(h101, 0);
    EXPECT_LT(h101, h100);  // 0.03 m above 0.01 m
    EXPECT_GE(h100, p.metresTop);
    EXPECT_LE(h100, p.metresBottom);
    // The scale's top is 0.05 m: 0.04 m sits a fifth of the panel below it.
    const int v100 = rowOf(100, kTrendV95Colour);
    EXPECT_NEAR(v100, p.metresTop + (p.metresBottom - p.metresTop) / 5.0, 3);
    EXPECT_EQ(rowOf(101, kTrendV95Colour), -1);
    EXPECT_EQ(rowOf(102, kTrendH95Colour), -1);  // no day 102: no line through it
    const int fix103 = rowOf(103, kTrendFixColour);
    EXPECT_NEAR(fix103, p.percentTop, 3);
    const int fix100 = rowOf(100, kTrendFixColour);
    EXPECT_NEAR(fix100, (p.percentTop + p.percentBottom) / 2.0, 3);
    EXPECT_EQ(trendMetresTop(0.03), 0.05);
    EXPECT_EQ(trendMetresTop(0.05), 0.05);
    EXPECT_EQ(trendMetresTop(1.2), 2.0);
    EXPECT_EQ(trendMetresTop(0), 1.0);
}

// Real logs in place: whatever they hold, the history keeps each log's
// records across its slices and every figure is a number or null.
TEST(HistoryRealLogs, HonestyFiguresNeedATruth)
{
    // A u-blox F9P's NMEA with GST sigmas and no RTK fix: its averaged
    // truth is undefined, so no epoch can be judged against its sigmas.
    const fs::path log =
        fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs" / "gpsd-ublox-zed-f9p-nmea.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "no real log " << log;
    }
    const fs::path history = fs::temp_directory_path() / ("gnsslog-history-truth-" + std::to_string(getpid()) + ".sqlite");
    fs::remove(history);
    ASSERT_EQ(runReportTool({"--format", "nmea", "--history", history.string(), log.string()}).status, 0);
    ASSERT_EQ(runReportTool({"--format", "nmea", "--truth", "manual", "--manual-geodetic", "-45.8775672",
                             "170.5001117", "16.0", "--history", history.string(), log.string()})
                  .status,
              0);
    const nlohmann::json slices =
        nlohmann::json::parse(runReportTool({"--json", "--history-report", history.string()}).out)["slices"];
    fs::remove(history);
    ASSERT_EQ(slices.size(), 2u);
    EXPECT_TRUE(slices[0]["within1Sigma"].is_null()) << slices[0];
    ASSERT_TRUE(slices[1]["within1Sigma"].is_number()) << slices[1];
    EXPECT_GT(slices[1]["within1Sigma"].get<double>(), 0.0);
}

TEST(HistoryRealLogs, EachLogsSlicesAddUpToItsRecords)
{
    const fs::path dir = fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
    if (!fs::is_directory(dir)) {
        GTEST_SKIP() << "no real logs at " << dir;
    }
    const fs::path history = fs::temp_directory_path() / ("gnsslog-history-real-" + std::to_string(getpid()) + ".sqlite");
    fs::remove(history);
    std::vector<std::string> logs;
    for (const char* name : {"gpsd-nmea-rtk.log", "gpsd-ublox-zed-f9p-nmea.log", "allenhsu6-nmea.txt"}) {
        if (fs::exists(dir / name)) {
            logs.push_back((dir / name).string());
        }
    }
    if (logs.empty()) {
        GTEST_SKIP() << "none of the NMEA logs in " << dir;
    }
    std::vector<std::string> args{"--json", "--format", "nmea", "--history", history.string()};
    args.insert(args.end(), logs.begin(), logs.end());
    const ToolRun run = runReportTool(args);
    ASSERT_TRUE(run.status == 0 || run.status == 1) << run.err;
    const nlohmann::json comparison = nlohmann::json::parse(run.out).at("comparison").at("logs");
    const ToolRun report = runReportTool({"--json", "--history-report", history.string()});
    fs::remove(history);
    ASSERT_EQ(report.status, 0) << report.err;
    std::map<std::string, std::int64_t> records;
    const nlohmann::json doc = nlohmann::json::parse(report.out);
    for (const nlohmann::json& slice : doc["slices"]) {
        records[slice["source"].get<std::string>()] += slice["records"].get<std::int64_t>();
        for (const char* figure : {"h50", "h95", "v95", "availability", "timeToFirstFix"}) {
            EXPECT_TRUE(slice[figure].is_null() || slice[figure].is_number()) << figure;
        }
        const double share = slice["fixShare"].get<double>();
        EXPECT_TRUE(share >= 0.0 && share <= 1.0);
        EXPECT_EQ(slice["day"].get<std::string>().size(), 10u);
    }
    for (const nlohmann::json& row : comparison) {
        EXPECT_EQ(records[row["file"].get<std::string>()], row["figures"]["records"].get<std::int64_t>())
            << row["file"];
    }
}

}  // namespace
}  // namespace gnsslog
