// Track window: the log's positions coloured by fix type over the
// reference trajectory's line, equal axes in metres; the mouse wheel
// zooms about the pointer, a drag pans, a double click fits the track.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "log/Gpslog.h"
#include "plots/draw/TrackPainter.h"
#include "plots/series/TrackSeries.h"
#include "reference/ReferenceTrajectory.h"
#include "plots/windows/PlotWindow.h"

namespace gnsslog {

// The picture, zoomed and panned with the mouse; paintEvent only copies it.
class TTrackImage : public QWidget {
public:
    explicit TTrackImage(QWidget* parent);

    // Shows a new series, fitted to the picture.
    void setSeries(TrackSeries series);
    // The same log grown (a live source): zoomed or panned, the view stays;
    // otherwise as setSeries.
    void followSeries(TrackSeries series);
    void fit();
    const TrackView& view() const noexcept { return view_; }
    const TrackSeries& series() const noexcept { return series_; }
    const QImage& picture() const noexcept { return picture_; }

    // Each wheel notch zooms by this factor.
    static constexpr double kZoomPerNotch = 1.25;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void redraw();

    TrackSeries series_;
    TrackView view_;
    QImage picture_;
    QPoint dragFrom_;
    bool fitted_ = false;  // fit once the widget has its size
    bool moved_ = false;   // zoomed or panned since the last fit
};

class TTrackForm : public TPlotWindow {
    Q_OBJECT
public:
    // No Qt parent: only the main window destroys it. The analysis may be
    // null (an empty picture) and reference null (none).
    TTrackForm(const QString& caption, const GNSSLog* analysis, const ReferenceTrajectory* reference);

    void SetAnalysis(const GNSSLog* analysis, const ReferenceTrajectory* reference);
    // A live source's grown log, its series built off the window thread.
    void FollowSeries(TrackSeries series);

    TTrackImage* Image1 = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace gnsslog
