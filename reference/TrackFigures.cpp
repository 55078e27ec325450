#include "reference/TrackFigures.h"

#include <cmath>

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

struct ClassErrors {
    std::vector<double> horizontal;
    std::vector<double> along;
    std::vector<double> cross;
};

}  // namespace

std::array<TrackFigures, kSolutionClassCount> trackFiguresByClass(
    const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    std::array<ClassErrors, kSolutionClassCount> errors;
    for (std::size_t i = 0; i < records.size() && i < match.records.size(); ++i) {
        const RecordTruth& truth = match.records[i];
        const TrackError& e = truth.error;
        const double horizontal = std::hypot(e.north, e.east);
        if (!truth.hasPosition || truth.cause != TruthCause::Matched || std::isnan(horizontal)) {
            continue;
        }
        for (const std::size_t c : {std::size_t{kClassIndexOfFixType[records[i].fixType]}, kAllClassIndex}) {
            errors[c].horizontal.push_back(horizontal);
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
    }
    return figures;
}

}  // namespace gnsslog
