// Sessions window: the loaded log's sessions as a lane chart and as the
// share of sessions fixed against the time to first fix, above a table
// of the sessions and the summary across them.
#pragma once

#include <memory>

#include <QString>
#include <QWidget>

#include "log/Gpslog.h"
#include "metrics/SessionSummary.h"
#include "plots/windows/ImageControl.h"
#include "plots/windows/PlotWindow.h"

class QLabel;
class QTableWidget;

namespace gnsslog {

class TSessionsForm : public TPlotWindow {
    Q_OBJECT
public:
    // No Qt parent: only the main window destroys it. The sessions are
    // computed off the window thread with the analysis; null (or a null
    // analysis): empty pictures and table. The analysis must outlive the
    // window.
    TSessionsForm(const QString& caption, const GNSSLog* analysis,
                  std::shared_ptr<const SessionAnalysis> sessions);

    void SetAnalysis(const GNSSLog* analysis, std::shared_ptr<const SessionAnalysis> sessions);
    void DrawPlots();

    const GNSSLog* Analysis = nullptr;
    std::shared_ptr<const SessionAnalysis> Sessions;  // never null
    TImage* LanesImage = nullptr;
    TImage* CdfImage = nullptr;
    QLabel* SummaryLabel = nullptr;
    QTableWidget* Table = nullptr;


protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillTable();
    // Places the pictures, summary and table in the client and repaints.
    void layOut();
};

}  // namespace gnsslog
