// Truth coordinates > Reference trajectory...: the reference becomes the
// truth mode until another is picked, a cancelled or unusable choice
// leaves the mode as it was, and the summary names the reference.
#include <QAction>
#include <QLabel>
#include <QTableWidget>

#include <cmath>
#include <string>

#include "app/CompareLogsForm.h"
#include "compare/ComparisonTable.h"
#include "plots/windows/TrackPlot.h"

#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

struct MovingLog {
    std::string rover;
    std::string reference;  // CSV
    std::uint64_t records = 0;
};

// A 10 Hz NMEA receiver (UTC) driving a circle, and its reference (GPS time).
MovingLog movingLog()
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.targetBytes = 30000;
    options.epochIntervalMs = 100;
    options.startMs = 12 * 3600 * 1000;
    options.trajectory.kind = TrajectoryKind::Circle;
    LogGenerator generator(options);
    MovingLog log;
    std::string chunk;
    while (generator.next(chunk)) {
        log.rover += chunk;
    }
    log.reference = generator.referenceCsv();
    log.records = generator.stats().validRecords;
    return log;
}

using ReferenceTruth = MainWindowTest;

TEST_F(ReferenceTruth, AChosenReferenceIsTheTruthUntilAnotherModeIsPicked)
{
    const MovingLog log = movingLog();
    dialogs.fileNames.push_back(dir.write("circle.csv", log.reference));
    form->Referencetrajectory1->trigger();
    ASSERT_NE(form->reference(), nullptr);
    EXPECT_TRUE(form->Referencetrajectory1->isChecked());
    EXPECT_FALSE(form->Useaverageposition1->isChecked());

    form->openLogFile(dir.write("rover.nmea", log.rover));
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_TRUE(form->truthMatch().has_value());
    const std::string count = std::to_string(log.records);
    EXPECT_EQ(form->Label2->text().toStdString(), "Truth: reference circle.csv, " + count +
                                                      " of " + count + " epochs matched (100.0 %)");

    // The windows measure against the reference: a fixed record's north
    // error is centimetres, where its position moves round a 100 m circle.
    ASSERT_NE(form->PositionsAnalysis, nullptr);
    int fixed = 0;
    for (const GNSSRecord& r : form->Analysis->records) {
        if (r.fixType == FixType::RtkFixed && r.has(ValidFlag::Grid)) {
            EXPECT_LT(std::fabs(r.localX), 0.1);
            ++fixed;
        }
    }
    EXPECT_GT(fixed, 10);
    // The Track draws the log's own positions over the reference.
    form->Track1->trigger();
    ASSERT_FALSE(form->TrackForm.isNull());
    const TrackSeries& series = form->TrackForm->Image1->series();
    EXPECT_EQ(series.reference.size(), form->reference()->epochs.size());
    EXPECT_EQ(series.rover.size(), log.records);
    EXPECT_GT(series.maxNorth - series.minNorth, 90.0);

    // A second load keeps the reference without asking for it again.
    form->openLogFile(dir.write("again.nmea", log.rover));
    EXPECT_EQ(dialogs.openCount, 1);
    EXPECT_TRUE(form->truthMatch().has_value());

    form->Useaverageposition1->trigger();
    EXPECT_FALSE(form->Referencetrajectory1->isChecked());
    form->openLogFile(dir.write("averaged.nmea", log.rover));
    EXPECT_FALSE(form->truthMatch().has_value());
    EXPECT_EQ(form->PositionsAnalysis, nullptr);
    ASSERT_FALSE(form->TrackForm.isNull());
    EXPECT_TRUE(form->TrackForm->Image1->series().reference.empty());
    EXPECT_TRUE(form->Label2->text().startsWith("Truth coordinates(averaged)")) << form->Label2->text().toStdString();
}

// The cells of a table row by the header's column names.
std::string cellOf(const QTableWidget& table, int row, const char* column)
{
    for (int c = 0; c < table.columnCount(); ++c) {
        if (table.horizontalHeaderItem(c)->text() == QLatin1String(column)) {
            return table.item(row, c)->text().toStdString();
        }
    }
    ADD_FAILURE() << "no column " << column;
    return {};
}

TEST_F(ReferenceTruth, ComparedLogsAreMeasuredAgainstTheChosenReference)
{
    const MovingLog log = movingLog();
    form->Detectautomatically1->trigger();
    dialogs.fileNames.push_back(dir.write("circle.csv", log.reference));
    form->Referencetrajectory1->trigger();
    ASSERT_NE(form->reference(), nullptr);
    const QString a = dir.write("a.nmea", log.rover);
    const QString b = dir.write("b.nmea", log.rover);

    dialogs.fileLists.push_back({a, b});
    form->Comparelogs1->trigger();
    ASSERT_TRUE(form->CompareLogsForm);
    const TCompareLogsForm& window = *form->CompareLogsForm;
    EXPECT_EQ(window.TruthLabel->text().toStdString(),
              "Truth: reference trajectory " + form->reference()->file);
    ASSERT_EQ(window.Table->rowCount(), 2);
    // Against the reference a fixed log is centimetres off; against its
    // average position the circle puts it tens of metres away.
    const std::string againstReference = cellOf(*window.Table, 0, "H95 (m)");
    EXPECT_LT(std::stod(againstReference), 0.5) << againstReference;
    EXPECT_EQ(cellOf(*window.Table, 1, "H95 (m)"), againstReference);

    form->Useaverageposition1->trigger();
    dialogs.fileLists.push_back({a});
    form->Comparelogs1->trigger();
    EXPECT_TRUE(window.TruthLabel->text().startsWith("Truth: each log's own averaged")) << window.TruthLabel->text().toStdString();
    const std::string againstAverage = cellOf(*window.Table, 0, "H95 (m)");
    EXPECT_GT(std::stod(againstAverage), 10.0) << againstAverage;
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReferenceTruth, CancelledOrUnusableReferencesLeaveTheModeAsItWas)
{
    dialogs.fileNames.push_back(std::nullopt);
    form->Referencetrajectory1->trigger();
    EXPECT_EQ(dialogs.openCount, 1);
    EXPECT_FALSE(form->Referencetrajectory1->isChecked());
    EXPECT_TRUE(form->Useaverageposition1->isChecked());

    const struct {
        const char* legend;
        const char* name;
        const char* content;
    } cases[] = {
        {"one usable row", "one.csv", "time,lat,lon,height\n2023-07-11T06:04:12Z,35.2,136.9,50\n"},
        {"no time column", "columns.csv", "lat,lon,height\n35.2,136.9,50\n35.3,136.9,50\n"},
        {"no file at all", "gone.csv", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.legend);
        dialogs.messages.clear();
        const QString path = c.content != nullptr ? dir.write(c.name, c.content)
                                                  : QString::fromStdString((dir.path() / c.name).string());
        dialogs.fileNames.push_back(path);
        form->Referencetrajectory1->trigger();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Error");
        EXPECT_TRUE(dialogs.messages[0].text.contains(QString::fromLatin1(c.name)))
            << dialogs.messages[0].text.toStdString();
        EXPECT_EQ(form->reference(), nullptr);
        EXPECT_FALSE(form->Referencetrajectory1->isChecked());
        EXPECT_TRUE(form->Useaverageposition1->isChecked());
        EXPECT_FALSE(form->loading());
    }
}

}  // namespace
}  // namespace gnsslog::apptest
