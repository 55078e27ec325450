// The NMEA field reader's one-pass number reads against the two-step way
// they stand for: cut the field, then parse it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "log/formats/nmea/NmeaFieldReader.h"

namespace gnsslog::nmea {
namespace {

enum class Read { Decimal, Integer, Latitude, Longitude, Plain };

struct Step {
    bool ok = false;
    double decimal = -7.25;  // a sentinel: a failed read leaves it alone
    std::int32_t integer = -7;
};

Step twoStep(FieldReader& in, Read read)
{
    Step step;
    switch (read) {
    case Read::Decimal:
        step.ok = in.next();
        if (step.ok) {
            step.decimal = in.decimal();
        }
        break;
    case Read::Integer:
        step.ok = in.next();
        if (step.ok) {
            step.integer = in.integer();
        }
        break;
    case Read::Latitude:
    case Read::Longitude:
        step.ok = in.next() && readDegreesMinutes(in, read == Read::Latitude ? 2 : 3, step.decimal);
        break;
    case Read::Plain: step.ok = in.next(); break;
    }
    return step;
}

Step onePass(FieldReader& in, Read read)
{
    Step step;
    switch (read) {
    case Read::Decimal: step.ok = in.nextDecimal(step.decimal); break;
    case Read::Integer: step.ok = in.nextInteger(step.integer); break;
    case Read::Latitude: step.ok = in.nextDegreesMinutes(2, step.decimal); break;
    case Read::Longitude: step.ok = in.nextDegreesMinutes(3, step.decimal); break;
    case Read::Plain: step.ok = in.next(); break;
    }
    return step;
}

// Reads the sentence both ways with the same reads and checks that every
// result, every field and the place after the last read agree.
void expectSameReads(const std::string& sentence, const std::vector<Read>& reads)
{
    FieldReader expected(sentence.c_str());
    FieldReader actual(sentence.c_str());
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const Step want = twoStep(expected, reads[i]);
        const Step got = onePass(actual, reads[i]);
        SCOPED_TRACE("read " + std::to_string(i) + " of \"" + sentence + "\"");
        ASSERT_EQ(got.ok, want.ok);
        // Bit patterns, so that -0.0 and 0.0 differ.
        ASSERT_EQ(std::memcmp(&got.decimal, &want.decimal, sizeof(double)), 0)
            << got.decimal << " vs " << want.decimal;
        ASSERT_EQ(got.integer, want.integer);
        ASSERT_EQ(actual.text(), expected.text());
        ASSERT_EQ(actual.size(), expected.size());
    }
    ASSERT_EQ(actual.nextOrLast(), expected.nextOrLast());
    ASSERT_EQ(actual.text(), expected.text());
    ASSERT_EQ(actual.size(), expected.size());
}

TEST(FieldReaderOnePass, TypicalAndBorderFieldsAgreeWithCutThenParse)
{
    const std::vector<Read> gga = {Read::Plain,   Read::Plain,   Read::Latitude, Read::Plain,
                                   Read::Longitude, Read::Plain, Read::Integer,  Read::Integer,
                                   Read::Decimal, Read::Decimal, Read::Plain,    Read::Decimal,
                                   Read::Plain,   Read::Decimal};
    for (const char* sentence : {
             "$GPGGA,203236.00,6012.30976071,N,02454.07046775,E,1,07,0.9,33.8456,M,17.512,M,,*64",
             "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,1.5,0000*76",
             // Empty, signed, blank-led and exponent fields take the general way.
             "$GPGGA,,,N,,E,-1,+07, 0.9,-33.8,M,1e3,M,2E-1,*00",
             // 15, 16 and 17 digits; 9 and 10 digit integers; int32 saturation.
             "$GPGGA,1,6012.3456789012345,N,02454.34567890123456,E,123456789,1234567890,"
             "12345678901234.5,1234567890123456.,M,.5,M,99999999999,*00",
             // Degrees without minutes, minutes starting with a point, letters.
             "$GPGGA,1,60,N,024.5,E,A,7x,0.9.1,3e,M,,M,5,*00",
             // A number ended by the checksum star or by the end of the text.
             "$GPGGA,1,6012.5,N,02454.5,E,1,07,0.9,33.8,M,17.5,M,1.5*00",
             "$GPGGA,1,6012.5,N,02454.5,E,1,07,0.9,33.8",
         }) {
        expectSameReads(sentence, gga);
    }
}

TEST(FieldReaderOnePass, RandomFieldsAgreeWithCutThenParse)
{
    std::mt19937 random(20261209);
    const std::string alphabet = "0123456789012345678901234567890123456789..,,,,-+eE *N\t";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> length(0, 90);
    std::uniform_int_distribution<int> readKind(0, 4);
    for (int round = 0; round < 50000; ++round) {
        std::string sentence = "$GPGGA,";
        const int n = length(random);
        for (int i = 0; i < n; ++i) {
            sentence += alphabet[static_cast<std::size_t>(pick(random))];
        }
        std::vector<Read> reads(12);
        for (Read& read : reads) {
            read = static_cast<Read>(readKind(random));
        }
        expectSameReads(sentence, reads);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(FieldReaderOnePass, TwoCharacterNumbersAgreeWithParseInt32)
{
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const char text[3] = {static_cast<char>(first), static_cast<char>(second), '\0'};
            ASSERT_EQ(twoCharacterInt32(text), parseInt32(text, 2)) << first << " " << second;
        }
    }
}

}  // namespace
}  // namespace gnsslog::nmea
