// The histogram's bin labels when bars are narrower than their labels:
// every k-th bin is labelled, so that no two labels run into each other.
#include <gtest/gtest.h>

#include <QImage>

#include "plots/draw/HistogramPainter.h"
#include "stats/Histogram.h"
#include "tests/gui/GuiTestApp.h"

namespace gnsslog {
namespace {

// Nineteen bins, keys 3 .. 21 cm, one sample each.
Histogram nineteenBins()
{
    Histogram h;
    for (int key = 3; key <= 21; ++key) {
        h.addSample(key / 100.0 + 0.004);
    }
    h.sortBins();
    return h;
}

// Which bins have a label: text (black) where a label of the bin starts,
// 5 pixels left of the slot's centre (a glyph's first column follows), below
// the bars.
std::vector<bool> labelledSlots(const QImage& image, std::size_t bins)
{
    const int h = image.height();
    const double barWidth = (image.width() - 50) / static_cast<double>(bins);
    std::vector<bool> labelled(bins, false);
    for (std::size_t i = 0; i < bins; ++i) {
        const int start = static_cast<int>((i + 0.5) * barWidth) - 5;
        for (int x = start + 1; x < start + 3; ++x) {
            for (int y = h - 15; y < h; ++y) {
                labelled[i] = labelled[i] || image.pixel(x, y) == 0xFF000000u;
            }
        }
    }
    return labelled;
}

class HistogramLabels : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
};

TEST_F(HistogramLabels, WideBarsLabelEveryBin)
{
    QImage image(19 * 40 + 50, 200, QImage::Format_RGB32);
    paintHistogram(image, nineteenBins());
    const std::vector<bool> labelled = labelledSlots(image, 19);
    EXPECT_EQ(std::count(labelled.begin(), labelled.end(), true), 19);
}

TEST_F(HistogramLabels, NarrowBarsLabelEveryKthBinFromTheFirst)
{
    // 256 / 19: bars of 13.5 pixels, less than a two-digit label and a gap.
    QImage image(306, 292, QImage::Format_RGB32);
    paintHistogram(image, nineteenBins());
    const std::vector<bool> labelled = labelledSlots(image, 19);
    EXPECT_TRUE(labelled.front());
    const auto count = std::count(labelled.begin(), labelled.end(), true);
    EXPECT_LT(count, 19);
    EXPECT_GE(count, 4) << "thinned, not gone";
    // Labelled bins are evenly spaced.
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < labelled.size(); ++i) {
        if (labelled[i]) {
            at.push_back(i);
        }
    }
    for (std::size_t j = 2; j < at.size(); ++j) {
        EXPECT_EQ(at[j] - at[j - 1], at[1] - at[0]) << "label " << j << " at bin " << at[j];
    }
}

}  // namespace
}  // namespace gnsslog
