// gnsslog-report: analyses one log file with the application's pipeline and
// prints the main window's summary, a JSON document, or a CSV of records.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace gnsslog {

// The tool's name, in --version and in the reports' "generator".
inline constexpr const char* kReportProgramName = "gnsslog-report";
// The first line of --help and of the manual page's description.
inline constexpr const char* kReportDescription =
    "Analyses a GNSS receiver log (NavCom [PVT1B] or NMEA GGA/LLK/LLQ/ORP) the way "
    "the analyser's main window does and prints its summary.";

// Exit statuses of the tool.
namespace ReportExit {
inline constexpr int Ok = 0;         // the log has records
inline constexpr int NoRecords = 1;  // "No records, check parsing mode"
inline constexpr int Usage = 2;      // bad command line, unreadable log, unwritable output
inline constexpr int RequirementFailed = 3;  // a --require failed for a log or a slice
}  // namespace ReportExit

// Runs the tool on argv as the command would. Normal output goes to out,
// diagnostics to err. A progress bar is drawn only when err is std::cerr
// and standard error is a terminal. Returns a ReportExit status; does not
// throw except for running out of memory.
int runReport(int argc, char** argv, std::ostream& out, std::ostream& err);

struct ReportOptions;
// The offline run after the command line was read: one log, or several
// compared. Returns a ReportExit status.
int runAnalysisReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

// One progress-bar line (without "\r" or line end), e.g.
// "Reading file         [#########...........]  45%". A total of 0 or
// less shows an empty bar; the position is clamped to 0..total.
std::string progressBarLine(const char* phase, std::int32_t position, std::int32_t total, int barWidth = 30);

}  // namespace gnsslog
