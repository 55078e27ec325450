// Progress reporting of the pipeline: the tick counter, the 300 ms throttle
// with its unsigned 32-bit differences, the phase sequence of whole runs,
// and the KiB scaling of files beyond the callback's 32-bit range.
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "platform/TickCounter.h"
#include "tests/core/pipeline_test_support.h"

namespace gnsslog {
namespace {

using testing::kLlkFixed;
using testing::llk;
using testing::ProgressCall;
using testing::recordedCalls;
using testing::recordProgress;
using testing::StepClock;
using testing::TempFile;

std::uint32_t fixedTick() { return 4242; }

TEST(TickCounter, SourceIsReplaceableAndNullRestoresTheSystemClock)
{
    const TickSource original = setTickSource(&fixedTick);
    EXPECT_EQ(tickCountMs(), 4242u);
    EXPECT_EQ(setTickSource(nullptr), &fixedTick);
    const std::uint32_t system = systemTickCountMs();
    EXPECT_LT(static_cast<std::uint32_t>(tickCountMs() - system), 1000u);  // the system clock again
    EXPECT_EQ(setTickSource(original), &systemTickCountMs);
}

TEST(TickCounter, KeepsPaceWithTheSteadyClockInMilliseconds)
{
    // The tick reads lie inside the steady clock's interval; the coarse
    // clock's few milliseconds of resolution fit well within 20 ms. A frozen
    // or second-based counter would be 200 ms off.
    using namespace std::chrono;
    const auto steadyBefore = steady_clock::now();
    const std::uint32_t before = tickCountMs();
    std::this_thread::sleep_for(milliseconds(200));
    const std::uint32_t after = tickCountMs();
    const auto steadyAfter = steady_clock::now();
    const auto steadyMs = duration_cast<milliseconds>(steadyAfter - steadyBefore).count();
    const auto tickMs = static_cast<std::uint32_t>(after - before);  // unsigned: fine across a wrap
    ASSERT_GE(steadyMs, 200);
    EXPECT_NEAR(static_cast<double>(tickMs), static_cast<double>(steadyMs), 20.0);
}

const std::vector<ProgressCall> kSortingAndDone = {
    {"Sorting histograms", 0, 5}, {"Sorting histograms", 1, 5}, {"Sorting histograms", 2, 5},
    {"Sorting histograms", 3, 5}, {"Sorting histograms", 4, 5}, {"All done!", 5, 5}};

std::vector<ProgressCall> runNmea(const std::string& content)
{
    const TempFile file(content);
    recordedCalls().clear();
    const GNSSLog analysis(file.c_str(), recordProgress, false, false, 0, 0, 0, 0);
    return recordedCalls();
}

TEST(PipelineProgress, EmptyFileReportsEveryUntimedPhase)
{
    const StepClock clock(0, 1000);  // a timed report would go out at once
    std::vector<ProgressCall> expected = {{"Reading file", 0, 0}, {"Calculating", 0, 0}};
    expected.insert(expected.end(), kSortingAndDone.begin(), kSortingAndDone.end());
    EXPECT_EQ(runNmea(""), expected);
}

TEST(PipelineProgress, TimedReportsComeOnlyAfterMoreThan300Milliseconds)
{
    // Three records in one block; the clock advances 200 ms per reading.
    // Block 0 at 200: 200 - 0 is not > 300. Record 1 at 400: reported,
    // interval restarts at 600. Record 2 at 800: no. Record 3 at 1000:
    // reported. The untimed reports neither read nor restart the clock.
    const StepClock clock(0, 200);
    const std::string log = llk(1, 1, 2, 3, kLlkFixed) + llk(2, 1, 2, 3, kLlkFixed) +
                            llk(3, 1, 2, 3, kLlkFixed);
    const std::int32_t size = static_cast<std::int32_t>(log.size());
    std::vector<ProgressCall> expected = {{"Reading file", 0, size},
                                          {"Calculating", 0, 3},
                                          {"Calculating...", 1, 3},
                                          {"Calculating...", 3, 3}};
    expected.insert(expected.end(), kSortingAndDone.begin(), kSortingAndDone.end());
    EXPECT_EQ(runNmea(log), expected);
}

TEST(PipelineProgress, LastReportStartsAtZeroAndIsSharedByThePhases)
{
    // A clock that never moves, at 1000: the first block is reported
    // (1000 - 0 > 300) and nothing after it, in any phase.
    const StepClock clock(1000, 0);
    std::string log;
    while (log.size() < 3000) {
        log += llk(10, 1, 2, 3, kLlkFixed);
    }
    const std::vector<ProgressCall> calls = runNmea(log);
    const std::int32_t size = static_cast<std::int32_t>(log.size());
    const std::int32_t records = static_cast<std::int32_t>(log.size() / llk(10, 1, 2, 3, 3).size());
    std::vector<ProgressCall> expected = {
        {"Reading file", 0, size}, {"Reading file", 0, size}, {"Calculating", 0, records}};
    expected.insert(expected.end(), kSortingAndDone.begin(), kSortingAndDone.end());
    EXPECT_EQ(calls, expected);
}

TEST(PipelineProgress, StrictlyMoreThan300MillisecondsIsNeeded)
{
    // 150 ms per reading: block 0 at 150, block 1 at 300 (not > 300),
    // block 2 at 450 reported, restart at 600; record 1 at 750, record 2
    // at 900 (300 is not enough), record 3 at 1050 reported, and so on.
    const StepClock clock(0, 150);
    std::string log;
    while (log.size() < 2100) {
        log += llk(10, 1, 2, 3, kLlkFixed);
    }
    ASSERT_LE(log.size(), 3072u);
    const std::vector<ProgressCall> calls = runNmea(log);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1], (ProgressCall{"Reading file", 2048, static_cast<std::int32_t>(log.size())}));
    EXPECT_EQ(calls[2].phase, "Calculating");
    // After each report the restart reading and two more pass before the
    // next report: records 3, 6, 9, ...
    std::vector<std::int32_t> positions;
    for (const ProgressCall& c : calls) {
        if (c.phase == "Calculating...") {
            positions.push_back(c.position);
        }
    }
    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(positions[0], 3);
    EXPECT_EQ(positions[1], 6);
    EXPECT_EQ(positions[2], 9);
}

TEST(PipelineProgress, TickCounterWrapIsMeasuredWithUnsignedDifferences)
{
    // Start 512 ms before the wrap. Block 0 at 2^32 - 312: far from 0, so
    // reported; restart at 2^32 - 112. Record 1 at 88 (wrapped): 200 ms,
    // no. Record 2 at 288: 400 ms, reported; restart at 488. Record 3 at
    // 688: 200 ms, no.
    const StepClock clock(0xFFFFFE00u, 200);
    const std::string log = llk(1, 1, 2, 3, kLlkFixed) + llk(2, 1, 2, 3, kLlkFixed) +
                            llk(3, 1, 2, 3, kLlkFixed);
    const std::int32_t size = static_cast<std::int32_t>(log.size());
    std::vector<ProgressCall> expected = {{"Reading file", 0, size},
                                          {"Reading file", 0, size},
                                          {"Calculating", 0, 3},
                                          {"Calculating...", 2, 3}};
    expected.insert(expected.end(), kSortingAndDone.begin(), kSortingAndDone.end());
    EXPECT_EQ(runNmea(log), expected);
}

TEST(PipelineProgress, BlockOffsetsAreReportedForAFileNotAMultipleOf1024)
{
    const StepClock clock(0, 1000);  // every timed check reports
    std::string log;
    while (log.size() < 2500) {
        log += llk(10, 1, 2, 3, kLlkFixed);
    }
    const std::vector<ProgressCall> calls = runNmea(log);
    const std::int32_t size = static_cast<std::int32_t>(log.size());
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0], (ProgressCall{"Reading file", 0, size}));
    EXPECT_EQ(calls[1], (ProgressCall{"Reading file", 0, size}));
    EXPECT_EQ(calls[2], (ProgressCall{"Reading file", 1024, size}));
    EXPECT_EQ(calls[3], (ProgressCall{"Reading file", 2048, size}));
    EXPECT_EQ(calls[4].phase, "Calculating");
}

TEST(ProgressThrottle, NullCallbackIsAllowed)
{
    const StepClock clock(0, 1000);
    ProgressThrottle throttle(nullptr);
    throttle.report("Reading file", 0, 1);
    throttle.timedReport("Reading file", 0, 1);
    throttle.timedReport("Reading file", 1, 1);
}

TEST(ReadProgressScale, SizesWithinInt32AreReportedInBytes)
{
    const std::uint64_t size = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(scaledReadProgress(size, size), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(scaledReadProgress(1024 * 7, size), 1024 * 7);
    EXPECT_EQ(scaledReadProgress(0, 0), 0);
    EXPECT_EQ(scaledReadProgress(3000, 3000), 3000);
}

TEST(ReadProgressScale, LargerSizesAreReportedInKiBSoTheBarStillMoves)
{
    const std::uint64_t threeGiB = std::uint64_t{3} << 30;
    EXPECT_EQ(scaledReadProgress(threeGiB, threeGiB), 3 * 1024 * 1024);
    EXPECT_EQ(scaledReadProgress(std::uint64_t{2} << 30, threeGiB), 2 * 1024 * 1024);
    EXPECT_EQ(scaledReadProgress(1023, threeGiB), 0);
    const std::uint64_t justOver = std::uint64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    EXPECT_EQ(scaledReadProgress(justOver, justOver), 2 * 1024 * 1024);
    // Beyond 2 TiB even KiB do not fit: the values stick at the limit and
    // never exceed the total.
    const std::uint64_t huge = std::uint64_t{1} << 50;
    EXPECT_EQ(scaledReadProgress(huge, huge), std::numeric_limits<std::int32_t>::max());
    EXPECT_LE(scaledReadProgress(huge - 1024, huge), scaledReadProgress(huge, huge));
}

TEST(ReadProgressScale, CountsAreClampedToTheCallbackRange)
{
    EXPECT_EQ(clampedProgressCount(12), 12);
    EXPECT_EQ(clampedProgressCount(std::uint64_t{1} << 40), std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace gnsslog
