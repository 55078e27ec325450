#include "reference/TimeShiftCheck.h"

#include <cmath>
#include <cstdlib>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

// Every k-th epoch with a position, from the first record on (which sets
// the date completion, as in the full match).
std::vector<GNSSRecord> subsample(const std::vector<GNSSRecord>& records)
{
    std::size_t withPosition = 0;
    for (const GNSSRecord& r : records) {
        withPosition += r.has(ValidFlag::LatLon | ValidFlag::Height) ? 1 : 0;
    }
    const std::size_t stride = withPosition / kShiftCheckEpochs + 1;
    std::vector<GNSSRecord> sample;
    sample.reserve(withPosition / stride + 2);
    if (!records.empty()) {
        sample.push_back(records.front());
    }
    std::size_t seen = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].has(ValidFlag::LatLon | ValidFlag::Height) && ++seen % stride == 0) {
            sample.push_back(records[i]);
        }
    }
    return sample;
}

struct ShiftFit {
    std::size_t matched = 0;
    double rms = 0;  // horizontal, metres
};

ShiftFit fitOf(const TruthMatch& match)
{
    ShiftFit fit;
    double squares = 0;
    for (const RecordTruth& truth : match.records) {
        const TrackError& e = truth.error;
        const double h2 = e.north * e.north + e.east * e.east;
        if (truth.hasPosition && truth.cause == TruthCause::Matched && std::isfinite(h2)) {
            squares += h2;
            ++fit.matched;
        }
    }
    fit.rms = fit.matched == 0 ? 0 : std::sqrt(squares / static_cast<double>(fit.matched));
    return fit;
}

}  // namespace

std::optional<int> findTimeShift(const std::vector<GNSSRecord>& records, RecordClock roverClock,
                                 const ReferenceTrajectory& reference,
                                 const TruthMatchOptions& options)
{
    const std::vector<GNSSRecord> sample = subsample(records);
    TruthMatchOptions tried = options;
    // The default gap needs the median of every reference interval: once.
    tried.maxGap = options.maxGap > 0 ? options.maxGap : defaultMaxGap(reference);
    tried.leverArm = {};  // a lever arm moves every epoch alike, shifted or not
    const ShiftFit unshifted = fitOf(matchRecords(sample, roverClock, reference, tried));
    if (unshifted.matched == 0 || !(unshifted.rms > 0)) {
        return std::nullopt;
    }
    std::optional<int> best;
    double bestRms = kShiftRmsShare * unshifted.rms;
    for (int shift = -kLargestShiftTried; shift <= kLargestShiftTried; ++shift) {
        if (shift == 0) {
            continue;
        }
        tried.timeOffset = options.timeOffset + shift;
        const ShiftFit fit = fitOf(matchRecords(sample, roverClock, reference, tried));
        // A shift that pushes most epochs out of the span proves nothing.
        if (2 * fit.matched >= unshifted.matched && fit.rms < bestRms) {
            bestRms = fit.rms;
            best = shift;
        }
    }
    return best;
}

std::string timeShiftWarning(int shiftSeconds)
{
    return "the rover and the reference look " + formatInt(std::abs(shiftSeconds)) +
           " s apart (UTC against GPS time?)";
}

}  // namespace gnsslog
