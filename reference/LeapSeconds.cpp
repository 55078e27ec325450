#include "reference/LeapSeconds.h"

#include <array>

#include "reference/CivilTime.h"

namespace gnsslog {

namespace {

// Dates from which UTC is one more second behind GPS time. Source: IERS
// Bulletin C and its table Leap_Second.dat (hpiers.obspm.fr/iers/bul/bulc/);
// GPS - UTC is TAI - UTC minus the 19 s of 1980-01-06. A new leap second
// is one more line here.
constexpr std::array<double, 18> kLeapSecondDates = {
    secondsOfDate(1981, 7, 1),  secondsOfDate(1982, 7, 1), secondsOfDate(1983, 7, 1),
    secondsOfDate(1985, 7, 1),  secondsOfDate(1988, 1, 1), secondsOfDate(1990, 1, 1),
    secondsOfDate(1991, 1, 1),  secondsOfDate(1992, 7, 1), secondsOfDate(1993, 7, 1),
    secondsOfDate(1994, 7, 1),  secondsOfDate(1996, 1, 1), secondsOfDate(1997, 7, 1),
    secondsOfDate(1999, 1, 1),  secondsOfDate(2006, 1, 1), secondsOfDate(2009, 1, 1),
    secondsOfDate(2012, 7, 1),  secondsOfDate(2015, 7, 1), secondsOfDate(2017, 1, 1),
};

}  // namespace

int gpsMinusUtcSeconds(double utcSeconds) noexcept
{
    int leaps = 0;
    for (const double date : kLeapSecondDates) {
        if (utcSeconds >= date) {
            ++leaps;
        }
    }
    return leaps;
}

double utcToGpsSeconds(double utcSeconds) noexcept
{
    return utcSeconds + gpsMinusUtcSeconds(utcSeconds);
}

double gpsToUtcSeconds(double gpsSeconds) noexcept
{
    // GPS time runs ahead by the leaps of the UTC date it meets; near a
    // leap the first guess may be one leap off, the second is right.
    const double guess = gpsSeconds - gpsMinusUtcSeconds(gpsSeconds);
    return gpsSeconds - gpsMinusUtcSeconds(guess);
}

}  // namespace gnsslog
