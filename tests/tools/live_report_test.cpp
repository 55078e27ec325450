// The report tool on live sources: real logs replayed over loopback TCP
// with a drop mid-sentence, a file appended in irregular chunks, a
// pseudo-terminal standing in for a serial port. For each, every byte sent
// is in the archive in order, the final report is the offline report of
// the archive apart from the live session's fields, and drops are counted.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "live/SerialSource.h"
#include "tests/tools/LiveFeeders.h"
#include "tests/tools/ReportRun.h"
#include "tools/report/options/LiveOptions.h"
#include "tools/report/runs/Report.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LiveReport : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("gnsslog-live-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    static std::string realLog(const std::string& name)
    {
        const fs::path path = realLogFolder() / name;
        return fs::exists(path) ? path.string() : std::string();
    }

    fs::path dir_;
};

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// A live run's output split into its periodic lines, the final session
// object and the offline report (the JSON document without its "live"
// member, or the summary texts after the final line).
struct LiveOutput {
    std::vector<nlohmann::json> lines;
    nlohmann::json session;
    std::string report;
};

LiveOutput splitLiveOutput(const std::string& out, bool json)
{
    LiveOutput split;
    std::vector<std::string> lines = linesOf(out);
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const nlohmann::json line = nlohmann::json::parse(lines[i], nullptr, false);
        if (line.is_discarded() || !line.contains("live") || line["live"].contains("end")) {
            break;
        }
        split.lines.push_back(line);
    }
    if (i == lines.size()) {
        return split;
    }
    if (json) {
        const std::size_t live = lines[i].rfind(",\"live\":");
        if (live == std::string::npos) {
            return split;
        }
        split.session = nlohmann::json::parse(lines[i].substr(live + 8, lines[i].size() - live - 9));
        split.report = lines[i].substr(0, live) + "}\n";
        return split;
    }
    split.session = nlohmann::json::parse(lines[i])["live"];
    for (++i; i < lines.size(); ++i) {
        split.report += lines[i] + '\n';
    }
    return split;
}

// The byte of `bytes` where a sentence or frame is half sent: 7 bytes
// after the first '$' past the middle, else the middle.
std::size_t midSentence(const std::string& bytes)
{
    const std::size_t dollar = bytes.find('$', bytes.size() / 2);
    return dollar == std::string::npos ? bytes.size() / 2 : std::min(bytes.size(), dollar + 7);
}

void expectSameAsOffline(const LiveOutput& live, const ToolRun& run, const std::vector<std::string>& offlineArgs)
{
    const ToolRun offline = runReportTool(offlineArgs);
    EXPECT_EQ(run.status, offline.status);
    EXPECT_FALSE(live.report.empty());
    EXPECT_EQ(live.report, offline.out);
}

TEST_F(LiveReport, TcpReplayWithDropArchivesEveryByteAndReportsAsOffline)
{
    struct Case {
        const char* log;
        bool json;
    };
    for (const Case& c : {Case{"allenhsu6-nmea.txt", false}, Case{"alainmuls-analysegnss-schaffen-base.sbf", true}}) {
        SCOPED_TRACE(c.log);
        const std::string path = realLog(c.log);
        if (path.empty()) {
            GTEST_SKIP() << "real logs absent: " << realLogFolder();
        }
        const std::string bytes = readWholeFile(path);
        const LoopbackReplayer replayer(bytes, midSentence(bytes), 16384, 2ms);
        const std::string archive = file(std::string(c.log) + ".archive");
        std::vector<std::string> args{replayer.url(), "--format", "auto", "--every", "500ms",
                                      "--duration", "3s", "--archive", archive};
        if (c.json) {
            args.push_back("--json");
        }
        const ToolRun run = runReportTool(args);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(readWholeFile(archive), bytes);
        const LiveOutput live = splitLiveOutput(run.out, c.json);
        ASSERT_GE(live.lines.size(), 4u) << run.out.substr(0, 2000);
        for (const nlohmann::json& line : live.lines) {
            EXPECT_TRUE(line.contains("total") && line.contains("interval") && line.contains("dataQuality"));
        }
        // The replayer closed twice and let one reconnect in.
        EXPECT_EQ(live.session["drops"], 2);
        EXPECT_EQ(live.session["reconnects"], 1);
        EXPECT_EQ(live.session["bytes"], bytes.size());
        EXPECT_EQ(live.session["end"], "duration");
        // Records are kept as they arrive: the count so far never falls.
        for (std::size_t i = 1; i < live.lines.size(); ++i) {
            EXPECT_GE(live.lines[i]["total"]["records"], live.lines[i - 1]["total"]["records"]);
        }
        std::vector<std::string> offlineArgs{"--format", "auto", archive};
        if (c.json) {
            offlineArgs.push_back("--json");
        }
        expectSameAsOffline(live, run, offlineArgs);
    }
}

TEST_F(LiveReport, LinesCarryRequirementVerdictsAndTheExitStatusIsTheArchives)
{
    const std::string path = realLog("gpsd-nmea-rtk.log");
    if (path.empty()) {
        GTEST_SKIP() << "real logs absent: " << realLogFolder();
    }
    const std::string bytes = readWholeFile(path);
    const LoopbackReplayer replayer(bytes, midSentence(bytes), 1024, 1ms);
    const std::string archive = file("rtk.archive");
    // One requirement that every log passes and one that this log fails.
    const ToolRun run = runReportTool({replayer.url(), "--format", "auto", "--every", "1s",
                                       "--duration", "2s", "--archive", archive, "--json",
                                       "--require", "records>=1,fix>=99%"});
    const LiveOutput live = splitLiveOutput(run.out, true);
    ASSERT_FALSE(live.lines.empty()) << run.out;
    const nlohmann::json& last = live.lines.back();
    ASSERT_EQ(last["requirements"].size(), 2u);
    EXPECT_EQ(last["requirements"][0]["verdict"], "PASS");
    EXPECT_EQ(last["requirements"][1]["verdict"], "FAIL");
    EXPECT_EQ(last["pass"], false);
    EXPECT_EQ(run.status, ReportExit::RequirementFailed);
    expectSameAsOffline(live, run,
                        {"--format", "auto", "--json", "--require", "records>=1,fix>=99%", archive});
}

TEST_F(LiveReport, GarbageIsAnalysedAsGarbage)
{
    std::string garbage(200000, '\0');
    std::mt19937 random(7);
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    const LoopbackReplayer replayer(garbage, 12345, 8192, 1ms);
    const std::string archive = file("garbage.archive");
    const ToolRun run = runReportTool({replayer.url(), "--format", "nmea", "--every", "1s",
                                       "--duration", "1500ms", "--archive", archive, "--json"});
    EXPECT_EQ(readWholeFile(archive), garbage);
    const LiveOutput live = splitLiveOutput(run.out, true);
    ASSERT_FALSE(live.lines.empty()) << run.out;
    EXPECT_EQ(live.lines.back()["total"]["records"], 0);
    expectSameAsOffline(live, run, {"--format", "nmea", "--json", archive});
}

TEST_F(LiveReport, SourcesThatCannotBeReadAreUsageErrorsWithoutWaiting)
{
    // A port nobody listens on: bound, then released.
    std::uint16_t closedPort = 0;
    {
        const LoopbackReplayer probe("", 0, 1, 0us);
        closedPort = probe.port();
    }
    const std::string missingDevice = file("no-such-tty");
    const std::string followed = file("rover.nmea");
    const std::string followedText = "$GPGGA,1*00\r\n";
    std::ofstream(followed, std::ios::binary) << followedText;
    struct Case {
        std::string legend;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases{
        {"refused", {"tcp://127.0.0.1:" + std::to_string(closedPort)}, "cannot connect"},
        {"no port", {"tcp://127.0.0.1"}, "port"},
        {"port out of range", {"tcp://127.0.0.1:70000"}, "port"},
        {"unknown host", {"tcp://no-such-host.invalid:2000"}, "cannot resolve"},
        {"missing serial device", {"serial:" + missingDevice + "?baud=115200"}, "cannot open serial"},
        {"bad baud", {"serial:/dev/null?baud=fast"}, "baud"},
        {"missing followed file", {"--follow", missingDevice}, "cannot open"},
        {"unwritable archive", {"tcp://127.0.0.1:1", "--archive", file("no/such/dir/a.log")}, "archive"},
        {"live option without a live source", {"--every", "1s", missingDevice}, "needs a live source"},
        {"bad duration", {"tcp://127.0.0.1:1", "--every", "soon"}, "duration"},
        {"archive is the followed file",
         {"--follow", followed, "--duration", "1s", "--archive", dir_.string() + "/./rover.nmea"},
         "is the source itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const auto start = std::chrono::steady_clock::now();
        const ToolRun run = runReportTool(c.args);
        EXPECT_EQ(run.status, ReportExit::Usage);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    }
    EXPECT_EQ(readWholeFile(followed), followedText);  // refused before anything was emptied
}

TEST_F(LiveReport, FullDiskStopsTheRunWithAMessage)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const LoopbackReplayer replayer(std::string(50000, 'x'), 25000, 4096, 1ms);
    const ToolRun run = runReportTool({replayer.url(), "--every", "1s", "--duration", "5s",
                                       "--archive", "/dev/full"});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
}

// Appends `bytes` to path in irregular chunks (1 to 3000 bytes, so most
// cuts fall inside a sentence or frame) with short pauses.
void appendInChunks(const std::string& path, const std::string& bytes, unsigned seed)
{
    std::mt19937 random(seed);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min<std::size_t>(1 + random() % 3000, bytes.size() - at);
        out.write(bytes.data() + at, static_cast<std::streamsize>(n));
        out.flush();
        at += n;
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    }
}

TEST_F(LiveReport, FollowedFileGrowingInIrregularChunksAndTruncated)
{
    const std::string path = realLog("gpsd-nmea-rtk.log");
    if (path.empty()) {
        GTEST_SKIP() << "real logs absent: " << realLogFolder();
    }
    const std::string bytes = readWholeFile(path);
    const std::size_t cut = midSentence(bytes);
    const std::string followed = file("followed.log");
    std::ofstream(followed, std::ios::binary) << bytes.substr(0, 1000);
    std::thread writer([&] {
        std::this_thread::sleep_for(300ms);
        appendInChunks(followed, bytes.substr(1000, cut - 1000), 3);
        std::this_thread::sleep_for(400ms);
        // Truncated and written again: a second segment, read from its start.
        std::ofstream(followed, std::ios::binary | std::ios::trunc).close();
        appendInChunks(followed, bytes.substr(cut), 4);
    });
    const std::string archive = file("followed.archive");
    const ToolRun run = runReportTool({"--follow", followed, "--format", "auto", "--every", "500ms",
                                       "--duration", "3s", "--archive", archive});
    writer.join();
    EXPECT_EQ(readWholeFile(archive), bytes);
    const LiveOutput live = splitLiveOutput(run.out, false);
    ASSERT_FALSE(live.lines.empty()) << run.out;
    EXPECT_EQ(live.session["segments"], 2);
    EXPECT_EQ(live.session["drops"], 0);
    expectSameAsOffline(live, run, {"--format", "auto", archive});
}

TEST_F(LiveReport, SerialPortOnAPseudoTerminal)
{
    const std::string path = realLog("gpsd-nmea-rtk.log");
    if (path.empty()) {
        GTEST_SKIP() << "real logs absent: " << realLogFolder();
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    // Raw from the start, so no byte is echoed or translated before the
    // source sets the port up itself; held open so writes never fail.
    const int slave = open(device.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    const std::string bytes = readWholeFile(path);
    std::thread writer([&] {
        std::this_thread::sleep_for(300ms);
        for (std::size_t at = 0; at < bytes.size(); at += 512) {
            const std::size_t n = std::min<std::size_t>(512, bytes.size() - at);
            if (write(master, bytes.data() + at, n) != static_cast<ssize_t>(n)) {
                break;
            }
            std::this_thread::sleep_for(1ms);
        }
    });
    const std::string archive = file("serial.archive");
    const ToolRun run = runReportTool({"serial:" + device + "?baud=115200", "--format", "auto",
                                       "--every", "500ms", "--duration", "2s", "--archive", archive});
    writer.join();
    close(slave);
    close(master);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readWholeFile(archive), bytes);
    const LiveOutput live = splitLiveOutput(run.out, false);
    ASSERT_FALSE(live.lines.empty()) << run.out;
    EXPECT_EQ(live.session["drops"], 0);
    expectSameAsOffline(live, run, {"--format", "auto", archive});
}

TEST_F(LiveReport, BusySerialPortIsAUsageError)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    std::string error;
    std::unique_ptr<ByteSource> holder = openSerialSource(device, 115200, error);
    ASSERT_TRUE(holder) << error;
    const auto start = std::chrono::steady_clock::now();
    const ToolRun run = runReportTool({"serial:" + device, "--duration", "1s"});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_NE(run.err.find("cannot open serial:" + device), std::string::npos) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);  // refused, not waited for
    holder.reset();
    close(master);
}

TEST_F(LiveReport, TerminationSignalEndsTheRunWithTheFullReport)
{
    const std::string followed = file("signalled.log");
    std::ofstream(followed, std::ios::binary) << "$GPGGA,1\r\n";
    // The handlers are in place long before: opening a file takes microseconds.
    std::thread signaller([] {
        std::this_thread::sleep_for(700ms);
        kill(getpid(), SIGTERM);
    });
    const auto start = std::chrono::steady_clock::now();
    const ToolRun run = runReportTool({"--follow", followed, "--format", "nmea", "--every", "200ms"});
    signaller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    const LiveOutput live = splitLiveOutput(run.out, false);
    EXPECT_GE(live.lines.size(), 2u) << run.out;
    EXPECT_EQ(live.session["end"], "signal");
    EXPECT_EQ(run.status, ReportExit::NoRecords);
}

TEST(LiveDuration, NumbersWithAndWithoutUnits)
{
    struct Row {
        const char* text;
        double seconds;  // 0: rejected
    };
    const Row rows[] = {
        {"10", 10},     {"1s", 1},       {"500ms", 0.5}, {"2.5", 2.5}, {"15min", 900},
        {"1h", 3600},   {"0", 0},        {"-1s", 0},     {"", 0},      {"ms", 0},
        {"10 s", 0},    {"1e400", 0},    {"soon", 0},    {"5m", 0},    {"0ms", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        double seconds = -1;
        const bool parsed = parseLiveDuration(row.text, seconds);
        EXPECT_EQ(parsed, row.seconds > 0);
        EXPECT_EQ(seconds, parsed ? row.seconds : -1);
    }
}

}  // namespace
}  // namespace gnsslog
