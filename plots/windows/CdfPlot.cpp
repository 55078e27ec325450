#include "plots/windows/CdfPlot.h"

#include <algorithm>

#include <QCloseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "plots/draw/CdfPainter.h"
#include "plots/draw/NormalisedCdfPainter.h"
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
    : TPlotWindow(caption)
{
    Image1 = new TImage(this);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    const bool twoRows = analysis != nullptr && !analysis->accuracy.empty();
    resize(DesignedClientWidth, twoRows ? 2 * DesignedClientHeight : DesignedClientHeight);
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
    HasNormalised = Analysis != nullptr && !Analysis->accuracy.empty() && !Analysis->truthUndefined();
    Normalised = HasNormalised ? computeNormalisedCdf(Analysis->records, Analysis->accuracy,
                                                      {Analysis->truthX(), Analysis->truthY(),
                                                       Analysis->truthZ()},
                                                      kNormalisedCdfBins)
                               : NormalisedCdf{};
    DrawPlot();
}

void TCdfPlotForm::DrawPlot()
{
    if (!Image1->fitBitmapToControl()) {
        return;
    }
    QImage& bitmap = Image1->Bitmap;
    if (Analysis == nullptr) {
        bitmap.fill(Qt::white);
    } else if (!HasNormalised) {
        paintErrorCdf(bitmap, Cdf);
    } else {
        // Two rows: the errors above, the normalised errors below.
        const int upper = bitmap.height() / 2;
        QImage errors(bitmap.width(), upper, QImage::Format_RGB32);
        QImage normalised(bitmap.width(), bitmap.height() - upper, QImage::Format_RGB32);
        paintErrorCdf(errors, Cdf);
        paintNormalisedCdf(normalised, Normalised);
        QPainter painter(&bitmap);
        painter.drawImage(0, 0, errors);
        painter.drawImage(0, upper, normalised);
    }
    Image1->update();
}

void TCdfPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(10, 10, std::max(1, width() - WidthAroundImage), std::max(1, height() - HeightAroundImage));
    DrawPlot();
}


}  // namespace gnsslog
