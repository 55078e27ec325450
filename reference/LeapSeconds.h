// GPS time against UTC: the leap seconds inserted into UTC since the GPS
// epoch. The one table of them in the system.
#pragma once

namespace gnsslog {

// GPS time minus UTC in seconds at a UTC instant given as seconds from
// 1980-01-06 00:00 UTC on the calendar count (CivilTime.h: no leap
// seconds counted). 0 before the first leap second (1981-07-01), 18 from
// 2017-01-01 on, and 18 for any later date until the table grows.
int gpsMinusUtcSeconds(double utcSeconds) noexcept;

// The same instant as GPS seconds from the GPS epoch.
double utcToGpsSeconds(double utcSeconds) noexcept;

// The inverse: the UTC calendar seconds of a GPS time.
double gpsToUtcSeconds(double gpsSeconds) noexcept;

}  // namespace gnsslog
