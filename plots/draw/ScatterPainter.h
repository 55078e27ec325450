// The scatter plot: the horizontal error of every record (east error
// across, north error up, equal scales) as a dot in its fix type's colour,
// and the CEP50, R95 and 2DRMS circles of the RTK-fixed records centred on
// the truth, with a legend of their radii.
#pragma once

#include <QImage>

#include "log/Gpslog.h"
#include "metrics/ScatterCircles.h"

namespace gnsslog {

// Where the plot square lies in an image of a given size: its centre (the
// truth) and the pixels per metre for a range (metres from the centre to
// the square's edge).
struct ScatterGeometry {
    int left = 0;
    int top = 0;
    int side = 0;  // of the square, pixels
    int centreX = 0;
    int centreY = 0;
    double pixelsPerMetre = 0;
};
ScatterGeometry scatterGeometry(int imageWidth, int imageHeight, double range) noexcept;

// Circle colours, 0xRRGGBB.
inline constexpr unsigned kCep50Colour = 0x000000;   // black
inline constexpr unsigned kR95Colour = 0xFF00FF;     // fuchsia
inline constexpr unsigned kTwoDrmsColour = 0x008080;  // teal

// The range Autoscale gives the scatter plot, metres: every record with a
// horizontal error inside the square, a little room to spare; the error
// plot's autoscale where no record has one away from the truth.
double scatterAutoscaleRange(const GNSSLog& analysis, const ScatterCircles& circles) noexcept;

// Repaints the whole image for a range in metres (> 0; the scale choice's
// scaleRange). Records without a grid position, and those beyond the
// range, are not drawn; circles only when circles.count > 0. Images that
// are not 32-bit RGB are converted to QImage::Format_RGB32 first.
void paintScatterPlot(QImage& image, const GNSSLog& analysis, const ScatterCircles& circles, double range);

}  // namespace gnsslog
