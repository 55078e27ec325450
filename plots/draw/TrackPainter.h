// The track picture: a reference trajectory as a line and the log's
// positions as dots in their fix type's colours, on equal axes in metres
// (east to the right, north up), with a scale bar and a legend.
#pragma once

#include <QImage>

#include "plots/series/TrackSeries.h"

namespace gnsslog {

// What part of the plane the picture shows.
struct TrackView {
    double centreEast = 0;   // metres, at the image's centre
    double centreNorth = 0;
    double pixelsPerMetre = 1;  // > 0
};

// Every point inside a width x height image with a margin; pixelsPerMetre
// 1 for an empty series, and at most kMostPixelsPerMetre.
TrackView fitTrackView(const TrackSeries& series, int width, int height) noexcept;

// Zoomed by factor (> 1 nearer) about the image pixel (x, y), which keeps
// showing the same point; pixelsPerMetre stays within
// kFewestPixelsPerMetre..kMostPixelsPerMetre.
TrackView zoomTrackView(const TrackView& view, int width, int height, int x, int y, double factor) noexcept;

// Moved so that the picture follows a drag of dx, dy pixels.
TrackView panTrackView(const TrackView& view, int dx, int dy) noexcept;

inline constexpr double kMostPixelsPerMetre = 1e4;    // 0.1 mm a pixel
inline constexpr double kFewestPixelsPerMetre = 1e-5;  // 100 km a pixel

// The scale bar's length, metres: 1, 2 or 5 times a power of ten, the
// longest not over maxPixels at this scale.
double scaleBarMetres(double pixelsPerMetre, int maxPixels) noexcept;

inline constexpr unsigned kTrackReferenceColour = 0x000000;  // black

// Repaints the whole image. Images that are not 32-bit RGB are converted
// to QImage::Format_RGB32 first.
void paintTrack(QImage& image, const TrackSeries& series, const TrackView& view);

}  // namespace gnsslog
