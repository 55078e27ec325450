#include "plots/draw/ErrorPlotPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;

QString metres(double value)
{
    // Always a decimal point, whatever the process's C locale.
    return QString::asprintf("%0.3f m", value);
}


// Pixel rows of the plot area: a value in metres, clamped to the edges.
struct PlotRows {
    int q;     // height of the plot area, from y = 20 to y = q + 20
    int half;  // q / 2
    double pixelsPerMetre;

    int rowOf(double value) const noexcept
    {
        // Values beyond the range lie on the top or bottom edge.
        const double y = std::clamp((q + 20) - (value * pixelsPerMetre + half), 20.0, q + 20.0);
        return toInt32(y);
    }
};

// The column's contents among dense's columns, found walking forward from
// *next (the columns and the points are both in ascending column order).
const ColumnContents* contentsOf(const DenseColumns& dense, std::int32_t column, std::size_t& next) noexcept
{
    while (next < dense.columns.size() && dense.columns[next].column < column) {
        ++next;
    }
    return next < dense.columns.size() && dense.columns[next].column == column ? &dense.columns[next] : nullptr;
}

// One line per curve through the series' points; with the columns known, a
// line does not cross a gap in the data.
void drawCurvesThroughPoints(Canvas& canvas, const PointStore& series, const DenseColumns* dense,
                             const ErrorPlotView& view, const PlotRows& rows)
{
    for (const Curve curve : drawOrder) {
        if (!view.curves[static_cast<std::size_t>(curve)]) {
            continue;
        }
        canvas.setPen(curveColour(curve));
        bool first = true;
        std::size_t next = 0;
        const ColumnContents* previous = nullptr;
        for (const PlotPoint& point : series) {
            const int pixelY = rows.rowOf(plotValue(point.sample, curve));
            const ColumnContents* contents = dense != nullptr ? contentsOf(*dense, point.column, next) : nullptr;
            const bool gap = previous != nullptr && contents != nullptr && dense->gapBetween(*previous, *contents);
            if (first || gap) {
                canvas.moveTo(point.column, pixelY);
                first = false;
            } else {
                canvas.lineTo(point.column, pixelY);
            }
            previous = contents;
        }
    }
}

// Per column the span from the lowest to the highest value of each curve,
// stretched to meet the span of the column before so that a curve stays
// one line; across a gap it does not.
void drawCurveSpans(Canvas& canvas, const DenseColumns& dense, const ErrorPlotView& view, const PlotRows& rows)
{
    for (const Curve curve : drawOrder) {
        const auto c = static_cast<std::size_t>(curve);
        if (!view.curves[c]) {
            continue;
        }
        canvas.setPen(curveColour(curve));
        const ColumnContents* previous = nullptr;
        int previousTop = 0;
        int previousBottom = 0;
        for (const ColumnContents& contents : dense.columns) {
            int top = rows.rowOf(contents.highest[c]);
            int bottom = rows.rowOf(contents.lowest[c]);
            const bool joined = previous != nullptr && !dense.gapBetween(*previous, contents);
            if (joined && contents.column == previous->column + 1) {
                top = std::min(top, previousBottom);
                bottom = std::max(bottom, previousTop);
            } else if (joined) {
                canvas.moveTo(previous->column, (previousTop + previousBottom) / 2);
                canvas.lineTo(contents.column, (top + bottom) / 2);
            }
            canvas.moveTo(contents.column, top);
            canvas.lineTo(contents.column, bottom + 1);  // the end pixel is not drawn
            previous = &contents;
            previousTop = rows.rowOf(contents.highest[c]);
            previousBottom = rows.rowOf(contents.lowest[c]);
        }
    }
}

// Per column the strip's ten rows shared among the fix classes of its
// epochs, fixed at the top, each class as many rows as its share (rounded).
void drawStripShares(Canvas& canvas, const DenseColumns& dense, int q)
{
    constexpr int kStripRows = 10;
    constexpr std::array<std::uint8_t, kStripClassCount> kClassFixType = {FixType::RtkFixed, FixType::RtkFloat,
                                                                          FixType::RtkX, 0};
    for (const ColumnContents& contents : dense.columns) {
        std::int64_t before = 0;
        for (std::size_t k = 0; k < kStripClassCount; ++k) {
            const std::int64_t upTo = before + contents.classEpochs[k];
            const int from = static_cast<int>(std::llround(kStripRows * static_cast<double>(before) / contents.epochs));
            const int to = static_cast<int>(std::llround(kStripRows * static_cast<double>(upTo) / contents.epochs));
            // Two pixels wide, as the pen of the one-epoch strip.
            canvas.fillRect(contents.column - 1, q + 25 + from, contents.column + 1, q + 25 + to,
                            fixStripColour(kClassFixType[k]));
            before = upTo;
        }
    }
}

}  // namespace

unsigned fixStripColour(std::uint8_t fixType) noexcept
{
    switch (fixType) {
    case FixType::RtkFixed:
        return 0x008000;  // green
    case FixType::RtkFloat:
        return 0x0000FF;  // blue
    case FixType::RtkX:
        return 0xFFFF00;  // yellow
    default:
        return 0xFF0000;  // red: stand-alone and everything else
    }
}

unsigned curveColour(Curve curve) noexcept
{
    switch (curve) {
    case Curve::XError:
        return 0x0000FF;  // blue
    case Curve::YError:
        return 0xFF0000;  // red
    case Curve::ZError:
        return 0x008000;  // green
    case Curve::Error3D:
        return 0xFF00FF;  // fuchsia
    case Curve::Sep:
        return 0x000000;  // black
    case Curve::GpsSats:
        return 0x008080;  // teal
    case Curve::Dop:
        return 0x800080;  // purple
    case Curve::GlonassSats:
        return 0x808080;  // grey
    }
    return 0x000000;
}

void paintErrorPlot(QImage& image, const PointStore* series, const ErrorPlotView& view, const DenseColumns* dense)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.fillRect(0, 0, w, h, White);

    const int q = h - 40;  // height of the plot area, from y = 20 to y = q + 20
    const int half = q / 2;
    const double range = view.analysis != nullptr ? scaleRange(view.scale, *view.analysis)
                                                  : scaleRange(view.scale, 0, 0, 0);
    const double pixelsPerMetre = q / (2 * range);
    if (series == nullptr) {
        return;
    }

    // Bottom and right edges only.
    canvas.setPen(Black);
    canvas.moveTo(0, q + 20);
    canvas.lineTo(w - 50, q + 20);
    canvas.lineTo(w - 50, 20);

    canvas.setPen(Grey, 1, true);
    for (const int y : {half + 20, 20, q / 4 + 20, (q / 4) * 3 + 20}) {
        canvas.moveTo(0, y);
        canvas.lineTo(w - 45, y);
    }

    // The labels' column: from w - 45 to the image's right edge.
    constexpr int kScaleLabelWidth = 45;
    canvas.textOut(w - 45, half + 12, QStringLiteral("0.000 m"), kScaleLabelWidth);
    canvas.textOut(w - 45, q + 12, metres(-range), kScaleLabelWidth);
    canvas.textOut(w - 45, 12, metres(range), kScaleLabelWidth);
    canvas.textOut(w - 45, (q / 4) * 3 + 12, metres(-0.5 * range), kScaleLabelWidth);
    canvas.textOut(w - 45, q / 4 + 12, metres(0.5 * range), kScaleLabelWidth);

    if (series->pointCount() == 0) {
        return;
    }
    const PlotRows rows{q, half, pixelsPerMetre};
    if (dense != nullptr && dense->crowded()) {
        drawCurveSpans(canvas, *dense, view, rows);
        drawStripShares(canvas, *dense, q);
        return;
    }
    drawCurvesThroughPoints(canvas, *series, dense, view, rows);
    for (const PlotPoint& point : *series) {
        canvas.setPen(fixStripColour(point.sample.fixType), 2);
        canvas.moveTo(point.column, q + 25);
        canvas.lineTo(point.column, q + 35);
    }
}

}  // namespace gnsslog
