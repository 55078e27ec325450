// Error plot window: X, Y, Z and 3-D errors, the error estimate, satellite
// counts and DOP against time, with scale choice, curve check boxes, zoom
// through a pop-up menu and the wheel, and a status-bar read-out.
#pragma once

#include <array>
#include <memory>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QSize>
#include <QString>
#include <QWidget>

#include "plots/draw/ErrorPlotPainter.h"
#include "plots/series/ColumnContents.h"
#include "plots/series/ErrorPlotIndex.h"
#include "plots/series/ErrorSeries.h"
#include "plots/windows/ImageControl.h"
#include "plots/draw/PlotWindowSizes.h"
#include "plots/windows/StatusPanel.h"
#include "plots/windows/PlotWindow.h"

namespace gnsslog {

class TXYPlotForm : public TPlotWindow {
    Q_OBJECT
public:
    // The window has no Qt parent: only the main window destroys it. Builds
    // the series for the full log; paints nothing until it is shown. The
    // analysis (may be null: an empty plot) must outlive the window. The
    // index of the analysis is built here where none is given.
    TXYPlotForm(QWidget* mainWindow, const QString& caption, const GNSSLog* analysis,
                std::shared_ptr<const ErrorPlotIndex> index = nullptr);
    ~TXYPlotForm() override;

    // Shows another analysis: full-log view, no hovered time, repaint. The
    // caption, scale and check boxes stay.
    void SetAnalysis(const GNSSLog* analysis, std::shared_ptr<const ErrorPlotIndex> index = nullptr);
    // The same log grown (a live source): zoomed in, the view keeps its
    // time window; otherwise as SetAnalysis, the newest epoch at the right.
    void FollowAnalysis(const GNSSLog* analysis, std::shared_ptr<const ErrorPlotIndex> index);

    // Handlers, named after their controls and events.
    void FormResize();
    void DrawPlot();
    void Image1MouseMove(int x, int y);
    void RadioButton2Click();
    void CheckBox1Click();
    void Center1Click();
    void Zoomin1Click();
    void Zoomout1Click();
    void Resetzoom1Click();
    void XYPlotFormMouseWheel(int wheelDelta);

    // The scale and curve choices as the painter takes them, read from the
    // radio buttons and check boxes.
    ErrorPlotView currentView() const;
    // Sets the radio buttons and check boxes to another window's choices
    // (scale and curves of a currentView()); repaints when shown.
    void applyChoices(const ErrorPlotView& choices);
    QString panelText(int panel) const;

    const GNSSLog* Analysis = nullptr;
    std::unique_ptr<PointStore> Series;
    DenseColumns Columns;  // what every column of Series's window holds
    PlotViewState View;  // ZoomLevel, CentreTime, TimeSpan, HoveredTime

    TImage* Image1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<StatusPanel*, 8> StatusPanels{};
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QRadioButton* RadioButton6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox8 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Center1 = nullptr;
    QAction* Zoomin1 = nullptr;
    QAction* Zoomout1 = nullptr;
    QAction* Resetzoom1 = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;
    // A window manager frames a shown window without resizing it; the
    // layout follows the outer size, so a new frame lays it out again.
    void moveEvent(QMoveEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void createControls();
    void createStatusBar();
    void createScaleGroup();
    void createCheckBoxes();
    void createPopupMenu();
    void rebuildSeries();
    void showSample(const GNSSRecord& sample);  // in the status line
    void showLastEpoch();

    QWidget* mainWindow_;
    QSize laidOutFrame_;  // the frame FormResize last worked with
    std::shared_ptr<const ErrorPlotIndex> index_;  // of Analysis, for fast rebuilds
};

}  // namespace gnsslog
