#include "log/formats/nmea/NmeaEpochSentences.h"

#include <chrono>
#include <cmath>

namespace gnsslog::nmea {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr int kPrnsPerGsa = 12;
constexpr int kFirstYearOfTwoDigitCentury = 1980;  // RMC years 80..99 are the 1900s
// Dates outside these years are garbage: satellite navigation began in
// 1980 (GPS time's epoch).
constexpr int kEarliestYear = 1980;
constexpr int kLatestYear = 2999;

// PRN ranges of GSA sentences without a system ID.
constexpr std::int32_t kLastGpsPrn = 32;
constexpr std::int32_t kFirstGlonassPrn = 65;
constexpr std::int32_t kLastGlonassPrn = 96;

// NMEA 4.10 system IDs.
constexpr std::int32_t kSystemGps = 1;
constexpr std::int32_t kSystemGlonass = 2;

// Exactly digits characters, all decimal digits.
bool allDigits(const char* text, std::size_t size, std::size_t digits) noexcept
{
    if (size != digits) {
        return false;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

bool setDate(GNSSRecord& record, int year, int month, int day, double timeOfDay) noexcept
{
    // A time of day beyond a leap second's end (an exponent in the seconds,
    // a sign, hours past 23) is no time of day: the date would be moved by
    // it, to any year.
    if (!(timeOfDay >= 0 && timeOfDay < kSecondsPerDay + 1)) {
        return false;
    }
    std::int64_t days = 0;
    if (year < kEarliestYear || year > kLatestYear || !daysSinceEpoch(year, month, day, days)) {
        return false;
    }
    record.time = static_cast<double>(days) * kSecondsPerDay + timeOfDay;
    record.framePart = FramePart::Date;
    return true;
}

// Talkers of systems whose PRNs would read as GPS by their range.
bool talkerIsOtherSystem(const char* sentence) noexcept
{
    const char a = sentence[0] != '\0' ? sentence[1] : '\0';
    const char b = a != '\0' ? sentence[2] : '\0';
    return (a == 'G' && (b == 'A' || b == 'B' || b == 'Q' || b == 'I')) || (a == 'B' && b == 'D');
}

}  // namespace

bool daysSinceEpoch(int year, int month, int day, std::int64_t& days) noexcept
{
    using namespace std::chrono;
    // In range before the calendar types hold them.
    if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return false;
    }
    days = sys_days{date}.time_since_epoch().count();
    return true;
}

bool decodeGst(DecodedRecord& record, FieldReader& in) noexcept
{
    if (!in.skip() || !in.next() || !readTime(in, record.time)) {
        return false;
    }
    // RMS of the residuals and the error ellipse.
    if (!in.skip(4)) {
        return false;
    }
    double sumOfSquares = 0;
    double sigma[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (!(i < 2 ? in.next() : in.nextOrLast()) || in.empty()) {
            return false;
        }
        sigma[i] = in.decimal();
        sumOfSquares += sigma[i] * sigma[i];
    }
    // Latitude and longitude sigmas are north and east, in metres.
    if (std::isfinite(sumOfSquares) && sigma[0] >= 0 && sigma[1] >= 0 && sigma[2] >= 0) {
        record.setSigmas(sigma[0], sigma[1], sigma[2]);
    }
    record.errorEstimate = std::sqrt(sumOfSquares);
    record.validFlags |= ValidFlag::ErrorEstimate;
    record.framePart = FramePart::ErrorEstimate;
    return true;
}

bool decodeRmc(GNSSRecord& record, FieldReader& in) noexcept
{
    double timeOfDay = 0;
    if (!in.skip() || !in.next() || !readTime(in, timeOfDay)) {
        return false;
    }
    // Status: a receiver without a fix writes "V" with whatever date its
    // clock believes (a cold-started one, years off).
    if (!in.next() || in.size() != 1 || (in.text()[0] != 'A' && in.text()[0] != 'V')) {
        return false;
    }
    const bool withFix = in.text()[0] == 'A';
    // Position, speed and course.
    if (!in.skip(6) || !in.nextOrLast() || !allDigits(in.text(), in.size(), 6)) {
        return false;
    }
    const int day = parseInt32(in.text(), 2);
    const int month = parseInt32(in.text() + 2, 2);
    const int twoDigitYear = parseInt32(in.text() + 4, 2);
    const int year = twoDigitYear + (twoDigitYear >= kFirstYearOfTwoDigitCentury % 100 ? 1900 : 2000);
    record.fixType = withFix ? FixType::StandAlone : FixType::NoPosition;
    return setDate(record, year, month, day, timeOfDay) && withFix;
}

bool decodeTxt(GNSSRecord& record, FieldReader& in) noexcept
{
    // Sentence count, number and message type, then the text.
    if (!in.skip(4) || !in.nextOrLast()) {
        return false;
    }
    // The first line u-blox receivers write after every start.
    constexpr char kUbloxBanner[] = "u-blox ag";
    constexpr std::size_t kBannerLength = sizeof kUbloxBanner - 1;
    if (in.size() < kBannerLength) {
        return false;
    }
    for (std::size_t i = 0; i < kBannerLength; ++i) {
        const char c = in.text()[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kUbloxBanner[i]) {
            return false;
        }
    }
    record.framePart = FramePart::Restart;
    return true;
}

bool decodeZda(GNSSRecord& record, FieldReader& in) noexcept
{
    double timeOfDay = 0;
    if (!in.skip() || !in.next() || !readTime(in, timeOfDay)) {
        return false;
    }
    if (!in.next() || !allDigits(in.text(), in.size(), 2)) {
        return false;
    }
    const int day = in.integer();
    if (!in.next() || !allDigits(in.text(), in.size(), 2)) {
        return false;
    }
    const int month = in.integer();
    if (!in.nextOrLast() || !allDigits(in.text(), in.size(), 4)) {
        return false;
    }
    return setDate(record, in.integer(), month, day, timeOfDay);
}

bool decodeGsa(GNSSRecord& record, FieldReader& in, const char* sentence) noexcept
{
    // Address, selection mode and fix type.
    if (!in.skip(3)) {
        return false;
    }
    std::int32_t prns[kPrnsPerGsa] = {};
    int used = 0;
    for (int i = 0; i < kPrnsPerGsa; ++i) {
        std::int32_t prn = 0;
        if (!in.nextInteger(prn)) {
            return false;
        }
        if (!in.empty()) {
            prns[used++] = prn;
        }
    }
    // PDOP and HDOP, then VDOP, which is the last field before NMEA 4.10.
    if (!in.skip(2)) {
        return false;
    }
    std::int32_t system = 0;
    if (in.next()) {
        if (in.nextOrLast()) {
            system = in.empty() ? 0 : in.integer();
        }
    } else if (!in.next('*')) {
        return false;
    }

    std::int32_t gps = 0;
    std::int32_t glonass = 0;
    if (system == kSystemGps) {
        gps = used;
    } else if (system == kSystemGlonass) {
        glonass = used;
    } else if (system == 0 && !talkerIsOtherSystem(sentence)) {
        for (int i = 0; i < used; ++i) {
            if (prns[i] >= 1 && prns[i] <= kLastGpsPrn) {
                ++gps;
            } else if (prns[i] >= kFirstGlonassPrn && prns[i] <= kLastGlonassPrn) {
                ++glonass;
            }
        }
    }
    record.gpsSatellites = gps;
    record.glonassSatellites = glonass;
    record.satellites = system;
    record.framePart = FramePart::Satellites;
    return true;
}

}  // namespace gnsslog::nmea
