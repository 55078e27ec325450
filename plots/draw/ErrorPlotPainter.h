// The error plot: curves of a PointStore against pixel columns, drawn into
// a bitmap, with frame, grid, scale labels and the fix-type strip.
#pragma once

#include <array>

#include <QImage>

#include "plots/series/ColumnContents.h"
#include "plots/series/ErrorSeries.h"

namespace gnsslog {

struct ErrorPlotView {
    PlotScale scale = PlotScale::Autoscale;
    const GNSSLog* analysis = nullptr;  // for Autoscale; null counts as no maxima
    // Check states indexed by Curve (CheckBox1..CheckBox8).
    std::array<bool, CurveCount> curves = {true, true, true, true, true, true, true, true};
};

// Colour of a fixType in the fix-type strip, as 0xRRGGBB.
unsigned fixStripColour(std::uint8_t fixType) noexcept;

// Curve colour of a check box / curve, as 0xRRGGBB.
unsigned curveColour(Curve curve) noexcept;

// Repaints the whole image. A null series gives a white image only; an
// empty one adds frame, grid and labels. Images that are not 32-bit RGB are
// converted to QImage::Format_RGB32 first. With the window's dense columns
// (may be null) curves break at gaps in the data, and where columns hold
// more than one epoch each curve is drawn as its per-column span and the
// strip as the share of each fix class.
void paintErrorPlot(QImage& image, const PointStore* series, const ErrorPlotView& view,
                    const DenseColumns* dense = nullptr);

}  // namespace gnsslog
