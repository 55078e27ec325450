// File > "Open history...": a monitoring history in a window of its own,
// its table per day and trend picture the report tool's, narrowed by the
// source box and the two dates; files that are no history of ours are
// refused with their reason and left as they were.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>

#include <string>
#include <vector>

#include "app/HistoryForm.h"
#include "app/HistoryTrendImage.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryRunBuilder.h"
#include "history/HistoryDayTable.h"
#include "history/SqliteHandles.h"
#include "tests/gui/app_support.h"
#include "tests/history/HistoryTestFiles.h"
#include "tools/report/writers/HistoryPage.h"

namespace gnsslog::apptest {
namespace {

using history_test::fileBytes;

HistorySlice sliceOn(const std::string& day, double start, double h95, std::int64_t records)
{
    HistorySlice s;
    s.day = day;
    s.startSeconds = start;
    s.endSeconds = start + 3600;
    s.figures.records = records;
    s.figures.fixShare = 0.9;
    s.figures.horizontal50 = h95 / 2;
    s.figures.horizontal95 = h95;
    s.figures.vertical95 = 2 * h95;
    s.figures.availability = 0.8;
    return s;
}

HistoryRun runOf(const std::string& source, std::vector<HistorySlice> slices)
{
    HistoryRun run;
    run.writtenUtc = "2026-12-09T18:00:00Z";
    run.source = source;
    run.name = historySourceName(source);
    run.sliceSeconds = 3600;
    run.slices = std::move(slices);
    return run;
}

std::vector<std::vector<std::string>> cellsOf(const QTableWidget& table)
{
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (int c = 0; c < table.columnCount(); ++c) {
            const QTableWidgetItem* item = table.item(r, c);
            cells.push_back(item != nullptr ? item->text().toStdString() : std::string());
        }
    }
    return rows;
}

std::vector<std::string> headerOf(const QTableWidget& table)
{
    std::vector<std::string> header;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QTableWidgetItem* item = table.horizontalHeaderItem(c);
        header.push_back(item != nullptr ? item->text().toStdString() : std::string());
    }
    return header;
}

std::vector<std::string> sourcesOf(const QComboBox& box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box.count(); ++i) {
        items.push_back(box.itemText(i).toStdString());
    }
    return items;
}

std::vector<std::string> pictureDays(const THistoryForm& window)
{
    std::vector<std::string> labels;
    for (const TrendDay& d : window.Picture->days()) {
        labels.push_back(d.label);
    }
    return labels;
}

class HistoryWindowTest : public MainWindowTest {
protected:
    // Two logs of one folder and a log named like one of them from another:
    // a.nmea on the 5th and 6th, logs/b.nmea on the 6th and 8th, b.nmea on the 7th.
    std::string writeHistory()
    {
        const std::string path = (dir.path() / "station.sqlite").string();
        HistoryDatabase db(path);
        EXPECT_EQ(db.append({runOf("logs/a.nmea", {sliceOn("2026-12-05", 0, 0.010, 3600),
                                                  sliceOn("2026-12-06", 0, 0.020, 1800)}),
                             runOf("logs/b.nmea", {sliceOn("2026-12-06", 3600, 0.040, 3600),
                                                  sliceOn("2026-12-08", 0, 0.030, 900)})}),
                  "");
        EXPECT_EQ(db.append({runOf("b.nmea", {sliceOn("2026-12-07", 0, 0.5, 100)})}), "");
        return path;
    }

    // What gnsslog-report --history-report prints per day for that filter.
    static TextTable reportDays(const std::string& path, const HistoryFilter& filter)
    {
        HistoryDatabase db(path, false);
        std::string error;
        const std::vector<HistoryRow> rows = db.read(filter, error);
        EXPECT_EQ(error, "");
        return historyDayTable(historyTrend(rows));
    }

    THistoryForm* openHistory(const std::string& path)
    {
        dialogs.fileNames.push_back(QString::fromStdString(path));
        form->OpenHistory1->trigger();
        const QList<THistoryForm*> windows = form->findChildren<THistoryForm*>();
        return windows.isEmpty() ? nullptr : windows.back();
    }
};

TEST_F(HistoryWindowTest, ShowsEveryDayOfEverySourceAsTheReportDoes)
{
    const std::string path = writeHistory();
    THistoryForm* window = openHistory(path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "History - station.sqlite");
    EXPECT_EQ(sourcesOf(*window->SourceBox),
              (std::vector<std::string>{"All sources", "b.nmea", "logs/a.nmea", "logs/b.nmea"}));
    EXPECT_EQ(window->SourceBox->currentIndex(), 0);
    EXPECT_EQ(window->FromDate->date(), QDate(2026, 12, 5));
    EXPECT_EQ(window->ToDate->date(), QDate(2026, 12, 8));

    const TextTable expected = reportDays(path, {});
    EXPECT_EQ(headerOf(*window->Table), expected.header);
    ASSERT_EQ(window->Table->rowCount(), 4);
    EXPECT_EQ(cellsOf(*window->Table), expected.rows);
    EXPECT_EQ(window->Table->item(1, 1)->text(), "2");  // two slices on the 6th
    EXPECT_EQ(window->StatusLabel->text(), "5 slices on 4 days");
    EXPECT_EQ(window->Table->editTriggers(), QAbstractItemView::NoEditTriggers);

    // At the report's size the picture is the report's, pixel for pixel.
    window->Picture->resize(kHistoryTrendWidth, kHistoryTrendHeight);
    HistoryDatabase db(path, false);
    std::string error;
    const QImage report = drawHistoryTrend(historyTrend(db.read({}, error)));
    EXPECT_EQ(window->Picture->Bitmap.convertToFormat(QImage::Format_RGB32), report);
    // Elsewhere it is painted at the control's size.
    window->Picture->resize(kHistoryTrendWidth / 2, kHistoryTrendHeight / 2);
    EXPECT_EQ(window->Picture->Bitmap.size(), QSize(kHistoryTrendWidth / 2, kHistoryTrendHeight / 2));

    // The same file again is a second window; Escape closes one and frees it.
    THistoryForm* second = openHistory(path);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, window);
    QPointer<THistoryForm> closing(second);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(second->Table, &escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(form->findChildren<THistoryForm*>().size(), 1);
}

TEST_F(HistoryWindowTest, SourceAndDatesNarrowTheTableAndThePicture)
{
    const std::string path = writeHistory();
    THistoryForm* window = openHistory(path);
    ASSERT_NE(window, nullptr);
    window->Picture->resize(kHistoryTrendWidth, kHistoryTrendHeight);
    const QImage everything = window->Picture->Bitmap.copy();

    window->SourceBox->setCurrentIndex(window->SourceBox->findText("logs/b.nmea"));
    EXPECT_EQ(cellsOf(*window->Table), reportDays(path, {"", "", "logs/b.nmea"}).rows);
    EXPECT_EQ(pictureDays(*window), (std::vector<std::string>{"2026-12-06", "2026-12-08"}));
    EXPECT_NE(window->Picture->Bitmap, everything);
    EXPECT_EQ(window->StatusLabel->text(), "2 slices on 2 days");

    // The box names one source exactly, where --source would also take
    // logs/b.nmea by its bare name.
    window->SourceBox->setCurrentIndex(window->SourceBox->findText("b.nmea"));
    ASSERT_EQ(window->Table->rowCount(), 1);
    EXPECT_EQ(window->Table->item(0, 0)->text(), "2026-12-07");
    EXPECT_EQ(window->Table->item(0, 2)->text(), "100");

    window->SourceBox->setCurrentIndex(0);
    window->FromDate->setDate(QDate(2026, 12, 6));
    window->ToDate->setDate(QDate(2026, 12, 7));
    EXPECT_EQ(cellsOf(*window->Table), reportDays(path, {"2026-12-06", "2026-12-07", ""}).rows);
    EXPECT_EQ(pictureDays(*window), (std::vector<std::string>{"2026-12-06", "2026-12-07"}));

    window->SourceBox->setCurrentIndex(window->SourceBox->findText("logs/a.nmea"));
    EXPECT_EQ(pictureDays(*window), (std::vector<std::string>{"2026-12-06"}));

    // Days the other way round let nothing through; the picture says so.
    window->FromDate->setDate(QDate(2026, 12, 8));
    EXPECT_EQ(window->Table->rowCount(), 0);
    EXPECT_EQ(window->Table->columnCount(), static_cast<int>(reportDays(path, {}).header.size()));
    EXPECT_EQ(window->StatusLabel->text(), "0 slices on 0 days");
    EXPECT_EQ(window->Picture->Bitmap.convertToFormat(QImage::Format_RGB32), drawHistoryTrend({}));
}

TEST_F(HistoryWindowTest, EmptyHistoryShowsAnEmptyTableAndTheNothingYetPicture)
{
    const std::string path = (dir.path() / "new.sqlite").string();
    ASSERT_TRUE(HistoryDatabase(path).isOpen());
    THistoryForm* window = openHistory(path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(sourcesOf(*window->SourceBox), (std::vector<std::string>{"All sources"}));
    EXPECT_EQ(window->Table->rowCount(), 0);
    EXPECT_EQ(headerOf(*window->Table), reportDays(path, {}).header);
    window->Picture->resize(kHistoryTrendWidth, kHistoryTrendHeight);
    EXPECT_EQ(window->Picture->Bitmap.convertToFormat(QImage::Format_RGB32), drawHistoryTrend({}));
    // The painter's picture without days is not a blank one.
    QImage blank(kHistoryTrendWidth, kHistoryTrendHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_NE(drawHistoryTrend({}), blank);
}

TEST_F(HistoryWindowTest, FilesThatAreNoHistoryOfOursAreRefusedUnchanged)
{
    const std::string foreign = (dir.path() / "other.sqlite").string();
    {
        SqliteConnection db;
        ASSERT_EQ(db.open(foreign, true, 1000), "");
        ASSERT_EQ(db.execute("CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('kept');"), "");
    }
    const std::string newer = (dir.path() / "newer.sqlite").string();
    {
        ASSERT_TRUE(HistoryDatabase(newer).isOpen());
        SqliteConnection db;
        ASSERT_EQ(db.open(newer, false, 1000), "");
        ASSERT_EQ(db.execute("PRAGMA user_version = 99"), "");
    }
    const std::string text = dir.write("notes.sqlite", "not a database at all\n").toStdString();
    const std::string empty = dir.write("empty.sqlite", "").toStdString();

    for (const std::string& path : {foreign, newer, text, empty}) {
        SCOPED_TRACE(path);
        const std::string before = fileBytes(path);
        dialogs.errors.clear();
        EXPECT_EQ(openHistory(path), nullptr);
        ASSERT_EQ(dialogs.errors.size(), 1u);
        // The database's own reason, naming the file.
        EXPECT_EQ(dialogs.errors[0].toStdString(), HistoryDatabase(path, false).errorMessage());
        EXPECT_NE(dialogs.errors[0].toStdString().find(path), std::string::npos);
        EXPECT_EQ(fileBytes(path), before);
    }

    // Cancelling the dialog opens nothing and says nothing.
    dialogs.errors.clear();
    dialogs.fileNames.push_back(std::nullopt);
    form->OpenHistory1->trigger();
    EXPECT_TRUE(form->findChildren<THistoryForm*>().isEmpty());
    EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace gnsslog::apptest
