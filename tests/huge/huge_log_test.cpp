// A NavCom log larger than 4 GiB, written to a temporary file and analysed
// with KKJ on: the counts match what the generator wrote, and the progress
// reports stay consistent although the file size does not fit the
// callback's 32-bit total (it is reported in KiB).
//
// The file goes to $GNSSLOG_HUGE_DIR when set, otherwise to the build
// directory, and is removed afterwards whatever happens (and before the
// run, in case a killed run left one behind). Without room for it the test
// is skipped.
//
// Content: one session of about 256 MiB from the sample generator, with a
// high share of other messages as from a receiver that also logs its
// channel status (so 4 GiB hold about seven million records, not twenty
// million), written seventeen times over, as a logger appending the same
// survey day after day would. Generating 4 GiB afresh would cost half a
// minute of CPU; writing copies costs what the disk costs. Each copy
// repeats its predecessor's times, so the expected counts and times follow
// from the generator's statistics for one session and the times of its
// first and last record.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <sys/statvfs.h>

#include "log/Gpslog.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kTargetBytes = (std::uint64_t{4} << 30) + (std::uint64_t{64} << 20);
constexpr std::uint64_t kSessionBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kMarginBytes = std::uint64_t{1} << 30;

struct Report {
    std::string phase;
    std::int32_t position;
    std::int32_t total;
};

std::vector<Report>& reports()
{
    static std::vector<Report> all;
    return all;
}

void recordReport(const char* phase, std::int32_t position, std::int32_t total)
{
    reports().push_back({phase, position, total});
}

class RemovedFile {
public:
    explicit RemovedFile(fs::path path) : path_(std::move(path)) { remove(); }
    RemovedFile(const RemovedFile&) = delete;
    RemovedFile& operator=(const RemovedFile&) = delete;
    ~RemovedFile() { remove(); }
    const fs::path& path() const { return path_; }

private:
    void remove() noexcept
    {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    fs::path path_;
};

fs::path hugeDirectory()
{
    const char* dir = std::getenv("GNSSLOG_HUGE_DIR");
    return dir != nullptr && *dir != '\0' ? fs::path(dir) : fs::path(GNSSLOG_BINARY_DIR);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Writes copies of session to path; false (with the reason) when it
// cannot be written.
bool writeCopies(const std::string& session, std::uint64_t copies, const fs::path& path,
                 std::string& error)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (std::uint64_t i = 0; ok && i < copies; ++i) {
        ok = std::fwrite(session.data(), 1, session.size(), out) == session.size();
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

TEST(HugeLog, NavcomLogOver4GiBCountsEveryRecordWithConsistentProgress)
{
    const fs::path dir = hugeDirectory();
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(dir.c_str(), &disk), 0) << dir << ": " << std::strerror(errno);
    const std::uint64_t available = std::uint64_t{disk.f_bavail} * disk.f_frsize;
    if (available < kTargetBytes + kMarginBytes) {
        GTEST_SKIP() << "not enough disk space in " << dir << " for a "
                     << (kTargetBytes >> 20) << " MiB log: " << (available >> 20)
                     << " MiB available, " << ((kTargetBytes + kMarginBytes) >> 20)
                     << " MiB needed (set GNSSLOG_HUGE_DIR to use another directory)";
    }
    const RemovedFile file(dir / "gnsslog_huge_test.log");

    GeneratorOptions options;
    options.format = LogFormat::Navcom;
    options.targetBytes = kSessionBytes;
    options.seed = 4242;
    options.noiseShare = 0.8;
    // Saturday noon: the time of week wraps within the session.
    options.startMs = (6 * 86400 + 12 * 3600) * std::int64_t{1000};
    const auto generationStart = std::chrono::steady_clock::now();
    GeneratorStats session;
    const std::string log = generateLog(options, &session);
    const std::uint64_t copies = kTargetBytes / log.size() + 1;
    std::string error;
    ASSERT_TRUE(writeCopies(log, copies, file.path(), error)) << error;
    const double generationSeconds = secondsSince(generationStart);
    const std::uint64_t size = fs::file_size(file.path());
    ASSERT_EQ(size, copies * session.bytes);
    ASSERT_GT(size, std::uint64_t{4} << 30);

    // The session starts without a fix (the generator's first spell is
    // stand-alone), so a copy adds a fix loss where the one before it
    // ended fixed. Times: the session's own wraps (the time of week wraps
    // on Sunday, which the pipeline takes as one day) shift each copy by
    // that many days, plus one more when the copy starts more than 100 s
    // before its predecessor ended.
    ASSERT_GT(session.validRecords, 1000u);
    const GNSSLog one = [&] {
        const RemovedFile single(dir / "gnsslog_huge_test_session.log");
        EXPECT_TRUE(writeCopies(log, 1, single.path(), error)) << error;
        return GNSSLog(single.path().c_str(), nullptr, true, true, TruthMode::Averaged, 0, 0, 0);
    }();
    ASSERT_EQ(one.records.size(), session.validRecords);
    ASSERT_NE(one.records.front().fixType, FixType::RtkFixed);
    const bool endsFixed = one.records.back().fixType == FixType::RtkFixed;
    const std::uint64_t expectedLosses =
        copies * session.fixLosses + (endsFixed ? copies - 1 : 0);
    const double sessionShift = static_cast<double>(session.dayWraps) * 86400.0;
    const bool copyWraps = !(session.startTime + sessionShift + 100.0 >= one.records.back().time);
    const double copyOffset = sessionShift + (copyWraps ? 86400.0 : 0.0);
    const double expectedEnd = session.endTime + static_cast<double>(copies - 1) * copyOffset;

    reports().clear();
    const auto analysisStart = std::chrono::steady_clock::now();
    const GNSSLog analysis(file.path().c_str(), recordReport, true, true, TruthMode::Averaged, 0,
                           0, 0);
    const double analysisSeconds = secondsSince(analysisStart);
    std::printf("[ MEASURED ] %llu bytes, %llu records: generation %.1f s, analysis %.1f s\n",
                static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(analysis.records.size()), generationSeconds,
                analysisSeconds);
    RecordProperty("generation_seconds", std::to_string(generationSeconds));
    RecordProperty("analysis_seconds", std::to_string(analysisSeconds));

    // What the generator wrote, copies times.
    EXPECT_TRUE(analysis.openError.empty()) << analysis.openError;
    ASSERT_EQ(analysis.records.size(), copies * session.validRecords);
    EXPECT_EQ(std::uint64_t(analysis.rtkFixCount), copies * session.fixedRecords);
    EXPECT_EQ(std::uint64_t(analysis.fixLostCount), expectedLosses);
    EXPECT_EQ(analysis.startTime, session.startTime);
    EXPECT_EQ(analysis.endTime, expectedEnd);
    // Every PVT1B record has a height, and KKJ gives every one a grid.
    EXPECT_EQ(std::uint64_t(analysis.histZ.sampleCount()), copies * session.fixedRecords);
    EXPECT_EQ(std::uint64_t(analysis.histX.sampleCount()), copies * session.fixedRecords);
    EXPECT_EQ(std::uint64_t(analysis.hist3DFix.sampleCount()), copies * session.fixedRecords);
    EXPECT_EQ(std::uint64_t(analysis.hist3DRtkx.sampleCount()), copies * session.rtkxRecords);
    EXPECT_GT(session.fixedRecords, session.validRecords / 4);
    EXPECT_EQ(session.dayWraps, 1u);
    // The averaged truth of identical copies is the session's (within
    // rounding of the longer sums).
    EXPECT_NEAR(analysis.avgX, one.avgX, 1e-6);
    EXPECT_NEAR(analysis.avgZ, one.avgZ, 1e-6);

    // Progress: sizes above INT32_MAX in KiB; positions within their total
    // and never stepping back within a phase ("Calculating" and its
    // "Calculating..." reports are one phase).
    const std::vector<Report>& r = reports();
    ASSERT_GE(r.size(), 8u);
    const std::int32_t sizeKiB = static_cast<std::int32_t>(size / 1024);
    const std::int32_t recordCount = static_cast<std::int32_t>(analysis.records.size());
    EXPECT_EQ(r.front().phase, "Reading file");
    EXPECT_EQ(r.front().position, 0);
    EXPECT_EQ(r.front().total, sizeKiB);
    std::size_t readingReports = 0;
    std::size_t i = 0;
    std::int32_t last = 0;
    for (; i < r.size() && r[i].phase == "Reading file"; ++i) {
        EXPECT_EQ(r[i].total, sizeKiB);
        EXPECT_GE(r[i].position, last) << "report " << i;
        EXPECT_LE(r[i].position, sizeKiB);
        last = r[i].position;
        ++readingReports;
    }
    // The reading pass takes seconds, so the 300 ms rule lets some through.
    EXPECT_GE(readingReports, 3u);
    ASSERT_LT(i, r.size());
    EXPECT_EQ(r[i].phase, "Calculating");
    EXPECT_EQ(r[i].position, 0);
    EXPECT_EQ(r[i].total, recordCount);
    last = 0;
    for (++i; i < r.size() && r[i].phase == "Calculating..."; ++i) {
        EXPECT_EQ(r[i].total, recordCount);
        EXPECT_GE(r[i].position, last);
        EXPECT_LE(r[i].position, recordCount);
        EXPECT_GE(r[i].position, 1);
        last = r[i].position;
    }
    for (std::int32_t h = 0; h < 5; ++h, ++i) {
        ASSERT_LT(i, r.size());
        EXPECT_EQ(r[i].phase, "Sorting histograms");
        EXPECT_EQ(r[i].position, h);
        EXPECT_EQ(r[i].total, 5);
    }
    ASSERT_EQ(i + 1, r.size());
    EXPECT_EQ(r[i].phase, "All done!");
    EXPECT_EQ(r[i].position, 5);
    EXPECT_EQ(r[i].total, 5);
}

}  // namespace
}  // namespace gnsslog
