// Error plot series, nearest-sample lookup, view rules and scale.
//
// Analyses are built by hand with manual truth (0, 0, 0), so a record's
// X error is simply -localX and its 3-D error is the length of
// (localX, localY, height). Records carry their index in `satellites` so a
// point's sample can be traced back to the record it copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/Saturate.h"
#include "plots/series/ColumnContents.h"
#include "plots/series/ErrorSeries.h"

namespace gnsslog {
namespace {

struct Epoch {
    double time;
    double error3D;  // put into localX, so X error = -error3D
};

GNSSLog makeLog(const std::vector<Epoch>& epochs)
{
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    int index = 0;
    for (const Epoch& epoch : epochs) {
        GNSSRecord record;
        record.time = epoch.time;
        record.localX = epoch.error3D;
        record.satellites = index++;
        record.valid = 1;
        log.records.push_back(record);
    }
    if (!epochs.empty()) {
        log.startTime = epochs.front().time;
        log.endTime = epochs.back().time;
    }
    return log;
}

struct PointSummary {
    int column;
    int record;  // index of the record the sample copies
    bool operator==(const PointSummary&) const = default;
};

std::vector<PointSummary> summarise(const PointStore& store)
{
    std::vector<PointSummary> out;
    for (const PlotPoint& point : store) {
        out.push_back({point.column, point.sample.satellites});
    }
    return out;
}

// ---- building -------------------------------------------------------------

TEST(SeriesBuild, ColumnsAreTruncatedNotRounded)
{
    // Window 0..3 s over 10 columns: 1 s is column 3.33 -> 3, 2 s is 6.67 -> 6.
    // Decreasing errors keep each column's own first record the best.
    const GNSSLog log = makeLog({{0, 3}, {1, 2}, {2, 1}, {3, 0}});
    const auto store = PointStore::build(10, log, 1.5, 3);
    // Column 0 keeps record 0 (3 > 2); after a column closes the best error
    // restarts at 0, so the next record always wins the following column.
    EXPECT_EQ(summarise(*store), (std::vector<PointSummary>{{0, 0}, {3, 2}, {6, 3}}));
}

TEST(SeriesBuild, FirstRecordOfNewColumnCompetesForTheColumnItCloses)
{
    // Column 0 holds records 0 and 1; record 2 opens column 1 with a larger
    // error and is taken for column 0.
    const GNSSLog log = makeLog({{0, 1}, {0.1, 2}, {1, 5}, {2, 0}});
    const auto store = PointStore::build(100, log, 50, 100);
    ASSERT_EQ(store->pointCount(), 2u);
    EXPECT_EQ(store->points()[0].column, 0);
    EXPECT_EQ(store->points()[0].sample.satellites, 2);
}

TEST(SeriesBuild, TiesGoToTheLaterRecord)
{
    const GNSSLog log = makeLog({{0, 2}, {0.2, 2}, {0.4, 2}, {1, 1}, {2, 0}});
    const auto store = PointStore::build(100, log, 50, 100);
    ASSERT_GE(store->pointCount(), 1u);
    EXPECT_EQ(store->points()[0].sample.satellites, 2);
}

TEST(SeriesBuild, KColumnsGiveKMinusOnePointsAndTheLastColumnNone)
{
    // Two records in each of the columns 0, 10, ..., 470, one in column 480.
    std::vector<Epoch> epochs;
    for (int i = 0; i < 480; i += 10) {
        epochs.push_back({1000.0 + i, 0.01});
        epochs.push_back({1000.0 + i + 0.5, 0.01});
    }
    epochs.push_back({1480, 0.01});
    const GNSSLog log = makeLog(epochs);
    const auto store = PointStore::build(480, log, 1240, 480);
    // 49 occupied columns; the last one (column 480) gets no point.
    ASSERT_EQ(store->pointCount(), 48u);
    EXPECT_EQ(store->points().front().column, 0);
    EXPECT_EQ(store->points().back().column, 470);
    for (std::size_t i = 1; i < store->pointCount(); ++i) {
        EXPECT_LT(store->points()[i - 1].column, store->points()[i].column);
    }
}

TEST(SeriesBuild, AllRecordsInOneColumnOrNoneInTheWindowGiveAnEmptySeries)
{
    const GNSSLog log = makeLog({{1000, 1}, {1000.1, 2}, {1000.2, 3}});
    // Window 1000..2000 s over 480 columns: all three records in column 0.
    EXPECT_EQ(PointStore::build(480, log, 1500, 1000)->pointCount(), 0u);
    const auto outside = PointStore::build(480, log, 5000, 10);
    EXPECT_EQ(outside->pointCount(), 0u);
    EXPECT_EQ(outside->nearestSample(0), nullptr);
}

TEST(SeriesBuild, WindowEdgesAreColumnZeroAndPlotWidth)
{
    // The record at the window end lies in column plotWidth; a later record
    // back inside the window (a backward time step) closes that column.
    const GNSSLog log = makeLog({{1000, 9}, {1480, 1}, {1240, 0}});
    const auto store = PointStore::build(480, log, 1240, 480);
    EXPECT_EQ(summarise(*store), (std::vector<PointSummary>{{0, 0}, {480, 2}}));
}

TEST(SeriesBuild, WalkStopsAtTheFirstRecordPastTheWindowEnd)
{
    // Without the stop, 1200 s would close column 100 and add a second point.
    const GNSSLog log = makeLog({{1000, 0}, {1100, 0}, {1500, 0}, {1200, 0}, {1300, 0}});
    const auto store = PointStore::build(480, log, 1240, 480);
    EXPECT_EQ(summarise(*store), (std::vector<PointSummary>{{0, 1}}));
}

TEST(SeriesBuild, ZeroLengthWindowPutsItsRecordsInColumnZero)
{
    // A single-epoch log: start == end, every record at that time.
    const GNSSLog single = makeLog({{500, 1}, {500, 2}, {500, 3}});
    EXPECT_EQ(PointStore::build(480, single, 500, 0)->pointCount(), 0u);
    // Records before it are skipped, the first one after it ends the walk.
    const GNSSLog around = makeLog({{499, 1}, {500, 2}, {501, 3}});
    EXPECT_EQ(PointStore::build(480, around, 500, 0)->pointCount(), 0u);
}

TEST(SeriesBuild, SampleHoldsTruthMinusMeasuredAndKeepsOtherFields)
{
    GNSSLog log(TruthMode::Manual, 10, 20, 30);
    GNSSRecord a;
    a.time = 0;
    a.localX = 10.02;  // 0.02 m above the truth X
    a.localY = 19.5;
    a.height = 31;
    a.dop = 1.5;
    a.errorEstimate = 0.25;
    a.fixType = FixType::RtkFloat;
    a.gpsSatellites = 7;
    a.glonassSatellites = 5;
    a.satellites = 12;
    a.validFlags = ValidFlag::Grid | ValidFlag::Height;
    a.fixChange = FixChange::Lost;
    a.valid = 1;
    GNSSRecord b = a;
    b.time = 1;
    b.localX = 10;
    b.localY = 20;
    b.height = 30;
    log.records = {a, b};
    const auto store = PointStore::build(10, log, 0.5, 1);
    ASSERT_EQ(store->pointCount(), 1u);
    const GNSSRecord& s = store->points()[0].sample;
    EXPECT_NEAR(s.localX, -0.02, 1e-9);
    EXPECT_DOUBLE_EQ(s.localY, 0.5);
    EXPECT_DOUBLE_EQ(s.height, -1);
    EXPECT_EQ(s.time, 0);
    EXPECT_EQ(s.dop, 1.5);
    EXPECT_EQ(s.errorEstimate, 0.25);
    EXPECT_EQ(s.fixType, FixType::RtkFloat);
    EXPECT_EQ(s.gpsSatellites, 7);
    EXPECT_EQ(s.glonassSatellites, 5);
    EXPECT_EQ(s.satellites, 12);
    EXPECT_EQ(s.validFlags, ValidFlag::Grid | ValidFlag::Height);
    EXPECT_EQ(s.fixChange, FixChange::Lost);
    // The analysis itself is untouched.
    EXPECT_EQ(log.records[0].localX, 10.02);
}

TEST(SeriesBuild, ErrorUsesTheSelectedTruthAndIgnoresFixTypeAndFlags)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.avgX = 100;
    GNSSRecord r;
    r.localX = 100;  // exact under averaged truth; 100 m off under manual
    GNSSRecord far = r;
    far.time = 1;
    far.localX = 103;
    GNSSRecord next = r;
    next.time = 2;
    log.records = {far, r, next};  // far at t=1 and r at t=0 would be unsorted; use times below
    log.records[0].time = 0;
    log.records[1].time = 0.1;
    const auto store = PointStore::build(10, log, 1, 2);
    ASSERT_EQ(store->pointCount(), 1u);
    EXPECT_DOUBLE_EQ(store->points()[0].sample.localX, -3);  // the 3 m record wins column 0
}

TEST(SeriesBuild, NaNCoordinatesAndTimesDoNotBreakTheWalk)
{
    GNSSLog log = makeLog({{0, NAN}, {0.5, 1}, {1, 2}, {2, 0}});
    log.records.push_back(GNSSRecord{});
    log.records.back().time = NAN;
    const auto store = PointStore::build(2, log, 1, 2);
    for (const PlotPoint& point : *store) {
        EXPECT_GE(point.column, 0);
        EXPECT_LE(point.column, 2);
    }
    EXPECT_EQ(PointStore::build(2, log, NAN, NAN)->pointCount(), 0u);
}

TEST(SeriesBuild, ZoomExampleMovesARecordToTheNextColumn)
{
    // Log 1000..1480 s, 480 columns: 1241 s is column 241 at level 1 and,
    // zoomed in on 1240 s (window 1120..1360 s), column 242.
    const GNSSLog log = makeLog({{1000, 0}, {1241, 5}, {1300, 1}, {1480, 0}});
    PlotViewState view;
    view.reset(log);
    view.HoveredTime = 1200;  // any read-out; the centre comes from it
    auto store = PointStore::build(480, log, view.CentreTime, view.TimeSpan);
    ASSERT_GE(store->pointCount(), 2u);
    EXPECT_EQ(store->points()[1].column, 241);

    view.HoveredTime = 1240;
    ASSERT_TRUE(view.zoomIn(log));
    EXPECT_DOUBLE_EQ(view.CentreTime - view.TimeSpan * 0.5, 1120);
    EXPECT_DOUBLE_EQ(view.CentreTime + view.TimeSpan * 0.5, 1360);
    store = PointStore::build(480, log, view.CentreTime, view.TimeSpan);
    // 1241 s is the first record in the window: column 242 is the first point.
    ASSERT_GE(store->pointCount(), 1u);
    EXPECT_EQ(store->points()[0].column, 242);
}

// ---- nearest sample -------------------------------------------------------

TEST(NearestSample, ExactMatchTiesAndOutsideTheSeries)
{
    // Points at columns 0, 10, 20 (the record at 30 s closes column 20).
    const GNSSLog log = makeLog({{0, 0}, {10, 0}, {20, 0}, {30, 0}});
    const auto store = PointStore::build(100, log, 50, 100);
    ASSERT_EQ(store->pointCount(), 3u);
    const GNSSRecord* at0 = &store->points()[0].sample;
    const GNSSRecord* at10 = &store->points()[1].sample;
    const GNSSRecord* at20 = &store->points()[2].sample;
    EXPECT_EQ(store->nearestSample(10), at10);
    EXPECT_EQ(store->nearestSample(11), at10);
    EXPECT_EQ(store->nearestSample(5), at0) << "equal distance: the left point";
    EXPECT_EQ(store->nearestSample(15), at10) << "equal distance: the left point";
    EXPECT_EQ(store->nearestSample(-1000), at0);
    EXPECT_EQ(store->nearestSample(400), at20) << "right of the last point";
    // The search starts from a distance of 999999: nothing farther is found.
    EXPECT_EQ(store->nearestSample(INT32_MIN), nullptr);
    EXPECT_EQ(store->nearestSample(INT32_MAX), nullptr);
}

// ---- view rules -------------------------------------------------------------

class ViewRules : public ::testing::Test {
protected:
    GNSSLog log = makeLog({{1000, 0}, {1480, 0}});
    PlotViewState view;
    void SetUp() override { view.reset(log); }
};

TEST_F(ViewRules, ResetShowsTheWholeLogAndKeepsHoveredTime)
{
    view.ZoomLevel = 7;
    view.CentreTime = 3;
    view.TimeSpan = 4;
    view.HoveredTime = 1100;
    EXPECT_TRUE(view.reset(log));
    EXPECT_EQ(view.ZoomLevel, 1);
    EXPECT_EQ(view.CentreTime, 1240);
    EXPECT_EQ(view.TimeSpan, 480);
    EXPECT_EQ(view.HoveredTime, 1100);
}

TEST_F(ViewRules, ZoomAndCentreDoNothingWithoutHoveredTime)
{
    view.ZoomLevel = 3;
    view.CentreTime = 1100;
    view.TimeSpan = 50;
    const PlotViewState before = view;
    EXPECT_FALSE(view.zoomIn(log));
    EXPECT_FALSE(view.zoomOut(log));
    EXPECT_FALSE(view.centre(log));
    EXPECT_FALSE(view.wheel(log, 120));
    EXPECT_FALSE(view.wheel(log, -120));
    EXPECT_EQ(view.ZoomLevel, before.ZoomLevel);
    EXPECT_EQ(view.CentreTime, before.CentreTime);
    EXPECT_EQ(view.TimeSpan, before.TimeSpan);
}

TEST_F(ViewRules, ZoomIsLinearAndCentresOnTheHoveredTime)
{
    view.HoveredTime = 1300;
    EXPECT_TRUE(view.zoomIn(log));
    EXPECT_EQ(view.ZoomLevel, 2);
    EXPECT_EQ(view.CentreTime, 1300);
    EXPECT_EQ(view.TimeSpan, 240);
    EXPECT_TRUE(view.zoomIn(log));
    EXPECT_EQ(view.ZoomLevel, 3);
    EXPECT_EQ(view.TimeSpan, 160);
    view.HoveredTime = 1010;
    EXPECT_TRUE(view.zoomOut(log));
    EXPECT_EQ(view.ZoomLevel, 2);
    EXPECT_EQ(view.CentreTime, 1010) << "not held inside the log";
    EXPECT_EQ(view.TimeSpan, 240);
}

TEST_F(ViewRules, ZoomOutAtLevelOneKeepsLevelOneAndRecentres)
{
    view.HoveredTime = 1400;
    EXPECT_TRUE(view.zoomOut(log));
    EXPECT_EQ(view.ZoomLevel, 1);
    EXPECT_EQ(view.CentreTime, 1400);
    EXPECT_EQ(view.TimeSpan, 480);
}

TEST_F(ViewRules, CentreKeepsTheZoomLevel)
{
    view.ZoomLevel = 4;
    view.HoveredTime = 1111;
    EXPECT_TRUE(view.centre(log));
    EXPECT_EQ(view.ZoomLevel, 4);
    EXPECT_EQ(view.CentreTime, 1111);
    EXPECT_EQ(view.TimeSpan, 120);
}

TEST_F(ViewRules, WheelClampsTheCentreThenZoomsByTheSignOfTheDelta)
{
    view.HoveredTime = 1200;
    view.CentreTime = 900;
    EXPECT_TRUE(view.wheel(log, 120));
    EXPECT_EQ(view.ZoomLevel, 2);
    EXPECT_EQ(view.CentreTime, 1200);
    EXPECT_TRUE(view.wheel(log, 0));
    EXPECT_EQ(view.ZoomLevel, 1) << "delta 0 zooms out";

    // Without a hovered time the clamp still happens, but no zoom.
    view.HoveredTime.reset();
    view.CentreTime = 2000;
    EXPECT_FALSE(view.wheel(log, 120));
    EXPECT_EQ(view.CentreTime, 1480);
    view.CentreTime = 10;
    EXPECT_FALSE(view.wheel(log, -1));
    EXPECT_EQ(view.CentreTime, 1000);
    EXPECT_EQ(view.ZoomLevel, 1);
}

TEST_F(ViewRules, EmptyAnalysisGivesNoCrashAndAnEmptySeries)
{
    const GNSSLog empty(TruthMode::Averaged, 0, 0, 0);
    PlotViewState v;
    v.reset(empty);
    EXPECT_EQ(PointStore::build(480, empty, v.CentreTime, v.TimeSpan)->pointCount(), 0u);
    v.HoveredTime = 5;
    v.wheel(empty, 1);
    EXPECT_EQ(v.ZoomLevel, 2);
}

// ---- plot values and scale -------------------------------------------------

TEST(PlotValues, QuantitiesOnTheMetreAxis)
{
    GNSSRecord s;
    s.localX = 3;
    s.localY = -4;
    s.height = 12;
    s.errorEstimate = 0.7;
    s.gpsSatellites = 12;
    s.glonassSatellites = 6;
    s.dop = 2.5;
    EXPECT_EQ(plotValue(s, Curve::XError), 3);
    EXPECT_EQ(plotValue(s, Curve::YError), -4);
    EXPECT_EQ(plotValue(s, Curve::ZError), 12);
    EXPECT_EQ(plotValue(s, Curve::Error3D), 13);
    EXPECT_EQ(plotValue(s, Curve::Sep), 0.7);
    EXPECT_DOUBLE_EQ(plotValue(s, Curve::GpsSats), 0.12);
    EXPECT_DOUBLE_EQ(plotValue(s, Curve::GlonassSats), 0.06);
    EXPECT_DOUBLE_EQ(plotValue(s, Curve::Dop), 0.025);
}

TEST(Scale, AutoscaleTakesTheLargestMaximumAndFallsBackToOneMetre)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    EXPECT_EQ(scaleRange(PlotScale::Autoscale, log), 1.0) << "no RTK-fixed records";
    log.maxErrorX = 0.03;
    log.maxErrorY = 0.08;
    log.maxErrorZ = 0.05;
    EXPECT_EQ(scaleRange(PlotScale::Autoscale, log), 0.08);
    log.maxErrorZ = 0.2;
    EXPECT_EQ(scaleRange(PlotScale::Autoscale, log), 0.2);
    log.maxErrorX = -5;  // negative maxima never win against the start value 0
    log.maxErrorY = -5;
    log.maxErrorZ = -5;
    EXPECT_EQ(scaleRange(PlotScale::Autoscale, log), 1.0);
}

TEST(Scale, FixedSelectionsIgnoreTheMaxima)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.maxErrorX = 7;
    EXPECT_EQ(scaleRange(PlotScale::M0_05, log), 0.05);
    EXPECT_EQ(scaleRange(PlotScale::M0_1, log), 0.1);
    EXPECT_EQ(scaleRange(PlotScale::M0_2, log), 0.2);
    EXPECT_EQ(scaleRange(PlotScale::M0_5, log), 0.5);
    EXPECT_EQ(scaleRange(PlotScale::M1_0, log), 1.0);
}

}  // namespace
}  // namespace gnsslog

namespace gnsslog {
namespace {

TEST(SeriesIndexBuild, GivesTheSameSeriesAsTheRecords)
{
    // Irregular times with backward steps, duplicate times, NaN values and
    // equal errors, viewed through several windows.
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.avgX = 1;
    log.avgY = 2;
    log.avgZ = 3;
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 1000) / 1000.0;
    };
    double time = 100;
    for (int i = 0; i < 5000; ++i) {
        GNSSRecord r;
        time += next() < 0.05 ? -3 * next() : (next() < 0.1 ? 0 : next());
        r.time = time;
        r.localX = 1 + (next() < 0.3 ? 0.5 : next() - 0.5);
        r.localY = i % 777 == 0 ? NAN : 2 + next();
        r.height = 3;
        r.satellites = i;
        log.records.push_back(r);
    }
    log.startTime = 100;
    log.endTime = time;
    const SeriesIndex index(log);
    const struct {
        int width;
        double centre, span;
    } windows[] = {{480, 1300, 2400}, {37, 500, 100}, {1, 900, 3}, {480, 600, 0}, {1870, 0, 5000}};
    for (const auto& w : windows) {
        const auto direct = PointStore::build(w.width, log, w.centre, w.span);
        const auto indexed = PointStore::build(w.width, index, w.centre, w.span);
        EXPECT_EQ(summarise(*direct), summarise(*indexed)) << "width " << w.width << " centre " << w.centre;
    }
    EXPECT_GT(PointStore::build(480, index, 1300, 2400)->pointCount(), 100u);
}

}  // namespace
}  // namespace gnsslog

namespace gnsslog {
namespace {

// The walk as plainly stated, one division per record: the oracle for the
// builder, which skips the division while a record stays in its column.
std::vector<PointSummary> plainSeries(std::int32_t width, const GNSSLog& log, double centre, double span)
{
    std::vector<PointSummary> out;
    const double start = centre - span * 0.5;
    const double end = centre + span * 0.5;
    bool started = false;
    std::int32_t current = 0;
    const GNSSRecord* best = nullptr;
    double bestError = 0;
    for (const GNSSRecord& r : log.records) {
        if (r.time < start) {
            continue;
        }
        if (r.time > end) {
            break;
        }
        const std::int32_t c = end - start == 0 ? 0 : toInt32(width * ((r.time - start) / (end - start)));
        if (!started) {
            started = true;
            current = c;
        }
        const double dx = log.truthX() - r.localX;
        const double dy = log.truthY() - r.localY;
        const double dz = log.truthZ() - r.height;
        const double e = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (e >= bestError) {
            best = &r;
            bestError = e;
        }
        if (c != current) {
            if (best != nullptr) {
                out.push_back({current, best->satellites});
            }
            current = c;
            bestError = 0;
        }
    }
    return out;
}

TEST(SeriesBuild, MatchesThePlainWalkAtColumnEdges)
{
    // Times on, just below and just above every column edge of a 1000.3 s
    // window over 37 and 480 columns, plus a backward step and NaNs.
    for (const std::int32_t width : {37, 480}) {
        const double start = 1000.1;
        const double length = 1000.3;
        GNSSLog log = makeLog({});
        int index = 0;
        const auto add = [&](double time, double error) {
            GNSSRecord r;
            r.time = time;
            r.localX = error;
            r.satellites = index++;
            log.records.push_back(r);
        };
        add(start - 1, 1);
        for (int k = 0; k <= width; ++k) {
            const double edge = start + k * (length / width);
            add(std::nextafter(edge, 0.0), 0.5 + (k % 3));
            add(edge, 0.5);
            add(std::nextafter(edge, 1e300), 0.25 * (k % 5));
            if (k == width / 2) {
                add(start + 3, 9);  // a backward step into an early column
                add(NAN, 1);
                add(edge + 1, NAN);
            }
        }
        add(start + length, 0);
        add(start + length + 1e-9, 0);
        const double centre = start + length * 0.5;
        const auto store = PointStore::build(width, log, centre, length);
        const auto plain = plainSeries(width, log, centre, length);
        EXPECT_EQ(summarise(*store), plain) << "width " << width;
        EXPECT_EQ(summarise(*PointStore::build(width, SeriesIndex(log), centre, length)), plain);
        EXPECT_GT(plain.size(), static_cast<std::size_t>(width) - 2);
    }
}

}  // namespace
}  // namespace gnsslog

namespace gnsslog {
namespace {

void expectSameColumns(const DenseColumns& walked, const DenseColumns& blocked, const std::string& where)
{
    ASSERT_EQ(walked.columns.size(), blocked.columns.size()) << where;
    EXPECT_EQ(walked.longestStep, blocked.longestStep) << where;
    for (std::size_t i = 0; i < walked.columns.size(); ++i) {
        const ColumnContents& a = walked.columns[i];
        const ColumnContents& b = blocked.columns[i];
        const std::string at = where + " column " + std::to_string(a.column);
        EXPECT_EQ(a.column, b.column) << at;
        EXPECT_EQ(a.epochs, b.epochs) << at;
        EXPECT_EQ(a.classEpochs, b.classEpochs) << at;
        EXPECT_EQ(a.firstTime, b.firstTime) << at;
        EXPECT_EQ(a.lastTime, b.lastTime) << at;
        for (std::size_t c = 0; c < CurveCount; ++c) {
            // Bit for bit, NaN included.
            EXPECT_EQ(std::memcmp(&a.lowest[c], &b.lowest[c], sizeof(double)), 0) << at << " curve " << c;
            EXPECT_EQ(std::memcmp(&a.highest[c], &b.highest[c], sizeof(double)), 0) << at << " curve " << c;
        }
    }
}

TEST(ColumnBlocksBuild, GiveTheColumnsOfTheRecordWalkInEveryWindow)
{
    // Ten blocks' worth of irregular epochs: runs of many epochs per column,
    // backward steps, equal times, NaN times and values and every fix type,
    // seen through windows that cut blocks anywhere, hold a block whole,
    // start or end inside the log, or lie beyond it.
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.avgX = 1;
    log.avgY = 2;
    log.avgZ = 3;
    log.dataQuality.medianInterval = 0.1;
    unsigned seed = 777;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 1000) / 1000.0;
    };
    double time = 0;
    const std::size_t count = 10 * ColumnBlocks::kRecordsPerBlock + 17;
    for (std::size_t i = 0; i < count; ++i) {
        GNSSRecord r;
        time += next() < 0.03 ? -2 * next() : (next() < 0.1 ? 0 : 0.1 * next());
        r.time = i == 300 ? NAN : time;
        r.localX = 1 + next() - 0.5;
        r.localY = i == 500 ? NAN : 2 + next();
        r.height = 3 - next();
        r.fixType = static_cast<std::uint8_t>(i % 7 < 4 ? FixType::RtkFixed : i % 7);
        r.satellites = static_cast<std::int32_t>(next() * 20);
        r.dop = next() * 3;
        log.records.push_back(r);
    }
    const ColumnBlocks blocks(log);
    EXPECT_EQ(blocks.blocks().size(), 11u);
    const struct {
        int width;
        double centre, span;
    } windows[] = {{480, time / 2, time + 1}, {3, time / 2, time},  {1, 10, 2},     {37, 5, 4},
                   {480, 20, 0},             {700, -50, 10},        {10, 1e6, 10}, {0, 10, 20},
                   {1200, time / 3, time / 4}};
    for (const auto& w : windows) {
        const std::string where = "width " + std::to_string(w.width) + " centre " + std::to_string(w.centre);
        expectSameColumns(denseColumns(log, w.width, w.centre, w.span),
                          denseColumns(blocks, w.width, w.centre, w.span), where);
    }
    // The whole-log view takes blocks whole and still counts every epoch but
    // the NaN-timed one.
    const DenseColumns few = denseColumns(blocks, 3, time / 2, time + 1);
    std::int64_t epochs = 0;
    for (const ColumnContents& column : few.columns) {
        epochs += column.epochs;
    }
    EXPECT_GT(epochs, static_cast<std::int64_t>(count) / 2);
}

}  // namespace
}  // namespace gnsslog
