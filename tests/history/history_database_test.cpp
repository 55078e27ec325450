// The history file: runs written and read back, an old schema migrated,
// newer and foreign files refused untouched, two writers at once.
#include <sqlite3.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "history/HistoryDatabase.h"
#include "history/HistorySchema.h"
#include "history/SqliteHandles.h"
#include "HistoryTestFiles.h"

namespace gnsslog {
namespace {

using history_test::fileBytes;
using history_test::ScratchFolder;

HistorySlice sliceOn(const std::string& day, double start, double h95)
{
    HistorySlice s;
    s.day = day;
    s.startSeconds = start;
    s.endSeconds = start + 3600;
    s.partial = start == 0;
    s.figures.records = 3600;
    s.figures.fixShare = 0.875;
    s.figures.fixLosses = 2;
    s.figures.timeToFirstFix = 41.5;
    s.figures.horizontal50 = h95 / 2;
    s.figures.horizontal95 = h95;
    s.figures.vertical95 = 2 * h95;
    s.figures.availability = 0.75;
    s.figures.wrongFixes = 1;
    s.classes = {{"rtkFixed", 3150, h95 / 2, h95, 2 * h95}, {"rtkFloat", 450, 0.25, 0.5, std::nullopt}};
    s.verdicts = {{"h95<=0.02", h95, h95 <= 0.02 ? "PASS" : "FAIL"}, {"ttff<=60s", std::nullopt, "-"}};
    s.passes = h95 <= 0.02;
    s.gaps = 3;
    s.figures.sessions = 4;
    s.figures.timeToFixMedian = 35.5;
    s.figures.timeToFix95 = std::nullopt;  // falls on a session never fixed
    s.figures.judgedFirstFixes = 3;
    s.figures.wrongFirstFixes = 1;
    s.figures.wrongFirstFixShare = 1.0 / 3.0;
    s.figures.within1Sigma = 0.6875;
    s.figures.hazardouslyMisleading = 2;
    s.figures.misleadingRate95 = 1.25e-4;
    return s;
}

HistoryRun runOf(const std::string& source, std::vector<HistorySlice> slices)
{
    HistoryRun run;
    run.writtenUtc = "2026-12-09T18:00:00Z";
    run.source = source;
    run.name = source.substr(source.rfind('/') + 1);
    run.sliceSeconds = 3600;
    run.requirements = "h95<=0.02,ttff<=60s";
    run.truth = "Truth: averaged RTK-fixed position of each log";
    run.dataQuality = HistoryDataQuality{100, 1, 2, 3, 4, 5, 6, 7, 8};
    run.slices = std::move(slices);
    return run;
}

std::int64_t userVersion(const std::string& path)
{
    SqliteConnection db;
    EXPECT_EQ(db.open(path, false, 1000), "");
    return db.queryInt("PRAGMA user_version").value_or(-1);
}

void executeRaw(const std::string& path, const char* sql)
{
    SqliteConnection db;
    ASSERT_EQ(db.open(path, true, 1000), "");
    ASSERT_EQ(db.execute(sql), "");
}

TEST(HistoryDatabaseTest, TwoRunsAreWrittenAndReadBackWhole)
{
    ScratchFolder folder;
    const std::string path = folder.file("h.sqlite");
    {
        HistoryDatabase first(path);
        ASSERT_TRUE(first.isOpen()) << first.errorMessage();
        EXPECT_EQ(first.versionFound(), 0);
        EXPECT_EQ(first.append({runOf("logs/a.nmea", {sliceOn("2026-12-07", 0, 0.01),
                                                      sliceOn("2026-12-07", 3600, 0.03)})}),
                  "");
    }
    {
        HistoryDatabase second(path);
        ASSERT_TRUE(second.isOpen()) << second.errorMessage();
        EXPECT_EQ(second.versionFound(), kHistorySchemaVersion);
        EXPECT_EQ(second.append({runOf("logs/b.nmea", {sliceOn("2026-12-08", 0, 0.02)})}), "");
    }
    EXPECT_EQ(userVersion(path), kHistorySchemaVersion);

    HistoryDatabase reader(path, false);
    std::string error;
    const std::vector<HistoryRow> rows = reader.read({}, error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "a.nmea");
    EXPECT_EQ(rows[0].source, "logs/a.nmea");
    EXPECT_EQ(rows[2].name, "b.nmea");
    EXPECT_NE(rows[0].runId, rows[2].runId);
    EXPECT_EQ(rows[0].runId, rows[1].runId);

    const HistorySlice expected = sliceOn("2026-12-07", 3600, 0.03);
    const HistorySlice& got = rows[1].slice;
    EXPECT_EQ(got.day, expected.day);
    EXPECT_EQ(got.startSeconds, 3600);
    EXPECT_EQ(got.endSeconds, 7200);
    EXPECT_FALSE(got.partial);
    EXPECT_TRUE(rows[0].slice.partial);
    EXPECT_EQ(got.figures.records, 3600);
    EXPECT_EQ(got.figures.fixShare, 0.875);
    EXPECT_EQ(got.figures.fixLosses, 2);
    EXPECT_EQ(got.figures.timeToFirstFix, 41.5);
    EXPECT_EQ(got.figures.horizontal95, 0.03);
    EXPECT_EQ(got.figures.vertical95, 0.06);
    EXPECT_EQ(got.figures.availability, 0.75);
    EXPECT_EQ(got.figures.wrongFixes, 1);
    EXPECT_EQ(got.passes, std::optional<bool>(false));
    EXPECT_EQ(got.gaps, std::optional<std::int64_t>(3));
    ASSERT_EQ(got.classes.size(), 2u);
    EXPECT_EQ(got.classes[1].solutionClass, "rtkFloat");
    EXPECT_EQ(got.classes[1].epochs, 450);
    EXPECT_EQ(got.classes[1].horizontal95, 0.5);
    EXPECT_FALSE(got.classes[1].vertical95);
    ASSERT_EQ(got.verdicts.size(), 2u);
    EXPECT_EQ(got.verdicts[0].requirement, "h95<=0.02");
    EXPECT_EQ(got.verdicts[0].verdict, "FAIL");
    EXPECT_EQ(got.verdicts[0].value, 0.03);
    EXPECT_EQ(got.verdicts[1].verdict, "-");
    EXPECT_FALSE(got.verdicts[1].value);
    ASSERT_TRUE(rows[1].dataQuality);
    EXPECT_EQ(*rows[1].dataQuality, (HistoryDataQuality{100, 1, 2, 3, 4, 5, 6, 7, 8}));
    // The session and honesty figures, bit for bit, an empty one empty.
    EXPECT_TRUE(got.sessionFiguresKept);
    EXPECT_EQ(got.figures.sessions, 4);
    EXPECT_EQ(got.figures.timeToFixMedian, 35.5);
    EXPECT_FALSE(got.figures.timeToFix95);
    EXPECT_EQ(got.figures.judgedFirstFixes, 3);
    EXPECT_EQ(got.figures.wrongFirstFixes, 1);
    EXPECT_EQ(got.figures.wrongFirstFixShare, 1.0 / 3.0);
    EXPECT_EQ(got.figures.within1Sigma, 0.6875);
    EXPECT_EQ(got.figures.hazardouslyMisleading, 2.0);
    EXPECT_EQ(got.figures.misleadingRate95, 1.25e-4);
}

TEST(HistoryDatabaseTest, FilterTakesDaysInclusiveAndTheSourceByPathOrName)
{
    ScratchFolder folder;
    const std::string path = folder.file("h.sqlite");
    HistoryDatabase db(path);
    ASSERT_EQ(db.append({runOf("logs/a.nmea", {sliceOn("2026-12-06", 0, 0.01), sliceOn("2026-12-07", 0, 0.01)}),
                         runOf("logs/b.nmea", {sliceOn("2026-12-07", 0, 0.01), sliceOn("2026-12-08", 0, 0.01)})}),
              "");
    std::string error;
    EXPECT_EQ(db.read({"2026-12-07", "2026-12-07", ""}, error).size(), 2u);
    EXPECT_EQ(db.read({"2026-12-07", "", ""}, error).size(), 3u);
    EXPECT_EQ(db.read({"", "2026-12-06", ""}, error).size(), 1u);
    EXPECT_EQ(db.read({"", "", "b.nmea"}, error).size(), 2u);
    EXPECT_EQ(db.read({"", "", "logs/a.nmea"}, error).size(), 2u);
    EXPECT_EQ(db.read({"", "", "c.nmea"}, error).size(), 0u);
    EXPECT_EQ(error, "");
}

// What a viewer filters by: only sources that have slices, each once,
// and the days that bound all slices whichever source they came from.
TEST(HistoryDatabaseTest, OverviewNamesSourcesWithSlicesAndTheDaysTheySpan)
{
    ScratchFolder folder;
    HistoryDatabase db(folder.file("h.sqlite"));
    std::string error;
    const HistoryOverview empty = db.overview(error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(empty.sources.empty());
    EXPECT_EQ(empty.firstDay, "");
    EXPECT_EQ(empty.lastDay, "");

    ASSERT_EQ(db.append({runOf("logs/b.nmea", {sliceOn("2026-12-08", 0, 0.01)}),
                         runOf("logs/a.nmea", {sliceOn("2026-12-07", 0, 0.01)}),
                         runOf("logs/nothing.nmea", {})}),
              "");
    ASSERT_EQ(db.append({runOf("logs/b.nmea", {sliceOn("2026-12-05", 0, 0.01)})}), "");
    const HistoryOverview overview = db.overview(error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(overview.sources, (std::vector<std::string>{"logs/a.nmea", "logs/b.nmea"}));
    EXPECT_EQ(overview.firstDay, "2026-12-05");
    EXPECT_EQ(overview.lastDay, "2026-12-08");
}

// A file left by the first schema: the tool's own step 1 and a row in it.
TEST(HistoryDatabaseTest, VersionOneFileIsMigratedAndKeepsItsRows)
{
    ScratchFolder folder;
    const std::string path = folder.file("old.sqlite");
    executeRaw(path, historySchemaSteps()[0]);
    executeRaw(path,
               "INSERT INTO runs VALUES (1, '2026-01-01T00:00:00Z', 'old.nmea', 'old.nmea', 3600, '', 'Truth');"
               "INSERT INTO slices VALUES (1, 1, '2026-01-01', 0, 3600, 0, 10, 0.5, 0, NULL, 0.01, 0.02, "
               "0.03, 0.5, 0, NULL);");
    ASSERT_EQ(userVersion(path), 1);

    HistoryDatabase db(path);
    ASSERT_TRUE(db.isOpen()) << db.errorMessage();
    EXPECT_EQ(db.versionFound(), 1);
    EXPECT_EQ(userVersion(path), kHistorySchemaVersion);
    ASSERT_EQ(db.append({runOf("new.nmea", {sliceOn("2026-01-02", 0, 0.01)})}), "");

    std::string error;
    const std::vector<HistoryRow> rows = db.read({}, error);
    ASSERT_EQ(rows.size(), 2u) << error;
    // What version 1 did not keep is unknown, not zero.
    EXPECT_EQ(rows[0].name, "old.nmea");
    EXPECT_FALSE(rows[0].dataQuality);
    EXPECT_FALSE(rows[0].slice.gaps);
    EXPECT_FALSE(rows[0].slice.passes);
    EXPECT_EQ(rows[0].slice.figures.horizontal95, 0.02);
    EXPECT_FALSE(rows[0].slice.sessionFiguresKept);
    EXPECT_TRUE(rows[1].dataQuality);
    EXPECT_EQ(rows[1].slice.gaps, std::optional<std::int64_t>(3));
}

// A file left by version 2: its runs were written whole, never in progress.
TEST(HistoryDatabaseTest, VersionTwoFileIsMigratedAndItsRunsAreComplete)
{
    ScratchFolder folder;
    const std::string path = folder.file("v2.sqlite");
    executeRaw(path, historySchemaSteps()[0]);
    executeRaw(path, historySchemaSteps()[1]);
    executeRaw(path,
               "INSERT INTO runs VALUES (1, '2026-06-01T00:00:00Z', 'v2.nmea', 'v2.nmea', 3600, '', 'Truth', "
               "10, 0, 0, 0, 0, 0, 0, 1, 0);"
               "INSERT INTO slices VALUES (1, 1, '2026-06-01', 0, 3600, 0, 10, 0.5, 0, NULL, 0.01, 0.02, "
               "0.03, 0.5, 0, NULL, 4);");
    ASSERT_EQ(userVersion(path), 2);

    HistoryDatabase db(path);
    ASSERT_TRUE(db.isOpen()) << db.errorMessage();
    EXPECT_EQ(db.versionFound(), 2);
    EXPECT_EQ(userVersion(path), kHistorySchemaVersion);
    std::string error;
    const std::vector<HistoryRow> rows = db.read({}, error);
    ASSERT_EQ(rows.size(), 1u) << error;
    EXPECT_FALSE(rows[0].inProgress);
    ASSERT_TRUE(rows[0].dataQuality);
    EXPECT_EQ(rows[0].dataQuality->frames, 10);
    EXPECT_EQ(rows[0].slice.gaps, std::optional<std::int64_t>(4));
}

// A file left by version 3: its slices did not keep the session and
// honesty figures, which read back empty rather than zero.
TEST(HistoryDatabaseTest, VersionThreeFileIsMigratedAndItsSessionFiguresAreUnknown)
{
    ScratchFolder folder;
    const std::string path = folder.file("v3.sqlite");
    for (int step = 0; step < 3; ++step) {
        executeRaw(path, historySchemaSteps()[static_cast<std::size_t>(step)]);
    }
    executeRaw(path,
               "INSERT INTO runs VALUES (1, '2026-09-01T00:00:00Z', 'v3.nmea', 'v3.nmea', 3600, '', 'Truth', "
               "10, 0, 0, 0, 0, 0, 0, 1, 0, 0);"
               "INSERT INTO slices VALUES (1, 1, '2026-09-01', 0, 3600, 0, 10, 0.5, 0, 12.0, 0.01, 0.02, "
               "0.03, 0.5, 0, NULL, 4);");
    ASSERT_EQ(userVersion(path), 3);

    HistoryDatabase db(path);
    ASSERT_TRUE(db.isOpen()) << db.errorMessage();
    EXPECT_EQ(db.versionFound(), 3);
    EXPECT_EQ(userVersion(path), kHistorySchemaVersion);
    ASSERT_EQ(db.append({runOf("v4.nmea", {sliceOn("2026-09-02", 0, 0.01)})}), "");
    std::string error;
    const std::vector<HistoryRow> rows = db.read({}, error);
    ASSERT_EQ(rows.size(), 2u) << error;
    const LogFigures& old = rows[0].slice.figures;
    EXPECT_FALSE(rows[0].slice.sessionFiguresKept);
    EXPECT_EQ(old.sessions, 0);
    EXPECT_FALSE(old.timeToFixMedian);
    EXPECT_FALSE(old.wrongFirstFixShare);
    EXPECT_FALSE(old.within1Sigma);
    EXPECT_FALSE(old.hazardouslyMisleading);
    EXPECT_FALSE(old.misleadingRate95);
    EXPECT_EQ(old.timeToFirstFix, 12.0);  // what version 3 kept is kept
    EXPECT_TRUE(rows[1].slice.sessionFiguresKept);
    EXPECT_EQ(rows[1].slice.figures.sessions, 4);
}

// A live run: its row from its first slice, slices added as they complete,
// and its end replacing row and slices with the run's final measurement.
TEST(HistoryDatabaseTest, LiveRunIsWrittenAsItGoesAndItsEndReplacesIt)
{
    ScratchFolder folder;
    const std::string path = folder.file("live.sqlite");
    HistoryDatabase db(path);
    ASSERT_EQ(db.append({runOf("other.nmea", {sliceOn("2026-12-07", 0, 0.01)})}), "");
    HistoryRun live = runOf("tcp://rover:5017", {sliceOn("2026-12-07", 0, 0.05)});
    std::int64_t runId = 0;
    ASSERT_EQ(db.beginRun(live, runId), "");
    EXPECT_NE(runId, 0);
    ASSERT_EQ(db.appendSlices(runId, {sliceOn("2026-12-07", 3600, 0.05)}), "");

    std::string error;
    std::vector<HistoryRow> rows = db.read({"", "", "tcp://rover:5017"}, error);
    ASSERT_EQ(rows.size(), 2u) << error;
    for (const HistoryRow& row : rows) {
        EXPECT_TRUE(row.inProgress);
        EXPECT_FALSE(row.dataQuality) << "counted over the whole run, known at its end";
        EXPECT_EQ(row.runId, runId);
    }

    // The end measured three slices against its final truth.
    HistoryRun finished = runOf("tcp://rover:5017", {sliceOn("2026-12-07", 0, 0.01), sliceOn("2026-12-07", 3600, 0.01),
                                                     sliceOn("2026-12-07", 7200, 0.01)});
    finished.writtenUtc = "2026-12-09T19:00:00Z";
    ASSERT_EQ(db.finishRun(runId, finished), "");
    rows = db.read({"", "", "tcp://rover:5017"}, error);
    ASSERT_EQ(rows.size(), 3u) << error;
    for (const HistoryRow& row : rows) {
        EXPECT_FALSE(row.inProgress);
        EXPECT_EQ(row.runId, runId);
        EXPECT_EQ(row.writtenUtc, "2026-12-09T19:00:00Z");
        EXPECT_EQ(row.dataQuality, finished.dataQuality);
        EXPECT_EQ(row.slice.figures.horizontal95, 0.01);
        EXPECT_EQ(row.slice.classes.size(), 2u);
        EXPECT_EQ(row.slice.verdicts.size(), 2u);
    }
    EXPECT_EQ(db.read({"", "", "other.nmea"}, error).size(), 1u) << "another run's slices untouched";
    // Nothing of the replaced slices is left behind.
    SqliteConnection raw;
    ASSERT_EQ(raw.open(path, false, 1000), "");
    EXPECT_EQ(raw.queryInt("SELECT count(*) FROM slice_classes"), 8);
    EXPECT_EQ(raw.queryInt("SELECT count(*) FROM verdicts"), 8);

    // A row removed meanwhile: the end writes the run anew.
    ASSERT_EQ(raw.execute("DELETE FROM slice_classes; DELETE FROM verdicts; DELETE FROM slices; DELETE FROM runs;"), "");
    ASSERT_EQ(db.finishRun(runId, finished), "");
    EXPECT_EQ(db.read({}, error).size(), 3u);
}

TEST(HistoryDatabaseTest, NewerSchemaIsRefusedUnchanged)
{
    ScratchFolder folder;
    const std::string path = folder.file("newer.sqlite");
    {
        HistoryDatabase db(path);
        ASSERT_TRUE(db.isOpen());
    }
    executeRaw(path, ("PRAGMA user_version = " + std::to_string(kHistorySchemaVersion + 1)).c_str());
    const std::string before = fileBytes(path);

    HistoryDatabase db(path);
    EXPECT_EQ(db.openError(), HistoryOpenError::Newer);
    EXPECT_NE(db.errorMessage().find("newer gnsslog"), std::string::npos) << db.errorMessage();
    EXPECT_NE(db.errorMessage().find(path), std::string::npos);
    EXPECT_NE(db.append({runOf("a.nmea", {})}), "");
    EXPECT_EQ(fileBytes(path), before);
}

TEST(HistoryDatabaseTest, FilesNotOursAreRefusedUnchanged)
{
    ScratchFolder folder;
    struct Case {
        const char* legend;
        const char* sql;  // null: a text file
        HistoryOpenError expected;
    };
    const Case cases[] = {
        {"another application's database", "CREATE TABLE photos (id INTEGER, jpeg BLOB);"
                                            "INSERT INTO photos VALUES (1, x'ffd8');",
         HistoryOpenError::Foreign},
        {"our application id but no meta table",
         "PRAGMA application_id = 1196315475; CREATE TABLE t (x);", HistoryOpenError::Foreign},
        {"a meta table naming another application",
         "PRAGMA application_id = 1196315475; PRAGMA user_version = 2;"
         "CREATE TABLE meta (key TEXT, value TEXT); INSERT INTO meta VALUES ('application', 'other');",
         HistoryOpenError::Foreign},
        {"only a user version", "PRAGMA user_version = 7;", HistoryOpenError::Foreign},
        {"a text file", nullptr, HistoryOpenError::Unreadable},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = folder.file("foreign" + std::to_string(n++) + ".db");
        if (c.sql != nullptr) {
            executeRaw(path, c.sql);
        } else {
            std::ofstream(path, std::ios::binary) << "$GPGGA,not a database at all, and long enough to fill a header.....\n";
        }
        const std::string before = fileBytes(path);
        HistoryDatabase db(path);
        EXPECT_EQ(db.openError(), c.expected) << c.legend;
        EXPECT_NE(db.errorMessage(), "") << c.legend;
        EXPECT_EQ(fileBytes(path), before) << c.legend;
        EXPECT_FALSE(std::filesystem::exists(path + "-journal")) << c.legend;
    }
}

TEST(HistoryDatabaseTest, MissingOrEmptyFileIsCreatedOnlyWhenAsked)
{
    ScratchFolder folder;
    const std::string path = folder.file("none.sqlite");
    HistoryDatabase reader(path, false);
    EXPECT_EQ(reader.openError(), HistoryOpenError::Unreadable);
    EXPECT_FALSE(std::filesystem::exists(path));

    std::ofstream(folder.file("empty.sqlite")).close();
    HistoryDatabase empty(folder.file("empty.sqlite"), false);
    EXPECT_EQ(empty.openError(), HistoryOpenError::Unreadable);
    HistoryDatabase created(folder.file("empty.sqlite"));
    EXPECT_TRUE(created.isOpen()) << created.errorMessage();
}

// Each writer has its own connection, as a second process would: the
// busy timeout lets each wait for the other's transaction.
TEST(HistoryDatabaseTest, TwoWritersAtOnceBothSucceed)
{
    ScratchFolder folder;
    const std::string path = folder.file("shared.sqlite");
    constexpr int kRunsPerWriter = 40;
    std::string failures[2];
    const auto writer = [&](int id) {
        HistoryDatabase db(path);
        if (!db.isOpen()) {
            failures[id] = db.errorMessage();
            return;
        }
        const std::string source = "writer" + std::to_string(id) + ".nmea";
        for (int i = 0; i < kRunsPerWriter; ++i) {
            if (std::string problem = db.append({runOf(source, {sliceOn("2026-12-07", i * 3600.0, 0.01)})});
                !problem.empty()) {
                failures[id] = problem;
                return;
            }
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");

    HistoryDatabase reader(path, false);
    std::string error;
    EXPECT_EQ(reader.read({"", "", "writer0.nmea"}, error).size(), std::size_t{kRunsPerWriter});
    EXPECT_EQ(reader.read({"", "", "writer1.nmea"}, error).size(), std::size_t{kRunsPerWriter});
}

}  // namespace
}  // namespace gnsslog
