// Command-line options of the gnsslog application: the log to open at
// start, --help and --version. Qt-free, so the manual page is written from
// the same registration at build time.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace gnsslog {

struct ViewerOptions {
    std::string logFile;  // LOGFILE: loaded at start; empty: none
};

// One line for the programs' --help and manual pages.
inline constexpr const char* kViewerDescription =
    "Analyses a GNSS receiver position log and shows its summary, histograms and error plots.";

// Declares the options on app, bound to options (which must outlive the
// parse), --version included.
void addViewerOptions(CLI::App& app, ViewerOptions& options);

}  // namespace gnsslog
