// gnsslog-report: analyses one log file with the pipeline of the
// application and prints its summary, a JSON document or a CSV of records.
#pragma once

#include <ostream>

namespace gnsslog {

// Runs the tool on argv as the command would. Normal output goes to out,
// diagnostics and the progress bar to err. Returns the exit status: 0 the
// log has records, 1 it has none, 2 usage error or unreadable file.
int runReport(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
