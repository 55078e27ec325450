// Accumulator of the receiver's own error estimate against the truth, per
// solution class: of the epochs with validFlags 0x20, a finite estimate
// and a 3-D error, the share whose 3-D error is at most 1, 2 and 3 times
// the estimate.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "log/GnssRecord.h"
#include "metrics/AccuracyStats.h"
#include "metrics/EpochErrors.h"

namespace gnsslog {

class EstimateCheck {
public:
    static constexpr std::size_t kMultiples = 3;  // 1x, 2x, 3x

    // classIndex is a record class (never All).
    void add(std::size_t classIndex, const GNSSRecord& r, const EpochErrors& e) noexcept
    {
        if (!e.haveThreeD || !r.has(ValidFlag::ErrorEstimate) || !std::isfinite(r.errorEstimate)) {
            return;
        }
        Counts& counts = counts_[classIndex];
        ++counts.epochs;
        for (std::size_t k = 0; k < kMultiples; ++k) {
            counts.within[k] += e.threeD <= static_cast<double>(k + 1) * r.errorEstimate ? 1 : 0;
        }
    }

    // Writes estimateCount and estimateWithin of every class.
    void writeTo(AccuracyStats& out) const;

private:
    struct Counts {
        std::int64_t epochs = 0;
        std::array<std::int64_t, kMultiples> within{};
    };
    std::array<Counts, kRecordClassCount> counts_;
};

}  // namespace gnsslog
