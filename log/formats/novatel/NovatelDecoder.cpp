#include "log/formats/novatel/NovatelDecoder.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>

#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"
#include "log/formats/LittleEndian.h"
#include "log/formats/novatel/NovatelFramer.h"

namespace gnsslog {

namespace {

// Binary headers.
constexpr std::size_t kSyncTypeOffset = 2;
constexpr std::size_t kIdOffset = 4;               // U2, both headers
constexpr std::size_t kLongHeaderLengthOffset = 3;  // U1
constexpr std::size_t kLongBodyLengthOffset = 8;    // U2
constexpr std::size_t kLongWeekOffset = 14;         // U2 GPS week
constexpr std::size_t kLongMsOffset = 16;           // U4 ms of the week
constexpr std::size_t kShortBodyLengthOffset = 3;   // U1
constexpr std::size_t kShortWeekOffset = 6;         // U2
constexpr std::size_t kShortMsOffset = 8;           // U4

// BESTPOS / BESTGNSSPOS body.
constexpr std::size_t kPosStatusOffset = 0;      // U4 solution status
constexpr std::size_t kPosTypeOffset = 4;        // U4 position type
constexpr std::size_t kPosLatOffset = 8;         // F8 deg
constexpr std::size_t kPosLonOffset = 16;        // F8 deg
constexpr std::size_t kPosHeightOffset = 24;     // F8 m above mean sea level
constexpr std::size_t kPosUndulationOffset = 32; // F4 m, ellipsoid = height + undulation
constexpr std::size_t kPosSigmaOffset = 40;      // 3 x F4 m, 1 sigma lat, lon, height
constexpr std::size_t kPosDiffAgeOffset = 56;    // F4 s
constexpr std::size_t kPosSatellitesOffset = 65; // U1 satellites in solution
constexpr std::int32_t kPosBodyBytes = 66;

// BESTXYZ body.
constexpr std::size_t kXyzStatusOffset = 0;
constexpr std::size_t kXyzTypeOffset = 4;
constexpr std::size_t kXyzPositionOffset = 8;    // 3 x F8 m, ECEF
constexpr std::size_t kXyzSigmaOffset = 32;      // 3 x F4 m, 1 sigma X, Y, Z
constexpr std::size_t kXyzDiffAgeOffset = 96;    // F4 s
constexpr std::size_t kXyzSatellitesOffset = 105;
constexpr std::int32_t kXyzBodyBytes = 106;

// INSPVAX body.
constexpr std::size_t kInsStatusOffset = 0;
constexpr std::size_t kInsTypeOffset = 4;
constexpr std::size_t kInsLatOffset = 8;
constexpr std::size_t kInsLonOffset = 16;
constexpr std::size_t kInsHeightOffset = 24;     // F8 m above mean sea level
constexpr std::size_t kInsUndulationOffset = 32; // F4
constexpr std::size_t kInsSigmaOffset = 84;      // 3 x F4 m, 1 sigma lat, lon, height
constexpr std::int32_t kInsBodyBytes = 96;

constexpr std::uint32_t kSolComputed = 0;
// INS statuses with a solution: high variance, good, free, alignment complete.
constexpr std::array<std::uint32_t, 4> kInsSolutionStatuses = {2, 3, 6, 7};

constexpr double kMillisecondsPerWeek = 604800000.0;
constexpr double kMillisecondsPerSecond = 1000.0;

// One position log, from either encoding, before it becomes a record.
struct Solution {
    bool computed = false;     // solution (INS) status says there is one
    std::uint32_t positionType = 0;
    bool ecef = false;         // a, b, c are X, Y, Z; else lat, lon, height above MSL
    double a = 0;
    double b = 0;
    double c = 0;
    double undulation = 0;
    double sigma[3] = {0, 0, 0};
    bool hasSigma = false;
    double differentialAge = 0;
    std::int32_t satellites = -1;  // -1: the log has none
    std::uint32_t week = 0;
    double msOfWeek = 0;
};

double getLeF8(const std::uint8_t* buf, std::size_t off) noexcept
{
    return std::bit_cast<double>(detail::loadLe<std::uint64_t>(buf, off));
}

double getLeF4(const std::uint8_t* buf, std::size_t off) noexcept
{
    return std::bit_cast<float>(getLeU32(buf, off));
}

bool insHasSolution(std::uint32_t status) noexcept
{
    for (const std::uint32_t s : kInsSolutionStatuses) {
        if (status == s) {
            return true;
        }
    }
    return false;
}

FrameVerdict finishRecord(DecodedRecord& record, const Solution& s, bool toKKJ) noexcept
{
    bool inertial = false;
    const std::uint8_t fixType = novatelFixTypeOfPositionType(s.positionType, inertial);
    if (!s.computed || fixType == FixType::NoPosition || s.week == 0 ||
        !std::isfinite(s.a) || !std::isfinite(s.b) || !std::isfinite(s.c) ||
        !(s.msOfWeek >= 0 && s.msOfWeek < kMillisecondsPerWeek)) {
        return FrameVerdict::Rejected;
    }
    if (s.ecef) {
        Wgs84Position position;
        if (!ecefToWgs84(s.a, s.b, s.c, position)) {
            return FrameVerdict::Rejected;
        }
        record.latitude = position.latitude;
        record.longitude = position.longitude;
        record.height = position.height;
    } else {
        // Two finite heights can still sum beyond a double's range.
        const double ellipsoidHeight = s.c + s.undulation;
        if (!std::isfinite(ellipsoidHeight) || std::fabs(s.a) > 90 || std::fabs(s.b) > 360) {
            return FrameVerdict::Rejected;
        }
        record.latitude = s.a;
        record.longitude = s.b;
        record.height = ellipsoidHeight;
    }
    record.time = s.week * kMillisecondsPerWeek + s.msOfWeek;
    record.fixType = fixType;
    record.validFlags = ValidFlag::LatLon | ValidFlag::Height;
    if (inertial) {
        record.validFlags |= ValidFlag::Inertial;
    }
    const double sum = s.sigma[0] * s.sigma[0] + s.sigma[1] * s.sigma[1] + s.sigma[2] * s.sigma[2];
    if (s.hasSigma && std::isfinite(sum)) {
        record.errorEstimate = std::sqrt(sum);
        record.validFlags |= ValidFlag::ErrorEstimate;
        // Latitude, longitude and height sigmas are north, east and up;
        // X, Y, Z sigmas are along no local axis.
        if (!s.ecef && s.sigma[0] >= 0 && s.sigma[1] >= 0 && s.sigma[2] >= 0) {
            record.setSigmas(s.sigma[0], s.sigma[1], s.sigma[2]);
        }
    }
    if (s.differentialAge > 0 && std::isfinite(s.differentialAge)) {
        record.correctionAge = s.differentialAge;
        record.validFlags |= ValidFlag::CorrectionAge;
    }
    record.satellites = s.satellites < 0 ? 0 : s.satellites;
    if (toKKJ) {
        geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
        record.validFlags |= ValidFlag::Grid;
    }
    record.framePart = FramePart::Solution;
    record.valid = 1;
    return FrameVerdict::Record;
}

// ---- binary ----

void readSigmas(Solution& s, const std::uint8_t* body, std::size_t off) noexcept
{
    for (std::size_t i = 0; i < 3; ++i) {
        s.sigma[i] = getLeF4(body, off + 4 * i);
    }
    s.hasSigma = true;
}

FrameVerdict decodeBinaryBody(Solution& s, std::uint16_t id, const std::uint8_t* body,
                              std::int32_t bodyBytes) noexcept
{
    switch (id) {
    case NovatelLog::BestPos:
    case NovatelLog::BestGnssPos:
        if (bodyBytes < kPosBodyBytes) {
            return FrameVerdict::Unread;
        }
        s.computed = getLeU32(body, kPosStatusOffset) == kSolComputed;
        s.positionType = getLeU32(body, kPosTypeOffset);
        s.a = getLeF8(body, kPosLatOffset);
        s.b = getLeF8(body, kPosLonOffset);
        s.c = getLeF8(body, kPosHeightOffset);
        s.undulation = getLeF4(body, kPosUndulationOffset);
        readSigmas(s, body, kPosSigmaOffset);
        s.differentialAge = getLeF4(body, kPosDiffAgeOffset);
        s.satellites = getU8(body, kPosSatellitesOffset);
        return FrameVerdict::Record;
    case NovatelLog::BestXyz:
        if (bodyBytes < kXyzBodyBytes) {
            return FrameVerdict::Unread;
        }
        s.computed = getLeU32(body, kXyzStatusOffset) == kSolComputed;
        s.positionType = getLeU32(body, kXyzTypeOffset);
        s.ecef = true;
        s.a = getLeF8(body, kXyzPositionOffset);
        s.b = getLeF8(body, kXyzPositionOffset + 8);
        s.c = getLeF8(body, kXyzPositionOffset + 16);
        readSigmas(s, body, kXyzSigmaOffset);
        s.differentialAge = getLeF4(body, kXyzDiffAgeOffset);
        s.satellites = getU8(body, kXyzSatellitesOffset);
        return FrameVerdict::Record;
    case NovatelLog::InsPvax:
        if (bodyBytes < kInsBodyBytes) {
            return FrameVerdict::Unread;
        }
        s.computed = insHasSolution(getLeU32(body, kInsStatusOffset));
        s.positionType = getLeU32(body, kInsTypeOffset);
        s.a = getLeF8(body, kInsLatOffset);
        s.b = getLeF8(body, kInsLonOffset);
        s.c = getLeF8(body, kInsHeightOffset);
        s.undulation = getLeF4(body, kInsUndulationOffset);
        readSigmas(s, body, kInsSigmaOffset);
        return FrameVerdict::Record;
    default:
        return FrameVerdict::Unread;
    }
}

FrameVerdict decodeBinary(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                          bool toKKJ) noexcept
{
    if (length < NovatelSniffer::kShortHeaderBytes + NovatelSniffer::kCrcBytes) {
        return FrameVerdict::Unread;
    }
    Solution s;
    std::int32_t header = 0;
    std::int32_t bodyBytes = 0;
    if (frame[kSyncTypeOffset] == NovatelSniffer::kSyncShort) {
        header = NovatelSniffer::kShortHeaderBytes;
        bodyBytes = frame[kShortBodyLengthOffset];
        s.week = getLeU16(frame, kShortWeekOffset);
        s.msOfWeek = getLeU32(frame, kShortMsOffset);
    } else {
        header = frame[kLongHeaderLengthOffset];
        if (header < NovatelSniffer::kLongHeaderMinBytes || length < header) {
            return FrameVerdict::Unread;
        }
        bodyBytes = getLeU16(frame, kLongBodyLengthOffset);
        s.week = getLeU16(frame, kLongWeekOffset);
        s.msOfWeek = getLeU32(frame, kLongMsOffset);
    }
    if (header + bodyBytes + NovatelSniffer::kCrcBytes != length) {
        return FrameVerdict::Unread;
    }
    const FrameVerdict verdict =
        decodeBinaryBody(s, getLeU16(frame, kIdOffset), frame + header, bodyBytes);
    return verdict == FrameVerdict::Record ? finishRecord(record, s, toKKJ) : verdict;
}

// ---- ASCII ----

// Comma-separated fields of text, in order.
class Fields {
public:
    explicit Fields(std::string_view text) noexcept : rest_(text) {}

    // The next field; empty past the end (ok() then false).
    std::string_view next() noexcept
    {
        if (done_) {
            ok_ = false;
            return {};
        }
        const std::size_t comma = rest_.find(',');
        std::string_view field = rest_.substr(0, comma);
        if (comma == std::string_view::npos) {
            done_ = true;
        } else {
            rest_.remove_prefix(comma + 1);
        }
        return field;
    }
    void skip(int n) noexcept
    {
        for (int i = 0; i < n; ++i) {
            next();
        }
    }
    bool number(double& value) noexcept
    {
        const std::string_view f = next();
        const auto [end, error] = std::from_chars(f.data(), f.data() + f.size(), value);
        if (error != std::errc{} || end != f.data() + f.size() || f.empty()) {
            ok_ = false;
        }
        return ok_;
    }
    bool integer(std::uint32_t& value) noexcept
    {
        const std::string_view f = next();
        const auto [end, error] = std::from_chars(f.data(), f.data() + f.size(), value);
        if (error != std::errc{} || end != f.data() + f.size() || f.empty()) {
            ok_ = false;
        }
        return ok_;
    }
    bool ok() const noexcept { return ok_; }

private:
    std::string_view rest_;
    bool done_ = false;
    bool ok_ = true;
};

struct NamedCode {
    std::string_view name;
    std::uint32_t code;
};

// Position types as ASCII logs write them.
constexpr NamedCode kPositionTypes[] = {
    {"NONE", 0},           {"FIXEDPOS", 1},        {"FIXEDHEIGHT", 2},
    {"DOPPLER_VELOCITY", 8}, {"SINGLE", 16},        {"PSRDIFF", 17},
    {"WAAS", 18},          {"PROPAGATED", 19},     {"L1_FLOAT", 32},
    {"IONOFREE_FLOAT", 33}, {"NARROW_FLOAT", 34},  {"L1_INT", 48},
    {"WIDE_INT", 49},      {"NARROW_INT", 50},     {"RTK_DIRECT_INS", 51},
    {"INS_SBAS", 52},      {"INS_PSRSP", 53},      {"INS_PSRDIFF", 54},
    {"INS_RTKFLOAT", 55},  {"INS_RTKFIXED", 56},   {"PPP_CONVERGING", 68},
    {"PPP", 69},           {"OPERATIONAL", 70},    {"WARNING", 71},
    {"OUT_OF_BOUNDS", 72}, {"INS_PPP_CONVERGING", 73}, {"INS_PPP", 74},
    {"PPP_BASIC_CONVERGING", 77}, {"PPP_BASIC", 78},
};

constexpr NamedCode kInsStatuses[] = {
    {"INS_HIGH_VARIANCE", 2},
    {"INS_SOLUTION_GOOD", 3},
    {"INS_SOLUTION_FREE", 6},
    {"INS_ALIGNMENT_COMPLETE", 7},
};

// The code of a named value; a value written as a number is taken as it
// is; otherwise fallback.
template <std::size_t N>
std::uint32_t codeOf(std::string_view text, const NamedCode (&table)[N],
                     std::uint32_t fallback) noexcept
{
    for (const NamedCode& entry : table) {
        if (entry.name == text) {
            return entry.code;
        }
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty() ? value
                                                                                      : fallback;
}

constexpr std::uint32_t kUnknownCode = 0xFFFFFFFFu;

void readSigmas(Solution& s, Fields& f) noexcept
{
    for (double& sigma : s.sigma) {
        f.number(sigma);
    }
    s.hasSigma = true;
}

bool decodeAsciiBody(Solution& s, std::uint16_t id, Fields& f) noexcept
{
    std::uint32_t satellites = 0;
    switch (id) {
    case NovatelLog::BestPos:
    case NovatelLog::BestGnssPos:
        s.computed = f.next() == "SOL_COMPUTED";
        s.positionType = codeOf(f.next(), kPositionTypes, kUnknownCode);
        f.number(s.a);
        f.number(s.b);
        f.number(s.c);
        f.number(s.undulation);
        f.skip(1);  // datum
        readSigmas(s, f);
        f.skip(1);  // base station
        f.number(s.differentialAge);
        f.skip(2);  // solution age, satellites tracked
        f.integer(satellites);
        s.satellites = static_cast<std::int32_t>(satellites & 0xFFu);
        return f.ok() && satellites <= 255;
    case NovatelLog::BestXyz:
        s.computed = f.next() == "SOL_COMPUTED";
        s.positionType = codeOf(f.next(), kPositionTypes, kUnknownCode);
        s.ecef = true;
        f.number(s.a);
        f.number(s.b);
        f.number(s.c);
        readSigmas(s, f);
        f.skip(9);  // velocity status, type, X/Y/Z, sigmas, base station, latency
        f.number(s.differentialAge);
        f.skip(2);
        f.integer(satellites);
        s.satellites = static_cast<std::int32_t>(satellites & 0xFFu);
        return f.ok() && satellites <= 255;
    case NovatelLog::InsPvax:
        s.computed = insHasSolution(codeOf(f.next(), kInsStatuses, kUnknownCode));
        s.positionType = codeOf(f.next(), kPositionTypes, kUnknownCode);
        f.number(s.a);
        f.number(s.b);
        f.number(s.c);
        f.number(s.undulation);
        f.skip(6);  // velocities, attitude
        readSigmas(s, f);
        return f.ok();
    default:
        return false;
    }
}

FrameVerdict decodeAscii(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                         bool toKKJ) noexcept
{
    const std::string_view text(reinterpret_cast<const char*>(frame),
                                static_cast<std::size_t>(length));
    const std::size_t semicolon = text.find(';');
    const std::size_t star = text.rfind('*');
    if (semicolon == std::string_view::npos || star == std::string_view::npos ||
        star < semicolon) {
        return FrameVerdict::Unread;
    }
    Fields header(text.substr(1, semicolon - 1));
    std::string_view name = header.next();
    const bool shortHeader = frame[0] == '%';
    if (!name.ends_with('A')) {
        return FrameVerdict::Unread;
    }
    name.remove_suffix(1);
    const std::uint16_t id = novatelIdOfName(name);
    if (id == 0) {
        return FrameVerdict::Unread;
    }
    Solution s;
    if (!shortHeader) {
        header.skip(4);  // port, sequence, idle time, time status
    }
    double seconds = 0;
    std::uint32_t week = 0;
    header.integer(week);
    header.number(seconds);
    Fields body(text.substr(semicolon + 1, star - semicolon - 1));
    if (!header.ok() || !decodeAsciiBody(s, id, body)) {
        return FrameVerdict::Rejected;
    }
    s.week = week;
    s.msOfWeek = std::round(seconds * kMillisecondsPerSecond);
    return finishRecord(record, s, toKKJ);
}

struct IdName {
    std::uint16_t id;
    const char* name;
};

constexpr IdName kLogNames[] = {
    {NovatelLog::BestPos, "BESTPOS"}, {NovatelLog::BestXyz, "BESTXYZ"},
    {NovatelLog::BestGnssPos, "BESTGNSSPOS"}, {NovatelLog::InsPvax, "INSPVAX"},
    {7, "GPSEPHEM"}, {41, "RAWEPHEM"}, {43, "RANGE"}, {47, "PSRPOS"}, {48, "SATVIS"},
    {83, "TRACKSTAT"}, {99, "BESTVEL"}, {101, "TIME"}, {140, "RANGECMP"}, {174, "PSRDOP"},
    {264, "INSCOV"}, {507, "INSPVA"}, {508, "INSPVAS"}, {723, "GLOEPHEMERIS"},
    {726, "BESTUTM"}, {812, "CORRIMUDATA"}, {1163, "PSRDOP2"},
};

}  // namespace

std::uint16_t novatelMessageId(const std::uint8_t* frame) noexcept
{
    return getLeU16(frame, kIdOffset);
}

const char* novatelLogName(std::uint16_t id) noexcept
{
    for (const IdName& entry : kLogNames) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return nullptr;
}

std::uint16_t novatelIdOfName(std::string_view name) noexcept
{
    for (const IdName& entry : kLogNames) {
        if (name == entry.name) {
            return entry.id == NovatelLog::BestPos || entry.id == NovatelLog::BestXyz ||
                           entry.id == NovatelLog::BestGnssPos || entry.id == NovatelLog::InsPvax
                       ? entry.id
                       : 0;
        }
    }
    return 0;
}

std::uint8_t novatelFixTypeOfPositionType(std::uint32_t type, bool& inertial) noexcept
{
    inertial = false;
    switch (type) {
    case 1: return FixType::FixedPosition;           // FIXEDPOS
    case 2:                                          // FIXEDHEIGHT
    case 8:                                          // DOPPLER_VELOCITY
    case 16:                                         // SINGLE
    case 70:                                         // OPERATIONAL
    case 71:                                         // WARNING
    case 72: return FixType::StandAlone;             // OUT_OF_BOUNDS
    case 17: return FixType::Dgnss;                  // PSRDIFF
    case 18: return FixType::Sbas;                   // WAAS
    case 19: return FixType::DeadReckoning;          // PROPAGATED
    case 32:                                         // L1_FLOAT
    case 33:                                         // IONOFREE_FLOAT
    case 34: return FixType::RtkFloat;               // NARROW_FLOAT
    case 48:                                         // L1_INT
    case 49:                                         // WIDE_INT
    case 50: return FixType::RtkFixed;               // NARROW_INT
    case 68:                                         // PPP_CONVERGING
    case 69:                                         // PPP
    case 77:                                         // PPP_BASIC_CONVERGING
    case 78: return FixType::Ppp;                    // PPP_BASIC
    default: break;
    }
    inertial = true;
    switch (type) {
    case 51:                                         // RTK_DIRECT_INS
    case 56: return FixType::RtkFixed;               // INS_RTKFIXED
    case 52: return FixType::Sbas;                   // INS_SBAS
    case 53: return FixType::StandAlone;             // INS_PSRSP
    case 54: return FixType::Dgnss;                  // INS_PSRDIFF
    case 55: return FixType::RtkFloat;               // INS_RTKFLOAT
    case 73:                                         // INS_PPP_CONVERGING
    case 74: return FixType::Ppp;                    // INS_PPP
    default: break;
    }
    inertial = false;
    return FixType::NoPosition;  // NONE and types not known
}

FrameVerdict decodeNovatelFrame(DecodedRecord& record, const std::uint8_t* frame,
                                std::int32_t length, bool toKKJ) noexcept
{
    if (frame == nullptr || length < 2) {
        return FrameVerdict::Unread;
    }
    if (NovatelSniffer::isAscii(frame)) {
        return decodeAscii(record, frame, length, toKKJ);
    }
    return decodeBinary(record, frame, length, toKKJ);
}

}  // namespace gnsslog
