// The pictures the application shows after a load with its default menus
// (every View item checked, Autoscale, every curve on, full-log view),
// drawn by the same painters as the windows, in memory or as PNG files.
#pragma once

#include <string>
#include <vector>

#include <QImage>

#include "log/Gpslog.h"
#include "metrics/Integrity.h"
#include "metrics/SessionSummary.h"
#include "plots/draw/PlotWindowSizes.h"
#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

// Picture sizes of the windows at their designed client sizes.
inline constexpr int HistogramPictureWidth = HistogramWindowSize::PictureWidth;
inline constexpr int HistogramPictureHeight = HistogramWindowSize::PictureHeight;
inline constexpr int ErrorPlotPictureWidth = ErrorPlotWindowSize::PictureWidth;
inline constexpr int ErrorPlotPictureHeight = ErrorPlotWindowSize::PictureHeight;
inline constexpr int ScatterPictureWidth = ScatterWindowSize::PictureWidth;
inline constexpr int ScatterPictureHeight = ScatterWindowSize::PictureHeight;
inline constexpr int CdfPictureWidth = CdfWindowSize::PictureWidth;
inline constexpr int CdfPictureHeight = CdfWindowSize::PictureHeight;
inline constexpr int SessionsPictureWidth = CdfWindowSize::PictureWidth;
inline constexpr int SessionsPictureHeight = CdfWindowSize::PictureHeight;
inline constexpr int TrackPictureWidth = TrackWindowSize::PictureWidth;
inline constexpr int TrackPictureHeight = TrackWindowSize::PictureHeight;
inline constexpr int StanfordPictureWidth = StanfordWindowSize::PictureWidth;
inline constexpr int StanfordPictureHeight = StanfordWindowSize::PictureHeight;

// What the track picture draws: the log's own positions (not its errors)
// over the reference's line.
struct TrackSource {
    const std::vector<GNSSRecord>& positions;
    const ReferenceTrajectory& reference;
};

struct ReportPicture {
    const char* file;   // PNG file name in the export folder
    const char* title;  // caption in the HTML report
    QImage image;
};

// Draws the six pictures in this order: histograms of X, Y and Z, 3-D RTK
// fixed and 3-D RTK-X (histogram size above; an empty histogram gives a
// white picture), then the error plot (plotWidth x plotHeight pixels).
// Needs QtGui: when no application object exists, a QGuiApplication on the
// offscreen platform is created and kept until exit. Returns an empty
// string on success, else why not. Does not throw.
std::string drawReportPictures(const GNSSLog& analysis, int plotWidth, int plotHeight,
                               std::vector<ReportPicture>& pictures);

// Appends the pictures of the two windows that open only on request: the
// scatter plot (Autoscale) and the error CDF, at their windows' designed
// sizes. As drawReportPictures otherwise.
std::string drawRequestedWindowPictures(const GNSSLog& analysis, std::vector<ReportPicture>& pictures);

// Appends the sessions' lane chart and their time-to-fix CDF (sessions
// measured on analysis.records). As drawReportPictures otherwise.
std::string drawSessionPictures(const GNSSLog& analysis, const SessionAnalysis& sessions,
                                std::vector<ReportPicture>& pictures);

// Appends the Track window's picture of the records' positions over the
// reference's line, the whole track in view. As drawReportPictures otherwise.
std::string drawTrackPicture(const TrackSource& track, std::vector<ReportPicture>& pictures);

// Appends, for a log that gives its own accuracy and has a truth, the
// Stanford plot (each epoch's error against its protection level: the
// options' levels, or where protection is null the receiver's own where
// the log gives them, else 5.33 sigma) and the normalised error CDF.
// Nothing for any other log. As drawReportPictures otherwise.
std::string drawHonestyPictures(const GNSSLog& analysis, const IntegrityOptions* protection,
                                std::vector<ReportPicture>& pictures);

// Writes the six pictures as x-histogram.png, y-histogram.png,
// z-histogram.png, 3d-rtk-fix-position.png, 3d-rtk-x-position.png and
// xyz-plot.png, then scatter.png and cdf.png, then sessions.png and
// ttf-cdf.png, with a track (may be null) track.png, and for a log with
// its own accuracy stanford.png and normalised-cdf.png, into dir,
// creating it if needed. Returns an empty string on
// success, else a message naming the directory or file that failed. Does
// not throw.
std::string exportPictures(const GNSSLog& analysis, const std::string& dir, int plotWidth,
                           int plotHeight, const SessionAnalysis& sessions,
                           const TrackSource* track = nullptr,
                           const IntegrityOptions* protection = nullptr);

// Makes the offscreen QGuiApplication the pictures need, if no
// application object exists; call it on the main thread before drawing on
// others. False when another kind of application exists.
bool ensureGuiApplication();

// The picture's PNG file bytes; empty if it cannot be encoded.
std::string encodePng(const QImage& image);

}  // namespace gnsslog
