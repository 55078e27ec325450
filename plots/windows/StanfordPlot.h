// Stanford plot window: the loaded log's errors against its protection
// levels (the receiver's own where the log gives them, else 5.33 sigma),
// horizontal and vertical side by side.
#pragma once

#include <QString>
#include <QWidget>

#include "log/Gpslog.h"
#include "metrics/StanfordDiagram.h"
#include "plots/windows/ImageControl.h"
#include "plots/windows/PlotWindow.h"

namespace gnsslog {

class TStanfordPlotForm : public TPlotWindow {
    Q_OBJECT
public:
    // No Qt parent: only the main window destroys it. The analysis (may be
    // null: an empty picture) must outlive the window.
    TStanfordPlotForm(const QString& caption, const GNSSLog* analysis);

    void SetAnalysis(const GNSSLog* analysis);
    void DrawPlot();

    const GNSSLog* Analysis = nullptr;
    StanfordDiagrams Diagrams;
    QString LevelName;
    TImage* Image1 = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The diagrams a window shows for an analysis: none without accuracy
// figures or a truth.
StanfordDiagrams windowStanfordDiagrams(const GNSSLog& analysis, QString& levelName);

}  // namespace gnsslog
