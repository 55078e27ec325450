#include "plots/series/ErrorSeries.h"

#include <algorithm>
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

// 3-D distance of a record to the truth, each difference rounded to a
// double before it is squared.
double error3D(const GNSSRecord& record, double truthX, double truthY, double truthZ) noexcept
{
    const double dx = truthX - record.localX;
    const double dy = truthY - record.localY;
    const double dz = truthZ - record.height;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

SeriesIndex::SeriesIndex(const GNSSLog& analysis) : analysis_(&analysis)
{
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();
    entries_.reserve(analysis.records.size());
    for (const GNSSRecord& record : analysis.records) {
        entries_.push_back(Entry{record.time, error3D(record, truthX, truthY, truthZ)});
    }
}

// The one pass of both builders. timeOf(i) and errorOf(i) give record i's
// time and 3-D error; records are only touched to copy the chosen ones.
namespace {

// Column of a record time: plotWidth x ((time - start) / length), truncated.
// A zero-length window would divide 0 by 0: its records all lie in column 0.
struct ColumnMap {
    double start;
    double length;
    double width;

    std::int32_t operator()(double time) const noexcept
    {
        return length == 0 ? 0 : toInt32(width * ((time - start) / length));
    }

    // Smallest time whose column is at least k, or NaN when not found in a
    // few steps. The map is monotone in time for width > 0 and length > 0,
    // so [edge(c), edge(c + 1)) is exactly the set of times in column c.
    double edge(std::int32_t k) const noexcept
    {
        double t = start + k * (length / width);
        constexpr int maxSteps = 64;
        if ((*this)(t) >= k) {
            for (int i = 0; i < maxSteps; ++i) {
                const double below = std::nextafter(t, -HUGE_VAL);
                if ((*this)(below) < k) {
                    return t;
                }
                t = below;
            }
        } else {
            for (int i = 0; i < maxSteps; ++i) {
                t = std::nextafter(t, HUGE_VAL);
                if ((*this)(t) >= k) {
                    return t;
                }
            }
        }
        return NAN;
    }
};

}  // namespace

// The one pass of both builders. timeOf(i) and errorOf(i) give record i's
// time and 3-D error; records are only touched to copy the chosen ones.
template <typename TimeOf, typename ErrorOf>
void PointStore::walk(std::int32_t plotWidth, std::size_t count, double centreTime, double timeSpan,
                      TimeOf timeOf, ErrorOf errorOf)
{
    const GNSSLog& analysis = *analysis_;
    const double windowStart = centreTime - timeSpan * 0.5;
    const double windowEnd = centreTime + timeSpan * 0.5;
    const ColumnMap columnOf{windowStart, windowEnd - windowStart, static_cast<double>(plotWidth)};
    // The time range of the current column, so that most records need no
    // division: the column is worked out only when a time leaves it. An
    // empty range (NaN edges compare false) always works it out.
    const bool monotone = columnOf.width > 0 && columnOf.length > 0 && std::isfinite(windowStart) &&
                          std::isfinite(columnOf.length);
    double columnFrom = NAN;
    double columnTo = NAN;
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();

    bool started = false;
    std::int32_t currentColumn = 0;
    std::size_t best = count;  // none
    double bestError = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double time = timeOf(i);
        // Fast path: inside the current column's range, which lies inside
        // the window, only the choice of the best record can change. NaN
        // fails both tests.
        if (time >= columnFrom && time < columnTo) {
            const double error = errorOf(i);
            if (error >= bestError) {
                best = i;
                bestError = error;
            }
            continue;
        }
        if (time < windowStart) {
            continue;
        }
        if (time > windowEnd) {
            break;  // later records are not looked at, even after a backward time step
        }
        const std::int32_t column = columnOf(time);
        columnFrom = NAN;
        columnTo = NAN;
        if (monotone && column >= 0 && column < INT32_MAX) {
            // Times just below the start truncate to column 0 as well, so
            // column 0 has no lower edge within reach; the window start is one.
            columnFrom = column == 0 ? windowStart : columnOf.edge(column);
            columnTo = std::min(columnOf.edge(column + 1), std::nextafter(windowEnd, HUGE_VAL));
        }
        if (!started) {
            started = true;
            currentColumn = column;
        }
        // Before the column test: the first record of a new column competes
        // for the column it closes. Ties go to the later record.
        const double error = errorOf(i);
        if (error >= bestError) {
            best = i;
            bestError = error;
        }
        if (column != currentColumn) {
            // No best record yet only while every error so far was NaN (a
            // NaN coordinate); such a column gets no point.
            if (best != count) {
                points_.push_back(
                    PlotPoint{currentColumn, errorCopy(analysis.records[best], truthX, truthY, truthZ)});
            }
            currentColumn = column;
            bestError = 0;
        }
    }
}

std::unique_ptr<PointStore> PointStore::build(std::int32_t plotWidth, const GNSSLog& analysis,
                                              double centreTime, double timeSpan)
{
    std::unique_ptr<PointStore> store(new PointStore(analysis));
    const GNSSRecord* records = analysis.records.data();
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();
    store->walk(
        plotWidth, analysis.records.size(), centreTime, timeSpan,
        [records](std::size_t i) { return records[i].time; },
        [=](std::size_t i) { return error3D(records[i], truthX, truthY, truthZ); });
    return store;
}

std::unique_ptr<PointStore> PointStore::build(std::int32_t plotWidth, const SeriesIndex& index,
                                              double centreTime, double timeSpan)
{
    std::unique_ptr<PointStore> store(new PointStore(index.analysis()));
    const SeriesIndex::Entry* entries = index.entries().data();
    store->walk(
        plotWidth, index.entries().size(), centreTime, timeSpan,
        [entries](std::size_t i) { return entries[i].time; },
        [entries](std::size_t i) { return entries[i].error3D; });
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
