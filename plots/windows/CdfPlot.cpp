#include "plots/windows/CdfPlot.h"

#include <algorithm>

#include <QCloseEvent>
#include <QResizeEvent>

#include "plots/draw/CdfPainter.h"
#include "plots/draw/PlotWindowSizes.h"

namespace gnsslog {

namespace {
using namespace CdfWindowSize;
}  // namespace

TCdfPlotForm::TCdfPlotForm(const QString& caption, const GNSSLog* analysis)
    : TCdfPlotForm(caption, analysis, analysis != nullptr ? computeErrorCdf(*analysis, kCdfBins) : ErrorCdf{})
{
}

TCdfPlotForm::TCdfPlotForm(const QString& caption, const GNSSLog* analysis, const ErrorCdf& cdf)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowMinMaxButtonsHint)
{
    setWindowTitle(caption);
    Image1 = new TImage(this);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    resize(DesignedClientWidth, DesignedClientHeight);
    SetAnalysis(analysis, cdf);
}

void TCdfPlotForm::SetAnalysis(const GNSSLog* analysis)
{
    SetAnalysis(analysis, analysis != nullptr ? computeErrorCdf(*analysis, kCdfBins) : ErrorCdf{});
}

void TCdfPlotForm::SetAnalysis(const GNSSLog* analysis, const ErrorCdf& cdf)
{
    Analysis = analysis;
    Cdf = Analysis != nullptr ? cdf : ErrorCdf{};
    DrawPlot();
}

void TCdfPlotForm::DrawPlot()
{
    if (!Image1->fitBitmapToControl()) {
        return;
    }
    if (Analysis == nullptr) {
        Image1->Bitmap.fill(Qt::white);
    } else {
        paintErrorCdf(Image1->Bitmap, Cdf);
    }
    Image1->update();
}

void TCdfPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(10, 10, std::max(1, width() - WidthAroundImage), std::max(1, height() - HeightAroundImage));
    DrawPlot();
}

void TCdfPlotForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

}  // namespace gnsslog
