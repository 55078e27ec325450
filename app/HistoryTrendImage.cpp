#include "app/HistoryTrendImage.h"

#include <QResizeEvent>

#include "history/HistoryDays.h"

namespace gnsslog {

namespace {

// Below this the painter's two panels and their labels no longer fit, pixels.
constexpr int kSmallestWidth = 320;
constexpr int kSmallestHeight = 220;

}  // namespace

std::vector<TrendDay> trendDaysOf(const std::vector<HistoryDay>& days)
{
    std::vector<TrendDay> trend;
    trend.reserve(days.size());
    for (const HistoryDay& d : days) {
        if (const std::optional<std::int64_t> number = parseDay(d.day)) {
            trend.push_back({*number, d.day, d.horizontal95, d.vertical95, d.fixShare, d.availability});
        }
    }
    return trend;
}

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
