// The edit boxes' number conversion: locale decimal separator, blanks,
// and the error message for everything else.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/LocaleNumber.h"

namespace gnsslog {
namespace {

TEST(TextToFloat, AcceptsTheLocaleSeparatorSignsExponentsAndBlanks)
{
    struct Case {
        const char* text;
        const char* separator;
        double expected;
    };
    for (const auto& c : {Case{"0", ".", 0.0}, Case{"12.5", ".", 12.5}, Case{"12,5", ",", 12.5},
                          Case{"-0.5", ".", -0.5}, Case{"+3", ".", 3.0}, Case{".25", ".", 0.25},
                          Case{"7.", ".", 7.0}, Case{"2.5e3", ".", 2500.0}, Case{"2,5E-2", ",", 0.025},
                          Case{"1e+2", ".", 100.0}, Case{"  6676543.210\t", ".", 6676543.21},
                          Case{"2549876", ",", 2549876.0}, Case{"1e-400", ".", 0.0}}) {
        EXPECT_DOUBLE_EQ(textToFloat(c.text, c.separator), c.expected) << c.text << " with " << c.separator;
    }
    EXPECT_TRUE(std::signbit(textToFloat("-0", ".")));
    EXPECT_EQ(textToFloat("0.1", "."), 0.1) << "correctly rounded";
}

TEST(TextToFloat, RejectsEverythingElseWithTheTextAsTyped)
{
    struct Case {
        const char* text;
        const char* separator;
    };
    for (const auto& c : {Case{"", "."}, Case{"   ", "."}, Case{"abc", "."}, Case{"12abc", "."}, Case{"1.5", ","},
                          Case{"1,5", "."}, Case{"1,000.5", "."}, Case{"1 000", "."}, Case{".", "."},
                          Case{"-", "."}, Case{"1e", "."}, Case{"1e+", "."}, Case{"e5", "."}, Case{"--1", "."},
                          Case{"inf", "."}, Case{"nan", "."}, Case{"0x10", "."}, Case{"1e400", "."},
                          Case{"1.2.3", "."}, Case{"\xd9\xa3", "."}}) {
        try {
            (void)textToFloat(QString::fromUtf8(c.text), c.separator);
            ADD_FAILURE() << "accepted '" << c.text << "'";
        } catch (const FloatConversionError& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QString("'%1' is not a valid floating point value").arg(QString::fromUtf8(c.text)));
        }
    }
}

TEST(TextToFloat, LargestDoublesStillConvert)
{
    EXPECT_EQ(textToFloat("1.7976931348623157e308", "."), std::numeric_limits<double>::max());
    EXPECT_EQ(textToFloat("-1.7976931348623157e308", "."), -std::numeric_limits<double>::max());
}

}  // namespace
}  // namespace gnsslog
