// Bar chart of one error histogram, drawn into a bitmap.
#pragma once

#include <QImage>

#include "stats/Histogram.h"

namespace gnsslog {

// Repaints the whole image: white background, axes, ten dotted grid lines
// labelled with the share of all samples ("%0.1f %%"), one green bar per bin
// in list order labelled with its key in centimetres. A histogram without
// samples (peakCount 0) leaves the image untouched. Images that are not
// 32-bit RGB are converted to QImage::Format_RGB32 first.
void paintHistogram(QImage& image, const Histogram& histogram);

}  // namespace gnsslog
