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

TEST(TrackFigures, SpeedBandsPerClassTakeEachSpeedIntoTheBandItStarts)
{
    const struct {
        std::uint8_t fixType;
        double speed;  // metres per second
        double east;   // metres
    } epochs[] = {
        {FixType::RtkFixed, 0, 0.01},
        {FixType::RtkFixed, 0.99, 0.02},
        {FixType::RtkFixed, 1, 0.03},  // a band's start belongs to it
        {FixType::RtkFixed, 30, 0.04},
        {FixType::RtkFloat, 4.9, 0.5},
        {FixType::RtkFloat, 15, 0.6},
        {FixType::RtkFloat, 200, 0.7},
        {FixType::StandAlone, std::nan(""), 9},  // no speed: in no band
    };
    std::vector<GNSSRecord> records;
    TruthMatch match;
    for (const auto& e : epochs) {
        GNSSRecord record;
        record.fixType = e.fixType;
        records.push_back(record);
        RecordTruth truth;
        truth.hasPosition = true;
        truth.error.east = e.east;
        truth.error.speed = e.speed;
        match.records.push_back(truth);
    }
    const auto figures = trackFiguresByClass(records, match);
    const auto counts = [](const SpeedBands& bands) {
        std::vector<std::size_t> n;
        for (const SpeedBandFigures& band : bands) {
            n.push_back(band.horizontal.count);
        }
        return n;
    };
    const SpeedBands& fixed = figures[static_cast<std::size_t>(SolutionClass::RtkFixed)].speedBands;
    EXPECT_EQ(counts(fixed), (std::vector<std::size_t>{2, 1, 0, 0, 1}));
    EXPECT_EQ(fixed[0].horizontal.p95, 0.02);
    EXPECT_EQ(fixed[4].horizontal.p95, 0.04);
    const SpeedBands& floating = figures[static_cast<std::size_t>(SolutionClass::RtkFloat)].speedBands;
    EXPECT_EQ(counts(floating), (std::vector<std::size_t>{0, 1, 0, 1, 1}));
    EXPECT_EQ(floating[3].horizontal.p95, 0.6);
    const SpeedBands& single = figures[static_cast<std::size_t>(SolutionClass::Other)].speedBands;
    EXPECT_EQ(counts(single), (std::vector<std::size_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(figures[static_cast<std::size_t>(SolutionClass::Other)].matched, 1u);
    // Every class together: the bands of the whole match.
    const SpeedBands& all = figures[kAllClassIndex].speedBands;
    const SpeedBands whole = speedBandFigures(match);
    EXPECT_EQ(counts(all), (std::vector<std::size_t>{2, 2, 0, 1, 2}));
    EXPECT_EQ(counts(whole), counts(all));
    for (std::size_t b = 0; b < all.size(); ++b) {
        EXPECT_EQ(all[b].horizontal.p95, whole[b].horizontal.p95) << b;
        EXPECT_EQ(all[b].from, kSpeedBandStarts[b]);
    }
    EXPECT_TRUE(std::isinf(all.back().to));
}

}  // namespace
}  // namespace gnsslog
