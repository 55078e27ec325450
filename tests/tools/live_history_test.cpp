// A live run's monitoring history: slices written as they complete, so a
// run killed hard (SIGKILL) leaves them readable, in progress; a clean end
// leaves exactly the rows an offline --history run of the archive writes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "history/HistoryDatabase.h"
#include "history/SqliteHandles.h"
#include "tests/tools/LiveFeeders.h"
#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

extern char** environ;

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LiveHistoryTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::temp_directory_path() / ("gnsslog-live-history-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // One epoch a second with RMC dates, over midnight about halfway.
        GeneratorOptions options;
        options.format = LogFormat::Nmea;
        options.targetBytes = 150000;
        options.seed = 5;
        writeLog(options, log());
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static std::string log() { return (dir_ / "station.nmea").string(); }
    static std::string file(const std::string& name) { return (dir_ / name).string(); }

    static inline fs::path dir_;
};

std::vector<HistoryRow> rowsOf(const std::string& path)
{
    HistoryDatabase db(path, false);
    std::string error;
    std::vector<HistoryRow> rows = db.read({}, error);
    EXPECT_EQ(error, "") << path;
    return rows;
}

// What an offline run's history writes apart from when and under what
// source name: every figure of every slice, and the run's own fields.
void expectSameRows(const std::vector<HistoryRow>& live, const std::vector<HistoryRow>& offline)
{
    ASSERT_EQ(live.size(), offline.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        SCOPED_TRACE("slice " + std::to_string(i));
        const HistorySlice& a = live[i].slice;
        const HistorySlice& b = offline[i].slice;
        EXPECT_EQ(live[i].inProgress, offline[i].inProgress);
        EXPECT_EQ(live[i].dataQuality, offline[i].dataQuality);
        EXPECT_EQ(a.day, b.day);
        EXPECT_EQ(a.startSeconds, b.startSeconds);
        EXPECT_EQ(a.endSeconds, b.endSeconds);
        EXPECT_EQ(a.partial, b.partial);
        EXPECT_EQ(a.figures.records, b.figures.records);
        EXPECT_EQ(a.figures.fixShare, b.figures.fixShare);
        EXPECT_EQ(a.figures.fixLosses, b.figures.fixLosses);
        EXPECT_EQ(a.figures.timeToFirstFix, b.figures.timeToFirstFix);
        EXPECT_EQ(a.figures.horizontal50, b.figures.horizontal50);
        EXPECT_EQ(a.figures.horizontal95, b.figures.horizontal95);
        EXPECT_EQ(a.figures.vertical95, b.figures.vertical95);
        EXPECT_EQ(a.figures.availability, b.figures.availability);
        EXPECT_EQ(a.figures.wrongFixes, b.figures.wrongFixes);
        EXPECT_EQ(a.sessionFiguresKept, b.sessionFiguresKept);
        EXPECT_EQ(a.figures.sessions, b.figures.sessions);
        EXPECT_EQ(a.figures.timeToFixMedian, b.figures.timeToFixMedian);
        EXPECT_EQ(a.figures.timeToFix95, b.figures.timeToFix95);
        EXPECT_EQ(a.figures.judgedFirstFixes, b.figures.judgedFirstFixes);
        EXPECT_EQ(a.figures.wrongFirstFixes, b.figures.wrongFirstFixes);
        EXPECT_EQ(a.figures.within1Sigma, b.figures.within1Sigma);
        EXPECT_EQ(a.passes, b.passes);
        EXPECT_EQ(a.gaps, b.gaps);
        ASSERT_EQ(a.classes.size(), b.classes.size());
        for (std::size_t c = 0; c < a.classes.size(); ++c) {
            EXPECT_EQ(a.classes[c].solutionClass, b.classes[c].solutionClass);
            EXPECT_EQ(a.classes[c].epochs, b.classes[c].epochs);
            EXPECT_EQ(a.classes[c].horizontal95, b.classes[c].horizontal95);
        }
        ASSERT_EQ(a.verdicts.size(), b.verdicts.size());
        for (std::size_t v = 0; v < a.verdicts.size(); ++v) {
            EXPECT_EQ(a.verdicts[v].value, b.verdicts[v].value);
            EXPECT_EQ(a.verdicts[v].verdict, b.verdicts[v].verdict);
        }
    }
}

// The runs table's fields a run states about itself, and how many rows.
std::string runFields(const std::string& path)
{
    SqliteConnection db;
    EXPECT_EQ(db.open(path, false, 1000), "");
    SqliteStatement select(db, "SELECT slice_seconds, requirements, truth, in_progress FROM runs");
    std::string fields;
    while (select.step()) {
        fields += std::to_string(select.real(0)) + "|" + select.text(1) + "|" + select.text(2) + "|" +
                  std::to_string(select.integer(3)) + "\n";
    }
    return fields;
}

TEST_F(LiveHistoryTest, CleanEndHoldsWhatAnOfflineRunOfTheArchiveHolds)
{
    const std::string bytes = readWholeFile(log());
    // About two seconds of sending: several analyses see slices complete.
    const LoopbackReplayer replayer(std::vector<std::string>{bytes}, 2048, 25ms);
    const std::string archive = file("clean.archive");
    const std::string live = file("clean-live.sqlite");
    const std::vector<std::string> options{"--format", "nmea", "--split", "2s", "--require", "fix>=50%"};

    // Watches the file while the run writes it: slices show before the end.
    std::atomic<bool> running{true};
    std::atomic<bool> seenInProgress{false};
    std::thread watcher([&] {
        while (running && !seenInProgress) {
            if (fs::exists(live) && fs::file_size(live) > 0) {
                for (const HistoryRow& row : rowsOf(live)) {
                    seenInProgress = seenInProgress || row.inProgress;
                }
            }
            std::this_thread::sleep_for(50ms);
        }
    });
    std::vector<std::string> args{replayer.url(), "--every", "200ms", "--duration", "4s",
                                  "--archive", archive, "--history", live};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = runReportTool(args);
    running = false;
    watcher.join();
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(readWholeFile(archive), bytes);
    EXPECT_TRUE(seenInProgress) << "no slice was written before the end";

    const std::string offline = file("clean-offline.sqlite");
    std::vector<std::string> offlineArgs{"--history", offline, archive};
    offlineArgs.insert(offlineArgs.end(), options.begin(), options.end());
    const ToolRun offlineRun = runReportTool(offlineArgs);
    ASSERT_EQ(offlineRun.err, "");

    const std::vector<HistoryRow> liveRows = rowsOf(live);
    const std::vector<HistoryRow> offlineRows = rowsOf(offline);
    ASSERT_GT(offlineRows.size(), 10u);
    expectSameRows(liveRows, offlineRows);
    for (const HistoryRow& row : liveRows) {
        EXPECT_EQ(row.source, replayer.url());
        EXPECT_EQ(row.runId, liveRows.front().runId);
    }
    EXPECT_EQ(runFields(live), runFields(offline));
}

// Runs the tool as a process of its own, output into a file.
pid_t startReportProcess(const std::vector<std::string>& args, const std::string& output)
{
    std::vector<std::string> all{GNSSLOG_REPORT_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

TEST_F(LiveHistoryTest, HardKillLeavesTheCompletedSlicesReadable)
{
    const std::string bytes = readWholeFile(log());
    // Sent over some ten seconds; the run has no end of its own.
    const LoopbackReplayer replayer(std::vector<std::string>{bytes}, 1024, 60ms);
    const std::string archive = file("killed.archive");
    const std::string history = file("killed.sqlite");
    const pid_t pid = startReportProcess({replayer.url(), "--format", "nmea", "--split", "2s",
                                          "--every", "200ms", "--archive", archive, "--history", history},
                                         file("killed.out"));
    ASSERT_GT(pid, 0);
    // Killed as soon as slices are in the file: mid-run, as the run has no
    // end of its own.
    std::size_t written = 0;
    for (auto deadline = std::chrono::steady_clock::now() + 60s;
         written == 0 && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(100ms);
        if (fs::exists(history) && fs::file_size(history) > 0) {
            written = rowsOf(history).size();
        }
    }
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << readWholeFile(file("killed.out"));
    ASSERT_GT(written, 0u) << readWholeFile(file("killed.out"));

    const ToolRun report = runReportTool({"--history-report", history, "--json"});
    ASSERT_EQ(report.status, 0) << report.err;
    const nlohmann::json slices = nlohmann::json::parse(report.out)["slices"];
    ASSERT_GE(slices.size(), written);
    const ToolRun text = runReportTool({"--history-report", history});
    EXPECT_NE(text.out.find("(in progress)"), std::string::npos) << text.out;

    // Each slice written holds what the archive holds of it: it was complete.
    const std::string offline = file("killed-offline.sqlite");
    ASSERT_EQ(runReportTool({"--format", "nmea", "--split", "2s", "--history", offline, archive}).err, "");
    std::map<double, std::int64_t> archived;
    for (const HistoryRow& row : rowsOf(offline)) {
        archived[row.slice.startSeconds] = row.slice.figures.records;
    }
    for (const nlohmann::json& slice : slices) {
        EXPECT_TRUE(slice["inProgress"].get<bool>());
        EXPECT_TRUE(slice["runDataQuality"].is_null());
        const double start = slice["start"].get<double>();
        ASSERT_EQ(archived.count(start), 1u) << start;
        EXPECT_EQ(slice["records"].get<std::int64_t>(), archived[start]) << start;
        EXPECT_GT(archived.rbegin()->first, start) << "the slice in progress was written";
    }
}

}  // namespace
}  // namespace gnsslog
