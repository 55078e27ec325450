// The grids besides KKJ: frame names, the local tangent plane, and
// projected systems through PROJ checked against cs2cs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "geodesy/GridConverter.h"
#include "geodesy/GridFrame.h"
#include "geodesy/Kkj.h"
#include "geodesy/LocalTangentPlane.h"
#include "geodesy/ProjGrid.h"

namespace {

using gnsslog::checkGridFrame;
using gnsslog::FrameError;
using gnsslog::GeodeticPosition;
using gnsslog::GridConverter;
using gnsslog::GridFrame;
using gnsslog::GridKind;
using gnsslog::LocalTangentPlane;
using gnsslog::parseGridFrame;
using gnsslog::ProjGrid;

constexpr double kMillimetre = 0.001;
constexpr double kPi = 3.141592653589793;
constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84F = 1 / 298.257223563;
constexpr double kWgs84E2 = (2 - kWgs84F) * kWgs84F;

TEST(GridFrameNames, EveryNamedFrameReadsBackUnderItsName)
{
    const struct {
        const char* text;
        GridKind kind;
        int epsg;
        const char* name;
    } rows[] = {
        {"kkj", GridKind::Kkj, 0, "kkj"},
        {"enu", GridKind::Enu, 0, "enu"},
        {"tm35fin", GridKind::Projected, 3067, "tm35fin"},
        {"gk19", GridKind::Projected, 3873, "gk19"},
        {"gk25", GridKind::Projected, 3879, "gk25"},
        {"gk31", GridKind::Projected, 3885, "gk31"},
        {"EPSG:3067", GridKind::Projected, 3067, "tm35fin"},
        {"epsg:32635", GridKind::Projected, 32635, "EPSG:32635"},
        {"EPSG:2393", GridKind::Projected, 2393, "EPSG:2393"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto frame = parseGridFrame(row.text);
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->kind, row.kind);
        EXPECT_EQ(frame->epsg, row.epsg);
        EXPECT_EQ(frame->name(), row.name);
        EXPECT_EQ(parseGridFrame(frame->name()), frame);
    }
}

TEST(GridFrameNames, MalformedTextsAreRefused)
{
    for (const char* text : {"", "KKJ", "ENU", "tm35", "gk18", "gk32", "gk2", "gk250", "gk+5",
                             "EPSG:", "EPSG:0", "EPSG:-3067", "EPSG:3067 ", " EPSG:3067",
                             "EPSG:1234567", "EPSG:30x7", "EPSG3067", "3067", "utm35"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseGridFrame(text).has_value());
    }
}

// A point reached by going metres north along the meridian from origin:
// the meridian's radius of curvature at the origin, enough for a few
// hundred metres (the next term is below 1e-5 m at 100 m).
GeodeticPosition northOf(const GeodeticPosition& origin, double metres)
{
    const double s = std::sin(origin.latitude * kPi / 180);
    const double meridianRadius = kWgs84A * (1 - kWgs84E2) / std::pow(1 - kWgs84E2 * s * s, 1.5);
    return {origin.latitude + metres / (meridianRadius + origin.height) * 180 / kPi,
            origin.longitude, origin.height};
}

TEST(LocalTangentPlaneGeometry, OriginIsZeroAndAPointNorthReadsItsDistance)
{
    for (const GeodeticPosition origin :
         {GeodeticPosition{60.0, 24.0, 30.0}, GeodeticPosition{53.3, -6.3, 80.0},
          GeodeticPosition{28.1, -15.4, 1200.0}, GeodeticPosition{-33.9, 151.2, 0.0}}) {
        SCOPED_TRACE(origin.latitude);
        const LocalTangentPlane plane(origin);
        double x = 1;
        double y = 1;
        plane.toNorthEast(origin.latitude, origin.longitude, x, y);
        EXPECT_NEAR(x, 0.0, 1e-9);
        EXPECT_NEAR(y, 0.0, 1e-9);

        const GeodeticPosition north = northOf(origin, 100.0);
        plane.toNorthEast(north.latitude, north.longitude, x, y);
        EXPECT_NEAR(x, 100.0, kMillimetre);
        EXPECT_NEAR(y, 0.0, kMillimetre);
        const GeodeticPosition south = northOf(origin, -100.0);
        plane.toNorthEast(south.latitude, south.longitude, x, y);
        EXPECT_NEAR(x, -100.0, kMillimetre);
        EXPECT_NEAR(y, 0.0, kMillimetre);
    }
}

TEST(LocalTangentPlaneGeometry, APointEastReadsItsDistanceAlongTheParallel)
{
    // Along the parallel, the circle of radius (N + h) cos(latitude): 100 m
    // east reads y = 100 m and, as the parallel curves away from the
    // plane's east axis, x = 100^2 tan(latitude) / (2 (N + h)), 1.4 mm at
    // 60 degrees; west mirrors it.
    const GeodeticPosition origin{60.0, 24.0, 50.0};
    const double s = std::sin(origin.latitude * kPi / 180);
    const double primeVertical = kWgs84A / std::sqrt(1 - kWgs84E2 * s * s) + origin.height;
    const double parallelRadius = primeVertical * std::cos(origin.latitude * kPi / 180);
    const double dLon = 100.0 / parallelRadius * 180 / kPi;
    const double expectedNorth = 100.0 * 100.0 * std::tan(origin.latitude * kPi / 180) /
                                 (2 * primeVertical);
    const LocalTangentPlane plane(origin);
    double x = 0;
    double y = 0;
    plane.toNorthEast(origin.latitude, origin.longitude + dLon, x, y);
    EXPECT_NEAR(y, 100.0, kMillimetre);
    EXPECT_NEAR(x, expectedNorth, 1e-5);
    double xWest = 0;
    double yWest = 0;
    plane.toNorthEast(origin.latitude, origin.longitude - dLon, xWest, yWest);
    EXPECT_NEAR(yWest, -y, 1e-9);
    EXPECT_NEAR(xWest, x, 1e-9);
}

TEST(LocalTangentPlaneGeometry, AnErrorHardlyDependsOnTheOrigin)
{
    // The same two points 3 m apart, seen from origins 1 km apart north-south:
    // the error's parts differ by less than 1e-4 of its size.
    const GeodeticPosition truth{60.0, 24.0, 20.0};
    const GeodeticPosition record{60.00002, 24.00003, 20.0};
    const LocalTangentPlane near(truth);
    const LocalTangentPlane far(northOf(truth, 1000.0));
    double tx1, ty1, rx1, ry1, tx2, ty2, rx2, ry2;
    near.toNorthEast(truth.latitude, truth.longitude, tx1, ty1);
    near.toNorthEast(record.latitude, record.longitude, rx1, ry1);
    far.toNorthEast(truth.latitude, truth.longitude, tx2, ty2);
    far.toNorthEast(record.latitude, record.longitude, rx2, ry2);
    const double size = std::hypot(rx1 - tx1, ry1 - ty1);
    ASSERT_GT(size, 2.0);
    EXPECT_NEAR((rx2 - tx2), (rx1 - tx1), 1e-4 * size);
    EXPECT_NEAR((ry2 - ty2), (ry1 - ty1), 1e-4 * size);
}

// Expected values: cs2cs of PROJ 9.1.1 (Debian proj-bin), as
//   printf "60 24\n65 27\n69.5 21.5\n60.17 24.94\n" | cs2cs -d 4 EPSG:4326 EPSG:3067
// (output easting, northing) and
//   printf "60.17 24.94\n60.5 25.4\n" | cs2cs -d 4 EPSG:4326 EPSG:3879
// (output northing, easting: GK25's own axis order). Tolerance 1 mm.
TEST(ProjectedGrids, Tm35finAndGk25AgreeWithCs2cs)
{
    const struct {
        int epsg;
        double latitude, longitude;
        double northing, easting;
    } rows[] = {
        {3067, 60.0, 24.0, 6655205.4835, 332705.1789},
        {3067, 65.0, 27.0, 7208454.5815, 500000.0000},
        {3067, 69.5, 21.5, 7719778.1811, 285285.8595},
        {3067, 60.17, 24.94, 6672126.7430, 385700.4214},
        {3879, 60.17, 24.94, 6673014.6665, 25496669.1919},
        {3879, 60.5, 25.4, 6709847.8654, 25521982.2525},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.epsg);
        SCOPED_TRACE(row.latitude);
        ProjGrid grid(row.epsg);
        double x = 0;
        double y = 0;
        ASSERT_TRUE(grid.toGrid(row.latitude, row.longitude, x, y));
        EXPECT_NEAR(x, row.northing, kMillimetre);
        EXPECT_NEAR(y, row.easting, kMillimetre);
    }
}

TEST(ProjectedGrids, AnyProjectedEpsgCodeGivesNorthingThenEasting)
{
    // printf "53.3 -6.3\n" | cs2cs -d 4 EPSG:4326 EPSG:32629 (UTM 29N, Ireland)
    GridConverter utm(GridFrame{GridKind::Projected, 32629}, {});
    double x = 0;
    double y = 0;
    ASSERT_TRUE(utm.toGrid(53.3, -6.3, x, y));
    EXPECT_NEAR(x, 5909043.9324, kMillimetre);
    EXPECT_NEAR(y, 679920.5389, kMillimetre);
}

TEST(ProjectedGrids, KkjThroughTheConverterIsTheBuiltInConversion)
{
    GridConverter kkj(GridFrame{}, {});
    double x = 0;
    double y = 0;
    double builtInX = 0;
    double builtInY = 0;
    ASSERT_TRUE(kkj.toGrid(60.3, 24.7, x, y));
    gnsslog::geodeticToKKJ(60.3, 24.7, 2, builtInX, builtInY);
    EXPECT_EQ(x, builtInX);
    EXPECT_EQ(y, builtInY);
}

TEST(ProjectedGrids, BadCodesAreErrorsNamingTheCode)
{
    const struct {
        int epsg;
        const char* says;
    } rows[] = {
        {999999, "unknown coordinate system EPSG:999999"},
        {4326, "EPSG:4326 (WGS 84) is not a projected coordinate system"},
        {4978, "EPSG:4978"},  // geocentric
        {5717, "EPSG:5717"},  // N60 height, a vertical system
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.epsg);
        try {
            checkGridFrame(GridFrame{GridKind::Projected, row.epsg});
            ADD_FAILURE() << "no error";
        } catch (const FrameError& error) {
            EXPECT_NE(std::string(error.what()).find(row.says), std::string::npos) << error.what();
        }
    }
    EXPECT_NO_THROW(checkGridFrame(GridFrame{GridKind::Projected, 3067}));
    EXPECT_NO_THROW(checkGridFrame(GridFrame{GridKind::Enu, 0}));
}

TEST(ProjectedGrids, PositionsProjCannotPlaceGiveNoGridCoordinates)
{
    ProjGrid grid(3067);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [latitude, longitude] :
         {std::pair{95.0, 27.0}, std::pair{-91.0, 0.0}, std::pair{nan, 27.0}, std::pair{60.0, nan},
          std::pair{std::numeric_limits<double>::infinity(), 27.0}}) {
        SCOPED_TRACE(latitude);
        double x = 123;
        double y = 456;
        EXPECT_FALSE(grid.toGrid(latitude, longitude, x, y));
        EXPECT_EQ(x, 123);
        EXPECT_EQ(y, 456);
    }
    // The transformation stays usable after a failure.
    double x = 0;
    double y = 0;
    ASSERT_TRUE(grid.toGrid(60.0, 24.0, x, y));
    EXPECT_NEAR(x, 6655205.4835, kMillimetre);
}

}  // namespace
