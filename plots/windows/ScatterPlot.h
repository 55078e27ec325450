// Scatter plot window: the horizontal errors of the loaded log as dots,
// with the RTK-fixed circles, and the error plot's scale choices.
#pragma once

#include <array>

#include <QRadioButton>
#include <QString>
#include <QWidget>

#include "log/Gpslog.h"
#include "metrics/ScatterCircles.h"
#include "plots/series/ErrorSeries.h"
#include "plots/windows/ImageControl.h"
#include "plots/windows/PlotWindow.h"

class QGroupBox;

namespace gnsslog {

class TScatterPlotForm : public TPlotWindow {
    Q_OBJECT
public:
    // No Qt parent: only the main window destroys it. The analysis (may be
    // null: an empty picture) must outlive the window.
    TScatterPlotForm(const QString& caption, const GNSSLog* analysis);
    // With the analysis's circles already computed.
    TScatterPlotForm(const QString& caption, const GNSSLog* analysis, const ScatterCircles& circles);

    // Shows another analysis; the scale choice stays.
    void SetAnalysis(const GNSSLog* analysis);
    void SetAnalysis(const GNSSLog* analysis, const ScatterCircles& circles);

    PlotScale scale() const;
    void setScale(PlotScale scale);
    void DrawPlot();

    const GNSSLog* Analysis = nullptr;
    ScatterCircles Circles;
    TImage* Image1 = nullptr;
    QGroupBox* ScaleGroup = nullptr;
    std::array<QRadioButton*, 6> ScaleButtons{};  // indexed by PlotScale


protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace gnsslog
