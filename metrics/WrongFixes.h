// Wrong RTK fixes: fixed epochs that are far from the truth.
//
// An RTK-fixed epoch (fixType 4) is wrong when its horizontal error
// (needs bit 0x02) or its vertical error |dz| (needs bit 0x04) is strictly
// greater than the threshold; an error equal to it is not wrong. Errors
// are record minus truth, as in the analysis. Consecutive wrong epochs
// (adjacent in the record list) form one span; any other epoch between two
// wrong ones ends the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "log/GnssRecord.h"

namespace gnsslog {

class GNSSLog;

inline constexpr double kDefaultWrongFixThreshold = 0.10;  // metres

struct WrongFixSpan {
    std::size_t firstIndex = 0;    // record index of the first wrong epoch
    std::size_t epochCount = 0;    // wrong epochs in the span
    double startTime = 0;          // seconds, absolute
    double endTime = 0;            // time of the last wrong epoch, seconds
    double maxHorizontal = 0;      // largest horizontal error in the span, metres
    double maxVertical = 0;        // largest |dz| in the span, metres
};

struct WrongFixes {
    double threshold = kDefaultWrongFixThreshold;
    std::size_t fixedEpochs = 0;   // RTK-fixed epochs with bit 0x02 or 0x04 (could be judged)
    std::size_t wrongEpochs = 0;
    double share = 0;              // wrongEpochs / fixedEpochs; 0 without fixed epochs
    std::vector<WrongFixSpan> spans;
};

WrongFixes findWrongFixes(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                          double threshold);
WrongFixes findWrongFixes(const GNSSLog& log, double threshold);

}  // namespace gnsslog
