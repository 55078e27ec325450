// Figures of the errors against a reference, per solution class.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "reference/TrackFigures.h"

namespace gnsslog {
namespace {

struct Epoch {
    std::uint8_t fixType;
    bool hasPosition;
    TruthCause cause;
    double north, east;
    bool hasDirection;
    double along, cross;
};

TEST(TrackFigures, PerClassOverMatchedEpochsAndAlongCrossWhereThereIsADirection)
{
    const Epoch epochs[] = {
        {FixType::RtkFixed, true, TruthCause::Matched, 3, 4, true, 1, -2},
        {FixType::RtkFixed, true, TruthCause::Matched, 0, 1, true, -1, 0},
        {FixType::RtkFixed, true, TruthCause::Matched, 0, 2, true, 3, 2},
        {FixType::RtkFixed, true, TruthCause::Matched, 0, 0.5, false, 100, 100},  // standing still
        {FixType::RtkFixed, true, TruthCause::InGap, 50, 50, true, 50, 50},
        {FixType::RtkFixed, false, TruthCause::Matched, 60, 60, true, 60, 60},  // no position
        {FixType::RtkFloat, true, TruthCause::Matched, 0, 10, true, 10, 0},
        {FixType::StandAlone, true, TruthCause::OutsideSpan, 70, 70, true, 70, 70},
    };
    std::vector<GNSSRecord> records;
    TruthMatch match;
    for (const Epoch& e : epochs) {
        GNSSRecord record;
        record.fixType = e.fixType;
        records.push_back(record);
        RecordTruth truth;
        truth.hasPosition = e.hasPosition;
        truth.cause = e.cause;
        truth.error.north = e.north;
        truth.error.east = e.east;
        truth.error.hasDirection = e.hasDirection;
        truth.error.along = e.along;
        truth.error.cross = e.cross;
        match.records.push_back(truth);
    }
    const auto figures = trackFiguresByClass(records, match);
    const TrackFigures& fixed = figures[static_cast<std::size_t>(SolutionClass::RtkFixed)];
    EXPECT_EQ(fixed.matched, 4u);
    EXPECT_EQ(fixed.horizontal.count, 4u);
    EXPECT_DOUBLE_EQ(fixed.horizontal.rms, std::sqrt((25 + 1 + 4 + 0.25) / 4));
    EXPECT_EQ(fixed.horizontal.p95, 5);
    EXPECT_EQ(fixed.along.count, 3u);
    EXPECT_DOUBLE_EQ(fixed.along.mean, 1);
    EXPECT_DOUBLE_EQ(fixed.along.rms, std::sqrt(11.0 / 3));
    EXPECT_EQ(fixed.along.p95, 3);
    EXPECT_DOUBLE_EQ(fixed.cross.mean, 0);
    EXPECT_EQ(fixed.cross.p95, 2);  // of the absolute errors
    const TrackFigures& all = figures[kAllClassIndex];
    EXPECT_EQ(all.matched, 5u);
    EXPECT_EQ(all.along.count, 4u);
    EXPECT_EQ(all.horizontal.p95, 10);
    const TrackFigures& other = figures[static_cast<std::size_t>(SolutionClass::Other)];
    EXPECT_EQ(other.matched, 0u);
    EXPECT_EQ(other.horizontal.rms, 0);
}

}  // namespace
}  // namespace gnsslog
