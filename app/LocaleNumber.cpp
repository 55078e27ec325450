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

    // Rebuild the number in C notation for std::from_chars, which ignores
    // the process locale (Qt sets LC_NUMERIC from the environment).
    std::string c;
    qsizetype at = begin;
    bool negative = false;
    if (at < end && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    int integerDigits = 0;
    int fractionDigits = 0;
    int leadingZeros = 0;       // zeros before the first non-zero digit
    bool seenNonZero = false;
    int firstNonZeroPower = 0;  // decimal power of the first non-zero digit
    while (at < end && isDigit(text[at])) {
        c.push_back(static_cast<char>(text[at].unicode()));
        if (text[at] != u'0') {
            seenNonZero = true;
        } else if (!seenNonZero) {
            ++leadingZeros;
        }
        ++integerDigits;
        ++at;
    }
    if (seenNonZero) {
        firstNonZeroPower = integerDigits - 1 - leadingZeros;
    }
    if (!decimalPoint.isEmpty() && QStringView(text).sliced(at, end - at).startsWith(decimalPoint)) {
        at += decimalPoint.size();
        c.push_back('.');
        while (at < end && isDigit(text[at])) {
            c.push_back(static_cast<char>(text[at].unicode()));
            ++fractionDigits;
            if (!seenNonZero && text[at] != u'0') {
                seenNonZero = true;
                firstNonZeroPower = -fractionDigits;
            }
            ++at;
        }
    }
    if (integerDigits + fractionDigits == 0) {
        throw FloatConversionError(text);
    }
    long exponent = 0;
    bool negativeExponent = false;
    if (at < end && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        c.push_back('e');
        if (at < end && (text[at] == u'+' || text[at] == u'-')) {
            negativeExponent = text[at] == u'-';
            c.push_back(static_cast<char>(text[at].unicode()));
            ++at;
        }
        const qsizetype digitsStart = at;
        while (at < end && isDigit(text[at])) {
            c.push_back(static_cast<char>(text[at].unicode()));
            if (exponent < 100000) {
                exponent = exponent * 10 + (text[at].unicode() - u'0');
            }
            ++at;
        }
        if (at == digitsStart) {
            throw FloatConversionError(text);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (at != end) {
        throw FloatConversionError(text);
    }

    double value = 0;
    const auto [ptr, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small reads as zero; too large is not a usable coordinate.
        if (firstNonZeroPower + exponent < 0) {
            return negative ? -0.0 : 0.0;
        }
        throw FloatConversionError(text);
    }
    if (ec != std::errc() || ptr != c.data() + c.size()) {
        throw FloatConversionError(text);
    }
    return negative ? -value : value;
}

double textToFloat(const QString& text)
{
    return textToFloat(text, QLocale::system().decimalPoint());
}

}  // namespace gnsslog
