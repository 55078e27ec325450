// What each pixel column of the error plot holds when many epochs fall on
// it. A 300 MB log has two million epochs for a few hundred columns; the
// PointStore keeps one epoch per column (the largest 3-D error), which
// alone would paint a mostly fixed column red and the curves as stripes.
// Here every epoch of the visible window counts: per column the number of
// epochs of each strip class and the lowest and highest value of each
// curve, as dense-series displays draw them, and the first and last epoch
// times, from which the plot sees the gaps the data-quality report finds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "log/Gpslog.h"
#include "plots/series/ErrorSeries.h"

namespace gnsslog {

// The fix-type strip's classes, in the order they are stacked from the top.
enum class StripClass : std::uint8_t { RtkFixed, RtkFloat, RtkX, Other };
inline constexpr std::size_t kStripClassCount = 4;
StripClass stripClassOf(std::uint8_t fixType) noexcept;

struct ColumnContents {
    std::int32_t column = 0;  // pixel column, as PlotPoint::column
    std::int32_t epochs = 0;  // at least 1
    std::array<std::int32_t, kStripClassCount> classEpochs{};  // indexed by StripClass
    std::array<double, CurveCount> lowest{};                   // plotValue, metres, by Curve
    std::array<double, CurveCount> highest{};
    double firstTime = 0;  // seconds
    double lastTime = 0;
};

struct DenseColumns {
    std::vector<ColumnContents> columns;  // ascending, only columns with epochs
    // Longest step between epochs that is not a gap (seconds): twice the
    // log's median step, as the data-quality report counts gaps; infinite
    // while the median is unknown.
    double longestStep = 0;

    // Half as many epochs again as the columns holding them: draw shares
    // and spans. (A sparse log has the odd column with two epochs where a
    // time falls on a column's edge; it keeps its one line.)
    bool crowded() const noexcept;
    // A gap lies between column a and the later column b.
    bool gapBetween(const ColumnContents& a, const ColumnContents& b) const noexcept;
};

// Summaries of runs of consecutive records, worked out once per analysis
// (off the window thread), so that the columns of a log of millions of
// epochs are found from a few thousand summaries on every resize and zoom:
// a run that falls whole in one column is taken as a whole, and only the
// runs that straddle a column's edge are walked record by record. The
// result is exactly that of the walk over every record.
class ColumnBlocks {
public:
    static constexpr std::size_t kRecordsPerBlock = 64;

    struct Block {
        double firstTime = 0;  // seconds
        double lastTime = 0;
        // Times finite and non-decreasing, every curve value finite: the
        // block may be taken whole. Other blocks are walked.
        bool wholeable = false;
        std::array<std::int32_t, kStripClassCount> classEpochs{};
        std::array<double, CurveCount> lowest{};  // metres, by Curve
        std::array<double, CurveCount> highest{};
    };

    // The analysis must be complete and outlive the blocks.
    explicit ColumnBlocks(const GNSSLog& analysis);

    const GNSSLog& analysis() const noexcept { return *analysis_; }
    const std::vector<Block>& blocks() const noexcept { return blocks_; }

private:
    const GNSSLog* analysis_;
    std::vector<Block> blocks_;
};

// The columns of the window [centreTime - timeSpan/2, centreTime +
// timeSpan/2] (seconds) for a plot plotWidth pixels wide, by the
// PointStore's column rule; records past the window end stop the walk, as
// they stop the PointStore's. The analysis must be complete.
DenseColumns denseColumns(const GNSSLog& analysis, std::int32_t plotWidth, double centreTime, double timeSpan);
// The same columns, from the blocks of the analysis.
DenseColumns denseColumns(const ColumnBlocks& blocks, std::int32_t plotWidth, double centreTime, double timeSpan);

}  // namespace gnsslog
