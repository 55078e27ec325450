// WGS84 -> KKJ conversion: worked values of the method, its exact cases
// (central meridian, zone prefixes), the arc-tangent fold, and agreement of
// the fast evaluation with the plain transcription of the steps.
//
// Provenance "worked example" means the published worked values of this
// conversion (quoted to the millimetre and to 1e-10 degrees); tolerances are
// in millimetres, or for angles the angle that spans 1 mm on the ground.
#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

using gnsslog::geodeticToKKJ;
using gnsslog::projectGaussKruger;
using gnsslog::kkj::kRadiansPerDegree;
namespace detail = gnsslog::kkj::detail;

constexpr double kMillimetre = 0.001;
// Quoted to the millimetre, so a correct result lies within half of it.
constexpr double kQuotedMm = 0.5 * kMillimetre;
// 1 mm along a meridian, in degrees (a degree of latitude is > 110 km).
constexpr double kMillimetreOfLatitudeDeg = kMillimetre / 110000.0;

using Convert = void (*)(double, double, int, double&, double&);
using Project = void (*)(double, double, double&, double&);

struct Implementation {
    const char* name;
    Convert convert;
    Project project;
};

const Implementation kImplementations[] = {
    {"fast", geodeticToKKJ, projectGaussKruger},
    {"reference", detail::geodeticToKKJReference, detail::projectGaussKrugerReference},
};

detail::Geodetic kkjGeodetic(double latitudeDeg, double longitudeDeg)
{
    return detail::internationalGeocentricToGeodetic(detail::shiftDatumToKkj(
        detail::wgs84ToGeocentric(latitudeDeg * kRadiansPerDegree, longitudeDeg * kRadiansPerDegree)));
}

// --- Worked values -------------------------------------------------------

struct GridCase {
    const char* legend;
    double latitude;   // WGS84, degrees
    double longitude;  // WGS84, degrees
    int zone;
    double x;  // expected northing, m
    double y;  // expected easting, m
};

TEST(GeodeticToKkj, MeetsWorkedValuesToTheMillimetre)
{
    const GridCase cases[] = {
        {"worked example 60N 24E", 60.0, 24.0, 2, 6654212.726, 2500177.274},
        {"worked example 65N 27E", 65.0, 27.0, 2, 7214838.803, 2641666.794},
    };
    for (const Implementation& impl : kImplementations) {
        for (const GridCase& c : cases) {
            SCOPED_TRACE(std::string(impl.name) + ": " + c.legend);
            double x = 0.0;
            double y = 0.0;
            impl.convert(c.latitude, c.longitude, c.zone, x, y);
            EXPECT_NEAR(x, c.x, kQuotedMm);
            EXPECT_NEAR(y, c.y, kQuotedMm);
        }
    }
}

TEST(GeodeticToKkjSteps, MeetWorkedValuesAt60N24E)
{
    // Worked example, step by step; tolerance 0.5 mm (quoted to the mm).
    const detail::Geocentric wgs84 = detail::wgs84ToGeocentric(60.0 * kRadiansPerDegree, 24.0 * kRadiansPerDegree);
    EXPECT_NEAR(wgs84.x, 2920700.373, kQuotedMm);
    EXPECT_NEAR(wgs84.y, 1300379.587, kQuotedMm);
    EXPECT_NEAR(wgs84.z, 5500477.134, kQuotedMm);

    const detail::Geocentric kkj = detail::shiftDatumToKkj(wgs84);
    EXPECT_NEAR(kkj.x, 2920775.411, kQuotedMm);
    EXPECT_NEAR(kkj.y, 1300607.047, kQuotedMm);
    EXPECT_NEAR(kkj.z, 5500566.250, kQuotedMm);

    // Tolerance 1 mm on the ground: a degree of longitude at 60N is > 55 km.
    const detail::Geodetic geodetic = detail::internationalGeocentricToGeodetic(kkj);
    EXPECT_NEAR(geodetic.latitude / kRadiansPerDegree, 59.9998593143, kMillimetreOfLatitudeDeg);
    EXPECT_NEAR(geodetic.longitude / kRadiansPerDegree, 24.0031767862, 2.0 * kMillimetreOfLatitudeDeg);
}

TEST(GeodeticToKkjSteps, DatumShiftIsScaleThenTranslation)
{
    // At the geocentre only the translation is left: +86.202, +113.394,
    // +104.238 m. On the Z axis the rotations leave Z' alone, which shows
    // the scale: (1 - d) = 1.000000804, applied before the translation.
    const detail::Geocentric origin = detail::shiftDatumToKkj({0.0, 0.0, 0.0});
    EXPECT_EQ(origin.x, 86.202);
    EXPECT_EQ(origin.y, 113.394);
    EXPECT_EQ(origin.z, 104.238);
    const detail::Geocentric onZ = detail::shiftDatumToKkj({0.0, 0.0, 1000000.0});
    EXPECT_NEAR(onZ.z, 1000000.804 + 104.238, 1e-6 * kMillimetre);
}

// --- The projection alone -------------------------------------------------

TEST(ProjectGaussKruger, MeetsWorkedValues)
{
    struct Case {
        const char* legend;
        double latitudeDeg;  // International ellipsoid
        double deltaLongitudeDeg;
        double x;
        double y;
    };
    const Case cases[] = {
        {"worked example 60N on the central meridian", 60.0, 0.0, 6654228.396, 500000.0},
        {"worked example 60N 1 degree east", 60.0, 1.0, 6654650.131, 555801.377},
    };
    for (const Implementation& impl : kImplementations) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(impl.name) + ": " + c.legend);
            double x = 0.0;
            double y = 0.0;
            impl.project(c.latitudeDeg * kRadiansPerDegree, c.deltaLongitudeDeg * kRadiansPerDegree, x, y);
            EXPECT_NEAR(x, c.x, kQuotedMm);
            EXPECT_NEAR(y, c.y, kQuotedMm);
        }
    }
}

TEST(ProjectGaussKruger, CentralMeridianGivesTheFalseEastingExactly)
{
    for (const Implementation& impl : kImplementations) {
        for (double latitudeDeg : {-70.0, -1.0, 0.0, 37.5, 60.0, 69.9}) {
            for (double zero : {0.0, -0.0}) {
                SCOPED_TRACE(std::string(impl.name) + " at " + std::to_string(latitudeDeg));
                double x = 0.0;
                double y = 0.0;
                impl.project(latitudeDeg * kRadiansPerDegree, zero, x, y);
                EXPECT_EQ(y, 500000.0);
            }
        }
    }
}

TEST(ProjectGaussKruger, IsOddInLatitudeAndInLongitudeDifference)
{
    // Guards the sign handling of the fast evaluation's identities, which
    // the positive latitudes of Finland alone would not exercise.
    for (const Implementation& impl : kImplementations) {
        for (double latitudeDeg : {5.0, 45.0, 60.0, 80.0}) {
            for (double dlDeg : {0.5, 3.0, 30.0, 75.0}) {
                SCOPED_TRACE(std::string(impl.name) + " lat " + std::to_string(latitudeDeg) + " dl " +
                             std::to_string(dlDeg));
                const double lat = latitudeDeg * kRadiansPerDegree;
                const double dl = dlDeg * kRadiansPerDegree;
                double x = 0.0, y = 0.0, xSouth = 0.0, ySouth = 0.0, xWest = 0.0, yWest = 0.0;
                impl.project(lat, dl, x, y);
                impl.project(-lat, dl, xSouth, ySouth);
                impl.project(lat, -dl, xWest, yWest);
                EXPECT_GT(x, 0.0);
                EXPECT_GT(y, 500000.0);
                EXPECT_NEAR(xSouth, -x, 1e-3 * kMillimetre);
                EXPECT_NEAR(ySouth, y, 1e-3 * kMillimetre);
                EXPECT_NEAR(xWest, x, 1e-3 * kMillimetre);
                EXPECT_NEAR(yWest - 500000.0, -(y - 500000.0), 1e-3 * kMillimetre);
            }
        }
    }
}

// --- Zones and the central meridian ---------------------------------------

// A WGS84 longitude (degrees) whose longitude after the datum shift is, to
// the last bit, the zone's central meridian; NaN if none is found nearby.
double longitudeOnCentralMeridian(double latitudeDeg, int zone)
{
    const double target = gnsslog::kkj::centralMeridianDegrees(zone) * kRadiansPerDegree;
    double longitude = gnsslog::kkj::centralMeridianDegrees(zone);
    for (int i = 0; i < 4; ++i) {  // Newton; the slope is 1 to 1e-6
        longitude -= (kkjGeodetic(latitudeDeg, longitude).longitude - target) / kRadiansPerDegree;
    }
    double up = longitude;
    double down = longitude;
    for (int i = 0; i < 2000; ++i) {
        if (kkjGeodetic(latitudeDeg, up).longitude - target == 0.0) {
            return up;
        }
        if (kkjGeodetic(latitudeDeg, down).longitude - target == 0.0) {
            return down;
        }
        up = std::nextafter(up, 1e9);
        down = std::nextafter(down, -1e9);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

TEST(GeodeticToKkj, ZonesUseTheirCentralMeridianAndPrefix)
{
    struct Zone {
        int zone;
        double centralMeridianDeg;
        double prefix;
    };
    const Zone zones[] = {{1, 21.0, 1000000.0}, {2, 24.0, 2000000.0}, {3, 27.0, 3000000.0}};
    for (const Implementation& impl : kImplementations) {
        for (const Zone& z : zones) {
            SCOPED_TRACE(std::string(impl.name) + " zone " + std::to_string(z.zone));
            EXPECT_EQ(gnsslog::kkj::centralMeridianDegrees(z.zone), z.centralMeridianDeg);

            // On the central meridian after the datum shift: the easting is
            // exactly the prefix plus the false easting.
            const double onMeridian = longitudeOnCentralMeridian(63.0, z.zone);
            ASSERT_FALSE(std::isnan(onMeridian));
            double x = 0.0;
            double y = 0.0;
            impl.convert(63.0, onMeridian, z.zone, x, y);
            EXPECT_EQ(y, z.prefix + 500000.0);

            // Elsewhere the zone enters only through the central meridian and
            // the prefix: compare with the steps put together by hand.
            for (double longitude : {z.centralMeridianDeg - 2.5, z.centralMeridianDeg + 1.75}) {
                const detail::Geodetic g = kkjGeodetic(62.0, longitude);
                double xExpected = 0.0;
                double yExpected = 0.0;
                detail::projectGaussKrugerReference(g.latitude, g.longitude - z.centralMeridianDeg * kRadiansPerDegree,
                                                    xExpected, yExpected);
                impl.convert(62.0, longitude, z.zone, x, y);
                EXPECT_NEAR(x, xExpected, 1e-3 * kMillimetre);
                EXPECT_NEAR(y, yExpected + z.prefix, 1e-3 * kMillimetre);
            }
        }
    }
}

TEST(GeodeticToKkj, LongitudesBeyond90DegreesFoldBackBy180)
{
    // The one-argument arc tangent of step 4: 150E lands near 30W and 150W
    // near 30E (plus the datum shift's few thousandths of a degree).
    struct Case {
        double longitude;
        double foldedDeg;
    };
    for (const Case c : {Case{150.0, -30.0}, Case{-150.0, 30.0}, Case{95.0, -85.0}}) {
        SCOPED_TRACE(c.longitude);
        const detail::Geodetic g = kkjGeodetic(60.0, c.longitude);
        EXPECT_NEAR(g.longitude / kRadiansPerDegree, c.foldedDeg, 0.01);
        EXPECT_NEAR(g.latitude / kRadiansPerDegree, 60.0, 0.01);  // latitude does not fold

        double xExpected = 0.0;
        double yExpected = 0.0;
        detail::projectGaussKrugerReference(g.latitude, g.longitude - 24.0 * kRadiansPerDegree, xExpected, yExpected);
        for (const Implementation& impl : kImplementations) {
            SCOPED_TRACE(impl.name);
            double x = 0.0;
            double y = 0.0;
            impl.convert(60.0, c.longitude, 2, x, y);
            EXPECT_NEAR(x, xExpected, 1e-3 * kMillimetre);
            EXPECT_NEAR(y, yExpected + 2000000.0, 1e-3 * kMillimetre);
        }
    }
}

// --- Fast evaluation against the plain one --------------------------------

struct GridStats {
    double maxDifference = 0.0;  // m, over x and y
    int points = 0;
};

// Converts every point of a latitude x longitude grid (degrees) with both
// evaluations. Points whose longitude difference after the datum shift is
// within skipNearQuarterDeg of +-90 degrees are skipped: there the
// projection runs to infinity at the equator and its northing jumps sign.
GridStats compareOnGrid(int zone, double lat0, double lat1, double lon0, double lon1, double step,
                        double skipNearQuarterDeg)
{
    GridStats stats;
    const int latSteps = static_cast<int>(std::lround((lat1 - lat0) / step));
    const int lonSteps = static_cast<int>(std::lround((lon1 - lon0) / step));
    const double centralMeridian = gnsslog::kkj::centralMeridianDegrees(zone);
    for (int i = 0; i <= latSteps; ++i) {
        const double latitude = lat0 + i * step;
        for (int k = 0; k <= lonSteps; ++k) {
            const double longitude = lon0 + k * step;
            const double dl = kkjGeodetic(latitude, longitude).longitude / kRadiansPerDegree - centralMeridian;
            if (std::fabs(90.0 - std::fabs(dl)) < skipNearQuarterDeg) {
                continue;
            }
            double xFast = 0.0, yFast = 0.0, xPlain = 0.0, yPlain = 0.0;
            geodeticToKKJ(latitude, longitude, zone, xFast, yFast);
            detail::geodeticToKKJReference(latitude, longitude, zone, xPlain, yPlain);
            const double difference = std::fmax(std::fabs(xFast - xPlain), std::fabs(yFast - yPlain));
            // fmax drops NaN, so let NaN count as an infinite difference.
            stats.maxDifference = std::isnan(difference) ? INFINITY : std::fmax(stats.maxDifference, difference);
            ++stats.points;
        }
    }
    return stats;
}

TEST(GeodeticToKkjFast, AgreesWithPlainStepsOverFinlandAndBeyond)
{
    for (int zone : {1, 2, 3}) {
        SCOPED_TRACE(zone);
        const GridStats stats = compareOnGrid(zone, 55.0, 75.0, 15.0, 35.0, 0.05, 0.0);
        EXPECT_EQ(stats.points, 401 * 401);
        EXPECT_LE(stats.maxDifference, 0.1 * kMillimetre);
    }
}

TEST(GeodeticToKkjFast, AgreesWithPlainStepsWhereverDefined)
{
    // Whole +-80 latitude, +-89 longitude, both hemispheres, zone 2; only a
    // 5-degree band around the projection's singular meridians is skipped.
    const GridStats stats = compareOnGrid(2, -80.0, 80.0, -89.0, 89.0, 0.25, 5.0);
    EXPECT_GT(stats.points, 600 * 600);
    EXPECT_LE(stats.maxDifference, 0.1 * kMillimetre);
}

// --- Input that is not a position -----------------------------------------

TEST(GeodeticToKkj, NanInGivesNanOutWithoutCrashing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* legend;
        double latitude;
        double longitude;
    };
    for (const Implementation& impl : kImplementations) {
        for (const Case c : {Case{"NaN latitude", nan, 24.0}, Case{"NaN longitude", 60.0, nan},
                             Case{"both NaN", nan, nan}, Case{"infinite latitude", INFINITY, 24.0}}) {
            SCOPED_TRACE(std::string(impl.name) + ": " + c.legend);
            double x = 0.0;
            double y = 0.0;
            impl.convert(c.latitude, c.longitude, 2, x, y);
            EXPECT_TRUE(std::isnan(x));
            EXPECT_TRUE(std::isnan(y));
        }
    }
}

TEST(GeodeticToKkj, ExtremeZoneNumbersDoNotOverflow)
{
    // The central meridian and the prefix are formed in double, so any int
    // is well defined (the sanitizer build checks the integer arithmetic).
    for (const Implementation& impl : kImplementations) {
        for (int zone : {INT_MIN, -1, 0, INT_MAX}) {
            SCOPED_TRACE(std::string(impl.name) + " zone " + std::to_string(zone));
            double x = 0.0;
            double y = 0.0;
            impl.convert(60.0, 24.0, zone, x, y);
            EXPECT_TRUE(std::isfinite(x));
            EXPECT_NEAR(y / 1e6, static_cast<double>(zone), 5.0);
        }
    }
}

// --- ECEF to WGS84: closed form against the iteration -------------------

// Largest differences of the closed form from the reference over points
// whose distance from the centre is drawn from [fromMetres, toMetres] in
// every direction (mt19937 is the same on every library; its bits are
// scaled by hand).
struct EcefDifferences {
    double degrees = 0;
    double metres = 0;
};

EcefDifferences compareEcef(double fromMetres, double toMetres, int points)
{
    std::mt19937_64 bits(2002);
    const auto unit = [&bits] { return static_cast<double>(bits() >> 11) * 0x1.0p-53; };
    EcefDifferences worst;
    for (int i = 0; i < points; ++i) {
        double xyz[3] = {unit() - 0.5, unit() - 0.5, unit() - 0.5};
        const double norm = std::hypot(xyz[0], xyz[1], xyz[2]);
        const double radius = fromMetres + (toMetres - fromMetres) * unit();
        for (double& c : xyz) {
            c *= radius / norm;
        }
        gnsslog::Wgs84Position fast;
        gnsslog::Wgs84Position plain;
        EXPECT_TRUE(gnsslog::ecefToWgs84(xyz[0], xyz[1], xyz[2], fast));
        EXPECT_TRUE(gnsslog::ecefToWgs84Reference(xyz[0], xyz[1], xyz[2], plain));
        const double degrees =
            std::fmax(std::fabs(fast.latitude - plain.latitude), std::fabs(fast.longitude - plain.longitude));
        const double metres = std::fabs(fast.height - plain.height);
        worst.degrees = std::isnan(degrees) ? INFINITY : std::fmax(worst.degrees, degrees);
        worst.metres = std::isnan(metres) ? INFINITY : std::fmax(worst.metres, metres);
    }
    return worst;
}

TEST(EcefToWgs84Fast, AgreesWithTheIterationFromBelowTheSurfaceToOrbits)
{
    // 10 km below the polar radius to 10^7 m above the equatorial one.
    const EcefDifferences near = compareEcef(6356752.0 - 1e4, 6378137.0 + 1e4, 100000);
    EXPECT_LE(near.degrees, 1e-13);
    EXPECT_LE(near.metres, 1e-8);
    const EcefDifferences far = compareEcef(6356752.0, 6378137.0 + 1e7, 100000);
    EXPECT_LE(far.degrees, 1e-13);
    EXPECT_LE(far.metres, 2e-8);
}

TEST(EcefToWgs84Fast, PolesEquatorAndTheLimitsOfTheClosedForm)
{
    const double points[][3] = {
        {0, 0, 6356752.314245},   {0, 0, -6356752.314245 - 100}, {6378137.0, 0, 0},
        {0, -6378137.0 - 5, 0},   {1e-3, 0, 6356752.3},          {1.0e5, 0, 0},
        {0, 0, 1.0e5},            {7.0e8, 7.0e8, 1.0},           {7.1e8, 7.1e8, 1.0},
        {-1e200, 1e200, 3e199},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(::testing::Message() << p[0] << " " << p[1] << " " << p[2]);
        gnsslog::Wgs84Position fast;
        gnsslog::Wgs84Position plain;
        ASSERT_TRUE(gnsslog::ecefToWgs84(p[0], p[1], p[2], fast));
        ASSERT_TRUE(gnsslog::ecefToWgs84Reference(p[0], p[1], p[2], plain));
        EXPECT_NEAR(fast.latitude, plain.latitude, 1e-13);
        EXPECT_NEAR(fast.longitude, plain.longitude, 1e-13);
        EXPECT_NEAR(fast.height, plain.height, 1e-8 * std::fmax(1.0, std::fabs(plain.height) / 6378137.0));
    }
    gnsslog::Wgs84Position pole;
    const double polarRadius = 6378137.0 * (1.0 - 1.0 / 298.257223563);
    ASSERT_TRUE(gnsslog::ecefToWgs84(0, 0, polarRadius + 12.5, pole));
    EXPECT_EQ(pole.latitude, 90.0);
    EXPECT_NEAR(pole.height, 12.5, 1e-9);
    gnsslog::Wgs84Position untouched{1, 2, 3};
    EXPECT_FALSE(gnsslog::ecefToWgs84(0.99e5, 0, 0, untouched));
    EXPECT_EQ(untouched.latitude, 1);
}

}  // namespace
