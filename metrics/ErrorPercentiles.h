// Accumulator of one kind of error (horizontal or vertical) per solution
// class, and what the report gives of it: the count, the nearest-rank
// percentiles of kReportedPercentiles and the count at or under each
// "within" limit, per class and for all epochs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "metrics/AccuracyStats.h"

namespace gnsslog {

struct ErrorSummary {
    // Indexed by SolutionClass.
    std::array<std::int64_t, kSolutionClassCount> counts{};
    // Meaningful where the count is not 0.
    std::array<std::array<double, kReportedPercentiles.size()>, kSolutionClassCount> percentiles{};
    // Per limit: errors at or under it.
    std::array<std::vector<std::int64_t>, kSolutionClassCount> within;
};

class ErrorPercentiles {
public:
    // Reserves address space for recordCount errors per class: pages are
    // touched only as errors arrive, and no vector moves while growing.
    explicit ErrorPercentiles(std::size_t recordCount);

    // classIndex is a record class (never All); error is finite.
    void add(std::size_t classIndex, double error) { errors_[classIndex].push_back(error); }

    // Exact, as nearestRankPercentiles finds them, but sharing the work:
    // the union's bucket counts are the sum of the classes', and one
    // gathering pass over each class serves the class and the union. An
    // error equal to a limit is within; -0 is 0 here, and a NaN limit
    // has nothing within.
    ErrorSummary summarize(std::span<const double> limits) const;

private:
    std::array<std::vector<double>, kRecordClassCount> errors_;
};

}  // namespace gnsslog
