// The error CDF: two panels, horizontal error left and vertical error
// right, each with the cumulative share of the errors of the RTK fixed,
// RTK float and all epochs against the error, and the 50, 68 and 95 %
// levels marked.
#pragma once

#include <initializer_list>

#include <QImage>
#include <QString>

#include "metrics/ErrorCdf.h"

namespace gnsslog {

// Curve colours per CdfClass, 0xRRGGBB.
unsigned cdfClassColour(CdfClass c) noexcept;

// One panel's plot area in an image of a given size: share 0 at bottom,
// share 1 at top; the error on a logarithmic axis, kCdfLowestEdge at left
// and the cdf's range at left + width.
struct CdfPanel {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int bottom() const noexcept { return top + height; }
    // Pixel row of a share (0..1).
    int rowOf(double share) const noexcept;
};
// panel 0: horizontal, panel 1: vertical.
CdfPanel cdfPanel(int imageWidth, int imageHeight, int panel) noexcept;

class Canvas;

// A panel's title, its share axis with the 0 and 100 % labels and the
// dotted lines of the marked levels, and its error axis line.
void paintCdfFrame(Canvas& canvas, const CdfPanel& panel, const QString& title);

// A class's curve: at each column the share of the bin whose upper edge is
// the first at or past it, bins spread evenly over the panel's width.
void paintCdfCurve(Canvas& canvas, const CdfPanel& panel, const CdfCurve& curve, std::size_t bins,
                   unsigned colour);

// The classes' colours and names along the bottom, then the extra entries.
struct CdfLegendEntry {
    unsigned colour;  // 0xRRGGBB
    const char* name;
};
void paintCdfLegend(Canvas& canvas, std::initializer_list<CdfLegendEntry> extra);

// Repaints the whole image. A panel of classes without errors shows its
// frame, levels and labels only. Images that are not 32-bit RGB are
// converted to QImage::Format_RGB32 first.
void paintErrorCdf(QImage& image, const ErrorCdf& cdf);

}  // namespace gnsslog
