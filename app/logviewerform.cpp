#include "app/logviewerform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <exception>
#include <string>

#include "app/About.h"
#include "app/CompareLogsForm.h"
#include "app/DataQualityForm.h"
#include "app/Dialogs.h"
#include "app/FrameMenu.h"
#include "app/LocaleNumber.h"
#include "app/LogFileFilters.h"
#include "app/ProgressBar.h"
#include "log/FormatDetection.h"
#include "log/Formats.h"
#include "log/Summary.h"
#include "metrics/LogComparison.h"
#include "plots/CdfPlot.h"
#include "plots/HistoPlot.h"
#include "plots/ScatterPlot.h"
#include "plots/WindowPlacement.h"
#include "plots/XyPlot.h"

gnsslog::TForm3* Form3 = nullptr;

namespace gnsslog {

namespace {

const QString kCaptionX = QStringLiteral("X histogram");
const QString kCaptionY = QStringLiteral("Y histogram");
const QString kCaptionZ = QStringLiteral("Z histogram");
const QString kCaption3DFix = QStringLiteral("3D RTK-FIX position");
const QString kCaption3DRtkx = QStringLiteral("3D RTK-X position");
const QString kCaptionErrorPlot = QStringLiteral("XYZ plotter window");
const QString kCaptionScatter = QStringLiteral("Scatter plot");
const QString kCaptionCdf = QStringLiteral("Error CDF");

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

QAction* makeItem(QMenu* menu, const char* name, const QString& caption, bool checkable, bool checked)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    action->setChecked(checked);
    return action;
}

// Labels size themselves to their text.
void setLabelText(QLabel* label, const std::string& utf8)
{
    label->setText(QString::fromStdString(utf8));
    label->adjustSize();
}

template <typename Window>
void destroyWindow(QPointer<Window>& field)
{
    delete field.data();
    field = nullptr;
}

// A window closed from its frame goes the way its View item takes it: the
// item is chosen, so its check and the window's existence stay in step.
// Queued, so the window is not destroyed inside its own close event.
template <typename Window>
void closeThroughViewItem(Window* window, QAction* viewItem)
{
    QObject::connect(
        window, &Window::closeRequested, viewItem,
        [viewItem, shown = QPointer<Window>(window)] {
            if (shown && viewItem->isChecked()) {
                viewItem->trigger();
            }
        },
        Qt::QueuedConnection);
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

template <typename Handler>
void TForm3::connectHandler(QAction* action, Handler handler)
{
    // Exceptions must not unwind through Qt's frames (built without
    // exception support), so they stop here and go to the error box.
    connect(action, &QAction::triggered, this, [this, handler] {
        try {
            (this->*handler)();
        } catch (const std::exception& error) {
            dialogs_.error(QString::fromUtf8(error.what()));
        } catch (...) {
            dialogs_.error(QStringLiteral("Unknown error"));
        }
    });
}

template <typename Handler>
void TForm3::connectSelfChecked(QAction* action, Handler handler)
{
    // These items set their own check mark in their handler. Qt has already
    // flipped it when the action fires, so undo that first; the handler then
    // sees the state the user chose from.
    connect(action, &QAction::triggered, this, [action](bool checked) { action->setChecked(!checked); });
    connectHandler(action, handler);
}

void TForm3::createMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Loadlogfile1 = makeItem(File1, "Loadlogfile1", QStringLiteral("Load log file"), false, false);
    Exit1 = makeItem(File1, "Exit1", QStringLiteral("Exit"), false, false);
    File1->addSeparator();
    Comparelogs1 = makeItem(File1, "Comparelogs1", QStringLiteral("Compare logs..."), false, false);

    View1 = MainMenu1->addMenu(QStringLiteral("View"));
    View1->setObjectName(QStringLiteral("View1"));
    N3Dpositionhistogram1 =
        makeItem(View1, "N3Dpositionhistogram1", QStringLiteral("3D-position histogram"), true, true);
    XHistogram1 = makeItem(View1, "XHistogram1", QStringLiteral("X-Histogram"), true, true);
    YHistogram1 = makeItem(View1, "YHistogram1", QStringLiteral("Y-Histogram"), true, true);
    ZHistogram1 = makeItem(View1, "ZHistogram1", QStringLiteral("Z-Histogram"), true, true);
    XYZplot1 = makeItem(View1, "XYZplot1", QStringLiteral("XYZ-plot"), true, true);
    View1->addSeparator();
    Dataquality1 = makeItem(View1, "Dataquality1", QStringLiteral("Data quality..."), false, false);
    Scatterplot1 = makeItem(View1, "Scatterplot1", QStringLiteral("Scatter plot"), true, false);
    ErrorCdf1 = makeItem(View1, "ErrorCdf1", QStringLiteral("Error CDF"), true, false);

    // Radio items: choosing the checked one unchecks it, leaving the menu
    // with no checked item (ExclusiveOptional).
    ruthcoordinates1 = MainMenu1->addMenu(QStringLiteral("Truth coordinates"));
    ruthcoordinates1->setObjectName(QStringLiteral("ruthcoordinates1"));
    TruthGroup = new QActionGroup(this);
    TruthGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    Useaverageposition1 =
        makeItem(ruthcoordinates1, "Useaverageposition1", QStringLiteral("Use average position"), true, true);
    Usefirstfixposition1 =
        makeItem(ruthcoordinates1, "Usefirstfixposition1", QStringLiteral("Use first fix position"), true, false);
    Manualinput1 = makeItem(ruthcoordinates1, "Manualinput1", QStringLiteral("Manual input"), true, false);
    for (QAction* item : {Useaverageposition1, Usefirstfixposition1, Manualinput1}) {
        TruthGroup->addAction(item);
    }

    Mode = MainMenu1->addMenu(QStringLiteral("Parsing mode"));
    Mode->setObjectName(QStringLiteral("Mode"));
    ModeGroup = new QActionGroup(this);
    ModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    NMEAAscii = makeItem(Mode, "NMEAAscii", QStringLiteral("NMEA (ascii)"), true, false);
    Navcombinary = makeItem(Mode, "Navcombinary", QStringLiteral("Navcom binary"), true, true);
    ModeGroup->addAction(NMEAAscii);
    ModeGroup->addAction(Navcombinary);
    for (const InputFormat* format : inputFormats()) {
        if (format == &navcomFormat() || format == &nmeaFormat()) {
            continue;
        }
        QAction* item = makeItem(Mode, "FormatItem", QString::fromUtf8(format->caption().data(),
                                                                      static_cast<int>(format->caption().size())),
                                 true, false);
        item->setObjectName(QStringLiteral("Format_") +
                            QString::fromUtf8(format->name().data(), static_cast<int>(format->name().size())));
        ModeGroup->addAction(item);
        FormatItems.emplace_back(item, format);
    }
    Detectautomatically1 =
        makeItem(Mode, "Detectautomatically1", QStringLiteral("Detect automatically"), true, false);
    ModeGroup->addAction(Detectautomatically1);
    Mode->addSeparator();
    // Off for receivers that write wrong checksums: then every sentence is
    // decoded whatever its checksum.
    VerifyNMEAchecksums1 =
        makeItem(Mode, "VerifyNMEAchecksums1", QStringLiteral("Verify NMEA checksums"), true, true);

    ransformations1 = MainMenu1->addMenu(QStringLiteral("Transformations"));
    ransformations1->setObjectName(QStringLiteral("ransformations1"));
    GeodeticKKJ1 = makeItem(ransformations1, "GeodeticKKJ1", QStringLiteral("Geodetic-->KKJ"), true, true);
    Frames = new FrameMenu(ransformations1, GeodeticKKJ1, dialogs_, this);

    About1 = MainMenu1->addAction(QStringLiteral("About"));
    About1->setObjectName(QStringLiteral("About1"));

    connectHandler(Loadlogfile1, &TForm3::Loadlogfile1Click);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connectSelfChecked(N3Dpositionhistogram1, &TForm3::N3Dpositionhistogram1Click);
    connectSelfChecked(XHistogram1, &TForm3::XHistogram1Click);
    connectSelfChecked(YHistogram1, &TForm3::YHistogram1Click);
    connectSelfChecked(ZHistogram1, &TForm3::ZHistogram1Click);
    connectSelfChecked(XYZplot1, &TForm3::XYZplot1Click);
    connectHandler(Dataquality1, &TForm3::Dataquality1Click);
    connectHandler(Comparelogs1, &TForm3::Comparelogs1Click);
    connectSelfChecked(Scatterplot1, &TForm3::Scatterplot1Click);
    connectSelfChecked(ErrorCdf1, &TForm3::ErrorCdf1Click);
    connectSelfChecked(GeodeticKKJ1, &TForm3::GeodeticKKJ1Click);
    connectHandler(About1, &TForm3::About1Click);
}

void TForm3::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
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

void TForm3::destroyPlotWindows()
{
    destroyWindow(XHistogramForm);
    destroyWindow(YHistogramForm);
    destroyWindow(ZHistogramForm);
    destroyWindow(Fix3DHistogramForm);
    destroyWindow(Rtkx3DHistogramForm);
    destroyErrorPlot();
    destroyWindow(ScatterPlotForm);
    destroyWindow(CdfPlotForm);
}

void TForm3::destroyErrorPlot()
{
    if (ErrorPlotForm) {
        errorPlotChoices_ = std::make_unique<ErrorPlotView>(ErrorPlotForm->currentView());
    }
    destroyWindow(ErrorPlotForm);
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

    // The windows point into the analysis: they go first.
    destroyPlotWindows();
    Analysis.reset();

    // Converted on every load, whatever the truth mode; a bad number stops
    // the load here with its message.
    const double manualX = textToFloat(XCoord->text());
    const double manualY = textToFloat(YCoord->text());
    const double manualZ = textToFloat(ZCoord->text());
    DecodeOptions decodeOptions = Frames->decodeOptions(VerifyNMEAchecksums1->isChecked());
    double manual[3];
    Frames->manualTruth(decodeOptions, manualX, manualY, manualZ, manual);

    const std::uint8_t truthMode = chosenTruthMode();

    const LoadScope scope(loading_, Loadlogfile1);
    if (FormProgress) {
        FormProgress->show();
    }
    setWindowTitle(QFileInfo(*fileName).fileName());

    const QByteArray path = QFile::encodeName(*fileName);
    const InputFormat* format = &chosenFormat();
    if (Detectautomatically1->isChecked()) {
        const InputFormat* detected = detectLogFileFormat(path.constData());
        format = detected != nullptr ? detected : &navcomFormat();
    }
    Analysis = std::make_unique<GNSSLog>(path.constData(), ReportProgress, decodeOptions, *format,
                                         truthMode, manual[0], manual[1], manual[2]);
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

    const SummaryTexts texts = summaryTexts(*Analysis);
    setLabelText(Label1, texts.label1);
    setLabelText(Label2, texts.label2);
    setLabelText(Label3, texts.label3);
    setLabelText(Label4, texts.label4);
    setLabelText(Label5, texts.label5);
    setLabelText(Label6, texts.label6);
    hideProgress();

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
    settings.decodeOptions = Frames->decodeOptions(VerifyNMEAchecksums1->isChecked());
    double manual[3];
    Frames->manualTruth(settings.decodeOptions, manualX, manualY, manualZ, manual);
    settings.manualX = manual[0];
    settings.manualY = manual[1];
    settings.manualZ = manual[2];
    std::vector<std::string> paths;
    for (const QString& file : files) {
        paths.push_back(QFile::encodeName(file).toStdString());
    }

    const LoadScope scope(loading_, Loadlogfile1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LogComparison comparison;
    try {
        comparison = compareLogs(paths, settings);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();

    if (!CompareLogsForm) {
        CompareLogsForm = new TCompareLogsForm(this);
    }
    CompareLogsForm->SetComparison(comparison, settings.requirements);
    CompareLogsForm->show();
    CompareLogsForm->raise();
}

void TForm3::Dataquality1Click()
{
    if (!DataQualityForm) {
        DataQualityForm = new TDataQualityForm(this);
    }
    DataQualityForm->SetQuality(Analysis ? &Analysis->dataQuality : nullptr);
    DataQualityForm->show();
    DataQualityForm->raise();
}

void TForm3::openHistogram(QPointer<TPlotForm>& field, const QString& caption, const Histogram* histogram,
                           QAction* viewItem)
{
    if (!field) {
        field = new TPlotForm(this, caption, histogram);
        closeThroughViewItem(field.data(), viewItem);
        placeNewWindow(field.data());
    } else {
        field->SetHistogram(caption, histogram);
    }
    field->show();
}

void TForm3::openErrorPlot()
{
    if (!ErrorPlotForm) {
        ErrorPlotForm = new TXYPlotForm(this, kCaptionErrorPlot, Analysis.get());
        if (errorPlotChoices_) {
            ErrorPlotForm->applyChoices(*errorPlotChoices_);
        }
        closeThroughViewItem(ErrorPlotForm.data(), XYZplot1);
        placeNewWindow(ErrorPlotForm.data());
    } else {
        ErrorPlotForm->SetAnalysis(Analysis.get());
    }
    ErrorPlotForm->show();
}

void TForm3::openScatterPlot()
{
    if (!ScatterPlotForm) {
        ScatterPlotForm = new TScatterPlotForm(kCaptionScatter, Analysis.get());
        closeThroughViewItem(ScatterPlotForm.data(), Scatterplot1);
        placeNewWindow(ScatterPlotForm.data());
    } else {
        ScatterPlotForm->SetAnalysis(Analysis.get());
    }
    ScatterPlotForm->show();
}

void TForm3::openCdfPlot()
{
    if (!CdfPlotForm) {
        CdfPlotForm = new TCdfPlotForm(kCaptionCdf, Analysis.get());
        closeThroughViewItem(CdfPlotForm.data(), ErrorCdf1);
        placeNewWindow(CdfPlotForm.data());
    } else {
        CdfPlotForm->SetAnalysis(Analysis.get());
    }
    CdfPlotForm->show();
}

void TForm3::placeNewWindow(QWidget* window)
{
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
                                      Rtkx3DHistogramForm, ErrorPlotForm, ScatterPlotForm, CdfPlotForm};
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
}

}  // namespace gnsslog
