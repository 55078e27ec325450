// Decoder faults the fuzz targets found, kept as plain cases: sums and
// squares of finite NMEA fields that overflow, and positions so absurd
// that their grid used to come out infinite.
#include <gtest/gtest.h>

#include <string>

#include "log/GnssRecord.h"
#include "log/formats/nmea/NmeaDecoder.h"
#include "tests/support/Comparisons.h"

namespace gnsslog {
namespace {

GNSSRecord decode(std::string sentence, bool toKKJ)
{
    GNSSRecord record;
    decodeNmeaSentence(record, sentence.data(), toKKJ);
    return record;
}

// Sums and squares of finite fields overflowed to infinity and reached the
// averages, histograms and plot; such results now read as 0.
TEST(NmeaOverflow, InfiniteResultsOfFiniteFieldsReadZero)
{
    const GNSSRecord gga =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,1e308,M,1e308,M,,*47", false);
    EXPECT_EQ(gga.valid, 1);
    EXPECT_EQ(gga.height, 0);
    EXPECT_NEAR(gga.latitude, 48.1173, 1e-9);

    // A finite sum keeps its value, however large.
    const GNSSRecord big =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,1e308,M,-1e307,M,,*47", false);
    EXPECT_EQ(big.height, 1e308 + -1e307);
    const GNSSRecord plain =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,,*47", false);
    EXPECT_DOUBLE_EQ(plain.height, 592.3);

    const GNSSRecord orp = decode(
        "$PNORP,,,0,1,123519.00,,,1e200,1e200,1e200,1.5,9,7,60.0,24.0,100.5,*00", false);
    EXPECT_EQ(orp.valid, 1);
    EXPECT_EQ(orp.errorEstimate, 0);
    EXPECT_TRUE(orp.has(ValidFlag::ErrorEstimate));
    EXPECT_EQ(orp.dop, 1.5);
    const GNSSRecord orpSmall = decode(
        "$PNORP,,,0,1,123519.00,,,0.01,0.02,0.03,1.5,9,7,60.0,24.0,100.5,*00", false);
    EXPECT_NEAR(orpSmall.errorEstimate, 0.0374166, 1e-7);
}

TEST(NmeaOverflow, GridOfAnAbsurdPositionIsFinite)
{
    // Minutes of 1e307 make a latitude of some 1.7e305 degrees.
    for (const char* sentence :
         {"$GPGGA,123519.00,481e307,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,,*47",
          "$GPGGA,123519.00,4807.038,N,0111e307,E,4,08,0.9,545.4,M,46.9,M,,*47",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,90.0,24.0,100.5,*00",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,60.0,114.0,100.5,*00",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,1e308,-1e308,100.5,*00"}) {
        SCOPED_TRACE(sentence);
        const GNSSRecord record = decode(sentence, true);
        EXPECT_EQ(record.valid, 1);
        EXPECT_TRUE(record.has(ValidFlag::Grid));
        EXPECT_TRUE(testing::allFinite(record));
    }
}

}  // namespace
}  // namespace gnsslog
