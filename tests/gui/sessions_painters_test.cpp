// Pixels of the sessions lane chart and time-to-fix CDF. Expected
// positions follow the layout: the plot 50 pixels from the left and 22
// from the top, 14 from the right and 40 from the bottom.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include <QImage>

#include "metrics/Sessions.h"
#include "plots/draw/SessionsPainter.h"
#include "tests/gui/GuiTestApp.h"

namespace gnsslog {
namespace {

constexpr QRgb Green = 0xFF008000;  // RTK fixed
constexpr QRgb Blue = 0xFF0000FF;   // RTK float
constexpr QRgb Red = 0xFFFF0000;    // other position
constexpr QRgb LightGrey = 0xFFC8C8C8;  // no position
constexpr QRgb White = 0xFFFFFFFF;

std::vector<GNSSRecord> timeline(std::initializer_list<std::pair<double, std::uint8_t>> epochs)
{
    std::vector<GNSSRecord> records;
    for (const auto& [time, type] : epochs) {
        GNSSRecord r;
        r.time = time;
        r.fixType = type;
        r.valid = 1;
        records.push_back(r);
    }
    return records;
}

Session session(std::size_t first, std::size_t count, double start, double end,
                std::optional<double> toFix = {})
{
    Session s;
    s.firstIndex = first;
    s.recordCount = count;
    s.startTime = start;
    s.endTime = end;
    s.timeToFirstFixed = toFix;
    return s;
}

class SessionsPainters : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
};

// 164 x 162: the plot is 100 x 100 pixels from (50, 22).
TEST_F(SessionsPainters, LanesAlignSessionsAtTheirStartAndColourByFixClass)
{
    // Session 1 (records 0..3, from 100 s): no position 0..10 s, float
    // 10..20 s, fixed 20..40 s. Session 2 (records 4..5, from 500 s):
    // stand-alone 0..20 s, then fixed at 20 s, its last record.
    const std::vector<GNSSRecord> records =
        timeline({{100, FixType::NoPosition}, {110, FixType::RtkFloat}, {120, FixType::RtkFixed},
                  {140, FixType::RtkFixed}, {500, FixType::StandAlone}, {520, FixType::RtkFixed}});
    const std::vector<Session> sessions = {session(0, 4, 100, 140), session(4, 2, 500, 520)};
    QImage image(164, 162, QImage::Format_RGB32);
    paintSessionLanes(image, records, sessions);
    // Rows 22..71 and 72..121 (one pixel kept between them); the span is
    // the longest session, 40 s, so a second is 2.5 columns, from x 51.
    const int row1 = 40;
    const int row2 = 90;
    EXPECT_EQ(image.pixel(51 + 5, row1), LightGrey);
    EXPECT_EQ(image.pixel(51 + 37, row1), Blue);
    EXPECT_EQ(image.pixel(51 + 62, row1), Green);
    EXPECT_EQ(image.pixel(51 + 98, row1), Green);
    EXPECT_EQ(image.pixel(51 + 5, row2), Red);
    EXPECT_EQ(image.pixel(51 + 48, row2), Red);
    EXPECT_EQ(image.pixel(51 + 50, row2), Green);  // the last record's own column
    EXPECT_EQ(image.pixel(51 + 52, row2), White);  // after the session's end
    EXPECT_EQ(image.pixel(51 + 60, 71), White);    // between the rows
}

TEST_F(SessionsPainters, ClassesSharingAColumnAreStackedByTheirShare)
{
    // 1000 s fixed, then at 1000 s a float record and a no-position one:
    // the fixed record covers the columns up to theirs, the last column
    // splits between the two.
    const std::vector<GNSSRecord> records = timeline(
        {{0, FixType::RtkFixed}, {1000, FixType::RtkFloat}, {1000, FixType::NoPosition}});
    const std::vector<Session> sessions = {session(0, 3, 0, 1000)};
    QImage image(164, 162, QImage::Format_RGB32);
    paintSessionLanes(image, records, sessions);
    // The row spans y 22..120; the last column is x 150.
    int blue = 0;
    int grey = 0;
    int green = 0;
    for (int y = 22; y < 121; ++y) {
        const QRgb p = image.pixel(150, y);
        blue += p == Blue ? 1 : 0;
        grey += p == LightGrey ? 1 : 0;
        green += p == Green ? 1 : 0;
    }
    EXPECT_GT(blue, 25);
    EXPECT_GT(grey, 25);
    EXPECT_EQ(green, 0);
    EXPECT_EQ(blue + grey, 99);
    EXPECT_EQ(image.pixel(100, 60), Green);
}

TEST_F(SessionsPainters, TimeToFixCdfEndsAtTheShareOfSessionsFixed)
{
    // Four sessions: fixed at 10 and 40 s, one never. Half fixed by 40 s,
    // a quarter by 10 s; the axis ends at 40 s.
    const std::vector<Session> sessions = {session(0, 1, 0, 0, 10.0), session(1, 1, 0, 0, 40.0),
                                           session(2, 1, 0, 0), session(3, 1, 0, 0)};
    QImage image(164, 162, QImage::Format_RGB32);
    paintTimeToFixCdf(image, sessions);
    // Share s at row 122 - 100 s (a 2-pixel pen around it).
    const auto greenNear = [&image](int x, int y) {
        return image.pixel(x, y) == Green || image.pixel(x, y - 1) == Green ||
               image.pixel(x, y + 1) == Green;
    };
    EXPECT_TRUE(greenNear(50 + 10, 122));        // nothing fixed before 10 s
    EXPECT_TRUE(greenNear(50 + 50, 122 - 25));   // a quarter from 10 s
    EXPECT_FALSE(greenNear(50 + 50, 122 - 50));
    EXPECT_TRUE(greenNear(50 + 100, 122 - 50));  // half at 40 s
    // Never above half: the never-fixed sessions count.
    for (int y = 0; y < 122 - 52; ++y) {
        for (int x = 50; x < 164; ++x) {
            ASSERT_NE(image.pixel(x, y), Green) << x << ", " << y;
        }
    }
}

// The level labels left of the curve never run into each other: in a low
// picture the top one gives way to 95 %; in a tall one all three show.
TEST_F(SessionsPainters, CdfLevelLabelsStayApart)
{
    const std::vector<Session> sessions = {session(0, 1, 0, 0, 10.0)};
    const auto blackRows = [](const QImage& image, int from, int to) {
        int count = 0;
        for (int y = std::max(0, from); y < std::min(to, image.height()); ++y) {
            for (int x = 0; x < 48; ++x) {
                count += image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        }
        return count;
    };
    for (const int height : {162, 400}) {
        SCOPED_TRACE(height);
        QImage image(300, height, QImage::Format_RGB32);
        paintTimeToFixCdf(image, sessions);
        const SessionsPlotArea a = sessionsPlotArea(image.width(), image.height());
        const int top = a.top;                                             // 100 %
        const int at95 = a.top + a.height - static_cast<int>(std::lround(0.95 * a.height));
        // Text above the 95 % label's cell belongs to the 100 % label.
        const int above95 = blackRows(image, top - 6, at95 - 6);
        EXPECT_GT(blackRows(image, at95 - 6, at95 + 7), 0) << "the 95 % label";
        if (at95 - top < 13) {
            EXPECT_EQ(above95, 0) << "no 100 % label on top of the 95 % one";
        } else {
            EXPECT_GT(above95, 0) << "room for the 100 % label";
        }
    }
}

}  // namespace
}  // namespace gnsslog
