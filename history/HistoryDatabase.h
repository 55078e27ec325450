// A monitoring history file: opened (created or migrated when it is ours),
// runs appended in one transaction each, slices read back.
//
// A second writer, another process or another connection, is waited for
// (a busy timeout) rather than failed. A file that is not a gnsslog
// history, or one of a newer schema, is refused and left as it was: it is
// only read, inside a transaction that is rolled back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"
#include "history/SqliteHandles.h"

namespace gnsslog {

// How long a writer waits for another one to finish, milliseconds.
inline constexpr int kHistoryBusyTimeoutMs = 30000;

enum class HistoryOpenError : std::uint8_t {
    None,
    Unreadable,  // cannot be opened or read, or is no SQLite file
    Foreign,     // an SQLite file of something else
    Newer,       // a gnsslog history of a schema this build does not know
    Failed,      // creating or migrating failed
};

class HistoryDatabase {
public:
    // Opens path and migrates an older schema. create: a missing or empty
    // file becomes a new history; otherwise it is refused as Unreadable.
    explicit HistoryDatabase(const std::string& path, bool create = true);

    HistoryOpenError openError() const noexcept { return openError_; }
    // Names the file and says why it was refused; "" when open.
    const std::string& errorMessage() const noexcept { return message_; }
    bool isOpen() const noexcept { return openError_ == HistoryOpenError::None; }
    // The file's schema version when it was opened (0: created now).
    std::int64_t versionFound() const noexcept { return versionFound_; }

    // Appends the runs in one transaction. Returns "" or why not (nothing
    // of them is kept then).
    std::string append(const std::vector<HistoryRun>& runs);
    // A live run as it goes, one short transaction each. beginRun writes
    // the run's row, in progress, with its slices so far and sets runId;
    // appendSlices adds slices completed since; finishRun replaces the
    // run's row and every slice of it with the run as its end measured
    // it, no longer in progress (a row gone meanwhile is appended anew).
    std::string beginRun(const HistoryRun& run, std::int64_t& runId);
    std::string appendSlices(std::int64_t runId, const std::vector<HistorySlice>& slices);
    std::string finishRun(std::int64_t runId, const HistoryRun& run);
    // The slices the filter lets through, by day, start and run.
    std::vector<HistoryRow> read(const HistoryFilter& filter, std::string& error);
    // What a viewer offers to filter by, without reading every slice.
    HistoryOverview overview(std::string& error);

private:
    void prepare(bool create);
    HistoryOpenError checkFile(bool create, std::int64_t& version);
    std::string migrateFrom(std::int64_t version);
    // Runs body in one write transaction; "" or why not, naming the file.
    template <class Body>
    std::string inTransaction(Body body);
    std::string appendRun(const HistoryRun& run, std::int64_t& runId);
    std::string insertSlices(std::int64_t runId, const std::vector<HistorySlice>& slices);
    std::string replaceRun(std::int64_t runId, const HistoryRun& run);
    std::string appendSlice(std::int64_t runId, const HistorySlice& slice);
    void refuse(HistoryOpenError error, const std::string& why);

    std::string path_;
    SqliteConnection db_;
    HistoryOpenError openError_ = HistoryOpenError::None;
    std::string message_;
    std::int64_t versionFound_ = 0;
};

}  // namespace gnsslog
