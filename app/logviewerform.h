// The main window: menus, manual truth coordinates, the load command, the
// six-line summary, and the histogram and error plot windows it owns.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/BackgroundAnalysis.h"
#include "log/ErrorPass.h"
#include "log/Gpslog.h"
#include "log/GrowingLogReader.h"
#include "metrics/ErrorCdf.h"
#include "metrics/ScatterCircles.h"
#include "metrics/SessionSummary.h"
#include "plots/series/ErrorPlotIndex.h"
#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;

namespace gnsslog {

class Dialogs;
class TPlotForm;
class TXYPlotForm;
class TDataQualityForm;
class TCompareLogsForm;
class TScatterPlotForm;
class TCdfPlotForm;
class TTrackForm;
class TSessionsForm;
class TStanfordPlotForm;
struct ErrorPlotView;
class FrameMenu;
class LiveSession;

class TForm3 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);  // with the application's dialogs
    explicit TForm3(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm3() override;  // runs FormDestroy

    // Handlers, named after their controls and events. Called directly they
    // let errors escape; from the menu an escaping error is shown in the
    // standard error box.
    void Loadlogfile1Click();
    void Button1Click();  // the load command
    // Loads fileName as the load command does after its dialog, in the
    // format the log's start looks like (NavCom binary when none): a file
    // named on the command line or by the desktop's "Open with".
    void openLogFile(const QString& fileName);
    void N3Dpositionhistogram1Click();
    void XHistogram1Click();
    void YHistogram1Click();
    void ZHistogram1Click();
    void XYZplot1Click();
    void Dataquality1Click();
    void Comparelogs1Click();
    // Asks for a monitoring history (*.sqlite) and shows it in a History
    // window of its own; a file that is no history, or of a newer gnsslog,
    // gives an error box with the file's reason and is left unchanged.
    void OpenHistory1Click();
    void Scatterplot1Click();
    void ErrorCdf1Click();
    void Track1Click();
    void Sessions1Click();
    void StanfordPlot1Click();
    // Asks for a live source and follows it: what arrives is analysed
    // again at most once a second and the summary and windows follow.
    void OpenLiveSource1Click();
    void StopLiveSource1Click();
    // Follows sourceText (the report tool's syntax) as the dialog's
    // choice does, into the archive file archivePath (created or emptied,
    // and kept) or a temporary one when it is empty; an error box when
    // either cannot be opened.
    void openLiveSource(const QString& sourceText, const QString& archivePath = QString());
    bool live() const noexcept { return liveSession_ != nullptr; }
    std::uint64_t liveBytesReceived() const;  // 0 when not live
    void GeodeticKKJ1Click();
    // Asks for a reference trajectory; once one is read the item is the
    // truth mode, else the mode stays and an error box names the file.
    void Referencetrajectory1Click();
    void About1Click();
    void FormDestroy();

    // True while the load command runs; a second load is refused then.
    bool loading() const noexcept { return loading_; }

    // The reference trajectory last chosen (null before any); the loads
    // use it while its item is the truth mode.
    const ReferenceTrajectory* reference() const noexcept { return reference_.get(); }
    // Every record of the analysis against it; empty without one.
    const std::optional<TruthMatch>& truthMatch() const noexcept { return truthMatch_; }

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* XCoord = nullptr;
    QLineEdit* YCoord = nullptr;
    QLineEdit* ZCoord = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Loadlogfile1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Comparelogs1 = nullptr;
    QAction* OpenHistory1 = nullptr;
    QAction* OpenLiveSource1 = nullptr;
    QAction* StopLiveSource1 = nullptr;  // enabled while a live source is followed
    QMenu* View1 = nullptr;
    QAction* N3Dpositionhistogram1 = nullptr;
    QAction* XHistogram1 = nullptr;
    QAction* YHistogram1 = nullptr;
    QAction* ZHistogram1 = nullptr;
    QAction* XYZplot1 = nullptr;
    QAction* Dataquality1 = nullptr;
    QAction* Scatterplot1 = nullptr;  // unchecked at start
    QAction* ErrorCdf1 = nullptr;     // unchecked at start
    QAction* Track1 = nullptr;        // unchecked at start
    QAction* Sessions1 = nullptr;     // unchecked at start
    QAction* StanfordPlot1 = nullptr; // unchecked at start
    QMenu* ruthcoordinates1 = nullptr;
    QActionGroup* TruthGroup = nullptr;
    QAction* Useaverageposition1 = nullptr;
    QAction* Usefirstfixposition1 = nullptr;
    QAction* Manualinput1 = nullptr;
    QAction* Referencetrajectory1 = nullptr;
    QMenu* Mode = nullptr;
    QActionGroup* ModeGroup = nullptr;
    QAction* NMEAAscii = nullptr;
    QAction* Navcombinary = nullptr;
    QAction* VerifyNMEAchecksums1 = nullptr;
    // Items of the formats beyond the two designed ones, in registry order.
    std::vector<std::pair<QAction*, const InputFormat*>> FormatItems;
    // The format the log's start looks like (NavCom binary when none).
    QAction* Detectautomatically1 = nullptr;
    QMenu* ransformations1 = nullptr;
    QAction* GeodeticKKJ1 = nullptr;
    FrameMenu* Frames = nullptr;  // the other grids and "Manual truth is geodetic"
    QAction* About1 = nullptr;

    // Owned; QPointer so that a window that deleted itself reads as gone.
    QPointer<TPlotForm> ZHistogramForm;
    QPointer<TPlotForm> XHistogramForm;
    QPointer<TPlotForm> YHistogramForm;
    QPointer<TPlotForm> Fix3DHistogramForm;
    QPointer<TPlotForm> Rtkx3DHistogramForm;
    QPointer<TXYPlotForm> ErrorPlotForm;
    QPointer<TDataQualityForm> DataQualityForm;
    QPointer<TCompareLogsForm> CompareLogsForm;
    QPointer<TScatterPlotForm> ScatterPlotForm;
    QPointer<TCdfPlotForm> CdfPlotForm;
    QPointer<TTrackForm> TrackForm;
    QPointer<TSessionsForm> SessionsForm;
    QPointer<TStanfordPlotForm> StanfordForm;
    // Declared after the windows' fields and freed only after they are gone.
    std::unique_ptr<GNSSLog> Analysis;
    // Against a reference Analysis holds the errors; this the log's own
    // positions (null otherwise).
    std::unique_ptr<GNSSLog> PositionsAnalysis;

signals:
    void closed();  // the window was closed: the application ends

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    // The menus in the bar's order, then their handlers.
    void createFileMenu();
    void createViewMenu();
    void createTruthMenu();
    void createParsingModeMenu();
    void createTransformationsMenu();
    void connectMenuHandlers();
    template <typename Handler>
    void connectHandler(QAction* action, Handler handler);
    template <typename Handler>
    void connectSelfChecked(QAction* action, Handler handler);

    void destroyPlotWindows();  // the load command's order
    // viewItem: the View item whose choice destroys the window.
    void openHistogram(QPointer<TPlotForm>& field, const QString& caption, const Histogram* histogram,
                       QAction* viewItem);
    void openErrorPlot();
    void openScatterPlot();
    void openCdfPlot();
    void openTrack();
    void openSessionsWindow();
    void openStanfordPlot();
    void openMissingHistogram(QPointer<TPlotForm>& field, const QString& caption, const Histogram* histogram,
                              QAction* viewItem);
    // The View items' common handler: see logviewerform.cpp.
    void toggleViewItem(QAction* item, const std::function<void()>& destroyWindows,
                        const std::function<void()>& openMissingWindows);
    void hideProgress();
    // The windows whose View items are checked, for the analysis: opened,
    // or given it when they are open.
    void openCheckedWindows();
    // The analysis request of the menus' settings for fileName; false (and
    // an error raised) where a manual coordinate is not a number.
    AnalysisRequest analysisRequest(const QByteArray& path, bool detectFormat, DecodeOptions& decodeOptions) const;
    // The analysed log and what the windows draw from it become the window's.
    void takeAnalysis(AnalysedLog& analysed, const AnalysisRequest& request);
    void takeWindowFigures(WindowFigures& figures);
    void liveTick();      // once a second while live
    // What the archive gained decoded onto the kept records and the windows
    // given the result; ended: the source has gone, so its last record
    // counts too.
    void refreshLive(bool ended = false);
    // The reader of the archive with the menus' settings, once its format
    // can be decided (a new one when they have changed); false while it
    // cannot be yet.
    bool startLiveReader(const AnalysisRequest& request, const DecodeOptions& decodeOptions,
                         std::uint64_t bytes);
    // Where the live records' analysis is kept: liveUnshown_ until it is
    // first shown, then the shown analysis or, against a reference, the
    // positions behind it.
    std::unique_ptr<GNSSLog>& liveLogSlot();
    // An update's figures, measured off the window thread.
    struct LiveFigures {
        ErrorFigures errors;  // of the kept records against their truth
        std::unique_ptr<GNSSLog> againstReference;  // the error analysis against a reference
        std::optional<TruthMatch> truthMatch;
        WindowFigures window;  // of the analysis shown
    };
    LiveFigures measureLiveFigures(const GNSSLog& kept, const AnalysisRequest& request);
    void showLiveFigures(LiveFigures& figures, const AnalysisRequest& request);
    void showLiveStatus();  // the status line: rates since the last one
    void stopLive();
    // The load command after its dialog; detectFormat: the format the log's
    // start looks like rather than the Parsing mode menu's.
    void loadLogFile(const QString& fileName, bool detectFormat);
    // The labels' texts; the truth line names the reference the analysis
    // was matched against (null: none).
    void showSummary(const ReferenceTrajectory* reference);
    const InputFormat& chosenFormat() const;  // the Parsing mode menu's format
    std::uint8_t chosenTruthMode() const;     // the Truth coordinates menu's mode

    // Destroys the error plot, keeping its scale and curve choices for the
    // next one.
    void destroyErrorPlot();
    // Moves a window not yet shown to where the window of its caption was
    // at the last load, or else to a free place beside the others.
    void placeNewWindow(QWidget* window);
    void rememberPlaces();  // of the plot windows shown, before a load destroys them

    Dialogs& dialogs_;
    std::unique_ptr<ErrorPlotView> errorPlotChoices_;  // none until a plot has gone
    // Computed with the analysis, off the window thread.
    ErrorCdf analysisCdf_;
    ScatterCircles analysisCircles_;
    std::shared_ptr<const ErrorPlotIndex> analysisPlotIndex_;  // of Analysis
    std::shared_ptr<const ReferenceTrajectory> reference_;
    std::optional<TruthMatch> truthMatch_;  // of Analysis against analysisReference_
    std::shared_ptr<const ReferenceTrajectory> analysisReference_;  // the load's; null: none
    QAction* displacedTruth_ = nullptr;      // the truth mode the reference's item took over from
    std::shared_ptr<const SessionAnalysis> analysisSessions_;  // of Analysis
    // Position (frame) and client size of each plot window, by caption.
    std::map<QString, QRect> places_;
    bool loading_ = false;
    // The live source followed (null: none), its timer and its rates.
    std::unique_ptr<LiveSession> liveSession_;
    // Decodes what the archive gains onto the records kept from before.
    std::unique_ptr<GrowingLogReader> liveReader_;
    std::unique_ptr<GNSSLog> liveUnshown_;  // the live records' analysis before it is shown
    // The settings the last live update measured with: a change makes an
    // update even without new bytes.
    struct LiveTruthSettings {
        std::uint8_t truthMode = 0;
        std::array<double, 3> manual{};
        const ReferenceTrajectory* reference = nullptr;
        bool trackSeries = false;
        friend bool operator==(const LiveTruthSettings&, const LiveTruthSettings&) = default;
    };
    LiveTruthSettings liveTruth_;
    QTimer* liveTimer_ = nullptr;
    QString liveSourceText_;
    QString liveArchive_;  // the named archive kept after Stop; empty: a temporary one
    std::uint64_t liveAnalysedBytes_ = 0;  // of the archive, decoded so far
    std::uint64_t liveLastBytes_ = 0;      // at the last status
    std::uint64_t liveLastRecords_ = 0;    // at the last analysis
    double liveRecordsPerSecond_ = 0;      // between the last two analyses
    // The Track series of a live update, built with its analysis; taken
    // by the open Track window.
    std::optional<TrackSeries> liveTrack_;
    std::chrono::steady_clock::time_point liveLastStatusTime_;
    std::chrono::steady_clock::time_point liveLastAnalysisTime_;
    bool closing_ = false;  // closed: the application is ending
};

// The progress callback handed to the pipeline: forwards to FormProgress.
void ReportProgress(const char* text, std::int32_t position, std::int32_t total);

}  // namespace gnsslog

// The main window; created first at start-up.
extern gnsslog::TForm3* Form3;
