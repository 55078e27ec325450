#include "tools/samplegen/LogGenerator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "common/Saturate.h"
#include "geodesy/Kkj.h"
#include "log/GnssRecord.h"
#include "tools/samplegen/NmeaWriter.h"
#include "tools/samplegen/Pvt1bEncoder.h"

namespace gnsslog {

namespace {

// xoshiro256** seeded through splitmix64 (Blackman and Vigna). Written out
// here because the standard distributions differ between library versions.
class Rng {
public:
    explicit Rng(std::uint64_t seed)
    {
        for (auto& word : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next() noexcept
    {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // Uniform in [0, 1) with 53 random bits.
    double uniform() noexcept { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform integer in [lo, hi]; the modulo bias is irrelevant here.
    std::int64_t between(std::int64_t lo, std::int64_t hi) noexcept
    {
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<std::int64_t>(next() % span);
    }

    bool chance(double p) noexcept { return uniform() < p; }

    // Approximately normal, mean 0, standard deviation 1: the sum of four
    // uniforms (Irwin-Hall), which needs no transcendental functions.
    double gauss() noexcept
    {
        const double sum = uniform() + uniform() + uniform() + uniform();
        return (sum - 2.0) * 1.7320508075688772;  // sqrt(3): variance 4/12 -> 1
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) noexcept { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

enum class Spell { Fixed, Float, Single, RtkX, NoPosition };

struct SpellModel {
    double meanLength;     // epochs
    double sigmaH;         // horizontal noise, metres (1 sigma per axis)
    double sigmaV;         // vertical noise, metres
    double biasSigma;      // per-spell offset, metres
};

SpellModel model(Spell spell)
{
    switch (spell) {
    case Spell::Fixed: return {90, 0.008, 0.015, 0.0};
    case Spell::Float: return {20, 0.15, 0.30, 0.10};
    case Spell::Single: return {6, 1.5, 3.0, 1.0};
    case Spell::RtkX: return {20, 0.04, 0.08, 0.02};
    case Spell::NoPosition: return {4, 0, 0, 0};
    }
    return {1, 0, 0, 0};
}

constexpr std::int64_t kWeekMs = 604800000;
constexpr std::int64_t kDayMs = 86400000;
constexpr double kMetresPerDegreeLat = 111412.0;  // near 60 N; good to 0.1 % for noise scaling

const char* const kNavcomNoiseLabels[] = {"[CHNLSTATUS1B]", "[MEAS1B]", "[EPHEM1B]", "[RXSTATUS2B]",
                                          "[ALM1B]"};

}  // namespace

struct LogGenerator::State {
    explicit State(const GeneratorOptions& o) : options(o), rng(o.seed) {}

    GeneratorOptions options;
    GeneratorTruth truth;
    GeneratorStats stats;
    Rng rng;
    bool done = false;

    std::int64_t startMs = 0;
    Spell spell = Spell::Single;
    std::int64_t spellLeft = 0;
    double biasN = 0, biasE = 0, biasU = 0;
    double metresPerDegreeLon = 55600.0;

    // Replica of the pipeline's bookkeeping on the records we write.
    bool firstRecord = true;
    bool prevFixed = false;
    double dayOffset = 0;
    double prevTime = 0;

    void start();
    void appendEpoch(std::string& out);
    void nextSpell();
    void keepRecord(std::uint8_t fixType, double decodedTime);

    std::string navcomSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string nmeaSolution(std::int64_t ms, double& decodedTime, int& outcome, std::uint8_t& fixType);
    std::string navcomNoise(std::int64_t ms);
    std::string bootloaderMessage();
    std::string nmeaNoise(std::int64_t ms);
    void appendGarbage(std::string& out);
    void appendPartial(std::string& out, const std::string& frame);
};

void LogGenerator::State::start()
{
    // The grid receiver reports the same point as the geodetic one would
    // after the system's own conversion.
    geodeticToKKJ(truth.latitude, truth.longitude, 2, truth.gridX, truth.gridY);
    metresPerDegreeLon = kMetresPerDegreeLat * std::cos(truth.latitude * 3.14159265358979323846 / 180.0);
    if (options.epochIntervalMs < 10) {
        options.epochIntervalMs = 10;
    }
    if (options.format == LogFormat::Nmea) {
        options.epochIntervalMs -= options.epochIntervalMs % 10;  // hhmmss.ss resolution
    }
    startMs = options.startMs;
    if (startMs < 0) {
        if (options.format == LogFormat::Navcom) {
            startMs = 2 * kDayMs + 10 * 3600000;  // Tuesday 10:00 GPS time of week
        } else {
            // Put midnight about halfway through the log.
            const double noisePerEpoch = options.noiseShare / (1.0 - std::fmin(options.noiseShare, 0.95));
            const double bytesPerEpoch = 95.0 + 70.0 * noisePerEpoch;
            const auto epochs = static_cast<std::int64_t>(static_cast<double>(options.targetBytes) / bytesPerEpoch);
            const std::int64_t half = (epochs / 2) * options.epochIntervalMs;
            startMs = ((kDayMs - half % kDayMs) % kDayMs) / 10 * 10;
        }
    }
    spell = Spell::Single;
    spellLeft = 1 + rng.between(0, 15);
}

void LogGenerator::State::nextSpell()
{
    const double u = rng.uniform();
    switch (spell) {
    case Spell::Fixed:
        spell = u < 0.40 ? Spell::Float : u < 0.70 ? Spell::RtkX : u < 0.85 ? Spell::Single : Spell::NoPosition;
        break;
    case Spell::Float: spell = u < 0.8 ? Spell::Fixed : Spell::Single; break;
    case Spell::Single: spell = u < 0.7 ? Spell::Float : Spell::NoPosition; break;
    case Spell::RtkX: spell = u < 0.7 ? Spell::Fixed : Spell::Float; break;
    case Spell::NoPosition: spell = u < 0.6 ? Spell::Single : Spell::Float; break;
    }
    const SpellModel m = model(spell);
    spellLeft = 1 + rng.between(0, static_cast<std::int64_t>(2 * m.meanLength));
    biasN = m.biasSigma * rng.gauss();
    biasE = m.biasSigma * rng.gauss();
    biasU = m.biasSigma * rng.gauss();
}

void LogGenerator::State::keepRecord(std::uint8_t fixType, double decodedTime)
{
    ++stats.validRecords;
    switch (fixType) {
    case FixType::RtkFixed: ++stats.fixedRecords; break;
    case FixType::RtkFloat: ++stats.floatRecords; break;
    case FixType::RtkX: ++stats.rtkxRecords; break;
    default: ++stats.otherRecords; break;
    }
    if (firstRecord) {
        stats.startTime = decodedTime;
        firstRecord = false;
    }
    if (fixType == FixType::RtkFixed) {
        prevFixed = true;
    } else if (prevFixed) {
        ++stats.fixLosses;
        prevFixed = false;
    }
    double t = decodedTime + dayOffset;
    if (!(t + 100.0 >= prevTime)) {
        dayOffset += 86400.0;
        t += 86400.0;
        ++stats.dayWraps;
    }
    prevTime = t;
    if (t > stats.endTime) {
        stats.endTime = t;
    }
}

void LogGenerator::State::appendGarbage(std::string& out)
{
    const char forbidden = options.format == LogFormat::Navcom ? '[' : '$';
    const auto length = rng.between(1, 48);
    for (std::int64_t i = 0; i < length; ++i) {
        char c = static_cast<char>(rng.next() & 0xFF);
        if (c == forbidden) {
            c = '#';
        }
        out.push_back(c);
    }
    stats.garbageBytes += static_cast<std::uint64_t>(length);
}

void LogGenerator::State::appendPartial(std::string& out, const std::string& frame)
{
    if (options.format == LogFormat::Navcom) {
        // Any prefix short of the CR, then bytes 0x80..0xFF: no NavCom state
        // accepts one where the frame needs its next byte, and none is "[".
        const auto keep = static_cast<std::size_t>(rng.between(1, static_cast<std::int64_t>(frame.size()) - 1));
        out.append(frame, 0, keep);
        const std::size_t filler = frame.size() - keep + 1;
        for (std::size_t i = 0; i < filler; ++i) {
            out.push_back(static_cast<char>(0x80 | (rng.next() & 0x7F)));
        }
        stats.garbageBytes += keep + filler;
    } else {
        // Stop before the second checksum digit; CR drops the sentence in every state.
        const auto keep = static_cast<std::size_t>(rng.between(1, static_cast<std::int64_t>(frame.size()) - 4));
        out.append(frame, 0, keep);
        out += "\r\n";
        stats.garbageBytes += keep + 2;
    }
    ++stats.partialFrames;
}

std::string LogGenerator::State::navcomSolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                std::uint8_t& fixType)
{
    const SpellModel m = model(spell);
    Pvt1bFields f;
    const std::int64_t weekMs = ms % kWeekMs;
    f.week = static_cast<std::uint16_t>(2400 + ms / kWeekMs);
    f.timeMs = static_cast<std::uint32_t>(weekMs);
    decodedTime = f.timeMs * 0.001;
    const int gps = static_cast<int>(rng.between(7, 12));
    const int glonass = static_cast<int>(rng.between(4, 8));
    for (int i = 0; i < gps;) {
        const std::uint32_t bit = 1u << rng.between(0, 31);
        if ((f.gpsMask & bit) == 0) {
            f.gpsMask |= bit;
            ++i;
        }
    }
    for (int i = 0; i < glonass;) {
        const std::uint32_t bit = 1u << rng.between(0, 23);
        if ((f.glonassMask & bit) == 0) {
            f.glonassMask |= bit;
            ++i;
        }
    }
    f.satellites = static_cast<std::uint8_t>(gps + glonass);
    f.dop1 = static_cast<std::uint8_t>(rng.between(6, 12));
    f.dop2 = static_cast<std::uint8_t>(rng.between(5, 10));
    f.dop3 = static_cast<std::uint8_t>(rng.between(10, 18));
    f.correctionAge = static_cast<std::uint16_t>(rng.between(1, 3));
    f.headerByte = 0x02;
    f.trailingBytes = 4;
    if (spell == Spell::NoPosition) {
        f.status = 0x00;
        f.mode = Pvt1bMode::NoPosition;
        f.satellites = static_cast<std::uint8_t>(rng.between(0, 3));
        valid = false;
        fixType = FixType::NoPosition;
        return encodePvt1bMessage(f);
    }
    const double dn = biasN + m.sigmaH * rng.gauss();
    const double de = biasE + m.sigmaH * rng.gauss();
    const double du = biasU + m.sigmaV * rng.gauss();
    const RawAngle lat = degreesToRawAngle(truth.latitude + dn / kMetresPerDegreeLat);
    const RawAngle lon = degreesToRawAngle(truth.longitude + de / metresPerDegreeLon);
    const RawHeight h = metresToRawHeight(truth.height + du);
    f.status = 0x01;
    f.rawLatitude = lat.raw;
    f.latExtension = lat.extension;
    f.rawLongitude = lon.raw;
    f.lonExtension = lon.extension;
    f.heightMm = h.millimetres;
    f.heightCorrection = h.correction;
    const auto component = [&](double sigma) {
        return static_cast<std::uint16_t>(toInt32(sigma * 1024.0 * (0.8 + 0.4 * rng.uniform())));
    };
    f.error1 = component(m.sigmaH);
    f.error2 = component(m.sigmaH);
    f.error3 = component(m.sigmaV);
    switch (spell) {
    case Spell::Fixed: f.mode = Pvt1bMode::RtkFixed; fixType = FixType::RtkFixed; break;
    case Spell::Float:
        f.mode = rng.chance(0.5) ? Pvt1bMode::RtkFloat : 0x50;  // modes 3, 5 and 6 are all float
        fixType = FixType::RtkFloat;
        break;
    case Spell::RtkX: f.mode = Pvt1bMode::RtkX; fixType = FixType::RtkX; break;
    default:
        f.mode = rng.chance(0.5) ? Pvt1bMode::StandAlone : 0x20;
        fixType = FixType::StandAlone;
        break;
    }
    f.mode = static_cast<std::uint8_t>(f.mode | rng.between(0, 15));  // low nibble is not read
    valid = true;
    return encodePvt1bMessage(f);
}

// outcome: 1 kept record, 0 framed but rejected, -1 no sentence at all.
std::string LogGenerator::State::nmeaSolution(std::int64_t ms, double& decodedTime, int& outcome,
                                              std::uint8_t& fixType)
{
    const SpellModel m = model(spell);
    const std::int64_t cs = ms / 10;
    const std::string timeText = nmeaTime(cs);
    // Exactly as the decoder accumulates the time field.
    decodedTime = std::strtod(timeText.substr(4, 5).c_str(), nullptr)
                  + std::atoi(timeText.substr(2, 2).c_str()) * 60
                  + std::atoi(timeText.substr(0, 2).c_str()) * 3600;
    const double dn = biasN + m.sigmaH * rng.gauss();
    const double de = biasE + m.sigmaH * rng.gauss();
    const double du = biasU + m.sigmaV * rng.gauss();
    const int gps = static_cast<int>(rng.between(7, 12));
    const int glonass = static_cast<int>(rng.between(4, 8));
    const double dop = 0.7 + 0.8 * rng.uniform();
    const bool noPosition = spell == Spell::NoPosition;
    outcome = noPosition ? 0 : 1;

    NmeaSolution kind = options.nmeaSolution;
    if (kind == NmeaSolution::LlkLlq) {
        kind = (ms / options.epochIntervalMs) % 2 == 0 ? NmeaSolution::Llk : NmeaSolution::Llq;
    }
    switch (kind) {
    case NmeaSolution::Gga:
    case NmeaSolution::LlkLlq: {
        GgaFields g;
        g.centiseconds = cs;
        g.noPosition = noPosition;
        g.latitude = truth.latitude + dn / kMetresPerDegreeLat;
        g.longitude = truth.longitude + de / metresPerDegreeLon;
        g.heightMetres = truth.height + du;
        g.geoidSeparation = truth.geoidSeparation;
        g.satellites = gps;
        g.hdop = dop;
        g.correctionAge = spell == Spell::Single ? -1.0 : static_cast<double>(rng.between(1, 3));
        switch (spell) {
        case Spell::Fixed: g.quality = 4; fixType = FixType::RtkFixed; break;
        case Spell::Float: g.quality = 5; fixType = FixType::RtkFloat; break;
        case Spell::RtkX: g.quality = 4; g.station = "0026"; fixType = FixType::RtkX; break;
        default: g.quality = 1; fixType = 1; break;
        }
        if (g.correctionAge < 0) {
            g.station.clear();
        }
        return ggaSentence(g, rng.chance(0.5) ? "GP" : "GN");
    }
    case NmeaSolution::Llk:
    case NmeaSolution::Llq: {
        if (noPosition) {
            outcome = -1;  // grid receivers stay silent without a position
            return {};
        }
        GridFields g;
        g.centiseconds = cs;
        g.gridX = truth.gridX + dn;
        g.gridY = truth.gridY + de;
        g.height = truth.height + du;
        g.satellites = gps + glonass;
        switch (spell) {
        case Spell::Fixed: g.quality = 3; fixType = FixType::RtkFixed; break;
        case Spell::Float: g.quality = 2; fixType = FixType::RtkFloat; break;
        default: g.quality = 1; fixType = FixType::NoPosition; break;
        }
        if (kind == NmeaSolution::Llk) {
            g.dopOrQuality = dop + 1.0;
            return llkSentence(g);
        }
        g.dopOrQuality = std::sqrt(2 * m.sigmaH * m.sigmaH + m.sigmaV * m.sigmaV);
        return llqSentence(g);
    }
    case NmeaSolution::Orp:
    case NmeaSolution::OrpGrid: {
        OrpFields o;
        o.centiseconds = cs;
        o.coordinateKind = kind == NmeaSolution::Orp ? 0 : 2;
        switch (spell) {
        case Spell::Fixed: o.status = 254; fixType = FixType::RtkFixed; break;
        case Spell::NoPosition: o.status = 0; fixType = FixType::NoPosition; break;  // rejected
        case Spell::Float: o.status = 2; fixType = FixType::NoPosition; break;
        default: o.status = 1; fixType = FixType::NoPosition; break;
        }
        o.error1 = m.sigmaH * (0.8 + 0.4 * rng.uniform());
        o.error2 = m.sigmaH * (0.8 + 0.4 * rng.uniform());
        o.error3 = m.sigmaV * (0.8 + 0.4 * rng.uniform());
        o.dop = dop;
        o.gpsSatellites = gps;
        o.glonassSatellites = glonass;
        if (o.coordinateKind == 0) {
            o.first = truth.latitude + dn / kMetresPerDegreeLat;
            o.second = truth.longitude + de / metresPerDegreeLon;
        } else {
            o.first = truth.gridX + dn;
            o.second = truth.gridY + de;
        }
        o.height = truth.height + du;
        return orpSentence(o);
    }
    }
    outcome = -1;
    return {};
}

std::string LogGenerator::State::navcomNoise(std::int64_t ms)
{
    const std::size_t labels = sizeof kNavcomNoiseLabels / sizeof kNavcomNoiseLabels[0];
    const char* label = kNavcomNoiseLabels[rng.between(0, static_cast<std::int64_t>(labels) - 1)];
    std::string rest;
    const std::int64_t weekMs = ms % kWeekMs;
    rest.push_back(static_cast<char>(0x60));
    rest.push_back(static_cast<char>(0x09));
    for (int i = 0; i < 4; ++i) {
        rest.push_back(static_cast<char>((weekMs >> (8 * i)) & 0xFF));
    }
    rest.push_back('\0');
    const auto body = rng.between(8, 200);
    for (std::int64_t i = 0; i < body; ++i) {
        rest.push_back(static_cast<char>(rng.next() & 0xFF));
    }
    return encodeNavcomMessage(label, rest);
}

std::string LogGenerator::State::bootloaderMessage()
{
    // The framer drops this label at its "]"; the rest is then read as loose
    // bytes, so none of them may be "[".
    for (;;) {
        std::string rest;
        const auto body = rng.between(8, 64);
        for (std::int64_t i = 0; i < 7 + body; ++i) {
            char c = static_cast<char>(rng.next() & 0xFF);
            rest.push_back(c == '[' ? '\0' : c);
        }
        std::string message = encodeNavcomMessage("[BOOTLOADB]", rest);
        if (message.find('[', 1) == std::string::npos) {
            return message;
        }
    }
}

std::string LogGenerator::State::nmeaNoise(std::int64_t ms)
{
    const std::string time = nmeaTime(ms / 10);
    const std::int64_t kind = rng.between(0, 2);
    if (kind == 0) {
        std::string body = "GPRMC," + time + ",A," + nmeaLatitude(truth.latitude, 5) + ",N,"
                           + nmeaLongitude(truth.longitude, 5) + ",E,"
                           + fixedDecimals(0.02 * rng.uniform(), 3) + ",0.0,081226,7.9,E,D";
        return nmeaSentence(body);
    }
    if (kind == 1) {
        std::string body = "GPGSA,A,3";
        for (int i = 0; i < 12; ++i) {
            char sat[8];
            std::snprintf(sat, sizeof sat, ",%02d", static_cast<int>(rng.between(1, 32)));
            body += i < 9 ? sat : ",";
        }
        body += ',' + fixedDecimals(1.2 + rng.uniform(), 1) + ',' + fixedDecimals(0.7 + rng.uniform(), 1) + ','
                + fixedDecimals(1.0 + rng.uniform(), 1);
        return nmeaSentence(body);
    }
    std::string body = "GPGSV,3," + std::to_string(rng.between(1, 3)) + ",11";
    for (int i = 0; i < 4; ++i) {
        char sat[32];
        std::snprintf(sat, sizeof sat, ",%02d,%02d,%03d,%02d", static_cast<int>(rng.between(1, 32)),
                      static_cast<int>(rng.between(5, 89)), static_cast<int>(rng.between(0, 359)),
                      static_cast<int>(rng.between(20, 52)));
        body += sat;
    }
    return nmeaSentence(body);
}

void LogGenerator::State::appendEpoch(std::string& out)
{
    if (spellLeft <= 0) {
        nextSpell();
    }
    --spellLeft;
    const std::int64_t ms = startMs + static_cast<std::int64_t>(stats.epochs) * options.epochIntervalMs;
    ++stats.epochs;
    const bool navcom = options.format == LogFormat::Navcom;

    if (rng.chance(options.garbageShare)) {
        appendGarbage(out);
    }

    double decodedTime = 0;
    std::uint8_t fixType = 0;
    std::string solution;
    int outcome = 1;
    if (navcom) {
        bool valid = false;
        solution = navcomSolution(ms, decodedTime, valid, fixType);
        outcome = valid ? 1 : 0;
    } else {
        solution = nmeaSolution(ms, decodedTime, outcome, fixType);
    }

    if (!solution.empty() && rng.chance(options.partialShare)) {
        appendPartial(out, solution);
    }
    if (!solution.empty()) {
        if (navcom && rng.chance(options.badCrcShare)) {
            // Change one CRC digit to another hex digit: the framer must drop it.
            char& digit = solution[solution.size() - 2 - static_cast<std::size_t>(rng.between(0, 3))];
            digit = digit == '0' ? '1' : '0';
            ++stats.badCrcFrames;
        } else {
            ++stats.solutionFrames;
            if (outcome == 1) {
                keepRecord(fixType, decodedTime);
            } else {
                ++stats.invalidSolutions;
            }
        }
        out += solution;
    }

    // Geometric number of noise frames, so that noiseShare of all frames are noise.
    const double share = std::fmin(std::fmax(options.noiseShare, 0.0), 0.95);
    while (rng.chance(share)) {
        out += navcom ? navcomNoise(ms) : nmeaNoise(ms);
        ++stats.noiseFrames;
    }
    if (navcom && rng.chance(options.bootloaderShare)) {
        out += bootloaderMessage();
        ++stats.bootloaderFrames;
    }
}

LogGenerator::LogGenerator(const GeneratorOptions& options) : state_(std::make_unique<State>(options))
{
    state_->start();
}

LogGenerator::~LogGenerator() = default;

bool LogGenerator::next(std::string& chunk)
{
    chunk.clear();
    State& s = *state_;
    while (!s.done && chunk.size() < s.options.chunkBytes) {
        if (s.stats.bytes + chunk.size() >= s.options.targetBytes) {
            s.done = true;
            break;
        }
        s.appendEpoch(chunk);
    }
    s.stats.bytes += chunk.size();
    return !chunk.empty();
}

const GeneratorStats& LogGenerator::stats() const noexcept { return state_->stats; }

const GeneratorTruth& LogGenerator::truth() const noexcept { return state_->truth; }

std::string generateLog(const GeneratorOptions& options, GeneratorStats* stats)
{
    LogGenerator generator(options);
    std::string log;
    std::string chunk;
    while (generator.next(chunk)) {
        log += chunk;
    }
    if (stats != nullptr) {
        *stats = generator.stats();
    }
    return log;
}

GeneratorStats writeLog(const GeneratorOptions& options, const std::string& path)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        throw std::runtime_error("cannot open " + path + " for writing");
    }
    LogGenerator generator(options);
    std::string chunk;
    while (generator.next(chunk)) {
        file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (!file) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
    return generator.stats();
}

}  // namespace gnsslog
