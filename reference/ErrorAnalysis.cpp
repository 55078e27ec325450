#include "reference/ErrorAnalysis.h"

#include <cmath>

#include "log/ErrorPass.h"
#include "log/ProgressThrottle.h"

namespace gnsslog {

namespace {

// Above this many records the histograms are filled on two threads, as the
// analysis itself does.
constexpr std::size_t kSplitRecords = 1 << 16;

constexpr std::uint32_t kErrorFields = ValidFlag::Grid | ValidFlag::Height;

GNSSRecord errorRecord(GNSSRecord record, const RecordTruth& truth) noexcept
{
    record.validFlags &= ~kErrorFields;
    record.localX = 0;
    record.localY = 0;
    record.height = 0;
    const TrackError& e = truth.error;
    if (truth.hasPosition && truth.cause == TruthCause::Matched && std::isfinite(e.north) &&
        std::isfinite(e.east) && std::isfinite(e.up)) {
        record.localX = e.north;
        record.localY = e.east;
        record.height = e.up;
        record.validFlags |= kErrorFields;
    }
    return record;
}

}  // namespace

std::unique_ptr<GNSSLog> errorAnalysis(const GNSSLog& log, const TruthMatch& match)
{
    auto errors = std::make_unique<GNSSLog>(TruthMode::Manual, 0.0, 0.0, 0.0);
    GNSSLog& out = *errors;
    out.rtkFixCount = log.rtkFixCount;
    out.fixLostCount = log.fixLostCount;
    out.avgLatitude = log.avgLatitude;
    out.avgLongitude = log.avgLongitude;
    out.avgX = log.avgX;
    out.avgY = log.avgY;
    out.avgZ = log.avgZ;
    out.firstFixX = log.firstFixX;
    out.firstFixY = log.firstFixY;
    out.firstFixZ = log.firstFixZ;
    out.startTime = log.startTime;
    out.endTime = log.endTime;
    out.restarts = log.restarts;
    out.accuracy = log.accuracy;
    out.dataQuality = log.dataQuality;
    out.frame = GridFrame{GridKind::Enu, 0};
    out.gridConverted = true;
    out.records.reserve(log.records.size());
    const RecordTruth none;
    for (std::size_t i = 0; i < log.records.size(); ++i) {
        out.records.push_back(
            errorRecord(log.records[i], i < match.records.size() ? match.records[i] : none));
    }
    ProgressThrottle quiet(nullptr);
    calculationPass(out, quiet, out.records.size() >= kSplitRecords);
    sortHistograms(out, quiet);
    return errors;
}

ReferenceMeasurement measureAgainstReference(const GNSSLog& log, RecordClock logClock,
                                             const ReferenceTrajectory& reference,
                                             const TruthMatchOptions& options)
{
    ReferenceMeasurement measurement;
    measurement.match = matchRecords(log.records, logClock, reference, options);
    measurement.errors = errorAnalysis(log, measurement.match);
    return measurement;
}

}  // namespace gnsslog
