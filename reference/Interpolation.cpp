#include "reference/Interpolation.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gnsslog {

namespace {

constexpr std::size_t kCubicNodes = 4;

// Hermite between epochs a and b at fraction s of their interval. The
// basis weighs a by 1 - h01 and b by h01, so only the difference b - a
// enters: the metres of the earth's radius stay out of the sums.
TruthSample hermite(const ReferenceEpoch& a, const ReferenceEpoch& b, double s) noexcept
{
    const double h = b.time - a.time;
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double h10 = (s3 - 2 * s2 + s) * h;
    const double h01 = -2 * s3 + 3 * s2;
    const double h11 = (s3 - s2) * h;
    // The basis's derivatives by time.
    const double d10 = 3 * s2 - 4 * s + 1;
    const double d01 = (6 * s - 6 * s2) / h;
    const double d11 = 3 * s2 - 2 * s;
    const double dx = b.position.x - a.position.x;
    const double dy = b.position.y - a.position.y;
    const double dz = b.position.z - a.position.z;
    TruthSample truth;
    truth.cause = TruthCause::Matched;
    truth.position = {a.position.x + h10 * a.vx + h01 * dx + h11 * b.vx,
                      a.position.y + h10 * a.vy + h01 * dy + h11 * b.vy,
                      a.position.z + h10 * a.vz + h01 * dz + h11 * b.vz};
    truth.vx = d10 * a.vx + d01 * dx + d11 * b.vx;
    truth.vy = d10 * a.vy + d01 * dy + d11 * b.vy;
    truth.vz = d10 * a.vz + d01 * dz + d11 * b.vz;
    return truth;
}

// The Lagrange polynomial through count epochs from first, and its
// derivative, at time.
TruthSample lagrange(const ReferenceEpoch* first, std::size_t count, double time) noexcept
{
    const ReferenceEpoch& base = first[0];
    TruthSample truth;
    truth.cause = TruthCause::Matched;
    truth.position = base.position;
    for (std::size_t j = 0; j < count; ++j) {
        double weight = 1;
        double slope = 0;
        for (std::size_t k = 0; k < count; ++k) {
            if (k == j) {
                continue;
            }
            const double span = first[j].time - first[k].time;
            double term = 1 / span;
            for (std::size_t m = 0; m < count; ++m) {
                if (m != j && m != k) {
                    term *= (time - first[m].time) / (first[j].time - first[m].time);
                }
            }
            slope += term;
            weight *= (time - first[k].time) / span;
        }
        const double dx = first[j].position.x - base.position.x;
        const double dy = first[j].position.y - base.position.y;
        const double dz = first[j].position.z - base.position.z;
        truth.position.x += weight * dx;
        truth.position.y += weight * dy;
        truth.position.z += weight * dz;
        truth.vx += slope * dx;
        truth.vy += slope * dy;
        truth.vz += slope * dz;
    }
    return truth;
}

bool noGapIn(const std::vector<ReferenceEpoch>& epochs, std::size_t first, double maxGap) noexcept
{
    for (std::size_t i = first + 1; i < first + kCubicNodes; ++i) {
        if (epochs[i].time - epochs[i - 1].time > maxGap) {
            return false;
        }
    }
    return true;
}

// The cubic's first epoch for the interval from epoch i: centred where it
// can be, shifted at the ends of a stretch; size() when none fits.
std::size_t cubicStart(const std::vector<ReferenceEpoch>& epochs, std::size_t i,
                       double maxGap) noexcept
{
    for (const std::size_t back : {std::size_t{1}, std::size_t{0}, std::size_t{2}}) {
        if (i >= back && i - back + kCubicNodes <= epochs.size() &&
            noGapIn(epochs, i - back, maxGap)) {
            return i - back;
        }
    }
    return epochs.size();
}

}  // namespace

std::string_view truthCauseName(TruthCause cause) noexcept
{
    switch (cause) {
    case TruthCause::Matched:
        return "matched";
    case TruthCause::OutsideSpan:
        return "outsideSpan";
    case TruthCause::InGap:
        return "inGap";
    case TruthCause::NoDate:
        return "noDate";
    }
    return "matched";
}

std::string_view interpolationName(InterpolationMethod method) noexcept
{
    return method == InterpolationMethod::Hermite ? "hermite" : "cubic";
}

namespace {

// The index of the first epoch later than time: upper_bound, tried first
// at the hint and the epoch after it, since a rover's epochs come in order.
std::size_t firstLater(const std::vector<ReferenceEpoch>& epochs, double time,
                       std::size_t hint) noexcept
{
    const auto later = [&](std::size_t i) { return i == epochs.size() || time < epochs[i].time; };
    for (std::size_t i = hint; i <= hint + 1 && i <= epochs.size(); ++i) {
        if (i > 0 && later(i) && !later(i - 1)) {
            return i;
        }
    }
    const auto after = std::upper_bound(epochs.begin(), epochs.end(), time,
                                        [](double t, const ReferenceEpoch& e) { return t < e.time; });
    return static_cast<std::size_t>(after - epochs.begin());
}

}  // namespace

TruthSample truthAt(const std::vector<ReferenceEpoch>& epochs, InterpolationMethod method,
                    double time, double maxGap) noexcept
{
    std::size_t hint = 0;
    return truthAt(epochs, method, time, maxGap, hint);
}

TruthSample truthAt(const std::vector<ReferenceEpoch>& epochs, InterpolationMethod method,
                    double time, double maxGap, std::size_t& hint) noexcept
{
    TruthSample truth;
    if (epochs.size() < kMinimumReferenceEpochs || !(time >= epochs.front().time) ||
        !(time <= epochs.back().time)) {
        return truth;
    }
    hint = firstLater(epochs, time, hint);
    // The interval [i, i + 1] holds time; the last epoch closes the last one.
    std::size_t i = std::min(hint, epochs.size() - 1) - 1;
    // A time on an epoch that a gap follows belongs to the interval before it.
    if (time == epochs[i].time && i > 0 && !(epochs[i + 1].time - epochs[i].time <= maxGap)) {
        --i;
    }
    const ReferenceEpoch& a = epochs[i];
    const ReferenceEpoch& b = epochs[i + 1];
    if (!(b.time - a.time <= maxGap)) {
        truth.cause = TruthCause::InGap;
        return truth;
    }
    if (method == InterpolationMethod::Hermite) {
        return hermite(a, b, (time - a.time) / (b.time - a.time));
    }
    const std::size_t start = cubicStart(epochs, i, maxGap);
    return start < epochs.size() ? lagrange(&epochs[start], kCubicNodes, time)
                                 : lagrange(&epochs[i], 2, time);
}

}  // namespace gnsslog
