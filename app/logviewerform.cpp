#include "app/logviewerform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>
#include <utility>

#include "app/About.h"
#include "app/BackgroundAnalysis.h"
#include "app/CompareLogsForm.h"
#include "app/DataQualityForm.h"
#include "app/Dialogs.h"
#include "app/FrameMenu.h"
#include "app/HistoryForm.h"
#include "app/LiveSession.h"
#include "app/LocaleNumber.h"
#include "app/LogFileFilters.h"
#include "app/MainWindowParts.h"
#include "app/ProgressBar.h"
#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/Summary.h"
#include "reference/TruthLine.h"
#include "compare/LogComparison.h"
#include "history/HistoryDatabase.h"
#include "plots/windows/XyPlot.h"

gnsslog::TForm3* Form3 = nullptr;

namespace gnsslog {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, int left, int top, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, width, height);
    return edit;
}

// Labels size themselves to their text.
void setLabelText(QLabel* label, const std::string& utf8)
{
    label->setText(QString::fromStdString(utf8));
    label->adjustSize();
}

// Disables "Load log file" for the duration of a load and, however the
// load ends, enables it again and takes the progress window away.
class LoadScope {
public:
    LoadScope(bool& loading, QAction* loadItem) : loading_(loading), loadItem_(loadItem)
    {
        loading_ = true;
        loadItem_->setEnabled(false);
    }
    ~LoadScope()
    {
        loading_ = false;
        loadItem_->setEnabled(true);
        if (FormProgress) {
            FormProgress->hide();
        }
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    bool& loading_;
    QAction* loadItem_;
};

}  // namespace

void ReportProgress(const char* text, std::int32_t position, std::int32_t total)
{
    if (FormProgress) {
        FormProgress->UpdateProgress(text, position, total);
    }
}

TForm3::TForm3(QWidget* parent) : TForm3(appDialogs(), parent) {}

TForm3::TForm3(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Pelomark GNSS log analyzer"));
    createControls();
    createMenus();
    // Fixed client area below the menu bar; the frame follows it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Top left, so that the plot windows find room beside and below it
    // rather than under the always-on-top window in the centre.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().topLeft());
    }
}

TForm3::~TForm3()
{
    FormDestroy();
}

void TForm3::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(587, 173);
    setCentralWidget(client);

    Label1 = makeLabel(client, "Label1", 16, 8, QStringLiteral("No file..."));
    Label2 = makeLabel(client, "Label2", 16, 27, QStringLiteral("Truth coordinates (averaged):"));
    Label6 = makeLabel(client, "Label6", 16, 46, QStringLiteral("Truth coordinates(cartesian/local):"));
    Label7 = makeLabel(client, "Label7", 16, 75, QStringLiteral("Truth coordinates(manual):"));
    XCoord = makeEdit(client, "XCoord", 157, 72, 169, 21);
    YCoord = makeEdit(client, "YCoord", 332, 72, 169, 21);
    ZCoord = makeEdit(client, "ZCoord", 507, 72, 72, 21);
    Label4 = makeLabel(client, "Label4", 16, 105, QStringLiteral("Start time:"));
    Label3 = makeLabel(client, "Label3", 16, 124, QStringLiteral("Max Error in altitude:"));
    Label5 = makeLabel(client, "Label5", 16, 143, QStringLiteral("Accuracy <= +-3cm:"));

    setTabOrder(XCoord, YCoord);
    setTabOrder(YCoord, ZCoord);
    XCoord->setFocus();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        // The plot windows refuse a close (it goes through their View
        // items), and a window that refuses makes Qt cancel the quit.
        closing_ = true;
        FormDestroy();
        emit closed();
    }
}

void TForm3::Loadlogfile1Click()
{
    Button1Click();
}

void TForm3::hideProgress()
{
    if (FormProgress) {
        FormProgress->hide();
    }
}

void TForm3::Button1Click()
{
    // The progress window lets menu commands run during a load; a nested
    // load would free the analysis the outer one is building on.
    if (loading_) {
        return;
    }
    dialogs_.setFileFilters(logFileFilters(chosenFormat()));
    const std::optional<QString> fileName = dialogs_.openFileName(this);
    if (!fileName) {
        return;
    }
    loadLogFile(*fileName, Detectautomatically1->isChecked());
}

void TForm3::openLogFile(const QString& fileName)
{
    if (loading_) {
        return;
    }
    loadLogFile(fileName, true);
}

AnalysisRequest TForm3::analysisRequest(const QByteArray& path, bool detectFormat,
                                        DecodeOptions& decodeOptions) const
{
    // Converted on every load, whatever the truth mode; a bad number stops
    // the load here with its message.
    const double manualX = textToFloat(XCoord->text());
    const double manualY = textToFloat(YCoord->text());
    const double manualZ = textToFloat(ZCoord->text());
    decodeOptions = Frames->decodeOptions();
    double manual[3];
    Frames->manualTruth(decodeOptions, manualX, manualY, manualZ, manual);

    AnalysisRequest request;
    request.fileName = path.constData();
    request.decodeOptions = &decodeOptions;
    const bool verifyChecksum = VerifyNMEAchecksums1->isChecked();
    const InputFormat& format =
        detectFormat ? detectedFormatOrFallback(path.constData(), verifyChecksum) : chosenFormat();
    request.format = &withChecksumCheck(format, verifyChecksum);
    request.truthMode = chosenTruthMode();
    if (Referencetrajectory1->isChecked()) {
        request.reference = reference_;
    }
    std::copy(std::begin(manual), std::end(manual), std::begin(request.manual));
    return request;
}

void TForm3::takeAnalysis(AnalysedLog& analysed, const AnalysisRequest& request)
{
    Analysis = std::move(analysed.analysis);
    PositionsAnalysis = std::move(analysed.positions);
    truthMatch_ = std::move(analysed.truthMatch);
    analysisReference_ = request.reference;
    takeWindowFigures(analysed.figures);
}

void TForm3::takeWindowFigures(WindowFigures& figures)
{
    analysisCdf_ = std::move(figures.cdf);
    analysisCircles_ = figures.circles;
    analysisPlotIndex_ = std::move(figures.plotIndex);
    analysisSessions_ = std::move(figures.sessions);
}

void TForm3::loadLogFile(const QString& fileName, bool detectFormat)
{
    // A load replaces what a live source shows.
    stopLive();
    // The windows point into the analysis: they go first.
    destroyPlotWindows();
    analysisPlotIndex_.reset();
    truthMatch_.reset();
    analysisReference_.reset();
    analysisSessions_.reset();
    Analysis.reset();
    PositionsAnalysis.reset();

    const QByteArray path = QFile::encodeName(fileName);
    DecodeOptions decodeOptions;
    const AnalysisRequest request = analysisRequest(path, detectFormat, decodeOptions);

    const LoadScope scope(loading_, Loadlogfile1);
    if (FormProgress) {
        FormProgress->show();
    }
    setWindowTitle(QFileInfo(fileName).fileName());

    AnalysedLog analysed = analyseInBackground(request, FormProgress);
    takeAnalysis(analysed, request);
    if (closing_) {
        return;  // the application ends: no windows for this analysis
    }
    if (DataQualityForm) {
        DataQualityForm->SetQuality(&Analysis->dataQuality);
    }

    if (!Analysis->openError.empty()) {
        // Telling the user the file could not be read beats blaming the mode.
        hideProgress();
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString(Analysis->openError));
        return;
    }
    if (Analysis->records.empty()) {
        hideProgress();
        dialogs_.message(QStringLiteral("Error"), QStringLiteral("No records, check parsing mode"));
        return;
    }

    showSummary(request.reference.get());
    hideProgress();
    openCheckedWindows();
}

void TForm3::openCheckedWindows()
{
    if (XHistogram1->isChecked()) {
        openHistogram(XHistogramForm, kCaptionX, &Analysis->histX, XHistogram1);
    }
    if (YHistogram1->isChecked()) {
        openHistogram(YHistogramForm, kCaptionY, &Analysis->histY, YHistogram1);
    }
    if (ZHistogram1->isChecked()) {
        openHistogram(ZHistogramForm, kCaptionZ, &Analysis->histZ, ZHistogram1);
    }
    if (N3Dpositionhistogram1->isChecked()) {
        openHistogram(Fix3DHistogramForm, kCaption3DFix, &Analysis->hist3DFix, N3Dpositionhistogram1);
        openHistogram(Rtkx3DHistogramForm, kCaption3DRtkx, &Analysis->hist3DRtkx, N3Dpositionhistogram1);
    }
    if (XYZplot1->isChecked()) {
        openErrorPlot();
    }
    if (Scatterplot1->isChecked()) {
        openScatterPlot();
    }
    if (ErrorCdf1->isChecked()) {
        openCdfPlot();
    }
    if (Track1->isChecked()) {
        openTrack();
    }
    if (Sessions1->isChecked()) {
        openSessionsWindow();
    }
    if (StanfordPlot1->isChecked()) {
        openStanfordPlot();
    }
}

void TForm3::showSummary(const ReferenceTrajectory* reference)
{
    // The log described as it is but for its largest errors, as the report does.
    SummaryTexts texts = summaryTexts(PositionsAnalysis ? *PositionsAnalysis : *Analysis);
    if (PositionsAnalysis) {
        texts.label3 = summaryTexts(*Analysis).label3;
    }
    setLabelText(Label1, texts.label1);
    if (truthMatch_ && reference != nullptr) {
        const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(reference->file))).fileName();
        setLabelText(Label2, referenceTruthLine(name.toStdString(), *truthMatch_));
    } else {
        setLabelText(Label2, texts.label2);
    }
    setLabelText(Label3, texts.label3);
    setLabelText(Label4, texts.label4);
    setLabelText(Label5, texts.label5);
    setLabelText(Label6, texts.label6);
}

const InputFormat& TForm3::chosenFormat() const
{
    // Neither designed item checked means NMEA, as the designed load does.
    const InputFormat* format = Navcombinary->isChecked() ? &navcomFormat() : &nmeaFormat();
    for (const auto& [item, itemFormat] : FormatItems) {
        if (item->isChecked()) {
            format = itemFormat;
        }
    }
    return *format;
}

std::uint8_t TForm3::chosenTruthMode() const
{
    // Against a reference the figures not yet matched epoch by epoch keep
    // to the averaged truth, as the report's do.
    if (Referencetrajectory1->isChecked()) {
        return TruthMode::Averaged;
    }
    if (Useaverageposition1->isChecked()) {
        return TruthMode::Averaged;
    }
    if (Usefirstfixposition1->isChecked()) {
        return TruthMode::FirstFix;
    }
    return TruthMode::Manual;
}

// Several logs analysed with the menus' settings and shown side by side;
// the main window's own analysis and windows stay as they are.
void TForm3::Comparelogs1Click()
{
    if (loading_) {
        return;
    }
    const QStringList files = dialogs_.openFileNames(this);
    if (files.isEmpty()) {
        return;
    }
    ComparisonSettings settings;
    settings.format = &chosenFormat();
    settings.detectFormat = Detectautomatically1->isChecked();
    settings.truthMode = chosenTruthMode();
    // A bad manual coordinate stops here with its message, as a load does.
    const double manualX = textToFloat(XCoord->text());
    const double manualY = textToFloat(YCoord->text());
    const double manualZ = textToFloat(ZCoord->text());
    settings.decodeOptions = Frames->decodeOptions();
    settings.verifyChecksum = VerifyNMEAchecksums1->isChecked();
    double manual[3];
    Frames->manualTruth(settings.decodeOptions, manualX, manualY, manualZ, manual);
    settings.manualX = manual[0];
    settings.manualY = manual[1];
    settings.manualZ = manual[2];
    // Against the chosen reference every log is measured epoch by epoch;
    // held here for as long as the comparison reads it.
    const std::shared_ptr<const ReferenceTrajectory> reference =
        Referencetrajectory1->isChecked() ? reference_ : nullptr;
    settings.reference = reference.get();
    std::vector<std::string> paths;
    for (const QString& file : files) {
        paths.push_back(QFile::encodeName(file).toStdString());
    }

    const LoadScope scope(loading_, Loadlogfile1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LogComparison comparison;
    try {
        // Off the window thread: the menus answer while many big logs are read.
        runWhileAnswering([&comparison, &paths, &settings] { comparison = compareLogs(paths, settings); }, {});
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    if (closing_) {
        return;  // the application ends: no results window
    }

    if (!CompareLogsForm) {
        CompareLogsForm = new TCompareLogsForm(this);
    }
    CompareLogsForm->SetComparison(comparison, settings.requirements);
    CompareLogsForm->ShowInFront();
}

void TForm3::OpenHistory1Click()
{
    dialogs_.setFileFilters({QStringLiteral("Histories (*.sqlite)"), QStringLiteral("All files (*)")});
    const std::optional<QString> fileName = dialogs_.openFileName(this);
    if (!fileName) {
        return;
    }
    // Opened only to read: a missing or empty file is refused, not created.
    auto database = std::make_unique<HistoryDatabase>(QFile::encodeName(*fileName).toStdString(), false);
    if (!database->isOpen()) {
        dialogs_.error(QString::fromStdString(database->errorMessage()));
        return;
    }
    auto* window = new THistoryForm(this, *fileName, std::move(database));
    window->ShowInFront();
}

void TForm3::Referencetrajectory1Click()
{
    QAction* const previous = std::exchange(displacedTruth_, nullptr);
    const auto keepPrevious = [previous] {
        if (previous != nullptr) {
            previous->setChecked(true);
        }
    };
    if (loading_) {
        keepPrevious();
        return;
    }
    dialogs_.setFileFilters({QStringLiteral("Reference trajectories (*.csv *.pos *.txt)"),
                             QStringLiteral("All files (*)")});
    const std::optional<QString> fileName = dialogs_.openFileName(this);
    if (!fileName) {
        keepPrevious();
        return;
    }
    ReferenceLoad load;
    {
        const LoadScope scope(loading_, Loadlogfile1);
        load = loadReferenceInBackground(*fileName);
    }
    if (closing_) {
        return;
    }
    if (!load.ok()) {
        keepPrevious();
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString(load.error));
        return;
    }
    reference_ = std::make_shared<const ReferenceTrajectory>(std::move(load.trajectory));
    Referencetrajectory1->setChecked(true);
}

void TForm3::GeodeticKKJ1Click()
{
    GeodeticKKJ1->setChecked(!GeodeticKKJ1->isChecked());
}

void TForm3::About1Click()
{
    if (AboutDialog) {
        execInFront(*AboutDialog);
    }
}

}  // namespace gnsslog
