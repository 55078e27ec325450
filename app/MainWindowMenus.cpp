// The main window's menus: items, radio groups and their handlers.
#include "app/logviewerform.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <exception>

#include "app/Dialogs.h"
#include "app/FrameMenu.h"
#include "log/formats/Formats.h"

namespace gnsslog {

namespace {

QAction* makeItem(QMenu* menu, const char* name, const QString& caption, bool checkable, bool checked)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    action->setChecked(checked);
    return action;
}

}  // namespace

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
    createFileMenu();
    createViewMenu();
    createTruthMenu();
    createParsingModeMenu();
    createTransformationsMenu();
    About1 = MainMenu1->addAction(QStringLiteral("About"));
    About1->setObjectName(QStringLiteral("About1"));
    connectMenuHandlers();
}

void TForm3::createFileMenu()
{
    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Loadlogfile1 = makeItem(File1, "Loadlogfile1", QStringLiteral("Load log file"), false, false);
    Exit1 = makeItem(File1, "Exit1", QStringLiteral("Exit"), false, false);
    File1->addSeparator();
    Comparelogs1 = makeItem(File1, "Comparelogs1", QStringLiteral("Compare logs..."), false, false);
    OpenHistory1 = makeItem(File1, "OpenHistory1", QStringLiteral("Open history..."), false, false);
    OpenLiveSource1 = makeItem(File1, "OpenLiveSource1", QStringLiteral("Open live source..."), false, false);
    StopLiveSource1 = makeItem(File1, "StopLiveSource1", QStringLiteral("Stop live source"), false, false);
    StopLiveSource1->setEnabled(false);  // until a source is open
}

void TForm3::createViewMenu()
{
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
    Track1 = makeItem(View1, "Track1", QStringLiteral("Track"), true, false);
    Sessions1 = makeItem(View1, "Sessions1", QStringLiteral("Sessions"), true, false);
    StanfordPlot1 = makeItem(View1, "StanfordPlot1", QStringLiteral("Stanford plot"), true, false);
}

void TForm3::createTruthMenu()
{
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
    ruthcoordinates1->addSeparator();
    Referencetrajectory1 = makeItem(ruthcoordinates1, "Referencetrajectory1",
                                    QStringLiteral("Reference trajectory..."), true, false);
    for (QAction* item : {Useaverageposition1, Usefirstfixposition1, Manualinput1, Referencetrajectory1}) {
        TruthGroup->addAction(item);
    }
    // Qt has unchecked the mode before the reference's handler runs; a
    // cancelled or unusable reference gives it back.
    for (QAction* item : {Useaverageposition1, Usefirstfixposition1, Manualinput1}) {
        connect(item, &QAction::toggled, this, [this, item](bool checked) {
            if (!checked && Referencetrajectory1->isChecked()) {
                displacedTruth_ = item;
            }
        });
    }
}

void TForm3::createParsingModeMenu()
{
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
}

void TForm3::createTransformationsMenu()
{
    ransformations1 = MainMenu1->addMenu(QStringLiteral("Transformations"));
    ransformations1->setObjectName(QStringLiteral("ransformations1"));
    GeodeticKKJ1 = makeItem(ransformations1, "GeodeticKKJ1", QStringLiteral("Geodetic-->KKJ"), true, true);
    Frames = new FrameMenu(ransformations1, GeodeticKKJ1, dialogs_, this);
}

void TForm3::connectMenuHandlers()
{
    connectHandler(Loadlogfile1, &TForm3::Loadlogfile1Click);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connectSelfChecked(N3Dpositionhistogram1, &TForm3::N3Dpositionhistogram1Click);
    connectSelfChecked(XHistogram1, &TForm3::XHistogram1Click);
    connectSelfChecked(YHistogram1, &TForm3::YHistogram1Click);
    connectSelfChecked(ZHistogram1, &TForm3::ZHistogram1Click);
    connectSelfChecked(XYZplot1, &TForm3::XYZplot1Click);
    connectHandler(Dataquality1, &TForm3::Dataquality1Click);
    connectHandler(Comparelogs1, &TForm3::Comparelogs1Click);
    connectHandler(OpenHistory1, &TForm3::OpenHistory1Click);
    connectHandler(OpenLiveSource1, &TForm3::OpenLiveSource1Click);
    connectHandler(StopLiveSource1, &TForm3::StopLiveSource1Click);
    connectSelfChecked(Scatterplot1, &TForm3::Scatterplot1Click);
    connectSelfChecked(ErrorCdf1, &TForm3::ErrorCdf1Click);
    connectSelfChecked(Track1, &TForm3::Track1Click);
    connectSelfChecked(Sessions1, &TForm3::Sessions1Click);
    connectSelfChecked(StanfordPlot1, &TForm3::StanfordPlot1Click);
    connectSelfChecked(GeodeticKKJ1, &TForm3::GeodeticKKJ1Click);
    connectSelfChecked(Referencetrajectory1, &TForm3::Referencetrajectory1Click);
    connectHandler(About1, &TForm3::About1Click);
}

}  // namespace gnsslog
