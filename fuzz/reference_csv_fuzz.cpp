// The CSV reference reader and interpolation on arbitrary bytes. Besides
// "no crash, no sanitizer report":
//   - a reference read has at least two epochs, strictly increasing finite
//     times, finite positions and velocities, and no error; a failed one
//     has an error that starts with the file's name;
//   - a text whose column line names no time or no position is never a
//     reference, and one that names both fails only for too few epochs;
//   - every row is an epoch or a skipped row, never both: their sum is at
//     most the text's lines;
//   - interpolation at each epoch, between epochs and outside the span
//     gives a finite position wherever it gives one, the epoch's own at an
//     epoch, and no truth outside the span.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reference/Interpolation.h"
#include "reference/ReferenceCsv.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;

const std::string kFileName = "fuzz.csv";

bool finite(const EcefPosition& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void checkTruth(const ReferenceTrajectory& t, double time, double maxGap)
{
    const TruthSample truth = truthAt(t.epochs, interpolationOf(t), time, maxGap);
    if (time < t.epochs.front().time || time > t.epochs.back().time) {
        FUZZ_CHECK(truth.cause == TruthCause::OutsideSpan);
    }
    if (truth.cause == TruthCause::Matched) {
        FUZZ_CHECK(finite(truth.position));
    }
}

void checkTrajectory(const ReferenceTrajectory& t)
{
    FUZZ_CHECK(t.epochs.size() >= kMinimumReferenceEpochs);
    for (std::size_t i = 0; i < t.epochs.size(); ++i) {
        const ReferenceEpoch& e = t.epochs[i];
        FUZZ_CHECK(std::isfinite(e.time) && finite(e.position));
        FUZZ_CHECK(std::isfinite(e.vx) && std::isfinite(e.vy) && std::isfinite(e.vz));
        FUZZ_CHECK(i == 0 || e.time > t.epochs[i - 1].time);
    }
    const double maxGap = defaultMaxGap(t);
    FUZZ_CHECK(maxGap > 0);
    const std::size_t step = std::max<std::size_t>(1, t.epochs.size() / 16);
    for (std::size_t i = 0; i < t.epochs.size(); i += step) {
        const ReferenceEpoch& e = t.epochs[i];
        const TruthSample at = truthAt(t.epochs, interpolationOf(t), e.time, maxGap);
        if (at.cause == TruthCause::Matched) {
            // Hermite and Lagrange weigh the epoch's neighbours by 0 there.
            const double scale = std::max({1.0, std::fabs(e.position.x), std::fabs(e.position.y),
                                           std::fabs(e.position.z)});
            FUZZ_CHECK(std::fabs(at.position.x - e.position.x) <= 1e-9 * scale);
            FUZZ_CHECK(std::fabs(at.position.y - e.position.y) <= 1e-9 * scale);
            FUZZ_CHECK(std::fabs(at.position.z - e.position.z) <= 1e-9 * scale);
        }
        if (i + 1 < t.epochs.size()) {
            checkTruth(t, e.time + (t.epochs[i + 1].time - e.time) / 3, maxGap);
        }
    }
    checkTruth(t, t.epochs.front().time - 1, maxGap);
    checkTruth(t, std::nextafter(t.epochs.back().time, INFINITY), maxGap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ReferenceLoad load = readReferenceCsv(text, kFileName);
    const bool named = looksLikeReferenceCsv(text);
    if (load.ok()) {
        FUZZ_CHECK(named);
        checkTrajectory(load.trajectory);
    } else {
        FUZZ_CHECK(load.error.rfind(kFileName + ": ", 0) == 0);
        FUZZ_CHECK(!named || load.error.find("usable reference epoch") != std::string::npos);
    }
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(load.trajectory.epochs.size() + load.trajectory.skipped <= lines);
    return 0;
}
