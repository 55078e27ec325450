// The histogram's bin labels when bars are narrower than their labels:
// every k-th bin is labelled, so that no two labels run into each other.
#include <gtest/gtest.h>

#include <QImage>

#include "plots/draw/HistogramPainter.h"
#include "stats/Histogram.h"
#include "tests/gui/GuiTestApp.h"
#include "tests/gui/LabelPixels.h"

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

// A walking receiver's log: two far outliers first, then hundreds of
// 1-cm bins, so that bars are a fraction of a pixel and the first label,
// moved right to keep its minus sign, comes near the next. No key's text
// is part of another's, so a label found whole is one drawn.
Histogram outliersAndManyBins()
{
    Histogram h;
    h.addSample(-9.99 + 0.004);
    h.addSample(-8.88 + 0.004);
    for (int key = 100; key < 700; ++key) {
        h.addSample(key / 100.0 + 0.004);
    }
    h.sortBins();
    return h;
}

// Every label drawn is whole, no two touch, and no black pixel under the
// bars belongs to anything but them.
TEST_F(HistogramLabels, LabelsNeverRunIntoEachOther)
{
    const Histogram fewWide = nineteenBins();
    const Histogram many = outliersAndManyBins();
    struct Case {
        const char* legend;
        const Histogram& histogram;
        int width;
        std::size_t fewestLabels;
    };
    // At the smallest size the second label would touch the first.
    for (const Case& c : {Case{"many bins, designed size", many, 312, 4}, Case{"many bins, smallest", many, 100, 1},
                          Case{"many bins, wide", many, 1000, 10}, Case{"nineteen bins, narrow", fewWide, 180, 4},
                          Case{"nineteen bins, designed", fewWide, 312, 6}}) {
        SCOPED_TRACE(c.legend);
        QImage image(c.width, 294, QImage::Format_RGB32);
        paintHistogram(image, c.histogram);
        const int h = image.height();
        const int labelTop = h - 15;
        const double barWidth = (c.width - 50) / static_cast<double>(c.histogram.binCount());
        std::vector<plottest::FoundLabel> found;
        int foundInk = 0;
        double x = 0;
        for (const ErrorRecord& bin : c.histogram.bins()) {
            const QImage label = plottest::labelAlone(QString::number(bin.key));
            const int left = std::max(0, static_cast<int>(x + 0.5 * barWidth - 5));
            if (plottest::labelWholeAt(image, label, left, labelTop)) {
                found.push_back({left, left + label.width()});
                foundInk += plottest::inkIn(label, 0, 0, label.width(), label.height());
            }
            x += barWidth;
        }
        ASSERT_GE(found.size(), c.fewestLabels) << "labels are drawn, thinned only as far as needed";
        for (std::size_t i = 1; i < found.size(); ++i) {
            EXPECT_GT(found[i].left, found[i - 1].right) << "label " << i << " touches the one before";
        }
        EXPECT_EQ(plottest::inkIn(image, 0, labelTop, c.width, h), foundInk)
            << "ink of a label another one covered";
    }
}

}  // namespace
}  // namespace gnsslog
