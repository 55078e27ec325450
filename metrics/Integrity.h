// Integrity against an alert limit: per epoch, is the position's error
// bounded by the protection level the receiver gives (or a chosen multiple
// of its sigma), and is that level within the alert limit?
//
// Per direction (horizontal, vertical), with error e, protection level PL
// and alert limit AL (the Stanford diagram's regions):
//   unavailable              PL > AL   (the system says it cannot be used)
//   hazardously misleading   PL <= AL < e
//   misleading               PL < e <= AL
//   nominal                  e <= PL <= AL
// Epochs without an error or a level in that direction are not assessed.
//
// k-sigma levels: horizontal k x the larger of sigmaNorth and sigmaEast
// (the error ellipse's semi-major axis when the two are uncorrelated, as
// the logs' per-axis sigmas are read), vertical k x sigmaUp.
//
// Rates: the one-sided 95 % Clopper-Pearson upper bound of events / n,
// with n the effective sample size n (1 - r) / (1 + r) of an AR(1) series
// whose lag-1 autocorrelation r is that of the direction's errors in file
// order (r below 0 taken as 0), and the events scaled by the same factor
// and rounded. For no events the bound is 1 - 0.05^(1/n), about 3/n.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"

namespace gnsslog {

enum class IntegrityState : std::uint8_t {
    Nominal = 0,
    Misleading,
    HazardouslyMisleading,
    Unavailable,
    NotAssessed,
};
inline constexpr std::size_t kIntegrityStates = 4;  // the assessed ones

// "nominal", "misleading", "hazardouslyMisleading", "unavailable".
const char* integrityStateKey(IntegrityState s) noexcept;

// One direction's state from its error, level and limit (metres). Not
// finite inputs: NotAssessed.
IntegrityState integrityStateOf(double error, double level, double alertLimit) noexcept;

enum class ProtectionSource : std::uint8_t { KSigma, Level };

struct IntegrityOptions {
    double horizontalAlertLimit = 0;  // metres; not finite or <= 0: horizontal not assessed
    double verticalAlertLimit = 0;    // metres; likewise
    ProtectionSource source = ProtectionSource::KSigma;
    double k = 0;  // KSigma: the multiple of sigma
};

// The levels of a record under the options; NaN where it has none.
double horizontalProtectionLevel(const GNSSRecord& r, const AccuracyFigures& a,
                                 const IntegrityOptions& o) noexcept;
double verticalProtectionLevel(const GNSSRecord& r, const AccuracyFigures& a,
                               const IntegrityOptions& o) noexcept;

struct IntegrityDirection {
    bool assessed = false;  // a limit was given
    std::int64_t epochs = 0;
    std::array<std::int64_t, kIntegrityStates> counts{};
    double lag1Autocorrelation = 0;  // of the errors of the assessed epochs
    double effectiveEpochs = 0;
    // 95 % upper bounds of the misleading and hazardously misleading rates
    // (1 for no epochs).
    double misleadingRateBound = 1;
    double hazardousRateBound = 1;
    std::int64_t count(IntegrityState s) const noexcept
    {
        return counts[static_cast<std::size_t>(s)];
    }
};

struct Integrity {
    IntegrityDirection horizontal;
    IntegrityDirection vertical;
};

// One-sided 95 % Clopper-Pearson upper bound of a rate with `events` of
// `trials` (trials > 0, may be fractional; events <= trials).
double clopperPearsonUpper95(double events, double trials) noexcept;

// Lag-1 autocorrelation of a series; 0 for fewer than 3 values or none
// that vary.
double lag1Autocorrelation(std::span<const double> values) noexcept;

// Over the valid records against the truth point; accuracy holds the
// records' figures (GNSSLog::accuracy: empty when the log gives none).
Integrity computeIntegrity(std::span<const GNSSRecord> records,
                           std::span<const AccuracyFigures> accuracy, const TruthPoint& truth,
                           const IntegrityOptions& options);

}  // namespace gnsslog
