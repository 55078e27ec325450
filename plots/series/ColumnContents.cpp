#include "plots/series/ColumnContents.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Saturate.h"

namespace gnsslog {

namespace {

// A step longer than this many median steps is a gap (as counted in the
// data-quality report).
constexpr double kGapMedianSteps = 2.0;

}  // namespace

StripClass stripClassOf(std::uint8_t fixType) noexcept
{
    switch (fixType) {
    case FixType::RtkFixed:
        return StripClass::RtkFixed;
    case FixType::RtkFloat:
        return StripClass::RtkFloat;
    case FixType::RtkX:
        return StripClass::RtkX;
    default:
        return StripClass::Other;
    }
}

bool DenseColumns::crowded() const noexcept
{
    std::int64_t epochs = 0;
    for (const ColumnContents& contents : columns) {
        epochs += contents.epochs;
    }
    return 2 * epochs > 3 * static_cast<std::int64_t>(columns.size());
}

bool DenseColumns::gapBetween(const ColumnContents& a, const ColumnContents& b) const noexcept
{
    return b.firstTime - a.lastTime > longestStep;
}

DenseColumns denseColumns(const GNSSLog& analysis, std::int32_t plotWidth, double centreTime, double timeSpan)
{
    DenseColumns dense;
    const double median = analysis.dataQuality.medianInterval;
    dense.longestStep = std::isfinite(median) && median > 0 ? kGapMedianSteps * median
                                                            : std::numeric_limits<double>::infinity();
    if (plotWidth <= 0) {
        return dense;
    }
    const double windowStart = centreTime - timeSpan * 0.5;
    const double windowEnd = centreTime + timeSpan * 0.5;
    const double length = windowEnd - windowStart;
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();
    // Index by column; the window's end time lies in column plotWidth.
    std::vector<ColumnContents> byColumn(static_cast<std::size_t>(plotWidth) + 1);
    for (const GNSSRecord& record : analysis.records) {
        const double time = record.time;
        if (!(time >= windowStart)) {
            continue;
        }
        if (time > windowEnd) {
            break;
        }
        const std::int32_t column = length == 0 ? 0 : toInt32(plotWidth * ((time - windowStart) / length));
        if (column < 0 || column > plotWidth) {
            continue;
        }
        GNSSRecord errors = record;
        errors.localX = truthX - record.localX;
        errors.localY = truthY - record.localY;
        errors.height = truthZ - record.height;
        ColumnContents& contents = byColumn[static_cast<std::size_t>(column)];
        for (std::size_t c = 0; c < CurveCount; ++c) {
            const double value = plotValue(errors, static_cast<Curve>(c));
            contents.lowest[c] = contents.epochs == 0 ? value : std::min(contents.lowest[c], value);
            contents.highest[c] = contents.epochs == 0 ? value : std::max(contents.highest[c], value);
        }
        if (contents.epochs == 0) {
            contents.column = column;
            contents.firstTime = time;
        }
        contents.lastTime = time;
        ++contents.epochs;
        ++contents.classEpochs[static_cast<std::size_t>(stripClassOf(record.fixType))];
    }
    for (ColumnContents& contents : byColumn) {
        if (contents.epochs > 0) {
            dense.columns.push_back(contents);
        }
    }
    return dense;
}

}  // namespace gnsslog
