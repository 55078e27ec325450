#include "plots/ErrorSeries.h"

#include <cmath>
#include <cstdlib>

#include "common/Saturate.h"

namespace gnsslog {

namespace {

// The record with its grid and height fields turned into errors, truth
// minus measured.
GNSSRecord errorCopy(const GNSSRecord& record, double truthX, double truthY, double truthZ) noexcept
{
    GNSSRecord copy = record;
    copy.localX = truthX - record.localX;
    copy.localY = truthY - record.localY;
    copy.height = truthZ - record.height;
    return copy;
}

}  // namespace

std::unique_ptr<PointStore> PointStore::build(std::int32_t plotWidth, const GNSSLog& analysis,
                                              double centreTime, double timeSpan)
{
    std::unique_ptr<PointStore> store(new PointStore(analysis));
    const double windowStart = centreTime - timeSpan * 0.5;
    const double windowEnd = centreTime + timeSpan * 0.5;
    const double windowLength = windowEnd - windowStart;
    const double width = plotWidth;
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();

    bool started = false;
    std::int32_t currentColumn = 0;
    const GNSSRecord* best = nullptr;
    double bestError = 0;
    for (const GNSSRecord& record : analysis.records) {
        if (record.time < windowStart) {
            continue;
        }
        if (record.time > windowEnd) {
            break;  // later records are not looked at, even after a backward time step
        }
        // A zero-length window would divide 0 by 0: its records all lie in column 0.
        const std::int32_t column =
            windowLength == 0 ? 0 : toInt32(width * ((record.time - windowStart) / windowLength));
        if (!started) {
            started = true;
            currentColumn = column;
        }
        const double dx = truthX - record.localX;
        const double dy = truthY - record.localY;
        const double dz = truthZ - record.height;
        const double error = std::sqrt(dx * dx + dy * dy + dz * dz);
        // Before the column test: the first record of a new column competes
        // for the column it closes. Ties go to the later record.
        if (error >= bestError) {
            best = &record;
            bestError = error;
        }
        if (column != currentColumn) {
            // best is null only while every record so far had a NaN error (a
            // NaN coordinate); such a column gets no point.
            if (best != nullptr) {
                store->points_.push_back(PlotPoint{currentColumn, errorCopy(*best, truthX, truthY, truthZ)});
            }
            currentColumn = column;
            bestError = 0;
        }
    }
    return store;
}

const GNSSRecord* PointStore::nearestSample(std::int32_t x) const noexcept
{
    std::int64_t bestDistance = 999999;
    const GNSSRecord* result = nullptr;
    for (const PlotPoint& point : points_) {
        const std::int64_t distance = std::llabs(static_cast<std::int64_t>(point.column) - x);
        if (distance < bestDistance) {
            bestDistance = distance;
            result = &point.sample;
            if (distance == 0) {
                break;
            }
        }
    }
    return result;
}

double plotValue(const GNSSRecord& sample, Curve curve) noexcept
{
    switch (curve) {
    case Curve::XError:
        return sample.localX;
    case Curve::YError:
        return sample.localY;
    case Curve::ZError:
        return sample.height;
    case Curve::Error3D:
        return std::sqrt(sample.localX * sample.localX + sample.localY * sample.localY +
                         sample.height * sample.height);
    case Curve::Sep:
        return sample.errorEstimate;
    case Curve::GpsSats:
        return sample.gpsSatellites * 0.01;  // one axis metre is 100 satellites
    case Curve::Dop:
        return sample.dop * 0.01;  // one axis metre is DOP 100
    case Curve::GlonassSats:
        return sample.glonassSatellites * 0.01;
    }
    return 0;
}

double scaleRange(PlotScale scale, const GNSSLog& analysis) noexcept
{
    return scaleRange(scale, analysis.maxErrorX, analysis.maxErrorY, analysis.maxErrorZ);
}

double scaleRange(PlotScale scale, double maxErrorX, double maxErrorY, double maxErrorZ) noexcept
{
    double range = 0;
    switch (scale) {
    case PlotScale::Autoscale:
        // The RTK-fixed maxima of the whole log: the range does not follow zoom.
        if (maxErrorX > range) {
            range = maxErrorX;
        }
        if (maxErrorY > range) {
            range = maxErrorY;
        }
        if (maxErrorZ > range) {
            range = maxErrorZ;
        }
        break;
    case PlotScale::M0_05:
        range = 0.05;
        break;
    case PlotScale::M0_1:
        range = 0.1;
        break;
    case PlotScale::M0_2:
        range = 0.2;
        break;
    case PlotScale::M0_5:
        range = 0.5;
        break;
    case PlotScale::M1_0:
        range = 1.0;
        break;
    }
    return range == 0 ? 1.0 : range;
}

bool PlotViewState::reset(const GNSSLog& analysis) noexcept
{
    const double length = analysis.endTime - analysis.startTime;
    ZoomLevel = 1;
    CentreTime = analysis.startTime + length * 0.5;
    TimeSpan = length;
    return true;
}

bool PlotViewState::zoomIn(const GNSSLog& analysis) noexcept
{
    if (!HoveredTime) {
        return false;
    }
    if (ZoomLevel < INT32_MAX) {  // no upper limit in practice; only overflow is refused
        ++ZoomLevel;
    }
    CentreTime = *HoveredTime;
    TimeSpan = (analysis.endTime - analysis.startTime) / ZoomLevel;
    return true;
}

bool PlotViewState::zoomOut(const GNSSLog& analysis) noexcept
{
    if (!HoveredTime) {
        return false;
    }
    if (ZoomLevel > 1) {
        --ZoomLevel;
    }
    CentreTime = *HoveredTime;
    TimeSpan = (analysis.endTime - analysis.startTime) / ZoomLevel;
    return true;
}

bool PlotViewState::centre(const GNSSLog& analysis) noexcept
{
    if (!HoveredTime) {
        return false;
    }
    CentreTime = *HoveredTime;
    TimeSpan = (analysis.endTime - analysis.startTime) / ZoomLevel;
    return true;
}

bool PlotViewState::wheel(const GNSSLog& analysis, int delta) noexcept
{
    if (CentreTime < analysis.startTime) {
        CentreTime = analysis.startTime;
    }
    if (CentreTime > analysis.endTime) {
        CentreTime = analysis.endTime;
    }
    return delta > 0 ? zoomIn(analysis) : zoomOut(analysis);
}

}  // namespace gnsslog
