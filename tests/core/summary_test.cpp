// The six summary texts: formats to the character, degrees-minutes-seconds,
// time texts and the altitude-accuracy rule.
#include <cfloat>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>
#include <cmath>

#include <gtest/gtest.h>

#include "log/Gpslog.h"
#include "log/Summary.h"

namespace gnsslog {
namespace {

GNSSRecord fixedRecord(double height, std::uint32_t flags = ValidFlag::Height)
{
    GNSSRecord r;
    r.fixType = FixType::RtkFixed;
    r.height = height;
    r.validFlags = flags;
    r.valid = 1;
    return r;
}

TEST(DegreesToDms, SplitsWithFloorSoNegativeAnglesKeepPositiveMinutes)
{
    struct Case {
        double angle;
        std::int32_t degrees, minutes;
        double seconds;
    } const cases[] = {
        {60.5, 60, 30, 0.0},
        {-0.5, -1, 30, 0.0},
        {24.25, 24, 15, 0.0},
        {60.0, 60, 0, 0.0},
        {-24.75, -25, 15, 0.0},
    };
    for (const Case& c : cases) {
        const Dms dms = DegreesToDms(c.angle);
        EXPECT_EQ(dms.degrees, c.degrees) << c.angle;
        EXPECT_EQ(dms.minutes, c.minutes) << c.angle;
        EXPECT_EQ(dms.seconds, c.seconds) << c.angle;
    }
    // 60 + 12/60 + 30.5/3600: the seconds come out within rounding.
    const Dms dms = DegreesToDms(60.0 + 12.0 / 60 + 30.5 / 3600);
    EXPECT_EQ(dms.degrees, 60);
    EXPECT_EQ(dms.minutes, 12);
    EXPECT_NEAR(dms.seconds, 30.5, 1e-6);
}

TEST(DegreesToDms, NonFiniteAnglesSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(DegreesToDms(NAN).degrees, 0);
    EXPECT_EQ(DegreesToDms(1e300).degrees, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(DegreesToDms(-1e300).degrees, std::numeric_limits<std::int32_t>::min());
}

TEST(HoursMinutes, TruncatesAndDoesNotReduceModulo24)
{
    EXPECT_EQ(hoursMinutes(3599.9).hours, 0u);
    EXPECT_EQ(hoursMinutes(3599.9).minutes, 59u);
    EXPECT_EQ(hoursMinutes(7260).hours, 2u);
    EXPECT_EQ(hoursMinutes(7260).minutes, 1u);
    EXPECT_EQ(hoursMinutes(200000).hours, 55u);
    EXPECT_EQ(hoursMinutes(200000).minutes, 33u);
    // Negative values wrap as a 32-bit unsigned number.
    EXPECT_EQ(hoursMinutes(-1).hours, 0xFFFFFFFFu / 3600);
}

TEST(SummaryTexts, EveryLabelOfATypicalAnalysis)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.records = {fixedRecord(45.01), fixedRecord(45.03), fixedRecord(45.0, 0)};
    GNSSRecord single;
    single.fixType = FixType::StandAlone;
    single.height = 45.0;
    single.validFlags = ValidFlag::Height;
    log.records.push_back(single);
    log.rtkFixCount = 3;
    log.fixLostCount = 1;
    log.avgLatitude = 60.5;
    log.avgLongitude = -0.5;
    log.avgZ = 45.0;
    log.avgX = 6676543.25;
    log.avgY = 2549876.5;
    log.maxErrorX = 0.125;
    log.maxErrorY = 1.5;
    log.maxErrorZ = 0.03;
    log.startTime = 3599.9;
    log.endTime = 3599.9 + 7260;

    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 4 records readed,RTK fix 75.00%. Fix lost 1 times");
    EXPECT_EQ(t.label2,
              "Truth coordinates(averaged): LAT: 60\u00BA 30\" 0.000000 ' LON: -1\u00BA 30\" "
              "0.000000 ' ALT: 45.0000");
    EXPECT_EQ(t.label3, "Max errors: X: 0.12 Y: 1.50 Z: 0.03 ");
    EXPECT_EQ(t.label4, "Start time: 00:59 (utc) time scale: 2 hours 1 minutes");
    // 45.01 is within 3 cm, 45.03 is not (strictly less), the record
    // without a height does not count but is in the denominator: 1 / 3.
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: 33.33%");
    EXPECT_EQ(t.label6,
              "Truth coordinates(cartesian/local averaged): X: 6676543.250000000,Y: "
              "2549876.500000000,Z: 45.0000");
}

TEST(SummaryTexts, NoFixedRecordsGiveZeroShareAndUnavailable)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    GNSSRecord single;
    single.fixType = FixType::StandAlone;
    single.validFlags = ValidFlag::Height;
    log.records = {single, single};
    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 2 records readed,RTK fix 0.00%. Fix lost 0 times");
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
}

TEST(SummaryTexts, FixedButNoneWithin3cmIsUnavailableNotZero)
{
    GNSSLog log(TruthMode::Manual, 0, 0, 45.0);
    log.records = {fixedRecord(45.05), fixedRecord(44.96)};
    log.rtkFixCount = 2;
    log.avgZ = 45.0;  // compared with the average whatever the truth mode
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
    log.avgZ = 45.04;
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: 50.00%");
}

TEST(SummaryTexts, StartHourAbove23ForTimeOfWeekLogs)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.records.resize(1);
    log.startTime = 200000;
    log.endTime = 200000 + 59.9;
    EXPECT_EQ(summaryTexts(log).label4, "Start time: 55:33 (utc) time scale: 0 hours 0 minutes");
}

TEST(SummaryTexts, EmptyAnalysisIsFormattedWithoutFault)
{
    const GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    ASSERT_EQ(log.startTime, DBL_MAX);
    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 0 records readed,RTK fix 0.00%. Fix lost 0 times");
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
    EXPECT_FALSE(t.label4.empty());
}

TEST(SummaryTexts, NumbersIgnoreTheProcessLocale)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.maxErrorX = 1.25;
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    // A comma-decimal locale, when the machine has one.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fi_FI.UTF-8") == nullptr) {
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    const std::string text = summaryTexts(log).label3;
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "Max errors: X: 1.25 Y: 0.00 Z: 0.00 ");
}


// The labels against the C library's printf of the same formats and
// values: any difference in rounding, padding, signs or the literal text
// shows up as a byte mismatch. The window's degree sign is the single byte
// 0xBA of Windows-1252; the texts carry it as UTF-8 U+00BA.
namespace printf_reference {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

std::string withUtf8DegreeSign(std::string text)
{
    for (std::size_t i = 0; (i = text.find('\xBA', i)) != std::string::npos; i += 2) {
        text.replace(i, 1, "\xC2\xBA");
    }
    return text;
}

SummaryTexts expectedTexts(const GNSSLog& log)
{
    SummaryTexts t;
    const auto count = static_cast<std::uint32_t>(log.records.size());
    const double share =
        log.rtkFixCount == 0 ? 0.0 : static_cast<double>(log.rtkFixCount) / count * 100;
    t.label1 = format("Log file loaded, %d records readed,RTK fix %0.2f%%. Fix lost %d times",
                      static_cast<int>(count), share, log.fixLostCount);

    const auto dms = [](double a, int& d, int& m, double& s) {
        const double fd = std::floor(a);
        const double fm = std::floor((a - fd) * 60);
        s = ((a - fd) * 60 - fm) * 60;
        d = static_cast<int>(fd);
        m = static_cast<int>(fm);
    };
    int latD = 0, latM = 0, lonD = 0, lonM = 0;
    double latS = 0, lonS = 0;
    dms(log.avgLatitude, latD, latM, latS);
    dms(log.avgLongitude, lonD, lonM, lonS);
    t.label2 = withUtf8DegreeSign(
        format("Truth coordinates(averaged): LAT: %d\xBA %d\" %0.6f ' LON: %d\xBA %d\" %0.6f ' "
               "ALT: %0.4f",
               latD, latM, latS, lonD, lonM, lonS, log.avgZ));

    t.label3 = format("Max errors: X: %0.2f Y: %0.2f Z: %0.2f ", log.maxErrorX, log.maxErrorY,
                      log.maxErrorZ);

    const auto s = static_cast<std::uint32_t>(static_cast<std::int32_t>(log.startTime));
    const auto u =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(log.endTime - log.startTime));
    t.label4 = format("Start time: %02d:%02d (utc) time scale: %d hours %d minutes",
                      static_cast<int>(s / 3600), static_cast<int>((s % 3600) / 60),
                      static_cast<int>(u / 3600), static_cast<int>((u % 3600) / 60));

    std::uint32_t within = 0;
    for (const GNSSRecord& r : log.records) {
        if (r.fixType == 4 && (r.validFlags & 0x04) != 0 && std::fabs(log.avgZ - r.height) < 0.03) {
            ++within;
        }
    }
    t.label5 = within != 0 ? format("Alt accuracy better than +-3cm: %0.2f%%",
                                    static_cast<double>(within) / log.rtkFixCount * 100)
                           : std::string("Alt accuracy better than +-3cm: UNAVAILABLE");

    t.label6 = format("Truth coordinates(cartesian/local averaged): X: %0.9f,Y: %0.9f,Z: %0.4f",
                      log.avgX, log.avgY, log.avgZ);
    return t;
}

void expectSameAsPrintf(const GNSSLog& log, const std::string& legend)
{
    const SummaryTexts actual = summaryTexts(log);
    const SummaryTexts expected = expectedTexts(log);
    EXPECT_EQ(actual.label1, expected.label1) << legend;
    EXPECT_EQ(actual.label2, expected.label2) << legend;
    EXPECT_EQ(actual.label3, expected.label3) << legend;
    EXPECT_EQ(actual.label4, expected.label4) << legend;
    EXPECT_EQ(actual.label5, expected.label5) << legend;
    EXPECT_EQ(actual.label6, expected.label6) << legend;
}

}  // namespace printf_reference

TEST(SummaryTextsMatchPrintf, TableOfAnalyses)
{
    struct Case {
        const char* legend;
        double lat, lon, avgZ, avgX, avgY;
        double maxX, maxY, maxZ;
        double start, end;
        std::int32_t fixed, lost;
        double heights[4];  // heights of four RTK-fixed records
    } const cases[] = {
        {"Finland", 60.1699, 24.9384, 45.1234, 6672345.123456789, 2552345.987654321, 0.125,
         0.135, 0.145, 3599.9, 3599.9 + 7260, 4, 1, {45.12, 45.16, 45.1234, 45.0935}},
        {"south-west", -33.8688, -151.2093, -12.00005, -1.5e-10, 0.0000000005, 2.675, 1.005,
         0.005, 0, 59.9, 2, 0, {-12.0, -11.98, -12.03, -12.029}},
        {"just below whole minutes", 60.999999999, 24.499999999999, 0.00005, 1e7 + 0.0000000005,
         2.5e6, 1234.565, 0.015, 99.995, 86399.99, 172799.5, 3, 7, {0.01, 0.02, 0.0299, 0.03}},
        {"zero", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, {1, 1, 1, 1}},
        {"time of week", -0.5, 0.75, 123.45675, 6654212.7255, 2500177.2745, 10.5, 0.5, 0.25,
         200000, 200000 + 86400 * 3, 1, 123, {123.45, 123.47, 200, -200}},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        for (const double h : c.heights) {
            log.records.push_back(fixedRecord(h));
        }
        log.records.push_back(fixedRecord(c.avgZ, 0));  // fixed, but no height
        GNSSRecord single;
        single.fixType = FixType::StandAlone;
        single.height = c.avgZ;
        single.validFlags = ValidFlag::Height;
        log.records.push_back(single);
        log.rtkFixCount = c.fixed;
        log.fixLostCount = c.lost;
        log.avgLatitude = c.lat;
        log.avgLongitude = c.lon;
        log.avgZ = c.avgZ;
        log.avgX = c.avgX;
        log.avgY = c.avgY;
        log.maxErrorX = c.maxX;
        log.maxErrorY = c.maxY;
        log.maxErrorZ = c.maxZ;
        log.startTime = c.start;
        log.endTime = c.end;
        printf_reference::expectSameAsPrintf(log, c.legend);
    }
}

TEST(SummaryTextsMatchPrintf, PseudoRandomAnalyses)
{
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    const auto uniform = [&state](double low, double high) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return low + (high - low) * static_cast<double>(state >> 11) * 0x1p-53;
    };
    for (int i = 0; i < 2000; ++i) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.avgZ = uniform(-500, 5000);
        const int records = 1 + i % 7;
        for (int k = 0; k < records; ++k) {
            log.records.push_back(fixedRecord(log.avgZ + uniform(-0.05, 0.05)));
        }
        log.rtkFixCount = records;
        log.fixLostCount = i;
        log.avgLatitude = uniform(-90, 90);
        log.avgLongitude = uniform(-180, 180);
        log.avgX = uniform(-1e7, 1e7);
        log.avgY = uniform(0, 3.5e6);
        log.maxErrorX = uniform(0, 100);
        log.maxErrorY = uniform(0, 1);
        log.maxErrorZ = uniform(0, 0.1);
        log.startTime = uniform(0, 604800);
        log.endTime = log.startTime + uniform(0, 604800);
        printf_reference::expectSameAsPrintf(log, "case " + std::to_string(i));
    }
}

}  // namespace
}  // namespace gnsslog
