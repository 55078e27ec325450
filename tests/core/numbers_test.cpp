// Number fields: the C conversions' tolerance, without their locale, their
// non-finite results or their hex floats.
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "log/formats/NumberFields.h"

namespace gnsslog {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

double decimal(const std::string& s) { return parseDecimal(s.data(), s.size()); }
std::int32_t integer(const std::string& s) { return parseInt32(s.data(), s.size()); }

struct DecimalCase {
    const char* legend;
    const char* text;
    double expected;
};

TEST(ParseDecimal, TableOfFormsStrtodAccepts)
{
    const DecimalCase cases[] = {
        {"empty gives 0", "", 0.0},
        {"blanks only give 0", " \t ", 0.0},
        {"plain", "4807.038", 4807.038},
        {"every C blank skipped", " \t\n\v\f\r2.5", 2.5},
        {"plus sign", "+1.5", 1.5},
        {"minus sign", "-1.5", -1.5},
        {"no integer digits", ".5", 0.5},
        {"no fraction digits", "5.", 5.0},
        {"exponent", "1e5", 1e5},
        {"capital exponent, negative", "1E-2", 0.01},
        {"exponent without digits reads the mantissa", "1e", 1.0},
        {"exponent sign without digits", "1e+", 1.0},
        {"stops at the comma", "0.9,545.4", 0.9},
        {"stops at junk", "12abc", 12.0},
        {"second point ends it", "1.2.3", 1.2},
        {"lone point is no number", ".", 0.0},
        {"exponent alone is no number", "e5", 0.0},
        {"two signs are no number", "+-5", 0.0},
        {"doubled minus is no number", "--5", 0.0},
        {"blank after sign is no number", "- 5", 0.0},
        {"letters", "M", 0.0},
        {"leading zeros", "00026", 26.0},
        {"underflow gives 0", "1e-400", 0.0},
        {"smallest subnormal survives", "4.9406564584124654e-324", 4.9406564584124654e-324},
    };
    for (const DecimalCase& c : cases) {
        EXPECT_EQ(decimal(c.text), c.expected) << c.legend << ": \"" << c.text << '"';
    }
}

TEST(ParseDecimal, NonFiniteResultsReadZero)
{
    for (const char* text : {"nan", "NAN", "-nan", "nan(1)", "inf", "-inf", "+INF", "infinity"}) {
        const double value = decimal(text);
        EXPECT_EQ(value, 0.0) << text;
        EXPECT_FALSE(std::signbit(value)) << text;
    }
    for (const char* text : {"1e999", "-1e999", "1.8e308"}) {
        EXPECT_EQ(decimal(text), 0.0) << text;
    }
    // The largest finite double is still a number.
    EXPECT_EQ(decimal("1.7976931348623157e308"), std::numeric_limits<double>::max());
}

TEST(ParseDecimal, HexFloatsReadTheirLeadingZero)
{
    EXPECT_EQ(decimal("0x1p3"), 0.0);
    EXPECT_EQ(decimal("0X10"), 0.0);
    EXPECT_EQ(decimal("-0x1.8p1"), 0.0);
    EXPECT_EQ(decimal(" +0xff"), 0.0);
}

TEST(ParseDecimal, SignOfZeroFollowsTheText)
{
    EXPECT_FALSE(std::signbit(decimal("0")));
    EXPECT_TRUE(std::signbit(decimal("-0")));
    EXPECT_TRUE(std::signbit(decimal("-1e-400")));
}

TEST(ParseDecimal, ReadsOnlyTheGivenLength)
{
    const char digits[] = {'1', '2', '3', '.', '5'};  // not zero-terminated
    EXPECT_EQ(parseDecimal(digits, 2), 12.0);
    EXPECT_EQ(parseDecimal(digits, 5), 123.5);
    EXPECT_EQ(parseDecimal(digits, 0), 0.0);
    EXPECT_EQ(parseDecimal("1e5", 2), 1.0);  // the exponent is cut off
    EXPECT_EQ(parseDecimal("-", 1), 0.0);
}

struct IntegerCase {
    const char* legend;
    const char* text;
    std::int32_t expected;
};

TEST(ParseInt32, TableOfFormsStrtolAccepts)
{
    const IntegerCase cases[] = {
        {"empty gives 0", "", 0},
        {"plain", "08", 8},
        {"blanks and plus", " \t+42", 42},
        {"minus", "-17", -17},
        {"stops at the point", "1.9", 1},
        {"stops at junk", "26abc", 26},
        {"hex is not read", "0x10", 0},
        {"two signs are no number", "+-5", 0},
        {"blank after sign is no number", "- 5", 0},
        {"letters", "N", 0},
        {"largest", "2147483647", kMax},
        {"smallest", "-2147483648", kMin},
        {"one past the largest saturates", "2147483648", kMax},
        {"one past the smallest saturates", "-2147483649", kMin},
        {"far past saturates", "99999999999999999999999", kMax},
        {"far below saturates", "-99999999999999999999999", kMin},
        {"leading zeros do not count toward the limit", "000000000000002147483647", kMax},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(integer(c.text), c.expected) << c.legend << ": \"" << c.text << '"';
    }
    EXPECT_EQ(parseInt32("123", 2), 12);
    EXPECT_EQ(parseInt32("123", 0), 0);
}

// The C functions as the decoders are meant to behave, in the C locale,
// with only the deliberate differences applied.
double referenceDecimal(const std::string& s)
{
    const char* p = s.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        return negative ? -0.0 : 0.0;  // we read the "0" alone
    }
    errno = 0;
    const double value = std::strtod(s.c_str(), nullptr);
    if (!std::isfinite(value)) {
        return errno == ERANGE ? std::copysign(0.0, value) : 0.0;
    }
    return value;
}

std::int32_t referenceInteger(const std::string& s)
{
    const long value = std::strtol(s.c_str(), nullptr, 10);
    if (value > kMax) {
        return kMax;
    }
    if (value < kMin) {
        return kMin;
    }
    return static_cast<std::int32_t>(value);
}

TEST(NumberFields, AgreeWithTheCFunctionsOnRandomShortTexts)
{
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    // Pieces that make up numbers, near-numbers and junk.
    const char* const pieces[] = {"0", "1", "2", "5", "9", "00", "123", ".", ".", "e", "E", "+", "-",
                                  " ", "\t", "x", "X", "p", "inf", "nan", "a", "f", ",", "*", "e3",
                                  "e-3", "e400", "e-400", "99999999999"};
    std::mt19937 random(20240117u);
    std::uniform_int_distribution<int> pieceCount(0, 6);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        for (int n = pieceCount(random); n > 0; --n) {
            s += pieces[pick(random)];
        }
        const double expected = referenceDecimal(s);
        const double actual = decimal(s);
        ASSERT_EQ(actual, expected) << '"' << s << '"';
        ASSERT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << s << '"';
        ASSERT_EQ(integer(s), referenceInteger(s)) << '"' << s << '"';
    }
}

TEST(ParseDecimal, PlainDecimalsRoundLikeStrtod)
{
    // Digit strings of 1 to 18 digits with the point anywhere: both sides of
    // the 15-digit short cut, compared bit for bit.
    std::mt19937 random(99u);
    std::uniform_int_distribution<int> length(1, 18);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int round = 0; round < 20000; ++round) {
        const int n = length(random);
        const int point = std::uniform_int_distribution<int>(0, n)(random);
        std::string s = "-";
        for (int i = 0; i <= n; ++i) {
            if (i == point) {
                s += '.';
            }
            if (i < n) {
                s += static_cast<char>('0' + digit(random));
            }
        }
        const std::string positive = s.substr(1);
        ASSERT_EQ(decimal(positive), std::strtod(positive.c_str(), nullptr)) << positive;
        ASSERT_EQ(decimal(s), std::strtod(s.c_str(), nullptr)) << s;
    }
    EXPECT_EQ(decimal("0.1"), 0.1);
    EXPECT_EQ(decimal("123456789012345"), 123456789012345.0);
    EXPECT_EQ(decimal("9007199254740993"), 9007199254740992.0);  // 2^53 + 1 rounds to even
    EXPECT_EQ(decimal("0.000000000000001"), 1e-15);
    EXPECT_EQ(decimal("1.5e3"), 1500.0);  // the exponent is not dropped
}

// Whole-text decimals (the .pos columns): the value strtod gives where the
// whole text is one finite number with at most one sign, nothing otherwise.
TEST(ReadWholeDecimal, AcceptsExactlyOneFiniteNumberAndReadsItLikeStrtod)
{
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    const char* const pieces[] = {"0", "1", "7", "00", "123", "4567890123", ".", "e", "E", "+", "-",
                                  " ", "x", "inf", "nan", "e3", "e-3", "e400", "e-400", "99999999999"};
    std::mt19937 random(4521u);
    std::uniform_int_distribution<int> pieceCount(0, 6);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        for (int n = pieceCount(random); n > 0; --n) {
            s += pieces[pick(random)];
        }
        char* end = nullptr;
        errno = 0;
        const double expected = std::strtod(s.c_str(), &end);
        const bool signs = s.size() > 1 && (s[0] == '+' || s[0] == '-') && (s[1] == '+' || s[1] == '-');
        const bool whole = !s.empty() && end == s.c_str() + s.size() && std::isfinite(expected) &&
                           errno != ERANGE && s[0] != ' ' && s.find_first_of("xXnN") == std::string::npos &&
                           !signs;
        double value = -12345;
        const bool read = readWholeDecimal(s.data(), s.size(), value);
        if (whole) {
            ASSERT_TRUE(read) << '"' << s << '"';
            ASSERT_EQ(value, expected) << '"' << s << '"';
            ASSERT_EQ(std::signbit(value), std::signbit(expected)) << '"' << s << '"';
        } else if (errno != ERANGE) {
            ASSERT_FALSE(read) << '"' << s << '"';
            ASSERT_EQ(value, -12345) << '"' << s << '"';
        }
    }
    double value = 0;
    EXPECT_TRUE(readWholeDecimal("-105.147247371", 14, value));
    EXPECT_EQ(value, -105.147247371);
    EXPECT_FALSE(readWholeDecimal("1.5 ", 4, value));  // nothing may follow
    EXPECT_FALSE(readWholeDecimal("", 0, value));
}

}  // namespace
}  // namespace gnsslog
