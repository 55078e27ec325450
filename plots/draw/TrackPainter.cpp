#include "plots/draw/TrackPainter.h"

#include <algorithm>
#include <cmath>

#include "common/FormatNumber.h"
#include "common/Saturate.h"
#include "log/GnssRecord.h"
#include "plots/draw/CanvasPainter.h"
#include "plots/draw/ErrorPlotPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr int Margin = 20;           // pixels kept free round the fitted track
constexpr int DotHalf = 1;           // a dot is 3 x 3 pixels
constexpr int LegendLineHeight = 16;
constexpr int ScaleBarMost = 120;    // pixels
constexpr int ScaleBarHeight = 5;

struct Pixel {
    double x = 0;
    double y = 0;
};

Pixel toPixel(const TrackView& view, int width, int height, double east, double north) noexcept
{
    return {width / 2.0 + (east - view.centreEast) * view.pixelsPerMetre,
            height / 2.0 - (north - view.centreNorth) * view.pixelsPerMetre};
}

// Liang-Barsky: the part of the segment inside [lo, hi] on both axes;
// false when none is. Keeps a line drawn far zoomed in from walking
// millions of pixels outside the image.
bool clipSegment(Pixel& a, Pixel& b, double lo, double hiX, double hiY) noexcept
{
    double t0 = 0;
    double t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x - lo, hiX - a.x, a.y - lo, hiY - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const Pixel start = a;
    a = {start.x + t0 * dx, start.y + t0 * dy};
    b = {start.x + t1 * dx, start.y + t1 * dy};
    return true;
}

int pixelOf(double value) noexcept
{
    return toInt32(std::round(std::clamp(value, -1e6, 1e6)));
}

void drawReference(Canvas& canvas, const TrackSeries& series, const TrackView& view)
{
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.setPen(kTrackReferenceColour, 1);
    for (std::size_t i = 1; i < series.reference.size(); ++i) {
        const TrackPoint& to = series.reference[i];
        if (to.startsSegment) {
            continue;
        }
        const TrackPoint& from = series.reference[i - 1];
        Pixel a = toPixel(view, w, h, from.east, from.north);
        Pixel b = toPixel(view, w, h, to.east, to.north);
        if (!clipSegment(a, b, -1.0, w, h)) {
            continue;
        }
        canvas.moveTo(pixelOf(a.x), pixelOf(a.y));
        canvas.lineTo(pixelOf(b.x), pixelOf(b.y));
    }
    // A lone epoch between gaps is still seen.
    for (std::size_t i = 0; i < series.reference.size(); ++i) {
        const bool alone = series.reference[i].startsSegment &&
                           (i + 1 == series.reference.size() || series.reference[i + 1].startsSegment);
        if (alone) {
            const Pixel p = toPixel(view, w, h, series.reference[i].east, series.reference[i].north);
            canvas.fillRect(pixelOf(p.x), pixelOf(p.y), pixelOf(p.x) + 1, pixelOf(p.y) + 1,
                            kTrackReferenceColour);
        }
    }
}

void drawRover(Canvas& canvas, const TrackSeries& series, const TrackView& view)
{
    const int w = canvas.width();
    const int h = canvas.height();
    for (const TrackPoint& point : series.rover) {
        const Pixel p = toPixel(view, w, h, point.east, point.north);
        if (p.x < -DotHalf || p.y < -DotHalf || p.x > w + DotHalf || p.y > h + DotHalf) {
            continue;
        }
        const int x = pixelOf(p.x);
        const int y = pixelOf(p.y);
        canvas.fillRect(x - DotHalf, y - DotHalf, x + DotHalf + 1, y + DotHalf + 1, fixStripColour(point.fixType));
    }
}

void drawScaleBar(Canvas& canvas, const TrackView& view)
{
    const double metres = scaleBarMetres(view.pixelsPerMetre, ScaleBarMost);
    const int length = std::max(1, pixelOf(metres * view.pixelsPerMetre));
    const int left = Margin / 2;
    const int bottom = canvas.height() - Margin / 2;
    canvas.fillRect(left, bottom - ScaleBarHeight, left + length, bottom, Black);
    const int decimals = metres >= 1 ? 0 : std::min(6, pixelOf(std::ceil(-std::log10(metres))));
    canvas.textOut(left, bottom - ScaleBarHeight - LegendLineHeight,
                   QString::fromStdString(formatFixed(metres, decimals) + " m"));
}

void drawLegend(Canvas& canvas, bool withReference)
{
    const int left = canvas.width() - 110;
    int top = Margin / 2;
    canvas.textOut(left, top, QStringLiteral("N up, E right"));
    top += LegendLineHeight;
    if (withReference) {
        canvas.fillRect(left, top + 7, left + 10, top + 8, kTrackReferenceColour);
        canvas.textOut(left + 14, top, QStringLiteral("Reference"));
        top += LegendLineHeight;
    }
    const struct {
        std::uint8_t fixType;
        const char* text;
    } lines[] = {{FixType::RtkFixed, "RTK FIX"}, {FixType::RtkFloat, "RTK FLOAT"}, {FixType::RtkX, "RTKX"}, {0, "SPS"}};
    for (const auto& line : lines) {
        canvas.fillRect(left, top + 4, left + 10, top + 12, fixStripColour(line.fixType));
        canvas.textOut(left + 14, top, QString::fromLatin1(line.text));
        top += LegendLineHeight;
    }
}

}  // namespace

TrackView fitTrackView(const TrackSeries& series, int width, int height) noexcept
{
    TrackView view;
    view.centreEast = (series.minEast + series.maxEast) / 2;
    view.centreNorth = (series.minNorth + series.maxNorth) / 2;
    const double spanEast = series.maxEast - series.minEast;
    const double spanNorth = series.maxNorth - series.minNorth;
    const double roomX = std::max(1, width - 2 * Margin);
    const double roomY = std::max(1, height - 2 * Margin);
    double scale = kMostPixelsPerMetre;
    if (spanEast > 0) {
        scale = std::min(scale, roomX / spanEast);
    }
    if (spanNorth > 0) {
        scale = std::min(scale, roomY / spanNorth);
    }
    if (series.rover.empty() && series.reference.empty()) {
        scale = 1;
    }
    view.pixelsPerMetre = std::clamp(scale, kFewestPixelsPerMetre, kMostPixelsPerMetre);
    return view;
}

TrackView zoomTrackView(const TrackView& view, int width, int height, int x, int y, double factor) noexcept
{
    if (!(factor > 0) || !std::isfinite(factor)) {
        return view;
    }
    // The point under the pointer, before and after.
    const double east = view.centreEast + (x - width / 2.0) / view.pixelsPerMetre;
    const double north = view.centreNorth - (y - height / 2.0) / view.pixelsPerMetre;
    TrackView zoomed = view;
    zoomed.pixelsPerMetre = std::clamp(view.pixelsPerMetre * factor, kFewestPixelsPerMetre, kMostPixelsPerMetre);
    zoomed.centreEast = east - (x - width / 2.0) / zoomed.pixelsPerMetre;
    zoomed.centreNorth = north + (y - height / 2.0) / zoomed.pixelsPerMetre;
    return zoomed;
}

TrackView panTrackView(const TrackView& view, int dx, int dy) noexcept
{
    TrackView moved = view;
    moved.centreEast -= dx / view.pixelsPerMetre;
    moved.centreNorth += dy / view.pixelsPerMetre;
    return moved;
}

double scaleBarMetres(double pixelsPerMetre, int maxPixels) noexcept
{
    if (!(pixelsPerMetre > 0) || maxPixels < 1) {
        return 1;
    }
    const double most = maxPixels / pixelsPerMetre;  // metres
    double power = std::pow(10.0, std::floor(std::log10(most)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= most) {
            return step * power;
        }
    }
    return power / 2;  // rounding put most just under the power
}

void paintTrack(QImage& image, const TrackSeries& series, const TrackView& view)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    if (view.pixelsPerMetre > 0 && std::isfinite(view.pixelsPerMetre)) {
        drawReference(canvas, series, view);
        drawRover(canvas, series, view);
        drawScaleBar(canvas, view);
    }
    drawLegend(canvas, !series.reference.empty());
}

}  // namespace gnsslog
