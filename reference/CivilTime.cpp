#include "reference/CivilTime.h"

#include <algorithm>
#include <charconv>

namespace gnsslog {

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerMinute = 60.0;

// Exactly `digits` decimal digits at text[at].
bool readDigits(std::string_view text, std::size_t at, std::size_t digits, int& value) noexcept
{
    if (at + digits > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool isLeapYear(int year) noexcept
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) noexcept
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// The zone after the seconds: none, "Z", or a signed hh[:]mm offset;
// offset is what the local time is ahead of UTC.
bool readZone(std::string_view zone, double& offset) noexcept
{
    offset = 0;
    if (zone.empty() || zone == "Z") {
        return true;
    }
    if (zone[0] != '+' && zone[0] != '-') {
        return false;
    }
    int hours = 0;
    int minutes = 0;
    const bool colon = zone.size() == 6 && zone[3] == ':';
    if ((zone.size() != 5 && !colon) || !readDigits(zone, 1, 2, hours) ||
        !readDigits(zone, colon ? 4 : 3, 2, minutes) || hours > 23 || minutes > 59) {
        return false;
    }
    offset = (zone[0] == '-' ? -1.0 : 1.0) * (hours * kSecondsPerHour + minutes * kSecondsPerMinute);
    return true;
}

}  // namespace

bool parseIso8601(std::string_view text, double& seconds) noexcept
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (text.size() < 19 || !readDigits(text, 0, 4, year) || text[4] != '-' ||
        !readDigits(text, 5, 2, month) || text[7] != '-' || !readDigits(text, 8, 2, day) ||
        (text[10] != 'T' && text[10] != ' ') || !readDigits(text, 11, 2, hour) ||
        text[13] != ':' || !readDigits(text, 14, 2, minute) || text[16] != ':' ||
        !readDigits(text, 17, 2, second)) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return false;
    }
    std::size_t at = 19;
    double fraction = 0;
    if (at < text.size() && text[at] == '.') {
        const std::size_t digitsStart = at + 1;
        at = digitsStart;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        if (at == digitsStart) {
            return false;
        }
        // "0." in front keeps the fraction below one second whatever its length.
        char buffer[32] = {'0', '.'};
        const std::size_t digits = std::min<std::size_t>(at - digitsStart, sizeof buffer - 2);
        text.copy(buffer + 2, digits, digitsStart);
        std::from_chars(buffer, buffer + 2 + digits, fraction);
    }
    double offset = 0;
    if (!readZone(text.substr(at), offset)) {
        return false;
    }
    seconds = secondsOfDate(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
              hour * kSecondsPerHour + minute * kSecondsPerMinute + second + fraction - offset;
    return true;
}

}  // namespace gnsslog
