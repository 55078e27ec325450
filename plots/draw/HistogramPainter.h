// Bar chart of one error histogram, drawn into a bitmap.
#pragma once

#include <QImage>
#include <QString>

#include "stats/Histogram.h"

namespace gnsslog {

// Repaints the whole image: white background, axes, ten dotted grid lines
// labelled with the share of all samples ("%0.1f %%"), one green bar per bin
// in list order labelled with its key in centimetres. A histogram without
// samples (peakCount 0) leaves the image untouched. Images that are not
// 32-bit RGB are converted to QImage::Format_RGB32 first.
void paintHistogram(QImage& image, const Histogram& histogram);

// What a window shows for a histogram without samples: the note (why
// there are none) centred on white.
void paintEmptyHistogram(QImage& image, const QString& note);

}  // namespace gnsslog
