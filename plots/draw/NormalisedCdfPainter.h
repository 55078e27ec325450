// The normalised error CDF: two panels, the horizontal radial error over
// its sigma left and the vertical one right, each with the cumulative
// share per solution class against the error in sigmas and, dotted grey,
// the share a Gaussian error of exactly the stated sigma would give. A
// curve below the grey one belongs to a receiver that claims more than it
// delivers.
#pragma once

#include <QImage>

#include "metrics/NormalisedCdf.h"
#include "plots/draw/CdfPainter.h"

namespace gnsslog {

// The panels lie where the error CDF's do (cdfPanel), the error axis
// linear: 0 sigma at left, kNormalisedCdfRange at left + width.

// Repaints the whole image. Images that are not 32-bit RGB are converted
// to QImage::Format_RGB32 first.
void paintNormalisedCdf(QImage& image, const NormalisedCdf& cdf);

}  // namespace gnsslog
