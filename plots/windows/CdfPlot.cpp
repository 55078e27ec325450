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
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowMinMaxButtonsHint)
{
    setWindowTitle(caption);
    Image1 = new TImage(this);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    resize(DesignedClientWidth, DesignedClientHeight);
    SetAnalysis(analysis);
}

void TCdfPlotForm::SetAnalysis(const GNSSLog* analysis)
{
    Analysis = analysis;
    Cdf = Analysis != nullptr ? computeErrorCdf(*Analysis, kCdfBins) : ErrorCdf{};
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
