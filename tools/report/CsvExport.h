// Kept records as CSV: a header row with the sixteen GNSSRecord field names
// in declaration order, then one row per record. Doubles are written with
// 17 significant digits ("%.17g"), enough to read back the same value;
// integers in decimal. Never in the process locale's format; rows end in "\n".
#pragma once

#include <ostream>
#include <vector>

#include "log/GnssRecord.h"

namespace gnsslog {

// "time,latitude,...,valid" without a line end.
const char* recordsCsvHeader() noexcept;

// Header and rows to out. Returns false when out failed.
bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records);

}  // namespace gnsslog
