#include "plots/windows/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

namespace gnsslog {

namespace {
constexpr int CascadeStep = 30;  // pixels right and down per cascaded window
}  // namespace

QPoint placeWindow(const QRect& available, const std::vector<QRect>& taken, QSize size, int cascadeIndex)
{
    // Candidate corners: the area's own, and right of and below every
    // rectangle already there.
    std::vector<QPoint> candidates{available.topLeft()};
    for (const QRect& r : taken) {
        candidates.emplace_back(r.right() + 1, available.top());
        candidates.emplace_back(r.right() + 1, r.top());
        candidates.emplace_back(available.left(), r.bottom() + 1);
        candidates.emplace_back(r.left(), r.bottom() + 1);
    }
    std::sort(candidates.begin(), candidates.end(), [](const QPoint& a, const QPoint& b) {
        return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
    });
    // The first free place; else the place inside the area that covers
    // least of the others, the main window (the first) counting four times
    // as it stays on top; else a cascade.
    std::int64_t leastCover = -1;
    QPoint best;
    for (const QPoint& corner : candidates) {
        const QRect wanted(corner, size);
        if (!available.contains(wanted)) {
            continue;
        }
        std::int64_t cover = 0;
        for (std::size_t i = 0; i < taken.size(); ++i) {
            const QRect common = taken[i].intersected(wanted);
            const std::int64_t area = common.isEmpty() ? 0 : std::int64_t{common.width()} * common.height();
            cover += i == 0 ? 4 * area : area;
        }
        if (cover == 0) {
            return corner;
        }
        if (leastCover < 0 || cover < leastCover) {
            leastCover = cover;
            best = corner;
        }
    }
    if (leastCover >= 0) {
        return best;
    }
    const int step = CascadeStep * std::max(0, cascadeIndex);
    const int x = available.left() + std::max(0, std::min(step, available.width() - size.width()));
    const int y = available.top() + std::max(0, std::min(step, available.height() - size.height()));
    return {x, y};
}

}  // namespace gnsslog
