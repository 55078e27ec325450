// Histogram window: one error histogram as a bar chart.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include "plots/windows/ImageControl.h"
#include "plots/draw/PlotWindowSizes.h"
#include "stats/Histogram.h"
#include "plots/windows/PlotWindow.h"

namespace gnsslog {

class TPlotForm : public TPlotWindow {
    Q_OBJECT
public:
    // The window has no Qt parent: only the main window destroys it. It
    // paints nothing until it is shown and FormResize gives it a size. The
    // histogram (may be null: nothing is drawn) must outlive the window.
    TPlotForm(QWidget* mainWindow, const QString& caption, const Histogram* histogram);

    // Shows another histogram under another caption and repaints.
    void SetHistogram(const QString& caption, const Histogram* histogram);

    // Lays out the image from the outer (frame) size, resizes its bitmap and
    // repaints.
    void FormResize();
    void DrawHistogram();

    const Histogram* ShownHistogram = nullptr;
    // Shown centred when the histogram has no samples (why it has none);
    // without one such a window keeps its picture.
    QString EmptyNote;
    TImage* Image1 = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;
    // A window manager frames a shown window without resizing it; the
    // layout follows the outer size, so a new frame lays it out again.
    void moveEvent(QMoveEvent* event) override;

private:
    QWidget* mainWindow_;
    QSize laidOutFrame_;  // the frame FormResize last worked with
};

}  // namespace gnsslog
