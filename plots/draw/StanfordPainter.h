// The Stanford plot: for the horizontal (left panel) and the vertical
// direction (right panel), each epoch's error against its protection
// level as a 2-D histogram on logarithmic axes, the bins coloured by their
// count on a logarithmic scale, the diagonal where the error equals the
// level, the alert limit's lines where there is one, and the epochs of
// each region written in its corner.
#pragma once

#include <QImage>
#include <QString>

#include "metrics/StanfordDiagram.h"

namespace gnsslog {

// One panel's square plot area in an image of a given size.
struct StanfordPanel {
    int left = 0;
    int top = 0;
    int side = 0;
    int bottom() const noexcept { return top + side; }
    // Pixel column and row of a value on the axes.
    int columnOf(const StanfordDiagram& d, double metres) const noexcept;
    int rowOf(const StanfordDiagram& d, double metres) const noexcept;
};
// panel 0: horizontal, panel 1: vertical.
StanfordPanel stanfordPanel(int imageWidth, int imageHeight, int panel) noexcept;

// The colour of a bin of count epochs (1 .. peak), 0xRRGGBB: blue for one
// epoch through cyan and yellow to red for the fullest, by log(count).
unsigned stanfordBinColour(std::int64_t count, std::int64_t peak) noexcept;

// What the levels of options are, for the axis: "protection level" or
// "K sigma".
QString protectionLevelName(const IntegrityOptions& options);

// Repaints the whole image. levelName says what the level is ("protection
// level", "5.33 sigma"). Images that are not 32-bit RGB are converted to
// QImage::Format_RGB32 first.
void paintStanfordPlot(QImage& image, const StanfordDiagrams& diagrams, const QString& levelName);

}  // namespace gnsslog
