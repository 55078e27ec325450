// The six summary texts of an analysis, as the main window and the report
// tool show them.
#pragma once

#include <cstdint>
#include <string>

#include "log/Gpslog.h"

namespace gnsslog {

// One text per label of the main window, named after the label.
struct SummaryTexts {
    std::string label1;  // record count, RTK-fix share, fix losses
    std::string label2;  // averaged latitude, longitude (degrees, minutes, seconds) and height
    std::string label3;  // largest X, Y and Z errors
    std::string label4;  // start time of day and length of the log
    std::string label5;  // share of fixed heights within 3 cm of the averaged height
    std::string label6;  // averaged grid X, Y and height
};

// Texts are UTF-8 and locale-independent (the decimal point is always '.').
// Works on any analysis, an empty one included. Does not throw except for
// running out of memory.
SummaryTexts summaryTexts(const GNSSLog& log);

// An angle (decimal degrees) split into whole degrees, whole minutes and
// seconds with floor: a negative angle keeps a negative degree count with
// non-negative minutes and seconds (-0.5 gives -1, 30, 0). The degrees and
// minutes are truncated to integers (saturating; NaN gives 0).
struct Dms {
    std::int32_t degrees = 0;
    std::int32_t minutes = 0;
    double seconds = 0;
};
Dms DegreesToDms(double degrees) noexcept;

// Hours and minutes of a time in seconds: truncated toward zero and taken
// as unsigned 32-bit, hours not reduced modulo 24.
struct HoursMinutes {
    std::uint32_t hours = 0;
    std::uint32_t minutes = 0;
};
HoursMinutes hoursMinutes(double seconds) noexcept;

// Kept RTK-fixed records with a height within 3 cm (strictly) of avgZ.
std::uint64_t heightsWithin3cm(const GNSSLog& log) noexcept;

}  // namespace gnsslog
