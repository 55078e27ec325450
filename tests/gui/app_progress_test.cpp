// The progress window: its design, each kind of report, and what it shows
// through the reports of whole loads.
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/ProgressRelay.h"
#include "platform/TickCounter.h"
#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

struct Shown {
    QString caption;
    bool labelVisible;
    QString label;
    int minimum, maximum, value;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    return out << '"' << s.caption.toStdString() << "\" label " << (s.labelVisible ? "shown" : "hidden") << " \""
               << s.label.toStdString() << "\" bar " << s.minimum << ".." << s.maximum << " at " << s.value;
}

Shown shownBy(const TFormProgress& form)
{
    return {form.windowTitle(),          !form.Label1->isHidden(),    form.Label1->text(),
            form.ProgressBar1->minimum(), form.ProgressBar1->maximum(), form.ProgressBar1->value()};
}

TEST(ProgressWindow, DesignState)
{
    guiApp();
    TFormProgress form;
    EXPECT_EQ(form.size(), QSize(394, 76));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint) << "no close button";
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(form.palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(form.Label1->geometry(), QRect(176, 5, 31, 13));
    EXPECT_EQ(form.ProgressBar1->geometry(), QRect(16, 24, 361, 25));
    EXPECT_EQ(form.ProgressBar1->orientation(), Qt::Horizontal);
    EXPECT_EQ(shownBy(form), (Shown{"FormProgress", false, "Label1", 0, 100, 0}));
    EXPECT_TRUE(form.isHidden());
}

TEST(ProgressWindow, EachKindOfReport)
{
    guiApp();
    TFormProgress form;
    form.UpdateProgress("Reading file", 0, 4096);  // phase start: shown with its old text
    EXPECT_EQ(shownBy(form), (Shown{"Reading file", true, "Label1", 0, 4096, 0}));
    form.UpdateProgress("Reading file", 2048, 4096);
    EXPECT_EQ(shownBy(form), (Shown{"Reading file", true, "2048 / 4096", 0, 4096, 2048}));
    form.UpdateProgress("Calculating", 0, 10);  // new range, text stays
    EXPECT_EQ(shownBy(form), (Shown{"Calculating", true, "2048 / 4096", 0, 10, 0}));
    form.UpdateProgress("Reset", 0, 0);
    EXPECT_EQ(shownBy(form), (Shown{"Reset", false, "2048 / 4096", 0, 100, 0}));
    form.UpdateProgress("Calculating...", 7, 10);  // progress leaves visibility alone
    EXPECT_EQ(shownBy(form), (Shown{"Calculating...", false, "7 / 10", 0, 100, 7}));
}

TEST(ProgressWindow, LabelGrowsFromItsLeftEdge)
{
    guiApp();
    TFormProgress form;
    form.UpdateProgress("Reading file", 0, 1);
    form.UpdateProgress("Reading file", 123456789, 987654321);
    EXPECT_EQ(form.Label1->x(), 176);
    EXPECT_GE(form.Label1->width(), form.Label1->sizeHint().width());
    EXPECT_GT(form.Label1->width(), 31);
}

TEST(ProgressWindow, PositionOutsideTheRangeSticksAtItsEnd)
{
    guiApp();
    TFormProgress form;
    form.UpdateProgress("Reading file", 0, 100);
    form.UpdateProgress("Reading file", 50, 100);
    form.UpdateProgress("Reading file", 250, 100);
    EXPECT_EQ(form.ProgressBar1->value(), 100);
    form.UpdateProgress("Reading file", -5, 100);
    EXPECT_EQ(form.ProgressBar1->value(), 0);
    EXPECT_EQ(form.Label1->text(), "-5 / 100");
}

// ---- Whole loads: the pipeline's reports through the window, as the main
// window forwards them.

std::vector<Shown>& snapshots()
{
    static std::vector<Shown> list;
    return list;
}

void reportAndSnapshot(const char* text, std::int32_t position, std::int32_t total)
{
    ReportProgress(text, position, total);
    snapshots().push_back(shownBy(*FormProgress));
}

// Every tick is a second later, so each throttled report goes out.
std::uint32_t slowClock()
{
    static std::uint32_t now = 0;
    return now += 1000;
}

class WholeLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        previous = std::exchange(FormProgress, &form);
        snapshots().clear();
    }
    void TearDown() override { FormProgress = previous; }
    TFormProgress form;
    TFormProgress* previous = nullptr;
    ScratchDir dir;
};

TEST_F(WholeLoad, ReportsOfALogWithRecords)
{
    const std::string log = navcomLog(5000);
    const QString file = dir.write("a.bin", log);
    const TickSource before = setTickSource(&slowClock);
    const GNSSLog analysis(file.toLocal8Bit().constData(), reportAndSnapshot, true, true, 0, 0, 0, 0);
    setTickSource(before);
    const auto n = static_cast<std::int32_t>(analysis.records.size());
    const auto size = static_cast<std::int32_t>(log.size());
    ASSERT_GT(n, 1);

    const auto& s = snapshots();
    ASSERT_GE(s.size(), 9u);
    EXPECT_EQ(s.front(), (Shown{"Reading file", true, "Label1", 0, size, 0}));
    // The first block is reported with offset 0: one more phase start.
    EXPECT_EQ(s[1], (Shown{"Reading file", true, "Label1", 0, size, 0}));
    EXPECT_EQ(s[2], (Shown{"Reading file", true, QString("1024 / %1").arg(size), 0, size, 1024}));
    const auto calculating = std::find_if(s.begin(), s.end(), [](const Shown& x) { return x.caption == "Calculating"; });
    ASSERT_NE(calculating, s.end());
    EXPECT_EQ(calculating->maximum, n);
    EXPECT_EQ(calculating->value, 0);
    EXPECT_TRUE(calculating->label.startsWith(QString::number((size - 1) / 1024 * 1024) + " / "));
    EXPECT_EQ(*(calculating + 1), (Shown{"Calculating...", true, QString("1 / %1").arg(n), 0, n, 1}));

    const std::vector<Shown> tail(s.end() - 6, s.end());
    const QString lastCount = QString("%1 / %1").arg(n);
    EXPECT_EQ(tail, (std::vector<Shown>{{"Sorting histograms", true, lastCount, 0, 5, 0},
                                        {"Sorting histograms", true, "1 / 5", 0, 5, 1},
                                        {"Sorting histograms", true, "2 / 5", 0, 5, 2},
                                        {"Sorting histograms", true, "3 / 5", 0, 5, 3},
                                        {"Sorting histograms", true, "4 / 5", 0, 5, 4},
                                        {"All done!", true, "5 / 5", 0, 5, 5}}));
}

TEST_F(WholeLoad, EmptyFileResetsTheWindowTwice)
{
    form.UpdateProgress("earlier", 3, 9);  // a count left over from before
    const QString file = dir.write("empty.bin", "");
    const GNSSLog analysis(file.toLocal8Bit().constData(), reportAndSnapshot, true, true, 0, 0, 0, 0);
    const auto& s = snapshots();
    ASSERT_EQ(s.size(), 8u);
    EXPECT_EQ(s[0], (Shown{"Reading file", false, "3 / 9", 0, 100, 0}));
    EXPECT_EQ(s[1], (Shown{"Calculating", false, "3 / 9", 0, 100, 0}));
    EXPECT_EQ(s[2], (Shown{"Sorting histograms", true, "3 / 9", 0, 5, 0}));
    EXPECT_EQ(s[7], (Shown{"All done!", true, "5 / 5", 0, 5, 5}));
}

TEST_F(WholeLoad, FastLoadShowsNoCountsBeforeSorting)
{
    // A real clock: a small log is read and calculated well within 300 ms.
    const QString file = dir.write("a.bin", navcomLog(3000));
    const GNSSLog analysis(file.toLocal8Bit().constData(), reportAndSnapshot, true, true, 0, 0, 0, 0);
    for (const Shown& s : snapshots()) {
        if (s.caption == "Sorting histograms" && s.value == 1) {
            EXPECT_EQ(s.label, "1 / 5");
            break;
        }
        EXPECT_TRUE(s.label == "Label1" || s.label.startsWith("0 / ")) << s;
    }
}

TEST_F(WholeLoad, MainWindowShowsTheWindowDuringTheLoadAndHidesItAfter)
{
    FakeDialogs dialogs;
    TForm3 main(dialogs);
    dialogs.fileNames.push_back(dir.write("a.bin", navcomLog()));
    main.Button1Click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shownBy(form), (Shown{"All done!", true, "5 / 5", 0, 5, 5}));
}

// The relay between the analysing thread and the window: a phase cut
// short by the throttle ends with a full bar, one that was full or never
// moved gets nothing added, and each take stops after a phase's last
// progress so that state is shown before the next phase replaces it.
TEST(ProgressRelayTest, PhasesEndFullAndEachPhaseIsTakenOnItsOwn)
{
    ProgressRelay relay;
    relay.add("Reading file", 0, 4096);
    relay.add("Reading file", 0, 4096);  // the first block: one more phase start
    relay.add("Reading file", 2048, 4096);
    relay.add("Calculating", 0, 10);
    relay.add("Sorting histograms", 0, 5);
    relay.add("Sorting histograms", 1, 5);
    relay.add("All done!", 5, 5);
    using R = ProgressReport;
    EXPECT_EQ(relay.take(), (std::vector<R>{{"Reading file", 0, 4096},
                                            {"Reading file", 0, 4096},
                                            {"Reading file", 2048, 4096},
                                            {"Reading file", 4096, 4096}}));
    EXPECT_EQ(relay.take(), (std::vector<R>{{"Calculating", 0, 10},
                                            {"Sorting histograms", 0, 5},
                                            {"Sorting histograms", 1, 5},
                                            {"All done!", 5, 5}}));
    EXPECT_TRUE(relay.take().empty());

    relay.add("Reading file", 0, 0);  // an empty file: resets, no bar to fill
    relay.add("Calculating", 0, 0);
    EXPECT_EQ(relay.take(), (std::vector<R>{{"Reading file", 0, 0}, {"Calculating", 0, 0}}));
}

// The main window's load analyses on another thread while the window
// thread shows the reports. The analysing thread's clock holds it after
// some blocks until the window thread has shown the reading bar moving (or
// 10 s have passed), so the check cannot depend on how fast either runs.
std::atomic<bool> readingShown{false};
std::uint32_t clockWaitingForTheWindow()
{
    static std::uint32_t now = 0;
    static int reads = 0;
    if (++reads == 50) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!readingShown.load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return now += 1000;
}

TEST_F(WholeLoad, MainWindowLoadStartsFromZeroAndShowsReportsWhileItRuns)
{
    FakeDialogs dialogs;
    TForm3 main(dialogs);
    const QString file = dir.write("a.bin", navcomLog(400'000));
    dialogs.fileNames.push_back(file);
    main.Button1Click();  // leaves "All done!" 5 / 5 behind
    ASSERT_EQ(shownBy(form).label, "5 / 5");

    std::vector<Shown> seen;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (main.loading()) {
            seen.push_back(shownBy(form));
            if (seen.back().caption == "Reading file" && seen.back().value > 0) {
                readingShown.store(true);
            }
        }
    });
    watch.start();
    const TickSource before = setTickSource(&clockWaitingForTheWindow);
    dialogs.fileNames.push_back(file);
    main.Button1Click();
    setTickSource(before);
    watch.stop();

    ASSERT_FALSE(seen.empty()) << "the window thread ran no timers during the load";
    EXPECT_EQ(seen.front().value, 0) << seen.front();
    for (const Shown& s : seen) {
        EXPECT_FALSE(s.labelVisible && s.label == "5 / 5") << "the last load's count: " << s;
        if (s.caption == "Sorting histograms" || s.caption == "All done!") {
            break;  // this load's own 5 / 5 from here on
        }
    }
    EXPECT_TRUE(readingShown.load()) << "the reading bar never moved on the screen";
    EXPECT_EQ(shownBy(form), (Shown{"All done!", true, "5 / 5", 0, 5, 5}));
}

}  // namespace
}  // namespace gnsslog::apptest
