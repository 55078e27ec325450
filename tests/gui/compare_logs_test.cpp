// File > Compare logs...: several logs analysed with the menus' truth and
// parsing mode, shown as the comparison table; the main window's own
// analysis, labels and windows stay as they were.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include "app/CompareLogsForm.h"
#include "plots/windows/HistoPlot.h"
#include "log/formats/Formats.h"
#include "compare/ComparisonTable.h"
#include "compare/Requirements.h"
#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

using CompareLogsTest = MainWindowTest;

std::vector<std::string> rowOf(const QTableWidget& table, int row)
{
    std::vector<std::string> cells;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QTableWidgetItem* item = table.item(row, c);
        cells.push_back(item != nullptr ? item->text().toStdString() : std::string());
    }
    return cells;
}

TEST_F(CompareLogsTest, TableShowsEveryLogWithTheMenusTruthAndLeavesTheMainWindowAlone)
{
    const QString a = dir.write("a.pvt1b", navcomLog(30000, 7));
    const QString b = dir.write("b.pvt1b", navcomLog(30000, 8));
    const QString missing = QString::fromStdString((dir.path() / "missing.pvt1b").string());
    form->Manualinput1->setChecked(true);
    form->XCoord->setText(QStringLiteral("6677407"));
    form->YCoord->setText(QStringLiteral("2550153"));
    form->ZCoord->setText(QStringLiteral("45"));
    const QString before = form->Label1->text();

    dialogs.fileLists.push_back({a, missing, b});
    form->Comparelogs1->trigger();

    ASSERT_TRUE(form->CompareLogsForm);
    TCompareLogsForm& window = *form->CompareLogsForm;
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Compare logs");
    EXPECT_EQ(window.TruthLabel->text(), "Truth: manual (6677407.0000, 2550153.0000, 45.0000)");

    // The same cells as the comparison computed here with those settings.
    ComparisonSettings settings;
    settings.format = &navcomFormat();
    settings.truthMode = TruthMode::Manual;
    settings.manualX = 6677407;
    settings.manualY = 2550153;
    settings.manualZ = 45;
    const TextTable expected = comparisonTable(
        compareLogs({a.toStdString(), missing.toStdString(), b.toStdString()}, settings), {});
    ASSERT_EQ(window.Table->rowCount(), 3);
    ASSERT_EQ(window.Table->columnCount(), static_cast<int>(expected.header.size()));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(rowOf(*window.Table, r), expected.rows[static_cast<std::size_t>(r)]) << r;
    }
    EXPECT_EQ(rowOf(*window.Table, 1)[1], "unreadable");
    EXPECT_NE(rowOf(*window.Table, 0)[1], "0");

    EXPECT_EQ(form->Label1->text(), before);
    EXPECT_EQ(form->Analysis, nullptr);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(form->XHistogramForm);
}

TEST_F(CompareLogsTest, WindowEventsAreHandledWhileTheLogsAreCompared)
{
    const QString a = dir.write("a.pvt1b", navcomLog(30000, 7));
    const QString b = dir.write("b.pvt1b", navcomLog(30000, 8));
    dialogs.fileLists.push_back({a, b});
    bool handledDuringComparison = false;
    QTimer::singleShot(0, form.get(), [&] { handledDuringComparison = !form->CompareLogsForm; });
    form->Comparelogs1->trigger();
    EXPECT_TRUE(handledDuringComparison) << "the window thread waited for the comparison";
    ASSERT_TRUE(form->CompareLogsForm);
    EXPECT_EQ(form->CompareLogsForm->Table->rowCount(), 2);
}

TEST_F(CompareLogsTest, CancelShowsNothingAndABadManualNumberStopsBeforeAnyLog)
{
    form->Comparelogs1->trigger();  // the dialog answers nothing
    EXPECT_FALSE(form->CompareLogsForm);

    const QString a = dir.write("a.pvt1b", navcomLog());
    form->XCoord->setText(QStringLiteral("abc"));
    dialogs.fileLists.push_back({a});
    form->Comparelogs1->trigger();
    EXPECT_FALSE(form->CompareLogsForm);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors.front().indexOf(QStringLiteral("abc")), -1);
}

TEST_F(CompareLogsTest, AnotherComparisonReplacesTheTableInTheSameWindow)
{
    const QString a = dir.write("a.pvt1b", navcomLog(30000, 7));
    const QString b = dir.write("b.pvt1b", navcomLog(30000, 8));
    dialogs.fileLists.push_back({a, b});
    form->Comparelogs1->trigger();
    ASSERT_TRUE(form->CompareLogsForm);
    TCompareLogsForm* first = form->CompareLogsForm;
    EXPECT_EQ(first->Table->rowCount(), 2);
    EXPECT_EQ(first->TruthLabel->text(), "Truth: each log's own averaged RTK-fixed position");

    dialogs.fileLists.push_back({b});
    form->Comparelogs1->trigger();
    EXPECT_EQ(form->CompareLogsForm, first);
    EXPECT_EQ(first->Table->rowCount(), 1);
    EXPECT_EQ(rowOf(*first->Table, 0)[0], "b.pvt1b");
}

// Every column as wide as its widest text, a missing figure with its
// reason, Escape to close.
TEST_F(CompareLogsTest, ResultsWindowShowsWholeCellsWithReasonsAndClosesWithEscape)
{
    LogComparison comparison;
    LogRow never;
    never.file = "a-rather-long-log-file-name-from-a-field-test.nmea";
    never.figures.records = 20;
    never.figures.availability = 0.0;
    LogRow fixed = never;
    fixed.file = "b.nmea";
    fixed.figures.fixShare = 1.0;
    fixed.figures.timeToFirstFix = 1.0;
    fixed.figures.horizontal50 = fixed.figures.horizontal95 = fixed.figures.vertical95 = 0.0123;
    comparison.rows = {never, fixed};
    TCompareLogsForm window(nullptr);
    window.SetComparison(comparison, parseRequirements("ttff<=60s").requirements);
    window.resize(400, 200);  // narrower than the table
    window.show();
    QApplication::processEvents();

    const std::vector<std::string> first = rowOf(*window.Table, 0);
    EXPECT_EQ(first[4], "- (no RTK-fixed epochs)");  // time to first fix
    EXPECT_EQ(first[7], "- (no RTK-fixed epochs)");  // H50
    EXPECT_EQ(window.Table->item(0, 4)->toolTip(), "no RTK-fixed epochs");
    const std::vector<std::string> second = rowOf(*window.Table, 1);
    EXPECT_EQ(second[5], "- (no fix lost)");
    EXPECT_EQ(second[4], "1.0");
    EXPECT_TRUE(window.Table->item(1, 4)->toolTip().isEmpty());

    const QFontMetrics metrics(window.Table->font());
    for (int c = 0; c < window.Table->columnCount(); ++c) {
        const QString heading = window.Table->horizontalHeaderItem(c)->text();
        for (int r = 0; r < window.Table->rowCount(); ++r) {
            EXPECT_GE(window.Table->columnWidth(c), metrics.horizontalAdvance(window.Table->item(r, c)->text()))
                << "column \"" << heading.toStdString() << "\" cuts row " << r;
        }
    }
    EXPECT_TRUE(window.Table->horizontalScrollBar()->maximum() > 0) << "the rest is a scroll away";

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.Table, &escape);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace gnsslog::apptest
