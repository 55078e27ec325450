// Accumulator of the RTK-fix availability of a log (see
// metrics/FixContinuity.h): each epoch's interval and whether it is fixed
// as the records pass; the weights need the nominal interval, known only
// at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/FixContinuity.h"

namespace gnsslog {

class AvailabilityAccumulator {
public:
    explicit AvailabilityAccumulator(std::size_t recordCount)
        : intervals_(recordCount > 0 ? recordCount - 1 : 0), fixedFlags_(recordCount)
    {
    }

    // Records in order, index from 0 up to recordCount - 1.
    void add(std::size_t index, const GNSSRecord& r) noexcept
    {
        if (index > 0) {
            intervals_[index - 1] = r.time - previousTime_;
        }
        previousTime_ = r.time;
        const bool fixed = r.fixType == FixType::RtkFixed;
        fixedFlags_[index] = fixed ? 1 : 0;
        fixedCount_ += fixed ? 1 : 0;
    }

    // Writes nominalInterval, coveredSeconds, fixedSeconds and
    // availability; nothing when there were no records.
    void writeTo(FixContinuity& out) const;

private:
    double nominalInterval() const;

    std::vector<double> intervals_;  // time[i + 1] - time[i]
    std::vector<std::uint8_t> fixedFlags_;
    std::size_t fixedCount_ = 0;
    double previousTime_ = 0;
};

}  // namespace gnsslog
