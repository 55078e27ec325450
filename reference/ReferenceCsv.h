// Reference trajectories from CSV files whose first line names the
// columns (docs/reference.md lists the names). Other lines before it that
// start with "#" are comments; unknown column names are ignored.
//
// Times come from GPS week and seconds of week, or from ISO 8601 times
// (UTC unless the column says GPS time; leap seconds are added); positions
// from latitude, longitude and ellipsoidal height (WGS84), or from
// earth-centred X, Y, Z. East, north and up velocities and a heading are
// taken where all their columns are there. A row that does not read, lies
// beyond the limits of ReferenceTrajectory.h, or is not later than the row
// before, is skipped and counted.
#pragma once

#include <string>
#include <string_view>

#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

// text: the whole file; fileName: for the messages. A header without a
// time or a position, and fewer than two usable rows, are errors. Any
// byte sequence is safe.
ReferenceLoad readReferenceCsv(std::string_view text, const std::string& fileName);

// Whether the text's first line (after "#" comments) names a time and a
// position, so the text is a CSV reference rather than a log.
bool looksLikeReferenceCsv(std::string_view text);

}  // namespace gnsslog
