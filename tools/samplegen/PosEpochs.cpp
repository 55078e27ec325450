// The solution-file side of the generator: RTKLIB-style .pos lines in the
// chosen position and time style, after a header that names the columns.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/FormatNumber.h"
#include "log/GnssRecord.h"
#include "tools/samplegen/GeneratorState.h"

namespace gnsslog {

using namespace samplegen;

namespace {

constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kPi = 3.14159265358979323846;
// Day 0 of the generated calendar: 2026-01-04, a Sunday.
constexpr std::int64_t kFirstDay = 20457;  // days since 1970-01-01
static_assert(kFirstDay == 3657 + 7 * kFirstPosWeek, "the Sunday of the first week");

// Year, month and day of a day count since 1970-01-01 (H. Hinnant's
// civil_from_days).
void civilFromDays(std::int64_t days, std::int64_t& year, std::int64_t& month, std::int64_t& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::string twoDigits(std::int64_t value)
{
    return formatInt(value, 2);
}

// "yyyy/mm/dd hh:mm:ss.sss" or "week seconds".
std::string posTime(std::int64_t ms, bool weekTime)
{
    if (weekTime) {
        return formatInt(kFirstPosWeek + ms / kWeekMs) + ' ' +
               formatFixed(static_cast<double>(ms % kWeekMs) / 1000.0, 3);
    }
    std::int64_t year = 0;
    std::int64_t month = 0;
    std::int64_t day = 0;
    civilFromDays(kFirstDay + ms / kDayMs, year, month, day);
    const std::int64_t dayMs = ms % kDayMs;
    return formatInt(year) + '/' + twoDigits(month) + '/' + twoDigits(day) + ' ' +
           twoDigits(dayMs / 3600000) + ':' + twoDigits(dayMs / 60000 % 60) + ':' +
           formatInt(dayMs / 1000 % 60, 2) + '.' + formatInt(dayMs % 1000, 3);
}

// "dd mm ss.sssss", the sign on the degrees ("-0" included).
std::string degreesMinutes(double degrees)
{
    const bool negative = degrees < 0;
    double rest = std::fabs(degrees);
    auto whole = static_cast<std::int64_t>(rest);
    rest = (rest - static_cast<double>(whole)) * 60.0;
    auto minutes = static_cast<std::int64_t>(rest);
    double seconds = (rest - static_cast<double>(minutes)) * 60.0;
    // Rounding to the printed decimals must not print 60 seconds.
    if (seconds >= 59.999995) {
        seconds = 0;
        if (++minutes == 60) {
            minutes = 0;
            ++whole;
        }
    }
    std::string text = negative ? "-" : "";
    text += formatInt(whole);
    text += ' ' + twoDigits(minutes) + ' ' + formatFixed(seconds, 5);
    return text;
}

}  // namespace

void samplegen::toEcef(double latitude, double longitude, double height, double xyz[3])
{
    const double e2 = kFlattening * (2.0 - kFlattening);
    const double phi = latitude * kPi / 180.0;
    const double lambda = longitude * kPi / 180.0;
    const double n = kSemiMajorAxis / std::sqrt(1.0 - e2 * std::sin(phi) * std::sin(phi));
    xyz[0] = (n + height) * std::cos(phi) * std::cos(lambda);
    xyz[1] = (n + height) * std::cos(phi) * std::sin(lambda);
    xyz[2] = (n * (1.0 - e2) + height) * std::sin(phi);
}

std::string LogGenerator::State::posHeader() const
{
    std::string header = "% program   : gnsslog-samplegen\n"
                         "% (Q=1:fix,2:float,3:sbas,4:dgps,5:single,6:ppp,ns=# of satellites)\n";
    header += options.posWeekTime ? "%  GPST      " : "%  GPST                  ";
    switch (options.posStyle) {
    case PosSolutionStyle::Degrees:
        header += "latitude(deg) longitude(deg)  height(m)   Q  ns   sdn(m)   sde(m)   sdu(m)  sdne(m)  sdeu(m)  sdun(m)";
        break;
    case PosSolutionStyle::DegreesMinutes:
        header += "latitude(d'\")   longitude(d'\")  height(m)   Q  ns   sdn(m)   sde(m)   sdu(m)  sdne(m)  sdeu(m)  sdun(m)";
        break;
    case PosSolutionStyle::Ecef:
        header += "x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns   sdx(m)   sdy(m)   sdz(m)  sdxy(m)  sdyz(m)  sdzx(m)";
        break;
    case PosSolutionStyle::Baseline:
        header += "e-baseline(m)  n-baseline(m)  u-baseline(m)   Q  ns   sde(m)   sdn(m)   sdu(m)  sden(m)  sdnu(m)  sdue(m)";
        break;
    }
    return header + " age(s)  ratio\n";
}

std::string LogGenerator::State::posSolution(std::int64_t ms, double& decodedTime, int& outcome,
                                             std::uint8_t& fixType)
{
    if (spell == Spell::NoPosition) {
        // Solution files have no line for an epoch without a solution.
        outcome = -1;
        fixType = FixType::NoPosition;
        return {};
    }
    const SpellModel m = model(spell);
    decodedTime = options.posWeekTime ? static_cast<double>(ms % kWeekMs) / 1000.0
                                      : static_cast<double>(ms % kDayMs) / 1000.0;
    const double dn = axisError(biasN, m.sigmaH);
    const double de = axisError(biasE, m.sigmaH);
    const double du = axisError(biasU, m.sigmaV);
    const double latitude = truth.latitude + dn / kMetresPerDegreeLat;
    const double longitude = truth.longitude + de / metresPerDegreeLon;
    const double height = truth.height + du;
    const char* quality = "5";
    switch (spell) {
    case Spell::Fixed: quality = "1"; fixType = FixType::RtkFixed; break;
    case Spell::Float: quality = "2"; fixType = FixType::RtkFloat; break;
    case Spell::RtkX: quality = "4"; fixType = FixType::StandAlone; break;
    default: fixType = FixType::StandAlone; break;
    }
    std::string line = posTime(ms, options.posWeekTime) + "  ";
    switch (options.posStyle) {
    case PosSolutionStyle::Degrees:
        line += formatFixed(latitude, 9) + ' ' + formatFixed(longitude, 9) + ' ';
        line += formatFixed(height, 4);
        break;
    case PosSolutionStyle::DegreesMinutes:
        line += degreesMinutes(latitude) + ' ' + degreesMinutes(longitude) + ' ' + formatFixed(height, 4);
        break;
    case PosSolutionStyle::Ecef: {
        double xyz[3];
        toEcef(latitude, longitude, height, xyz);
        line += formatFixed(xyz[0], 4) + ' ' + formatFixed(xyz[1], 4) + ' ' + formatFixed(xyz[2], 4);
        break;
    }
    case PosSolutionStyle::Baseline:
        line += formatFixed(de, 4) + ' ' + formatFixed(dn, 4) + ' ' + formatFixed(du, 4);
        break;
    }
    line += "   " + std::string(quality) + ' ' + formatInt(rng.between(5, 30));
    const double sigmas[] = {m.sigmaH, m.sigmaH, m.sigmaV};
    for (const double sigma : sigmas) {
        const double jitter = 0.8 + 0.4 * rng.uniform();
        line += ' ' + formatFixed(options.sigmaHonesty > 0 ? sigma : sigma * jitter, 4);
    }
    for (int i = 0; i < 3; ++i) {
        line += ' ' + formatFixed(m.sigmaH * (rng.uniform() - 0.5), 4);
    }
    line += ' ' + formatFixed(static_cast<double>(rng.between(0, 300)) / 100.0, 2) + ' ' +
            formatFixed(spell == Spell::Fixed ? 3.0 + 50.0 * rng.uniform() : 0.0, 1) + '\n';
    outcome = 1;
    return line;
}

}  // namespace gnsslog
