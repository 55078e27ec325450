#include "plots/draw/HistogramPainter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

// Labels go through QString::asprintf, which always writes a decimal point
// whatever the process's C locale.
namespace gnsslog {

namespace {
constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;
constexpr unsigned BarGreen = 0x008000;
constexpr int LabelGap = 3;  // pixels between two bin labels
constexpr int AxisLabelWidth = 45;  // pixels right of the share labels' left edge

// One bin's bar, its foot on row base, height in pixels. A bar too narrow
// for its outlined rectangle to cover a pixel is a green column one pixel
// wide and at least one high: with many bins to a pixel every bin with
// samples still shows, and as narrow bars only ever add green, a column
// shows the tallest of its bins whatever their order.
void drawBar(Canvas& canvas, double x, double width, int base, double height)
{
    const int left = toInt32(x);
    const int right = toInt32(x + width - 1);
    const int top = toInt32(base - height);
    if (right > left) {
        canvas.rectangle(left, base, right, top);
        return;
    }
    if (height > 0) {
        canvas.fillRect(left, std::min(top, base - 1), left + 1, base, BarGreen);
    }
}
}  // namespace

void paintHistogram(QImage& image, const Histogram& histogram)
{
    // Nothing at all, not even the background: the window keeps its bitmap.
    if (histogram.peakCount() == 0 || image.isNull()) {
        return;
    }
    Canvas canvas(image);
    const int w = canvas.width();
    const int h = canvas.height();
    const double pixelsPerSample = (h - 30) / static_cast<double>(histogram.peakCount());
    const double barWidth = (w - 50) / static_cast<double>(histogram.binCount());

    canvas.fillRect(0, 0, w, h, White);

    canvas.setPen(Black);
    canvas.moveTo(0, h - 19);
    canvas.lineTo(w - 50, h - 19);
    canvas.lineTo(w - 50, 10);

    // Line i carries i tenths of the tallest bar's share of all samples.
    const double peakShare = static_cast<double>(histogram.peakCount()) / histogram.sampleCount();
    for (int i = 1; i <= 10; ++i) {
        const int y = (10 - i) * ((h - 30) / 10) + 10;
        canvas.setPen(Grey, 1, true);
        canvas.moveTo(0, y);
        canvas.lineTo(w - 48, y);
        // A label wider than the column ("100.0 %") is drawn smaller, not cut off.
        canvas.textOut(w - 45, y - 5, QString::asprintf("%0.1f %%", peakShare * 10 * i), AxisLabelWidth);
    }

    // One slot of equal width per bin in list order, whatever its key.
    canvas.setPen(Black);
    canvas.setBrush(BarGreen);
    // Narrow bars label every k-th bin only, k the smallest that keeps the
    // widest label clear of the next one.
    int widestLabel = 0;
    for (const ErrorRecord& bin : histogram.bins()) {
        widestLabel = std::max(widestLabel, canvas.textWidth(QString::asprintf("%d", bin.key)));
    }
    const double labelPitch = widestLabel + LabelGap;
    // No room at all (an image narrower than the axis column) draws every
    // label, as nothing could be read anyway.
    const std::size_t labelEvery =
        !(barWidth > 0) || barWidth >= labelPitch
            ? 1
            : static_cast<std::size_t>(std::clamp(std::ceil(labelPitch / barWidth), 1.0, 1e6));
    double x = 0;
    std::size_t index = 0;
    int labelsEnd = std::numeric_limits<int>::min();  // right of the last label drawn
    for (const ErrorRecord& bin : histogram.bins()) {
        drawBar(canvas, x, barWidth, h - 20, bin.count * pixelsPerSample);
        if (index % labelEvery == 0) {
            // Kept inside the image so a leading minus sign stays readable;
            // a label so moved may come near the next one, which then
            // gives way.
            const int left = std::max(0, toInt32(x + 0.5 * barWidth - 5));
            const QString label = QString::asprintf("%d", bin.key);
            if (left >= labelsEnd + LabelGap) {
                canvas.textOut(left, h - 15, label);
                labelsEnd = left + canvas.textWidth(label);
            }
        }
        x += barWidth;
        ++index;
    }
}

void paintEmptyHistogram(QImage& image, const QString& note)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    canvas.textCentred(0, 0, canvas.width(), canvas.height(), note);
}

}  // namespace gnsslog
