// CSV reference trajectories: the column sets they are written in, their
// times and positions, and the files that give no reference.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "geodesy/Ecef.h"
#include "reference/CivilTime.h"
#include "reference/ReferenceCsv.h"

namespace gnsslog {
namespace {

constexpr double kMillimetre = 1e-3;

// The column line of the MatRTKLIB reference (taroz/MatRTKLIB
// examples/data/kinematic/reference.csv) over made-up rows: ECEF X, Y, Z
// are the latitude, longitude and height converted by the closed formula.
constexpr std::string_view kMatRtklibRows =
    "GPS TOW (s),GPS Week,Latitude (deg),Longitude (deg),Ellipsoid Height (m),ECEF X (m),"
    "ECEF Y (m),ECEF Z (m),Roll (deg),Pitch (deg),Heading (deg),East Velocity (m/s),"
    "North Velocity (m/s),Up Velocity (m/s)\n"
    "194670.0, 2270, 35.20000000, 136.90000000, 50.000, -3809774.436, 3565123.862, 3656049.221,  "
    "0.329,  3.061, 270.141, -0.000,  0.000, -0.001\n"
    "194670.2, 2270, 35.20000000, 136.90000000, 50.000, -3809774.436, 3565123.862, 3656049.221,  "
    "0.331,  3.061, 270.142, -0.000, -0.000, -0.001\n"
    "194670.4, 2270, 35.20000000, 136.90000000, 50.000, -3809774.436, 3565123.862, 3656049.221,  "
    "0.329,  3.062, 90.5,  10.000,  0.000, 0.000\r\n";

double distance(const EcefPosition& a, const EcefPosition& b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

TEST(ReferenceCsv, ReadsTheMatRtklibColumnSet)
{
    const ReferenceLoad load = readReferenceCsv(kMatRtklibRows, "ref.csv");
    ASSERT_TRUE(load.ok()) << load.error;
    const ReferenceTrajectory& t = load.trajectory;
    EXPECT_EQ(t.format, "csv");
    EXPECT_EQ(t.clock, (RecordClock{TimeScale::Gps, DateKnown::FullDate}));
    EXPECT_TRUE(t.hasVelocity);
    EXPECT_TRUE(t.hasHeading);
    ASSERT_EQ(t.epochs.size(), 3u);
    EXPECT_EQ(t.skipped, 0u);
    EXPECT_EQ(t.epochs[0].time, 2270 * kSecondsPerWeek + 194670.0);
    EXPECT_EQ(t.epochs[2].time, 2270 * kSecondsPerWeek + 194670.4);
    // The rows' own ECEF columns, to their millimetre of rounding.
    EXPECT_LT(distance(t.epochs[0].position, {-3809774.436, 3565123.862, 3656049.221}), kMillimetre);
    EXPECT_FLOAT_EQ(t.epochs[2].heading, 90.5f);
    // 10 m/s east, turned into earth-centred axes, keeps its length and
    // has no part along the local vertical.
    const ReferenceEpoch& moving = t.epochs[2];
    EXPECT_NEAR(std::hypot(moving.vx, moving.vy, moving.vz), 10.0, 1e-9);
    EXPECT_NEAR(moving.vx * moving.position.x + moving.vy * moving.position.y, 0, 1e-3);
    EXPECT_NEAR(moving.vz, 0, 1e-12);
}

// Septentrio's text export of PVTGeodetic blocks (the head of the
// Schaffen rover's file): units in brackets, times of week in
// milliseconds, angles in radians, a line of dashes under the names, "NaN"
// course over ground, and a row holding the do-not-use values of a block
// without a position.
constexpr std::string_view kSeptentrioRows =
    "TOW [0.001 s],WNc [w],Type,AutoBase,Flag2D,Error,Latitude [rad],Longitude [rad],Height [m],"
    "Undulation [m],Vn [m/s],Ve [m/s],Vu [m/s],COG [\xC2\xB0],RxClkBias [ms],NrSV\r\n"
    "------------------------------------------------------------------\r\n"
    "378448200,2345,4,0,0,0,0.890170804875,0.088481588483,68.563,47.410,-0.010,0.004,0.010,NaN,0.43,16\r\n"
    "378448300,2345,0,0,0,1,-20000000000,-20000000000,-20000000000,-20000000000,-20000000000,"
    "-20000000000,-20000000000,-20000000000,0.43,255\r\n"
    "378448400,2345,5,0,0,0,0.890170805107,0.088481588028,68.564,47.410,0.011,-0.007,0.004,1.71,0.43,16\r\n";

TEST(ReferenceCsv, ReadsSeptentriosPvtGeodeticExport)
{
    const ReferenceLoad load = readReferenceCsv(kSeptentrioRows, "rover-PVTGeodetic2.txt");
    ASSERT_TRUE(load.ok()) << load.error;
    const ReferenceTrajectory& t = load.trajectory;
    EXPECT_TRUE(t.hasVelocity);
    EXPECT_FALSE(t.hasHeading);  // course over ground is not a heading
    ASSERT_EQ(t.epochs.size(), 2u);
    EXPECT_EQ(t.skipped, 1u);  // the do-not-use row; the dashes are no row
    // Whole milliseconds stay exact.
    EXPECT_EQ(t.epochs[0].time, 2345 * kSecondsPerWeek + 378448.2);
    EXPECT_EQ(t.epochs[1].time, 2345 * kSecondsPerWeek + 378448.4);
    // Schaffen, Belgium: 51.0030 N 5.0696 E, so the angles were radians.
    Wgs84Position place;
    ASSERT_TRUE(ecefToWgs84(t.epochs[0].position.x, t.epochs[0].position.y, t.epochs[0].position.z, place));
    EXPECT_NEAR(place.latitude, 51.0030, 1e-4);
    EXPECT_NEAR(place.longitude, 5.0696, 1e-4);
    EXPECT_NEAR(place.height, 68.563, kMillimetre);
    EXPECT_NEAR(std::hypot(t.epochs[0].vx, t.epochs[0].vy, t.epochs[0].vz), std::hypot(0.010, 0.004, 0.010),
                1e-9);
    EXPECT_TRUE(looksLikeReferenceCsv(kSeptentrioRows));
}

TEST(ReferenceCsv, IsoTimesAreUtcUnlessTheColumnSaysGpsTime)
{
    const double noon = secondsOfDate(2023, 7, 11) + 12 * 3600;
    const std::string rows = "2023-07-11T12:00:00Z,35.1,136.8,40\n2023-07-11T12:00:01Z,35.1,136.8,40\n";
    const ReferenceLoad utc = readReferenceCsv("time,lat,lon,height\n" + rows, "utc.csv");
    ASSERT_TRUE(utc.ok()) << utc.error;
    EXPECT_FALSE(utc.trajectory.hasVelocity);
    EXPECT_FALSE(utc.trajectory.hasHeading);
    EXPECT_EQ(utc.trajectory.epochs[0].time, noon + 18);
    const ReferenceLoad gps = readReferenceCsv("Time (GPST),Latitude,Longitude,Height\n" + rows, "gps.csv");
    ASSERT_TRUE(gps.ok()) << gps.error;
    EXPECT_EQ(gps.trajectory.epochs[0].time, noon);
}

TEST(ReferenceCsv, EcefColumnsAloneMakeAPosition)
{
    const ReferenceLoad load = readReferenceCsv(
        "# exported by a test\n\xEF\xBB\xBF" "gps_week,gps_tow,ecef_x,ecef_y,ecef_z\n"
        "2270,10,-3809774.436,3565123.862,3656049.221\n2270,11,-3809774.436,3565123.862,3656050.221\n",
        "ecef.csv");
    // The byte-order mark stands after a comment here, so it belongs to
    // the first name: that column is unknown and the set has no time.
    EXPECT_FALSE(load.ok());
    const ReferenceLoad clean = readReferenceCsv(
        "\xEF\xBB\xBF# exported by a test\ngps_week,gps_tow,ecef_x,ecef_y,ecef_z\n"
        "2270,10,-3809774.436,3565123.862,3656049.221\n2270,11,-3809774.436,3565123.862,3656050.221\n",
        "ecef.csv");
    ASSERT_TRUE(clean.ok()) << clean.error;
    EXPECT_EQ(clean.trajectory.epochs[1].position.z, 3656050.221);
    EXPECT_EQ(clean.trajectory.epochs[1].time, 2270 * kSecondsPerWeek + 11);
}

TEST(ReferenceCsv, RowsThatDoNotReadOrStepBackAreSkippedAndCounted)
{
    const ReferenceLoad load = readReferenceCsv(
        "time,lat,lon,height,comment\n"
        "2023-07-11T12:00:00,35.1,136.8,40,first\n"
        "2023-07-11T12:00:01,35.1,,40,empty longitude\n"
        "2023-07-11T12:00:02,35.1,136.8x,40,junk after a number\n"
        "2023-07-11T12:00:03,95,136.8,40,latitude beyond the pole\n"
        "2023-07-11T12:00:04,35.1,136.8,nan,not finite\n"
        "2023-07-11T12:00:04.5,35.1,136.8,2e7,beyond any orbit a reference flies\n"
        "2023-07-11T12:00:04.7,35.1,136.8,-2e7,below the centre of the earth\n"
        "2023-07-11T12:00:05,35.1,136.8\n"
        "\n"
        "2023-07-11T12:00:06,35.1,136.8,40,second\n"
        "2023-07-11T12:00:06,35.1,136.8,41,same time\n"
        "2023-07-11T12:00:06.0000001,35.1,136.8,41,within a microsecond\n"
        "2023-07-11T12:00:05,35.1,136.8,41,earlier\n"
        "2023-07-11T12:00:07,35.1,136.8,40,third\n",
        "gaps.csv");
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(load.trajectory.epochs.size(), 3u);
    EXPECT_EQ(load.trajectory.skipped, 10u);
}

TEST(ReferenceCsv, NoReferenceIsAnErrorNamingTheFile)
{
    const struct {
        std::string_view legend;
        std::string_view text;
        std::string_view mentions;
    } rows[] = {
        {"empty file", "", "no time and no position"},
        {"positions without time", "lat,lon,height\n35,136,40\n35,136,41\n", "no time"},
        {"week without seconds", "gps week,lat,lon,height\n2270,35,136,40\n", "no time"},
        {"height missing", "time,lat,lon\n2023-07-11T12:00:00,35,136\n", "no position"},
        {"one usable row", "time,lat,lon,height\n2023-07-11T12:00:00,35,136,40\nx,y,z,w\n",
         "1 usable reference epoch,"},
        {"header only", "GPS TOW,GPS Week,ECEF X,ECEF Y,ECEF Z\n", "0 usable reference epochs"},
        {"an NMEA log", "$GPGGA,120000.00,3510.0,N,13650.0,E,4,12,0.8,40.0,M,0,M,,*00\n", "no time"},
    };
    for (const auto& row : rows) {
        const ReferenceLoad load = readReferenceCsv(row.text, "/data/run 7.csv");
        EXPECT_FALSE(load.ok()) << row.legend;
        EXPECT_EQ(load.error.rfind("/data/run 7.csv: ", 0), 0u) << row.legend << ": " << load.error;
        EXPECT_NE(load.error.find(row.mentions), std::string::npos) << row.legend << ": " << load.error;
    }
}

TEST(ReferenceCsv, LooksLikeAReferenceOnlyWithTimeAndPosition)
{
    EXPECT_TRUE(looksLikeReferenceCsv(kMatRtklibRows));
    EXPECT_TRUE(looksLikeReferenceCsv("time,lat,lon,height\n"));
    EXPECT_FALSE(looksLikeReferenceCsv("time,lat,lon\n"));
    EXPECT_FALSE(looksLikeReferenceCsv("$GPGGA,120000.00,3510.0,N,13650.0,E,4,12,0.8,40.0,M,0,M,,*00\n"));
    EXPECT_FALSE(looksLikeReferenceCsv("%  GPST  latitude(deg) longitude(deg)  height(m)\n"));
}

}  // namespace
}  // namespace gnsslog
