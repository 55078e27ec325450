// Confidence interval of a share estimated from k successes in n trials.
#pragma once

#include <cstdint>

namespace gnsslog {

struct BinomialInterval {
    double lower = 0;  // share 0..1
    double upper = 1;  // share 0..1
};

// Two-sided 95 % Wilson score interval (Wilson 1927). Chosen over the
// plain normal approximation because the shares we judge (wrong first
// fixes) sit near 0, where that one collapses to a zero width. Without
// trials nothing is known: 0..1. k is clamped to 0..n.
BinomialInterval wilsonInterval95(std::int64_t successes, std::int64_t trials) noexcept;

}  // namespace gnsslog
