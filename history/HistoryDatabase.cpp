#include "history/HistoryDatabase.h"

#include <sqlite3.h>

#include <cstddef>

#include "history/HistorySchema.h"

namespace gnsslog {

namespace {

// Whether the file's meta table names this application. A missing table
// is an error of the query, so a foreign file answers false.
bool namesThisApplication(SqliteConnection& db)
{
    SqliteStatement statement(db, "SELECT value FROM meta WHERE key = 'application'");
    return statement.prepared() && statement.step() && statement.text(0) == kHistoryApplicationName;
}

constexpr const char* kInsertRun =
    "INSERT INTO runs (written_utc, source, name, slice_seconds, requirements, truth, frames, "
    "rejected_checksum, unread_frames, rejected_frames, truncated_frames, backward_steps, "
    "day_wraps, gaps, dates_ignored, in_progress) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
    "?11, ?12, ?13, ?14, ?15, ?16)";
constexpr const char* kUpdateRun =
    "UPDATE runs SET written_utc = ?1, source = ?2, name = ?3, slice_seconds = ?4, "
    "requirements = ?5, truth = ?6, frames = ?7, rejected_checksum = ?8, unread_frames = ?9, "
    "rejected_frames = ?10, truncated_frames = ?11, backward_steps = ?12, day_wraps = ?13, "
    "gaps = ?14, dates_ignored = ?15, in_progress = ?16 WHERE id = ?17";
// A run's slices go with their classes and verdicts, these first.
constexpr const char* kDeleteSlicesOfRun[] = {
    "DELETE FROM slice_classes WHERE slice_id IN (SELECT id FROM slices WHERE run_id = ?1)",
    "DELETE FROM verdicts WHERE slice_id IN (SELECT id FROM slices WHERE run_id = ?1)",
    "DELETE FROM slices WHERE run_id = ?1"};
constexpr const char* kInsertSlice =
    "INSERT INTO slices (run_id, day, start_seconds, end_seconds, partial, records, fix_share, "
    "fix_losses, ttff_seconds, h50_metres, h95_metres, v95_metres, availability, wrong_fixes, "
    "passes, gaps, sessions, ttf_median_seconds, ttf95_seconds, judged_first_fixes, "
    "wrong_first_fixes, wrong_first_fix_share, within_1sigma, hazardously_misleading, "
    "misleading_rate95) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, "
    "?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25)";
constexpr const char* kInsertClass =
    "INSERT INTO slice_classes (slice_id, class, epochs, h50_metres, h95_metres, v95_metres) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
constexpr const char* kInsertVerdict =
    "INSERT INTO verdicts (slice_id, position, requirement, value, verdict) VALUES (?1, ?2, ?3, ?4, ?5)";

constexpr const char* kSelectRows =
    "SELECT r.id, r.written_utc, r.source, r.name, r.frames, r.rejected_checksum, "
    "r.unread_frames, r.rejected_frames, r.truncated_frames, r.backward_steps, r.day_wraps, "
    "r.gaps, r.dates_ignored, r.in_progress, s.id, s.day, s.start_seconds, s.end_seconds, s.partial, s.records, "
    "s.fix_share, s.fix_losses, s.ttff_seconds, s.h50_metres, s.h95_metres, s.v95_metres, "
    "s.availability, s.wrong_fixes, s.passes, s.gaps, s.sessions, s.ttf_median_seconds, "
    "s.ttf95_seconds, s.judged_first_fixes, s.wrong_first_fixes, s.wrong_first_fix_share, "
    "s.within_1sigma, s.hazardously_misleading, s.misleading_rate95 "
    "FROM slices s JOIN runs r ON r.id = s.run_id "
    "WHERE (?1 = '' OR s.day >= ?1) AND (?2 = '' OR s.day <= ?2) "
    "AND (?3 = '' OR r.source = ?3 OR r.name = ?3) "
    "ORDER BY s.day, r.name, s.start_seconds, r.id";
constexpr const char* kSelectClasses =
    "SELECT class, epochs, h50_metres, h95_metres, v95_metres FROM slice_classes "
    "WHERE slice_id = ?1 ORDER BY rowid";
constexpr const char* kSelectVerdicts =
    "SELECT requirement, value, verdict FROM verdicts WHERE slice_id = ?1 ORDER BY position";
constexpr const char* kSelectSources =
    "SELECT DISTINCT r.source FROM runs r WHERE EXISTS (SELECT 1 FROM slices s WHERE s.run_id = r.id) "
    "ORDER BY r.source";
constexpr const char* kSelectDays = "SELECT min(day), max(day) FROM slices";

// Columns of kSelectRows.
enum RowColumn : int {
    RunId, WrittenUtc, Source, Name, Frames, RejectedChecksum, UnreadFrames, RejectedFrames,
    TruncatedFrames, BackwardSteps, DayWraps, RunGaps, DatesIgnored, InProgress, SliceId, Day, Start, End,
    Partial, Records, FixShare, FixLosses, Ttff, H50, H95, V95, Availability, WrongFixes, Passes,
    SliceGaps, Sessions, TtfMedian, Ttf95, JudgedFirstFixes, WrongFirstFixes, WrongFirstFixShare,
    Within1Sigma, HazardouslyMisleading, MisleadingRate95
};

// Binds a run's own fields, parameters 1 to 16 of kInsertRun and kUpdateRun.
void bindRun(SqliteStatement& statement, const HistoryRun& run)
{
    statement.bind(1, run.writtenUtc);
    statement.bind(2, run.source);
    statement.bind(3, run.name);
    statement.bind(4, run.sliceSeconds);
    statement.bind(5, run.requirements);
    statement.bind(6, run.truth);
    if (const std::optional<HistoryDataQuality>& q = run.dataQuality) {
        const std::int64_t counts[] = {q->frames,          q->rejectedChecksum, q->unreadFrames,
                                       q->rejectedFrames,  q->truncatedFrames,  q->backwardSteps,
                                       q->dayWraps,        q->gaps,             q->datesIgnored};
        int index = 7;
        for (const std::int64_t count : counts) {
            statement.bind(index++, count);
        }
    }
    statement.bind(16, std::int64_t{run.inProgress ? 1 : 0});
}

HistoryRow rowAt(const SqliteStatement& s)
{
    HistoryRow row;
    row.runId = s.integer(RunId);
    row.writtenUtc = s.text(WrittenUtc);
    row.source = s.text(Source);
    row.name = s.text(Name);
    if (!s.isNull(Frames)) {
        row.dataQuality = HistoryDataQuality{s.integer(Frames), s.integer(RejectedChecksum),
                                             s.integer(UnreadFrames), s.integer(RejectedFrames),
                                             s.integer(TruncatedFrames), s.integer(BackwardSteps),
                                             s.integer(DayWraps), s.integer(RunGaps),
                                             s.integer(DatesIgnored)};
    }
    row.inProgress = s.integer(InProgress) != 0;
    HistorySlice& slice = row.slice;
    slice.day = s.text(Day);
    slice.startSeconds = s.real(Start);
    slice.endSeconds = s.real(End);
    slice.partial = s.integer(Partial) != 0;
    LogFigures& f = slice.figures;
    f.records = s.integer(Records);
    f.fixShare = s.real(FixShare);
    f.fixLosses = s.integer(FixLosses);
    f.timeToFirstFix = s.optionalReal(Ttff);
    f.horizontal50 = s.optionalReal(H50);
    f.horizontal95 = s.optionalReal(H95);
    f.vertical95 = s.optionalReal(V95);
    f.availability = s.optionalReal(Availability);
    f.wrongFixes = s.integer(WrongFixes);
    if (!s.isNull(Passes)) {
        slice.passes = s.integer(Passes) != 0;
    }
    slice.gaps = s.optionalInteger(SliceGaps);
    // Written together: sessions stands for all of them.
    slice.sessionFiguresKept = !s.isNull(Sessions);
    if (slice.sessionFiguresKept) {
        f.sessions = s.integer(Sessions);
        f.timeToFixMedian = s.optionalReal(TtfMedian);
        f.timeToFix95 = s.optionalReal(Ttf95);
        f.judgedFirstFixes = s.integer(JudgedFirstFixes);
        f.wrongFirstFixes = s.integer(WrongFirstFixes);
        f.wrongFirstFixShare = s.optionalReal(WrongFirstFixShare);
        f.within1Sigma = s.optionalReal(Within1Sigma);
        f.hazardouslyMisleading = s.optionalReal(HazardouslyMisleading);
        f.misleadingRate95 = s.optionalReal(MisleadingRate95);
    }
    return row;
}

}  // namespace

HistoryDatabase::HistoryDatabase(const std::string& path, bool create) : path_(path)
{
    prepare(create);
}

void HistoryDatabase::refuse(HistoryOpenError error, const std::string& why)
{
    openError_ = error;
    message_ = why;
}

void HistoryDatabase::prepare(bool create)
{
    if (const std::string problem = db_.open(path_, create, kHistoryBusyTimeoutMs);
        !problem.empty()) {
        refuse(HistoryOpenError::Unreadable, "cannot open " + path_ + " as a history: " + problem);
        return;
    }
    // IMMEDIATE: the check and a creation or migration are one step, so two
    // writers starting on a new file do not both create its tables.
    if (const std::string problem = db_.execute("BEGIN IMMEDIATE"); !problem.empty()) {
        refuse(HistoryOpenError::Unreadable, "cannot read " + path_ + " as a history: " + problem);
        return;
    }
    std::int64_t version = 0;
    const HistoryOpenError error = checkFile(create, version);
    if (error != HistoryOpenError::None) {
        db_.execute("ROLLBACK");
        openError_ = error;
        return;
    }
    versionFound_ = version;
    std::string problem = version < kHistorySchemaVersion ? migrateFrom(version) : std::string();
    if (problem.empty()) {
        problem = db_.execute("COMMIT");
    }
    if (!problem.empty()) {
        db_.execute("ROLLBACK");
        refuse(HistoryOpenError::Failed, "cannot set up the history in " + path_ + ": " + problem);
    }
}

HistoryOpenError HistoryDatabase::checkFile(bool create, std::int64_t& version)
{
    const std::optional<std::int64_t> tables = db_.queryInt("SELECT count(*) FROM sqlite_master");
    const std::optional<std::int64_t> userVersion = db_.queryInt("PRAGMA user_version");
    const std::optional<std::int64_t> applicationId = db_.queryInt("PRAGMA application_id");
    if (!tables || !userVersion || !applicationId) {
        message_ = "cannot read " + path_ + " as a history: " + db_.lastError();
        return HistoryOpenError::Unreadable;
    }
    if (*tables == 0 && *userVersion == 0 && *applicationId == 0) {
        if (!create) {
            message_ = path_ + " holds no history";
            return HistoryOpenError::Unreadable;
        }
        version = 0;
        return HistoryOpenError::None;
    }
    if (*applicationId != kHistoryApplicationId || *userVersion < 1 || !namesThisApplication(db_)) {
        message_ = path_ + " is not a gnsslog history (an SQLite database of something else); "
                           "it was left unchanged";
        return HistoryOpenError::Foreign;
    }
    if (*userVersion > kHistorySchemaVersion) {
        message_ = path_ + " was written by a newer gnsslog (history schema version " +
                   std::to_string(*userVersion) + "; this version reads up to " +
                   std::to_string(kHistorySchemaVersion) + "); it was left unchanged";
        return HistoryOpenError::Newer;
    }
    version = *userVersion;
    return HistoryOpenError::None;
}

std::string HistoryDatabase::migrateFrom(std::int64_t version)
{
    const auto& steps = historySchemaSteps();
    for (auto v = static_cast<std::size_t>(version); v < steps.size(); ++v) {
        if (std::string problem = db_.execute(steps[v]); !problem.empty()) {
            return "schema step " + std::to_string(v + 1) + ": " + problem;
        }
    }
    return {};
}

template <class Body>
std::string HistoryDatabase::inTransaction(Body body)
{
    if (!isOpen()) {
        return message_;
    }
    if (std::string problem = db_.execute("BEGIN IMMEDIATE"); !problem.empty()) {
        return "cannot write to " + path_ + ": " + problem;
    }
    std::string problem = body();
    if (problem.empty()) {
        problem = db_.execute("COMMIT");
    }
    if (!problem.empty()) {
        db_.execute("ROLLBACK");
        return "cannot write to " + path_ + ": " + problem;
    }
    return {};
}

std::string HistoryDatabase::append(const std::vector<HistoryRun>& runs)
{
    return inTransaction([&]() -> std::string {
        for (const HistoryRun& run : runs) {
            std::int64_t runId = 0;
            if (std::string problem = appendRun(run, runId); !problem.empty()) {
                return problem;
            }
        }
        return {};
    });
}

std::string HistoryDatabase::beginRun(const HistoryRun& run, std::int64_t& runId)
{
    HistoryRun begun = run;
    begun.inProgress = true;
    begun.dataQuality.reset();  // counted over the whole run, so written at its end
    std::int64_t id = 0;
    std::string problem = inTransaction([&] { return appendRun(begun, id); });
    if (problem.empty()) {
        runId = id;
    }
    return problem;
}

std::string HistoryDatabase::appendSlices(std::int64_t runId, const std::vector<HistorySlice>& slices)
{
    return inTransaction([&] { return insertSlices(runId, slices); });
}

std::string HistoryDatabase::finishRun(std::int64_t runId, const HistoryRun& run)
{
    return inTransaction([&] { return replaceRun(runId, run); });
}

std::string HistoryDatabase::replaceRun(std::int64_t runId, const HistoryRun& run)
{
    SqliteStatement update(db_, kUpdateRun);
    if (!update.prepared()) {
        return db_.lastError();
    }
    bindRun(update, run);
    update.bind(17, runId);
    if (!update.run()) {
        return db_.lastError();
    }
    if (sqlite3_changes(db_.handle()) == 0) {
        std::int64_t newId = 0;
        return appendRun(run, newId);
    }
    for (const char* sql : kDeleteSlicesOfRun) {
        SqliteStatement remove(db_, sql);
        if (!remove.prepared()) {
            return db_.lastError();
        }
        remove.bind(1, runId);
        if (!remove.run()) {
            return db_.lastError();
        }
    }
    return insertSlices(runId, run.slices);
}

std::string HistoryDatabase::appendRun(const HistoryRun& run, std::int64_t& runId)
{
    SqliteStatement insert(db_, kInsertRun);
    if (!insert.prepared()) {
        return db_.lastError();
    }
    bindRun(insert, run);
    if (!insert.run()) {
        return db_.lastError();
    }
    runId = db_.lastInsertId();
    return insertSlices(runId, run.slices);
}

std::string HistoryDatabase::insertSlices(std::int64_t runId, const std::vector<HistorySlice>& slices)
{
    for (const HistorySlice& slice : slices) {
        if (std::string problem = appendSlice(runId, slice); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

std::string HistoryDatabase::appendSlice(std::int64_t runId, const HistorySlice& slice)
{
    SqliteStatement insert(db_, kInsertSlice);
    SqliteStatement insertClass(db_, kInsertClass);
    SqliteStatement insertVerdict(db_, kInsertVerdict);
    if (!insert.prepared() || !insertClass.prepared() || !insertVerdict.prepared()) {
        return db_.lastError();
    }
    const LogFigures& f = slice.figures;
    insert.bind(1, runId);
    insert.bind(2, slice.day);
    insert.bind(3, slice.startSeconds);
    insert.bind(4, slice.endSeconds);
    insert.bind(5, std::int64_t{slice.partial ? 1 : 0});
    insert.bind(6, f.records);
    insert.bind(7, f.fixShare);
    insert.bind(8, f.fixLosses);
    insert.bind(9, f.timeToFirstFix);
    insert.bind(10, f.horizontal50);
    insert.bind(11, f.horizontal95);
    insert.bind(12, f.vertical95);
    insert.bind(13, f.availability);
    insert.bind(14, f.wrongFixes);
    if (slice.passes) {
        insert.bind(15, std::int64_t{*slice.passes ? 1 : 0});
    }
    insert.bind(16, slice.gaps);
    if (slice.sessionFiguresKept) {
        insert.bind(17, f.sessions);
        insert.bind(18, f.timeToFixMedian);
        insert.bind(19, f.timeToFix95);
        insert.bind(20, f.judgedFirstFixes);
        insert.bind(21, f.wrongFirstFixes);
        insert.bind(22, f.wrongFirstFixShare);
        insert.bind(23, f.within1Sigma);
        insert.bind(24, f.hazardouslyMisleading);
        insert.bind(25, f.misleadingRate95);
    }
    if (!insert.run()) {
        return db_.lastError();
    }
    const std::int64_t sliceId = db_.lastInsertId();
    for (const HistoryClassFigures& c : slice.classes) {
        insertClass.bind(1, sliceId);
        insertClass.bind(2, c.solutionClass);
        insertClass.bind(3, c.epochs);
        insertClass.bind(4, c.horizontal50);
        insertClass.bind(5, c.horizontal95);
        insertClass.bind(6, c.vertical95);
        if (!insertClass.run()) {
            return db_.lastError();
        }
    }
    for (std::size_t i = 0; i < slice.verdicts.size(); ++i) {
        const HistoryVerdict& v = slice.verdicts[i];
        insertVerdict.bind(1, sliceId);
        insertVerdict.bind(2, static_cast<std::int64_t>(i));
        insertVerdict.bind(3, v.requirement);
        insertVerdict.bind(4, v.value);
        insertVerdict.bind(5, v.verdict);
        if (!insertVerdict.run()) {
            return db_.lastError();
        }
    }
    return {};
}

std::vector<HistoryRow> HistoryDatabase::read(const HistoryFilter& filter, std::string& error)
{
    std::vector<HistoryRow> rows;
    error.clear();
    if (!isOpen()) {
        error = message_;
        return rows;
    }
    SqliteStatement select(db_, kSelectRows);
    SqliteStatement classes(db_, kSelectClasses);
    SqliteStatement verdicts(db_, kSelectVerdicts);
    if (!select.prepared() || !classes.prepared() || !verdicts.prepared()) {
        error = "cannot read " + path_ + ": " + db_.lastError();
        return rows;
    }
    // One read transaction: a writer's run is seen whole or not at all.
    if (std::string problem = db_.execute("BEGIN"); !problem.empty()) {
        error = "cannot read " + path_ + ": " + problem;
        return rows;
    }
    select.bind(1, filter.fromDay);
    select.bind(2, filter.toDay);
    select.bind(3, filter.source);
    std::vector<std::int64_t> sliceIds;
    while (select.step()) {
        rows.push_back(rowAt(select));
        sliceIds.push_back(select.integer(SliceId));
    }
    bool complete = select.done();
    for (std::size_t i = 0; i < rows.size() && complete; ++i) {
        classes.bind(1, sliceIds[i]);
        while (classes.step()) {
            rows[i].slice.classes.push_back({classes.text(0), classes.integer(1),
                                             classes.optionalReal(2), classes.optionalReal(3),
                                             classes.optionalReal(4)});
        }
        verdicts.bind(1, sliceIds[i]);
        while (verdicts.step()) {
            rows[i].slice.verdicts.push_back(
                {verdicts.text(0), verdicts.optionalReal(1), verdicts.text(2)});
        }
        complete = classes.done() && verdicts.done();
        classes.reset();
        verdicts.reset();
    }
    if (!complete) {
        error = "cannot read " + path_ + ": " + db_.lastError();
        rows.clear();
    }
    db_.execute("COMMIT");
    return rows;
}

HistoryOverview HistoryDatabase::overview(std::string& error)
{
    HistoryOverview overview;
    error.clear();
    if (!isOpen()) {
        error = message_;
        return overview;
    }
    SqliteStatement sources(db_, kSelectSources);
    SqliteStatement days(db_, kSelectDays);
    if (!sources.prepared() || !days.prepared()) {
        error = "cannot read " + path_ + ": " + db_.lastError();
        return overview;
    }
    // One read transaction, so the days and the sources are of the same runs.
    if (std::string problem = db_.execute("BEGIN"); !problem.empty()) {
        error = "cannot read " + path_ + ": " + problem;
        return overview;
    }
    while (sources.step()) {
        overview.sources.push_back(sources.text(0));
    }
    // An aggregate gives one row even without slices: there NULLs, read as "".
    const bool complete = sources.done() && days.step();
    if (complete) {
        overview.firstDay = days.text(0);
        overview.lastDay = days.text(1);
    }
    if (!complete) {
        error = "cannot read " + path_ + ": " + db_.lastError();
        overview = {};
    }
    db_.execute("COMMIT");
    return overview;
}

}  // namespace gnsslog
