// The histogram and error plot windows: layout from the outer size, the
// read-out, the zoom commands through the pop-up menu and the wheel.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include "common/Saturate.h"
#include "plots/windows/HistoPlot.h"
#include "plots/draw/PlotWindowSizes.h"
#include "plots/windows/XyPlot.h"
#include "tests/gui/GuiTestApp.h"

namespace gnsslog {
namespace {

constexpr QRgb Marker = 0xFF123456;

// Gives the window the outer (frame) size asked for, whatever frame the
// platform adds, and lets it lay itself out.
void setOuterSize(QWidget& window, QSize outer)
{
    window.show();
    QCoreApplication::processEvents();
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(outer - frame);
    QCoreApplication::processEvents();
}

// Records 1000 s .. 1480 s, one a second, X error 0.001 m x index, so that
// point c (c >= 1) of a full view 480 columns wide carries record c + 1.
GNSSLog plotLog()
{
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    for (int i = 0; i <= 480; ++i) {
        GNSSRecord r;
        r.time = 1000 + i;
        r.localX = -0.001 * i;
        r.height = 0.5;
        r.dop = 1.25;
        r.errorEstimate = 0.012;
        r.satellites = i % 20;
        r.fixType = i % 2 == 0 ? 2 : 4;
        r.valid = 1;
        log.records.push_back(r);
    }
    log.startTime = 1000;
    log.endTime = 1480;
    return log;
}

class PlotWindows : public ::testing::Test {
protected:
    void SetUp() override { plottest::plotTestApp(); }
};

TEST_F(PlotWindows, HistogramWindowLaysOutFromItsOuterSize)
{
    Histogram h;
    h.addSample(0.02);
    auto form = std::make_unique<TPlotForm>(nullptr, QStringLiteral("X histogram"), &h);
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("X histogram"));

    setOuterSize(*form, QSize(332, 354));
    ASSERT_EQ(form->frameGeometry().size(), QSize(332, 354));
    EXPECT_EQ(form->Image1->geometry(), QRect(10, 10, 312, 294));
    EXPECT_EQ(form->Image1->Bitmap.size(), QSize(312, 294));
    EXPECT_EQ(form->Image1->Bitmap.pixel(100, 200), 0xFF008000u) << "the single bar";

    // Another histogram, empty: the caption changes, the picture stays.
    const Histogram empty;
    form->Image1->Bitmap.setPixel(100, 200, Marker);
    form->SetHistogram(QStringLiteral("Y histogram"), &empty);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Y histogram"));
    EXPECT_EQ(form->Image1->Bitmap.pixel(100, 200), Marker);
    form->SetHistogram(QStringLiteral("X histogram"), &h);
    EXPECT_EQ(form->Image1->Bitmap.pixel(100, 200), 0xFF008000u);
}

TEST_F(PlotWindows, DesignedSizesGiveTheReportToolsPictureSizes)
{
    // The report tool draws its pictures at these sizes without windows;
    // they must be what the windows show at their designed client size in
    // the designed frame.
    const Histogram empty;
    TPlotForm histogram(nullptr, QStringLiteral("X histogram"), &empty);
    setOuterSize(histogram, QSize(HistogramWindowSize::DesignedClientWidth + DesignedFrame::Width,
                                  HistogramWindowSize::DesignedClientHeight + DesignedFrame::Height));
    EXPECT_EQ(histogram.Image1->Bitmap.size(),
              QSize(HistogramWindowSize::PictureWidth, HistogramWindowSize::PictureHeight));
    EXPECT_EQ(histogram.Image1->Bitmap.size(), QSize(312, 294));

    const GNSSLog log = plotLog();
    TXYPlotForm plot(nullptr, QStringLiteral("XYZ plotter window"), &log);
    setOuterSize(plot, QSize(ErrorPlotWindowSize::DesignedClientWidth + DesignedFrame::Width,
                             ErrorPlotWindowSize::DesignedClientHeight + DesignedFrame::Height));
    EXPECT_EQ(plot.Image1->Bitmap.size(),
              QSize(ErrorPlotWindowSize::PictureWidth, ErrorPlotWindowSize::PictureHeight));
    EXPECT_EQ(plot.Image1->Bitmap.size(), QSize(530, 385));
}

TEST_F(PlotWindows, ErrorPlotAtTheSmallestSize)
{
    const GNSSLog log = plotLog();
    auto form = std::make_unique<TXYPlotForm>(nullptr, QStringLiteral("XYZ plotter window"), &log);
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowCloseButtonHint);
    // Less height than the smallest is refused.
    setOuterSize(*form, QSize(650, 300));
    ASSERT_EQ(form->frameGeometry().size(), QSize(650, 350));
    EXPECT_EQ(form->Image1->geometry(), QRect(18, 16, 530, 270));
    EXPECT_EQ(form->Image1->Bitmap.size(), QSize(530, 270));
    EXPECT_EQ(form->GroupBox1->geometry(), QRect(558, 170, 85, 116));
    // Every check box inside the window, the last one at its top edge.
    const std::pair<QCheckBox*, int> tops[] = {
        {form->CheckBox3, 140}, {form->CheckBox2, 120}, {form->CheckBox1, 100}, {form->CheckBox4, 80},
        {form->CheckBox5, 60},  {form->CheckBox6, 40}, {form->CheckBox8, 20}, {form->CheckBox7, 0}};
    for (const auto& [box, top] : tops) {
        EXPECT_EQ(box->pos(), QPoint(558, top)) << box->text().toStdString();
        EXPECT_TRUE(form->rect().contains(box->geometry())) << box->text().toStdString();
    }
    ASSERT_NE(form->Series, nullptr);
    // One point per occupied column but the last (i / 480 x 480 may round
    // just below i, so a few columns hold two records).
    std::set<std::int32_t> columns;
    for (const GNSSRecord& r : log.records) {
        columns.insert(toInt32(480 * ((r.time - 1000) / 480.0)));
    }
    EXPECT_EQ(form->Series->pointCount(), columns.size() - 1);
    EXPECT_GT(form->Series->pointCount(), 470u);
    // q = 230: the frame's bottom edge at q + 20 is painted.
    EXPECT_EQ(form->Image1->Bitmap.pixel(479, 250), 0xFF000000u);

    // Resizing keeps the view and rebuilds for the new width.
    form->View.HoveredTime = 1240;
    form->Zoomin1->trigger();
    setOuterSize(*form, QSize(770, 400));
    EXPECT_EQ(form->Image1->size(), QSize(650, 320));
    EXPECT_EQ(form->View.ZoomLevel, 2);
    EXPECT_EQ(form->View.CentreTime, 1240);
    EXPECT_GT(form->Series->points().back().column, 590) << "plot width 600 now";
    EXPECT_LT(form->Series->points().back().column, 600);
}

TEST_F(PlotWindows, ControlsAsDesigned)
{
    // Without an analysis the status line shows the design's texts.
    auto form = std::make_unique<TXYPlotForm>(nullptr, QStringLiteral("XYZ plotter window"), nullptr);
    const char* const starts[] = {"Time: 00000000.00 s", "X-Err:00.000 m", "Y-Err:-00.000 m",
                                  "Z-Err:-00.000 m",     "Sats: 00",       "DOP: 0.00",
                                  "ErrEstimate: 0.000 m", "UNK"};
    const int widths[] = {105, 80, 85, 85, 50, 60, 110, 80};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(form->panelText(i), QString::fromLatin1(starts[i]));
        EXPECT_EQ(form->StatusPanels[static_cast<std::size_t>(i)]->width(), widths[i]);
    }
    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_EQ(form->GroupBox1->title(), QStringLiteral("Scale"));
    EXPECT_EQ(form->RadioButton6->text(), QStringLiteral("1.0 m"));
    EXPECT_EQ(form->RadioButton6->geometry(), QRect(5, 90, 71, 20));
    EXPECT_EQ(form->CheckBox4->palette().color(QPalette::Window), QColor(255, 0, 255));
    EXPECT_EQ(form->CheckBox4->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(form->CheckBox8->text(), QStringLiteral("GLNSSats"));
    EXPECT_EQ(form->CheckBox8->palette().color(QPalette::Window), QColor(128, 128, 128));
    EXPECT_EQ(form->Image1->toolTip(), QStringLiteral("Right click for zoom!"));
    const auto actions = form->PopupMenu1->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Center"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Zoom in"));
    EXPECT_EQ(actions[2]->text(), QStringLiteral("Zoom out"));
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Reset zoom"));
}

// Before the first read-out, the last epoch rather than placeholder zeros.
TEST_F(PlotWindows, StatusLineShowsTheLastEpochUntilTheFirstReadOut)
{
    const GNSSLog log = plotLog();
    auto form = std::make_unique<TXYPlotForm>(nullptr, QStringLiteral("XYZ plotter window"), &log);
    const GNSSRecord& last = log.records.back();
    EXPECT_EQ(form->panelText(0), QString::asprintf("Time: %0.2f s", last.time - log.startTime));
    EXPECT_EQ(form->panelText(1), QString::asprintf("X-Err: %0.3f m", log.truthX() - last.localX));
    form->SetAnalysis(&log);
    EXPECT_EQ(form->panelText(0), QString::asprintf("Time: %0.2f s", last.time - log.startTime));
}

TEST_F(PlotWindows, ReadOutZoomAndWheel)
{
    const GNSSLog log = plotLog();
    auto form = std::make_unique<TXYPlotForm>(nullptr, QStringLiteral("XYZ plotter window"), &log);
    setOuterSize(*form, QSize(650, 350));
    QImage& bitmap = form->Image1->Bitmap;

    // Before any read-out, Center, Zoom in, Zoom out and the wheel do nothing.
    bitmap.setPixel(5, 5, Marker);
    form->Center1->trigger();
    form->Zoomin1->trigger();
    form->Zoomout1->trigger();
    QWheelEvent idle(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.get(), &idle);
    EXPECT_EQ(form->View.ZoomLevel, 1);
    EXPECT_EQ(bitmap.pixel(5, 5), Marker) << "no repaint";

    QMouseEvent move(QEvent::MouseMove, QPointF(241, 10), QPointF(241, 10), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(form->Image1, &move);
    EXPECT_EQ(form->panelText(0), QStringLiteral("Time: 242.00 s"));
    EXPECT_EQ(form->panelText(1), QStringLiteral("X-Err: 0.242 m"));
    EXPECT_EQ(form->panelText(2), QStringLiteral("Y-Err: 0.000 m"));
    EXPECT_EQ(form->panelText(3), QStringLiteral("Z-Err: -0.500 m"));
    EXPECT_EQ(form->panelText(4), QStringLiteral("Sats: 2"));
    EXPECT_EQ(form->panelText(5), QStringLiteral("DOP: 1.25"));
    EXPECT_EQ(form->panelText(6), QStringLiteral("ErrEstimate: 0.012 m"));
    EXPECT_EQ(form->panelText(7), QStringLiteral("SPS")) << "fix type 2";
    ASSERT_EQ(form->View.HoveredTime, 1242);
    EXPECT_EQ(bitmap.pixel(5, 5), Marker) << "the read-out does not repaint";
    form->Image1MouseMove(242, 0);
    EXPECT_EQ(form->panelText(7), QStringLiteral("RTK FIX"));
    form->Image1MouseMove(241, 0);

    form->Zoomin1->trigger();
    EXPECT_EQ(form->View.ZoomLevel, 2);
    EXPECT_EQ(form->View.CentreTime, 1242);
    EXPECT_EQ(form->View.TimeSpan, 240);
    EXPECT_EQ(bitmap.pixel(5, 5), 0xFFFFFFFFu) << "rebuilt and repainted";
    EXPECT_GE(form->Series->points().front().sample.time, 1122);

    QWheelEvent up(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.get(), &up);
    EXPECT_EQ(form->View.ZoomLevel, 3);
    EXPECT_FALSE(up.isAccepted()) << "the wheel event is not marked handled";
    QWheelEvent down(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.get(), &down);
    EXPECT_EQ(form->View.ZoomLevel, 2);

    form->Center1->trigger();
    EXPECT_EQ(form->View.ZoomLevel, 2);
    form->Zoomout1->trigger();
    form->Zoomout1->trigger();
    EXPECT_EQ(form->View.ZoomLevel, 1);
    EXPECT_EQ(form->View.CentreTime, 1242) << "zoom out at level 1 re-centres";
    form->Resetzoom1->trigger();
    EXPECT_EQ(form->View.CentreTime, 1240);
    EXPECT_EQ(form->View.HoveredTime, 1242) << "reset keeps the hovered time";

    // Scale and curve choices repaint from the same series.
    const PointStore* series = form->Series.get();
    const QImage before = bitmap.copy();
    form->RadioButton3->click();
    EXPECT_EQ(form->currentView().scale, PlotScale::M0_1);
    EXPECT_NE(bitmap, before);
    const QImage scaled = bitmap.copy();
    form->CheckBox1->click();
    EXPECT_FALSE(form->currentView().curves[0]);
    EXPECT_NE(bitmap, scaled);
    EXPECT_EQ(form->Series.get(), series);

    // Another analysis: full view, no hovered time.
    const GNSSLog other = plotLog();
    form->SetAnalysis(&other);
    EXPECT_EQ(form->Analysis, &other);
    EXPECT_FALSE(form->View.HoveredTime.has_value());
    EXPECT_EQ(form->View.ZoomLevel, 1);
    EXPECT_FALSE(form->CheckBox1->isChecked()) << "check boxes stay";
}

TEST_F(PlotWindows, EmptyAnalysisShowsFrameAndGridOnly)
{
    const GNSSLog empty(TruthMode::Averaged, 0, 0, 0);
    auto form = std::make_unique<TXYPlotForm>(nullptr, QStringLiteral("XYZ plotter window"), &empty);
    setOuterSize(*form, QSize(650, 350));
    EXPECT_EQ(form->Series->pointCount(), 0u);
    EXPECT_EQ(form->Image1->Bitmap.pixel(10, 250), 0xFF000000u) << "the frame's bottom edge, H - 20";
    EXPECT_EQ(form->Image1->Bitmap.pixel(10, 260), 0xFFFFFFFFu);
    form->Image1MouseMove(10, 10);
    EXPECT_EQ(form->panelText(7), QStringLiteral("UNK"));
    form->XYPlotFormMouseWheel(120);
    EXPECT_EQ(form->View.ZoomLevel, 1);
    form->Resetzoom1Click();
    EXPECT_EQ(form->View.ZoomLevel, 1);
}

}  // namespace
}  // namespace gnsslog
