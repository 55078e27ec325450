// Wrong fixes on small hand-made analyses whose answers are worked out by
// hand.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "log/Gpslog.h"
#include "metrics/WrongFixes.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::kTruthZ;
using metrics_test::kXYZ;
using metrics_test::manualLog;

TEST(WrongFixes, ThresholdIsStrictAndSpansMergeAdjacentEpochs)
{
    GNSSLog log = manualLog();
    const double threshold = 0.125;
    auto push = [&](std::uint8_t type, double dx, double dy, double dz, double t,
                    std::uint32_t flags = kXYZ) {
        GNSSRecord r = epoch(type, dx, dy, dz, flags);
        r.time = t;
        log.records.push_back(r);
    };
    push(FixType::RtkFixed, 0, 0, 0.125, 10);            // 0: at threshold, not wrong
    push(FixType::RtkFixed, 0, 0, 0.25, 11);             // 1: wrong (vertical)
    push(FixType::RtkFixed, 0.375, 0.5, 0, 12);          // 2: wrong (horizontal 0.625)
    push(FixType::RtkFloat, 5, 5, 5, 13);                // 3: not fixed, ends the span
    push(FixType::RtkFixed, 0, 0, -0.5, 14);             // 4: wrong
    push(FixType::RtkFixed, 0.0625, 0, -0.125, 15);      // 5: both within, vertical at threshold
    push(FixType::RtkFixed, 0, 0, 0, 16, 0);             // 6: cannot be judged, ends the span
    push(FixType::RtkFixed, 0, 0, 9, 16.5, ValidFlag::Grid);  // 7: height not valid, not wrong
    push(FixType::RtkFixed, 0, 0, 0, 17);                // 8: fine
    GNSSRecord last = epoch(FixType::RtkFixed, 0, 0, 0);
    // 9: one unit in the last place beyond the threshold, wrong
    last.height = std::nextafter(kTruthZ - 0.125, 0.0);
    last.time = 18;
    log.records.push_back(last);

    const WrongFixes wf = findWrongFixes(log, threshold);
    EXPECT_EQ(wf.fixedEpochs, 8U);  // all fixed except index 6
    EXPECT_EQ(wf.wrongEpochs, 4U);
    EXPECT_DOUBLE_EQ(wf.share, 0.5);
    ASSERT_EQ(wf.spans.size(), 3U);
    EXPECT_EQ(wf.spans[0].firstIndex, 1U);
    EXPECT_EQ(wf.spans[0].epochCount, 2U);
    EXPECT_EQ(wf.spans[0].startTime, 11.0);
    EXPECT_EQ(wf.spans[0].endTime, 12.0);
    EXPECT_EQ(wf.spans[0].maxHorizontal, 0.625);
    EXPECT_EQ(wf.spans[0].maxVertical, 0.25);
    EXPECT_EQ(wf.spans[1].firstIndex, 4U);
    EXPECT_EQ(wf.spans[1].maxVertical, 0.5);
    EXPECT_EQ(wf.spans[2].firstIndex, 9U);
    EXPECT_EQ(wf.spans[2].startTime, 18.0);
}

TEST(WrongFixes, HorizontalErrorExactlyAtTheThresholdIsNotWrong)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFixed, 0.375, 0.5, 0));  // 0.625
    GNSSRecord above = epoch(FixType::RtkFixed, 0.375, 0.5, 0);
    above.localY = std::nextafter(above.localY, 3e6);  // one ulp further out
    log.records.push_back(above);
    const WrongFixes wf = findWrongFixes(log, 0.625);
    EXPECT_EQ(wf.wrongEpochs, 1U);
    ASSERT_EQ(wf.spans.size(), 1U);
    EXPECT_EQ(wf.spans[0].firstIndex, 1U);
}

TEST(WrongFixes, NoFixedEpochsGiveZeroShare)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFloat, 5, 5, 5));
    const WrongFixes wf = findWrongFixes(log, kDefaultWrongFixThreshold);
    EXPECT_EQ(wf.fixedEpochs, 0U);
    EXPECT_EQ(wf.share, 0.0);
    EXPECT_TRUE(wf.spans.empty());
}
}  // namespace
}  // namespace gnsslog
