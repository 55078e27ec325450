#include "plots/draw/ScatterPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "metrics/EpochErrors.h"
#include "plots/draw/CanvasPainter.h"
#include "plots/draw/ErrorPlotPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;

constexpr int Margin = 10;          // pixels around the square
constexpr int LegendWidth = 120;    // pixels right of the square
constexpr int LabelHeight = 16;     // pixels below the square for the scale labels
constexpr int LegendLineHeight = 16;
constexpr int DotHalf = 1;  // a dot is 3 x 3 pixels
constexpr int LabelGap = 4;  // pixels between two scale labels

QString metres(double value)
{
    // Always a decimal point, whatever the process's C locale.
    return QString::asprintf("%0.3f m", value);
}

// Midpoint circle, one pixel wide, clipped to the square.
void drawCircle(Canvas& canvas, const ScatterGeometry& g, int radius, unsigned colour)
{
    if (radius <= 0) {
        return;
    }
    const auto put = [&](int x, int y) {
        if (x >= g.left && x < g.left + g.side && y >= g.top && y < g.top + g.side) {
            canvas.fillRect(x, y, x + 1, y + 1, colour);
        }
    };
    int x = radius;
    int y = 0;
    int error = 1 - radius;
    while (x >= y) {
        for (const auto& [dx, dy] : {std::pair{x, y}, std::pair{y, x}, std::pair{-y, x}, std::pair{-x, y},
                                     std::pair{-x, -y}, std::pair{-y, -x}, std::pair{y, -x}, std::pair{x, -y}}) {
            put(g.centreX + dx, g.centreY + dy);
        }
        ++y;
        if (error < 0) {
            error += 2 * y + 1;
        } else {
            --x;
            error += 2 * (y - x) + 1;
        }
    }
}

int radiusPixels(double metresValue, double pixelsPerMetre) noexcept
{
    const double pixels = metresValue * pixelsPerMetre;
    if (!std::isfinite(pixels)) {
        return 0;  // a circle too large for any picture
    }
    return toInt32(std::round(std::clamp(pixels, 0.0, 1e6)));
}

// The range under the square's left and right edges and "E 0" under its
// centre, each within the square's width; where they would touch, the
// centre one goes first, then the left one (the right one tells the
// scale).
void drawScaleLabels(Canvas& canvas, const ScatterGeometry& g, double range)
{
    const int top = g.top + g.side + 3;
    const QString low = metres(-range);
    const QString high = metres(range);
    const QString centre = QStringLiteral("E 0");
    const int highLeft = std::max(g.left, g.left + g.side - canvas.textWidth(high));
    const int lowRight = g.left + canvas.textWidth(low);
    const int centreLeft = g.centreX - canvas.textWidth(centre) / 2;
    const int centreRight = centreLeft + canvas.textWidth(centre);
    canvas.textOut(highLeft, top, high);
    if (lowRight + LabelGap <= highLeft) {
        canvas.textOut(g.left, top, low);
        if (lowRight + LabelGap <= centreLeft && centreRight + LabelGap <= highLeft) {
            canvas.textOut(centreLeft, top, centre);
        }
    }
}

}  // namespace

double scatterAutoscaleRange(const GNSSLog& analysis, const ScatterCircles& circles) noexcept
{
    // A dot is drawn whole up to the square's edge.
    constexpr double kRoomToSpare = 1.05;
    const double range = circles.pointsExtent * kRoomToSpare;
    if (range > 0 && std::isfinite(range)) {
        return range;
    }
    return scaleRange(PlotScale::Autoscale, analysis);
}

ScatterGeometry scatterGeometry(int imageWidth, int imageHeight, double range) noexcept
{
    ScatterGeometry g;
    g.side = std::max(2, std::min(imageWidth - 2 * Margin - LegendWidth, imageHeight - 2 * Margin - LabelHeight));
    g.left = Margin;
    g.top = Margin;
    g.centreX = g.left + g.side / 2;
    g.centreY = g.top + g.side / 2;
    g.pixelsPerMetre = range > 0 ? (g.side / 2) / range : 0;
    return g;
}

void paintScatterPlot(QImage& image, const GNSSLog& analysis, const ScatterCircles& circles, double range)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const ScatterGeometry g = scatterGeometry(canvas.width(), canvas.height(), range);

    canvas.setPen(Black);
    canvas.setBrush(White);
    canvas.rectangle(g.left - 1, g.top - 1, g.left + g.side + 1, g.top + g.side + 1);
    canvas.setPen(Grey, 1, true);
    canvas.moveTo(g.left, g.centreY);
    canvas.lineTo(g.left + g.side, g.centreY);
    canvas.moveTo(g.centreX, g.top);
    canvas.lineTo(g.centreX, g.top + g.side);

    if (g.pixelsPerMetre > 0) {
        const TruthPoint truth{analysis.truthX(), analysis.truthY(), analysis.truthZ()};
        for (const GNSSRecord& record : analysis.records) {
            const EpochErrors e = epochErrorsOf(record, truth);
            // Grid x is the northing, y the easting.
            if (!e.haveXY || std::fabs(e.dy) > range || std::fabs(e.dx) > range) {
                continue;
            }
            const int x = g.centreX + toInt32(std::round(e.dy * g.pixelsPerMetre));
            const int y = g.centreY - toInt32(std::round(e.dx * g.pixelsPerMetre));
            canvas.fillRect(std::max(x - DotHalf, g.left), std::max(y - DotHalf, g.top),
                            std::min(x + DotHalf + 1, g.left + g.side), std::min(y + DotHalf + 1, g.top + g.side),
                            fixStripColour(record.fixType));
        }
        if (circles.count > 0) {
            drawCircle(canvas, g, radiusPixels(circles.twoDrms, g.pixelsPerMetre), kTwoDrmsColour);
            drawCircle(canvas, g, radiusPixels(circles.r95, g.pixelsPerMetre), kR95Colour);
            drawCircle(canvas, g, radiusPixels(circles.cep50, g.pixelsPerMetre), kCep50Colour);
        }
    }

    drawScaleLabels(canvas, g, range);

    int legendTop = g.top;
    const int legendLeft = g.left + g.side + Margin;
    const auto legendLine = [&](unsigned colour, const QString& text) {
        canvas.fillRect(legendLeft, legendTop + 4, legendLeft + 10, legendTop + 12, colour);
        canvas.textOut(legendLeft + 14, legendTop, text);
        legendTop += LegendLineHeight;
    };
    canvas.textOut(legendLeft, legendTop, QStringLiteral("N up, E right"));
    legendTop += LegendLineHeight;
    legendLine(fixStripColour(FixType::RtkFixed), QStringLiteral("RTK FIX"));
    legendLine(fixStripColour(FixType::RtkFloat), QStringLiteral("RTK FLOAT"));
    legendLine(fixStripColour(FixType::RtkX), QStringLiteral("RTKX"));
    legendLine(fixStripColour(0), QStringLiteral("SPS"));
    legendTop += LegendLineHeight / 2;
    if (circles.count > 0) {
        canvas.textOut(legendLeft, legendTop, QStringLiteral("RTK fixed:"));
        legendTop += LegendLineHeight;
        legendLine(kCep50Colour, QStringLiteral("CEP50 ") + metres(circles.cep50));
        legendLine(kR95Colour, QStringLiteral("R95 ") + metres(circles.r95));
        legendLine(kTwoDrmsColour, QStringLiteral("2DRMS ") + metres(circles.twoDrms));
    } else {
        canvas.textOut(legendLeft, legendTop, QStringLiteral("No RTK fix"));
    }
}

}  // namespace gnsslog
