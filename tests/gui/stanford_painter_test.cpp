// Pixels of the Stanford plot and the normalised error CDF: bins where
// their values put them, in the colour of their count, the diagonal, the
// alert limit's lines and the Gaussian reference.
#include <gtest/gtest.h>

#include <QImage>

#include "metrics/NormalisedCdf.h"
#include "metrics/StanfordDiagram.h"
#include "plots/draw/NormalisedCdfPainter.h"
#include "plots/draw/StanfordPainter.h"
#include "tests/gui/GuiTestApp.h"

namespace gnsslog {
namespace {

constexpr QRgb Black = 0xFF000000;
constexpr QRgb AlertRed = 0xFFC00000;
constexpr QRgb Grey = 0xFF808080;

class StanfordPainter : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
};

// One decade of bins per axis, 1 mm to 1 m.
StanfordDiagram diagram(double alertLimit)
{
    StanfordDiagram d;
    d.highest = 1;
    d.bins = 3 * kStanfordBinsPerDecade;
    d.counts.assign(d.bins * d.bins, 0);
    d.alertLimit = alertLimit;
    return d;
}

TEST_F(StanfordPainter, BinsSitAtTheirLevelAndErrorInTheColourOfTheirCount)
{
    StanfordDiagrams diagrams{diagram(0.5), diagram(0)};
    StanfordDiagram& h = diagrams.horizontal;
    // 10 epochs of error 3 cm at a 20 cm level; one of error 30 cm at 1 cm.
    const std::size_t bounded = h.binOf(0.03) * h.bins + h.binOf(0.2);
    const std::size_t misleading = h.binOf(0.3) * h.bins + h.binOf(0.01);
    h.counts[bounded] = 10;
    h.counts[misleading] = 1;
    h.peak = 10;
    h.epochs = 11;
    QImage image(740, 400, QImage::Format_RGB32);
    paintStanfordPlot(image, diagrams, QStringLiteral("5.33 sigma"));

    const StanfordPanel p = stanfordPanel(740, 400, 0);
    ASSERT_GT(p.side, 200);
    // The middle of each bin: its level across, its error up.
    const double binPixels = static_cast<double>(p.side) / static_cast<double>(h.bins);
    const auto pixelOf = [&](double level, double error) {
        const int x = p.left + static_cast<int>((h.binOf(level) + 0.5) * binPixels);
        const int y = p.bottom() - static_cast<int>((h.binOf(error) + 0.5) * binPixels);
        return image.pixel(x, y) & 0xFFFFFF;
    };
    EXPECT_EQ(pixelOf(0.2, 0.03), stanfordBinColour(10, 10));
    EXPECT_EQ(pixelOf(0.01, 0.3), stanfordBinColour(1, 10));
    EXPECT_EQ(stanfordBinColour(10, 10), 0xFF0000u) << "the fullest bin is red";
    EXPECT_EQ(stanfordBinColour(1, 10), 0x0000FFu) << "a single epoch is blue";
    EXPECT_EQ(pixelOf(0.1, 0.01), 0xFFFFFFu) << "an empty bin stays white";

    // The diagonal runs corner to corner; the alert limit's lines cross at
    // 50 cm on both axes (dotted: one of two neighbours is set).
    EXPECT_EQ(image.pixel(p.left + p.side / 2, p.bottom() - p.side / 2), Black);
    const int limit = p.columnOf(h, 0.5);
    const int limitRow = p.rowOf(h, 0.5);
    EXPECT_TRUE(image.pixel(limit, p.top + 40) == AlertRed ||
                image.pixel(limit, p.top + 41) == AlertRed);
    EXPECT_TRUE(image.pixel(p.left + 20, limitRow) == AlertRed ||
                image.pixel(p.left + 21, limitRow) == AlertRed);
    // No limit on the vertical panel: no red in it.
    const StanfordPanel v = stanfordPanel(740, 400, 1);
    for (int x = v.left; x < v.left + v.side; ++x) {
        for (int y = v.top; y < v.bottom(); ++y) {
            ASSERT_NE(image.pixel(x, y), AlertRed) << x << "," << y;
        }
    }
}

TEST_F(StanfordPainter, NormalisedCdfDrawsTheGaussianUnderTheCurves)
{
    // No epochs: only the frame and the grey reference curves.
    const NormalisedCdf cdf;
    QImage image(620, 320, QImage::Format_RGB32);
    paintNormalisedCdf(image, cdf);
    const CdfPanel p = cdfPanel(620, 320, 0);
    // At 1 sigma the radial reference stands at 39.3 %: a grey pixel
    // within a pixel or two of that row.
    const int x = p.left + p.width / 6;
    const int row = p.rowOf(gaussianRadialShare(1));
    bool grey = false;
    for (int y = row - 2; y <= row + 2; ++y) {
        grey = grey || image.pixel(x, y) == Grey;
    }
    EXPECT_TRUE(grey);
    EXPECT_EQ(image.pixel(p.left, p.top + p.height / 4), Black) << "the share axis";
}

}  // namespace
}  // namespace gnsslog
