// Pixels of the scatter plot and error CDF painters. Expected positions
// are worked out from the layout: a square plot 10 pixels from the top
// left corner, as large as the image allows beside the 120-pixel legend and
// above the 16-pixel scale labels; CDF panels side by side.
#include <gtest/gtest.h>

#include <QImage>

#include "log/Gpslog.h"
#include "metrics/ErrorCdf.h"
#include "metrics/ScatterCircles.h"
#include "plots/draw/CdfPainter.h"
#include "plots/draw/ScatterPainter.h"
#include "plots/draw/PlotWindowSizes.h"
#include "tests/gui/GuiTestApp.h"
#include "tests/gui/LabelPixels.h"

namespace gnsslog {
namespace {

constexpr QRgb Green = 0xFF008000;  // RTK fixed
constexpr QRgb Blue = 0xFF0000FF;   // RTK float
constexpr QRgb Red = 0xFFFF0000;    // stand-alone
constexpr double kTruthX = 6700000.0;  // northing
constexpr double kTruthY = 2550000.0;  // easting

GNSSRecord at(std::uint8_t fixType, double north, double east, double up = 0)
{
    GNSSRecord r;
    r.fixType = fixType;
    r.validFlags = ValidFlag::Grid | ValidFlag::Height;
    r.localX = kTruthX + north;
    r.localY = kTruthY + east;
    r.height = 50 + up;
    r.valid = 1;
    return r;
}

GNSSLog truthLog() { return GNSSLog(TruthMode::Manual, kTruthX, kTruthY, 50); }

class ScatterCdfPainters : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
};

// 340 x 236: the square is 200 pixels, centre (110, 110).
TEST_F(ScatterCdfPainters, ScatterPutsEastRightAndNorthUpAtTheChosenScale)
{
    GNSSLog log = truthLog();
    log.records.push_back(at(FixType::RtkFixed, 0, 0.02));     // 2 cm east
    log.records.push_back(at(FixType::RtkFloat, 0.01, 0));     // 1 cm north
    log.records.push_back(at(FixType::StandAlone, -0.03, -0.03));
    log.records.push_back(at(FixType::StandAlone, 0, 0.5));   // beyond 5 cm: not drawn

    const ScatterGeometry g = scatterGeometry(340, 236, 0.05);
    ASSERT_EQ(g.side, 200);
    ASSERT_EQ(g.centreX, 110);
    ASSERT_EQ(g.centreY, 110);
    EXPECT_DOUBLE_EQ(g.pixelsPerMetre, 2000);

    QImage image(340, 236, QImage::Format_RGB32);
    paintScatterPlot(image, log, ScatterCircles{}, 0.05);
    // 2 cm at 2000 px/m: 40 pixels right of the centre, a 3 x 3 dot.
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            EXPECT_EQ(image.pixel(150 + dx, 110 + dy), Green) << dx << "," << dy;
        }
    }
    EXPECT_NE(image.pixel(70, 110), Green) << "not mirrored to the west";
    EXPECT_EQ(image.pixel(110, 90), Blue) << "north is up";
    EXPECT_EQ(image.pixel(50, 170), Red) << "south-west is down left";

    // At 0.1 m the same record is half as far out.
    paintScatterPlot(image, log, ScatterCircles{}, 0.1);
    EXPECT_EQ(image.pixel(130, 110), Green);
    EXPECT_NE(image.pixel(150, 110), Green);
}

TEST_F(ScatterCdfPainters, ScatterCirclesHaveTheStatisticsAsRadii)
{
    GNSSLog log = truthLog();
    for (int k = 1; k <= 100; ++k) {
        log.records.push_back(at(FixType::RtkFixed, 0, 0.001 * k));  // east 1 .. 100 mm
    }
    const ScatterCircles circles = rtkFixedCircles(log);
    ASSERT_EQ(circles.count, 100);
    QImage image(340, 236, QImage::Format_RGB32);
    paintScatterPlot(image, log, circles, 0.1);  // 1000 px/m: 1 mm is 1 pixel
    // Straight up from the centre only the circles lie: CEP50 50 mm, R95 95 mm.
    EXPECT_EQ(image.pixel(110, 110 - 50), QRgb(0xFF000000 | kCep50Colour));
    EXPECT_EQ(image.pixel(110, 110 + 50), QRgb(0xFF000000 | kCep50Colour));
    EXPECT_EQ(image.pixel(110 - 95, 110), QRgb(0xFF000000 | kR95Colour));
    EXPECT_EQ(image.pixel(110, 110 - 95), QRgb(0xFF000000 | kR95Colour));
    for (const int off : {49, 51, 94, 96}) {
        EXPECT_NE(image.pixel(110, 110 - off), QRgb(0xFF000000 | kCep50Colour)) << off;
        EXPECT_NE(image.pixel(110, 110 - off), QRgb(0xFF000000 | kR95Colour)) << off;
    }
    // 2DRMS is 116 mm: outside the square at this scale, inside at 0.2 m.
    EXPECT_GT(circles.twoDrms * 1000, 100);
    paintScatterPlot(image, log, circles, 0.2);  // 500 px/m
    const int twoDrms = static_cast<int>(std::lround(circles.twoDrms * 500));
    EXPECT_EQ(image.pixel(110, 110 - twoDrms), QRgb(0xFF000000 | kTwoDrmsColour));
}

// Autoscale fits every point, not only the fixed ones: a float point far
// out and a stand-alone one further still are both on the picture.
TEST_F(ScatterCdfPainters, ScatterAutoscaleFitsEveryPoint)
{
    GNSSLog log = truthLog();
    log.records.push_back(at(FixType::RtkFixed, 0.01, 0.01));
    log.records.push_back(at(FixType::RtkFloat, 0.4, 0.3));
    log.records.push_back(at(FixType::StandAlone, -0.1, -0.7));
    GNSSRecord noGrid = at(FixType::StandAlone, 0, 0);
    noGrid.validFlags = 0;
    noGrid.localY = kTruthY + 50;  // not measured: does not count
    log.records.push_back(noGrid);
    const ScatterCircles circles = rtkFixedCircles(log);
    EXPECT_NEAR(circles.pointsExtent, 0.7, 1e-6);
    const double range = scatterAutoscaleRange(log, circles);
    EXPECT_GE(range, 0.7);
    EXPECT_LE(range, 0.75) << "and no larger than it needs";

    QImage image(340, 236, QImage::Format_RGB32);
    paintScatterPlot(image, log, circles, range);
    const auto has = [&](QRgb colour) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(has(Blue)) << "the float point";
    EXPECT_TRUE(has(Red)) << "the stand-alone point";

    // Every record at the truth: the error plot's choice, 1 m.
    GNSSLog still = truthLog();
    still.records.push_back(at(FixType::RtkFixed, 0, 0));
    EXPECT_EQ(scatterAutoscaleRange(still, rtkFixedCircles(still)), 1.0);
}

// At the window's smallest size the scale labels that are drawn are whole
// and apart; the range of the right edge is always there.
TEST_F(ScatterCdfPainters, ScatterScaleLabelsNeverOverlap)
{
    using namespace ScatterWindowSize;
    GNSSLog log = truthLog();
    log.records.push_back(at(FixType::RtkFixed, 0, 0.02));
    for (const QSize size : {QSize(SmallestClientWidth - WidthAroundImage, SmallestClientHeight - HeightAroundImage),
                             QSize(PictureWidth, PictureHeight), QSize(260, 400)}) {
        for (const double range : {0.05, 12.5, 1234.5}) {
            SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()) + ", range " +
                         std::to_string(range));
            QImage image(size, QImage::Format_RGB32);
            paintScatterPlot(image, log, ScatterCircles{}, range);
            const ScatterGeometry g = scatterGeometry(size.width(), size.height(), range);
            const int top = g.top + g.side + 3;
            std::vector<plottest::FoundLabel> found;
            int ink = 0;
            for (const QString& text : {QString::asprintf("%0.3f m", -range), QStringLiteral("E 0"),
                                        QString::asprintf("%0.3f m", range)}) {
                const QImage label = plottest::labelAlone(text);
                for (int x = 0; x + label.width() <= g.left + g.side + 1; ++x) {
                    if (plottest::labelWholeAt(image, label, x, top)) {
                        found.push_back({x, x + label.width()});
                        ink += plottest::inkIn(label, 0, 0, label.width(), label.height());
                        break;
                    }
                }
            }
            ASSERT_FALSE(found.empty());
            EXPECT_EQ(found.back().right, g.left + g.side) << "the range ends under the right edge";
            std::sort(found.begin(), found.end(),
                      [](const auto& a, const auto& b) { return a.left < b.left; });
            for (std::size_t i = 1; i < found.size(); ++i) {
                EXPECT_GT(found[i].left, found[i - 1].right);
            }
            EXPECT_EQ(plottest::inkIn(image, 0, top, g.left + g.side + 1, image.height()), ink)
                << "ink of a label cut by another";
        }
    }
}

TEST_F(ScatterCdfPainters, ScatterOfNothingOrAbsurdValuesDrawsTheFrameOnly)
{
    GNSSLog log = truthLog();
    GNSSRecord far = at(FixType::RtkFixed, 1e300, -1e300);
    log.records.push_back(far);
    ScatterCircles absurd;
    absurd.count = 1;
    absurd.cep50 = 1e300;
    absurd.r95 = std::numeric_limits<double>::infinity();
    absurd.twoDrms = std::numeric_limits<double>::quiet_NaN();
    QImage image(200, 60, QImage::Format_RGB32);
    paintScatterPlot(image, log, absurd, 0.05);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), 0xFFFFFFFFu);
    QImage tiny(1, 1, QImage::Format_RGB32);
    paintScatterPlot(tiny, log, absurd, 1e-300);
    QImage null;
    paintScatterPlot(null, log, absurd, 0.05);
    EXPECT_TRUE(null.isNull());
}

// Fixed errors 1/16 .. 1 m, float 2 m: the fixed curve (drawn last) runs at
// the share of the bin whose edge each column reaches, on a logarithmic axis.
TEST_F(ScatterCdfPainters, CdfCurvesFollowTheSharesAndLevelsAreMarked)
{
    GNSSLog log = truthLog();
    for (int k = 1; k <= 16; ++k) {
        log.records.push_back(at(FixType::RtkFixed, 0, 0.0625 * k));
    }
    log.records.push_back(at(FixType::RtkFloat, 2, 0));
    const ErrorCdf cdf = computeErrorCdf(log, 40);
    QImage image(640, 320, QImage::Format_RGB32);
    paintErrorCdf(image, cdf);

    const CdfPanel p = cdfPanel(640, 320, 0);
    ASSERT_GT(p.width, 100);
    EXPECT_EQ(p.rowOf(0), p.bottom());
    EXPECT_EQ(p.rowOf(1), p.top);
    const CdfCurve& fixed = cdf.horizontal[static_cast<std::size_t>(CdfClass::RtkFixed)];
    int checked = 0;
    const auto binAt = [&](int column) { return static_cast<std::size_t>(std::ceil(column * 39.0 / p.width)); };
    for (int column = 2; column < p.width - 1; column += 3) {
        const std::size_t bin = binAt(column);
        // A column where the curve steps is a vertical run: look where it is flat.
        if (fixed.share(bin) != fixed.share(binAt(column - 1)) ||
            fixed.share(bin) != fixed.share(binAt(column + 1))) {
            continue;
        }
        EXPECT_EQ(image.pixel(p.left + column, p.rowOf(fixed.share(bin))), Green) << column;
        ++checked;
    }
    EXPECT_GT(checked, 20);
    // The float curve stays at 0 until 2 m, near the right end on the
    // logarithmic axis, where the fixed curve has long reached the top.
    const int beforeJump = p.left + static_cast<int>(cdf.axisPosition(1.5) * p.width);
    EXPECT_EQ(image.pixel(beforeJump, p.bottom() - 1), Blue);

    // Level lines: dotted grey at 50, 68 and 95 % where no curve runs.
    const CdfPanel vertical = cdfPanel(640, 320, 1);
    for (const int level : kCdfLevels) {
        const int y = vertical.rowOf(level / 100.0);
        int grey = 0;
        for (int x = vertical.left + 20; x < vertical.left + 60; ++x) {
            grey += image.pixel(x, y) == 0xFF808080u ? 1 : 0;
        }
        EXPECT_GE(grey, 15) << level;
    }
}

}  // namespace
}  // namespace gnsslog
