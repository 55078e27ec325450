#include "plots/windows/HistoPlot.h"

#include <algorithm>

#include <QCloseEvent>
#include <QMoveEvent>
#include <QResizeEvent>

#include "plots/draw/HistogramPainter.h"
#include "plots/draw/PlotWindowSizes.h"

namespace gnsslog {

namespace {
using namespace HistogramWindowSize;
}  // namespace

TPlotForm::TPlotForm(QWidget* mainWindow, const QString& caption, const Histogram* histogram)
    : TPlotWindow(caption),
      ShownHistogram(histogram),
      mainWindow_(mainWindow)
{
    Image1 = new TImage(this);
    Image1->setGeometry(10, 10, 1000, 100);
    setMinimumSize(SmallestImage + WidthAroundImage, SmallestImage + HeightAroundImage);
    resize(DesignedClientWidth, DesignedClientHeight);
}

void TPlotForm::SetHistogram(const QString& caption, const Histogram* histogram)
{
    setWindowTitle(caption);
    ShownHistogram = histogram;
    DrawHistogram();
}

void TPlotForm::FormResize()
{
    // The outer size, borders and caption included, as the window system
    // reports it; the minimum keeps the image at least 100 x 100.
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    laidOutFrame_ = frame;
    setMinimumSize(std::max(0, SmallestImage + WidthAroundImage - frame.width()),
                   std::max(0, SmallestImage + HeightAroundImage - frame.height()));
    const int width = std::max(SmallestImage, outer.width() - WidthAroundImage);
    const int height = std::max(SmallestImage, outer.height() - HeightAroundImage);
    Image1->resize(width, height);
    if (Image1->Bitmap.size() != QSize(width, height)) {
        // A resized bitmap keeps no old picture; an empty histogram then shows white.
        Image1->Bitmap = QImage(width, height, QImage::Format_RGB32);
        Image1->Bitmap.fill(Qt::white);
    }
    DrawHistogram();
}

void TPlotForm::DrawHistogram()
{
    const bool empty = ShownHistogram == nullptr || ShownHistogram->peakCount() == 0;
    if (empty && !EmptyNote.isEmpty()) {
        paintEmptyHistogram(Image1->Bitmap, EmptyNote);
    } else if (ShownHistogram != nullptr) {
        paintHistogram(Image1->Bitmap, *ShownHistogram);
    }
    Image1->update();
}

void TPlotForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (frameGeometry().size() - size() != laidOutFrame_) {
        FormResize();
    }
}


void TPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

}  // namespace gnsslog
