// The main window: its design, the load command under the menu settings,
// its failures, the View toggles and the windows it owns.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

#include "app/DataQualityForm.h"
#include "app/LocaleNumber.h"
#include "log/formats/Formats.h"
#include "log/Summary.h"
#include "plots/windows/HistoPlot.h"
#include "plots/windows/XyPlot.h"
#include "log/quality/DataQualityText.h"
#include "tests/gui/app_support.h"
#include "tools/samplegen/NmeaWriter.h"

namespace gnsslog::apptest {
namespace {

// Captions of the plot windows that are open and shown, sorted.
std::vector<QString> shownPlotWindows()
{
    std::vector<QString> captions;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if ((qobject_cast<TPlotForm*>(w) || qobject_cast<TXYPlotForm*>(w)) && w->isVisible()) {
            captions.push_back(w->windowTitle());
        }
    }
    std::sort(captions.begin(), captions.end());
    return captions;
}

int plotWindowCount()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        n += (qobject_cast<TPlotForm*>(w) || qobject_cast<TXYPlotForm*>(w)) ? 1 : 0;
    }
    return n;
}

const std::vector<QString> kAllSix = {"3D RTK-FIX position", "3D RTK-X position", "X histogram",
                                      "XYZ plotter window",  "Y histogram",       "Z histogram"};

std::vector<QString> captionsOf(QMenu* menu)
{
    std::vector<QString> captions;
    for (QAction* a : menu->actions()) {
        captions.push_back(a->text());
    }
    return captions;
}

using MainWindowDesign = MainWindowTest;

TEST_F(MainWindowDesign, WindowControlsAndInitialTexts)
{
    EXPECT_EQ(form->windowTitle(), "Pelomark GNSS log analyzer");
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    form->show();
    EXPECT_EQ(form->centralWidget()->size(), QSize(587, 173));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window is not resizable";

    struct Expected {
        QLabel* label;
        QPoint position;
        const char* text;
    };
    for (const auto& e : {Expected{form->Label1, {16, 8}, "No file..."},
                          Expected{form->Label2, {16, 27}, "Truth coordinates (averaged):"},
                          Expected{form->Label6, {16, 46}, "Truth coordinates(cartesian/local):"},
                          Expected{form->Label7, {16, 75}, "Truth coordinates(manual):"},
                          Expected{form->Label4, {16, 105}, "Start time:"},
                          Expected{form->Label3, {16, 124}, "Max Error in altitude:"},
                          Expected{form->Label5, {16, 143}, "Accuracy <= +-3cm:"}}) {
        EXPECT_EQ(e.label->pos(), e.position) << e.text;
        EXPECT_EQ(e.label->text(), e.text);
    }
    EXPECT_EQ(form->XCoord->geometry(), QRect(157, 72, 169, 21));
    EXPECT_EQ(form->YCoord->geometry(), QRect(332, 72, 169, 21));
    EXPECT_EQ(form->ZCoord->geometry(), QRect(507, 72, 72, 21));
    for (QLineEdit* edit : {form->XCoord, form->YCoord, form->ZCoord}) {
        EXPECT_EQ(edit->text(), "0");
    }
    EXPECT_EQ(form->XCoord->nextInFocusChain(), form->YCoord);
    EXPECT_EQ(form->YCoord->nextInFocusChain(), form->ZCoord);
    EXPECT_EQ(form->Label1->objectName(), "Label1");
    EXPECT_EQ(form->XCoord->objectName(), "XCoord");
}

TEST_F(MainWindowDesign, MenusItemsKindsAndCheckMarks)
{
    std::vector<QString> bar;
    for (QAction* a : form->MainMenu1->actions()) {
        bar.push_back(a->text());
    }
    EXPECT_EQ(bar, (std::vector<QString>{"File", "View", "Truth coordinates", "Parsing mode", "Transformations",
                                         "About"}));
    // The designed items, then the additions after a separator.
    EXPECT_EQ(captionsOf(form->File1), (std::vector<QString>{"Load log file", "Exit", "", "Compare logs...",
                                                         "Open history...", "Open live source...",
                                                         "Stop live source"}));
    // The designed items, then the additions after a separator.
    EXPECT_EQ(captionsOf(form->View1), (std::vector<QString>{"3D-position histogram", "X-Histogram", "Y-Histogram",
                                                            "Z-Histogram", "XYZ-plot", "", "Data quality...",
                                                            "Scatter plot", "Error CDF", "Track", "Sessions",
                                                            "Stanford plot"}));
    EXPECT_TRUE(form->Track1->isCheckable() && !form->Track1->isChecked());
    EXPECT_TRUE(form->Sessions1->isCheckable() && !form->Sessions1->isChecked());
    EXPECT_TRUE(form->StanfordPlot1->isCheckable() && !form->StanfordPlot1->isChecked());
    EXPECT_EQ(captionsOf(form->ruthcoordinates1),
              (std::vector<QString>{"Use average position", "Use first fix position", "Manual input", "",
                                    "Reference trajectory..."}));
    EXPECT_EQ(form->Referencetrajectory1->actionGroup(), form->TruthGroup);
    EXPECT_FALSE(form->Referencetrajectory1->isChecked());
    // The designed two, then every further log format, then the check.
    std::vector<QString> modes{"NMEA (ascii)", "Navcom binary"};
    for (const InputFormat* format : inputFormats()) {
        if (format != &navcomFormat() && format != &nmeaFormat()) {
            modes.push_back(QString::fromStdString(std::string(format->caption())));
        }
    }
    modes.insert(modes.end(), {"Detect automatically", "", "Verify NMEA checksums"});
    EXPECT_EQ(captionsOf(form->Mode), modes);
    for (const auto& [item, format] : form->FormatItems) {
        EXPECT_EQ(item->actionGroup(), form->ModeGroup);
        EXPECT_TRUE(item->isCheckable() && !item->isChecked());
    }
    // The designed item, then the other grids and the geodetic truth check
    // after separators.
    EXPECT_EQ(captionsOf(form->ransformations1),
              (std::vector<QString>{"Geodetic-->KKJ", "", "Geodetic-->local ENU", "Geodetic-->ETRS-TM35FIN",
                                    "Geodetic-->ETRS-GK", "Geodetic-->EPSG code...", "",
                                    "Manual truth is geodetic"}));
    EXPECT_EQ(form->About1->menu(), nullptr);

    EXPECT_FALSE(form->Loadlogfile1->isCheckable());
    EXPECT_FALSE(form->Exit1->isCheckable());
    for (QAction* item : {form->N3Dpositionhistogram1, form->XHistogram1, form->YHistogram1, form->ZHistogram1,
                          form->XYZplot1, form->GeodeticKKJ1, form->Useaverageposition1, form->Navcombinary,
                          form->VerifyNMEAchecksums1}) {
        EXPECT_TRUE(item->isCheckable() && item->isChecked()) << item->objectName().toStdString();
    }
    for (QAction* item : {form->Usefirstfixposition1, form->Manualinput1, form->NMEAAscii}) {
        EXPECT_TRUE(item->isCheckable() && !item->isChecked()) << item->objectName().toStdString();
    }
    EXPECT_EQ(form->Useaverageposition1->actionGroup(), form->TruthGroup);
    EXPECT_EQ(form->NMEAAscii->actionGroup(), form->ModeGroup);
    EXPECT_EQ(form->XHistogram1->actionGroup(), nullptr);
    EXPECT_EQ(form->VerifyNMEAchecksums1->actionGroup(), nullptr);
    EXPECT_FALSE(form->Dataquality1->isCheckable());
}

TEST_F(MainWindowDesign, RadioItemsMoveTheCheckAndChoosingTheCheckedOneClearsTheMenu)
{
    form->Usefirstfixposition1->trigger();
    EXPECT_FALSE(form->Useaverageposition1->isChecked());
    EXPECT_TRUE(form->Usefirstfixposition1->isChecked());
    form->Usefirstfixposition1->trigger();
    EXPECT_FALSE(form->Useaverageposition1->isChecked());
    EXPECT_FALSE(form->Usefirstfixposition1->isChecked());
    EXPECT_FALSE(form->Manualinput1->isChecked());

    form->Navcombinary->trigger();
    EXPECT_FALSE(form->Navcombinary->isChecked());
    EXPECT_FALSE(form->NMEAAscii->isChecked());
    form->NMEAAscii->trigger();
    EXPECT_TRUE(form->NMEAAscii->isChecked());
}

TEST_F(MainWindowDesign, GeodeticKkjItemOnlyInvertsItsCheckMark)
{
    form->GeodeticKKJ1->trigger();
    EXPECT_FALSE(form->GeodeticKKJ1->isChecked());
    form->GeodeticKKJ1->trigger();
    EXPECT_TRUE(form->GeodeticKKJ1->isChecked());
    form->GeodeticKKJ1Click();
    EXPECT_FALSE(form->GeodeticKKJ1->isChecked());
    EXPECT_EQ(form->Analysis, nullptr);
    EXPECT_EQ(dialogs.openCount, 0);
}

TEST_F(MainWindowDesign, ExitClosesTheMainWindow)
{
    int closed = 0;
    QObject::connect(form.get(), &TForm3::closed, [&closed] { ++closed; });
    form->show();
    form->Exit1->trigger();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form->isVisible());
}

// Qt cancels a quit while a visible window refuses to close, as the plot
// windows do: after a load, Exit must still end the event loop.
TEST_F(MainWindowDesign, ExitAfterALoadEndsTheEventLoop)
{
    dialogs.fileNames.push_back(dir.write("a.pvt1b", navcomLog()));
    form->show();
    form->Button1Click();
    ASSERT_EQ(shownPlotWindows(), kAllSix);
    QObject::connect(form.get(), &TForm3::closed, qApp, &QCoreApplication::quit);
    constexpr int kQuitTimeoutMs = 2000;
    constexpr int kHung = 7;
    QTimer::singleShot(0, form.get(), [this] { form->Exit1->trigger(); });
    QTimer hung;  // gone with the test, so it cannot end a later test's loop
    hung.setSingleShot(true);
    QObject::connect(&hung, &QTimer::timeout, [] { QCoreApplication::exit(kHung); });
    hung.start(kQuitTimeoutMs);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(plotWindowCount(), 0);
}

// ---- The load command.

using LoadCommand = MainWindowTest;

TEST_F(LoadCommand, DefaultLoadShowsSummaryAndSixWindowsAndTheBareFileName)
{
    const QString file = dir.write("receiver-log.bin", navcomLog());
    load(file);

    ASSERT_NE(form->Analysis, nullptr);
    ASSERT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->windowTitle(), "receiver-log.bin");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());

    const SummaryTexts texts = summaryTexts(*form->Analysis);
    EXPECT_EQ(form->Label1->text(), QString::fromStdString(texts.label1));
    EXPECT_EQ(form->Label2->text(), QString::fromStdString(texts.label2));
    EXPECT_EQ(form->Label3->text(), QString::fromStdString(texts.label3));
    EXPECT_EQ(form->Label4->text(), QString::fromStdString(texts.label4));
    EXPECT_EQ(form->Label5->text(), QString::fromStdString(texts.label5));
    EXPECT_EQ(form->Label6->text(), QString::fromStdString(texts.label6));
    EXPECT_TRUE(form->Label1->text().startsWith("Log file loaded, "));
    EXPECT_EQ(form->Label7->text(), "Truth coordinates(manual):");
    EXPECT_GE(form->Label1->width(), form->Label1->sizeHint().width()) << "labels size themselves";

    EXPECT_EQ(shownPlotWindows(), kAllSix);
    EXPECT_EQ(form->XHistogramForm->windowTitle(), "X histogram");
    EXPECT_EQ(form->XHistogramForm->ShownHistogram, &form->Analysis->histX);
    EXPECT_EQ(form->YHistogramForm->ShownHistogram, &form->Analysis->histY);
    EXPECT_EQ(form->ZHistogramForm->ShownHistogram, &form->Analysis->histZ);
    EXPECT_EQ(form->Fix3DHistogramForm->ShownHistogram, &form->Analysis->hist3DFix);
    EXPECT_EQ(form->Rtkx3DHistogramForm->ShownHistogram, &form->Analysis->hist3DRtkx);
    EXPECT_EQ(form->ErrorPlotForm->Analysis, form->Analysis.get());

    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(form->Loadlogfile1->isEnabled());
    EXPECT_FALSE(form->loading());
    EXPECT_EQ(form->Analysis->truthMode, TruthMode::Averaged);
}

TEST_F(LoadCommand, CancelledDialogChangesNothing)
{
    load(dir.write("a.bin", navcomLog()));
    const GNSSLog* before = form->Analysis.get();
    const QPointer<TPlotForm> x = form->XHistogramForm;
    const QString label1 = form->Label1->text();

    dialogs.fileNames.push_back(std::nullopt);
    form->Button1Click();
    EXPECT_EQ(form->Analysis.get(), before);
    EXPECT_EQ(form->XHistogramForm, x);
    EXPECT_FALSE(x.isNull());
    EXPECT_EQ(form->Label1->text(), label1);
    EXPECT_EQ(form->windowTitle(), "a.bin");
    EXPECT_EQ(shownPlotWindows(), kAllSix);
}

TEST_F(LoadCommand, SecondLoadReplacesAnalysisAndWindows)
{
    load(dir.write("a.bin", navcomLog(30000, 1)));
    const QPointer<TPlotForm> oldX = form->XHistogramForm;
    const QPointer<TXYPlotForm> oldPlot = form->ErrorPlotForm;
    load(dir.write("b.bin", navcomLog(20000, 2)));
    EXPECT_TRUE(oldX.isNull()) << "old windows are destroyed, not reused";
    EXPECT_TRUE(oldPlot.isNull());
    EXPECT_EQ(plotWindowCount(), 6);
    EXPECT_EQ(form->windowTitle(), "b.bin");
    EXPECT_EQ(form->XHistogramForm->ShownHistogram, &form->Analysis->histX);
}

TEST_F(LoadCommand, MenuSettingsReachTheAnalysis)
{
    const QString nmea = dir.write("gga.log", nmeaLog(NmeaSolution::Gga));
    const QString navcom = dir.write("nav.bin", navcomLog());
    // Decimals typed with the separator of the locale the tests run in.
    const QString point = QLocale::system().decimalPoint();
    form->XCoord->setText("6676543" + point + "5");
    form->YCoord->setText(" 2549876 ");
    form->ZCoord->setText("-1" + point + "25e1");
    const double x = 6676543.5;

    // NMEA mode, first-fix truth, no grid conversion.
    form->NMEAAscii->trigger();
    form->Usefirstfixposition1->trigger();
    form->GeodeticKKJ1->trigger();
    load(nmea);
    ASSERT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->Analysis->truthMode, TruthMode::FirstFix);
    EXPECT_DOUBLE_EQ(form->Analysis->manualX, x);
    EXPECT_DOUBLE_EQ(form->Analysis->manualY, 2549876.0);
    EXPECT_DOUBLE_EQ(form->Analysis->manualZ, -12.5);
    EXPECT_TRUE(std::none_of(form->Analysis->records.begin(), form->Analysis->records.end(),
                             [](const GNSSRecord& r) { return r.has(ValidFlag::Grid); }));

    // Grid conversion back on.
    form->GeodeticKKJ1->trigger();
    load(nmea);
    EXPECT_TRUE(std::any_of(form->Analysis->records.begin(), form->Analysis->records.end(),
                            [](const GNSSRecord& r) { return r.has(ValidFlag::Grid); }));

    // No truth item checked: manual coordinates; "Manual input" is not read.
    form->Usefirstfixposition1->trigger();
    ASSERT_FALSE(form->Manualinput1->isChecked());
    load(nmea);
    EXPECT_EQ(form->Analysis->truthMode, TruthMode::Manual);

    // Neither parsing item checked: the NMEA parser.
    form->NMEAAscii->trigger();
    ASSERT_FALSE(form->NMEAAscii->isChecked() || form->Navcombinary->isChecked());
    load(nmea);
    EXPECT_FALSE(form->Analysis->records.empty());
    load(navcom);
    EXPECT_TRUE(form->Analysis->records.empty());

    // NavCom mode again reads the binary log.
    form->Navcombinary->trigger();
    form->Useaverageposition1->trigger();
    load(navcom);
    EXPECT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->Analysis->truthMode, TruthMode::Averaged);
}

// A sentence whose checksum does not fit is rejected and counted unless
// the user turns the check off; the data-quality window opens only on
// request and follows every later load.
TEST_F(LoadCommand, ChecksumItemAndDataQualityWindow)
{
    std::string log = nmeaLog(NmeaSolution::Gga);
    const std::size_t star = log.find('*', log.find("GGA"));
    ASSERT_NE(star, std::string::npos);
    log[star + 1] = log[star + 1] == '0' ? '1' : '0';
    const QString file = dir.write("bad-checksum.log", log);
    form->NMEAAscii->trigger();
    load(file);
    ASSERT_FALSE(form->Analysis->records.empty());
    const std::size_t verified = form->Analysis->records.size();
    EXPECT_EQ(form->Analysis->dataQuality.rejectedChecksum, 1u);
    EXPECT_TRUE(form->DataQualityForm.isNull());

    form->Dataquality1->trigger();
    ASSERT_FALSE(form->DataQualityForm.isNull());
    EXPECT_TRUE(form->DataQualityForm->isVisible());
    EXPECT_EQ(form->DataQualityForm->windowTitle(), "Data quality");
    EXPECT_TRUE(form->DataQualityForm->text().contains("1 checksum")) << form->DataQualityForm->text().toStdString();
    // Shown, its lines are cut to the window's width: few lines at 640
    // pixels, more in a narrow window, and a count stays beside its name.
    const auto* shown = form->DataQualityForm->findChild<QPlainTextEdit*>(QStringLiteral("Text"));
    ASSERT_NE(shown, nullptr);
    const auto lineCount = [&] {
        QApplication::processEvents();
        return shown->toPlainText().count(QLatin1Char('\n'));
    };
    const auto wide = lineCount();
    EXPECT_LE(wide, 8) << shown->toPlainText().toStdString();
    form->DataQualityForm->resize(260, 220);
    EXPECT_GT(lineCount(), wide);
    EXPECT_TRUE(shown->toPlainText().contains("1 checksum"));
    EXPECT_EQ(form->DataQualityForm->text().count(QLatin1Char('\n')),
              static_cast<qsizetype>(dataQualityLines(form->Analysis->dataQuality).size()))
        << "the lines themselves stay whole";

    form->VerifyNMEAchecksums1->trigger();
    EXPECT_FALSE(form->VerifyNMEAchecksums1->isChecked());
    load(file);
    EXPECT_EQ(form->Analysis->records.size(), verified + 1);
    EXPECT_EQ(form->Analysis->dataQuality.rejectedChecksum, 0u);
    EXPECT_TRUE(form->DataQualityForm->text().contains("0 checksum"));
}

TEST_F(LoadCommand, DataQualityWindowSaysWhenTheAveragedTruthIsUndefined)
{
    const std::string warning =
        "averaged truth undefined: no RTK-fixed records; choose first fix, manual or a reference";
    std::string floating;
    for (int second = 0; second < 10; ++second) {
        GgaFields f;
        f.centiseconds = 36000 * 100 + second * 100;
        f.latitude = 60.2;
        f.longitude = 24.9;
        f.quality = 5;  // RTK float only
        f.satellites = 12;
        f.hdop = 0.8;
        f.heightMetres = 40.0;
        floating += ggaSentence(f);
    }
    form->NMEAAscii->trigger();
    load(dir.write("floating.log", floating));
    ASSERT_EQ(form->Analysis->records.size(), 10u);
    form->Dataquality1->trigger();
    ASSERT_FALSE(form->DataQualityForm.isNull());
    EXPECT_TRUE(form->DataQualityForm->text().contains(QString::fromStdString(warning)))
        << form->DataQualityForm->text().toStdString();

    load(dir.write("fixed.log", nmeaLog()));
    EXPECT_FALSE(form->DataQualityForm->text().contains(QString::fromStdString(warning)));
}

TEST_F(LoadCommand, OnlyCheckedViewItemsOpenTheirWindows)
{
    form->N3Dpositionhistogram1->trigger();
    form->YHistogram1->trigger();
    form->XYZplot1->trigger();
    load(dir.write("a.bin", navcomLog()));
    EXPECT_EQ(shownPlotWindows(), (std::vector<QString>{"X histogram", "Z histogram"}));
    EXPECT_TRUE(form->Fix3DHistogramForm.isNull());
    EXPECT_TRUE(form->ErrorPlotForm.isNull());
}

TEST_F(LoadCommand, NoRecordsShowsTheBoxKeepsTheSummaryAndLeavesAnEmptyAnalysis)
{
    load(dir.write("good.bin", navcomLog()));
    const QString label1 = form->Label1->text();
    const QString label5 = form->Label5->text();

    load(dir.write("sentences.nmea", nmeaLog()));  // NMEA file, NavCom mode
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], (FakeDialogs::Box{"Error", "No records, check parsing mode"}));
    ASSERT_NE(form->Analysis, nullptr);
    EXPECT_TRUE(form->Analysis->records.empty());
    EXPECT_EQ(form->windowTitle(), "sentences.nmea");
    EXPECT_EQ(form->Label1->text(), label1);
    EXPECT_EQ(form->Label5->text(), label5);
    EXPECT_TRUE(shownPlotWindows().empty());
    EXPECT_EQ(plotWindowCount(), 0);
    EXPECT_FALSE(progress->isVisible());

    // Off and on again opens the window on the empty analysis.
    form->XHistogram1->trigger();
    EXPECT_TRUE(shownPlotWindows().empty());
    form->XHistogram1->trigger();
    EXPECT_EQ(shownPlotWindows(), (std::vector<QString>{"X histogram"}));
    EXPECT_EQ(form->XHistogramForm->ShownHistogram, &form->Analysis->histX);
}

TEST_F(LoadCommand, DetectAutomaticallyReadsEachFormatAndKeepsTheMessage)
{
    form->Detectautomatically1->trigger();
    ASSERT_TRUE(form->Detectautomatically1->isChecked());
    EXPECT_FALSE(form->Navcombinary->isChecked());
    const std::string pos =
        "%  GPST  latitude(deg) longitude(deg)  height(m)   Q  ns\n"
        "2137 100.0 60.2051 24.9012 45.6 1 12\n"
        "2137 101.0 60.2051 24.9012 45.6 2 12\n";
    load(dir.write("a.bin", navcomLog()));
    EXPECT_FALSE(form->Analysis->records.empty());
    load(dir.write("b.txt", nmeaLog()));
    EXPECT_FALSE(form->Analysis->records.empty());
    load(dir.write("c.txt", pos));
    EXPECT_EQ(form->Analysis->records.size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());
    GeneratorOptions ubx;
    ubx.format = LogFormat::Ubx;
    ubx.targetBytes = 30000;
    GeneratorStats ubxStats;
    load(dir.write("e.ubx", generateLog(ubx, &ubxStats)));
    EXPECT_EQ(form->Analysis->records.size(), ubxStats.validRecords);
    load(dir.write("d.txt", "no log at all\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No records, check parsing mode");
}

TEST_F(LoadCommand, EachFormatItemReadsItsFormat)
{
    GeneratorOptions options;
    options.targetBytes = 30000;
    for (const auto& [item, format] : form->FormatItems) {
        if (format != &ubxFormat() && format != &posFormat()) {
            continue;
        }
        SCOPED_TRACE(std::string(format->name()));
        options.format = format == &ubxFormat() ? LogFormat::Ubx : LogFormat::Pos;
        GeneratorStats stats;
        const QString file = dir.write(std::string(format->name()) + ".log", generateLog(options, &stats));
        item->trigger();
        ASSERT_TRUE(item->isChecked());
        load(file);
        EXPECT_EQ(form->Analysis->records.size(), stats.validRecords);
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(LoadCommand, EmptyFileIsAnAnalysisWithoutRecords)
{
    load(dir.write("empty.bin", ""));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No records, check parsing mode");
}

TEST_F(LoadCommand, FileThatCannotBeOpenedNamesTheFileInsteadOfBlamingTheMode)
{
    const QString missing = QString::fromStdString((dir.path() / "gone.bin").string());
    load(missing);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_NE(dialogs.messages[0].text, "No records, check parsing mode");
    EXPECT_TRUE(dialogs.messages[0].text.contains("gone.bin")) << dialogs.messages[0].text.toStdString();
    ASSERT_NE(form->Analysis, nullptr);
    EXPECT_TRUE(form->Analysis->records.empty());
    EXPECT_EQ(plotWindowCount(), 0);
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(LoadCommand, BadNumberStopsTheLoadAfterThePreviousWindowsAreGone)
{
    load(dir.write("good.bin", navcomLog()));
    const QString label1 = form->Label1->text();
    TFormProgress fresh;  // to see that the progress window is never touched
    FormProgress = &fresh;

    form->YCoord->setText("12abc");
    dialogs.fileNames.push_back(dir.write("other.bin", navcomLog(20000, 3)));
    try {
        form->Button1Click();
        FAIL() << "expected a conversion error";
    } catch (const FloatConversionError& error) {
        EXPECT_STREQ(error.what(), "'12abc' is not a valid floating point value");
    }
    EXPECT_EQ(form->Analysis, nullptr);
    EXPECT_EQ(plotWindowCount(), 0);
    EXPECT_EQ(form->windowTitle(), "good.bin");
    EXPECT_EQ(form->Label1->text(), label1);
    EXPECT_EQ(fresh.windowTitle(), "FormProgress");
    EXPECT_FALSE(fresh.isVisible());
    EXPECT_TRUE(form->Loadlogfile1->isEnabled());
    FormProgress = progress.get();
}

TEST_F(LoadCommand, BadNumberFromTheMenuGoesToTheErrorBoxAlsoInAveragedMode)
{
    ASSERT_TRUE(form->Useaverageposition1->isChecked());
    form->XCoord->setText("");
    dialogs.fileNames.push_back(dir.write("a.bin", navcomLog()));
    form->Loadlogfile1->trigger();
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{"'' is not a valid floating point value"}));
    EXPECT_EQ(form->Analysis, nullptr);
    EXPECT_EQ(form->windowTitle(), "Pelomark GNSS log analyzer");

    form->XCoord->setText("1,5e");  // not a number in any locale
    dialogs.fileNames.push_back(dir.write("a.bin", navcomLog()));
    form->Loadlogfile1->trigger();
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1], "'1,5e' is not a valid floating point value");
}

TEST_F(LoadCommand, DuringALoadOnlyCheckMarksChangeAndASecondLoadIsRefused)
{
    const QString file = dir.write("a.bin", navcomLog());
    bool ranDuringLoad = false;
    dialogs.onOpen = [&] {
        dialogs.onOpen = nullptr;
        // Runs from the progress window's event processing inside the load.
        QTimer::singleShot(0, form.get(), [&] {
            ranDuringLoad = true;
            EXPECT_TRUE(form->loading());
            EXPECT_FALSE(form->Loadlogfile1->isEnabled());
            EXPECT_EQ(form->Analysis, nullptr);
            EXPECT_TRUE(progress->isVisible());
            form->XHistogram1->trigger();
            EXPECT_FALSE(form->XHistogram1->isChecked());
            form->ZHistogram1->trigger();
            form->ZHistogram1->trigger();
            EXPECT_TRUE(form->ZHistogram1->isChecked());
            EXPECT_EQ(plotWindowCount(), 0);
            const int opens = dialogs.openCount;
            form->Loadlogfile1->trigger();
            form->Button1Click();
            EXPECT_EQ(dialogs.openCount, opens) << "a nested load must not start";
        });
    };
    load(file);
    EXPECT_TRUE(ranDuringLoad);
    EXPECT_EQ(dialogs.openCount, 1);
    EXPECT_TRUE(form->Loadlogfile1->isEnabled());
    EXPECT_EQ(shownPlotWindows(), (std::vector<QString>{"3D RTK-FIX position", "3D RTK-X position",
                                                        "XYZ plotter window", "Y histogram", "Z histogram"}));
}

// A plot window the user moved or sized comes back there at the next load.
TEST_F(LoadCommand, PlotWindowsKeepTheirPlaceAndSizeFromOneLoadToTheNext)
{
    const QString file = dir.write("a.bin", navcomLog());
    load(file);
    ASSERT_TRUE(form->XHistogramForm);
    const QPoint moved(321, 234);
    const QSize sized(410, 290);
    form->XHistogramForm->move(moved);
    form->XHistogramForm->resize(sized);
    const QPoint plotPlace = form->ErrorPlotForm->pos();
    load(file);
    ASSERT_TRUE(form->XHistogramForm);
    EXPECT_EQ(form->XHistogramForm->pos(), moved);
    EXPECT_EQ(form->XHistogramForm->size(), sized);
    EXPECT_EQ(form->ErrorPlotForm->pos(), plotPlace) << "an unmoved window stays too";
}

// ---- View toggles.

using ViewToggles = MainWindowTest;

TEST_F(ViewToggles, WithoutAnalysisOnlyTheCheckMarkChanges)
{
    for (QAction* item :
         {form->N3Dpositionhistogram1, form->XHistogram1, form->YHistogram1, form->ZHistogram1, form->XYZplot1}) {
        item->trigger();
        EXPECT_FALSE(item->isChecked());
        item->trigger();
        EXPECT_TRUE(item->isChecked());
    }
    EXPECT_EQ(plotWindowCount(), 0);
}

TEST_F(ViewToggles, WithAnalysisEachItemClosesAndReopensItsWindows)
{
    load(dir.write("a.bin", navcomLog()));
    form->N3Dpositionhistogram1->trigger();
    EXPECT_TRUE(form->Fix3DHistogramForm.isNull());
    EXPECT_TRUE(form->Rtkx3DHistogramForm.isNull());
    EXPECT_EQ(shownPlotWindows(), (std::vector<QString>{"X histogram", "XYZ plotter window", "Y histogram",
                                                        "Z histogram"}));
    form->N3Dpositionhistogram1->trigger();
    EXPECT_EQ(shownPlotWindows(), kAllSix);
    EXPECT_EQ(form->Rtkx3DHistogramForm->ShownHistogram, &form->Analysis->hist3DRtkx);

    form->XYZplot1->trigger();
    EXPECT_TRUE(form->ErrorPlotForm.isNull());
    form->XYZplot1->trigger();
    EXPECT_EQ(form->ErrorPlotForm->windowTitle(), "XYZ plotter window");
    EXPECT_EQ(form->ErrorPlotForm->Analysis, form->Analysis.get());

    for (QAction* item : {form->YHistogram1, form->ZHistogram1}) {
        item->trigger();
        EXPECT_EQ(plotWindowCount(), 5);
        item->trigger();
        EXPECT_EQ(plotWindowCount(), 6);
    }
    EXPECT_EQ(shownPlotWindows(), kAllSix);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ViewToggles, CheckMarksDecideWhatTheNextLoadOpens)
{
    load(dir.write("a.bin", navcomLog()));
    form->XHistogram1->trigger();
    form->XYZplot1->trigger();
    load(dir.write("b.bin", navcomLog(20000, 5)));
    EXPECT_EQ(shownPlotWindows(), (std::vector<QString>{"3D RTK-FIX position", "3D RTK-X position",
                                                        "Y histogram", "Z histogram"}));
}

// ---- Ownership.

using Ownership = MainWindowTest;

TEST_F(Ownership, DestroyingTheMainWindowDestroysItsPlotWindows)
{
    load(dir.write("a.bin", navcomLog()));
    const std::vector<QPointer<QWidget>> windows = {form->ZHistogramForm.data(),      form->XHistogramForm.data(),
                                                    form->YHistogramForm.data(),      form->Fix3DHistogramForm.data(),
                                                    form->Rtkx3DHistogramForm.data(), form->ErrorPlotForm.data()};
    form.reset();
    for (const auto& w : windows) {
        EXPECT_TRUE(w.isNull());
    }
    EXPECT_EQ(plotWindowCount(), 0);
}

TEST_F(Ownership, AWindowThatDeletesItselfReadsAsGone)
{
    load(dir.write("a.bin", navcomLog()));
    delete form->YHistogramForm.data();
    EXPECT_TRUE(form->YHistogramForm.isNull());
    form->YHistogram1->trigger();  // unchecks; nothing left to destroy
    form->YHistogram1->trigger();
    EXPECT_EQ(plotWindowCount(), 6);
}

}  // namespace
}  // namespace gnsslog::apptest
