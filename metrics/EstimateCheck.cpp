#include "metrics/EstimateCheck.h"

#include "metrics/Share.h"

namespace gnsslog {

void EstimateCheck::writeTo(AccuracyStats& out) const
{
    std::array<Counts, kSolutionClassCount> counts{};
    Counts& all = counts[kAllClassIndex];
    for (std::size_t c = 0; c < kRecordClassCount; ++c) {
        counts[c] = counts_[c];
        all.epochs += counts_[c].epochs;
        for (std::size_t k = 0; k < kMultiples; ++k) {
            all.within[k] += counts_[c].within[k];
        }
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        ClassAccuracy& a = out.classes[c];
        a.estimateCount = counts[c].epochs;
        for (std::size_t k = 0; k < kMultiples; ++k) {
            a.estimateWithin[k] = shareOf(counts[c].within[k], counts[c].epochs);
        }
    }
}

}  // namespace gnsslog
