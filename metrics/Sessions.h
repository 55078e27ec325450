// Sessions of a log: the stretches between restarts of the receiver's
// solution, and how fast each one got its position, float and fix.
//
// Cutting by gaps (the default): a new session starts where the log has
// no position (fixType 0, or no record at all) for at least gapSeconds
// after a record with a position. The outage is measured from its start,
// the first no-position record or, where the receiver wrote nothing, one
// nominal epoch interval after the last record with a position, to the
// next record with a position (to one interval past the log's last record
// when none follows). A step between consecutive records longer than
// gapSeconds, forward or back, always cuts. At 1 Hz both rules agree: two
// missing or two no-position epochs cut, one does not. The new session
// starts at the outage's start and holds its no-position records. The
// first session starts at the first record; no-position records before
// any position belong to the session they start, so a log of no-position
// records only is one session that never had a position.
//
// Receiver restarts the log marks (GNSSLog::restarts: the index of the
// first record after each) also cut: the session holds that record and
// the ones after it, and starts one nominal interval after the record
// before it, or at the restart's record when that is sooner (a receiver
// that writes no epoch until its first position still counts its
// start-up). Records of an outage just before the restart stay with the
// session they end, so a rig's resets are not doubled by the silence
// before them. Cutting by markers cuts there only.
//
// Cutting by the clock (every): session k holds the records with times in
// [t0 + k D, t0 + (k + 1) D), t0 the first record's time; windows without
// records are no session.
//
// The nominal epoch interval is the median (nearest rank) of the positive
// steps between consecutive records, 0 without one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {

enum class SessionCutting : std::uint8_t { Gaps, Every, Markers };

inline constexpr double kDefaultSessionGap = 2.0;          // seconds
inline constexpr double kDefaultConvergedMetres = 0.05;    // horizontal error, metres
inline constexpr double kDefaultConvergedForSeconds = 10;  // seconds
inline constexpr double kDefaultFixedWithinSeconds[] = {30, 60, 120, 300};

struct SessionOptions {
    SessionCutting cutting = SessionCutting::Gaps;
    double gapSeconds = kDefaultSessionGap;
    double everySeconds = 0;  // Every: the window length D, seconds, > 0
    double wrongFixThreshold = kDefaultWrongFixThreshold;  // metres, as WrongFixes
    double convergedMetres = kDefaultConvergedMetres;
    double convergedForSeconds = kDefaultConvergedForSeconds;
    std::vector<double> fixedWithinSeconds{std::begin(kDefaultFixedWithinSeconds),
                                           std::end(kDefaultFixedWithinSeconds)};
};

// Times are seconds from the session's start; empty when never reached.
struct Session {
    std::size_t firstIndex = 0;   // record index of the session's first record
    std::size_t recordCount = 0;
    double startTime = 0;         // seconds, absolute (the records' time scale)
    double endTime = 0;           // the last record's time, seconds, absolute
    std::optional<double> timeToFirstPosition;  // first fixType other than 0
    std::optional<double> timeToFirstFloat;     // first RTK float or fixed (4 or 5)
    std::optional<double> timeToFirstFixed;     // first RTK fixed (4)
    // The first fixed epoch's errors against the truth, metres; empty when
    // not measured. It is wrong when either is strictly beyond the
    // wrong-fix threshold.
    std::optional<double> firstFixHorizontal;
    std::optional<double> firstFixVertical;
    bool firstFixWrong = false;
    // Start of the first run of consecutive epochs whose horizontal error
    // is below convergedMetres and whose times span at least
    // convergedForSeconds.
    std::optional<double> timeToConverged;
    double fixedShare = 0;                 // fixed records / records
    std::optional<double> horizontal95;    // RTK-fixed epochs, nearest rank, metres

    // The first fix could be judged: one of its errors was measured.
    bool firstFixJudged() const noexcept { return firstFixHorizontal || firstFixVertical; }
};

// Where the sessions start: first record index and start time of each.
struct SessionStart {
    std::size_t firstIndex = 0;
    double startTime = 0;
};

// Median (nearest rank) of the positive steps between records; 0 without.
double nominalEpochInterval(std::span<const GNSSRecord> records);

// nominalInterval: nominalEpochInterval(records), passed in so a caller
// that needs it too reads the records once for it. restarts: marked
// restarts, rising record indices; others (0, out of range, out of
// order) are passed over.
std::vector<SessionStart> findSessionStarts(std::span<const GNSSRecord> records,
                                            const SessionOptions& options, double nominalInterval,
                                            std::span<const std::size_t> restarts = {});

// Each session's figures against a fixed truth point.
std::vector<Session> measureSessions(std::span<const GNSSRecord> records,
                                     std::span<const SessionStart> starts, const TruthPoint& truth,
                                     const SessionOptions& options);

}  // namespace gnsslog
