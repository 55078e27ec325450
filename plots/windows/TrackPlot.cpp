#include "plots/windows/TrackPlot.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include "plots/draw/PlotWindowSizes.h"

namespace gnsslog {

namespace {
using namespace TrackWindowSize;
constexpr int kWheelNotch = 120;  // angleDelta units of one notch
}  // namespace

TTrackImage::TTrackImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
}

void TTrackImage::setSeries(TrackSeries series)
{
    series_ = std::move(series);
    fit();
}

void TTrackImage::followSeries(TrackSeries series)
{
    if (!moved_) {
        setSeries(std::move(series));
        return;
    }
    series_ = std::move(series);
    redraw();
}

void TTrackImage::fit()
{
    moved_ = false;
    view_ = fitTrackView(series_, width(), height());
    fitted_ = width() > 0 && height() > 0;
    redraw();
}

void TTrackImage::redraw()
{
    if (picture_.size() != size()) {
        picture_ = QImage(size(), QImage::Format_RGB32);
    }
    if (picture_.isNull()) {
        return;
    }
    paintTrack(picture_, series_, view_);
    update();
}

void TTrackImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), picture_, event->rect());
}

void TTrackImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!fitted_) {
        fit();
    } else {
        redraw();
    }
}

void TTrackImage::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / static_cast<double>(kWheelNotch);
    if (notches != 0) {
        const QPoint at = event->position().toPoint();
        view_ = zoomTrackView(view_, width(), height(), at.x(), at.y(), std::pow(kZoomPerNotch, notches));
        moved_ = true;
        redraw();
    }
    event->accept();
}

void TTrackImage::mousePressEvent(QMouseEvent* event)
{
    dragFrom_ = event->position().toPoint();
    event->accept();
}

void TTrackImage::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) == 0) {
        return;
    }
    const QPoint at = event->position().toPoint();
    view_ = panTrackView(view_, at.x() - dragFrom_.x(), at.y() - dragFrom_.y());
    moved_ = true;
    dragFrom_ = at;
    redraw();
}

void TTrackImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    fit();
    event->accept();
}

TTrackForm::TTrackForm(const QString& caption, const GNSSLog* analysis, const ReferenceTrajectory* reference)
    : TPlotWindow(caption)
{
    Image1 = new TTrackImage(this);
    setMinimumSize(SmallestClientWidth, SmallestClientHeight);
    resize(DesignedClientWidth, DesignedClientHeight);
    Image1->setGeometry(10, 10, PictureWidth, PictureHeight);
    SetAnalysis(analysis, reference);
}

void TTrackForm::SetAnalysis(const GNSSLog* analysis, const ReferenceTrajectory* reference)
{
    static const std::vector<GNSSRecord> kNoRecords;
    Image1->setSeries(trackSeries(analysis != nullptr ? analysis->records : kNoRecords, reference));
}

void TTrackForm::FollowSeries(TrackSeries series)
{
    Image1->followSeries(std::move(series));
}

void TTrackForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(10, 10, std::max(1, width() - WidthAroundImage), std::max(1, height() - HeightAroundImage));
}


}  // namespace gnsslog
