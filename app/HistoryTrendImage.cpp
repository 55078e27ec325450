#include "app/HistoryTrendImage.h"

#include <QResizeEvent>

namespace gnsslog {

namespace {

// Below this the painter's two panels and their labels no longer fit, pixels.
constexpr int kSmallestWidth = 320;
constexpr int kSmallestHeight = 220;

}  // namespace

THistoryTrendImage::THistoryTrendImage(QWidget* parent) : TImage(parent)
{
    setObjectName(QStringLiteral("Picture"));
    setMinimumSize(kSmallestWidth, kSmallestHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void THistoryTrendImage::SetDays(std::vector<TrendDay> days)
{
    days_ = std::move(days);
    paintTrend();
}

void THistoryTrendImage::resizeEvent(QResizeEvent* event)
{
    TImage::resizeEvent(event);
    paintTrend();
}

void THistoryTrendImage::paintTrend()
{
    if (!fitBitmapToControl()) {
        return;
    }
    paintHistoryTrend(Bitmap, days_);
    update();
}

}  // namespace gnsslog
