#include "tools/samplegen/LogGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "common/Saturate.h"
#include "geodesy/Kkj.h"
#include "log/GnssRecord.h"
#include "tools/samplegen/GeneratorState.h"
#include "tools/samplegen/NmeaWriter.h"
#include "tools/samplegen/Pvt1bEncoder.h"

namespace gnsslog {

using namespace samplegen;

namespace {

// The spells of one session with resets, in order.
enum ResetStage { kReset, kStandAlone, kFloat, kWrongFix, kFixed, kStageCount };
constexpr double kWrongFixOffset = 0.5;        // metres north: well beyond any wrong-fix threshold in use
constexpr std::int64_t kWrongFixEpochs = 5;
constexpr std::int64_t kResetMs = 3000;        // shortest reset, milliseconds
constexpr std::int64_t kFixedAfterFixMin = 30; // epochs fixed after the first fix
constexpr std::int64_t kFixedAfterFixMax = 120;
// A reset's restart marks: the start-up banner a u-blox receiver writes
// as NMEA, and the time it has been up when its first epoch comes.
constexpr std::string_view kUbloxBanner = "GPTXT,01,01,02,u-blox ag - www.u-blox.com";
constexpr std::int64_t kBootMs = 500;
constexpr std::int64_t kFirstUptimeMs = 60000;  // up a minute before the log starts

}  // namespace

void LogGenerator::State::start()
{
    // The grid receiver reports the same point as the geodetic one would
    // after the system's own conversion.
    geodeticToKKJ(truth.latitude, truth.longitude, 2, truth.gridX, truth.gridY);
    centre = truth;
    metresPerDegreeLon = kMetresPerDegreeLat * std::cos(truth.latitude * 3.14159265358979323846 / 180.0);
    if (options.epochIntervalMs < 10) {
        options.epochIntervalMs = 10;
    }
    if (options.format == LogFormat::Nmea) {
        options.epochIntervalMs -= options.epochIntervalMs % 10;  // hhmmss.ss resolution
    }
    const bool timeOfDay = options.format == LogFormat::Nmea ||
                           (options.format == LogFormat::Pos && !options.posWeekTime);
    startMs = options.startMs;
    if (startMs < 0) {
        if (!timeOfDay) {
            startMs = 2 * kDayMs + 10 * 3600000;  // Tuesday 10:00 GPS time of week
        } else {
            // Put midnight about halfway through the log.
            const double noisePerEpoch = options.noiseShare / (1.0 - std::fmin(options.noiseShare, 0.95));
            double bytesPerEpoch =
                options.format == LogFormat::Pos ? 125.0 : 95.0 + 70.0 * noisePerEpoch;
            if (options.format == LogFormat::Nmea && options.nmeaEpochSentences) {
                bytesPerEpoch += 205.0;  // GST, two GSA and ZDA
            }
            const auto epochs = static_cast<std::int64_t>(static_cast<double>(options.targetBytes) / bytesPerEpoch);
            const std::int64_t half = (epochs / 2) * options.epochIntervalMs;
            startMs = ((kDayMs - half % kDayMs) % kDayMs) / 10 * 10;
        }
    }
    spell = Spell::Single;
    spellLeft = 1 + rng.between(0, 15);
    if (options.resets > 0) {
        stage = kStageCount;  // the first epoch plans the first session
        spellLeft = 0;
        bootMs = startMs - kFirstUptimeMs;
    }
    if (options.trajectory.allFixed) {
        spell = Spell::Fixed;
        spellLeft = std::numeric_limits<std::int64_t>::max();
    }
}

void LogGenerator::State::moveTruth(std::int64_t ms)
{
    const PathPoint p = antennaAt(options.trajectory, static_cast<double>(ms - startMs) * 0.001);
    pathToGeodetic(centre.latitude, centre.longitude, centre.height, p.east, p.north, truth.latitude,
                   truth.longitude);
    geodeticToKKJ(truth.latitude, truth.longitude, 2, truth.gridX, truth.gridY);
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


void LogGenerator::State::planSession()
{
    const std::int64_t interval = options.epochIntervalMs;
    plan = SessionPlan{};
    if (sessionsStarted > 0) {
        plan.resetEpochs = (kResetMs + interval - 1) / interval + rng.between(0, 2);
        restartPending = true;
    }
    const auto lo = static_cast<std::int64_t>(std::ceil(options.timeToFixMinSeconds * 1000.0 / static_cast<double>(interval)));
    const auto hi = static_cast<std::int64_t>(std::floor(options.timeToFixMaxSeconds * 1000.0 / static_cast<double>(interval)));
    plan.fixEpoch = std::max(rng.between(std::max<std::int64_t>(lo, 0), std::max(lo, hi)), plan.resetEpochs);
    plan.floatEpoch = plan.resetEpochs + rng.between(0, (plan.fixEpoch - plan.resetEpochs) / 2);
    const bool wrong = rng.chance(options.wrongFirstFixShare);
    plan.wrongEpochs = wrong ? kWrongFixEpochs : 0;
    plan.fixedEpochs = rng.between(kFixedAfterFixMin, kFixedAfterFixMax);
    ++sessionsStarted;
    sessionPositioned = false;
    GeneratedSession& g = stats.sessions.emplace_back();
    const double seconds = static_cast<double>(interval) / 1000.0;
    g.timeToFirstPosition = static_cast<double>(plan.resetEpochs) * seconds;
    g.timeToFirstFloat = static_cast<double>(plan.floatEpoch) * seconds;
    g.timeToFirstFix = static_cast<double>(plan.fixEpoch) * seconds;
    g.firstFixWrong = wrong;
    stage = -1;
}

void LogGenerator::State::nextResetSpell()
{
    while (true) {
        ++stage;
        if (stage >= kStageCount) {
            planSession();
            continue;
        }
        std::int64_t length = 0;
        biasN = biasE = biasU = 0;
        switch (stage) {
        case kReset: spell = Spell::NoPosition; length = plan.resetEpochs; break;
        case kStandAlone: spell = Spell::Single; length = plan.floatEpoch - plan.resetEpochs; break;
        case kFloat: spell = Spell::Float; length = plan.fixEpoch - plan.floatEpoch; break;
        case kWrongFix:
            spell = Spell::Fixed;
            length = plan.wrongEpochs;
            biasN = kWrongFixOffset;
            break;
        default: spell = Spell::Fixed; length = plan.fixedEpochs; break;
        }
        if (length > 0) {
            spellLeft = length;
            return;
        }
    }
}

bool LogGenerator::State::resetsComplete() const noexcept
{
    return sessionsStarted >= options.resets && stage == kFixed && spellLeft <= 0;
}

// The session's start follows from its first position, whose time the
// pipeline knows, and the plan's epochs before it.
void LogGenerator::State::noteSessionRecord(std::uint8_t fixType, double time)
{
    GeneratedSession& g = stats.sessions.back();
    if (!sessionPositioned && fixType != FixType::NoPosition) {
        sessionPositioned = true;
        g.start = time - g.timeToFirstPosition;
    }
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
        // Once the record before this one had an RMC after it, the
        // pipeline follows the date, which moves on at midnight as well.
        if (!dateWritten) {
            ++stats.dayWraps;
        }
    }
    prevTime = t;
    if (options.keepRecords) {
        GeneratedRecord& r = stats.records.emplace_back(pendingRecord);
        r.time = t;
        r.fixType = fixType;
    }
    if (options.resets > 0) {
        noteSessionRecord(fixType, t);
    }
    if (t > stats.endTime) {
        stats.endTime = t;
    }
}

void LogGenerator::State::appendGarbage(std::string& out)
{
    if (options.format == LogFormat::Pos) {
        // A line no solution reads: "#" and printable characters.
        const auto length = rng.between(1, 48);
        out.push_back('#');
        for (std::int64_t i = 0; i < length; ++i) {
            out.push_back(static_cast<char>(rng.between(0x21, 0x7E)));
        }
        out.push_back('\n');
        stats.garbageBytes += static_cast<std::uint64_t>(length) + 2;
        return;
    }
    const auto length = rng.between(1, 48);
    for (std::int64_t i = 0; i < length; ++i) {
        char c = static_cast<char>(rng.next() & 0xFF);
        if (startsFrame(c)) {
            c = startsFrame('#') ? '!' : '#';
        }
        out.push_back(c);
    }
    stats.garbageBytes += static_cast<std::uint64_t>(length);
}

bool LogGenerator::State::startsFrame(char c) const noexcept
{
    switch (options.format) {
    case LogFormat::Ubx: return c == '\xB5';
    case LogFormat::Navcom: return c == '[';
    case LogFormat::NovatelAscii:
    case LogFormat::NovatelBinary: return c == '\xAA' || c == '#' || c == '%';
    default: return c == '$';  // NMEA, SBF
    }
}

void LogGenerator::State::appendPartial(std::string& out, const std::string& frame)
{
    if (options.format == LogFormat::NovatelAscii) {
        // A line cut short by its recorder: CR stops the framer's look at it.
        const auto keep = static_cast<std::size_t>(rng.between(1, static_cast<std::int64_t>(frame.size()) - 4));
        out.append(frame, 0, keep);
        out += "\r\n";
        stats.garbageBytes += keep + 2;
    } else if (options.format == LogFormat::Ubx || options.format == LogFormat::Sbf ||
               options.format == LogFormat::NovatelBinary) {
        // Any prefix: the framer's checksum fails once the bytes after it
        // fill the declared length, and it resumes one byte after the cut
        // frame's start, so the frames after it are still found.
        const auto keep = static_cast<std::size_t>(rng.between(1, static_cast<std::int64_t>(frame.size()) - 1));
        out.append(frame, 0, keep);
        stats.garbageBytes += keep;
    } else if (options.format == LogFormat::Pos) {
        // At most the time: a line without a position.
        const auto keep = static_cast<std::size_t>(rng.between(1, 10));
        out.append(frame, 0, keep);
        out += '\n';
        stats.garbageBytes += keep + 1;
    } else if (options.format == LogFormat::Navcom) {
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

// The epoch's solution in the log's format; outcome 1: a record is kept.
std::string LogGenerator::State::solutionFrames(std::int64_t ms, double& decodedTime, int& outcome,
                                                std::uint8_t& fixType)
{
    bool valid = false;
    switch (options.format) {
    case LogFormat::Navcom: {
        std::string solution = navcomSolution(ms, decodedTime, valid, fixType);
        outcome = valid ? 1 : 0;
        return solution;
    }
    case LogFormat::Ubx:
    case LogFormat::Sbf:
    case LogFormat::NovatelAscii:
    case LogFormat::NovatelBinary: {
        std::string solution = binarySolution(ms, decodedTime, valid, fixType);
        outcome = valid ? 1 : 0;
        return solution;
    }
    case LogFormat::Pos: return posSolution(ms, decodedTime, outcome, fixType);
    default: return nmeaSolution(ms, decodedTime, outcome, fixType);
    }
}

void LogGenerator::State::appendEpoch(std::string& out)
{
    if (spellLeft <= 0) {
        if (options.resets > 0) {
            nextResetSpell();
        } else {
            nextSpell();
        }
    }
    --spellLeft;
    const std::int64_t ms = startMs + static_cast<std::int64_t>(stats.epochs) * options.epochIntervalMs;
    ++stats.epochs;
    if (options.trajectory.kind != TrajectoryKind::None) {
        moveTruth(ms);
    }
    const bool navcom = options.format == LogFormat::Navcom;
    if (restartPending) {
        restartPending = false;
        bootMs = ms - kBootMs;
        if (options.format == LogFormat::Nmea) {
            out += nmeaSentence(kUbloxBanner);
        }
    }

    if (rng.chance(options.garbageShare)) {
        appendGarbage(out);
    }

    double decodedTime = 0;
    std::uint8_t fixType = 0;
    int outcome = 1;
    std::string solution = solutionFrames(ms, decodedTime, outcome, fixType);

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
        if (!navcom && options.nmeaEpochSentences) {
            out += nmeaEpochSentences(ms);
        }
    }

    // Geometric number of noise frames, so that noiseShare of all frames are noise.
    // Solution files hold nothing but solutions.
    const double share =
        options.format == LogFormat::Pos ? 0.0 : std::fmin(std::fmax(options.noiseShare, 0.0), 0.95);
    while (rng.chance(share)) {
        out += noise(ms);
        ++stats.noiseFrames;
    }
    if (navcom && rng.chance(options.bootloaderShare)) {
        out += bootloaderMessage();
        ++stats.bootloaderFrames;
    }
}

std::string LogGenerator::State::binarySolution(std::int64_t ms, double& decodedTime, bool& valid,
                                                std::uint8_t& fixType)
{
    pendingRecord = GeneratedRecord{};
    switch (options.format) {
    case LogFormat::Sbf: return sbfSolution(ms, decodedTime, valid, fixType);
    case LogFormat::NovatelAscii:
    case LogFormat::NovatelBinary: return novatelSolution(ms, decodedTime, valid, fixType);
    default:
        if (options.ubxMessages == UbxMessages::Sol) {
            return ubxOlderSolution(ms, decodedTime, valid, fixType);
        }
        std::string frames = ubxSolution(ms, decodedTime, valid, fixType);
        if (options.resets > 0) {
            frames += ubxUptimeStatus(ms, valid);
        }
        return frames;
    }
}

std::string LogGenerator::State::noise(std::int64_t ms)
{
    switch (options.format) {
    case LogFormat::Navcom: return navcomNoise(ms);
    case LogFormat::Ubx: return ubxNoise(ms);
    case LogFormat::Sbf: return sbfNoise(ms);
    case LogFormat::NovatelAscii:
    case LogFormat::NovatelBinary: return novatelNoise(ms);
    default: return nmeaNoise(ms);
    }
}

samplegen::EpochSolution LogGenerator::State::drawSolution()
{
    const SpellModel m = model(spell);
    EpochSolution e;
    if (options.sigmaHonesty > 0) {
        return drawScaledSolution(m);
    }
    e.latitude = truth.latitude + (biasN + m.sigmaH * rng.gauss()) / kMetresPerDegreeLat;
    e.longitude = truth.longitude + (biasE + m.sigmaH * rng.gauss()) / metresPerDegreeLon;
    e.height = truth.height + biasU + m.sigmaV * rng.gauss();
    e.sigmaLatitude = m.sigmaH * (1.0 + rng.uniform());
    e.sigmaLongitude = m.sigmaH * (1.0 + rng.uniform());
    e.sigmaHeight = m.sigmaV * (1.0 + rng.uniform());
    e.pdop = static_cast<double>(rng.between(90, 250)) * 0.01;
    e.satellites = static_cast<int>(rng.between(8, 30));
    return e;
}

samplegen::EpochSolution LogGenerator::State::drawScaledSolution(const SpellModel& m)
{
    EpochSolution e;
    const double sigma = m.sigmaH * (1.0 + rng.uniform());
    e.sigmaLatitude = sigma;
    e.sigmaLongitude = sigma;
    e.sigmaHeight = m.sigmaV * (1.0 + rng.uniform());
    const double h = options.sigmaHonesty;
    e.latitude = truth.latitude + h * sigma * rng.gauss() / kMetresPerDegreeLat;
    e.longitude = truth.longitude + h * sigma * rng.gauss() / metresPerDegreeLon;
    e.height = truth.height + h * e.sigmaHeight * rng.gauss();
    e.pdop = static_cast<double>(rng.between(90, 250)) * 0.01;
    e.satellites = static_cast<int>(rng.between(8, 30));
    return e;
}

double LogGenerator::State::axisError(double bias, double sigma)
{
    if (options.sigmaHonesty > 0) {
        return options.sigmaHonesty * sigma * rng.gauss();
    }
    return bias + sigma * rng.gauss();
}

double LogGenerator::State::gpsWeekSeconds(std::int64_t ms)
{
    if (recordWeekStartMs < 0) {
        recordWeekStartMs = ms - ms % kWeekMs;
    }
    return static_cast<double>(ms - recordWeekStartMs) * 0.001;
}

void LogGenerator::State::noteRecord(double latitude, double longitude, double height, double errorEstimate,
                                     double dop, int satellites)
{
    pendingRecord.latitude = latitude;
    pendingRecord.longitude = longitude;
    pendingRecord.height = height;
    pendingRecord.errorEstimate = errorEstimate;
    pendingRecord.dop = dop;
    pendingRecord.satellites = satellites;
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
    if (s.stats.bytes == 0 && s.options.format == LogFormat::Pos && !s.done) {
        chunk = s.posHeader();
    }
    while (!s.done && chunk.size() < s.options.chunkBytes) {
        if (s.options.resets > 0 ? s.resetsComplete()
                                 : s.stats.bytes + chunk.size() >= s.options.targetBytes) {
            s.done = true;
            break;
        }
        s.appendEpoch(chunk);
    }
    s.stats.bytes += chunk.size();
    return !chunk.empty();
}

const GeneratorStats& LogGenerator::stats() const noexcept { return state_->stats; }

const GeneratorTruth& LogGenerator::truth() const noexcept { return state_->centre; }

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

namespace {

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        throw std::runtime_error("cannot open " + path + " for writing");
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

GeneratorStats writeLog(const GeneratorOptions& options, const std::string& path)
{
    return writeLogAndReference(options, path, {});
}

GeneratorStats writeLogAndReference(const GeneratorOptions& options, const std::string& path,
                                    const std::string& referencePath)
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
    if (!referencePath.empty() && options.trajectory.kind != TrajectoryKind::None) {
        writeFile(referencePath, generator.referenceCsv());
    }
    return generator.stats();
}

}  // namespace gnsslog
