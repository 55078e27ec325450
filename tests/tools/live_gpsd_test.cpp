// The gpsd source: a stand-in server that speaks gpsd's greeting and
// WATCH answer (with and without raw mode, and drops between), and a real
// gpsd fed by gpsd's own gpsfake where it is installed.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "live/TcpConnect.h"
#include "tests/tools/LiveFeeders.h"
#include "tests/tools/ReportRun.h"

extern char** environ;

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What gpsd 3.22 answers a raw-mode ?WATCH, as recorded from gpsfake.
const std::string kGreeting =
    "{\"class\":\"VERSION\",\"release\":\"3.22\",\"rev\":\"3.22\",\"proto_major\":3,\"proto_minor\":14}\r\n"
    "{\"class\":\"DEVICES\",\"devices\":[{\"class\":\"DEVICE\",\"path\":\"/dev/pts/3\",\"native\":0,"
    "\"bps\":4800,\"parity\":\"N\",\"stopbits\":1,\"cycle\":1.00}]}\r\n";
const std::string kRawWatch =
    "{\"class\":\"WATCH\",\"enable\":true,\"json\":false,\"nmea\":false,\"raw\":2,\"scaled\":false,"
    "\"timing\":false,\"split24\":false,\"pps\":false}\r\n";
const std::string kJsonWatch =
    "{\"class\":\"WATCH\",\"enable\":true,\"json\":true,\"nmea\":false,\"raw\":0,\"scaled\":false}\r\n";

class LiveGpsd : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("gnsslog-live-gpsd-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

std::string gpsdUrl(std::uint16_t port) { return "gpsd://127.0.0.1:" + std::to_string(port); }

// The final session object's member, from the line before the summary texts.
std::string sessionLine(const std::string& out)
{
    const std::size_t end = out.find("\"end\":");
    if (end == std::string::npos) {
        return {};
    }
    const std::size_t start = out.rfind('\n', end);
    return out.substr(start == std::string::npos ? 0 : start + 1,
                      out.find('\n', end) - (start == std::string::npos ? 0 : start + 1));
}

std::string afterSessionLine(const std::string& out)
{
    const std::size_t end = out.find("\"end\":");
    return end == std::string::npos ? std::string() : out.substr(out.find('\n', end) + 1);
}

TEST_F(LiveGpsd, AnswersAreDroppedAndTheReceiverBytesArchivedAcrossADrop)
{
    const fs::path log = realLogFolder() / "gpsd-nmea-rtk.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "real logs absent: " << realLogFolder();
    }
    const std::string bytes = readWholeFile(log);
    const std::size_t cut = bytes.find('$', bytes.size() / 2) + 9;  // inside a sentence
    const LoopbackReplayer gpsd({kGreeting + kRawWatch + bytes.substr(0, cut),
                                 kGreeting + kRawWatch + bytes.substr(cut)},
                                700, 1ms);
    const std::string archive = file("gpsd.archive");
    const ToolRun run = runReportTool({gpsdUrl(gpsd.port()), "--format", "auto", "--every", "1s",
                                       "--duration", "2s", "--archive", archive});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readWholeFile(archive), bytes);
    const std::string session = sessionLine(run.out);
    EXPECT_NE(session.find("\"drops\":2,\"reconnects\":1"), std::string::npos) << session;
    const ToolRun offline = runReportTool({"--format", "auto", archive});
    EXPECT_EQ(afterSessionLine(run.out), offline.out);
    EXPECT_EQ(run.status, offline.status);
}

TEST_F(LiveGpsd, ServersWithoutRawModeAreUsageErrors)
{
    struct Case {
        const char* legend;
        std::string answer;
        const char* message;
    };
    const Case cases[] = {
        {"WATCH answer without raw mode", kGreeting + kJsonWatch, "speaks no raw mode"},
        {"ERROR answer", kGreeting + "{\"class\":\"ERROR\",\"message\":\"Unrecognized request\"}\r\n",
         "refused raw mode"},
        {"not gpsd at all", "$GPGGA,132829.00,4134.49937074,N*41\r\n", "is not a gpsd"},
        {"closes before answering", kGreeting, "closed the connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const LoopbackReplayer gpsd({c.answer}, 4096, 0us);
        const auto start = std::chrono::steady_clock::now();
        const ToolRun run = runReportTool({gpsdUrl(gpsd.port()), "--duration", "2s"});
        EXPECT_EQ(run.status, ReportExit::Usage);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
}

// A gpsfake in its own process group, ended with the group.
class Gpsfake {
public:
    Gpsfake(std::uint16_t port, const std::string& log)
    {
        const std::string portText = std::to_string(port);
        std::vector<std::string> args{"gpsfake", "-1", "-q", "-c", "0.01", "-P", portText, log};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        if (posix_spawnp(&pid_, "gpsfake", nullptr, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attributes);
    }
    // gpsfake does not always end on SIGTERM once its gpsd is gone, so
    // the group gets SIGKILL after a grace time.
    ~Gpsfake()
    {
        if (pid_ <= 0) {
            return;
        }
        kill(-pid_, SIGTERM);
        for (int i = 0; i < 30; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                return;
            }
            std::this_thread::sleep_for(100ms);
        }
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Gpsfake(const Gpsfake&) = delete;
    Gpsfake& operator=(const Gpsfake&) = delete;
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

bool onPath(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// True once something accepts connections on the port, within `limit`.
bool listening(std::uint16_t port, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        std::string error;
        if (const int fd = connectTcp("127.0.0.1", port, 1000ms, error); fd >= 0) {
            close(fd);
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

TEST_F(LiveGpsd, RealGpsdFedByGpsfake)
{
    const fs::path log = realLogFolder() / "gpsd-nmea-rtk.log";
    if (!onPath("gpsfake") || !onPath("gpsd")) {
        GTEST_SKIP() << "gpsd or gpsfake absent (Debian: gpsd, gpsd-clients)";
    }
    if (!fs::exists(log)) {
        GTEST_SKIP() << "real logs absent: " << realLogFolder();
    }
    std::uint16_t port = 0;
    {
        const LoopbackReplayer probe(std::vector<std::string>{}, 1, 0us);
        port = probe.port();
    }
    const Gpsfake gpsfake(port, log.string());
    ASSERT_TRUE(gpsfake.started());
    ASSERT_TRUE(listening(port, 10s)) << "gpsfake's gpsd did not listen on " << port;
    const std::string archive = file("gpsfake.archive");
    const ToolRun run = runReportTool({gpsdUrl(port), "--format", "auto", "--every", "1s",
                                       "--duration", "3s", "--archive", archive});
    EXPECT_EQ(run.err.find("gnsslog-report:"), std::string::npos) << run.err;
    // gpsd passes the sentences it read from the log, from where the
    // feeding was when the source connected: whole sentences of the log,
    // in its order, and none of gpsd's JSON.
    const std::string archived = readWholeFile(archive);
    ASSERT_FALSE(archived.empty());
    const std::string bytes = readWholeFile(log);
    std::istringstream lines(archived);
    std::size_t at = 0;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.rfind('$', 0), 0u) << line;
        at = bytes.find(line, at);
        ASSERT_NE(at, std::string::npos) << "not in the log's order: " << line;
    }
    const ToolRun offline = runReportTool({"--format", "auto", archive});
    EXPECT_EQ(afterSessionLine(run.out), offline.out);
}

}  // namespace
}  // namespace gnsslog
