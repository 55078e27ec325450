// Accumulator of the fix losses of a log (see metrics/FixContinuity.h):
// the loss events, time to first fix and the fixed epochs as the records
// pass, the re-fix distribution at the end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

#include "log/GnssRecord.h"
#include "metrics/FixContinuity.h"

namespace gnsslog {

class FixLossTracker {
public:
    // Records in order, index from 0 up.
    void add(std::size_t index, const GNSSRecord& r)
    {
        if (fc_.epochCount == 0) {
            fc_.logStart = r.time;
        }
        ++fc_.epochCount;
        const bool fixed = r.fixType == FixType::RtkFixed;
        if (fixed) {
            ++fc_.fixedEpochCount;
            if (!fc_.firstFixFound) {
                fc_.firstFixFound = true;
                fc_.timeToFirstFix = r.time - fc_.logStart;
            }
            if (open_ != kNone) {
                FixLossEvent& loss = fc_.losses[open_];
                loss.regained = true;
                loss.duration = r.time - loss.time;
                open_ = kNone;
            }
        } else {
            if (previousFixed_) {
                FixLossEvent e;
                e.recordIndex = index;
                e.time = r.time;
                e.sinceStart = r.time - fc_.logStart;
                fc_.losses.push_back(std::move(e));
                open_ = fc_.losses.size() - 1;
            }
            if (open_ != kNone) {
                std::vector<std::uint8_t>& types = fc_.losses[open_].fixTypes;
                if (std::find(types.begin(), types.end(), r.fixType) == types.end()) {
                    types.push_back(r.fixType);
                }
            }
        }
        previousFixed_ = fixed;
    }

    // The continuity so far with its re-fix distribution; the availability
    // fields are left for AvailabilityAccumulator.
    FixContinuity finish() &&;

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    FixContinuity fc_;
    std::size_t open_ = kNone;  // index of the loss not yet regained (the vector grows)
    bool previousFixed_ = false;
};

}  // namespace gnsslog
