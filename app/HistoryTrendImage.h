// The History window's picture: a history's trend painted by the report's
// trend painter at the control's size, again whenever the days or the size
// change. At the report's size (800 x 500) it is the report's picture.
#pragma once

#include <vector>

#include "plots/draw/HistoryTrendPainter.h"
#include "plots/windows/ImageControl.h"

class QResizeEvent;

namespace gnsslog {

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
