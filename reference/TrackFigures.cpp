#include "reference/TrackFigures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "metrics/Percentiles.h"

namespace gnsslog {

namespace {

constexpr int kPercent95 = 95;

ErrorFigures figuresOf(const std::vector<double>& errors)
{
    ErrorFigures figures;
    figures.count = errors.size();
    if (errors.empty()) {
        return figures;
    }
    double sum = 0;
    double squares = 0;
    std::vector<double> magnitudes;
    magnitudes.reserve(errors.size());
    for (const double e : errors) {
        sum += e;
        squares += e * e;
        magnitudes.push_back(std::fabs(e));
    }
    const double n = static_cast<double>(errors.size());
    figures.mean = sum / n;
    figures.rms = std::sqrt(squares / n);
    const int percents[] = {kPercent95};
    double p95[1] = {0};
    nearestRankPercentiles(magnitudes, percents, p95);
    figures.p95 = p95[0];
    return figures;
}

constexpr std::size_t kBands = kSpeedBandStarts.size();
using BandErrors = std::array<std::vector<double>, kBands>;

struct ClassErrors {
    std::vector<double> horizontal;
    std::vector<double> along;
    std::vector<double> cross;
    BandErrors bands;  // horizontal, by the reference's speed
};

bool hasTruth(const RecordTruth& truth) noexcept
{
    return truth.hasPosition && truth.cause == TruthCause::Matched;
}

// Adds a horizontal error to the band of the reference's speed; none
// where the speed is unknown.
void addToBand(BandErrors& bands, double error, double speed)
{
    if (!(speed >= 0)) {
        return;
    }
    // The last band whose start the speed reaches.
    const auto above = std::upper_bound(kSpeedBandStarts.begin(), kSpeedBandStarts.end(), speed);
    bands[static_cast<std::size_t>(above - kSpeedBandStarts.begin()) - 1].push_back(error);
}

SpeedBands bandFiguresOf(const BandErrors& errors)
{
    SpeedBands bands;
    for (std::size_t b = 0; b < kBands; ++b) {
        bands[b].from = kSpeedBandStarts[b];
        bands[b].to = b + 1 < kBands ? kSpeedBandStarts[b + 1]
                                     : std::numeric_limits<double>::infinity();
        bands[b].horizontal = figuresOf(errors[b]);
    }
    return bands;
}

}  // namespace

SpeedBands speedBandFigures(const TruthMatch& match)
{
    BandErrors horizontal;
    for (const RecordTruth& truth : match.records) {
        const TrackError& e = truth.error;
        const double error = std::hypot(e.north, e.east);
        if (hasTruth(truth) && !std::isnan(error)) {
            addToBand(horizontal, error, e.speed);
        }
    }
    return bandFiguresOf(horizontal);
}

std::array<TrackFigures, kSolutionClassCount> trackFiguresByClass(
    const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    std::array<ClassErrors, kSolutionClassCount> errors;
    for (std::size_t i = 0; i < records.size() && i < match.records.size(); ++i) {
        const RecordTruth& truth = match.records[i];
        const TrackError& e = truth.error;
        const double horizontal = std::hypot(e.north, e.east);
        if (!hasTruth(truth) || std::isnan(horizontal)) {
            continue;
        }
        for (const std::size_t c : {std::size_t{kClassIndexOfFixType[records[i].fixType]}, kAllClassIndex}) {
            errors[c].horizontal.push_back(horizontal);
            addToBand(errors[c].bands, horizontal, e.speed);
            if (e.hasDirection) {
                errors[c].along.push_back(e.along);
                errors[c].cross.push_back(e.cross);
            }
        }
    }
    std::array<TrackFigures, kSolutionClassCount> figures;
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        figures[c].matched = errors[c].horizontal.size();
        figures[c].horizontal = figuresOf(errors[c].horizontal);
        figures[c].along = figuresOf(errors[c].along);
        figures[c].cross = figuresOf(errors[c].cross);
        figures[c].speedBands = bandFiguresOf(errors[c].bands);
    }
    return figures;
}

}  // namespace gnsslog
