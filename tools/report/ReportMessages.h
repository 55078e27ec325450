// gnsslog-report's name, its one-line description, its exit statuses and
// the writer of its error lines; every run and writer of the tool takes
// them from here.
#pragma once

#include <ostream>
#include <string>

namespace gnsslog {

// The tool's name, in --version and in the reports' "generator".
inline constexpr const char* kReportProgramName = "gnsslog-report";
// The first line of --help and of the manual page's description.
inline constexpr const char* kReportDescription =
    "Analyses GNSS receiver logs (NavCom, NMEA, u-blox UBX, Septentrio SBF, NovAtel, "
    "RTKLIB .pos) the way the analyser's main window does, in the grid asked for, "
    "and prints their summary, statistics and comparison; or follows a live source.";

// Exit statuses of the tool.
namespace ReportExit {
inline constexpr int Ok = 0;         // the log has records
inline constexpr int NoRecords = 1;  // "No records, check parsing mode"
inline constexpr int Usage = 2;      // bad command line, unreadable log, unwritable output
inline constexpr int RequirementFailed = 3;  // a --require failed for a log or a slice
}  // namespace ReportExit

// "gnsslog-report: MESSAGE" on its own line; returns ReportExit::Usage,
// the status of anything that stops a run before or while it writes.
int reportError(std::ostream& err, const std::string& message);

// The same for a bad command line, which also points to --help.
int usageError(std::ostream& err, const std::string& message);

}  // namespace gnsslog
