#include "plots/windows/ScatterPlot.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGroupBox>
#include <QResizeEvent>

#include "plots/draw/PlotWindowSizes.h"
#include "plots/draw/ScatterPainter.h"

namespace gnsslog {

namespace {
using namespace ScatterWindowSize;
constexpr int GroupHeight = 116;
}  // namespace

TScatterPlotForm::TScatterPlotForm(const QString& caption, const GNSSLog* analysis)
    : TScatterPlotForm(caption, analysis, analysis != nullptr ? rtkFixedCircles(*analysis) : ScatterCircles{})
{
}

TScatterPlotForm::TScatterPlotForm(const QString& caption, const GNSSLog* analysis, const ScatterCircles& circles)
    : TPlotWindow(caption)
{
    Image1 = new TImage(this);
    ScaleGroup = new QGroupBox(QStringLiteral("Scale"), this);
    ScaleGroup->resize(ControlColumn - 10, GroupHeight);
    const char* const captions[] = {"Autoscale", "0.05 m", "0.1 m", "0.2 m", "0.5 m", "1.0 m"};
    for (std::size_t i = 0; i < ScaleButtons.size(); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(captions[i]), ScaleGroup);
        button->setGeometry(5, 15 + 15 * static_cast<int>(i), ControlColumn - 15, 20);
        connect(button, &QRadioButton::clicked, this, [this] { DrawPlot(); });
        ScaleButtons[i] = button;
    }
    ScaleButtons[0]->setChecked(true);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    resize(DesignedClientWidth, DesignedClientHeight);
    SetAnalysis(analysis, circles);
}

void TScatterPlotForm::SetAnalysis(const GNSSLog* analysis)
{
    SetAnalysis(analysis, analysis != nullptr ? rtkFixedCircles(*analysis) : ScatterCircles{});
}

void TScatterPlotForm::SetAnalysis(const GNSSLog* analysis, const ScatterCircles& circles)
{
    Analysis = analysis;
    Circles = Analysis != nullptr ? circles : ScatterCircles{};
    DrawPlot();
}

PlotScale TScatterPlotForm::scale() const
{
    for (std::size_t i = 0; i < ScaleButtons.size(); ++i) {
        if (ScaleButtons[i]->isChecked()) {
            return static_cast<PlotScale>(i);
        }
    }
    return PlotScale::Autoscale;
}

void TScatterPlotForm::setScale(PlotScale scale)
{
    const auto index = static_cast<std::size_t>(scale);
    if (index < ScaleButtons.size()) {
        ScaleButtons[index]->setChecked(true);
        DrawPlot();
    }
}

void TScatterPlotForm::DrawPlot()
{
    if (!Image1->fitBitmapToControl()) {
        return;
    }
    if (Analysis == nullptr) {
        Image1->Bitmap.fill(Qt::white);
    } else {
        const double range = scale() == PlotScale::Autoscale ? scatterAutoscaleRange(*Analysis, Circles)
                                                            : scaleRange(scale(), *Analysis);
        paintScatterPlot(Image1->Bitmap, *Analysis, Circles, range);
    }
    Image1->update();
}

void TScatterPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(10, 10, std::max(1, width() - WidthAroundImage), std::max(1, height() - HeightAroundImage));
    ScaleGroup->move(width() - ControlColumn, 10);
    DrawPlot();
}


}  // namespace gnsslog
