#include "log/formats/pos/PosDecoder.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"
#include "log/formats/NumberFields.h"
#include "log/formats/pos/PosFramer.h"

namespace gnsslog {

namespace {

// Enough for every column a writer puts before the velocities.
constexpr int kMaxTokens = 48;

constexpr double kSecondsPerMinute = 60.0;
constexpr double kSecondsPerHour = 3600.0;
constexpr double kMinutesPerDegree = 60.0;
constexpr double kSecondsPerDegree = 3600.0;
// A leap second makes 60.x a valid second.
constexpr double kSecondsInMinuteLimit = 61.0;
constexpr double kSecondsPerWeek = 604800.0;
constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 360.0;
constexpr int kMaxWeek = 100000;  // far beyond any GPS week
constexpr int kLatestCalendarYear = 9999;  // within std::chrono::year

constexpr double kQualityFix = 1.0;
constexpr double kQualityFloat = 2.0;
// ns within a satellite count's range; a larger one is a corrupt line.
constexpr double kMaxSatellites = 1000.0;

// Left uninitialised on purpose: only the first count_ are ever read.
struct Token {
    const char* text;
    std::size_t size;
};

class Tokens {
public:
    // The first `wanted` tokens at most (the columns after the last one the
    // layout reads are not looked at).
    Tokens(const char* text, std::size_t size, int wanted) noexcept
    {
        std::size_t i = 0;
        const int limit = wanted < kMaxTokens ? wanted : kMaxTokens;
        while (count_ < limit) {
            while (i < size && isBlank(text[i])) {
                ++i;
            }
            if (i == size) {
                break;
            }
            const std::size_t start = i;
            while (i < size && !isBlank(text[i])) {
                ++i;
            }
            tokens_[count_++] = Token{text + start, i - start};
        }
    }

    bool has(std::uint8_t index) const noexcept { return index < count_; }
    const Token& operator[](std::uint8_t index) const noexcept { return tokens_[index]; }

private:
    // Blanks, tabs, carriage returns and every other control byte separate.
    static bool isBlank(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

    Token tokens_[kMaxTokens];
    int count_ = 0;
};

bool readDecimal(const Token& token, double& value) noexcept
{
    return readWholeDecimal(token.text, token.size, value);
}

bool readInt(const char* text, std::size_t size, int& value) noexcept
{
    const auto [end, error] = std::from_chars(text, text + size, value);
    return error == std::errc() && end == text + size;
}

// "yyyy/mm/dd", each field in its range (the day not checked against its
// month: the time of day reads all the same).
bool readDate(const Token& date, int& year, int& month, int& day) noexcept
{
    const std::string_view d(date.text, date.size);
    const std::size_t slash1 = d.find('/');
    const std::size_t slash2 = d.find('/', slash1 + 1);
    return slash1 != std::string_view::npos && slash2 != std::string_view::npos &&
           readInt(d.data(), slash1, year) &&
           readInt(d.data() + slash1 + 1, slash2 - slash1 - 1, month) &&
           readInt(d.data() + slash2 + 1, d.size() - slash2 - 1, day) && month >= 1 &&
           month <= 12 && day >= 1 && day <= 31 && year >= 0;
}

// "hh:mm:ss.sss": seconds of the day.
bool readTimeOfDay(const Token& clock, double& seconds) noexcept
{
    const std::string_view c(clock.text, clock.size);
    const std::size_t colon1 = c.find(':');
    const std::size_t colon2 = c.find(':', colon1 + 1);
    int hour = 0;
    int minute = 0;
    double second = 0;
    if (colon1 == std::string_view::npos || colon2 == std::string_view::npos ||
        !readInt(c.data(), colon1, hour) ||
        !readInt(c.data() + colon1 + 1, colon2 - colon1 - 1, minute) ||
        !readWholeDecimal(c.data() + colon2 + 1, c.size() - colon2 - 1, second) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || !(second >= 0) ||
        !(second < kSecondsInMinuteLimit)) {
        return false;
    }
    seconds = hour * kSecondsPerHour + minute * kSecondsPerMinute + second;
    return true;
}

// "yyyy/mm/dd" "hh:mm:ss.sss": seconds of the day.
bool readCalendarTime(const Token& date, const Token& clock, double& seconds) noexcept
{
    int year = 0;
    int month = 0;
    int day = 0;
    return readDate(date, year, month, day) && readTimeOfDay(clock, seconds);
}

// "week tow": seconds of the GPS week.
bool readWeekTime(const Token& week, const Token& tow, double& seconds) noexcept
{
    int weekNumber = 0;
    return readInt(week.text, week.size, weekNumber) && weekNumber >= 0 &&
           weekNumber <= kMaxWeek && readDecimal(tow, seconds) && seconds >= 0 &&
           seconds < kSecondsPerWeek + kSecondsInMinuteLimit;
}

// "dd mm ss.sss" from token first on; the sign is the degrees' own, "-0"
// included.
bool readDegreesMinutes(const Tokens& tokens, std::uint8_t first, double& degrees) noexcept
{
    if (first > PosLayout::kMissing - 3 || !tokens.has(static_cast<std::uint8_t>(first + 2))) {
        return false;
    }
    double d = 0;
    double m = 0;
    double s = 0;
    const Token& degreeToken = tokens[first];
    if (!readDecimal(degreeToken, d) || !readDecimal(tokens[static_cast<std::uint8_t>(first + 1)], m) ||
        !readDecimal(tokens[static_cast<std::uint8_t>(first + 2)], s) || m < 0 ||
        m >= kMinutesPerDegree || s < 0 || s >= kSecondsInMinuteLimit) {
        return false;
    }
    const bool negative = degreeToken.size > 0 && degreeToken.text[0] == '-';
    const double magnitude = std::fabs(d) + m / kMinutesPerDegree + s / kSecondsPerDegree;
    degrees = negative ? -magnitude : magnitude;
    return true;
}

bool readAxis(const Tokens& tokens, std::uint8_t index, double& value) noexcept
{
    return tokens.has(index) && readDecimal(tokens[index], value);
}

// The sigmas in the order the style writes them: sdn sde sdu beside a
// latitude, sde sdn sdu beside east/north/up. The x/y/z sigmas are not
// along north, east and up, and their cross terms are not read: none.
void setAxisSigmas(DecodedRecord& record, PosStyle style, const double (&sigma)[3]) noexcept
{
    if (!(sigma[0] >= 0 && sigma[1] >= 0 && sigma[2] >= 0)) {
        return;
    }
    switch (style) {
    case PosStyle::Degrees:
    case PosStyle::DegreesMinutes: record.setSigmas(sigma[0], sigma[1], sigma[2]); break;
    case PosStyle::Baseline: record.setSigmas(sigma[1], sigma[0], sigma[2]); break;
    case PosStyle::Ecef: break;
    }
}

bool readPosition(DecodedRecord& record, const Tokens& tokens, const PosLayout& layout) noexcept
{
    double a = 0;
    double b = 0;
    double c = 0;
    switch (layout.style) {
    case PosStyle::Degrees:
        if (!readAxis(tokens, layout.axis[0], a) || !readAxis(tokens, layout.axis[1], b) ||
            !readAxis(tokens, layout.axis[2], c)) {
            return false;
        }
        break;
    case PosStyle::DegreesMinutes:
        if (!readDegreesMinutes(tokens, layout.axis[0], a) ||
            !readDegreesMinutes(tokens, layout.axis[1], b) ||
            !readAxis(tokens, layout.axis[2], c)) {
            return false;
        }
        break;
    case PosStyle::Ecef: {
        Wgs84Position position;
        if (!readAxis(tokens, layout.axis[0], a) || !readAxis(tokens, layout.axis[1], b) ||
            !readAxis(tokens, layout.axis[2], c) || !ecefToWgs84(a, b, c, position)) {
            return false;
        }
        a = position.latitude;
        b = position.longitude;
        c = position.height;
        break;
    }
    case PosStyle::Baseline:
        if (!readAxis(tokens, layout.axis[0], a) || !readAxis(tokens, layout.axis[1], b) ||
            !readAxis(tokens, layout.axis[2], c)) {
            return false;
        }
        // Grid north is x, grid east y: the baseline's own plane.
        record.localX = b;
        record.localY = a;
        record.height = c;
        record.validFlags = ValidFlag::Grid | ValidFlag::Height;
        return true;
    default:
        return false;
    }
    if (std::fabs(a) > kMaxLatitude || std::fabs(b) > kMaxLongitude) {
        return false;
    }
    record.latitude = a;
    record.longitude = b;
    record.height = c;
    record.validFlags = ValidFlag::LatLon | ValidFlag::Height;
    return true;
}

// Tokens up to the last column the layout reads (a degrees-minutes angle
// is three).
int tokensRead(const PosLayout& layout) noexcept
{
    int last = 1;  // the time
    const std::uint8_t columns[] = {layout.axis[0],  layout.axis[1],     layout.axis[2],
                                    layout.quality,  layout.satellites,  layout.sigma[0],
                                    layout.sigma[1], layout.sigma[2],    layout.age};
    for (const std::uint8_t column : columns) {
        if (column != PosLayout::kMissing && column > last) {
            last = column;
        }
    }
    return last + 3;
}

std::uint8_t fixTypeOfQuality(double quality) noexcept
{
    if (quality == kQualityFix) {
        return FixType::RtkFixed;
    }
    if (quality == kQualityFloat) {
        return FixType::RtkFloat;
    }
    return FixType::StandAlone;
}

}  // namespace

FrameVerdict decodePosFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                            bool toKKJ) noexcept
{
    if (frame == nullptr || length < kPosPrefixBytes) {
        return FrameVerdict::Rejected;
    }
    const PosLayout layout = readPosPrefix(frame);
    if (layout.kind == PosLineKind::Header) {
        return FrameVerdict::Unread;
    }
    if (layout.kind != PosLineKind::Solution) {
        return FrameVerdict::Rejected;
    }
    const Tokens tokens(reinterpret_cast<const char*>(frame) + kPosPrefixBytes,
                        static_cast<std::size_t>(length - kPosPrefixBytes), tokensRead(layout));
    double time = 0;
    if (!tokens.has(1)) {
        return FrameVerdict::Rejected;
    }
    const bool calendar = std::string_view(tokens[0].text, tokens[0].size).find('/') !=
                          std::string_view::npos;
    if (!(calendar ? readCalendarTime(tokens[0], tokens[1], time)
                   : readWeekTime(tokens[0], tokens[1], time))) {
        return FrameVerdict::Rejected;
    }
    double quality = 0;
    double satellites = 0;
    // A file without the ns column has no satellite counts; one with it
    // needs a count on every line.
    const bool hasSatellites = layout.satellites != PosLayout::kMissing;
    if (!readAxis(tokens, layout.quality, quality) ||
        (hasSatellites && (!readAxis(tokens, layout.satellites, satellites) || satellites < 0 ||
                           satellites > kMaxSatellites)) ||
        !readPosition(record, tokens, layout)) {
        record = DecodedRecord{};
        return FrameVerdict::Rejected;
    }
    record.time = time;
    record.fixType = fixTypeOfQuality(quality);
    record.satellites = static_cast<std::int32_t>(satellites);

    double sumOfSquares = 0;
    bool sigmas = true;
    double sigma[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!readAxis(tokens, layout.sigma[i], sigma[i])) {
            sigmas = false;
            break;
        }
        sumOfSquares += sigma[i] * sigma[i];
    }
    if (sigmas && std::isfinite(sumOfSquares)) {
        record.errorEstimate = std::sqrt(sumOfSquares);
        record.validFlags |= ValidFlag::ErrorEstimate;
        setAxisSigmas(record, layout.style, sigma);
    }
    double age = 0;
    if (readAxis(tokens, layout.age, age)) {
        record.correctionAge = age;
        record.validFlags |= ValidFlag::CorrectionAge;
    }
    if (toKKJ && record.has(ValidFlag::LatLon)) {
        geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
        record.validFlags |= ValidFlag::Grid;
    }
    record.valid = 1;
    return FrameVerdict::Record;
}

bool posFrameDate(const std::uint8_t* frame, std::int32_t length, std::int64_t& daysFrom1970) noexcept
{
    if (frame == nullptr || length < kPosPrefixBytes ||
        readPosPrefix(frame).kind != PosLineKind::Solution) {
        return false;
    }
    const Tokens tokens(reinterpret_cast<const char*>(frame) + kPosPrefixBytes,
                        static_cast<std::size_t>(length - kPosPrefixBytes), 2);
    int year = 0;
    int month = 0;
    int day = 0;
    double seconds = 0;
    if (!tokens.has(1) || !readDate(tokens[0], year, month, day) ||
        !readTimeOfDay(tokens[1], seconds) || year > kLatestCalendarYear) {
        return false;
    }
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return false;
    }
    daysFrom1970 = std::chrono::sys_days{date}.time_since_epoch().count();
    return true;
}

}  // namespace gnsslog
