// Placement of new plot windows: free places first, top to bottom and left
// to right, inside the available area; a cascade when the screen is full.
#include <gtest/gtest.h>

#include <vector>

#include "plots/windows/WindowPlacement.h"

namespace gnsslog {
namespace {

const QRect kScreen(0, 0, 1280, 1024);

TEST(WindowPlacement, BesideAndBelowTheMainWindowWithoutOverlap)
{
    std::vector<QRect> taken{QRect(0, 0, 595, 218)};  // the main window
    const QSize histogram(332, 354);
    const QPoint first = placeWindow(kScreen, taken, histogram, 0);
    EXPECT_EQ(first, QPoint(595, 0)) << "right of the main window, at the top";
    taken.emplace_back(first, histogram);
    const QPoint second = placeWindow(kScreen, taken, histogram, 1);
    EXPECT_EQ(second, QPoint(927, 0)) << "on along the top row";
    taken.emplace_back(second, histogram);
    const QPoint third = placeWindow(kScreen, taken, histogram, 2);
    EXPECT_EQ(third, QPoint(0, 218)) << "the top row is full: below the main window";
    taken.emplace_back(third, histogram);

    // However many: never outside the area, never over another while room.
    for (int i = 3; i < 6; ++i) {
        const QPoint at = placeWindow(kScreen, taken, histogram, i);
        const QRect placed(at, histogram);
        EXPECT_TRUE(kScreen.contains(placed)) << i;
        for (const QRect& r : taken) {
            EXPECT_FALSE(r.intersects(placed)) << i;
        }
        taken.push_back(placed);
    }
}

TEST(WindowPlacement, AFullScreenCoversTheMainWindowLeast)
{
    const QRect small(0, 0, 800, 700);
    // Main window top left, a histogram beside it: the plot goes below both
    // (over part of the histogram) rather than over the main window.
    const std::vector<QRect> taken{QRect(0, 0, 400, 200), QRect(400, 0, 332, 354)};
    const QPoint at = placeWindow(small, taken, QSize(650, 465), 1);
    EXPECT_EQ(at, QPoint(0, 200));
    EXPECT_TRUE(small.contains(QRect(at, QSize(650, 465))));
}

TEST(WindowPlacement, AWindowLargerThanTheAreaCascadesFromItsCorner)
{
    const QRect small(100, 50, 800, 600);
    const std::vector<QRect> taken{QRect(100, 50, 300, 200)};
    EXPECT_EQ(placeWindow(small, taken, QSize(2000, 400), 0), QPoint(100, 50));
    EXPECT_EQ(placeWindow(small, taken, QSize(2000, 400), 2), QPoint(100, 110));
    EXPECT_EQ(placeWindow(small, taken, QSize(2000, 2000), 3), QPoint(100, 50));
}

}  // namespace
}  // namespace gnsslog
