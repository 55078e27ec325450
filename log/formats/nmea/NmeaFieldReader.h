// Reading the fields of one NMEA sentence, shared by the sentence decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "log/formats/nmea/NmeaDecoder.h"
#include "log/formats/NumberFields.h"

namespace gnsslog::nmea {

inline constexpr double kDegreesPerMinute = 1.0 / 60.0;
inline constexpr double kSecondsPerMinute = 60.0;
inline constexpr double kSecondsPerHour = 3600.0;

// Copies the field before the first separator into out and moves rest past
// it; size receives the copied length. The one place a field is cut.
inline bool cutField(char* out, std::size_t& size, char*& rest, char separator) noexcept
{
    out[0] = '\0';
    size = 0;
    // The terminator is never a separator, or rest would walk off the end.
    if (separator == '\0') {
        return false;
    }
    // One pass that copies while it looks for the separator: fields are a
    // few characters, shorter than the set-up of strchr plus memcpy.
    std::size_t length = 0;
    char* p = rest;
    for (; *p != separator; ++p) {
        if (*p == '\0') {
            out[0] = '\0';
            return false;
        }
        if (length < kNmeaFieldCapacity - 1) {
            out[length++] = *p;
        }
    }
    out[length] = '\0';
    size = length;
    rest = p + 1;
    return true;
}

// The sentence's fields, one at a time, read where they stand: a field is
// its first kNmeaFieldCapacity - 1 characters, as cutField would copy them,
// without the copy (the decoders are the hot loop of an NMEA analysis).
class FieldReader {
public:
    explicit FieldReader(const char* sentence) noexcept : rest_(sentence) {}

    // As cutField: false, an empty field and rest unchanged when no
    // separator is left (the terminator is never one).
    bool next(char separator = ',') noexcept
    {
        text_ = rest_;
        size_ = 0;
        if (separator == '\0') {
            return false;
        }
        const char* p = rest_;
        for (; *p != separator; ++p) {
            if (*p == '\0') {
                return false;
            }
        }
        const std::size_t length = static_cast<std::size_t>(p - rest_);
        size_ = length < kNmeaFieldCapacity - 1 ? length : kNmeaFieldCapacity - 1;
        rest_ = p + 1;
        return true;
    }

    // The next field, or the last one (ended by the checksum's '*').
    bool nextOrLast() noexcept { return next(',') || next('*'); }

    // Skips n present fields.
    bool skip(int n = 1) noexcept
    {
        for (int i = 0; i < n; ++i) {
            if (!next()) {
                return false;
            }
        }
        return true;
    }

    // next() and then decimal(), integer() or readDegreesMinutes(): the
    // same results and the same state after, with the common field (a plain
    // number ended by a comma) read in one pass instead of a walk to the
    // comma and a second one over the digits. On false, value is untouched.
    bool nextDecimal(double& value) noexcept
    {
        return nextNumber(value);
    }
    bool nextInteger(std::int32_t& value) noexcept
    {
        return nextNumber(value);
    }

    // False also for a field too short to hold a position.
    bool nextDegreesMinutes(std::size_t degreeDigits, double& degrees) noexcept;

    // The field's characters; not zero-terminated.
    const char* text() const noexcept { return text_; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    bool is(char letter) const noexcept { return size_ == 1 && text_[0] == letter; }

    std::int32_t integer() const noexcept { return parseInt32(text_, size_); }
    double decimal() const noexcept { return parseDecimal(text_, size_); }

private:
    // The field from rest_ to end, a comma, as next() would cut it (a plain
    // number is far shorter than the field capacity).
    void take(const char* end) noexcept
    {
        text_ = rest_;
        size_ = static_cast<std::size_t>(end - rest_);
        rest_ = end + 1;
    }

    // Number is double or std::int32_t.
    template <typename Number>
    bool nextNumber(Number& value) noexcept
    {
        constexpr bool kDecimal = std::is_same_v<Number, double>;
        Number scanned{};
        const char* end = nullptr;
        if constexpr (kDecimal) {
            end = scanPlainDecimal(rest_, scanned);
        } else {
            end = scanDigitsInt32(rest_, scanned);
        }
        if (end != nullptr && *end == ',') {
            take(end);
            value = scanned;
            return true;
        }
        if (!next()) {
            return false;
        }
        if constexpr (kDecimal) {
            value = decimal();
        } else {
            value = integer();
        }
        return true;
    }

    const char* rest_;
    const char* text_ = rest_;
    std::size_t size_ = 0;
};

// parseInt32(text, 2), with two digits (nearly always) read directly.
inline std::int32_t twoCharacterInt32(const char* text) noexcept
{
    const unsigned tens = static_cast<unsigned char>(text[0]) - unsigned{'0'};
    const unsigned ones = static_cast<unsigned char>(text[1]) - unsigned{'0'};
    if (tens <= 9 && ones <= 9) {
        return static_cast<std::int32_t>(tens * 10 + ones);
    }
    return parseInt32(text, 2);
}

// hhmmss.ss: hours and minutes two characters each, seconds at most five
// characters from the fifth on (so 123519.123 gives 19.12 s).
inline bool readTime(const FieldReader& in, double& time) noexcept
{
    if (in.size() < 4) {
        return false;
    }
    const std::int32_t hours = twoCharacterInt32(in.text());
    const std::int32_t minutes = twoCharacterInt32(in.text() + 2);
    const std::size_t secondsLength = in.size() - 4 < 5 ? in.size() - 4 : 5;
    const double seconds = parseDecimal(in.text() + 4, secondsLength);
    double t = seconds;
    t += minutes * kSecondsPerMinute;
    t += hours * kSecondsPerHour;
    time = t;
    return true;
}

// ddmm.mmmm (degreeDigits 2) or dddmm.mmmm (3) to degrees; too short a
// field (degree digits only, or fewer) has no position.
inline bool readDegreesMinutes(const FieldReader& in, std::size_t degreeDigits, double& degrees) noexcept
{
    if (in.size() <= degreeDigits) {
        return false;
    }
    const std::int32_t whole = parseInt32(in.text(), degreeDigits);
    const double minutes = parseDecimal(in.text() + degreeDigits, in.size() - degreeDigits);
    degrees = whole + minutes * kDegreesPerMinute;
    return true;
}

inline bool FieldReader::nextDegreesMinutes(std::size_t degreeDigits, double& degrees) noexcept
{
    // Degree digits, then the minutes as a plain number ended by a comma.
    std::int32_t whole = 0;
    std::size_t i = 0;
    for (; i < degreeDigits; ++i) {
        const unsigned digit = static_cast<unsigned char>(rest_[i]) - unsigned{'0'};
        if (digit > 9) {
            break;
        }
        whole = whole * 10 + static_cast<std::int32_t>(digit);
    }
    double minutes = 0.0;
    const char* const end = i == degreeDigits ? scanPlainDecimal(rest_ + i, minutes) : nullptr;
    if (end != nullptr && *end == ',') {
        take(end);
        degrees = whole + minutes * kDegreesPerMinute;
        return true;
    }
    return next() && readDegreesMinutes(*this, degreeDigits, degrees);
}

}  // namespace gnsslog::nmea
