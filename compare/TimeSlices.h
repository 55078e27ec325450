// Statistics per slice of the clock: a log cut into slices of a fixed
// duration aligned on whole multiples of it in the records' own time
// scale (seconds, day wrap applied), so "1h" slices start on the hour.
//
// Every slice from the one holding the earliest record to the one holding
// the latest is visited, those without records included. A slice is
// partial when the log does not cover it whole: it starts before the
// first record, or ends after the last record's epoch (its time plus the
// nominal epoch interval). Records whose time is not finite are in no
// slice. Each slice's records are given in file order.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "log/GnssRecord.h"

namespace gnsslog {

// More slices than this in one log is refused: a corrupt time would
// otherwise ask for billions of empty rows.
inline constexpr std::size_t kMaxTimeSlices = 100000;

struct TimeSlice {
    double start = 0;  // seconds, a multiple of the duration
    double end = 0;    // start plus the duration
    std::size_t recordCount = 0;
    bool partial = false;
};

// A duration of a positive number and a unit: "90s", "15min", "1h",
// "0.5h". Writes seconds; false for anything else (no unit, zero,
// negative, not finite, other text).
bool parseDuration(std::string_view text, double& seconds) noexcept;

using TimeSliceVisitor = std::function<void(const TimeSlice&, std::span<const GNSSRecord>)>;

// Calls visit for every slice of sliceSeconds in time order. Returns an
// empty string, or why the records cannot be sliced (too many slices).
std::string forEachTimeSlice(std::span<const GNSSRecord> records, double sliceSeconds,
                             double nominalInterval, const TimeSliceVisitor& visit);

// "hh:mm:ss" of a time in seconds; hours go past 24 (a log's second day,
// or a GPS time of week), and a negative or non-finite time gives "-".
std::string formatClock(double seconds);

}  // namespace gnsslog
