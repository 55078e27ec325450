// The main window's plot windows: opening them for the analysis, placing
// them beside it, and the View items that show and hide them.
#include "app/logviewerform.h"

#include <QAction>
#include <QScreen>

#include <utility>
#include <vector>

#include "app/DataQualityForm.h"
#include "app/EmptyHistogramNote.h"
#include "app/MainWindowParts.h"
#include "plots/windows/CdfPlot.h"
#include "plots/windows/HistoPlot.h"
#include "plots/windows/ScatterPlot.h"
#include "plots/windows/StanfordPlot.h"
#include "plots/windows/TrackPlot.h"
#include "plots/windows/SessionsPlot.h"
#include "plots/windows/WindowPlacement.h"
#include "plots/windows/XyPlot.h"

namespace gnsslog {

void TForm3::rememberPlaces()
{
    const QWidget* const windows[] = {XHistogramForm, YHistogramForm, ZHistogramForm, Fix3DHistogramForm,
                                      Rtkx3DHistogramForm, ErrorPlotForm, ScatterPlotForm, CdfPlotForm,
                                      TrackForm, SessionsForm, StanfordForm};
    for (const QWidget* window : windows) {
        if (window != nullptr && window->isVisible()) {
            places_[window->windowTitle()] = QRect(window->pos(), window->size());
        }
    }
}

void TForm3::destroyPlotWindows()
{
    rememberPlaces();
    destroyWindow(XHistogramForm);
    destroyWindow(YHistogramForm);
    destroyWindow(ZHistogramForm);
    destroyWindow(Fix3DHistogramForm);
    destroyWindow(Rtkx3DHistogramForm);
    destroyErrorPlot();
    destroyWindow(ScatterPlotForm);
    destroyWindow(CdfPlotForm);
    destroyWindow(TrackForm);
    destroyWindow(SessionsForm);
    destroyWindow(StanfordForm);
}

void TForm3::destroyErrorPlot()
{
    if (ErrorPlotForm) {
        errorPlotChoices_ = std::make_unique<ErrorPlotView>(ErrorPlotForm->currentView());
    }
    destroyWindow(ErrorPlotForm);
}

void TForm3::Dataquality1Click()
{
    if (!DataQualityForm) {
        DataQualityForm = new TDataQualityForm(this);
    }
    DataQualityForm->SetQuality(Analysis ? &Analysis->dataQuality : nullptr);
    DataQualityForm->show();
    // In front of the always-on-top main window, as the comparison is.
    DataQualityForm->raise();
    DataQualityForm->activateWindow();
}

void TForm3::openHistogram(QPointer<TPlotForm>& field, const QString& caption, const Histogram* histogram,
                           QAction* viewItem)
{
    const QString note = Analysis ? emptyHistogramNote(*Analysis, histogram) : QString();
    if (!field) {
        field = new TPlotForm(this, caption, histogram);
        field->EmptyNote = note;
        closeThroughViewItem(field.data(), viewItem);
        placeNewWindow(field.data());
    } else {
        field->EmptyNote = note;
        field->SetHistogram(caption, histogram);
    }
    field->show();
}

void TForm3::openErrorPlot()
{
    if (!ErrorPlotForm) {
        ErrorPlotForm = new TXYPlotForm(this, kCaptionErrorPlot, Analysis.get(), analysisPlotIndex_);
        if (errorPlotChoices_) {
            ErrorPlotForm->applyChoices(*errorPlotChoices_);
        }
        closeThroughViewItem(ErrorPlotForm.data(), XYZplot1);
        placeNewWindow(ErrorPlotForm.data());
    } else {
        // Only a live source's next analysis finds the window open.
        ErrorPlotForm->FollowAnalysis(Analysis.get(), analysisPlotIndex_);
    }
    ErrorPlotForm->show();
}

void TForm3::openScatterPlot()
{
    if (!ScatterPlotForm) {
        ScatterPlotForm = new TScatterPlotForm(kCaptionScatter, Analysis.get(), analysisCircles_);
        closeThroughViewItem(ScatterPlotForm.data(), Scatterplot1);
        placeNewWindow(ScatterPlotForm.data());
    } else {
        ScatterPlotForm->SetAnalysis(Analysis.get(), analysisCircles_);
    }
    ScatterPlotForm->show();
}

void TForm3::openCdfPlot()
{
    if (!CdfPlotForm) {
        CdfPlotForm = new TCdfPlotForm(kCaptionCdf, Analysis.get(), analysisCdf_);
        closeThroughViewItem(CdfPlotForm.data(), ErrorCdf1);
        placeNewWindow(CdfPlotForm.data());
    } else {
        CdfPlotForm->SetAnalysis(Analysis.get(), analysisCdf_);
    }
    CdfPlotForm->show();
}

void TForm3::openTrack()
{
    if (!TrackForm) {
        TrackForm = new TTrackForm(kCaptionTrack, PositionsAnalysis ? PositionsAnalysis.get() : Analysis.get(),
                                   analysisReference_.get());
        closeThroughViewItem(TrackForm.data(), Track1);
        placeNewWindow(TrackForm.data());
    } else {
        if (liveTrack_) {
            TrackForm->FollowSeries(std::move(*liveTrack_));
        } else {
            TrackForm->SetAnalysis(PositionsAnalysis ? PositionsAnalysis.get() : Analysis.get(),
                                   analysisReference_.get());
        }
    }
    TrackForm->show();
}

void TForm3::openSessionsWindow()
{
    if (!SessionsForm) {
        SessionsForm = new TSessionsForm(kCaptionSessions, Analysis.get(), analysisSessions_);
        closeThroughViewItem(SessionsForm.data(), Sessions1);
        placeNewWindow(SessionsForm.data());
    } else {
        SessionsForm->SetAnalysis(Analysis.get(), analysisSessions_);
    }
    SessionsForm->show();
}

void TForm3::openStanfordPlot()
{
    if (!StanfordForm) {
        StanfordForm = new TStanfordPlotForm(kCaptionStanford, Analysis.get());
        closeThroughViewItem(StanfordForm.data(), StanfordPlot1);
        placeNewWindow(StanfordForm.data());
    } else {
        StanfordForm->SetAnalysis(Analysis.get());
    }
    StanfordForm->show();
}

void TForm3::placeNewWindow(QWidget* window)
{
    // Where the user left the window of the same caption at the last load.
    if (const auto place = places_.find(window->windowTitle()); place != places_.end()) {
        window->move(place->second.topLeft());
        window->resize(place->second.size());
        return;
    }
    // Only beside a main window on a screen; hidden (as in tests) the
    // window system decides.
    if (!isVisible() || screen() == nullptr) {
        return;
    }
    // Not yet framed: assume the main window's frame, from the same window
    // manager.
    const QSize frame = frameGeometry().size() - size();
    std::vector<QRect> taken{frameGeometry()};
    int others = 0;
    const QWidget* const windows[] = {XHistogramForm, YHistogramForm, ZHistogramForm, Fix3DHistogramForm,
                                      Rtkx3DHistogramForm, ErrorPlotForm, ScatterPlotForm, CdfPlotForm,
                                      TrackForm, SessionsForm, StanfordForm};
    for (const QWidget* other : windows) {
        if (other != nullptr && other != window && other->isVisible()) {
            taken.push_back(other->frameGeometry());
            ++others;
        }
    }
    window->move(placeWindow(screen()->availableGeometry(), taken, window->size() + frame, others));
}

// View toggles: a checked item is unchecked and its windows destroyed; an
// unchecked one is checked and, when there is an analysis (an empty one
// too), its missing windows are opened.
void TForm3::toggleViewItem(QAction* item, const std::function<void()>& destroyWindows,
                            const std::function<void()>& openMissingWindows)
{
    if (item->isChecked()) {
        item->setChecked(false);
        destroyWindows();
        return;
    }
    item->setChecked(true);
    if (Analysis) {
        openMissingWindows();
    }
}

void TForm3::openMissingHistogram(QPointer<TPlotForm>& field, const QString& caption,
                                  const Histogram* histogram, QAction* viewItem)
{
    if (!field) {
        openHistogram(field, caption, histogram, viewItem);
    }
}

void TForm3::XHistogram1Click()
{
    toggleViewItem(
        XHistogram1, [this] { destroyWindow(XHistogramForm); },
        [this] { openMissingHistogram(XHistogramForm, kCaptionX, &Analysis->histX, XHistogram1); });
}

void TForm3::YHistogram1Click()
{
    toggleViewItem(
        YHistogram1, [this] { destroyWindow(YHistogramForm); },
        [this] { openMissingHistogram(YHistogramForm, kCaptionY, &Analysis->histY, YHistogram1); });
}

void TForm3::ZHistogram1Click()
{
    toggleViewItem(
        ZHistogram1, [this] { destroyWindow(ZHistogramForm); },
        [this] { openMissingHistogram(ZHistogramForm, kCaptionZ, &Analysis->histZ, ZHistogram1); });
}

void TForm3::N3Dpositionhistogram1Click()
{
    toggleViewItem(
        N3Dpositionhistogram1,
        [this] {
            destroyWindow(Fix3DHistogramForm);
            destroyWindow(Rtkx3DHistogramForm);
        },
        [this] {
            openMissingHistogram(Fix3DHistogramForm, kCaption3DFix, &Analysis->hist3DFix, N3Dpositionhistogram1);
            openMissingHistogram(Rtkx3DHistogramForm, kCaption3DRtkx, &Analysis->hist3DRtkx, N3Dpositionhistogram1);
        });
}

void TForm3::XYZplot1Click()
{
    toggleViewItem(
        XYZplot1, [this] { destroyErrorPlot(); },
        [this] {
            if (!ErrorPlotForm) {
                openErrorPlot();
            }
        });
}

void TForm3::Scatterplot1Click()
{
    toggleViewItem(
        Scatterplot1, [this] { destroyWindow(ScatterPlotForm); },
        [this] {
            if (!ScatterPlotForm) {
                openScatterPlot();
            }
        });
}

void TForm3::ErrorCdf1Click()
{
    toggleViewItem(
        ErrorCdf1, [this] { destroyWindow(CdfPlotForm); },
        [this] {
            if (!CdfPlotForm) {
                openCdfPlot();
            }
        });
}

void TForm3::Track1Click()
{
    toggleViewItem(
        Track1, [this] { destroyWindow(TrackForm); },
        [this] {
            if (!TrackForm) {
                openTrack();
            }
        });
}

void TForm3::Sessions1Click()
{
    toggleViewItem(
        Sessions1, [this] { destroyWindow(SessionsForm); },
        [this] {
            if (!SessionsForm) {
                openSessionsWindow();
            }
        });
}

void TForm3::StanfordPlot1Click()
{
    toggleViewItem(
        StanfordPlot1, [this] { destroyWindow(StanfordForm); },
        [this] {
            if (!StanfordForm) {
                openStanfordPlot();
            }
        });
}

void TForm3::FormDestroy()
{
    destroyWindow(ZHistogramForm);
    destroyWindow(XHistogramForm);
    destroyWindow(YHistogramForm);
    destroyWindow(Fix3DHistogramForm);
    destroyWindow(Rtkx3DHistogramForm);
    destroyWindow(ErrorPlotForm);
    destroyWindow(ScatterPlotForm);
    destroyWindow(CdfPlotForm);
    destroyWindow(TrackForm);
    destroyWindow(SessionsForm);
    destroyWindow(StanfordForm);
}

}  // namespace gnsslog
