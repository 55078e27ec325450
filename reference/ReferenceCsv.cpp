#include "reference/ReferenceCsv.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "reference/CivilTime.h"
#include "reference/LeapSeconds.h"

namespace gnsslog {

namespace {

enum class Column : std::uint8_t {
    Tow,        // GPS seconds of week
    Week,       // GPS week, counted from 1980-01-06 without rollover
    Time,       // ISO 8601, UTC unless its unit says GPS time
    GpsTime,    // ISO 8601 in GPS time
    Latitude,   // WGS84 degrees, north positive
    Longitude,  // WGS84 degrees, east positive
    Height,     // metres above the WGS84 ellipsoid
    EcefX,      // metres
    EcefY,
    EcefZ,
    East,       // velocity, metres per second
    North,
    Up,
    Heading,    // degrees clockwise from north
    Count,
};
constexpr std::size_t kColumns = static_cast<std::size_t>(Column::Count);

struct ColumnName {
    std::string_view name;  // lower case, words separated by one space
    Column column;
};

constexpr std::array kColumnNames = {
    ColumnName{"gps tow", Column::Tow},        ColumnName{"tow", Column::Tow},
    ColumnName{"gps week", Column::Week},      ColumnName{"week", Column::Week},
    ColumnName{"wnc", Column::Week},
    ColumnName{"time", Column::Time},          ColumnName{"utc", Column::Time},
    ColumnName{"utc time", Column::Time},      ColumnName{"gps time", Column::GpsTime},
    ColumnName{"gpst", Column::GpsTime},       ColumnName{"lat", Column::Latitude},
    ColumnName{"latitude", Column::Latitude},  ColumnName{"lon", Column::Longitude},
    ColumnName{"lng", Column::Longitude},      ColumnName{"longitude", Column::Longitude},
    ColumnName{"height", Column::Height},      ColumnName{"ellipsoid height", Column::Height},
    ColumnName{"ellipsoidal height", Column::Height},
    ColumnName{"ecef x", Column::EcefX},       ColumnName{"ecef y", Column::EcefY},
    ColumnName{"ecef z", Column::EcefZ},       ColumnName{"east velocity", Column::East},
    ColumnName{"north velocity", Column::North}, ColumnName{"up velocity", Column::Up},
    ColumnName{"ve", Column::East},            ColumnName{"vn", Column::North},
    ColumnName{"vu", Column::Up},              ColumnName{"heading", Column::Heading},
};

constexpr int kNoColumn = -1;
// GPS weeks beyond this lie after the year 2150: a misread column.
constexpr double kLargestWeek = 9000;
constexpr double kLargestLatitude = 90;    // degrees
constexpr double kLargestLongitude = 360;  // degrees, either sign
constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

struct Layout {
    std::array<int, kColumns> index{};
    int fields = 0;  // fields a row needs
    bool weekTime = false;
    bool isoTime = false;
    bool isoInGpsTime = false;
    bool geodetic = false;
    bool velocity = false;
    bool heading = false;
    double towUnitsPerSecond = 1;  // 1000 for Septentrio's "TOW [0.001 s]"
    bool latitudeInRadians = false;  // "Latitude [rad]"
    bool longitudeInRadians = false;

    int at(Column c) const noexcept { return index[static_cast<std::size_t>(c)]; }
    bool has(Column c) const noexcept { return at(c) != kNoColumn; }
};

std::string_view trim(std::string_view s) noexcept
{
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// "GPS TOW (s)" -> name "gps tow", unit "s"; '_' and '-' count as spaces.
// Septentrio's text exports put the unit in brackets: "TOW [0.001 s]".
void normalizeName(std::string_view field, std::string& name, std::string& unit)
{
    name.clear();
    unit.clear();
    field = trim(field);
    const std::size_t open = field.find_first_of("([");
    if (open != std::string_view::npos) {
        const std::size_t close = field.find(field[open] == '(' ? ')' : ']', open);
        const std::string_view inside = field.substr(open + 1, close == std::string_view::npos
                                                                   ? std::string_view::npos
                                                                   : close - open - 1);
        for (const char c : trim(inside)) {
            unit += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        field = trim(field.substr(0, open));
    }
    for (char c : field) {
        c = c == '_' || c == '-' || c == '\t' ? ' ' : c;
        if (c == ' ' && (name.empty() || name.back() == ' ')) {
            continue;
        }
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
}

// The next field of a comma-separated line, from at on; at moves past it.
std::string_view nextField(std::string_view line, std::size_t& at) noexcept
{
    const std::size_t comma = line.find(',', at);
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    const std::string_view field = line.substr(std::min(at, line.size()), end - std::min(at, end));
    at = end + 1;
    return trim(field);
}

Layout layoutOf(std::string_view header)
{
    Layout layout;
    layout.index.fill(kNoColumn);
    std::string name;
    std::string unit;
    std::size_t at = 0;
    for (int i = 0; at <= header.size(); ++i) {
        normalizeName(nextField(header, at), name, unit);
        for (const ColumnName& known : kColumnNames) {
            if (known.name != name) {
                continue;
            }
            Column column = known.column;
            if (column == Column::Time && (unit == "gpst" || unit == "gps")) {
                column = Column::GpsTime;
            }
            int& slot = layout.index[static_cast<std::size_t>(column)];
            if (slot != kNoColumn) {
                continue;  // the first of a repeated name
            }
            slot = i;
            if (column == Column::Tow && (unit == "0.001 s" || unit == "ms")) {
                layout.towUnitsPerSecond = 1000;
            }
            if (unit == "rad") {
                layout.latitudeInRadians |= column == Column::Latitude;
                layout.longitudeInRadians |= column == Column::Longitude;
            }
        }
    }
    layout.weekTime = layout.has(Column::Tow) && layout.has(Column::Week);
    layout.isoInGpsTime = !layout.weekTime && layout.has(Column::GpsTime);
    layout.isoTime = !layout.weekTime && (layout.isoInGpsTime || layout.has(Column::Time));
    layout.geodetic = layout.has(Column::Latitude) && layout.has(Column::Longitude) &&
                      layout.has(Column::Height);
    layout.velocity = layout.has(Column::East) && layout.has(Column::North) && layout.has(Column::Up);
    layout.heading = layout.has(Column::Heading);
    for (const int index : layout.index) {
        layout.fields = std::max(layout.fields, index + 1);
    }
    return layout;
}

bool hasPosition(const Layout& layout) noexcept
{
    return layout.geodetic ||
           (layout.has(Column::EcefX) && layout.has(Column::EcefY) && layout.has(Column::EcefZ));
}

bool readNumber(std::string_view field, double& value) noexcept
{
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// The first line that is neither blank nor a "#" comment; at moves past it.
std::string_view headerLine(std::string_view text, std::size_t& at) noexcept
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    at = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = trim(text.substr(at, end - at));
        at = end + 1;
        if (!line.empty() && line[0] != '#') {
            return line;
        }
    }
    return {};
}

// One row's fields by column; false when the row is short.
bool splitRow(std::string_view line, const Layout& layout,
              std::array<std::string_view, kColumns>& fields) noexcept
{
    std::size_t at = 0;
    int i = 0;
    for (; i < layout.fields && at <= line.size(); ++i) {
        const std::string_view field = nextField(line, at);
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (layout.index[c] == i) {
                fields[c] = field;
            }
        }
    }
    return i == layout.fields;
}

// GPS seconds from the GPS epoch of a row; false when they do not read.
bool readTime(const std::array<std::string_view, kColumns>& fields, const Layout& layout,
              double& time) noexcept
{
    const auto field = [&](Column c) { return fields[static_cast<std::size_t>(c)]; };
    if (layout.weekTime) {
        double week = 0;
        double tow = 0;
        if (!readNumber(field(Column::Week), week) || !readNumber(field(Column::Tow), tow)) {
            return false;
        }
        tow /= layout.towUnitsPerSecond;  // a division keeps whole milliseconds exact
        if (week < 0 || week > kLargestWeek || week != std::floor(week) || tow < 0 ||
            tow > kSecondsPerWeek) {
            return false;
        }
        time = week * kSecondsPerWeek + tow;
        return true;
    }
    double seconds = 0;
    if (!parseIso8601(field(layout.isoInGpsTime ? Column::GpsTime : Column::Time), seconds) ||
        seconds < 0) {
        return false;
    }
    time = layout.isoInGpsTime ? seconds : utcToGpsSeconds(seconds);
    return true;
}

// The row's position (and velocity, heading); false when they do not read.
bool readPlace(const std::array<std::string_view, kColumns>& fields, const Layout& layout,
               ReferenceEpoch& epoch, double& height) noexcept
{
    const auto number = [&](Column c, double& v) {
        return readNumber(fields[static_cast<std::size_t>(c)], v);
    };
    Wgs84Position geodetic;
    if (layout.geodetic) {
        if (!number(Column::Latitude, geodetic.latitude) ||
            !number(Column::Longitude, geodetic.longitude) || !number(Column::Height, geodetic.height)) {
            return false;
        }
        geodetic.latitude *= layout.latitudeInRadians ? kDegreesPerRadian : 1;
        geodetic.longitude *= layout.longitudeInRadians ? kDegreesPerRadian : 1;
        if (std::fabs(geodetic.latitude) > kLargestLatitude ||
            std::fabs(geodetic.longitude) > kLargestLongitude) {
            return false;
        }
        epoch.position = wgs84ToEcef(geodetic.latitude, geodetic.longitude, geodetic.height);
    } else if (!number(Column::EcefX, epoch.position.x) || !number(Column::EcefY, epoch.position.y) ||
               !number(Column::EcefZ, epoch.position.z) ||
               !ecefToWgs84(epoch.position.x, epoch.position.y, epoch.position.z, geodetic)) {
        return false;
    }
    if (layout.velocity) {
        double east = 0;
        double north = 0;
        double up = 0;
        if (!number(Column::East, east) || !number(Column::North, north) || !number(Column::Up, up)) {
            return false;
        }
        if (std::fabs(east) > kFastestReference || std::fabs(north) > kFastestReference ||
            std::fabs(up) > kFastestReference) {
            return false;
        }
        EnuAxes(geodetic.latitude, geodetic.longitude).toEcef(east, north, up, epoch.vx, epoch.vy, epoch.vz);
    }
    height = geodetic.height;
    double heading = 0;
    if (layout.heading) {
        if (!number(Column::Heading, heading)) {
            return false;
        }
        epoch.heading = static_cast<float>(heading);
    }
    return std::isfinite(epoch.position.x) && std::isfinite(epoch.position.y) &&
           std::isfinite(epoch.position.z);
}

// The line of dashes Septentrio's exports put under the column names.
bool isRule(std::string_view line) noexcept
{
    return line.find_first_not_of('-') == std::string_view::npos;
}

std::string missingColumnsError(const std::string& fileName, const Layout& layout)
{
    const bool time = layout.weekTime || layout.isoTime;
    std::string what = !time && !hasPosition(layout) ? "no time and no position"
                       : !time                       ? "no time"
                                                     : "no position";
    return fileName + ": the column names give " + what +
           " (time: GPS TOW and GPS Week, or time; position: latitude, longitude and height, or "
           "ECEF X, Y and Z)";
}

}  // namespace

bool looksLikeReferenceCsv(std::string_view text)
{
    std::size_t at = 0;
    const Layout layout = layoutOf(headerLine(text, at));
    return (layout.weekTime || layout.isoTime) && hasPosition(layout);
}

ReferenceLoad readReferenceCsv(std::string_view text, const std::string& fileName)
{
    ReferenceLoad load;
    ReferenceTrajectory& trajectory = load.trajectory;
    trajectory.file = fileName;
    trajectory.format = "csv";
    trajectory.clock = {TimeScale::Gps, DateKnown::FullDate};
    std::size_t at = 0;
    const Layout layout = layoutOf(headerLine(text, at));
    if (!(layout.weekTime || layout.isoTime) || !hasPosition(layout)) {
        load.error = missingColumnsError(fileName, layout);
        return load;
    }
    trajectory.hasVelocity = layout.velocity;
    trajectory.hasHeading = layout.heading;
    std::array<std::string_view, kColumns> fields{};
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || isRule(line)) {
            continue;
        }
        ReferenceEpoch epoch;
        double height = 0;
        if (!splitRow(line, layout, fields) || !readTime(fields, layout, epoch.time) ||
            !readPlace(fields, layout, epoch, height) || !fitsAfterLast(trajectory, epoch.time, height)) {
            ++trajectory.skipped;
            continue;
        }
        trajectory.epochs.push_back(epoch);
    }
    if (trajectory.epochs.size() < kMinimumReferenceEpochs) {
        load.error = tooFewEpochsError(fileName, trajectory.epochs.size());
    }
    return load;
}

}  // namespace gnsslog
