// Where a new plot window goes: the first place, top to bottom and then
// left to right, inside the screen's available area that overlaps neither
// the main window nor the windows already there; where the screen has no
// such place, the place that covers least of them (of the always-on-top
// main window above all); for a window larger than the area, a cascade
// from its top-left corner. Rectangles are outer (frame) rectangles; the
// main window's comes first in taken.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace gnsslog {

// Top-left corner of the outer rectangle for a window of outer size size.
// cascadeIndex numbers the windows placed by cascade (0, 1, ...).
QPoint placeWindow(const QRect& available, const std::vector<QRect>& taken, QSize size, int cascadeIndex);

}  // namespace gnsslog
