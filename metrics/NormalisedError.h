// How honest the receiver's own sigmas are: each epoch's error against the
// truth divided by the sigma the log gives for it (ValidFlag::AxisSigmas),
// per axis (north, east, up) and as the horizontal radial error
// sqrt((dN/sigmaN)^2 + (dE/sigmaE)^2), per solution class.
//
// Under a Gaussian error of exactly the stated sigma, |dN|/sigmaN is within
// k with probability 2 Phi(k) - 1 (68.3, 95.4, 99.7 % for k = 1, 2, 3) and
// the radial figure, a chi with two degrees of freedom, with 1 - exp(-k^2/2)
// (39.3, 86.5, 98.9 %). A verdict compares the within-1-sigma share with
// its expectation p: "optimistic" below p by more than the 95 % binomial
// margin 1.96 sqrt(p (1 - p) / n), "pessimistic" above by more, else
// "honest".
//
// North and east are the grid's X and Y (for KKJ its northing and easting;
// the grid's convergence, under a degree and a half in Finland, is not
// turned out: it moves a share by far less than its margin).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/SolutionClass.h"

namespace gnsslog {

enum class Honesty : std::uint8_t { None, Optimistic, Honest, Pessimistic };

// "optimistic", "honest", "pessimistic"; "" for None (no epochs).
const char* honestyName(Honesty h) noexcept;

inline constexpr std::size_t kSigmaMultiples = 3;  // within 1, 2, 3 sigma

// The Gaussian expectations of the within-k shares.
inline constexpr std::array<double, kSigmaMultiples> kAxisExpected = {0.682689492137086,
                                                                      0.954499736103642,
                                                                      0.997300203936740};
inline constexpr std::array<double, kSigmaMultiples> kRadialExpected = {0.393469340287367,
                                                                        0.864664716763387,
                                                                        0.988891003461758};

// The verdict on `within` of `count` normalised errors at most 1, whose
// expected share is `expected`.
Honesty honestyOf(std::int64_t within, std::int64_t count, double expected) noexcept;

// The 95 % binomial margin of a share of `count` samples expected at p.
double binomialMargin(double p, std::int64_t count) noexcept;

enum class NormalisedAxisId : std::uint8_t { North = 0, East, Up, Horizontal };
inline constexpr std::size_t kNormalisedAxes = 4;
// "north", "east", "up", "horizontal".
const char* normalisedAxisKey(NormalisedAxisId axis) noexcept;

struct NormalisedAxis {
    std::int64_t count = 0;
    std::array<std::int64_t, kSigmaMultiples> within{};
    std::array<double, kSigmaMultiples> share{};     // within / count; 0 without epochs
    std::array<double, kSigmaMultiples> expected{};  // kAxisExpected or kRadialExpected
    double p95 = 0;                                  // 95th percentile (nearest rank)
    Honesty verdict = Honesty::None;
};

struct NormalisedClass {
    std::array<NormalisedAxis, kNormalisedAxes> axes;
    const NormalisedAxis& of(NormalisedAxisId a) const noexcept
    {
        return axes[static_cast<std::size_t>(a)];
    }
    // The class's verdict: the horizontal one, or the vertical where the
    // class has no horizontal figure.
    Honesty verdict() const noexcept;
};

struct NormalisedErrors {
    std::array<NormalisedClass, kSolutionClassCount> classes;
    // Epochs with a sigma and an error: none, and the report leaves the
    // block out.
    std::int64_t epochs = 0;
    const NormalisedClass& of(SolutionClass c) const noexcept
    {
        return classes[static_cast<std::size_t>(c)];
    }
};

// One epoch's normalised errors; a component is NaN where the record has
// no sigma, a zero sigma, or no error on that axis.
struct NormalisedSample {
    double north = 0;
    double east = 0;
    double up = 0;
    double horizontal = 0;
};
// False where the record carries no sigmas.
bool normalisedSampleOf(const GNSSRecord& r, const AccuracyFigures& a, const EpochErrors& e,
                        NormalisedSample& out) noexcept;

// Over the valid records against the truth point; accuracy holds the
// records' figures (GNSSLog::accuracy: empty when the log gives none).
NormalisedErrors computeNormalisedErrors(std::span<const GNSSRecord> records,
                                         std::span<const AccuracyFigures> accuracy,
                                         const TruthPoint& truth);

}  // namespace gnsslog
