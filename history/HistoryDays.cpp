#include "history/HistoryDays.h"

#include <cmath>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr std::int64_t kDaysPer400Years = 146097;
// Days far enough out for any log: about 27 000 years either side.
constexpr double kLargestDayCount = 1e7;

bool isLeapYear(std::int64_t year) noexcept
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(std::int64_t year, unsigned month) noexcept
{
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

int digitsValue(std::string_view text) noexcept
{
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

// Howard Hinnant's days_from_civil, years counted from March so the leap
// day ends the year.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) noexcept
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPer400Years + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::string dayText(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - (kDaysPer400Years - 1)) / kDaysPer400Years;
    const auto dayOfEra = static_cast<unsigned>(days - era * kDaysPer400Years);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthFromMarch = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const unsigned month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return formatInt(year, 4) + '-' + formatInt(month, 2) + '-' + formatInt(day, 2);
}

std::optional<std::int64_t> parseDay(std::string_view text) noexcept
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const int year = digitsValue(text.substr(0, 4));
    const int month = digitsValue(text.substr(5, 2));
    const int day = digitsValue(text.substr(8, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 ||
        static_cast<unsigned>(day) > daysInMonth(year, static_cast<unsigned>(month))) {
        return std::nullopt;
    }
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
}

std::string utcTimestamp(std::chrono::system_clock::time_point moment)
{
    const auto seconds = std::chrono::floor<std::chrono::seconds>(moment).time_since_epoch().count();
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t ofDay = seconds - days * 86400;
    return dayText(days) + 'T' + formatInt(ofDay / 3600, 2) + ':' + formatInt(ofDay / 60 % 60, 2) +
           ':' + formatInt(ofDay % 60, 2) + 'Z';
}

std::optional<std::string> sliceDay(double startSeconds, RecordClock clock, double lastSeconds,
                                    std::int64_t lastDay)
{
    const double startDay = std::floor(startSeconds / kSecondsPerDay);
    double day = 0;
    if (clock.date == DateKnown::FullDate) {
        day = static_cast<double>(kGpsEpochDay) +
              std::floor((clock.dateOrigin + startSeconds) / kSecondsPerDay);
    } else {
        day = static_cast<double>(lastDay) - (std::floor(lastSeconds / kSecondsPerDay) - startDay);
    }
    if (!(std::fabs(day) <= kLargestDayCount)) {
        return std::nullopt;
    }
    return dayText(static_cast<std::int64_t>(day));
}

}  // namespace gnsslog
