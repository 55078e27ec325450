#include "log/formats/nmea/NmeaDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "geodesy/Kkj.h"
#include "log/formats/nmea/NmeaEpochSentences.h"
#include "log/formats/nmea/NmeaFieldReader.h"
#include "log/formats/NumberFields.h"

namespace gnsslog {

namespace {

using nmea::cutField;
using nmea::FieldReader;
using nmea::readTime;


void toGrid(GNSSRecord& record) noexcept
{
    geodeticToKKJ(record.latitude, record.longitude, kSystemKkjZone, record.localX, record.localY);
    record.validFlags |= ValidFlag::Grid;
}

// Latitude, N/S, longitude, E/W, as GGA and GNS write them.
inline bool readPosition(GNSSRecord& record, FieldReader& in) noexcept
{
    if (!in.nextDegreesMinutes(2, record.latitude)) {
        return false;
    }
    if (!in.next()) {
        return false;
    }
    if (in.is('S')) {
        record.latitude = -record.latitude;
    }
    if (!in.nextDegreesMinutes(3, record.longitude)) {
        return false;
    }
    if (!in.next()) {
        return false;
    }
    if (in.is('W')) {
        record.longitude = -record.longitude;
    }
    return true;
}

bool decodeGga(GNSSRecord& record, FieldReader& in, bool toKKJ) noexcept
{
    if (!in.skip() || !in.next() || !readTime(in, record.time)) {
        return false;
    }
    if (!readPosition(record, in)) {
        return false;
    }

    // A quality that does not fit the byte is no known quality; wrapping
    // it would invent one (260 would read as RTK fixed).
    std::int32_t quality = 0;
    if (!in.nextInteger(quality)) {
        return false;
    }
    record.fixType = quality >= 0 && quality <= 255 ? static_cast<std::uint8_t>(quality) : FixType::NoPosition;

    if (!in.nextInteger(record.satellites) || !in.nextDecimal(record.dop) ||
        !in.nextDecimal(record.height)) {
        return false;
    }
    double separation = 0.0;
    if (!in.skip() || !in.nextDecimal(separation)) {
        return false;
    }
    if (!in.empty()) {
        record.height += separation;  // geoid separation: height above the ellipsoid
    }
    if (!in.skip() || !in.nextDecimal(record.correctionAge)) {
        return false;
    }

    // Reference station 0026 (read from its third character) marks RTK-X.
    if (in.next('*') && in.size() >= 3 && parseInt32(in.text() + 2, in.size() - 2) == 26) {
        record.fixType = FixType::RtkX;
    }

    if (toKKJ) {
        toGrid(record);
    }
    record.validFlags |= ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::CorrectionAge;
    return true;
}

// LLK and LLQ differ only in field 9: DOP for LLK, position quality for LLQ.
bool decodeLlkLlq(GNSSRecord& record, FieldReader& in, bool isLlq) noexcept
{
    if (!in.skip() || !in.next() || !readTime(in, record.time)) {
        return false;
    }
    if (!in.skip() || !in.next()) {
        return false;
    }
    record.localX = in.decimal();
    if (!in.skip() || !in.next()) {
        return false;
    }
    record.localY = in.decimal();
    record.validFlags |= ValidFlag::Grid;
    if (!in.skip() || !in.next()) {
        return false;
    }
    switch (in.integer()) {
    case 2:
        record.fixType = FixType::RtkFloat;
        break;
    case 3:
        record.fixType = FixType::RtkFixed;
        break;
    default:
        record.fixType = FixType::NoPosition;
        break;
    }
    if (!in.next()) {
        return false;
    }
    record.satellites = in.integer();
    if (!in.next()) {
        return false;
    }
    if (isLlq) {
        record.errorEstimate = in.decimal();
        record.validFlags |= ValidFlag::ErrorEstimate;
    } else {
        record.dop = in.decimal();
        record.validFlags |= ValidFlag::Dop;
    }
    if (!in.next()) {
        return false;
    }
    record.height = in.decimal();
    record.validFlags |= ValidFlag::Height;
    return true;
}

// The sentence's coordinate system (0 and 4 geodetic, 1 to 3 plane grid)
// and solution state; false for a state that gives no record.
bool readOrpKinds(GNSSRecord& record, FieldReader& in, bool& geodetic) noexcept
{
    if (!in.skip(3) || !in.next()) {
        return false;
    }
    switch (in.integer()) {
    case 0:
    case 4:
        geodetic = true;
        break;
    case 1:
    case 2:
    case 3:
        geodetic = false;
        break;
    default:
        return false;
    }
    if (!in.next()) {
        return false;
    }
    switch (in.integer()) {
    case 254:
        record.fixType = FixType::RtkFixed;
        return true;
    case 0:
    case 4:
        return false;
    default:
        record.fixType = FixType::NoPosition;
        return true;
    }
}

// The three sigmas (as one 3-D estimate), the DOP and the satellites.
bool readOrpQuality(GNSSRecord& record, FieldReader& in) noexcept
{
    double sigma[3];
    for (double& value : sigma) {
        if (!in.next()) {
            return false;
        }
        value = in.decimal();
    }
    record.errorEstimate = std::sqrt(sigma[0] * sigma[0] + sigma[1] * sigma[1] + sigma[2] * sigma[2]);
    record.validFlags |= ValidFlag::ErrorEstimate;
    if (!in.next()) {
        return false;
    }
    record.dop = in.decimal();
    record.validFlags |= ValidFlag::Dop;
    if (!in.next()) {
        return false;
    }
    record.gpsSatellites = in.integer();
    if (!in.next()) {
        return false;
    }
    record.glonassSatellites = in.integer();
    const std::int64_t sum = std::int64_t{record.gpsSatellites} + record.glonassSatellites;
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    record.satellites = static_cast<std::int32_t>(sum < lowest ? lowest : sum > highest ? highest : sum);
    return true;
}

bool decodeOrp(GNSSRecord& record, FieldReader& in, bool toKKJ) noexcept
{
    bool geodetic = false;
    if (!readOrpKinds(record, in, geodetic) || !in.next() || !readTime(in, record.time) ||
        !in.skip(2) || !readOrpQuality(record, in)) {
        return false;
    }
    double position[3];
    for (double& value : position) {
        if (!in.next()) {
            return false;
        }
        value = in.decimal();
    }
    if (geodetic) {
        record.latitude = position[0];
        record.longitude = position[1];
        record.validFlags |= ValidFlag::LatLon;
    } else {
        record.localX = position[0];
        record.localY = position[1];
        record.validFlags |= ValidFlag::Grid;
    }
    record.height = position[2];
    record.validFlags |= ValidFlag::Height;
    if (geodetic && toKKJ) {
        toGrid(record);
    }
    return true;
}

// GNS mode letters as the GGA quality each stands for: N 0, A 1, D 2,
// P 3, R 4, F 5, E 6, M 7, S 8; a letter outside the list reads as A.
std::uint8_t gnsModeQuality(char mode) noexcept
{
    constexpr std::string_view kModesByQuality = "NADPRFEMS";
    const std::size_t quality = kModesByQuality.find(mode);
    return quality == std::string_view::npos ? FixType::StandAlone
                                             : static_cast<std::uint8_t>(quality);
}

// The best of GNS's mode letters, one per satellite system: RTK fixed,
// then RTK float, precise, differential, autonomous; estimated, manual
// and simulated positions rank below any measured one.
std::uint8_t gnsFixType(const FieldReader& in) noexcept
{
    // Rank of each quality 0..8, higher is better.
    constexpr std::uint8_t kRank[] = {0, 4, 5, 6, 8, 7, 3, 2, 1};
    std::uint8_t best = FixType::NoPosition;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::uint8_t quality = gnsModeQuality(in.text()[i]);
        if (kRank[quality] > kRank[best]) {
            best = quality;
        }
    }
    return best;
}

bool decodeGns(GNSSRecord& record, FieldReader& in, bool toKKJ) noexcept
{
    if (!in.skip() || !in.next() || !readTime(in, record.time)) {
        return false;
    }
    if (!readPosition(record, in)) {
        return false;
    }
    if (!in.next()) {
        return false;
    }
    record.fixType = gnsFixType(in);
    if (!in.nextInteger(record.satellites) || !in.nextDecimal(record.dop) ||
        !in.nextDecimal(record.height)) {
        return false;
    }
    double separation = 0.0;
    if (!in.nextDecimal(separation)) {
        return false;
    }
    record.height += separation;  // geoid separation: height above the ellipsoid
    // The age is followed at least by the reference station.
    if (!in.nextDecimal(record.correctionAge)) {
        return false;
    }

    if (toKKJ) {
        toGrid(record);
    }
    record.validFlags |= ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::CorrectionAge;
    return true;
}


// The letters of "GGA", "LLK", "LLQ" and "ORP".
constexpr std::array<bool, 256> kNameLetters = [] {
    std::array<bool, 256> letters{};
    for (const char c : {'G', 'A', 'L', 'K', 'Q', 'O', 'R', 'P'}) {
        letters[static_cast<unsigned char>(c)] = true;
    }
    return letters;
}();

// "$", two talker letters and the three the type is told by, then a comma.
NmeaSolutionType nmeaAddressType(const char* sentence) noexcept
{
    // Each character is looked at only if none before it ended the text.
    if (sentence[0] != '$') {
        return NmeaSolutionType::None;
    }
    for (int i = 1; i < 6; ++i) {
        if (sentence[i] == '\0') {
            return NmeaSolutionType::None;
        }
    }
    if (sentence[6] != ',') {
        return NmeaSolutionType::None;
    }
    const char* type = sentence + 3;
    const auto is = [type](const char* name) { return std::memcmp(type, name, 3) == 0; };
    if (is("GST")) {
        return NmeaSolutionType::Gst;
    }
    if (is("RMC")) {
        return NmeaSolutionType::Rmc;
    }
    if (is("GSA")) {
        return NmeaSolutionType::Gsa;
    }
    if (is("GNS")) {
        return NmeaSolutionType::Gns;
    }
    if (is("ZDA")) {
        return NmeaSolutionType::Zda;
    }
    if (is("TXT")) {
        return NmeaSolutionType::Txt;
    }
    return NmeaSolutionType::None;
}

}  // namespace

bool nextField(char* out, char*& rest, char separator) noexcept
{
    std::size_t size = 0;
    return cutField(out, size, rest, separator);
}

NmeaSolutionType nmeaSolutionType(const char* sentence) noexcept
{
    if (sentence == nullptr) {
        return NmeaSolutionType::None;
    }
    // The common case first: a GGA address wins whatever follows.
    if (sentence[0] == '$' && sentence[1] != '\0' && sentence[2] != '\0' && sentence[3] == 'G' &&
        sentence[4] == 'G' && sentence[5] == 'A') {
        return NmeaSolutionType::Gga;
    }
    // One walk instead of a search per name, looking only at every third
    // character: a three-letter name covers one such position, which then
    // holds one of its letters, and only there are the names compared.
    // "GGA" anywhere wins at once, the others in the order LLK, LLQ, ORP.
    const std::size_t length = std::strlen(sentence);
    bool llk = false;
    bool llq = false;
    bool orp = false;
    for (std::size_t i = 0; length >= 3 && i < length; i += 3) {
        if (!kNameLetters[static_cast<unsigned char>(sentence[i])]) {
            continue;
        }
        const std::size_t last = std::min(i, length - 3);
        for (std::size_t start = i >= 2 ? i - 2 : 0; start <= last; ++start) {
            const char* p = sentence + start;
            if (p[0] == 'G' && p[1] == 'G' && p[2] == 'A') {
                return NmeaSolutionType::Gga;
            }
            if (p[0] == 'L' && p[1] == 'L') {
                llk = llk || p[2] == 'K';
                llq = llq || p[2] == 'Q';
            }
            orp = orp || (p[0] == 'O' && p[1] == 'R' && p[2] == 'P');
        }
    }
    if (llk) {
        return NmeaSolutionType::Llk;
    }
    if (llq) {
        return NmeaSolutionType::Llq;
    }
    if (orp) {
        return NmeaSolutionType::Orp;
    }
    return nmeaAddressType(sentence);
}

void decodeNmeaSentence(GNSSRecord& record, char* sentence, bool toKKJ) noexcept
{
    DecodedRecord decoded;
    static_cast<GNSSRecord&>(decoded) = record;
    decodeNmeaSentence(decoded, sentence, nmeaSolutionType(sentence), toKKJ);
    record = decoded;
}

void decodeNmeaSentence(DecodedRecord& record, char* sentence, bool toKKJ) noexcept
{
    decodeNmeaSentence(record, sentence, nmeaSolutionType(sentence), toKKJ);
}

void decodeNmeaSentence(DecodedRecord& record, const char* sentence, NmeaSolutionType type,
                        bool toKKJ) noexcept
{
    record.latitude = 0;
    record.longitude = 0;
    record.height = 0;
    record.localX = 0;
    record.localY = 0;
    record.dop = 0;
    record.correctionAge = 0;
    record.errorEstimate = 0;
    record.validFlags = 0;
    record.valid = 0;
    record.framePart = FramePart::Solution;
    if (sentence == nullptr) {
        return;
    }

    FieldReader in(sentence);
    bool decoded = false;
    switch (type) {
    case NmeaSolutionType::Gga: decoded = decodeGga(record, in, toKKJ); break;
    case NmeaSolutionType::Llk: decoded = decodeLlkLlq(record, in, false); break;
    case NmeaSolutionType::Llq: decoded = decodeLlkLlq(record, in, true); break;
    case NmeaSolutionType::Orp: decoded = decodeOrp(record, in, toKKJ); break;
    case NmeaSolutionType::Gns:
        decoded = decodeGns(record, in, toKKJ);
        record.framePart = FramePart::OtherSolution;
        break;
    case NmeaSolutionType::Gst: decoded = nmea::decodeGst(record, in); break;
    case NmeaSolutionType::Rmc: decoded = nmea::decodeRmc(record, in); break;
    case NmeaSolutionType::Zda: decoded = nmea::decodeZda(record, in); break;
    case NmeaSolutionType::Gsa: decoded = nmea::decodeGsa(record, in, sentence); break;
    case NmeaSolutionType::Txt:
        // Never a record; a banner only marks its framePart.
        nmea::decodeTxt(record, in);
        break;
    case NmeaSolutionType::None: break;
    }
    // Finite fields can still give an infinite sum or square (an altitude
    // and a geoid separation of 1e308, ORP error components of 1e200), and
    // the grid conversion of an absurd position can give NaN. Such results
    // read as 0, like a field that does not parse, so nothing downstream
    // sees a non-finite value.
    for (double* value : {&record.time, &record.latitude, &record.longitude, &record.height,
                          &record.localX, &record.localY, &record.dop, &record.correctionAge,
                          &record.errorEstimate}) {
        if (!std::isfinite(*value)) {
            *value = 0;
        }
    }
    record.valid = decoded ? 1 : 0;
}

}  // namespace gnsslog
