#include "plots/windows/StanfordPlot.h"

#include <algorithm>

#include <QCloseEvent>
#include <QResizeEvent>

#include "plots/draw/PlotWindowSizes.h"
#include "plots/draw/StanfordPainter.h"

namespace gnsslog {

namespace {
using namespace StanfordWindowSize;
}  // namespace

StanfordDiagrams windowStanfordDiagrams(const GNSSLog& analysis, QString& levelName)
{
    const IntegrityOptions levels = defaultPictureProtection(analysis.records);
    levelName = protectionLevelName(levels);
    if (analysis.accuracy.empty() || analysis.truthUndefined()) {
        return {};
    }
    return computeStanfordDiagrams(analysis.records, analysis.accuracy,
                                   {analysis.truthX(), analysis.truthY(), analysis.truthZ()}, levels);
}

TStanfordPlotForm::TStanfordPlotForm(const QString& caption, const GNSSLog* analysis)
    : TPlotWindow(caption)
{
    Image1 = new TImage(this);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    resize(DesignedClientWidth, DesignedClientHeight);
    SetAnalysis(analysis);
}

void TStanfordPlotForm::SetAnalysis(const GNSSLog* analysis)
{
    Analysis = analysis;
    Diagrams = Analysis != nullptr ? windowStanfordDiagrams(*Analysis, LevelName) : StanfordDiagrams{};
    DrawPlot();
}

void TStanfordPlotForm::DrawPlot()
{
    if (!Image1->fitBitmapToControl()) {
        return;
    }
    if (Analysis == nullptr) {
        Image1->Bitmap.fill(Qt::white);
    } else {
        paintStanfordPlot(Image1->Bitmap, Diagrams, LevelName);
    }
    Image1->update();
}

void TStanfordPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(10, 10, std::max(1, width() - WidthAroundImage),
                        std::max(1, height() - HeightAroundImage));
    DrawPlot();
}


}  // namespace gnsslog
