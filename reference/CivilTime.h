// Calendar dates and ISO 8601 times as seconds on a count without leap
// seconds, from the GPS epoch (1980-01-06 00:00).
//
// Method: days from the proleptic Gregorian calendar by H. Hinnant's
// days_from_civil ("chrono-Compatible Low-Level Date Algorithms"), exact
// for every date a double's seconds can hold.
#pragma once

#include <cstdint>
#include <string_view>

namespace gnsslog {

inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kSecondsPerWeek = 604800.0;

// Days from 1970-01-01 to year-month-day (month 1..12, day 1..31).
constexpr std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) noexcept
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// 1980-01-06, the GPS epoch, in days from 1970-01-01.
inline constexpr std::int64_t kGpsEpochDay = daysFromCivil(1980, 1, 6);
static_assert(kGpsEpochDay == 3657);

// Seconds from the GPS epoch to 00:00 of that date, counting no leap seconds.
constexpr double secondsOfDate(std::int64_t year, unsigned month, unsigned day) noexcept
{
    return static_cast<double>(daysFromCivil(year, month, day) - kGpsEpochDay) * kSecondsPerDay;
}

// "YYYY-MM-DDThh:mm:ss[.fff][Z|+hh:mm|-hh:mm|+hhmm|-hhmm]" (a space may
// stand for the T) to seconds from the GPS epoch on the same clock as the
// text, the zone's offset taken off. False, seconds untouched, for any
// other text and for fields out of their range (no leap second 60).
// Does not throw or allocate.
bool parseIso8601(std::string_view text, double& seconds) noexcept;

}  // namespace gnsslog
