#include "plots/draw/ErrorPlotPainter.h"

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

void paintErrorPlot(QImage& image, const PointStore* series, const ErrorPlotView& view)
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

    for (const Curve curve : drawOrder) {
        if (!view.curves[static_cast<std::size_t>(curve)]) {
            continue;
        }
        if (series->pointCount() == 0) {
            return;
        }
        canvas.setPen(curveColour(curve));
        bool first = true;
        for (const PlotPoint& point : *series) {
            double y = (q + 20) - (plotValue(point.sample, curve) * pixelsPerMetre + half);
            // Values beyond the range lie on the top or bottom edge.
            if (y < 20) {
                y = 20;
            }
            if (y > q + 20) {
                y = q + 20;
            }
            const int pixelY = toInt32(y);
            if (first) {
                canvas.moveTo(point.column, pixelY);
                first = false;
            } else {
                canvas.lineTo(point.column, pixelY);
            }
        }
    }

    for (const PlotPoint& point : *series) {
        canvas.setPen(fixStripColour(point.sample.fixType), 2);
        canvas.moveTo(point.column, q + 25);
        canvas.lineTo(point.column, q + 35);
    }
}

}  // namespace gnsslog
