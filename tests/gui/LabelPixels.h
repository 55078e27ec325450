// Finding text labels in a painted picture: a label is there when the
// picture holds, at its place, exactly the pixels the canvas draws for it
// on its own. Labels that run into each other are not whole any more, and
// their left-over black pixels are counted apart.
#pragma once

#include <QImage>
#include <QString>

#include <algorithm>
#include <vector>

#include "plots/draw/CanvasPainter.h"

namespace gnsslog::plottest {

constexpr QRgb kLabelInk = 0xFF000000;

// The label alone: its cell as the canvas draws it, black on white.
inline QImage labelAlone(const QString& text)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    Canvas measure(probe);
    QImage cell(std::max(1, measure.textWidth(text)), 40, QImage::Format_RGB32);
    cell.fill(Qt::white);
    Canvas canvas(cell);
    canvas.textOut(0, 0, text);
    return cell;
}

inline int inkIn(const QImage& image, int x1, int y1, int x2, int y2)
{
    int ink = 0;
    for (int y = std::max(0, y1); y < std::min(y2, image.height()); ++y) {
        for (int x = std::max(0, x1); x < std::min(x2, image.width()); ++x) {
            ink += image.pixel(x, y) == kLabelInk ? 1 : 0;
        }
    }
    return ink;
}

// Whether image holds label's ink, and only that, where its cell would
// have its top-left corner at (x, top).
inline bool labelWholeAt(const QImage& image, const QImage& label, int x, int top)
{
    if (x < 0 || x + label.width() > image.width()) {
        return false;
    }
    for (int dy = 0; dy < label.height() && top + dy < image.height(); ++dy) {
        for (int dx = 0; dx < label.width(); ++dx) {
            const bool ink = label.pixel(dx, dy) == kLabelInk;
            if (ink != (image.pixel(x + dx, top + dy) == kLabelInk)) {
                return false;
            }
        }
    }
    return true;
}

struct FoundLabel {
    int left = 0;
    int right = 0;  // one past its cell
};

}  // namespace gnsslog::plottest
