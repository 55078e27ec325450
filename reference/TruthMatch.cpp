#include "reference/TruthMatch.h"

#include <limits>
#include <optional>

#include "reference/ClockBridge.h"

namespace gnsslog {

double TruthMatch::coverage() const noexcept
{
    return withPosition == 0 ? 0
                             : static_cast<double>(count(TruthCause::Matched)) /
                                   static_cast<double>(withPosition);
}

namespace {

// Local axes kept while the reference stays near where they were made:
// working them out is most of an epoch's cost.
struct LocalAxes {
    EcefPosition origin;
    std::optional<EnuAxes> axes;
};

TrackError errorOf(const TruthSample& truth, const EcefPosition& rover, LocalAxes& local,
                   const LeverArm& lever, double heading) noexcept
{
    const EcefPosition& p = truth.position;
    const double dx = p.x - local.origin.x;
    const double dy = p.y - local.origin.y;
    const double dz = p.z - local.origin.z;
    // Written so that a NaN distance makes new axes.
    if (!local.axes ||
        !(dx * dx + dy * dy + dz * dz <= kAxesReuseDistance * kAxesReuseDistance)) {
        local.axes = enuAxesAt(p);
        local.origin = p;
        if (!local.axes) {
            return trackError(truth, rover, lever, heading);  // the NaN errors
        }
    }
    return trackError(truth, rover, *local.axes, lever, heading);
}

}  // namespace

TruthMatch matchRecords(const std::vector<GNSSRecord>& records, RecordClock roverClock,
                        const ReferenceTrajectory& reference, const TruthMatchOptions& options)
{
    TruthMatch match;
    match.maxGap = options.maxGap > 0 ? options.maxGap : defaultMaxGap(reference);
    match.timeOffset = options.timeOffset;
    match.leverArm = options.leverArm;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    match.records.resize(records.size());
    const std::optional<ClockBridge> bridge =
        records.empty() ? std::nullopt
                        : ClockBridge::make(roverClock, records.front().time, reference,
                                            options.timeOffset);
    match.completedDate = bridge && bridge->completedDate();
    const InterpolationMethod method = interpolationOf(reference);
    LocalAxes axes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& record = records[i];
        RecordTruth& outcome = match.records[i];
        outcome.hasPosition = record.has(ValidFlag::LatLon | ValidFlag::Height);
        if (!outcome.hasPosition) {
            continue;
        }
        ++match.withPosition;
        if (!bridge) {
            outcome.cause = TruthCause::NoDate;
        } else {
            const double time = bridge->toReference(record.time);
            const TruthSample truth = truthAt(reference.epochs, method, time, match.maxGap);
            outcome.cause = truth.cause;
            if (truth.cause == TruthCause::Matched) {
                const double heading =
                    reference.hasHeading && options.leverArm.horizontal()
                        ? headingAt(reference.epochs, time)
                        : nan;
                outcome.error =
                    errorOf(truth, wgs84ToEcef(record.latitude, record.longitude, record.height),
                            axes, options.leverArm, heading);
            }
        }
        ++match.byCause[static_cast<std::size_t>(outcome.cause)];
    }
    return match;
}

}  // namespace gnsslog
