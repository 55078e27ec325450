#include "history/HistorySchema.h"

namespace gnsslog {

namespace {

// Version 1: runs, their slices with the comparison's figures, the
// figures per solution class and the verdicts.
constexpr const char* kVersion1 = R"sql(
PRAGMA application_id = 1196315475;
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
INSERT INTO meta (key, value) VALUES ('application', 'gnsslog');
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  written_utc TEXT NOT NULL,
  source TEXT NOT NULL,
  name TEXT NOT NULL,
  slice_seconds REAL NOT NULL,
  requirements TEXT NOT NULL,
  truth TEXT NOT NULL);
CREATE TABLE slices (
  id INTEGER PRIMARY KEY,
  run_id INTEGER NOT NULL REFERENCES runs (id),
  day TEXT NOT NULL,
  start_seconds REAL NOT NULL,
  end_seconds REAL NOT NULL,
  partial INTEGER NOT NULL,
  records INTEGER NOT NULL,
  fix_share REAL NOT NULL,
  fix_losses INTEGER NOT NULL,
  ttff_seconds REAL,
  h50_metres REAL,
  h95_metres REAL,
  v95_metres REAL,
  availability REAL,
  wrong_fixes INTEGER NOT NULL,
  passes INTEGER);
CREATE INDEX slices_by_day ON slices (day);
CREATE TABLE slice_classes (
  slice_id INTEGER NOT NULL REFERENCES slices (id),
  class TEXT NOT NULL,
  epochs INTEGER NOT NULL,
  h50_metres REAL,
  h95_metres REAL,
  v95_metres REAL,
  PRIMARY KEY (slice_id, class));
CREATE TABLE verdicts (
  slice_id INTEGER NOT NULL REFERENCES slices (id),
  position INTEGER NOT NULL,
  requirement TEXT NOT NULL,
  value REAL,
  verdict TEXT NOT NULL,
  PRIMARY KEY (slice_id, position));
PRAGMA user_version = 1;
)sql";

// Version 2: data-quality counts, the log's on its run and the gaps of
// each slice. Rows written before stay NULL there: not known, not zero.
constexpr const char* kVersion2 = R"sql(
ALTER TABLE runs ADD COLUMN frames INTEGER;
ALTER TABLE runs ADD COLUMN rejected_checksum INTEGER;
ALTER TABLE runs ADD COLUMN unread_frames INTEGER;
ALTER TABLE runs ADD COLUMN rejected_frames INTEGER;
ALTER TABLE runs ADD COLUMN truncated_frames INTEGER;
ALTER TABLE runs ADD COLUMN backward_steps INTEGER;
ALTER TABLE runs ADD COLUMN day_wraps INTEGER;
ALTER TABLE runs ADD COLUMN gaps INTEGER;
ALTER TABLE runs ADD COLUMN dates_ignored INTEGER;
ALTER TABLE slices ADD COLUMN gaps INTEGER;
PRAGMA user_version = 2;
)sql";

// Version 3: a live run writes its row when its first slice is complete
// and its slices as they complete; in_progress is 1 until its end has
// written the rest. Runs written before were written whole.
constexpr const char* kVersion3 = R"sql(
ALTER TABLE runs ADD COLUMN in_progress INTEGER NOT NULL DEFAULT 0;
CREATE INDEX slices_by_run ON slices (run_id);
PRAGMA user_version = 3;
)sql";

// Version 4: each slice's session figures (sessions, median and 95 %
// time to fix, first fixes judged and wrong, their share) and honesty
// figures (share within 1 sigma, hazardously misleading epochs, the
// misleading rate's 95 % bound). Rows written before stay NULL there.
constexpr const char* kVersion4 = R"sql(
ALTER TABLE slices ADD COLUMN sessions INTEGER;
ALTER TABLE slices ADD COLUMN ttf_median_seconds REAL;
ALTER TABLE slices ADD COLUMN ttf95_seconds REAL;
ALTER TABLE slices ADD COLUMN judged_first_fixes INTEGER;
ALTER TABLE slices ADD COLUMN wrong_first_fixes INTEGER;
ALTER TABLE slices ADD COLUMN wrong_first_fix_share REAL;
ALTER TABLE slices ADD COLUMN within_1sigma REAL;
ALTER TABLE slices ADD COLUMN hazardously_misleading REAL;
ALTER TABLE slices ADD COLUMN misleading_rate95 REAL;
PRAGMA user_version = 4;
)sql";

static_assert(kHistoryApplicationId == 1196315475, "step 1 writes the application id in decimal");

constexpr std::array<const char*, kHistorySchemaVersion> kSteps{kVersion1, kVersion2, kVersion3, kVersion4};

}  // namespace

const std::array<const char*, kHistorySchemaVersion>& historySchemaSteps() noexcept { return kSteps; }

}  // namespace gnsslog
