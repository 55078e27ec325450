// The Stanford diagram of one direction: every epoch's error against the
// protection level it had (the receiver's own, or k times its sigma), as a
// 2-D histogram on logarithmic axes, with the epochs counted per region.
// With an alert limit the regions are integrityStateOf's; without one an
// epoch is nominal (error within its level) or misleading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/Integrity.h"

namespace gnsslog {

inline constexpr double kStanfordLowest = 0.001;     // metres: the axes' lower end
inline constexpr std::size_t kStanfordBinsPerDecade = 20;
inline constexpr double kStanfordSmallestRange = 1;  // metres: the upper end at least
inline constexpr double kStanfordLargestRange = 1e6; // metres: beyond it, the last bin

struct StanfordDiagram {
    double alertLimit = 0;  // metres; 0: none
    double highest = kStanfordSmallestRange;  // metres: the axes' upper end, a whole decade
    std::size_t bins = 0;                     // per axis
    // bins x bins epochs: counts[errorBin * bins + levelBin].
    std::vector<std::int64_t> counts;
    std::int64_t epochs = 0;
    std::int64_t peak = 0;  // the fullest bin
    std::array<std::int64_t, kIntegrityStates> regions{};  // by IntegrityState

    std::int64_t count(std::size_t levelBin, std::size_t errorBin) const noexcept
    {
        return counts[errorBin * bins + levelBin];
    }
    std::int64_t region(IntegrityState s) const noexcept
    {
        return regions[static_cast<std::size_t>(s)];
    }
    // Position 0..1 of a value on either axis (kStanfordLowest at 0,
    // highest at 1), clamped.
    double axisPosition(double metres) const noexcept;
    // The bin of a value, clamped into 0 .. bins - 1.
    std::size_t binOf(double metres) const noexcept;
};

struct StanfordDiagrams {
    StanfordDiagram horizontal;
    StanfordDiagram vertical;
};

// Over the valid records with an error and a level, against the truth
// point; accuracy as for computeIntegrity.
StanfordDiagrams computeStanfordDiagrams(std::span<const GNSSRecord> records,
                                         std::span<const AccuracyFigures> accuracy,
                                         const TruthPoint& truth, const IntegrityOptions& options);

// The options a picture uses without any asked for: the receiver's own
// protection levels where the log gives them, else 5.33 sigma (a 1e-7
// risk per axis under a Gaussian error); no alert limit.
IntegrityOptions defaultPictureProtection(std::span<const GNSSRecord> records);

}  // namespace gnsslog
