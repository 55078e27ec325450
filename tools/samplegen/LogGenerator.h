// Deterministic generator of realistic receiver logs for samples, tests and
// benchmarks.
//
// UBX logs carry NAV-PVT solutions (a NAV-HPPOSLLH beside half of them),
// or for older receivers NAV-SOL, NAV-POSLLH and NAV-STATUS, among other
// UBX messages and NMEA sentences; SBF logs PVTGeodetic, PosCovGeodetic
// and DOP blocks among measurement and status blocks; NovAtel logs
// BESTPOS (a BESTXYZ beside some) among other logs, all binary or all
// ASCII; solution files (.pos) one
// line per epoch with a position after a header naming the columns, and
// bad lines for garbage.
//
// The receiver is static near Helsinki and alternates between spells of
// RTK-fixed, float, stand-alone, RTK-X and no-position solutions; between
// the solutions it writes the traffic a real log holds: other NavCom
// messages (a boot-loader one among them) or RMC/GSA/GSV sentences, runs of
// garbage bytes and truncated frames. Every complete frame has a correct
// CRC or checksum unless badCrcShare asks for corrupted ones.
//
// Garbage is chosen so that a framer is back in its searching state before
// the next real frame starts: NavCom garbage never holds "[", NMEA garbage
// never holds "$", a truncated NavCom frame is followed by enough bytes of
// 0x80..0xFF to drop it, a truncated sentence by CR LF. So the statistics
// below are exactly what a correct framer and decoder must find.
//
// The output depends only on the options (own xoshiro256** PRNG seeded by
// splitmix64; no std:: distributions) and is produced chunk by chunk, so
// logs larger than memory can be written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/samplegen/Trajectory.h"

namespace gnsslog {

enum class LogFormat { Navcom, Nmea, Ubx, Pos, Sbf, NovatelAscii, NovatelBinary };

// Which solution messages a UBX log carries.
enum class UbxMessages {
    Pvt,  // NAV-PVT, a NAV-HPPOSLLH beside half of them
    Sol,  // NAV-SOL, NAV-POSLLH and NAV-STATUS, as receivers before NAV-PVT
};

// How a solution file (.pos) writes positions.
enum class PosSolutionStyle {
    Degrees,         // latitude, longitude in degrees, height
    DegreesMinutes,  // "dd mm ss.sssss" latitude and longitude, height
    Ecef,            // x, y, z
    Baseline,        // east, north, up from the truth point
};

// Which solution sentences an NMEA log carries.
enum class NmeaSolution {
    Gga,     // GGA, geodetic; RTK-X marked by reference station 0026
    Llk,     // LLK, grid with DOP
    Llq,     // LLQ, grid with position quality
    LlkLlq,  // LLK and LLQ on alternate epochs
    Orp,     // ORP, geodetic (coordinate kind 0)
    OrpGrid, // ORP, grid (coordinate kind 2)
    Gns      // GNS, geodetic; mode characters per system (RTK-X spells read as fixed)
};

struct GeneratorOptions {
    LogFormat format = LogFormat::Navcom;
    NmeaSolution nmeaSolution = NmeaSolution::Gga;
    UbxMessages ubxMessages = UbxMessages::Pvt;
    PosSolutionStyle posStyle = PosSolutionStyle::Degrees;
    bool posWeekTime = false;  // .pos times as GPS week and seconds, not a date
    std::uint64_t targetBytes = 100000;  // generation stops at the first epoch boundary at or past this
    std::uint64_t seed = 1;
    std::int64_t epochIntervalMs = 1000;  // 10 ms resolution for NMEA
    // Start of the log: NavCom, UBX, SBF and NovAtel, GPS time of week (SBF
    // and NovAtel in GPS week 2448, from 6 December 2026); NMEA and .pos,
    // time of day (.pos in week time: time of week). A negative value lets
    // the generator choose: for NMEA and dated .pos about halfway through
    // the log falls on midnight, for the others Tuesday 10:00.
    std::int64_t startMs = -1;
    double noiseShare = 0.4;        // share of non-solution frames among all frames
    double garbageShare = 0.02;     // probability per epoch of a garbage run before its frames
    double partialShare = 0.01;     // probability per epoch of a truncated frame
    double badCrcShare = 0.0;       // probability per epoch that its solution frame is corrupted
    double bootloaderShare = 0.002; // probability per epoch of a "[BOOTLOADB]" message (NavCom)
    // NMEA: after each solution sentence the GST, the GSA per system (NMEA
    // 4.10 system IDs, GPS and GLONASS) and the ZDA of its epoch.
    bool nmeaEpochSentences = false;
    std::size_t chunkBytes = 1 << 16;  // approximate size of one next() chunk
    // UBX, SBF and NovAtel: note every kept record in GeneratorStats::records
    // (for tests; a 100 MB log would hold a million of them).
    bool keepRecords = false;
    // Receiver resets: with N > 0 the log is N sessions instead of the
    // usual spells, and targetBytes is ignored. Each session after the
    // first starts with a reset, no position for 3 s or more (0 to 2
    // epochs beyond the 3 s); the log starts at the first session's first
    // position. Then stand-alone, float and RTK fixed, fixed to the
    // session's end. The time to fix, from the session's start, is drawn
    // uniformly in whole epochs from timeToFixMinSeconds to
    // timeToFixMaxSeconds, and is at least the reset's length. A share
    // wrongFirstFixShare of sessions starts its fix 0.5 m north of the
    // truth for 5 epochs. Where the format can say so, the reset's first
    // epoch marks the restart: NMEA logs write a u-blox start-up banner
    // ($GPTXT) before it, UBX logs a NAV-STATUS each epoch whose uptime
    // (msss) starts again at the reset.
    std::int64_t resets = 0;
    double timeToFixMinSeconds = 10;
    double timeToFixMaxSeconds = 90;
    double wrongFirstFixShare = 0;
    // A moving receiver: the truth drives the path round the truth point,
    // with the injected errors; referenceCsv() writes the path.
    TrajectoryOptions trajectory;
    // > 0: NMEA, .pos, UBX, SBF and NovAtel errors are Gaussian of this
    // multiple of the sigma the log states, without the spells' offsets
    // (1 an honest receiver, 2 an optimistic one, 0.5 a pessimistic one);
    // the stated sigma is the same north and east. 0: the usual model.
    double sigmaHonesty = 0;
};

// One session of a log with resets, as the generator wrote it. Times as
// the pipeline computes them.
struct GeneratedSession {
    double start = 0;                // seconds: the reset's first epoch, or the log's first
    double timeToFirstPosition = 0;  // seconds from start
    double timeToFirstFloat = 0;     // first RTK float or fixed
    double timeToFirstFix = 0;
    bool firstFixWrong = false;
};

// Truth of the simulated receiver. The grid coordinates, used by LLK, LLQ
// and grid ORP logs, are set to the KKJ zone 2 conversion of the latitude
// and longitude when the generator starts.
struct GeneratorTruth {
    double latitude = 60.2051234;    // degrees, WGS84
    double longitude = 24.9012345;   // degrees, WGS84
    double height = 45.678;          // metres above the ellipsoid
    double geoidSeparation = 17.512; // metres (GGA)
    double gridX = 0;                // metres, grid northing
    double gridY = 0;                // metres, grid easting
};

// A record the analysis must make, as the generator meant it before the
// format's resolution rounded it.
struct GeneratedRecord {
    double time = 0;           // seconds, as the pipeline computes them
    double latitude = 0;       // degrees, WGS84
    double longitude = 0;      // degrees
    double height = 0;         // metres above the ellipsoid
    double errorEstimate = 0;  // metres, 0 where the epoch gives none
    double dop = 0;            // PDOP, 0 where the epoch gives none
    int satellites = 0;
    std::uint8_t fixType = 0;
};

// What the generator wrote, in the terms of the analysis.
struct GeneratorStats {
    std::uint64_t bytes = 0;
    std::uint64_t epochs = 0;
    std::uint64_t solutionFrames = 0;    // solution messages/sentences with a correct CRC, valid or not
    std::uint64_t validRecords = 0;      // solutions the decoder keeps
    std::uint64_t invalidSolutions = 0;  // framed solutions the decoder rejects (no position)
    std::uint64_t fixedRecords = 0;      // kept records with fixType 4
    std::uint64_t floatRecords = 0;      // kept records with fixType 5
    std::uint64_t rtkxRecords = 0;       // kept records with fixType 255
    std::uint64_t otherRecords = 0;      // kept records with any other fixType
    std::uint64_t fixLosses = 0;         // kept non-fixed record right after a kept fixed one
    std::uint64_t noiseFrames = 0;       // other labels or sentences, complete and correct (boot loader excluded)
    std::uint64_t epochFrames = 0;       // GST, GSA and ZDA written for nmeaEpochSentences
    std::uint64_t bootloaderFrames = 0;  // "[BOOTLOADB]" messages, never framed
    std::uint64_t badCrcFrames = 0;      // corrupted solution frames
    std::uint64_t partialFrames = 0;     // truncated frames
    std::uint64_t garbageBytes = 0;      // garbage and filler bytes
    std::uint64_t dayWraps = 0;          // day wraps the pipeline's rule will see
    // Record times as the pipeline computes them (decoded time plus its
    // day-wrap offset); startTime of the first kept record, endTime the
    // largest. Both 0 without records.
    double startTime = 0;
    double endTime = 0;
    std::vector<GeneratedSession> sessions;  // resets only
    std::vector<GeneratedRecord> records;    // keepRecords only
};

class LogGenerator {
public:
    explicit LogGenerator(const GeneratorOptions& options);
    ~LogGenerator();
    LogGenerator(const LogGenerator&) = delete;
    LogGenerator& operator=(const LogGenerator&) = delete;

    // Replaces chunk with the next part of the log; false (and an empty
    // chunk) once the log is complete.
    bool next(std::string& chunk);

    // Counts so far; final once next() has returned false.
    const GeneratorStats& stats() const noexcept;
    // The truth point; on a trajectory, the path's centre.
    const GeneratorTruth& truth() const noexcept;

    // On a trajectory, once next() has returned false: the reference
    // trajectory of the log's span as CSV (GPS week and seconds, latitude,
    // longitude, ellipsoidal height, heading and, if asked for, east,
    // north and up velocity), on GPS time, so a UTC log meets it 18 s
    // after its own times. Empty without a trajectory.
    std::string referenceCsv() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The whole log in memory (for small logs).
std::string generateLog(const GeneratorOptions& options, GeneratorStats* stats = nullptr);

// Writes the log to path; throws std::runtime_error naming the file when it
// cannot be written.
GeneratorStats writeLog(const GeneratorOptions& options, const std::string& path);

// writeLog, and on a trajectory the reference to referencePath (not
// written when empty); throws as writeLog does.
GeneratorStats writeLogAndReference(const GeneratorOptions& options, const std::string& path,
                                    const std::string& referencePath);

}  // namespace gnsslog
