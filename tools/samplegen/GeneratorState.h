// The generator's internals, shared by the files that write its epochs:
// the random source, the solution spells and the generator's state.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {

namespace samplegen {

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

inline SpellModel model(Spell spell)
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

inline constexpr std::int64_t kWeekMs = 604800000;
inline constexpr std::int64_t kDayMs = 86400000;
// The NMEA logs' first day, 8 December 2026, in days since 1970-01-01.
inline constexpr std::int64_t kNmeaFirstDay = 20795;
inline constexpr double kMetresPerDegreeLat = 111412.0;  // near 60 N; good to 0.1 % for noise scaling

inline const char* const kNavcomNoiseLabels[] = {"[CHNLSTATUS1B]", "[MEAS1B]", "[EPHEM1B]", "[RXSTATUS2B]",
                                                 "[ALM1B]"};

// The GPS week of startMs 0 in SBF and NovAtel logs: the week of 8
// December 2026, the NMEA logs' first day.
inline constexpr std::int64_t kFirstGpsWeek = 2448;
// The GPS week of startMs 0 in .pos logs, in week and seconds or dated
// (its Sunday, 4 January 2026, is their first day).
inline constexpr std::int64_t kFirstPosWeek = 2400;

// A whole UBX frame: sync, class, id, length, payload and checksum.
std::string ubxFrame(std::uint8_t messageClass, std::uint8_t id, const std::string& payload);

// WGS84 latitude and longitude (degrees) and height above the ellipsoid
// (metres) to ECEF X, Y, Z (metres); closed form, exact to rounding.
void toEcef(double latitude, double longitude, double height, double xyz[3]);

// Little-endian writers into a buffer already long enough.
inline void putLe(std::string& bytes, std::size_t offset, std::uint64_t value, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

inline void putF8(std::string& bytes, std::size_t offset, double value)
{
    putLe(bytes, offset, std::bit_cast<std::uint64_t>(value), 8);
}

inline void putF4(std::string& bytes, std::size_t offset, float value)
{
    putLe(bytes, offset, std::bit_cast<std::uint32_t>(value), 4);
}

// One epoch of the simulated receiver, before a format writes it.
struct EpochSolution {
    double latitude = 0;   // degrees, WGS84
    double longitude = 0;  // degrees
    double height = 0;     // metres above the ellipsoid
    double sigmaLatitude = 0;   // metres, 1 sigma, as the receiver estimates it
    double sigmaLongitude = 0;
    double sigmaHeight = 0;
    double pdop = 0;
    int satellites = 0;
};

// What an NMEA epoch drew before its sentence is chosen; every sentence
// kind takes its fields from it.
struct NmeaEpochDraw {
    std::int64_t centiseconds = 0;  // time of day
    SpellModel model{};
    double dn = 0;  // north, east and up errors, metres
    double de = 0;
    double du = 0;
    int gps = 0;  // satellites
    int glonass = 0;
    double dop = 0;
    bool noPosition = false;
};

}  // namespace samplegen

struct LogGenerator::State {
    explicit State(const GeneratorOptions& o) : options(o), rng(o.seed) {}

    GeneratorOptions options;
    // The epoch's truth; on a trajectory it moves, round centre.
    GeneratorTruth truth;
    GeneratorTruth centre;
    GeneratorStats stats;
    samplegen::Rng rng;
    bool done = false;

    std::int64_t startMs = 0;
    samplegen::Spell spell = samplegen::Spell::Single;
    std::int64_t spellLeft = 0;
    double biasN = 0, biasE = 0, biasU = 0;
    double metresPerDegreeLon = 55600.0;

    // Replica of the pipeline's bookkeeping on the records we write.
    bool firstRecord = true;
    bool prevFixed = false;
    double dayOffset = 0;
    double prevTime = 0;
    // An RMC has given the date: from the next record on the pipeline
    // counts days by the date, not as day wraps.
    bool dateWritten = false;

    // What the last NMEA solution told, for the sentences completing its
    // epoch.
    int lastGps = 0;
    int lastGlonass = 0;
    double lastSigmaH = 0;
    double lastSigmaV = 0;

    // Start of the GPS week of the first record (SBF, NovAtel), -1 before.
    std::int64_t recordWeekStartMs = -1;
    // The solution's record, noted by the formats that note one.
    GeneratedRecord pendingRecord;

    // Resets: the current session's plan in epochs from its start, and
    // the stage (ResetStage) whose spell runs.
    struct SessionPlan {
        std::int64_t resetEpochs = 0;  // no position
        std::int64_t floatEpoch = 0;   // first float (or fixed)
        std::int64_t fixEpoch = 0;     // first fixed
        std::int64_t wrongEpochs = 0;  // fixed but wrong, from fixEpoch
        std::int64_t fixedEpochs = 0;  // right fixed after those, to the session's end
    };
    SessionPlan plan;
    int stage = 0;
    std::int64_t sessionsStarted = 0;
    bool sessionPositioned = false;
    // The receiver restarts at this epoch: the first of a session after
    // the first; its format writes the restart where it can.
    bool restartPending = false;
    std::int64_t bootMs = 0;  // the receiver's start, for the UBX uptime (msss)

    void start();
    void appendEpoch(std::string& out);
    std::string solutionFrames(std::int64_t ms, double& decodedTime, int& outcome, std::uint8_t& fixType);
    // On a trajectory, truth to where the antenna is at ms.
    void moveTruth(std::int64_t ms);
    void nextSpell();
    void planSession();
    void nextResetSpell();
    bool resetsComplete() const noexcept;
    void noteSessionRecord(std::uint8_t fixType, double time);
    void keepRecord(std::uint8_t fixType, double decodedTime);

    std::string navcomSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string nmeaSolution(std::int64_t ms, double& decodedTime, int& outcome, std::uint8_t& fixType);
    // The sentence of each kind nmeaSolution writes: GGA or GNS, LLK or LLQ
    // (none without a position: outcome -1), ORP in degrees or the grid.
    std::string nmeaGgaOrGns(const samplegen::NmeaEpochDraw& d, NmeaSolution kind, std::uint8_t& fixType);
    std::string nmeaGridSentence(const samplegen::NmeaEpochDraw& d, NmeaSolution kind, int& outcome,
                                 std::uint8_t& fixType);
    std::string nmeaOrpSentence(const samplegen::NmeaEpochDraw& d, NmeaSolution kind, std::uint8_t& fixType);
    std::string navcomNoise(std::int64_t ms);
    std::string bootloaderMessage();
    std::string ubxSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string ubxOlderSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string sbfSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string sbfNoise(std::int64_t ms);
    std::string novatelSolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string novatelNoise(std::int64_t ms);
    // The epoch's position, sigmas, DOP and satellites for a spell with a position.
    samplegen::EpochSolution drawSolution();
    // drawSolution under sigmaHonesty.
    samplegen::EpochSolution drawScaledSolution(const samplegen::SpellModel& m);
    // One axis's error: the spell's offset plus Gaussian noise of sigma, or
    // under sigmaHonesty that multiple of sigma alone.
    double axisError(double bias, double sigma);
    // Seconds of a GPS time (ms from startMs 0's week) as the SBF and
    // NovAtel assembler counts them: from the first record's week.
    double gpsWeekSeconds(std::int64_t ms);
    // What keepRecord notes when the options ask for records.
    void noteRecord(double latitude, double longitude, double height, double errorEstimate, double dop,
                    int satellites);
    std::string ubxNoise(std::int64_t ms);
    // Resets: a NAV-STATUS beside a NAV-PVT, for the receiver's uptime.
    std::string ubxUptimeStatus(std::int64_t ms, bool positioned);
    std::uint32_t uptimeMs(std::int64_t ms) const noexcept;  // msss
    std::string posHeader() const;
    std::string posSolution(std::int64_t ms, double& decodedTime, int& outcome, std::uint8_t& fixType);
    std::string nmeaNoise(std::int64_t ms);
    std::string nmeaEpochSentences(std::int64_t ms);
    // The solution frames of the format's epoch, and one noise frame.
    std::string binarySolution(std::int64_t ms, double& decodedTime, bool& valid, std::uint8_t& fixType);
    std::string noise(std::int64_t ms);
    // Whether the format's framer starts a candidate at this byte.
    bool startsFrame(char c) const noexcept;
    void appendGarbage(std::string& out);
    void appendPartial(std::string& out, const std::string& frame);
};

}  // namespace gnsslog
