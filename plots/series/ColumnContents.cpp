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

namespace {

std::array<double, CurveCount> curveValues(const GNSSRecord& record, double truthX, double truthY,
                                           double truthZ) noexcept
{
    GNSSRecord errors = record;
    errors.localX = truthX - record.localX;
    errors.localY = truthY - record.localY;
    errors.height = truthZ - record.height;
    std::array<double, CurveCount> values{};
    for (std::size_t c = 0; c < CurveCount; ++c) {
        values[c] = plotValue(errors, static_cast<Curve>(c));
    }
    return values;
}

// One walk over the visible window, fed record by record or a whole block
// at a time.
class ColumnWalk {
public:
    ColumnWalk(const GNSSLog& analysis, std::int32_t plotWidth, double centreTime, double timeSpan)
        : analysis_(analysis),
          plotWidth_(plotWidth),
          windowStart_(centreTime - timeSpan * 0.5),
          windowEnd_(centreTime + timeSpan * 0.5),
          length_(windowEnd_ - windowStart_),
          truthX_(analysis.truthX()),
          truthY_(analysis.truthY()),
          truthZ_(analysis.truthZ()),
          // Index by column; the window's end time lies in column plotWidth.
          byColumn_(static_cast<std::size_t>(std::max(plotWidth, 0)) + 1)
    {
    }

    double windowStart() const noexcept { return windowStart_; }
    double windowEnd() const noexcept { return windowEnd_; }

    std::int32_t columnOf(double time) const noexcept
    {
        return length_ == 0 ? 0 : toInt32(plotWidth_ * ((time - windowStart_) / length_));
    }
    bool inPlot(std::int32_t column) const noexcept { return column >= 0 && column <= plotWidth_; }

    // False once the record lies past the window's end: the walk stops.
    bool addRecord(const GNSSRecord& record)
    {
        const double time = record.time;
        if (!(time >= windowStart_)) {
            return true;
        }
        if (time > windowEnd_) {
            return false;
        }
        const std::int32_t column = columnOf(time);
        if (!inPlot(column)) {
            return true;
        }
        const std::array<double, CurveCount> values = curveValues(record, truthX_, truthY_, truthZ_);
        ColumnContents& contents = byColumn_[static_cast<std::size_t>(column)];
        for (std::size_t c = 0; c < CurveCount; ++c) {
            contents.lowest[c] = contents.epochs == 0 ? values[c] : std::min(contents.lowest[c], values[c]);
            contents.highest[c] = contents.epochs == 0 ? values[c] : std::max(contents.highest[c], values[c]);
        }
        if (contents.epochs == 0) {
            contents.column = column;
            contents.firstTime = time;
        }
        contents.lastTime = time;
        ++contents.epochs;
        ++contents.classEpochs[static_cast<std::size_t>(stripClassOf(record.fixType))];
        return true;
    }

    // Every record of the block lies in this column of the plot.
    void addBlock(std::int32_t column, const ColumnBlocks::Block& block)
    {
        ColumnContents& contents = byColumn_[static_cast<std::size_t>(column)];
        for (std::size_t c = 0; c < CurveCount; ++c) {
            contents.lowest[c] = contents.epochs == 0 ? block.lowest[c] : std::min(contents.lowest[c], block.lowest[c]);
            contents.highest[c] =
                contents.epochs == 0 ? block.highest[c] : std::max(contents.highest[c], block.highest[c]);
        }
        if (contents.epochs == 0) {
            contents.column = column;
            contents.firstTime = block.firstTime;
        }
        contents.lastTime = block.lastTime;
        for (std::size_t k = 0; k < kStripClassCount; ++k) {
            contents.classEpochs[k] += block.classEpochs[k];
            contents.epochs += block.classEpochs[k];
        }
    }

    DenseColumns finish() const
    {
        DenseColumns dense;
        const double median = analysis_.dataQuality.medianInterval;
        dense.longestStep = std::isfinite(median) && median > 0 ? kGapMedianSteps * median
                                                                : std::numeric_limits<double>::infinity();
        if (plotWidth_ <= 0) {
            return dense;
        }
        for (const ColumnContents& contents : byColumn_) {
            if (contents.epochs > 0) {
                dense.columns.push_back(contents);
            }
        }
        return dense;
    }

private:
    const GNSSLog& analysis_;
    std::int32_t plotWidth_;
    double windowStart_;
    double windowEnd_;
    double length_;
    double truthX_;
    double truthY_;
    double truthZ_;
    std::vector<ColumnContents> byColumn_;
};

}  // namespace

DenseColumns denseColumns(const GNSSLog& analysis, std::int32_t plotWidth, double centreTime, double timeSpan)
{
    ColumnWalk walk(analysis, plotWidth, centreTime, timeSpan);
    if (plotWidth > 0) {
        for (const GNSSRecord& record : analysis.records) {
            if (!walk.addRecord(record)) {
                break;
            }
        }
    }
    return walk.finish();
}

ColumnBlocks::ColumnBlocks(const GNSSLog& analysis) : analysis_(&analysis)
{
    const std::vector<GNSSRecord>& records = analysis.records;
    const double truthX = analysis.truthX();
    const double truthY = analysis.truthY();
    const double truthZ = analysis.truthZ();
    blocks_.reserve((records.size() + kRecordsPerBlock - 1) / kRecordsPerBlock);
    for (std::size_t begin = 0; begin < records.size(); begin += kRecordsPerBlock) {
        const std::size_t end = std::min(begin + kRecordsPerBlock, records.size());
        Block block;
        block.firstTime = records[begin].time;
        block.lastTime = records[end - 1].time;
        bool wholeable = std::isfinite(block.firstTime);
        for (std::size_t i = begin; i < end; ++i) {
            const GNSSRecord& record = records[i];
            const std::array<double, CurveCount> values = curveValues(record, truthX, truthY, truthZ);
            for (std::size_t c = 0; c < CurveCount; ++c) {
                wholeable = wholeable && std::isfinite(values[c]);
                block.lowest[c] = i == begin ? values[c] : std::min(block.lowest[c], values[c]);
                block.highest[c] = i == begin ? values[c] : std::max(block.highest[c], values[c]);
            }
            wholeable = wholeable && std::isfinite(record.time) && (i == begin || record.time >= records[i - 1].time);
            ++block.classEpochs[static_cast<std::size_t>(stripClassOf(record.fixType))];
        }
        block.wholeable = wholeable;
        blocks_.push_back(block);
    }
}

DenseColumns denseColumns(const ColumnBlocks& blocks, std::int32_t plotWidth, double centreTime, double timeSpan)
{
    const GNSSLog& analysis = blocks.analysis();
    ColumnWalk walk(analysis, plotWidth, centreTime, timeSpan);
    if (plotWidth <= 0) {
        return walk.finish();
    }
    const std::vector<GNSSRecord>& records = analysis.records;
    const std::vector<ColumnBlocks::Block>& summaries = blocks.blocks();
    for (std::size_t b = 0; b < summaries.size(); ++b) {
        const ColumnBlocks::Block& block = summaries[b];
        if (block.wholeable) {
            if (block.lastTime < walk.windowStart()) {
                continue;  // every record before the window
            }
            if (block.firstTime >= walk.windowStart() && block.lastTime <= walk.windowEnd()) {
                // The column map is monotone in time: the ends' columns
                // bound every record's.
                const std::int32_t column = walk.columnOf(block.firstTime);
                if (column == walk.columnOf(block.lastTime) && walk.inPlot(column)) {
                    walk.addBlock(column, block);
                    continue;
                }
            }
        }
        const std::size_t begin = b * ColumnBlocks::kRecordsPerBlock;
        const std::size_t end = std::min(begin + ColumnBlocks::kRecordsPerBlock, records.size());
        for (std::size_t i = begin; i < end; ++i) {
            if (!walk.addRecord(records[i])) {
                return walk.finish();
            }
        }
    }
    return walk.finish();
}

}  // namespace gnsslog
