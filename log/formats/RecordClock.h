// What a format's record times count: which time scale, and how much of
// the date they carry. Comparing two logs needs both: a UTC log and a GPS
// log of the same moment differ by the leap seconds, and a time of week
// meets a time of day only once a date completes them.
#pragma once

#include <cstdint>

namespace gnsslog {

enum class TimeScale : std::uint8_t {
    Gps,  // GPS time: no leap seconds since 1980-01-06
    Utc,  // UTC, as NMEA writes it
};

// How much of the date a record's time knows. The pipeline keeps times
// continuous across days and weeks, so a time may pass the day's or the
// week's end; what it counts from is the start of the first record's day
// or week.
enum class DateKnown : std::uint8_t {
    TimeOfDay,   // seconds from midnight of the first record's day
    TimeOfWeek,  // seconds from the start (Sunday 00:00) of the first record's GPS week
    FullDate,    // seconds since the GPS epoch, 1980-01-06 00:00, plus dateOrigin
};

struct RecordClock {
    TimeScale scale = TimeScale::Gps;
    DateKnown date = DateKnown::TimeOfWeek;
    // With FullDate: seconds from the GPS epoch (on the calendar count of
    // the clock's own scale, no leap seconds) to where the record times
    // count from. A log that counts from the midnight of its first dated
    // day (NMEA, a calendar .pos) states that midnight here and keeps its
    // times short.
    double dateOrigin = 0;

    friend bool operator==(const RecordClock&, const RecordClock&) = default;
};

}  // namespace gnsslog
