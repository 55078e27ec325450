// Pixels of the histogram and error plot painters and of their canvas.
//
// Expected positions come from the chart geometry: an image W x H, bars and
// plot area up to x = W - 50, labels from x = W - 45. The canvas follows the
// GDI rules (right and bottom edges and line end pixels excluded); dotted
// lines set every other pixel from their start, so a grid pixel at an even
// distance from x = 0 is grey.
#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include "plots/draw/CanvasPainter.h"
#include "plots/draw/ErrorPlotPainter.h"
#include "plots/draw/HistogramPainter.h"
#include "tests/gui/GuiTestApp.h"

namespace gnsslog {
namespace {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Grey = 0xFF808080;
constexpr QRgb Green = 0xFF008000;
constexpr QRgb Blue = 0xFF0000FF;
constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Yellow = 0xFFFFFF00;
constexpr QRgb Teal = 0xFF008080;
constexpr QRgb Purple = 0xFF800080;

class Painters : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
    static QImage blank(int w, int h, QRgb fill = 0xFFFF0000)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(fill);
        return image;
    }
    static bool anyBlack(const QImage& image, int x1, int y1, int x2, int y2)
    {
        for (int y = y1; y < y2; ++y) {
            for (int x = x1; x < x2; ++x) {
                if (image.pixel(x, y) == Black) {
                    return true;
                }
            }
        }
        return false;
    }
};

// ---- canvas --------------------------------------------------------------------

TEST_F(Painters, RectangleCoversTheGdiPixelsWhateverTheCornerOrder)
{
    QImage image = blank(20, 20, White);
    Canvas canvas(image);
    canvas.setPen(0x000000);
    canvas.setBrush(0x008000);
    canvas.rectangle(2, 15, 8, 5);  // second y above the first
    EXPECT_EQ(image.pixel(2, 5), Black);
    EXPECT_EQ(image.pixel(7, 14), Black) << "last covered corner";
    EXPECT_EQ(image.pixel(8, 10), White) << "right edge excluded";
    EXPECT_EQ(image.pixel(5, 15), White) << "bottom edge excluded";
    EXPECT_EQ(image.pixel(1, 10), White);
    EXPECT_EQ(image.pixel(5, 4), White);
    EXPECT_EQ(image.pixel(5, 10), Green);
    EXPECT_EQ(image.pixel(3, 6), Green);
    canvas.rectangle(12, 12, 12, 18);  // empty: nothing
    EXPECT_EQ(image.pixel(12, 14), White);
}

TEST_F(Painters, LineToExcludesItsEndPixelAndClipsToTheImage)
{
    QImage image = blank(20, 20, White);
    Canvas canvas(image);
    canvas.setPen(0x0000FF);
    canvas.moveTo(2, 3);
    canvas.lineTo(9, 3);
    EXPECT_EQ(image.pixel(2, 3), Blue);
    EXPECT_EQ(image.pixel(8, 3), Blue);
    EXPECT_EQ(image.pixel(9, 3), White);
    canvas.lineTo(9, 9);  // continues from the end: (9, 3) is now drawn
    EXPECT_EQ(image.pixel(9, 3), Blue);
    EXPECT_EQ(image.pixel(9, 8), Blue);
    EXPECT_EQ(image.pixel(9, 9), White);
    canvas.moveTo(-5, -5);
    canvas.lineTo(30, 30);  // runs through the image and out of it
    EXPECT_EQ(image.pixel(0, 0), Blue);
    EXPECT_EQ(image.pixel(19, 19), Blue);
    canvas.moveTo(0, 0);
    canvas.lineTo(INT32_MAX, INT32_MIN);  // absurd: skipped, no hang
}

TEST_F(Painters, WidePenAndDottedPen)
{
    QImage image = blank(20, 20, White);
    Canvas canvas(image);
    canvas.setPen(0xFF0000, 2);
    canvas.moveTo(5, 2);
    canvas.lineTo(5, 12);
    EXPECT_EQ(image.pixel(4, 2), Red);
    EXPECT_EQ(image.pixel(5, 11), Red);
    EXPECT_EQ(image.pixel(6, 5), White);
    EXPECT_EQ(image.pixel(5, 12), White);
    canvas.setPen(0x808080, 1, true);
    canvas.moveTo(0, 15);
    canvas.lineTo(10, 15);
    EXPECT_EQ(image.pixel(0, 15), Grey);
    EXPECT_EQ(image.pixel(1, 15), White) << "gaps leave the image";
    EXPECT_EQ(image.pixel(8, 15), Grey);
}

TEST_F(Painters, TextIsBlackOnAnOpaqueWhiteCell)
{
    QImage image = blank(120, 40, 0xFF00FF00);
    Canvas canvas(image);
    canvas.textOut(10, 10, QStringLiteral("0.000 m"));
    EXPECT_EQ(image.pixel(10, 10), White) << "cell's top-left corner";
    EXPECT_TRUE(anyBlack(image, 10, 10, 60, 30));
    EXPECT_FALSE(anyBlack(image, 0, 0, 120, 10)) << "nothing above the cell";
    EXPECT_EQ(image.pixel(9, 15), 0xFF00FF00u);
}

TEST_F(Painters, TextKeepsItsFontWhateverTheApplicationFont)
{
    // The windows' font is the application's; the report tool draws the
    // same pictures without it, so text must not follow it.
    const auto draw = [] {
        QImage image = blank(200, 60, White);
        Canvas canvas(image);
        canvas.textOut(4, 4, QStringLiteral("-12.345 m"));
        return image;
    };
    const QFont original = QGuiApplication::font();
    QFont huge = original;
    huge.setPixelSize(40);
    QGuiApplication::setFont(huge);
    const QImage withHugeFont = draw();
    // A default QFont follows the application's, so drawing in it would
    // make the two pictures differ.
    const int defaultFontPixels = QFont().pixelSize();
    QGuiApplication::setFont(original);
    EXPECT_EQ(defaultFontPixels, 40);
    EXPECT_TRUE(withHugeFont == draw());
}

TEST_F(Painters, TextWithAWidthLimitShrinksOnlyWhenItWouldNotFit)
{
    const QString label = QStringLiteral("-0.021 m");
    const auto draw = [&label](int maxWidth) {
        QImage image = blank(200, 60, White);
        Canvas canvas(image);
        canvas.textOut(4, 4, label, maxWidth);
        return image;
    };
    QImage unlimited = blank(200, 60, White);
    Canvas(unlimited).textOut(4, 4, label);
    EXPECT_TRUE(draw(200) == unlimited) << "a text that fits is drawn as without a limit";

    const int natural = Canvas(unlimited).textWidth(label);
    ASSERT_GT(natural, 30);
    const int limit = natural * 3 / 4;
    const QImage narrowed = draw(limit);
    EXPECT_TRUE(anyBlack(narrowed, 4, 4, 4 + limit, 60)) << "still drawn";
    EXPECT_FALSE(anyBlack(narrowed, 4 + limit, 0, 200, 60)) << "nothing right of the limit";
    EXPECT_TRUE(anyBlack(unlimited, 4 + limit, 0, 200, 60)) << "the unlimited text does reach past it";
}

// ---- histogram ------------------------------------------------------------------

Histogram threeBins()
{
    // Keys -2 (1 sample), 0 (1) and 3 (2): sampleCount 4, peakCount 2.
    Histogram h;
    for (const double e : {0.035, -0.025, 0.035, 0.005}) {
        h.addSample(e);
    }
    h.sortBins();
    return h;
}

TEST_F(Painters, HistogramAxesGridAndBarsAtTheirPixels)
{
    // W = 291: bars b = 241 / 3 wide; baseline y = 210, axis y = 211, x = 241.
    QImage image = blank(291, 230);
    paintHistogram(image, threeBins());
    EXPECT_EQ(image.pixel(290, 0), White) << "background";
    EXPECT_EQ(image.pixel(0, 211), Black);
    EXPECT_EQ(image.pixel(240, 211), Black);
    EXPECT_EQ(image.pixel(241, 211), Black);
    EXPECT_EQ(image.pixel(241, 11), Black);
    EXPECT_NE(image.pixel(241, 10), Black) << "the axis ends below its end point";
    EXPECT_EQ(image.pixel(242, 211), White);
    EXPECT_EQ(image.pixel(40, 210), White) << "bars stop above the baseline";
    for (int i = 1; i <= 10; ++i) {
        const int y = (10 - i) * 20 + 10;
        EXPECT_EQ(image.pixel(242, y), Grey) << "grid line " << i;
        EXPECT_EQ(image.pixel(240, y), Grey) << "grid line " << i;
        EXPECT_EQ(image.pixel(242, y + 1), White) << "grid line " << i;
        EXPECT_EQ(image.pixel(243, y), White) << "grid ends at x = W - 48";
        EXPECT_TRUE(anyBlack(image, 246, y - 5, 291, y + 10)) << "label of line " << i;
    }
    // Bar 0 (one sample of two at most): x 0..78, y 110..209.
    EXPECT_EQ(image.pixel(0, 160), Black);
    EXPECT_EQ(image.pixel(78, 160), Black);
    EXPECT_EQ(image.pixel(79, 160), White);
    EXPECT_EQ(image.pixel(39, 160), Green);
    EXPECT_EQ(image.pixel(39, 110), Black);
    EXPECT_EQ(image.pixel(39, 109), White);
    EXPECT_EQ(image.pixel(39, 209), Black);
    // Bar 1: x 80..158; bar 2 (the peak): x 160..239 up to the top line y = 10.
    EXPECT_EQ(image.pixel(80, 160), Black);
    EXPECT_EQ(image.pixel(120, 100), White);
    EXPECT_EQ(image.pixel(200, 10), Black);
    EXPECT_EQ(image.pixel(200, 9), White);
    EXPECT_EQ(image.pixel(200, 100), Green);
    EXPECT_EQ(image.pixel(239, 100), Black);
    EXPECT_EQ(image.pixel(240, 100), White);
    // Key labels under the bars, from x + b / 2 - 5.
    EXPECT_TRUE(anyBlack(image, 35, 215, 70, 230));
    EXPECT_TRUE(anyBlack(image, 195, 215, 230, 230));
    EXPECT_FALSE(anyBlack(image, 0, 212, 30, 230));
}

// Two thousand 1-cm bins in a 241-pixel bar area: about eight bins to a
// pixel column. Each bin with samples shows at its true height, the
// tallest too, wherever it falls among lower neighbours.
TEST_F(Painters, NarrowHistogramBinsEachShowAtTheirTrueHeight)
{
    Histogram h;
    constexpr int kBins = 2000;
    constexpr int kPeakBin = 1003;  // not the first of its column
    for (int bin = 0; bin < kBins; ++bin) {
        const int samples = bin == kPeakBin ? 40 : (bin % 97 == 0 ? 20 : 1);
        for (int i = 0; i < samples; ++i) {
            h.addSample((bin - kBins - 0.5) / 100.0);  // keys -2000 .. -1, in index order
        }
    }
    h.sortBins();
    QImage image = blank(291, 230, White);
    paintHistogram(image, h);
    const double barWidth = 241.0 / kBins;
    const auto greenTop = [&](int column) {
        for (int y = 0; y < 210; ++y) {
            if (image.pixel(column, y) == Green) {
                return y;
            }
        }
        return -1;
    };
    // The peak reaches the top grid line (y = 10); a half-peak bin half way.
    EXPECT_EQ(greenTop(static_cast<int>(kPeakBin * barWidth)), 10);
    EXPECT_EQ(greenTop(static_cast<int>(97 * 3 * barWidth)), 110);
    // Every column holding bins shows at least one green pixel above the foot.
    for (int column = 0; column < 241; ++column) {
        EXPECT_EQ(image.pixel(column, 209), Green) << "column " << column;
    }
    // The first label (-2000 cm) keeps its minus sign: ink starts at x = 0..2.
    EXPECT_TRUE(anyBlack(image, 0, 212, 3, 230));
}

// "100.0 %" at the top line fits in the label column.
TEST_F(Painters, TopShareLabelIsNotCutAtTheRightEdge)
{
    Histogram h;
    h.addSample(0.0);
    QImage image = blank(291, 230, White);
    paintHistogram(image, h);
    EXPECT_TRUE(anyBlack(image, 246, 5, 289, 20)) << "the label is there";
    EXPECT_FALSE(anyBlack(image, 290, 0, 291, 230)) << "and ends before the edge";
}

TEST_F(Painters, EmptyHistogramLeavesTheImageUntouched)
{
    QImage image = blank(120, 100);
    const QImage before = image;
    paintHistogram(image, Histogram{});
    EXPECT_EQ(image, before);
}

TEST_F(Painters, EmptyHistogramNoteIsCentredOnWhite)
{
    for (const QSize size : {QSize(312, 294), QSize(100, 100)}) {
        SCOPED_TRACE(size.width());
        QImage image = blank(size.width(), size.height(), Green);
        paintEmptyHistogram(image, QStringLiteral("This log has no RTK-X epochs."));
        int left = size.width();
        int right = -1;
        int top = size.height();
        int bottom = -1;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                ASSERT_TRUE(pixel == White || pixel == Black) << x << "," << y;
                if (pixel == Black) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        ASSERT_GE(right, 0) << "the note is written";
        // Centred to a few pixels (glyphs' side bearings), and whole.
        EXPECT_NEAR(left, size.width() - 1 - right, 4);
        EXPECT_NEAR(top, size.height() - 1 - bottom, 4);
        EXPECT_GT(left, 0);
        EXPECT_LT(right, size.width() - 1);
    }
}

TEST_F(Painters, SingleBinFillsTheBarAreaAtTheSmallestImage)
{
    Histogram h;
    h.addSample(0.1);
    QImage image = blank(100, 100);
    paintHistogram(image, h);
    // One bar from x = 0 to W - 50 - 1 (excluded), top at y = 10.
    EXPECT_EQ(image.pixel(48, 50), Black);
    EXPECT_EQ(image.pixel(47, 50), Green);
    EXPECT_EQ(image.pixel(49, 50), White);
    EXPECT_EQ(image.pixel(20, 10), Black);
    // Grid lines 7 pixels apart, (100 - 30) / 10, from y = 73 up to y = 10:
    // their dots fall on the axis (x = 50) there and it is black between.
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(image.pixel(50, (10 - i) * 7 + 10), Grey) << "grid line " << i;
        EXPECT_EQ(image.pixel(50, (10 - i) * 7 + 11), Black) << "axis below grid line " << i;
    }
}

// ---- error plot -------------------------------------------------------------------

// Records one second apart from 0 s to 480 s, manual truth 0: X error v
// means localX = -v. With increasing times, point c (c >= 1) carries
// record c + 1.
GNSSLog plotLog()
{
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    for (int i = 0; i <= 480; ++i) {
        GNSSRecord r;
        r.time = i;
        const double v = i < 100 ? 0.05 : i < 200 ? -0.2 : i < 300 ? 0.1 : 0;
        r.localX = -v;
        r.fixType = i < 100 ? 4 : i < 200 ? 5 : i < 300 ? 255 : 2;
        r.gpsSatellites = 12;
        r.glonassSatellites = 12;
        r.dop = 12;
        r.valid = 1;
        log.records.push_back(r);
    }
    log.startTime = 0;
    log.endTime = 480;
    log.maxErrorX = 0.3;
    return log;
}

ErrorPlotView only(std::initializer_list<Curve> curves, PlotScale scale, const GNSSLog* log)
{
    ErrorPlotView view;
    view.scale = scale;
    view.analysis = log;
    view.curves.fill(false);
    for (const Curve c : curves) {
        view.curves[static_cast<std::size_t>(c)] = true;
    }
    return view;
}

TEST_F(Painters, ErrorCurveAtItsScaledRowsAndClampedToTheEdges)
{
    // Image 530 x 248, 0.1 m scale: q = 208, zero line y = 124, 1040 px/m.
    const GNSSLog log = plotLog();
    const auto series = PointStore::build(480, log, 240, 480);
    QImage image = blank(530, 248);
    paintErrorPlot(image, series.get(), only({Curve::XError}, PlotScale::M0_1, &log));
    EXPECT_EQ(image.pixel(50, 72), Blue) << "0.05 m";
    EXPECT_EQ(image.pixel(50, 71), White);
    EXPECT_EQ(image.pixel(50, 73), White);
    EXPECT_EQ(image.pixel(150, 228), Blue) << "-0.2 m held at the bottom edge";
    EXPECT_EQ(image.pixel(250, 20), Blue) << "0.1 m at the top edge";
    EXPECT_EQ(image.pixel(350, 124), Blue) << "0 m on the zero line";
    EXPECT_EQ(image.pixel(478, 124), Blue);
    EXPECT_NE(image.pixel(479, 124), Blue) << "the last point's own pixel is the excluded end";
}

TEST_F(Painters, ErrorPlotFrameGridLabelsAndFixStrip)
{
    const GNSSLog log = plotLog();
    const auto series = PointStore::build(480, log, 240, 480);
    QImage image = blank(530, 248);
    paintErrorPlot(image, series.get(), only({}, PlotScale::M0_1, &log));
    EXPECT_EQ(image.pixel(0, 228), Black) << "bottom edge";
    EXPECT_EQ(image.pixel(479, 228), Black);
    EXPECT_EQ(image.pixel(480, 228), Black) << "right edge";
    EXPECT_EQ(image.pixel(480, 21), Black);
    EXPECT_NE(image.pixel(480, 20), Black);
    EXPECT_EQ(image.pixel(0, 19), White) << "no top edge";
    for (const int y : {124, 20, 72, 176}) {
        EXPECT_EQ(image.pixel(482, y), Grey) << "grid line at " << y;
        EXPECT_EQ(image.pixel(482, y + 1), White);
        EXPECT_EQ(image.pixel(485, y), White) << "grid ends at x = W - 45";
        EXPECT_TRUE(anyBlack(image, 485, y - 8, 530, y + 8)) << "label at " << y;
    }
    EXPECT_TRUE(anyBlack(image, 485, 220, 530, 236)) << "label of -r";
    // Fix strip: rows q + 25 .. q + 34, columns c - 1 and c.
    EXPECT_EQ(image.pixel(50, 233), Green);
    EXPECT_EQ(image.pixel(50, 242), Green);
    EXPECT_EQ(image.pixel(50, 232), White);
    EXPECT_EQ(image.pixel(50, 243), White);
    EXPECT_EQ(image.pixel(150, 238), Blue);
    EXPECT_EQ(image.pixel(250, 238), Yellow);
    EXPECT_EQ(image.pixel(350, 238), Red) << "fix type 2 is red";
    EXPECT_EQ(image.pixel(479, 238), Red) << "the last point";
    EXPECT_EQ(image.pixel(481, 238), White) << "no point in the last column";
}

// Ten epochs a second for 480 s on 480 columns: ten epochs to a column. In
// every column three of four fixed epochs have the smallest errors, so the
// PointStore's one epoch (the largest 3-D error) is always a float one.
GNSSLog crowdedLog()
{
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    for (int i = 0; i < 4800; ++i) {
        GNSSRecord r;
        r.time = i * 0.1;
        const bool fixed = i % 4 != 3;
        r.localX = fixed ? -0.01 : -0.045;  // X error 0.01 m or 0.045 m
        r.fixType = fixed ? FixType::RtkFixed : FixType::RtkFloat;
        r.valid = 1;
        log.records.push_back(r);
    }
    log.startTime = 0;
    log.endTime = 479.9;
    log.maxErrorX = 0.045;
    log.dataQuality.medianInterval = 0.1;
    return log;
}

TEST_F(Painters, CrowdedColumnsShowTheirFixSharesAndTheirCurveSpans)
{
    // Image 530 x 248, 0.1 m scale: zero line y = 124, 1040 px/m; strip rows 233..242.
    const GNSSLog log = crowdedLog();
    const auto series = PointStore::build(480, log, 240, 480);
    const DenseColumns dense = denseColumns(log, 480, 240, 480);
    ASSERT_TRUE(dense.crowded());
    QImage image = blank(530, 248);
    paintErrorPlot(image, series.get(), only({Curve::XError}, PlotScale::M0_1, &log), &dense);
    int green = 0;
    int blue = 0;
    for (int y = 233; y <= 242; ++y) {
        green += image.pixel(200, y) == Green ? 1 : 0;
        blue += image.pixel(200, y) == Blue ? 1 : 0;
    }
    EXPECT_GE(green, 7) << "a column of 75 % fixed epochs is mostly green";
    EXPECT_GE(blue, 2);
    // The X curve spans 0.01 m (y = 113) to 0.045 m (y = 77) in every column.
    for (const int y : {113, 100, 80, 77}) {
        EXPECT_EQ(image.pixel(200, y), Blue) << "row " << y;
    }
    EXPECT_NE(image.pixel(200, 114), Blue);
    EXPECT_NE(image.pixel(200, 76), Blue);

    // Without the columns: one epoch per column, a float one, so an
    // all-blue strip, as before.
    QImage sparse = blank(530, 248);
    paintErrorPlot(sparse, series.get(), only({Curve::XError}, PlotScale::M0_1, &log));
    EXPECT_EQ(sparse.pixel(200, 233), Blue);
}

TEST_F(Painters, CurvesBreakWhereTheDataHasAGap)
{
    // plotLog (one epoch a second) with the epochs of 150 s .. 249 s gone:
    // a 101 s step against a 1 s median step.
    GNSSLog log = plotLog();
    log.records.erase(log.records.begin() + 150, log.records.begin() + 250);
    log.dataQuality.medianInterval = 1;
    const auto series = PointStore::build(480, log, 240, 480);
    const DenseColumns dense = denseColumns(log, 480, 240, 480);
    EXPECT_FALSE(dense.crowded());
    QImage image = blank(530, 248);
    paintErrorPlot(image, series.get(), only({Curve::XError}, PlotScale::M0_1, &log), &dense);
    for (int x = 152; x < 248; ++x) {
        for (int y = 20; y <= 228; ++y) {
            ASSERT_NE(image.pixel(x, y), Blue) << "a line across the gap at " << x << ", " << y;
        }
    }
    EXPECT_EQ(image.pixel(120, 228), Blue) << "before the gap";
    EXPECT_EQ(image.pixel(260, 20), Blue) << "after the gap";

    // Steps of the median's length or twice it are no gaps.
    log.dataQuality.medianInterval = 60;
    const DenseColumns slow = denseColumns(log, 480, 240, 480);
    QImage joined = blank(530, 248);
    paintErrorPlot(joined, series.get(), only({Curve::XError}, PlotScale::M0_1, &log), &slow);
    bool crossed = false;
    for (int y = 20; y <= 228; ++y) {
        crossed = crossed || joined.pixel(200, y) == Blue;
    }
    EXPECT_TRUE(crossed) << "without a gap the line joins the points";
}

TEST_F(Painters, LaterCurvesLieOverEarlierOnes)
{
    const GNSSLog log = plotLog();
    const auto series = PointStore::build(480, log, 240, 480);
    QImage image = blank(530, 248);
    // GPS, GLONASS and DOP all plot 0.12: DOP is drawn last, GLONASS before it.
    paintErrorPlot(image, series.get(),
                   only({Curve::GpsSats, Curve::GlonassSats, Curve::Dop}, PlotScale::M1_0, &log));
    // 0.12 on the 1.0 m scale: 228 - (0.12 * 104 + 104) = 111.52 -> 111.
    EXPECT_EQ(image.pixel(300, 111), Purple);
    paintErrorPlot(image, series.get(), only({Curve::GpsSats, Curve::GlonassSats}, PlotScale::M1_0, &log));
    EXPECT_EQ(image.pixel(300, 111), Grey);
    paintErrorPlot(image, series.get(), only({Curve::GpsSats}, PlotScale::M1_0, &log));
    EXPECT_EQ(image.pixel(300, 111), Teal);
    paintErrorPlot(image, series.get(), only({Curve::GpsSats}, PlotScale::M0_05, &log));
    EXPECT_EQ(image.pixel(300, 20), Teal) << "12 satellites beyond 0.05 m: top edge";
}

TEST_F(Painters, AutoscaleUsesTheAnalysisMaxima)
{
    const GNSSLog log = plotLog();  // maxErrorX 0.3
    const auto series = PointStore::build(480, log, 240, 480);
    QImage image = blank(530, 248);
    paintErrorPlot(image, series.get(), only({Curve::XError}, PlotScale::Autoscale, &log));
    // 0.1 m of 0.3 m: 228 - (0.1 * 104 / 0.3 + 104) = 89.33 -> 89.
    EXPECT_EQ(image.pixel(250, 89), Blue);
}

TEST_F(Painters, WithoutSeriesOrPointsLessIsDrawn)
{
    QImage image = blank(530, 248);
    paintErrorPlot(image, nullptr, ErrorPlotView{});
    EXPECT_EQ(image, blank(530, 248, White)) << "no series: white only";

    const GNSSLog empty(TruthMode::Averaged, 0, 0, 0);
    const auto series = PointStore::build(480, empty, 0, 0);
    ErrorPlotView view;
    view.analysis = &empty;
    paintErrorPlot(image, series.get(), view);
    EXPECT_EQ(image.pixel(10, 228), Black) << "frame";
    EXPECT_EQ(image.pixel(482, 124), Grey) << "grid";
    EXPECT_TRUE(anyBlack(image, 485, 4, 530, 30)) << "labels";
    for (int y = 21; y < 248; ++y) {
        if (y != 72 && y != 124 && y != 176 && y != 228) {
            ASSERT_EQ(image.pixel(100, y), White) << "no curve and no strip at y " << y;
        }
    }
}

TEST_F(Painters, TinyImagesDoNotBreakThePainters)
{
    const GNSSLog log = plotLog();
    for (const QSize size : {QSize(1, 1), QSize(10, 5), QSize(49, 41), QSize(60, 30)}) {
        const auto series = PointStore::build(size.width() - 50, log, 240, 480);
        QImage image = blank(size.width(), size.height());
        paintErrorPlot(image, series.get(), ErrorPlotView{});
        paintHistogram(image, threeBins());
        EXPECT_EQ(image.size(), size);
    }
    QImage null;
    paintErrorPlot(null, nullptr, ErrorPlotView{});
    paintHistogram(null, threeBins());
    EXPECT_TRUE(null.isNull());
}

}  // namespace
}  // namespace gnsslog
