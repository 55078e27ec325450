// Error CDF window: the cumulative shares of the horizontal and vertical
// errors of the loaded log per solution class; for a log that states its
// own accuracy, the normalised errors' shares in a second row below.
#pragma once

#include <QString>
#include <QWidget>

#include "log/Gpslog.h"
#include "metrics/ErrorCdf.h"
#include "metrics/NormalisedCdf.h"
#include "plots/windows/ImageControl.h"
#include "plots/windows/PlotWindow.h"

namespace gnsslog {

// Bins of the window's distribution: finer than any picture is wide.
inline constexpr std::size_t kCdfBins = 2000;

class TCdfPlotForm : public TPlotWindow {
    Q_OBJECT
public:
    // No Qt parent: only the main window destroys it. The analysis (may be
    // null: an empty picture) must outlive the window.
    TCdfPlotForm(const QString& caption, const GNSSLog* analysis);
    // With the analysis's distribution already computed (kCdfBins bins).
    TCdfPlotForm(const QString& caption, const GNSSLog* analysis, const ErrorCdf& cdf);

    void SetAnalysis(const GNSSLog* analysis);
    void SetAnalysis(const GNSSLog* analysis, const ErrorCdf& cdf);
    void DrawPlot();

    const GNSSLog* Analysis = nullptr;
    ErrorCdf Cdf;
    bool HasNormalised = false;  // the analysis states its accuracy and has a truth
    NormalisedCdf Normalised;
    TImage* Image1 = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace gnsslog
