// The History window's picture: a history's trend painted by the report
// tool's painter at the control's size, again whenever the days or the
// size change. At the report's size (800 x 500) it is the report's picture.
#pragma once

#include <vector>

#include "history/HistoryTrend.h"
#include "plots/draw/HistoryTrendPainter.h"
#include "plots/windows/ImageControl.h"

class QResizeEvent;

namespace gnsslog {

// The painter's days of a history's days, in their order; a day whose text
// is no date is left out (another writer may have spelt one differently).
std::vector<TrendDay> trendDaysOf(const std::vector<HistoryDay>& days);

class THistoryTrendImage : public TImage {
public:
    explicit THistoryTrendImage(QWidget* parent);

    // Paints these days (none: the painter's "nothing yet" picture).
    void SetDays(std::vector<TrendDay> days);
    const std::vector<TrendDay>& days() const noexcept { return days_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintTrend();

    std::vector<TrendDay> days_;
};

}  // namespace gnsslog
