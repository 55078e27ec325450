#include "app/ViewerOptions.h"

#include <CLI/CLI.hpp>

#include "common/BuildVersion.h"

namespace gnsslog {

void addViewerOptions(CLI::App& app, ViewerOptions& options)
{
    app.set_version_flag("--version", versionLine("gnsslog"), "print the program's name and version and exit");
    app.add_option("LOGFILE", options.logFile,
                   "log file to load at start, in the format its start looks like (NavCom binary when none)");
}

}  // namespace gnsslog
