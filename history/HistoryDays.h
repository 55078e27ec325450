// Calendar days of a monitoring history: the text "YYYY-MM-DD" (UTC, the
// proleptic Gregorian calendar) and the day a clock slice falls on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "log/formats/RecordClock.h"

namespace gnsslog {

inline constexpr double kSecondsPerDay = 86400.0;
// 1980-01-06, the GPS epoch, in days from 1970-01-01.
inline constexpr std::int64_t kGpsEpochDay = 3657;

// Days from 1970-01-01 of a date; month 1..12, day 1..31 (not checked).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) noexcept;
// "YYYY-MM-DD" of days from 1970-01-01.
std::string dayText(std::int64_t days);
// Days from 1970-01-01 of an exact "YYYY-MM-DD" that names a real date
// (years 0001..9999); empty for anything else.
std::optional<std::int64_t> parseDay(std::string_view text) noexcept;

// "YYYY-MM-DDTHH:MM:SSZ" of a moment.
std::string utcTimestamp(std::chrono::system_clock::time_point moment);

// The day a slice starting at startSeconds (the log's own time) falls on.
// A clock with the full date counts it from the GPS epoch (plus the
// clock's dateOrigin: a dated NMEA log's first midnight); a time of day
// or of week does not say which day its zero was, so the day is counted
// back from lastDay, the day the log's last record (at lastSeconds) was
// written: for a file, the day it was last modified. Empty when a time is
// not finite or the day is out of range.
std::optional<std::string> sliceDay(double startSeconds, RecordClock clock, double lastSeconds,
                                    std::int64_t lastDay);

}  // namespace gnsslog
