// Text-to-double conversion of the main window's coordinate edit boxes.
//
// The boxes take numbers the way the user writes them: with the decimal
// separator of the user's locale and no thousands separators. Accepted,
// after blanks (spaces, tabs) at either end are dropped:
//
//   [+|-] digits [sep digits] [(e|E) [+|-] digits]
//
// where either the integer or the fraction digits may be missing but not
// both ("1", "-1", ".5", "1.", "2.5e3" with sep "."). Anything else, and a
// value beyond the double range, fails with the message
// "'<text>' is not a valid floating point value" carrying the text as it
// was typed. A value too small for a double reads as zero.
#pragma once

#include <QString>

#include <stdexcept>

namespace gnsslog {

class FloatConversionError : public std::runtime_error {
public:
    explicit FloatConversionError(const QString& text);
};

// Converts with the given decimal separator (one or more characters).
double textToFloat(const QString& text, const QString& decimalPoint);

// Converts with the decimal separator of the user's locale.
double textToFloat(const QString& text);

}  // namespace gnsslog
