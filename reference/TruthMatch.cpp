#include "reference/TruthMatch.h"

#include <limits>
#include <optional>
#include <system_error>
#include <thread>

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

namespace {

// The records' shared settings of one match.
struct MatchRun {
    const std::vector<GNSSRecord>& records;
    const ReferenceTrajectory& reference;
    const TruthMatchOptions& options;
    const ClockBridge* bridge;  // null: no date to meet on
    InterpolationMethod method;
    double maxGap;              // seconds
};

struct RangeCounts {
    std::size_t withPosition = 0;
    std::array<std::size_t, 4> byCause{};
};

// Records [first, last) into out, which holds every record's outcome.
RangeCounts matchRange(const MatchRun& run, std::size_t first, std::size_t last,
                       std::vector<RecordTruth>& out) noexcept
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const bool turnLever = run.reference.hasHeading && run.options.leverArm.horizontal();
    RangeCounts counts;
    LocalAxes axes;
    std::size_t hint = 0;
    for (std::size_t i = first; i < last; ++i) {
        const GNSSRecord& record = run.records[i];
        RecordTruth& outcome = out[i];
        outcome.hasPosition = record.has(ValidFlag::LatLon | ValidFlag::Height);
        if (!outcome.hasPosition) {
            continue;
        }
        ++counts.withPosition;
        if (run.bridge == nullptr) {
            outcome.cause = TruthCause::NoDate;
        } else {
            const double time = run.bridge->toReference(record.time);
            const TruthSample truth = truthAt(run.reference.epochs, run.method, time, run.maxGap, hint);
            outcome.cause = truth.cause;
            if (truth.cause == TruthCause::Matched) {
                const double heading = turnLever ? headingAt(run.reference.epochs, time) : nan;
                outcome.error =
                    errorOf(truth, wgs84ToEcef(record.latitude, record.longitude, record.height),
                            axes, run.options.leverArm, heading);
            }
        }
        ++counts.byCause[static_cast<std::size_t>(outcome.cause)];
    }
    return counts;
}

// Below this many records a second thread costs more than it saves.
constexpr std::size_t kThreadedMatch = 1 << 16;

}  // namespace

TruthMatch matchRecords(const std::vector<GNSSRecord>& records, RecordClock roverClock,
                        const ReferenceTrajectory& reference, const TruthMatchOptions& options)
{
    TruthMatch match;
    match.maxGap = options.maxGap > 0 ? options.maxGap : defaultMaxGap(reference);
    match.timeOffset = options.timeOffset;
    match.leverArm = options.leverArm;
    match.records.resize(records.size());
    const std::optional<ClockBridge> bridge =
        records.empty() ? std::nullopt
                        : ClockBridge::make(roverClock, records.front().time, reference,
                                            options.timeOffset);
    match.completedDate = bridge && bridge->completedDate();
    const MatchRun run{records, reference, options, bridge ? &*bridge : nullptr,
                       interpolationOf(reference), match.maxGap};
    // Each half on its own thread writes only its own records.
    std::size_t half = records.size();
    RangeCounts second;
    std::thread helper;
    if (records.size() >= kThreadedMatch) {
        try {
            half = records.size() / 2;
            helper = std::thread([&] { second = matchRange(run, half, records.size(), match.records); });
        } catch (const std::system_error&) {
            half = records.size();
        }
    }
    const RangeCounts first = matchRange(run, 0, half, match.records);
    if (helper.joinable()) {
        helper.join();
    }
    match.withPosition = first.withPosition + second.withPosition;
    for (std::size_t c = 0; c < match.byCause.size(); ++c) {
        match.byCause[c] = first.byCause[c] + second.byCause[c];
    }
    return match;
}

}  // namespace gnsslog
