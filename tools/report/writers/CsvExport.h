// Kept records as CSV: a header row with the sixteen GNSSRecord field names
// in declaration order, then one row per record. Doubles are written with
// 17 significant digits ("%.17g"), enough to read back the same value;
// integers in decimal. Never in the process locale's format; rows end in "\n".
#pragma once

#include <ostream>
#include <vector>

#include "log/GnssRecord.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// "time,latitude,...,valid" without a line end.
const char* recordsCsvHeader() noexcept;

// Header and rows to out. Returns false when out failed.
bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records);

// ",errorNorth,errorEast,errorUp,errorAlong,errorCross,truthAvailable".
const char* recordsTruthCsvHeader() noexcept;

// The same with the errors against a reference after each row: metres,
// empty where the record has no truth (along and cross also where the
// reference has no direction), and truthAvailable 1 or 0. match: of
// records, one to one.
bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records,
                     const TruthMatch& match);

}  // namespace gnsslog
