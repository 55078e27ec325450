// The track picture: positions on one tangent plane, east right and north
// up on equal axes, zoom and pan that keep their promises, a scale bar of
// round lengths, and lines clipped before they are walked.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include <QImage>

#include "geodesy/Ecef.h"
#include "plots/draw/TrackPainter.h"
#include "plots/series/TrackSeries.h"
#include "tests/gui/GuiTestApp.h"
#include "tools/samplegen/Trajectory.h"

namespace gnsslog {
namespace {

constexpr QRgb Green = 0xFF008000;  // RTK fixed
constexpr QRgb Blue = 0xFF0000FF;   // RTK float
constexpr QRgb Black = 0xFF000000;  // the reference
constexpr double kLatitude = 60.2;  // degrees
constexpr double kLongitude = 24.9;
constexpr double kHeight = 40;      // metres

GNSSRecord recordAt(double east, double north, std::uint8_t fixType)
{
    GNSSRecord r;
    pathToGeodetic(kLatitude, kLongitude, kHeight, east, north, r.latitude, r.longitude);
    r.height = kHeight;
    r.fixType = fixType;
    r.validFlags = ValidFlag::LatLon | ValidFlag::Height;
    r.valid = 1;
    return r;
}

// A 50 m circle round the point, clockwise from due north, one epoch a
// second for 40 s, without epochs 20 to 24: a gap.
ReferenceTrajectory circleWithGap()
{
    ReferenceTrajectory t;
    t.format = "csv";
    TrajectoryOptions path;
    path.kind = TrajectoryKind::Circle;
    path.radius = 50;
    path.speed = 10;
    for (int i = 0; i < 40; ++i) {
        if (i >= 20 && i < 25) {
            continue;
        }
        const PathPoint p = pathAt(path, i);
        double latitude = 0;
        double longitude = 0;
        pathToGeodetic(kLatitude, kLongitude, kHeight, p.east, p.north, latitude, longitude);
        ReferenceEpoch e;
        e.time = 1000.0 + i;
        e.position = wgs84ToEcef(latitude, longitude, kHeight);
        t.epochs.push_back(e);
    }
    return t;
}

QRgb pixelAt(const QImage& image, const TrackView& view, double east, double north)
{
    const int x = static_cast<int>(std::lround(image.width() / 2.0 + (east - view.centreEast) * view.pixelsPerMetre));
    const int y = static_cast<int>(std::lround(image.height() / 2.0 - (north - view.centreNorth) * view.pixelsPerMetre));
    return image.pixel(x, y);
}

TEST(TrackSeries, ReferenceAndRecordsShareOnePlaneFromTheReferencesFirstEpoch)
{
    const ReferenceTrajectory reference = circleWithGap();
    const std::vector<GNSSRecord> records = {recordAt(0, 0, FixType::RtkFixed), recordAt(10, 0, FixType::RtkFloat),
                                             GNSSRecord{}};  // no position: left out
    const TrackSeries series = trackSeries(records, &reference);
    ASSERT_EQ(series.reference.size(), 35u);
    ASSERT_EQ(series.rover.size(), 2u);
    // The origin is the circle's northern point: the centre lies 50 m south.
    int segments = 0;
    for (const TrackPoint& p : series.reference) {
        EXPECT_NEAR(std::hypot(p.east, p.north + 50.0), 50.0, 0.001);  // 1 mm
        segments += p.startsSegment ? 1 : 0;
    }
    EXPECT_EQ(segments, 2) << "the first epoch and the one after the gap";
    EXPECT_TRUE(series.reference[20].startsSegment);
    EXPECT_NEAR(series.rover[0].east, 0.0, 0.001);
    EXPECT_NEAR(series.rover[0].north, -50.0, 0.001);
    EXPECT_NEAR(series.rover[1].east, 10.0, 0.001);
    EXPECT_EQ(series.rover[1].fixType, FixType::RtkFloat);
    // The southernmost epoch, 16 s round at 0.2 rad a second.
    EXPECT_NEAR(series.minNorth, -50.0 + 50.0 * std::cos(3.2), 0.001);
    EXPECT_NEAR(series.maxNorth, 0.0, 0.01);

    // Without a reference the log's first position is the origin.
    const TrackSeries own = trackSeries(records, nullptr);
    EXPECT_TRUE(own.reference.empty());
    EXPECT_NEAR(own.rover[1].east, 10.0, 0.001);
    EXPECT_NEAR(own.rover[1].north, 0.0, 0.001);
}

TEST(TrackPainter, EastIsRightNorthIsUpOnEqualAxes)
{
    plottest::plotTestApp();
    const std::vector<GNSSRecord> records = {recordAt(0, 0, FixType::RtkFixed), recordAt(40, 0, FixType::RtkFloat),
                                             recordAt(0, 20, FixType::RtkFloat)};
    const TrackSeries series = trackSeries(records, nullptr);
    QImage image(400, 300, QImage::Format_RGB32);
    const TrackView view = fitTrackView(series, image.width(), image.height());
    paintTrack(image, series, view);
    const QRgb origin = pixelAt(image, view, 0, 0);
    EXPECT_EQ(origin, Green);
    EXPECT_EQ(pixelAt(image, view, 40, 0), Blue);
    EXPECT_EQ(pixelAt(image, view, 0, 20), Blue);
    // The 40 m east span limits the scale: (400 - 2 * 20) / 40 pixels a metre.
    EXPECT_DOUBLE_EQ(view.pixelsPerMetre, 9.0);
    // The eastern dot right of the first, the northern one above it, each
    // at the same pixels a metre.
    const auto dotX = [&](double east) { return image.width() / 2.0 + (east - view.centreEast) * view.pixelsPerMetre; };
    const auto dotY = [&](double north) { return image.height() / 2.0 - (north - view.centreNorth) * view.pixelsPerMetre; };
    EXPECT_DOUBLE_EQ(dotX(40) - dotX(0), 360.0);
    EXPECT_DOUBLE_EQ(dotY(0) - dotY(20), 180.0);
}

TEST(TrackPainter, TheReferenceLineStopsAtItsGap)
{
    plottest::plotTestApp();
    const ReferenceTrajectory reference = circleWithGap();
    const TrackSeries series = trackSeries({}, &reference);
    QImage image(500, 500, QImage::Format_RGB32);
    const TrackView view = fitTrackView(series, image.width(), image.height());
    paintTrack(image, series, view);
    // Between epochs 5 and 6 the chord is drawn; where epoch 22 would
    // be, in the gap (4.4 rad round from north), nothing is.
    TrajectoryOptions path;
    path.kind = TrajectoryKind::Circle;
    path.radius = 50;
    path.speed = 10;
    // Pixels are found within one of the point, the plane's origin 50 m
    // north of the centre.
    const auto blackNear = [&](double east, double north) {
        const double x = image.width() / 2.0 + (east - view.centreEast) * view.pixelsPerMetre;
        const double y = image.height() / 2.0 - (north - 50.0 - view.centreNorth) * view.pixelsPerMetre;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (image.pixel(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy) == Black) {
                    return true;
                }
            }
        }
        return false;
    };
    const PathPoint five = pathAt(path, 5);
    const PathPoint six = pathAt(path, 6);
    EXPECT_TRUE(blackNear((five.east + six.east) / 2, (five.north + six.north) / 2));
    const PathPoint inGap = pathAt(path, 22);
    EXPECT_FALSE(blackNear(inGap.east, inGap.north));
}

TEST(TrackPainter, ZoomKeepsThePointUnderThePointerAndPanFollowsTheDrag)
{
    const TrackView view{100, -20, 2};
    const TrackView zoomed = zoomTrackView(view, 400, 300, 300, 50, 1.25);
    EXPECT_DOUBLE_EQ(zoomed.pixelsPerMetre, 2.5);
    // The point under (300, 50) before: east 100 + 100/2, north -20 + 100/2.
    EXPECT_NEAR(zoomed.centreEast + (300 - 200) / zoomed.pixelsPerMetre, 150.0, 1e-9);
    EXPECT_NEAR(zoomed.centreNorth - (50 - 150) / zoomed.pixelsPerMetre, 30.0, 1e-9);
    // Limits hold whatever the wheel says.
    EXPECT_DOUBLE_EQ(zoomTrackView(view, 400, 300, 0, 0, 1e12).pixelsPerMetre, kMostPixelsPerMetre);
    EXPECT_DOUBLE_EQ(zoomTrackView(view, 400, 300, 0, 0, 1e-12).pixelsPerMetre, kFewestPixelsPerMetre);
    EXPECT_DOUBLE_EQ(zoomTrackView(view, 400, 300, 0, 0, std::nan("")).pixelsPerMetre, 2.0);
    // Dragging 20 pixels right and 10 down shows what lay 10 m west and 5 m north.
    const TrackView moved = panTrackView(view, 20, 10);
    EXPECT_DOUBLE_EQ(moved.centreEast, 90.0);
    EXPECT_DOUBLE_EQ(moved.centreNorth, -15.0);
}

TEST(TrackPainter, ScaleBarIsARoundLengthThatFits)
{
    const struct {
        double pixelsPerMetre;
        double metres;
    } cases[] = {{1, 100}, {0.5, 200}, {3, 20}, {10, 10}, {1000, 0.1}, {0.012, 10000}, {119.9, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pixelsPerMetre);
        EXPECT_DOUBLE_EQ(scaleBarMetres(c.pixelsPerMetre, 120), c.metres);
        EXPECT_LE(scaleBarMetres(c.pixelsPerMetre, 120) * c.pixelsPerMetre, 120.0 + 1e-9);
    }
}

TEST(TrackPainter, LinesFarOutsideAreClippedNotWalked)
{
    plottest::plotTestApp();
    TrackSeries series;
    // A 10 km straight reference seen at 0.1 mm a pixel: 1e8 pixels long.
    series.reference = {TrackPoint{-5000, 0, 0, true}, TrackPoint{5000, 0, 0, false}};
    series.minEast = -5000;
    series.maxEast = 5000;
    QImage image(300, 200, QImage::Format_RGB32);
    const TrackView view{0, 0, kMostPixelsPerMetre};
    const auto start = std::chrono::steady_clock::now();
    paintTrack(image, series, view);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
    // The part that is in the picture is drawn: its middle row.
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), Black);
    EXPECT_EQ(image.pixel(image.width() / 4, image.height() / 2), Black);
}

}  // namespace
}  // namespace gnsslog
