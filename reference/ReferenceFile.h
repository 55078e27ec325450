// A reference trajectory from a file: a CSV reference (ReferenceCsv.h) or
// a log in any format the analysis reads, decoded by the same pipeline.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"
#include "log/formats/RecordClock.h"
#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

// The format name that asks for the CSV reader.
inline constexpr std::string_view kCsvReferenceFormat = "csv";

// formatName: "csv", a log format's name (log/formats/Formats.h), or empty
// to decide from the file's start: CSV when its first line names a time
// and a position, else the detected log format. Errors (file unreadable,
// unknown format, no format found, unknown columns, fewer than two usable
// epochs) name the file.
ReferenceLoad loadReference(const std::string& fileName, std::string_view formatName);

// What the records of a log in that format count, from the log's start;
// the format's default when the file cannot be read.
RecordClock logRecordClock(const std::string& fileName, const InputFormat& format);

// The epochs of a log's records: those with a latitude, longitude and
// height, later than the one before. Records' times are kept as they are,
// on the clock the format states.
ReferenceLoad trajectoryFromRecords(const std::vector<GNSSRecord>& records, RecordClock clock,
                                    const std::string& fileName, std::string_view formatName);

}  // namespace gnsslog
