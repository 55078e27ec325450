#include "plots/HistogramPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/CanvasPainter.h"

// Labels go through QString::asprintf, which always writes a decimal point
// whatever the process's C locale.
namespace gnsslog {

namespace {
constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;
constexpr unsigned BarGreen = 0x008000;
constexpr int LabelGap = 3;  // pixels between two bin labels
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
        canvas.textOut(w - 45, y - 5, QString::asprintf("%0.1f %%", peakShare * 10 * i));
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
    for (const ErrorRecord& bin : histogram.bins()) {
        canvas.rectangle(toInt32(x), h - 20, toInt32(x + barWidth - 1),
                         toInt32((h - 20) - bin.count * pixelsPerSample));
        if (index % labelEvery == 0) {
            canvas.textOut(toInt32(x + 0.5 * barWidth - 5), h - 15, QString::asprintf("%d", bin.key));
        }
        x += barWidth;
        ++index;
    }
}

}  // namespace gnsslog
