// Files that are cut short, vanish, change under the analysis or are not
// files at all. Each gives a clear openError or an analysis of what could
// be read (possibly "No records" for the main window), never a crash or a
// hang. Non-regular files (directories, devices, FIFOs, sockets) are
// refused before anything is read: a FIFO is opened without blocking and
// then refused, since it has no size to measure and may never end.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "log/Gpslog.h"
#include "log/formats/Framers.h"
#include "tests/core/pipeline_test_support.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using testing::sameAnalysis;
using testing::TempFile;

GNSSLog analyse(const std::string& path, bool navcom, ProgressCallback progress = nullptr)
{
    return GNSSLog(path.c_str(), progress, true, navcom, TruthMode::Averaged, 0, 0, 0);
}

std::string smallLog(LogFormat format, std::uint64_t seed)
{
    GeneratorOptions options;
    options.format = format;
    options.targetBytes = 6000;
    options.seed = seed;
    return generateLog(options);
}

// A scratch directory of the test's own, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        path_ = fs::temp_directory_path() / ("gnsslog-hostile-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(serial()++));
        fs::create_directories(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    static int& serial()
    {
        static int n = 0;
        return n;
    }
    fs::path path_;
};

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

void expectOpenError(const GNSSLog& log, const std::string& path, const std::string& reason)
{
    EXPECT_TRUE(log.records.empty());
    EXPECT_NE(log.openError.find(path), std::string::npos) << log.openError;
    EXPECT_NE(log.openError.find(reason), std::string::npos) << log.openError;
}

// End of the last frame completed within log[0, cut): cut itself when the
// end-of-stream step completes one (a NavCom frame that lacks only its
// carriage return).
template <typename Sniffer>
std::size_t lastCompleteEnd(const std::string& log, std::size_t cut)
{
    Sniffer sniffer;
    std::size_t end = 0;
    for (std::size_t i = 0; i < cut; ++i) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(log[i])) == SnifferStatus::Complete) {
            end = i + 1;
        }
    }
    return sniffer.finish() == SnifferStatus::Complete ? cut : end;
}

template <typename Sniffer>
void expectCutsKeepEveryCompleteFrame(const std::string& log, bool navcom)
{
    // Every cut inside the last 400 bytes: inside frames, headers, bodies,
    // CRCs and between them.
    ASSERT_GT(log.size(), 1000u);
    std::size_t checked = 0;
    for (std::size_t cut = log.size() - 400; cut < log.size(); cut += 3) {
        const TempFile cutFile(log.substr(0, cut), "cut");
        const TempFile wholeFrames(log.substr(0, lastCompleteEnd<Sniffer>(log, cut)), "whole");
        const GNSSLog truncated = analyse(cutFile.path(), navcom);
        const GNSSLog reference = analyse(wholeFrames.path(), navcom);
        EXPECT_TRUE(truncated.openError.empty());
        std::string why;
        EXPECT_TRUE(sameAnalysis(truncated, reference, &why)) << "cut at " << cut << ": " << why;
        checked += truncated.records.empty() ? 0 : 1;
    }
    EXPECT_GT(checked, 100u);
}

TEST(HostileFiles, NavcomLogCutInTheMiddleOfAFrameKeepsEveryCompleteFrame)
{
    expectCutsKeepEveryCompleteFrame<NCTBINSniffer>(smallLog(LogFormat::Navcom, 3), true);
}

TEST(HostileFiles, NmeaLogCutInTheMiddleOfASentenceKeepsEveryCompleteSentence)
{
    expectCutsKeepEveryCompleteFrame<NMEASniffer>(smallLog(LogFormat::Nmea, 3), false);
}

TEST(HostileFiles, LogCutInsideItsFirstFrameHasNoRecordsAndNoOpenError)
{
    const std::string log = smallLog(LogFormat::Navcom, 4);
    const std::size_t first = log.find("[PVT1B]");
    ASSERT_NE(first, std::string::npos);
    const TempFile cut(log.substr(0, first + 40), "cut");
    const GNSSLog analysis = analyse(cut.path(), true);
    EXPECT_TRUE(analysis.openError.empty());
    EXPECT_TRUE(analysis.records.empty());  // the main window says "No records"
}

TEST(HostileFiles, FileThatVanishedBeforeTheAnalysisNamesItselfAndTheReason)
{
    const ScratchDir dir;
    const std::string path = dir.file("chosen.log");
    writeFile(path, smallLog(LogFormat::Navcom, 5));
    ASSERT_TRUE(fs::remove(path));  // chosen in the dialog, then deleted
    expectOpenError(analyse(path, true), path, std::strerror(ENOENT));
}

TEST(HostileFiles, FileWithoutReadPermissionNamesItselfAndTheReason)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: permission bits do not stop root from reading, so an "
                        "unreadable file cannot be made here";
    }
    const ScratchDir dir;
    const std::string path = dir.file("locked.log");
    writeFile(path, smallLog(LogFormat::Navcom, 6));
    fs::permissions(path, fs::perms::none);
    expectOpenError(analyse(path, true), path, std::strerror(EACCES));
}

TEST(HostileFiles, PathsThatNameNoReadableFileGiveOpenErrors)
{
    const ScratchDir dir;
    const std::string log = dir.file("real.log");
    writeFile(log, smallLog(LogFormat::Navcom, 7));

    const std::string dangling = dir.file("dangling.log");
    fs::create_symlink(dir.file("nothing-here"), dangling);
    expectOpenError(analyse(dangling, true), dangling, std::strerror(ENOENT));

    const std::string loop = dir.file("loop.log");
    fs::create_symlink(loop, loop);
    expectOpenError(analyse(loop, true), loop, std::strerror(ELOOP));

    const std::string underFile = log + "/inner.log";
    expectOpenError(analyse(underFile, true), underFile, std::strerror(ENOTDIR));

    const std::string tooLong = dir.file(std::string(300, 'x') + ".log");
    expectOpenError(analyse(tooLong, true), tooLong, std::strerror(ENAMETOOLONG));

    const std::string directory = dir.file("");
    expectOpenError(analyse(directory, false), directory, std::strerror(EISDIR));

    const GNSSLog empty = analyse("", false);
    EXPECT_FALSE(empty.openError.empty());
    EXPECT_TRUE(empty.records.empty());

    expectOpenError(analyse("/dev/null", false), "/dev/null", "not a regular file");

    // A symbolic link to a log is the log.
    const std::string link = dir.file("link.log");
    fs::create_symlink(log, link);
    const GNSSLog viaLink = analyse(link, true);
    EXPECT_TRUE(viaLink.openError.empty());
    EXPECT_TRUE(sameAnalysis(viaLink, analyse(log, true)));
    EXPECT_FALSE(viaLink.records.empty());
}

// Runs the analysis of path on another thread; a FIFO that blocked it
// would hang the test, so after the deadline the FIFO is opened for
// writing as well, which releases a blocked open.
void expectRefusedWithoutHanging(const std::string& path)
{
    auto result = std::async(std::launch::async, [path] { return analyse(path, false).openError; });
    if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the analysis of the FIFO " << path << " hangs";
        const int release = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
        result.wait();
        if (release >= 0) {
            ::close(release);
        }
        return;
    }
    const std::string error = result.get();
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST(HostileFiles, FifoWithoutWriterIsRefusedAtOnce)
{
    const ScratchDir dir;
    const std::string fifo = dir.file("pipe.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    expectRefusedWithoutHanging(fifo);
}

TEST(HostileFiles, FifoWithAWriterThatNeverStopsIsRefusedAtOnce)
{
    const ScratchDir dir;
    const std::string fifo = dir.file("pipe.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    // Read-write keeps a writer attached without blocking; data waits in it.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0) << std::strerror(errno);
    const std::string log = smallLog(LogFormat::Nmea, 8);
    ASSERT_GT(::write(writer, log.data(), 4000), 0);
    expectRefusedWithoutHanging(fifo);
    ::close(writer);
}

TEST(HostileFiles, SocketIsRefused)
{
    const ScratchDir dir;
    const std::string path = dir.file("s.sock");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
    const GNSSLog analysis = analyse(path, true);
    EXPECT_TRUE(analysis.records.empty());
    EXPECT_NE(analysis.openError.find(path), std::string::npos) << analysis.openError;
    ::close(s);
}

// Something done to the file right after its size is measured, from the
// first progress report (a plain function, hence the global).
std::function<void()>& onSizeMeasured()
{
    static std::function<void()> action;
    return action;
}

void actOnFirstReport(const char* phase, std::int32_t position, std::int32_t)
{
    if (std::strcmp(phase, "Reading file") == 0 && position == 0 && onSizeMeasured()) {
        onSizeMeasured()();
        onSizeMeasured() = nullptr;
    }
}

// A log of more than one read (1 MiB) so that changes reach a later read.
std::string largeLog(LogFormat format)
{
    GeneratorOptions options;
    options.format = format;
    options.targetBytes = 3 << 20;
    options.seed = 9;
    return generateLog(options);
}

TEST(HostileFiles, FileThatShrinksDuringTheAnalysisGivesTheAnalysisOfWhatIsLeft)
{
    const std::string log = largeLog(LogFormat::Navcom);
    const ScratchDir dir;
    const std::string path = dir.file("shrinking.log");
    writeFile(path, log);
    const std::size_t kept = log.size() / 3;
    onSizeMeasured() = [&] { fs::resize_file(path, kept); };
    const GNSSLog shrunk = analyse(path, true, actOnFirstReport);
    ASSERT_FALSE(onSizeMeasured());

    const TempFile reference(log.substr(0, kept), "kept");
    const GNSSLog expected = analyse(reference.path(), true);
    EXPECT_TRUE(shrunk.openError.empty());
    EXPECT_GT(expected.records.size(), 1000u);
    std::string why;
    EXPECT_TRUE(sameAnalysis(shrunk, expected, &why)) << why;
}

TEST(HostileFiles, BytesAppendedDuringTheAnalysisAreNotRead)
{
    const std::string log = largeLog(LogFormat::Nmea);
    const ScratchDir dir;
    const std::string path = dir.file("growing.log");
    writeFile(path, log);
    onSizeMeasured() = [&] {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << log.substr(0, 100000);
    };
    const GNSSLog grown = analyse(path, false, actOnFirstReport);
    ASSERT_FALSE(onSizeMeasured());
    const TempFile reference(log, "whole");
    std::string why;
    EXPECT_TRUE(sameAnalysis(grown, analyse(reference.path(), false), &why)) << why;
}

TEST(HostileFiles, FileDeletedAfterItWasOpenedIsStillReadWhole)
{
    const std::string log = largeLog(LogFormat::Navcom);
    const ScratchDir dir;
    const std::string path = dir.file("deleted.log");
    writeFile(path, log);
    const TempFile reference(log, "whole");
    onSizeMeasured() = [&] { fs::remove(path); };
    const GNSSLog deleted = analyse(path, true, actOnFirstReport);
    ASSERT_FALSE(fs::exists(path));
    std::string why;
    EXPECT_TRUE(sameAnalysis(deleted, analyse(reference.path(), true), &why)) << why;
}

}  // namespace
}  // namespace gnsslog
