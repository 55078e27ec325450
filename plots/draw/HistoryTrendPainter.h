// A monitoring history's trend, one point per day: above, the day's H95
// and V95 in metres; below, its RTK-fixed share and availability in
// percent. Days run left to right on a calendar axis, so a day without
// rows leaves a gap and breaks the lines.
#pragma once

#include <span>

#include <QImage>

#include "plots/series/HistoryTrendSeries.h"

namespace gnsslog {

// The picture's size in the report, pixels.
inline constexpr int kHistoryTrendWidth = 800;
inline constexpr int kHistoryTrendHeight = 500;

// Series colours, 0xRRGGBB.
inline constexpr unsigned kTrendH95Colour = 0x0000E0;
inline constexpr unsigned kTrendV95Colour = 0xD00000;
inline constexpr unsigned kTrendFixColour = 0x008000;
inline constexpr unsigned kTrendAvailabilityColour = 0xE08000;

// Where the two panels lie in an image of a given size.
struct TrendPanels {
    int left = 0;
    int width = 0;
    int metresTop = 0;
    int metresBottom = 0;   // the metres axis' zero
    int percentTop = 0;     // 100 %
    int percentBottom = 0;  // 0 %
};
TrendPanels trendPanels(int imageWidth, int imageHeight) noexcept;

// The largest metres value the upper panel shows for a largest figure:
// 1, 2 or 5 times a power of ten at or above it (1 for none).
double trendMetresTop(double largest) noexcept;

// Repaints the whole image. days in day order (later ones that are not
// later are drawn over); values that are not finite are left out.
// Images that are not 32-bit RGB are converted to QImage::Format_RGB32 first.
void paintHistoryTrend(QImage& image, std::span<const TrendDay> days);

}  // namespace gnsslog
