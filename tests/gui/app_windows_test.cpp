// The main window's plot windows as a window manager meets them: closed
// from the frame they go the way of their View item; the scatter plot and
// the error CDF open only from View; the error plot's check boxes.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QTableWidget>

#include "app/EmptyHistogramNote.h"
#include "app/LogFileFilters.h"
#include "log/formats/Formats.h"
#include "plots/windows/CdfPlot.h"
#include "plots/windows/CurveCheckBox.h"
#include "plots/draw/ErrorPlotPainter.h"
#include "plots/windows/HistoPlot.h"
#include "plots/windows/ScatterPlot.h"
#include "plots/windows/SessionsPlot.h"
#include "plots/windows/XyPlot.h"
#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

// Lets queued calls (the close path) run.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

using PlotWindowFrames = MainWindowTest;

TEST_F(PlotWindowFrames, ClosedFromTheFrameTheWindowGoesAndItsItemUnchecks)
{
    load(dir.write("a.bin", navcomLog()));
    ASSERT_FALSE(form->ErrorPlotForm.isNull());

    EXPECT_TRUE(form->ErrorPlotForm->close() == false) << "the window refuses to close itself";
    settle();
    EXPECT_TRUE(form->ErrorPlotForm.isNull());
    EXPECT_FALSE(form->XYZplot1->isChecked());
    // The next choice of the item opens it again, as the user expects.
    form->XYZplot1->trigger();
    EXPECT_FALSE(form->ErrorPlotForm.isNull());
    EXPECT_TRUE(form->XYZplot1->isChecked());

    // One of the two 3-D windows takes its sibling: they share an item.
    form->Rtkx3DHistogramForm->close();
    settle();
    EXPECT_TRUE(form->Rtkx3DHistogramForm.isNull());
    EXPECT_TRUE(form->Fix3DHistogramForm.isNull());
    EXPECT_FALSE(form->N3Dpositionhistogram1->isChecked());

    form->XHistogramForm->close();
    form->XHistogramForm->close();  // twice before the queue runs: one toggle
    settle();
    EXPECT_TRUE(form->XHistogramForm.isNull());
    EXPECT_FALSE(form->XHistogram1->isChecked());
    EXPECT_FALSE(form->YHistogramForm.isNull());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PlotWindowFrames, ScatterAndCdfOpenOnlyFromViewAndFollowLoads)
{
    EXPECT_FALSE(form->Scatterplot1->isChecked());
    EXPECT_FALSE(form->ErrorCdf1->isChecked());
    load(dir.write("a.bin", navcomLog()));
    EXPECT_TRUE(form->ScatterPlotForm.isNull()) << "a default load opens the six windows only";
    EXPECT_TRUE(form->CdfPlotForm.isNull());

    form->Scatterplot1->trigger();
    form->ErrorCdf1->trigger();
    ASSERT_FALSE(form->ScatterPlotForm.isNull());
    ASSERT_FALSE(form->CdfPlotForm.isNull());
    EXPECT_EQ(form->ScatterPlotForm->windowTitle(), "Scatter plot");
    EXPECT_EQ(form->CdfPlotForm->windowTitle(), "Error CDF");
    EXPECT_TRUE(form->ScatterPlotForm->isVisible());
    EXPECT_EQ(form->ScatterPlotForm->Analysis, form->Analysis.get());
    EXPECT_GT(form->ScatterPlotForm->Circles.count, 0) << "a generated log has RTK-fixed epochs";
    EXPECT_GT(form->CdfPlotForm->Cdf.horizontal[static_cast<std::size_t>(CdfClass::All)].count, 0);

    // Checked, they come back with the next load, on its analysis.
    load(dir.write("b.bin", navcomLog(20000, 5)));
    ASSERT_FALSE(form->ScatterPlotForm.isNull());
    EXPECT_EQ(form->ScatterPlotForm->Analysis, form->Analysis.get());
    EXPECT_EQ(form->CdfPlotForm->Analysis, form->Analysis.get());

    form->ScatterPlotForm->close();
    settle();
    EXPECT_TRUE(form->ScatterPlotForm.isNull());
    EXPECT_FALSE(form->Scatterplot1->isChecked());
    form->ErrorCdf1->trigger();
    EXPECT_TRUE(form->CdfPlotForm.isNull());
}

// Colours other than the background: something was painted.
int paintedPixels(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            painted += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    return painted;
}

TEST_F(PlotWindowFrames, SessionsOpenOnlyFromViewShowTheGeneratedSessionsAndFollowLoads)
{
    GeneratorOptions options;
    options.format = LogFormat::Navcom;
    options.seed = 3;
    options.resets = 6;
    GeneratorStats generated;
    const std::string log = generateLog(options, &generated);
    ASSERT_EQ(generated.sessions.size(), 6u);

    EXPECT_FALSE(form->Sessions1->isChecked());
    load(dir.write("resets.bin", log));
    EXPECT_TRUE(form->SessionsForm.isNull()) << "a default load opens the six windows only";
    form->Sessions1->trigger();
    ASSERT_FALSE(form->SessionsForm.isNull());
    TSessionsForm& sessions = *form->SessionsForm;
    EXPECT_TRUE(form->Sessions1->isChecked());
    EXPECT_EQ(sessions.windowTitle(), "Sessions");
    EXPECT_TRUE(sessions.isVisible());
    EXPECT_EQ(sessions.Analysis, form->Analysis.get());

    // One row per generated session, its time to fix to the epoch.
    ASSERT_EQ(sessions.Table->rowCount(), 6);
    int fixColumn = -1;
    for (int c = 0; c < sessions.Table->columnCount(); ++c) {
        if (sessions.Table->horizontalHeaderItem(c)->text() == "fix (s)") {
            fixColumn = c;
        }
    }
    ASSERT_GE(fixColumn, 0);
    for (int r = 0; r < 6; ++r) {
        const auto& expected = generated.sessions[static_cast<std::size_t>(r)];
        EXPECT_EQ(sessions.Table->item(r, 0)->text().toInt(), r + 1);
        EXPECT_NEAR(sessions.Table->item(r, fixColumn)->text().toDouble(), expected.timeToFirstFix, 0.05) << r;
    }
    EXPECT_TRUE(sessions.SummaryLabel->text().startsWith("6 sessions, never fixed 0\n"))
        << sessions.SummaryLabel->text().toStdString();

    settle();
    EXPECT_GT(paintedPixels(sessions.LanesImage->Bitmap), 1000) << "the lanes are drawn";
    EXPECT_GT(paintedPixels(sessions.CdfImage->Bitmap), 1000) << "the curve and its axes are drawn";
    // The table stays below the pictures and the summary, inside the window.
    EXPECT_GE(sessions.Table->y(), sessions.SummaryLabel->geometry().bottom());
    EXPECT_GE(sessions.SummaryLabel->y(), sessions.LanesImage->geometry().bottom());
    EXPECT_LE(sessions.Table->geometry().bottom(), sessions.height());
    EXPECT_LE(sessions.CdfImage->geometry().right(), sessions.width());

    // Checked, it comes back with the next load, on that load's sessions.
    load(dir.write("b.bin", navcomLog(20000, 5)));
    ASSERT_FALSE(form->SessionsForm.isNull());
    EXPECT_EQ(form->SessionsForm->Analysis, form->Analysis.get());
    EXPECT_EQ(form->SessionsForm->Table->rowCount(),
              static_cast<int>(form->SessionsForm->Sessions->sessions.size()));

    form->SessionsForm->close();
    settle();
    EXPECT_TRUE(form->SessionsForm.isNull());
    EXPECT_FALSE(form->Sessions1->isChecked());
    form->Sessions1->trigger();
    EXPECT_FALSE(form->SessionsForm.isNull()) << "chosen again, it opens again";
    form->Sessions1->trigger();
    EXPECT_TRUE(form->SessionsForm.isNull());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PlotWindowFrames, ScatterKeepsItsScaleAndRepaintsOnAChoice)
{
    load(dir.write("a.bin", navcomLog()));
    form->Scatterplot1->trigger();
    TScatterPlotForm& scatter = *form->ScatterPlotForm;
    scatter.show();
    settle();
    ASSERT_FALSE(scatter.Image1->Bitmap.isNull());
    EXPECT_EQ(scatter.scale(), PlotScale::Autoscale);
    const QImage autoscaled = scatter.Image1->Bitmap.copy();
    scatter.ScaleButtons[static_cast<std::size_t>(PlotScale::M1_0)]->click();
    EXPECT_EQ(scatter.scale(), PlotScale::M1_0);
    EXPECT_NE(scatter.Image1->Bitmap, autoscaled) << "a 1 m scale draws another picture";
    scatter.SetAnalysis(form->Analysis.get());
    EXPECT_EQ(scatter.scale(), PlotScale::M1_0);
}

// An empty histogram window says why it is empty; the others draw bars.
TEST_F(PlotWindowFrames, EmptyHistogramWindowsSayTheLogHasNoSuchEpochs)
{
    load(dir.write("a.bin", navcomLog()));
    ASSERT_TRUE(form->Rtkx3DHistogramForm);
    ASSERT_EQ(form->Analysis->hist3DRtkx.peakCount(), 0) << "the sample log has no RTK-X epochs";
    ASSERT_GT(form->Analysis->histX.peakCount(), 0);
    const auto blackPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixel(x, y) == 0xFF000000u ? 1 : 0;
            }
        }
        return count;
    };
    TPlotForm& rtkx = *form->Rtkx3DHistogramForm;
    rtkx.show();
    settle();
    EXPECT_EQ(rtkx.EmptyNote, "This log has no RTK-X epochs.");
    EXPECT_GT(blackPixels(rtkx.Image1->Bitmap), 20) << "the note is on the picture";
    EXPECT_TRUE(form->XHistogramForm->EmptyNote.isEmpty());

    GNSSLog noFix(TruthMode::Averaged, 0, 0, 0);
    EXPECT_EQ(emptyHistogramNote(noFix, &noFix.histX), "This log has no RTK-fixed epochs.");
    EXPECT_EQ(emptyHistogramNote(noFix, &noFix.hist3DFix), "This log has no RTK-fixed epochs.");
    noFix.rtkFixCount = 3;
    EXPECT_EQ(emptyHistogramNote(noFix, &noFix.histZ), "No RTK-fixed epoch of this log has a height.");
    GNSSRecord rtkxRecord;
    rtkxRecord.fixType = FixType::RtkX;
    noFix.records.push_back(rtkxRecord);
    EXPECT_EQ(emptyHistogramNote(noFix, &noFix.hist3DRtkx),
              "No RTK-X epoch of this log has a grid position and a height.");
}

TEST_F(PlotWindowFrames, ErrorPlotKeepsScaleAndCurvesWhenRecreated)
{
    load(dir.write("a.bin", navcomLog()));
    form->ErrorPlotForm->RadioButton4->click();  // 0.2 m
    form->ErrorPlotForm->CheckBox2->click();     // Y-Error off
    form->ErrorPlotForm->CheckBox7->click();     // DOP off
    load(dir.write("b.bin", navcomLog(20000, 5)));
    ASSERT_FALSE(form->ErrorPlotForm.isNull());
    ErrorPlotView view = form->ErrorPlotForm->currentView();
    EXPECT_EQ(view.scale, PlotScale::M0_2);
    EXPECT_FALSE(view.curves[static_cast<std::size_t>(Curve::YError)]);
    EXPECT_FALSE(view.curves[static_cast<std::size_t>(Curve::Dop)]);
    EXPECT_TRUE(view.curves[static_cast<std::size_t>(Curve::XError)]);

    // Through the View item too.
    form->ErrorPlotForm->RadioButton6->click();  // 1.0 m
    form->XYZplot1->trigger();
    form->XYZplot1->trigger();
    view = form->ErrorPlotForm->currentView();
    EXPECT_EQ(view.scale, PlotScale::M1_0);
    EXPECT_FALSE(view.curves[static_cast<std::size_t>(Curve::YError)]);
}

TEST(LogFileFilters, CurrentModeFirstEveryKnownFormatAndAllFilesLast)
{
    const QStringList nmea = logFileFilters(nmeaFormat());
    ASSERT_GE(nmea.size(), 3);
    EXPECT_TRUE(nmea.front().startsWith("NMEA (ascii) logs (")) << nmea.front().toStdString();
    EXPECT_TRUE(nmea.front().contains("*.nmea"));
    EXPECT_EQ(nmea.back(), "All files (*)");
    const QStringList navcom = logFileFilters(navcomFormat());
    EXPECT_TRUE(navcom.front().contains("*.pvt1b")) << navcom.front().toStdString();
    EXPECT_EQ(navcom.size(), nmea.size());
    EXPECT_TRUE(navcom.contains(nmea.front())) << "the other modes follow";
    EXPECT_EQ(navcom.count("All files (*)"), 1);
}

TEST_F(PlotWindowFrames, StatusPanelsSitSideBySideAndTheLastTakesTheRest)
{
    TXYPlotForm plot(nullptr, QStringLiteral("XYZ plotter window"), nullptr);
    plot.show();
    plot.resize(642, 438);
    settle();
    for (std::size_t i = 1; i < plot.StatusPanels.size(); ++i) {
        EXPECT_EQ(plot.StatusPanels[i]->x(), plot.StatusPanels[i - 1]->geometry().right() + 1) << i;
    }
    EXPECT_EQ(plot.StatusPanels[0]->width(), 105);
    EXPECT_EQ(plot.StatusPanels.back()->width(), 80) << "cut at the edge rather than squeezed";
    plot.resize(900, 438);
    settle();
    EXPECT_EQ(plot.StatusPanels.back()->geometry().right(), 899);
    EXPECT_EQ(plot.StatusPanels[6]->width(), 110);
    // The full text stays readable through the panel, whatever is shown.
    plot.StatusPanels[0]->setText(QStringLiteral("Time: 12345678901234.00 s"));
    EXPECT_EQ(plot.panelText(0), QStringLiteral("Time: 12345678901234.00 s"));
}

// The whole box in the curve's colour, caption yellow, tick on white.
TEST_F(PlotWindowFrames, CheckBoxesAreFilledWithTheCurveColour)
{
    TXYPlotForm plot(nullptr, QStringLiteral("XYZ plotter window"), nullptr);
    plot.show();
    settle();
    const std::pair<QCheckBox*, Curve> boxes[] = {{plot.CheckBox1, Curve::XError}, {plot.CheckBox4, Curve::Error3D},
                                                  {plot.CheckBox6, Curve::GpsSats}, {plot.CheckBox7, Curve::Dop}};
    for (const auto& [box, curve] : boxes) {
        const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb fill = 0xFF000000u | curveColour(curve);
        int filled = 0;
        int yellow = 0;
        int white = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                filled += p == fill ? 1 : 0;
                // Captions may be antialiased: mostly yellow counts.
                yellow += qRed(p) > 180 && qGreen(p) > 180 && qBlue(p) < 120 ? 1 : 0;
                white += p == 0xFFFFFFFFu ? 1 : 0;
            }
        }
        const int area = image.width() * image.height();
        EXPECT_GT(filled, area / 2) << box->text().toStdString();
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), fill) << "the box, not only the tick";
        EXPECT_GT(yellow, 10) << box->text().toStdString();
        EXPECT_GT(white, 20) << "the tick's square stays white so the tick shows";
        EXPECT_NE(dynamic_cast<CurveCheckBox*>(box), nullptr);
    }
}

}  // namespace
}  // namespace gnsslog::apptest
