// Number texts for files and reports: the digits of C printf in the "C"
// locale, whatever locale the process is in.
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "common/FormatNumber.h"

namespace gnsslog {
namespace {

// printf's text for one value, in the "C" locale.
std::string printed(const char* format, int precision, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, precision, value);
    return buffer;
}

// Restores the process's LC_NUMERIC when a test ends.
class NumericLocale {
public:
    NumericLocale()
    {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current != nullptr ? current : "C";
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    NumericLocale(const NumericLocale&) = delete;
    NumericLocale& operator=(const NumericLocale&) = delete;
    bool set(const char* name) { return std::setlocale(LC_NUMERIC, name) != nullptr; }

private:
    std::string saved_;
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Values where the formats differ in rounding, sign, exponent or length:
// exact ties (0.125 -> "0.12" ties to even; 2.675 is below its tie in
// binary), negative values that round to zero, the extremes and the
// non-finite values.
const double kEdgeValues[] = {0.0,     -0.0,      0.5,     1.5,      2.5,       0.125,   0.375,
                              2.675,   -0.00001,  -0.4,    1e-5,     123456.5,  9.9995,  0.0078125,
                              1e15,    1e16,      1e17,    1e21,     1e-300,    5e-324,  DBL_MIN,
                              DBL_MAX, -DBL_MAX,  kInf,    -kInf,    kNaN,      -kNaN,   6676543.123456789,
                              1193046.4666666667,  -2549876.0000000005};

TEST(FormatFixed, MatchesPrintfOnEdgeValues)
{
    NumericLocale locale;
    ASSERT_TRUE(locale.set("C"));
    for (double value : kEdgeValues) {
        for (int decimals : {0, 1, 2, 3, 4, 6, 9, 17, 30}) {
            EXPECT_EQ(formatFixed(value, decimals), printed("%.*f", decimals, value))
                << value << " with " << decimals << " decimals";
        }
    }
}

TEST(FormatGeneral, MatchesPrintfOnEdgeValues)
{
    NumericLocale locale;
    ASSERT_TRUE(locale.set("C"));
    for (double value : kEdgeValues) {
        for (int digits : {1, 2, 6, 15, 17, 40}) {
            EXPECT_EQ(formatGeneral(value, digits), printed("%.*g", digits, value))
                << value << " with " << digits << " digits";
        }
    }
}

TEST(FormatFixedAndGeneral, MatchPrintfOnRandomDoubles)
{
    NumericLocale locale;
    ASSERT_TRUE(locale.set("C"));
    std::mt19937_64 random(20260101u);
    std::uniform_real_distribution<double> metres(-1e7, 1e7);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int round = 0; round < 20000; ++round) {
        // Half of the values are everyday magnitudes, half any bit pattern.
        double value = metres(random);
        if (round % 2 == 1) {
            const std::uint64_t pattern = bits(random);
            std::memcpy(&value, &pattern, sizeof value);
        }
        const int decimals = round % 11;
        ASSERT_EQ(formatFixed(value, decimals), printed("%.*f", decimals, value)) << round;
        ASSERT_EQ(formatGeneral(value, 17), printed("%.*g", 17, value)) << round;
    }
}

TEST(FormatFixedAndGeneral, OutOfRangeCountsAreClamped)
{
    EXPECT_EQ(formatFixed(1.25, -3), "1");
    EXPECT_EQ(formatFixed(0.1, 1000), formatFixed(0.1, kMaxFixedDecimals));
    EXPECT_EQ(formatFixed(-DBL_MAX, 1000).size(), 1 + 309 + 1 + static_cast<std::size_t>(kMaxFixedDecimals));
    EXPECT_EQ(formatGeneral(1234.5, 0), "1e+03");
    EXPECT_EQ(formatGeneral(0.1, 1000), formatGeneral(0.1, kMaxGeneralDigits));
}

TEST(FormatNumbers, IgnoreACommaDecimalLocale)
{
    NumericLocale locale;
    if (!locale.set("fi_FI.UTF-8") && !locale.set("de_DE.UTF-8")) {
        GTEST_SKIP() << "no comma-decimal locale installed (scripts/setup generates fi_FI.UTF-8)";
    }
    // The process really is in a comma locale now.
    ASSERT_EQ(printed("%.*f", 1, 0.5), "0,5");
    EXPECT_EQ(formatFixed(0.0078125, 4), "0.0078");
    EXPECT_EQ(formatFixed(859.0, 3), "859.000");
    EXPECT_EQ(formatGeneral(0.1, 17), "0.10000000000000001");
    EXPECT_EQ(formatGeneral(1e-5, 17), "1.0000000000000001e-05");
    EXPECT_EQ(formatInt(-1234567), "-1234567");
}

TEST(FormatInt, PadsTheDigitsWithZerosAndKeepsTheSignOutside)
{
    struct Case {
        std::int64_t value;
        int minDigits;
        const char* text;
    };
    for (const Case& c : {Case{0, 1, "0"}, Case{0, 2, "00"}, Case{7, 2, "07"}, Case{59, 2, "59"},
                          Case{123, 2, "123"}, Case{5, 3, "005"}, Case{-7, 2, "-07"}, Case{-7, 0, "-7"},
                          Case{42, -5, "42"},
                          Case{std::numeric_limits<std::int64_t>::min(), 1, "-9223372036854775808"},
                          Case{std::numeric_limits<std::int64_t>::max(), 20, "09223372036854775807"}}) {
        EXPECT_EQ(formatInt(c.value, c.minDigits), c.text) << c.value << " to " << c.minDigits;
    }
    std::string out = "x=";
    appendInt(out, 3, 2);
    EXPECT_EQ(out, "x=03");
}

TEST(Align, PadsToTheColumnWidthAndKeepsLongerTextWhole)
{
    EXPECT_EQ(alignRight("1.5", 6), "   1.5");
    EXPECT_EQ(alignLeft("X", 4), "X   ");
    EXPECT_EQ(alignRight("not regained", 4), "not regained");
    EXPECT_EQ(alignLeft("", 0), "");
    // As printf lays out the same columns.
    for (const char* text : {"", "3-D", "0.0078", "not regained"}) {
        for (int width : {0, 4, 10}) {
            char right[64];
            char left[64];
            std::snprintf(right, sizeof right, "%*s", width, text);
            std::snprintf(left, sizeof left, "%-*s", width, text);
            EXPECT_EQ(alignRight(text, static_cast<std::size_t>(width)), right) << text << ' ' << width;
            EXPECT_EQ(alignLeft(text, static_cast<std::size_t>(width)), left) << text << ' ' << width;
        }
    }
}

}  // namespace
}  // namespace gnsslog
