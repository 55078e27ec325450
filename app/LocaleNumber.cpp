#include "app/LocaleNumber.h"

#include <QLocale>

#include <charconv>
#include <string>
#include <system_error>

namespace gnsslog {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

}  // namespace

FloatConversionError::FloatConversionError(const QString& text)
    : std::runtime_error(QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString())
{
}

namespace {

// A number rebuilt in C notation for std::from_chars, which ignores the
// process locale (Qt sets LC_NUMERIC from the environment).
struct CNotation {
    std::string text;
    bool negative = false;
    int firstNonZeroPower = 0;  // decimal power of the first non-zero digit
    long exponent = 0;
};

// Sign, integer digits and the fraction after the locale's decimal point;
// false without any digit.
bool readMantissa(const QString& text, qsizetype& at, qsizetype end, const QString& decimalPoint,
                  CNotation& number)
{
    if (at < end && (text[at] == u'+' || text[at] == u'-')) {
        number.negative = text[at] == u'-';
        ++at;
    }
    int integerDigits = 0;
    int fractionDigits = 0;
    int leadingZeros = 0;  // zeros before the first non-zero digit
    bool seenNonZero = false;
    while (at < end && isDigit(text[at])) {
        number.text.push_back(static_cast<char>(text[at].unicode()));
        if (text[at] != u'0') {
            seenNonZero = true;
        } else if (!seenNonZero) {
            ++leadingZeros;
        }
        ++integerDigits;
        ++at;
    }
    if (seenNonZero) {
        number.firstNonZeroPower = integerDigits - 1 - leadingZeros;
    }
    if (!decimalPoint.isEmpty() && QStringView(text).sliced(at, end - at).startsWith(decimalPoint)) {
        at += decimalPoint.size();
        number.text.push_back('.');
        while (at < end && isDigit(text[at])) {
            number.text.push_back(static_cast<char>(text[at].unicode()));
            ++fractionDigits;
            if (!seenNonZero && text[at] != u'0') {
                seenNonZero = true;
                number.firstNonZeroPower = -fractionDigits;
            }
            ++at;
        }
    }
    return integerDigits + fractionDigits > 0;
}

// An optional "e" exponent; false when its digits are missing.
bool readExponent(const QString& text, qsizetype& at, qsizetype end, CNotation& number)
{
    if (at == end || (text[at] != u'e' && text[at] != u'E')) {
        return true;
    }
    ++at;
    number.text.push_back('e');
    bool negativeExponent = false;
    if (at < end && (text[at] == u'+' || text[at] == u'-')) {
        negativeExponent = text[at] == u'-';
        number.text.push_back(static_cast<char>(text[at].unicode()));
        ++at;
    }
    const qsizetype digitsStart = at;
    long exponent = 0;
    while (at < end && isDigit(text[at])) {
        number.text.push_back(static_cast<char>(text[at].unicode()));
        if (exponent < 100000) {
            exponent = exponent * 10 + (text[at].unicode() - u'0');
        }
        ++at;
    }
    number.exponent = negativeExponent ? -exponent : exponent;
    return at != digitsStart;
}

}  // namespace

double textToFloat(const QString& text, const QString& decimalPoint)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    CNotation number;
    qsizetype at = begin;
    if (!readMantissa(text, at, end, decimalPoint, number) || !readExponent(text, at, end, number) ||
        at != end) {
        throw FloatConversionError(text);
    }
    const std::string& c = number.text;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small reads as zero; too large is not a usable coordinate.
        if (number.firstNonZeroPower + number.exponent < 0) {
            return number.negative ? -0.0 : 0.0;
        }
        throw FloatConversionError(text);
    }
    if (ec != std::errc() || ptr != c.data() + c.size()) {
        throw FloatConversionError(text);
    }
    return number.negative ? -value : value;
}

double textToFloat(const QString& text)
{
    return textToFloat(text, QLocale::system().decimalPoint());
}

}  // namespace gnsslog
