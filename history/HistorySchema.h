// The history file's schema, one step per version (docs/history.md).
// A new file is made by running every step from the first, so the
// migrations run on every database the tool creates, not only on old ones.
#pragma once

#include <array>
#include <cstdint>

namespace gnsslog {

// The schema version this build writes, kept in PRAGMA user_version.
inline constexpr std::int64_t kHistorySchemaVersion = 4;
// PRAGMA application_id of a gnsslog history: "GNSS" in ASCII.
inline constexpr std::int64_t kHistoryApplicationId = 0x474E5353;
// The meta table's application value.
inline constexpr const char* kHistoryApplicationName = "gnsslog";

// historySchemaSteps()[v - 1] takes a database from version v - 1 to v
// and sets user_version to v; step 1 creates the tables.
const std::array<const char*, kHistorySchemaVersion>& historySchemaSteps() noexcept;

}  // namespace gnsslog
