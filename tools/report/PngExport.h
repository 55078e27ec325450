// Writes the pictures the application shows after a load with its default
// menus (every View item checked, Autoscale, every curve on, full-log view)
// as PNG files, drawn by the same painters as the windows.
#pragma once

#include <string>

#include "log/Gpslog.h"

namespace gnsslog {

// Image sizes of the windows at their designed client sizes. FormResize
// works from the outer size; the frame assumed here is the one the forms
// were designed with: 4-pixel sizable borders (642 client -> 650 outer, as
// the error plot's smallest outer width shows) and a 19-pixel caption bar,
// so outer = client + (8, 27).
//   Histogram: client 324 x 327 -> outer 332 x 354 -> image 312 x 294.
//   Error plot: client 642 x 438 -> outer 650 x 465 -> image 530 x 385.
inline constexpr int HistogramPictureWidth = 312;
inline constexpr int HistogramPictureHeight = 294;
inline constexpr int ErrorPlotPictureWidth = 530;
inline constexpr int ErrorPlotPictureHeight = 385;

// Writes x-histogram.png, y-histogram.png, z-histogram.png,
// 3d-rtk-fix-position.png, 3d-rtk-x-position.png (histogram size above) and
// xyz-plot.png (plotWidth x plotHeight pixels) into dir, creating it if
// needed. An empty histogram gives a white picture. Needs QtGui: when no
// application object exists, a QGuiApplication on the offscreen platform is
// created and kept until exit. Returns an empty string on success, else a
// message naming the directory or file that failed. Does not throw.
std::string exportPictures(const GNSSLog& analysis, const std::string& dir, int plotWidth,
                           int plotHeight);

}  // namespace gnsslog
